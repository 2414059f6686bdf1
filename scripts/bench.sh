#!/usr/bin/env bash
# Measures TAVRIN Controller and writes the figures into the section "Performance" at the end
# of README.md:
#  - the real program (build/src/tavrin-controller, offscreen) idle on the simulator: resident
#    memory and CPU share over 10 s, once with nothing arriving (the simulator never answers
#    the status request, so the 20 ms ticks find nothing and no poll goes out) and once on a
#    stopped recorder that answers the display-mode and time polls;
#  - bench/transfer_bench.cpp: a whole preset read and write at line rate against the paced
#    simulator, beside the time their bytes need on a 9600 bit/s line.
# Usage: scripts/bench.sh [build folder]   (IDLE_SECONDS changes the 10 s)
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
seconds=${IDLE_SECONDS:-10}

bash scripts/build.sh "$dir" >/dev/null
cmake --build "$dir" --target tavrin-bench tavrin-log-bench >/dev/null

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

ticks_per_second=$(getconf CLK_TCK)

# utime + stime of a process, in clock ticks (fields 14 and 15 of /proc/PID/stat; the command
# name in field 2 is skipped by cutting at its closing parenthesis).
cpu_ticks() { sed 's/.*) //' "/proc/$1/stat" | awk '{print $12 + $13}'; }
rss_kib() { awk '/^VmRSS:/ {print $2}' "/proc/$1/status"; }

# idle NAME SIMULATOR-OPTIONS...: starts the simulator and the program on it, lets it settle,
# then samples the program over the idle time. Prints "rss_mib cpu_percent".
idle() {
  local name=$1; shift
  local link="$work/$name-com2"
  "$dir/src/tavrin-recorder-sim" --link "$link" "$@" >/dev/null &
  local sim=$!; pids+=("$sim")
  for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done
  QT_QPA_PLATFORM=offscreen TAVRIN_COM2="$link" "$dir/src/tavrin-controller" >/dev/null 2>&1 &
  local program=$!; pids+=("$program")
  sleep 3
  local before; before=$(cpu_ticks "$program")
  sleep "$seconds"
  local after; after=$(cpu_ticks "$program")
  local rss; rss=$(rss_kib "$program")
  kill "$program" "$sim"
  wait "$program" "$sim" 2>/dev/null || true
  awk -v r="$rss" -v b="$before" -v a="$after" -v t="$ticks_per_second" -v s="$seconds" \
    'BEGIN { printf "%.1f %.2f\n", r / 1024, (a - b) / t / s * 100 }'
}

echo "bench: idle with nothing arriving (${seconds} s)"
read -r silent_rss silent_cpu < <(idle silent --ignore '@0?ST')
echo "bench: idle on a stopped recorder answering the polls (${seconds} s)"
read -r polled_rss polled_cpu < <(idle polled)
echo "bench: preset read and write against the paced simulator"
declare -A f
while IFS=$'\t' read -r key value; do f[$key]=$value; done < <("$dir/bench/tavrin-bench")
echo "bench: one line into a full message log"
while IFS=$'\t' read -r key value; do f[$key]=$value; done < <("$dir/bench/tavrin-log-bench" 2>/dev/null)

cpu_model=$(awk -F': ' '/^model name/ {print $2; exit}' /proc/cpuinfo)
build_type=$(awk -F= '/^CMAKE_BUILD_TYPE:/ {print $2}' "$dir/CMakeCache.txt")

section=$(cat <<EOT
## Performance

Measured by \`bash scripts/bench.sh\` on ${cpu_model:-an unknown processor} ($(nproc) cores), ${build_type:-default} build,
the program under Qt's offscreen platform, the recorder simulator on a pseudo-terminal.

| Idle program (20 ms receive ticks) | Resident memory | CPU share |
|---|---|---|
| nothing arriving (the recorder never answers) | ${silent_rss} MiB | ${silent_cpu} % |
| stopped recorder answering the display-mode and time polls | ${polled_rss} MiB | ${polled_cpu} % |

CPU share is user and system time over ${seconds} s of wall time, for one core.

| Transfer, at 9600 bit/s (median of ${f[runs]} runs) | Time | Bytes out / in | The bytes on the line |
|---|---|---|---|
| whole preset read (26 queries in one write, until the editor is shown) | ${f[read_ms_median]} ms | ${f[read_bytes_out]} / ${f[read_bytes_in]} | ${f[read_line_ms_out]} ms out, ${f[read_line_ms_in]} ms in |
| whole preset write (25 commands, each after the last one's acknowledgement; until the editor unlocks on the last) | ${f[write_ms_median]} ms | ${f[write_bytes_out]} / ${f[write_bytes_in]} | ${f[write_line_ms]} ms |

The read is bound by the line: the answers need about as long as they take to arrive, and the
queries go out while the first answers come back. The write is bound by the 20 ms receive
tick: each command goes out in the tick that reads the acknowledgement of the one before.

| Message log (10,000 lines, the most it keeps) | Median | 99th percentile |
|---|---|---|
| one line put at the top, with the repaint | ${f[log_insert_us_median]} µs | ${f[log_insert_us_p99]} µs |
EOT
)

# Replace the section (it is the last one) or add it.
if grep -q '^## Performance$' README.md; then
  sed -i '/^## Performance$/,$d' README.md
  sed -i -e :a -e '/^\n*$/{$d;N;ba' -e '}' README.md  # no blank lines left at the end
fi
printf '\n%s\n' "$section" >> README.md
echo "bench: README.md updated"
printf '%s\n' "$section"

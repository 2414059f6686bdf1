#!/usr/bin/env bash
# Measures tavrinctl against recorder simulators paced at 9600 bit/s (bench/cli_bench.cpp) and
# writes the figures into README.md, between the lines "<!-- tavrinctl figures -->" and
# "<!-- end of tavrinctl figures -->" of the section "From scripts".
# Usage: scripts/bench-cli.sh [build folder]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}

bash scripts/build.sh "$dir" >/dev/null
cmake --build "$dir" --target tavrinctl-bench >/dev/null

echo "bench-cli: tavrinctl against paced simulators"
declare -A f
while IFS=$'\t' read -r key value; do f[$key]=$value; done < <("$dir/bench/tavrinctl-bench" "$dir/src/tavrinctl")

cpu_model=$(awk -F': ' '/^model name/ {print $2; exit}' /proc/cpuinfo)
build_type=$(awk -F= '/^CMAKE_BUILD_TYPE:/ {print $2}' "$dir/CMakeCache.txt")

figures=$(cat <<EOT
Measured by \`bash scripts/bench-cli.sh\` on ${cpu_model:-an unknown processor} ($(nproc) cores), ${build_type:-default}
build: each figure is the median of ${f[runs]} runs of the whole process, from its start to its exit, against
simulators on pseudo-terminals that send at 9600 bit/s.

| Run | Time | Bytes out / in | The bytes on the line | Ratio |
|---|---|---|---|---|
| \`preset read -o FILE\` (status request, then the 26 queries as one block) | ${f[read_ms]} ms | ${f[read_bytes]} | ${f[read_line_ms]} ms for the replies | ${f[read_ratio]} × |
| \`preset write FILE\` (status request, then 25 commands, each after the last one's ACK) | ${f[write_ms]} ms | ${f[write_bytes]} | ${f[write_line_ms]} ms both ways | ${f[write_ratio]} × |
| the same write on 8 recorders at once | ${f[fleet_ms]} ms | 8 × the above | | ${f[fleet_ratio]} × one recorder |
| \`status\` | ${f[status_ms]} ms | | | |

The simulator paces what it sends but reads what it is sent at once, so the write is bound by its
${f[write_answers_ms]} ms of answers: tavrinctl sends each command as soon as the last ACK has come in, where
the windows wait for their next 20 ms tick. The most memory one run had resident was ${f[peak_mib]} MiB.
EOT
)

start='<!-- tavrinctl figures -->'
end='<!-- end of tavrinctl figures -->'
grep -qF "$start" README.md || { echo "bench-cli: README.md has no line $start" >&2; exit 1; }
FIGURES=$figures awk -v start="$start" -v end="$end" '
  $0 == start { print; print ENVIRON["FIGURES"]; skip = 1; next }
  $0 == end { skip = 0 }
  !skip { print }' README.md > README.md.new
mv README.md.new README.md
echo "bench-cli: README.md updated"
printf '%s\n' "$figures"

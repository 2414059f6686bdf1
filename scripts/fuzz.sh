#!/usr/bin/env bash
# Builds the libFuzzer targets with clang-14 (AddressSanitizer and UndefinedBehaviorSanitizer on)
# into build/fuzz and runs each for FUZZ_SECONDS seconds (default 60), starting from the seed
# corpora in fuzz/corpus/. Fails on any crash, leak, time-out or sanitizer report; the input
# that caused it is kept as build/fuzz/artifacts/<target>-crash-... and the end of the run's
# output is shown. Replay one with: build/fuzz/fuzz/<target>_fuzzer <file>
# (TAVRIN_FUZZ_TRACE=1 prints the steps of a receive_tick input).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}
dir=build/fuzz
targets=(classify receive_tick preset_file)

cmake --preset fuzz >/dev/null
cmake --build "$dir" -j 2 --target "${targets[@]/%/_fuzzer}"

mkdir -p "$dir/artifacts"
status=0
for target in "${targets[@]}"; do
  # The committed seeds stay as they are; what the fuzzer finds goes into the build folder.
  work="$dir/corpus/$target"
  mkdir -p "$work"
  log="$dir/$target.log"
  dict=()
  [ -f "fuzz/$target.dict" ] && dict=(-dict="fuzz/$target.dict")
  echo "fuzz: $target for ${seconds} s"
  if ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
     "$dir/fuzz/${target}_fuzzer" "$work" "fuzz/corpus/$target" "${dict[@]}" \
       -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -max_len=4096 \
       -print_final_stats=1 -artifact_prefix="$dir/artifacts/$target-" >"$log" 2>&1; then
    echo "fuzz: $target passed ($(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$') runs)"
  else
    echo "fuzz: $target FAILED; the end of $log:" >&2
    tail -n 40 "$log" >&2
    status=1
  fi
done
exit $status

#!/usr/bin/env bash
# Builds the program and every test with AddressSanitizer and UndefinedBehaviorSanitizer into
# build/asan (or the folder given) and runs the tests there. Any sanitizer report fails the
# test it happens in, leaks included: the window tests run on Qt's offscreen platform, which
# leaves nothing behind that LeakSanitizer reports. The one suppression (tests/lsan.supp) is a
# leak inside libgensio that no caller can avoid.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build/asan}

cmake --preset sanitize -B "$dir" >/dev/null
cmake --build "$dir" -j 2

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp
ctest --test-dir "$dir" --output-on-failure -j2 --timeout 300

#!/bin/sh
# Builds Korvane with AddressSanitizer and UndefinedBehaviorSanitizer and runs
# every test; the GUI tests run under a private Xvfb display started here.
set -e
cd "$(dirname "$0")/.."
sh tools/deps.sh
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKORVANE_SANITIZE=ON
cmake --build build-test
export ASAN_OPTIONS="detect_leaks=1:fast_unwind_on_malloc=0"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
exec xvfb-run -a -s "-screen 0 1280x1024x24" \
  ctest --test-dir build-test --output-on-failure -j2 --timeout 600

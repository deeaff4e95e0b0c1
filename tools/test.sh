#!/bin/sh
# SPDX-License-Identifier: MIT
# Builds Korvane with AddressSanitizer and UndefinedBehaviorSanitizer and runs
# every test; the GUI tests run under a private Xvfb display started here.
set -e
cd "$(dirname "$0")/.."
sh tools/deps.sh
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKORVANE_SANITIZE=ON -DKORVANE_WERROR=ON
cmake --build build-test
# The fuzz targets (pool parser, font, image and language decoders, CRC), each from its seed corpus:
# every seed goes through the fuzz target's own check, and a short run catches
# a target that no longer builds or crashes.
CC=clang CXX=clang++ cmake -S . -B build-test-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DKORVANE_FUZZ=ON -DKORVANE_TESTS=OFF -DKORVANE_GUI=OFF -DKORVANE_WERROR=ON
cmake --build build-test-fuzz --target pool_parse_fuzzer font_decode_fuzzer image_decode_fuzzer \
  language_decode_fuzzer crc_fuzzer
rm -rf build-test-fuzz/corpus && cp -r fuzz/corpus/pool_parse build-test-fuzz/corpus
build-test-fuzz/pool_parse_fuzzer -max_total_time=15 -print_final_stats=0 build-test-fuzz/corpus \
  2>build-test-fuzz/fuzz.log || { tail -40 build-test-fuzz/fuzz.log; exit 1; }
rm -rf build-test-fuzz/font-corpus && cp -r fuzz/corpus/font_decode build-test-fuzz/font-corpus
build-test-fuzz/font_decode_fuzzer -max_total_time=10 -print_final_stats=0 build-test-fuzz/font-corpus \
  2>build-test-fuzz/font-fuzz.log || { tail -40 build-test-fuzz/font-fuzz.log; exit 1; }
rm -rf build-test-fuzz/image-corpus && cp -r fuzz/corpus/image_decode build-test-fuzz/image-corpus
build-test-fuzz/image_decode_fuzzer -max_total_time=10 -print_final_stats=0 build-test-fuzz/image-corpus \
  2>build-test-fuzz/image-fuzz.log || { tail -40 build-test-fuzz/image-fuzz.log; exit 1; }
rm -rf build-test-fuzz/language-corpus && cp -r fuzz/corpus/language_decode build-test-fuzz/language-corpus
build-test-fuzz/language_decode_fuzzer -max_total_time=10 -print_final_stats=0 \
  build-test-fuzz/language-corpus 2>build-test-fuzz/language-fuzz.log ||
  { tail -40 build-test-fuzz/language-fuzz.log; exit 1; }
rm -rf build-test-fuzz/crc-corpus && cp -r fuzz/corpus/crc build-test-fuzz/crc-corpus
build-test-fuzz/crc_fuzzer -max_total_time=10 -print_final_stats=0 build-test-fuzz/crc-corpus \
  2>build-test-fuzz/crc-fuzz.log || { tail -40 build-test-fuzz/crc-fuzz.log; exit 1; }
export ASAN_OPTIONS="detect_leaks=1:fast_unwind_on_malloc=0"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
exec xvfb-run -a -s "-screen 0 1280x1024x24" \
  ctest --test-dir build-test --output-on-failure -j2 --timeout 600

#!/bin/sh
# SPDX-License-Identifier: MIT
# Builds Korvane with AddressSanitizer and UndefinedBehaviorSanitizer and runs
# every test; the GUI tests run under a private Xvfb display started here.
set -e
cd "$(dirname "$0")/.."
sh tools/deps.sh
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKORVANE_SANITIZE=ON -DKORVANE_WERROR=ON
cmake --build build-test
# The fuzz targets (pool parser, font, image and language decoders, CRC, the
# BDF and PO/TSV readers), each from its seed corpus: every seed goes through
# the fuzz target's own check, and a short run catches a target that no
# longer builds or crashes.
CC=clang CXX=clang++ cmake -S . -B build-test-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DKORVANE_FUZZ=ON -DKORVANE_TESTS=OFF -DKORVANE_GUI=OFF -DKORVANE_WERROR=ON
cmake --build build-test-fuzz --target pool_parse_fuzzer font_decode_fuzzer image_decode_fuzzer \
  language_decode_fuzzer crc_fuzzer bdf_read_fuzzer translation_read_fuzzer
# fuzz TARGET CORPUS SECONDS: runs TARGET on a scratch copy of fuzz/corpus/CORPUS.
fuzz() {
  rm -rf "build-test-fuzz/$2-corpus" && cp -r "fuzz/corpus/$2" "build-test-fuzz/$2-corpus"
  "build-test-fuzz/$1" -max_total_time="$3" -print_final_stats=0 "build-test-fuzz/$2-corpus" \
    2>"build-test-fuzz/$2-fuzz.log" || { tail -40 "build-test-fuzz/$2-fuzz.log"; exit 1; }
}
fuzz pool_parse_fuzzer pool_parse 15
fuzz font_decode_fuzzer font_decode 10
fuzz image_decode_fuzzer image_decode 10
fuzz language_decode_fuzzer language_decode 10
fuzz crc_fuzzer crc 10
fuzz bdf_read_fuzzer bdf_read 10
fuzz translation_read_fuzzer translation_read 10
export ASAN_OPTIONS="detect_leaks=1:fast_unwind_on_malloc=0"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
exec xvfb-run -a -s "-screen 0 1280x1024x24" \
  ctest --test-dir build-test --output-on-failure -j2 --timeout 600

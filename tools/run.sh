#!/bin/sh
# Builds Korvane and starts it.
set -e
cd "$(dirname "$0")/.."
sh tools/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_TESTS=OFF
cmake --build build
exec build/korvane-cli --help

#!/bin/sh
# SPDX-License-Identifier: MIT
# Builds Korvane and starts it on a demo image made by the project's own
# module builder.
set -e
cd "$(dirname "$0")/.."
sh tools/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_TESTS=OFF
cmake --build build
[ -f build/demo.img ] || build/korvane-demo build/demo.img
exec build/korvane build/demo.img

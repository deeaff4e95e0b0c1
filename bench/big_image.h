// SPDX-License-Identifier: MIT
// The benchmarks' large image: 2,048 data modules whose bodies are 16 to 48
// KiB of random bytes, about 64 MiB, made once per run.
#pragma once

#include "tests/support/module_builder.h"

constexpr int BIG_IMAGE_MODULES = 2048;

const Bytes& benchBigImage();

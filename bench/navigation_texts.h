// SPDX-License-Identifier: MIT
// Texts of a navigation unit for the language benchmarks.
#pragma once

#include <cstdint>
#include <vector>

#include "tests/support/body_builders.h"

// `count` interface texts of a navigation unit in 20 groups, drawn at random
// with a fixed seed, so most recur: manoeuvres at a distance and menu words
// (often), numbered waypoints and exits (now and then), about 3 % empty and
// 2 % absent. UTF-8, all of them in CP1252.
std::vector<LanguageGroup> navigationTexts(uint32_t count);

// SPDX-License-Identifier: MIT
// The demo firmware image: the modules of a navigation unit (programs,
// colour tables, fonts, pictures, languages), repeated under new names to
// make larger images.
#pragma once

#include <cstddef>
#include <string>

#include "tests/support/module_builder.h"

// The demo image of count modules (0: the standard demo, one of each), or
// empty with the reason in err (when not null).
Bytes demoImage(size_t count, std::string* err);

// SPDX-License-Identifier: MIT
// The element names of the colour-table layouts: 310 rows for the 0x0033
// layout, 248 for the 0x0035 layout.
#pragma once

extern const char* const* const COLOR_NAMES_A;
extern const char* const* const COLOR_NAMES_B;

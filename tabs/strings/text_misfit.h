// SPDX-License-Identifier: MIT
// Why a text cannot be written in a language module's code page, worded as
// the translation import words it, for the Strings tab's refusal message.
#pragma once

#include <cstddef>

// Writes into out (size bytes) the first character of UTF-8 text that the
// code page lacks: "\"Ж\" (U+0416) is not in CP1252"; or "the text cannot be
// written in CP1252" when no single character is to blame.
void languageMisfit(const char* codePage, const char* text, char* out, size_t size);

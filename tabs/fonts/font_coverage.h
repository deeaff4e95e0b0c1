// SPDX-License-Identifier: MIT
// The letters a translation needs that a font draws blank: a translator
// cannot ship a language whose letters the unit would show as gaps.
#pragma once

#include <cstdint>

#include "pool/module.h"
#include "tabs/fonts/font_codec.h"

// Counts in uses[b], for each byte value b of 1 .. 255, how many present
// entries of a language module use b in the module's code page (a text the
// code page cannot decode by its bytes as read); uses[0] is 0. Returns 0 with
// readLanguageModule's message in err (errSize bytes) for a
// module it refuses.
int languageByteUses(Module* language, uint32_t uses[256], char* err, size_t errSize);

// 1 when a glyph draws nothing where codePage has a letter: its width is 0,
// or no pixel within its width is set and the code page's character at its
// code is not a space (a blank space is drawn as intended).
int fontGlyphBlank(const FontMetrics* metrics, const FontGlyph* glyph, const char* codePage);

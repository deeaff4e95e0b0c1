// SPDX-License-Identifier: MIT
// Fonts as BDF 2.1, the bitmap font text format of X and of most bitmap font
// editors: the 255 glyphs written out so that any BDF tool can draw or
// convert them, and any BDF's glyphs read back into the W x H cell.
#pragma once

#include <cstddef>
#include <cstdint>

#include "pool/list.h"
#include "tabs/fonts/font_codec.h"

// "CP1251" or "CP1252" for a code page the export can name (any case), else
// null.
const char* fontCodePageName(const char* text);

// The Unicode character at byte `code` (0 .. 255) of a code page that
// fontCodePageName knows, or 0 where the code page has none. The table of
// each code page is made once, with g_convert.
uint32_t fontCodePageChar(const char* codePage, uint32_t code);

// The BDF text of the glyphs (codes 1 .. 255) of a font named `name`, with
// CHARSET_ENCODING codePage (a name fontCodePageName gives). Every glyph's
// BBX is the whole cell, its columns past the glyph's width clear, and the
// cell's bottom row lies on the baseline (FONT_ASCENT H, FONT_DESCENT 0).
// Returns the malloc'd text, not terminated, and its length in *length.
char* fontBdfWrite(const FontMetrics* metrics, List* glyphs, const char* name, const char* codePage,
                   size_t* length);

// Reads a BDF text and sets from it every glyph whose ENCODING is 1 .. 255:
// its width from DWIDTH (cut to W), its pixels placed through BBX and the
// font's ascent (FONT_ASCENT, else that of FONTBOUNDINGBOX) with the cell's
// top row at the ascent; set pixels that fall outside the cell are dropped.
// Glyphs the text lacks are left as they are. Returns 1, with *warnings a
// malloc'd text of one line per glyph that lost pixels (null when none), or
// 0 with "line N: reason" in err (errSize bytes) for a text that
// is not BDF or is malformed (a bitmap whose rows do not match its BBX
// among others); then no glyph is changed.
int fontBdfRead(const char* text, size_t length, const FontMetrics* metrics, List* glyphs,
                char** warnings, char* err, size_t errSize);

// SPDX-License-Identifier: MIT
// Module bodies of the kinds the editors open, for tests, benchmarks and the
// demo image.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/module_builder.h"

// A colour table of layout tag 0x0033 or 0x0035: palette entry k holds a
// colour word with bit 15 set for even k and clear for odd k; the items are
// headings where the unit's groups begin and otherwise use varied entries;
// then tail bytes 0xA5, 0xA6, ...
Bytes colorBody(uint16_t tag, uint16_t transparentReference = 0, size_t tail = 4);

// Item word i of a colour body (0: heading; n: palette entry n - 1).
uint32_t colorItemWord(const Bytes& body, uint32_t item);
void colorItemWordSet(Bytes& body, uint32_t item, uint16_t word);

// A font of W = 6 * scale, H = 8 * scale: printable ASCII (32 to 126) drawn
// readably from 5 x 7 dots, each dot scale x scale pixels, width W; every
// other code blank, width W / 2.
Bytes fontBody(uint32_t scale);

// fontBody(scale) with the glyphs of the given codes made the given widths
// (each at most the cell width 6 * scale), so that a sum of widths tells
// the codes apart.
Bytes fontBodyWidths(uint32_t scale, const std::vector<std::pair<uint8_t, uint32_t>>& widths);

// A well-formed W x 255 font (W 8 unless given) whose glyph records overlap:
// glyph c starts one byte after glyph c - 1 in one stream of row references
// to 254 patterns. Its 255 distinct glyphs need 256 bytes each once
// encoded, past the 65535 bytes a glyph offset reaches, so the encoder
// refuses it. Widths vary from glyph to glyph when W is above 128.
Bytes fontBodyOverlapping(uint32_t width = 8);

// One picture of an image body: ImageType, size in pixels, data bytes and,
// for icons, id and name.
struct ImagePicture {
  int type;
  uint16_t width, height;
  Bytes data;
  uint16_t id = 0;
  std::string name{};
};

// A "rombitmaps" (IMAGE_KIND_BITMAPS) or "romicons" body of the pictures, as
// imageModuleEncode writes it; icons carry the version word. A name of 21
// characters fills its field without a zero, as one read from a unit may.
Bytes imagesBody(int kind, const std::vector<ImagePicture>& images, uint32_t version = 0x302);

// A "romicons" body of four pixmaps 2 x 2 whose records 0, 1 and 3 share
// one data area; record 2 has its own, after it.
Bytes iconsBodyShared();

// One string group of a language body: its entries in order, nullopt for an
// absent entry.
using LanguageGroup = std::vector<std::optional<std::string>>;

// A language body of LANGUAGE_LAYOUT_32 or LANGUAGE_LAYOUT_16 laid out as
// writeLanguageModule writes it: header, group offsets, one string offset per
// entry, each distinct text once in order of first use (an empty text as two
// zero bytes), zero padding to 4 bytes. Texts are UTF-8, converted to the code
// page. Empty when a text does not convert or a 16-bit offset would pass
// 65535.
Bytes languageBody(int layout, const std::vector<LanguageGroup>& groups, const char* codePage);

// A 32-bit language body of one group of n texts sharing their tails, as a
// linker lays strings out: text k is the last n - k letters of one string.
Bytes languageBodyTails(uint32_t n);

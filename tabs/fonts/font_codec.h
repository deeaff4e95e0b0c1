// SPDX-License-Identifier: MIT
// Bitmap fonts: data modules named "font...", "pfont...", "map_..." and the
// like whose body holds 255 glyphs of a W x H cell. The body, big-endian:
//   0: W, 1: H, 2: pattern table offset T (odd: this marks a font),
//   4 + 2(c - 1): glyph offset of code c = 1 .. 255 (codes may share one),
//   514: glyph records: width, then one reference per row, top first:
//        0x00 ends the glyph (the rest is blank), 0xFF is followed by the
//        row's BPR bytes, n = 1 .. 254 names row pattern n;
//   T: BPR, BPR - 1 bytes of 0xFF, then pattern n at T + n * BPR.
// A row's pixel x is bit 7 - x % 8 of byte x / 8.
#pragma once

#include <cstdint>

#include "pool/error_text.h"
#include "pool/list.h"
#include "pool/module.h"
#include "pool/pool.h"

enum : uint32_t {
  FONT_GLYPH_COUNT = 255,
  FONT_RECORDS_OFFSET = 514,  // 4 + 2 * 255
};

struct FontGlyph {
  uint32_t code;        // 1 .. 255
  uint32_t width;       // 0 .. W
  uint32_t savedWidth;  // width as decoded
  uint8_t* pixels;      // W x H, row-major, 0 clear, 0xFF set; the whole cell
  uint8_t* savedPixels; // pixels as decoded
  uint32_t changed;     // 0 or 1, kept by the Fonts tab
};

// The glyph of code 1 .. 255 in a list of 255.
inline FontGlyph* fontGlyphAt(List* glyphs, uint32_t code) {
  return static_cast<FontGlyph*>(listGet(glyphs, code - 1));
}

struct FontMetrics {
  uint32_t width;     // W, the cell width
  uint32_t height;    // H
  uint32_t rowBytes;  // BPR
};

// 1 when the module's name begins with a font prefix and its body (of at
// least 4 bytes) has an odd pattern table offset.
int fontMatch(ModulePool* pool, Module* module);

// Decodes a body into 255 FontGlyph records (codes 1 .. 255, in order) and
// its metrics. Returns null for a body that is not a well-formed font: fewer
// than 514 bytes, W or H of 0, BPR of 0 or too small for W, or a glyph
// record, reference or row beyond the body. Nothing outside the body is
// read. Release with fontGlyphsFree.
List* fontDecode(const uint8_t* body, uint32_t size, FontMetrics* metrics);

// Releases the glyphs, their pixels, and the list.
void fontGlyphsFree(List* glyphs);

// Encodes the 255 glyphs (code, width and pixels are read) into a new,
// malloc'd body whose size, a multiple of 4, is stored in *size. Identical
// glyphs are stored once; rows are shared through the pattern table, the 254
// most used by one-byte reference, the rest inline. Returns null when the
// glyph records or the pattern table would need offsets above 65535.
uint8_t* fontEncode(const FontMetrics* metrics, List* glyphs, uint32_t* size);

// 1 when the glyph's width or any pixel of its whole cell differs from the
// state it was decoded with: what the Fonts tab marks Changed.
int fontGlyphEdited(const FontMetrics* metrics, const FontGlyph* glyph);

// What the Fonts tab stores: while no glyph is edited, nothing (or the block
// kept in keep, after an earlier store); else fontEncode of the glyphs.
// Returns 0, the module unchanged, with the reason in err (errSize
// bytes) when fontEncode or the module refuses the glyphs.
int fontStoreGlyphs(Module* module, ModuleKeep* keep, const FontMetrics* metrics, List* glyphs, char* err, size_t errSize);

// Whether the font survives a store: encodes its glyphs as a store would
// and decodes the result again. Returns 0 for a module that is not a font
// or is malformed, 1 when every glyph comes back the same, -1 with the
// reason in err (errSize bytes) otherwise. The module is not changed.
int fontStoreCheck(Module* module, char* err, size_t errSize);

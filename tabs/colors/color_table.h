// SPDX-License-Identifier: MIT
// Colour tables: modules named "rom_col..." whose body holds a palette of 60
// colour words and, for every named display element, the number of the
// palette entry it uses. The driver decodes such a body into a ColorTable,
// answers the Colors tab's questions through its operation slots, and writes
// the edited state back into the body as read.
//
// Body, all words big-endian: layout tag at 0 (0x0033 or 0x0035), colour
// word k at 2 + 2k, transparent reference at 122 (n >= 1: entry n - 1), item
// word i at 124 + 2i (0: heading; n >= 1: entry n - 1); the rest is carried.
#pragma once

#include <cstdint>

#include "pool/module.h"
#include "pool/pool.h"

enum : uint32_t {
  COLOR_PALETTE_COUNT = 60,
  COLOR_PALETTE_OFFSET = 2,
  COLOR_TRANSPARENT_OFFSET = 122,
  COLOR_ITEMS_OFFSET = 124,
  COLOR_NAME_SIZE = 128,  // itemGetName's buffer
};

struct ColorLayout {
  uint16_t tag;
  uint32_t itemCount;       // 310 or 248
  const char* const* names; // itemCount rows
  uint32_t minBodySize;     // the item words end here: 744 or 620
};

// The layout of a tag, or null.
const ColorLayout* colorLayoutFind(uint32_t tag);

// 1 when the module is a colour table the editor can open: the name begins
// with "rom_col", and the body starts with a layout tag and holds all of that
// layout's item words. Never reads past the body.
int colorMatch(ModulePool* pool, Module* module);

// The 8-bit display value of a 5-bit channel (above 31: unchanged).
uint32_t colorChannelToRgb8(uint32_t value);

// Out-of-range entries, items and channels are ignored; questions about them
// answer 0.
struct ColorTable {
  void* state;
  uint32_t channelMax[3];  // red, green, blue
  uint32_t paletteCount;
  void (*colorGet)(ColorTable* t, uint32_t entry, uint32_t* red, uint32_t* green, uint32_t* blue);
  void (*colorSet)(ColorTable* t, uint32_t entry, uint32_t red, uint32_t green, uint32_t blue);
  int (*colorIsChanged)(ColorTable* t, uint32_t entry);
  void (*colorRestore)(ColorTable* t, uint32_t entry);
  int (*colorIsTransparent)(ColorTable* t, uint32_t entry);
  void (*colorToRgb8)(ColorTable* t, uint32_t* red, uint32_t* green, uint32_t* blue);
  uint32_t itemCount;
  // Copies the name into a buffer of COLOR_NAME_SIZE bytes, cut and terminated.
  void (*itemGetName)(ColorTable* t, uint32_t item, char* buffer);
  // The item's palette entry; 0 for a heading. An item word above 60 gives an
  // entry beyond the palette, which the caller must not index with.
  uint32_t (*itemGetColor)(ColorTable* t, uint32_t item);
  void (*itemSetColor)(ColorTable* t, uint32_t item, uint32_t entry);
  // For a heading: whether any item of its group (up to the next heading) is.
  int (*itemIsChanged)(ColorTable* t, uint32_t item);
  void (*itemRestore)(ColorTable* t, uint32_t item);
  int (*itemIsHeading)(ColorTable* t, uint32_t item);
  // Writes colour and item words into body, the body as read at init; every
  // other byte keeps what the buffer holds.
  void (*tableWriteBody)(ColorTable* t, uint8_t* body);
  void (*tableFree)(ColorTable* t);
};

// Decodes a body of size bytes into table. Returns 0, leaving the table
// empty, when the body is shorter than the layout's minimum.
int colorTableInit(const uint8_t* body, uint32_t size, ColorTable* table,
                   const ColorLayout* layout);

// An entry's current colour word, bit 15 included (0 past the palette); and
// setting it whole, as it is in another image of the table: what carrying
// a palette from one firmware to the next needs, where colorSet would set
// bit 15.
uint32_t colorTableWord(ColorTable* table, uint32_t entry);
void colorTableSetWord(ColorTable* table, uint32_t entry, uint32_t word);

// 1 when a colour word or an item's entry differs from the one decoded.
int colorTableEdited(ColorTable* table);

// What the Colors tab stores: while the table holds what it was decoded
// with, nothing (or the block kept in keep, after an earlier store); else
// the table written into body (the body it was decoded from, size bytes)
// and handed to the module. Returns 0, the module unchanged, with the reason
// in err (errSize bytes) when the module refuses it.
int colorTableStore(ColorTable* table, Module* module, ModuleKeep* keep, uint8_t* body, uint32_t size,
                    char* err, size_t errSize);

// Whether the module's table survives a store: writes it as a store would
// and decodes the result again. Returns 0 for a module that is not a colour
// table, 1 when every word comes back the same, -1 with the reason in err
// (errSize bytes) otherwise. The module is not changed.
int colorStoreCheck(Module* module, char* err, size_t errSize);

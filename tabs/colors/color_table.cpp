// SPDX-License-Identifier: MIT
#include "tabs/colors/color_table.h"

#include <cstdio>
#include <cstring>

#include <glib.h>

#include "pool/be.h"
#include "pool/memory.h"
#include "tabs/colors/color_names.h"

namespace {

const ColorLayout LAYOUTS[] = {
    {0x0033, 310, COLOR_NAMES_A, COLOR_ITEMS_OFFSET + 2 * 310},
    {0x0035, 248, COLOR_NAMES_B, COLOR_ITEMS_OFFSET + 2 * 248},
};

// v * 8.225 + 0.5, truncated, as the unit's display computes it: channel 20
// gives 164, because the double nearest 8.225 lies just below it.
const uint8_t RGB8[32] = {0,   8,   16,  25,  33,  41,  49,  58,  66,  74,  82,
                          90,  99,  107, 115, 123, 132, 140, 148, 156, 164, 173,
                          181, 189, 197, 206, 214, 222, 230, 239, 247, 255};

struct PaletteEntry {
  uint32_t loaded, current;  // whole colour words, bit 15 included
};

struct Item {
  const char* name;
  uint32_t loaded, current;  // palette entry numbers; 0 for a heading
  uint32_t heading;
};

struct TableState {
  PaletteEntry palette[COLOR_PALETTE_COUNT];
  int32_t transparent;  // -1: none
  Item items[310];
};

TableState* stateOf(ColorTable* t) { return static_cast<TableState*>(t->state); }

void colorGet(ColorTable* t, uint32_t entry, uint32_t* red, uint32_t* green, uint32_t* blue) {
  uint32_t word = entry < COLOR_PALETTE_COUNT ? stateOf(t)->palette[entry].current : 0;
  *red = word >> 10 & 31;
  *green = word >> 5 & 31;
  *blue = word & 31;
}

void colorSet(ColorTable* t, uint32_t entry, uint32_t red, uint32_t green, uint32_t blue) {
  if (entry >= COLOR_PALETTE_COUNT || red > 31 || green > 31 || blue > 31) return;
  stateOf(t)->palette[entry].current = 0x8000 | red << 10 | green << 5 | blue;
}

int colorIsChanged(ColorTable* t, uint32_t entry) {
  if (entry >= COLOR_PALETTE_COUNT) return 0;
  const PaletteEntry& p = stateOf(t)->palette[entry];
  return p.current != p.loaded;
}

void colorRestore(ColorTable* t, uint32_t entry) {
  if (entry < COLOR_PALETTE_COUNT) stateOf(t)->palette[entry].current = stateOf(t)->palette[entry].loaded;
}

int colorIsTransparent(ColorTable* t, uint32_t entry) {
  return entry < COLOR_PALETTE_COUNT && int32_t(entry) == stateOf(t)->transparent;
}

void colorToRgb8(ColorTable*, uint32_t* red, uint32_t* green, uint32_t* blue) {
  for (uint32_t* v : {red, green, blue}) *v = colorChannelToRgb8(*v);
}

void itemGetName(ColorTable* t, uint32_t item, char* buffer) {
  if (item < t->itemCount) g_strlcpy(buffer, stateOf(t)->items[item].name, COLOR_NAME_SIZE);
}

uint32_t itemGetColor(ColorTable* t, uint32_t item) {
  return item < t->itemCount ? stateOf(t)->items[item].current : 0;
}

void itemSetColor(ColorTable* t, uint32_t item, uint32_t entry) {
  if (item < t->itemCount && entry < COLOR_PALETTE_COUNT) stateOf(t)->items[item].current = entry;
}

// The items a heading stands for: from item + 1 up to the next heading.
uint32_t groupEnd(ColorTable* t, uint32_t heading) {
  uint32_t end = heading + 1;
  while (end < t->itemCount && !stateOf(t)->items[end].heading) end++;
  return end;
}

int itemIsChanged(ColorTable* t, uint32_t item) {
  if (item >= t->itemCount) return 0;
  const Item* items = stateOf(t)->items;
  if (!items[item].heading) return items[item].current != items[item].loaded;
  for (uint32_t i = item + 1; i < groupEnd(t, item); i++)
    if (items[i].current != items[i].loaded) return 1;
  return 0;
}

void itemRestore(ColorTable* t, uint32_t item) {
  if (item >= t->itemCount) return;
  Item* items = stateOf(t)->items;
  uint32_t end = items[item].heading ? groupEnd(t, item) : item + 1;
  for (uint32_t i = item; i < end; i++) items[i].current = items[i].loaded;
}

int itemIsHeading(ColorTable* t, uint32_t item) {
  return item < t->itemCount && stateOf(t)->items[item].heading;
}

void tableWriteBody(ColorTable* t, uint8_t* body) {
  const TableState* s = stateOf(t);
  for (uint32_t k = 0; k < COLOR_PALETTE_COUNT; k++)
    beSet16(body + COLOR_PALETTE_OFFSET + 2 * k, s->palette[k].current);
  for (uint32_t i = 0; i < t->itemCount; i++)
    beSet16(body + COLOR_ITEMS_OFFSET + 2 * i, s->items[i].heading ? 0 : s->items[i].current + 1);
}

void tableFree(ColorTable* t) {
  delete stateOf(t);
  t->state = nullptr;
}

}  // namespace

const ColorLayout* colorLayoutFind(uint32_t tag) {
  for (const ColorLayout& layout : LAYOUTS)
    if (layout.tag == tag) return &layout;
  return nullptr;
}

uint32_t colorChannelToRgb8(uint32_t value) { return value < 32 ? RGB8[value] : value; }

int colorMatch(ModulePool*, Module* module) {
  if (std::strncmp(moduleGetName(module), "rom_col", 7) != 0) return 0;
  uint32_t size = 0;
  MallocPtr<uint8_t> body(moduleGetBody(module, &size));
  if (!body || size < 2) return 0;
  const ColorLayout* layout = colorLayoutFind(beGet16(body.get()));
  return layout && size >= layout->minBodySize;
}

int colorTableInit(const uint8_t* body, uint32_t size, ColorTable* table,
                   const ColorLayout* layout) {
  *table = ColorTable{};
  if (size < layout->minBodySize) return 0;
  auto* s = new TableState{};
  for (uint32_t k = 0; k < COLOR_PALETTE_COUNT; k++)
    s->palette[k].loaded = s->palette[k].current = beGet16(body + COLOR_PALETTE_OFFSET + 2 * k);
  for (uint32_t i = 0; i < layout->itemCount; i++) {
    uint32_t word = beGet16(body + COLOR_ITEMS_OFFSET + 2 * i);
    s->items[i] = {layout->names[i], word ? word - 1 : 0, word ? word - 1 : 0, word == 0};
  }
  s->transparent = int32_t(beGet16(body + COLOR_TRANSPARENT_OFFSET)) - 1;
  *table = ColorTable{s,
                      {31, 31, 31},
                      COLOR_PALETTE_COUNT,
                      colorGet,
                      colorSet,
                      colorIsChanged,
                      colorRestore,
                      colorIsTransparent,
                      colorToRgb8,
                      layout->itemCount,
                      itemGetName,
                      itemGetColor,
                      itemSetColor,
                      itemIsChanged,
                      itemRestore,
                      itemIsHeading,
                      tableWriteBody,
                      tableFree};
  return 1;
}

uint32_t colorTableWord(ColorTable* t, uint32_t entry) {
  return entry < COLOR_PALETTE_COUNT ? stateOf(t)->palette[entry].current : 0;
}

void colorTableSetWord(ColorTable* t, uint32_t entry, uint32_t word) {
  if (entry < COLOR_PALETTE_COUNT) stateOf(t)->palette[entry].current = word & 0xFFFF;
}

int colorTableEdited(ColorTable* t) {
  for (uint32_t k = 0; k < t->paletteCount; k++)
    if (t->colorIsChanged(t, k)) return 1;
  for (uint32_t i = 0; i < t->itemCount; i++)
    if (!t->itemIsHeading(t, i) && t->itemIsChanged(t, i)) return 1;
  return 0;
}

int colorTableStore(ColorTable* t, Module* module, ModuleKeep* keep, uint8_t* body, uint32_t size,
                    char* err, size_t errSize) {
  if (!colorTableEdited(t)) {
    moduleStoreUnedited(module, keep);
    return 1;
  }
  t->tableWriteBody(t, body);
  return moduleStoreEdited(module, keep, body, size, err, errSize);
}

int colorStoreCheck(Module* module, char* err, size_t errSize) {
  if (!colorMatch(nullptr, module)) return 0;
  uint32_t size = 0;
  MallocPtr<uint8_t> body(moduleGetBody(module, &size));
  MallocPtr<uint8_t> written(mallocCopy(body.get(), size));
  const ColorLayout* layout = colorLayoutFind(beGet16(body.get()));
  ColorTable table, again;
  colorTableInit(body.get(), size, &table, layout);
  table.tableWriteBody(&table, written.get());
  colorTableInit(written.get(), size, &again, layout);
  int result = 1;
  for (uint32_t k = 0; k < table.paletteCount && result > 0; k++) {
    uint32_t a[3], b[3];
    table.colorGet(&table, k, &a[0], &a[1], &a[2]);
    again.colorGet(&again, k, &b[0], &b[1], &b[2]);
    if (std::memcmp(a, b, sizeof a) == 0) continue;
    std::snprintf(err, errSize, "its table would not read back: entry %u comes back otherwise", k);
    result = -1;
  }
  for (uint32_t i = 0; i < table.itemCount && result > 0; i++) {
    if (table.itemGetColor(&table, i) == again.itemGetColor(&again, i) &&
        table.itemIsHeading(&table, i) == again.itemIsHeading(&again, i))
      continue;
    std::snprintf(err, errSize, "its table would not read back: item %u comes back otherwise", i);
    result = -1;
  }
  table.tableFree(&table);
  again.tableFree(&again);
  return result;
}

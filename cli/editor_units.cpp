// SPDX-License-Identifier: MIT
#include "cli/editor_units.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "pool/be.h"
#include "tabs/strings/translation_file.h"

namespace {

int fail(char* err, size_t errSize, const std::string& why) {
  return errorSet(err, errSize, "%s", why.c_str());
}

std::string word32(uint32_t v) {
  std::string s(4, '\0');
  beSet32(reinterpret_cast<uint8_t*>(s.data()), v);
  return s;
}

uint32_t word32At(const std::string& s, size_t at) {
  return beGet32(reinterpret_cast<const uint8_t*>(s.data()) + at);
}

StringEntry* entryAt(EditorModule* m, uint32_t i) {
  return static_cast<StringEntry*>(listGet(m->lm.entries, i));
}
FontGlyph* glyphAt(EditorModule* m, uint32_t code) {
  return static_cast<FontGlyph*>(listGet(m->glyphs, code - 1));
}
ImageEntry* pictureAt(EditorModule* m, uint32_t i) {
  return static_cast<ImageEntry*>(listGet(m->images->entries, i));
}

// A text's value: "A" absent, "R" and the bytes of an undecodable text,
// "T" and the text.
std::string textValue(const StringEntry* e) {
  if (!e->text) return "A";
  if (languageShowsRaw(e))
    return "R" + std::string(reinterpret_cast<const char*>(e->raw), e->rawLength);
  return std::string("T") + e->text;
}

std::string textShown(const std::string& value) {
  if (value[0] == 'A') return "absent";
  if (value[0] == 'R') {
    std::string hex = "raw ";
    char two[4];
    for (size_t i = 1; i < value.size(); i++) {
      std::snprintf(two, sizeof two, "%02x", static_cast<unsigned char>(value[i]));
      hex += two;
    }
    return hex;
  }
  std::string out = "\"";
  translationEscape(out, value.c_str() + 1);
  return out + "\"";
}

std::string colourShown(EditorModule* m, uint32_t word) {
  uint32_t r = word >> 10 & 31, g = word >> 5 & 31, b = word & 31;
  m->table.colorToRgb8(&m->table, &r, &g, &b);
  char text[16];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", r, g, b);
  return text;
}

std::string itemShown(const std::string& value) {
  if (value == "H") return "heading";
  const uint32_t entry = word32At(value, 1);
  return entry < COLOR_PALETTE_COUNT ? "entry " + std::to_string(entry)
                                     : "beyond (" + std::to_string(entry + 1) + ")";
}

// A picture's value: type, width, height, then its data.
std::string pictureValue(const ImageEntry* e) {
  return word32(uint32_t(e->type)) + word32(e->width) + word32(e->height) +
         std::string(reinterpret_cast<const char*>(e->data), e->size);
}

ImageEntry pictureOf(const std::string& value) {
  ImageEntry e = {};
  e.type = int(word32At(value, 0));
  e.width = word32At(value, 4);
  e.height = word32At(value, 8);
  e.size = uint32_t(value.size() - 12);
  e.data = reinterpret_cast<const uint8_t*>(value.data()) + 12;
  return e;
}

std::string pictureShown(const std::string& value) {
  const ImageEntry e = pictureOf(value);
  return std::to_string(e.width) + "x" + std::to_string(e.height) + " " + imageTypeText(e.type);
}

// Whether two pictures draw the same pixels (both drawable and equal).
bool picturesDrawAlike(const std::string& a, const std::string& b) {
  const ImageEntry x = pictureOf(a), y = pictureOf(b);
  if (x.type != y.type || x.width != y.width || x.height != y.height) return false;
  MallocPtr<uint8_t> p(imageToRgb(&x)), q(imageToRgb(&y));
  return p && q && std::memcmp(p.get(), q.get(), size_t(x.width) * x.height * 3) == 0;
}

}  // namespace

Units editorUnits(EditorModule* m) {
  Units units;
  switch (m->kind) {
    case EDITOR_STRINGS:
      for (uint32_t i = 0; i < listGetCount(m->lm.entries); i++)
        units[{UNIT_TEXT, i}] = textValue(entryAt(m, i));
      break;
    case EDITOR_FONTS: {
      const size_t cell = size_t(m->metrics.width) * m->metrics.height;
      for (uint32_t c = 1; c <= FONT_GLYPH_COUNT; c++) {
        const FontGlyph* g = glyphAt(m, c);
        std::string value = word32(g->width);
        for (size_t i = 0; i < cell; i++) value += g->pixels[i] ? '\xFF' : '\0';
        units[{UNIT_GLYPH, c}] = value;
      }
      break;
    }
    case EDITOR_COLORS:
      for (uint32_t k = 0; k < m->table.paletteCount; k++)
        units[{UNIT_ENTRY, k}] = word32(colorTableWord(&m->table, k));
      for (uint32_t i = 0; i < m->table.itemCount; i++)
        units[{UNIT_ITEM, i}] = m->table.itemIsHeading(&m->table, i)
                                    ? std::string("H")
                                    : "E" + word32(m->table.itemGetColor(&m->table, i));
      break;
    case EDITOR_IMAGES:
      for (uint32_t i = 0; i < listGetCount(m->images->entries); i++)
        units[{UNIT_PICTURE, i}] = pictureValue(pictureAt(m, i));
      break;
  }
  return units;
}

std::vector<uint32_t> editorGroupSizes(EditorModule* m) {
  std::vector<uint32_t> sizes;
  if (m->kind != EDITOR_STRINGS) return sizes;
  for (uint32_t i = 0; i < listGetCount(m->lm.entries); i++) {
    const StringEntry* e = entryAt(m, i);
    if (e->group >= sizes.size()) sizes.resize(e->group + 1, 0);
    sizes[e->group]++;
  }
  return sizes;
}

std::string editorUnitsShape(EditorModule* m) {
  switch (m->kind) {
    case EDITOR_STRINGS: {
      std::string shape = "groups";
      for (uint32_t size : editorGroupSizes(m)) shape += " " + std::to_string(size);
      return shape;
    }
    case EDITOR_FONTS:
      return "cell " + std::to_string(m->metrics.width) + "x" + std::to_string(m->metrics.height);
    case EDITOR_COLORS:
      return "items " + std::to_string(m->table.itemCount);
    case EDITOR_IMAGES:
      return "pictures of kind " + std::to_string(m->images->kind);
    default:
      return "";
  }
}

std::string editorUnitName(EditorModule* m, const UnitKey& key) {
  switch (key.kind) {
    case UNIT_TEXT: {
      const StringEntry* e =
          key.number < listGetCount(m->lm.entries) ? entryAt(m, key.number) : nullptr;
      return e ? "text " + std::to_string(e->group) + "/" + std::to_string(e->index)
               : "text #" + std::to_string(key.number);
    }
    case UNIT_GLYPH:
      return "glyph " + std::to_string(key.number);
    case UNIT_ENTRY:
      return "entry " + std::to_string(key.number);
    case UNIT_ITEM: {
      char name[COLOR_NAME_SIZE] = "";
      m->table.itemGetName(&m->table, key.number, name);
      return "item " + std::to_string(key.number) + " \"" + name + "\"";
    }
    default:
      return "picture " + std::to_string(key.number);
  }
}

std::string editorUnitChange(EditorModule* m, const UnitKey& key, const std::string* before,
                             const std::string* after) {
  auto side = [&](const std::string* value) -> std::string {
    if (!value) return "absent";
    switch (key.kind) {
      case UNIT_TEXT:
        return textShown(*value);
      case UNIT_ENTRY:
        return colourShown(m, word32At(*value, 0));
      case UNIT_ITEM:
        return itemShown(*value);
      case UNIT_PICTURE:
        return pictureShown(*value);
      default:
        return "width " + std::to_string(word32At(*value, 0));
    }
  };
  if (!before || !after) return side(before) + " -> " + side(after);
  if (key.kind == UNIT_GLYPH) {
    std::string change;
    const uint32_t a = word32At(*before, 0), b = word32At(*after, 0), W = m->metrics.width;
    if (a != b) change = "width " + std::to_string(a) + " -> " + std::to_string(b);
    std::string rows;
    for (uint32_t y = 0;
         W && 4 + size_t(y + 1) * W <= before->size() && 4 + size_t(y + 1) * W <= after->size();
         y++)
      if (before->compare(4 + size_t(y) * W, W, *after, 4 + size_t(y) * W, W) != 0)
        rows += " " + std::to_string(y);
    if (!rows.empty()) change += (change.empty() ? "rows" : ", rows") + rows;
    return change;
  }
  std::string change = side(before) + " -> " + side(after);
  if (key.kind == UNIT_ENTRY && side(before) == side(after)) change += " (bit 15)";
  if (key.kind == UNIT_PICTURE) {
    const ImageEntry e = pictureOf(*before);
    const bool drawn = e.type == IMAGE_BITMAP || e.type == IMAGE_PIXMAP15;
    change += drawn && !picturesDrawAlike(*before, *after) ? ", pixels changed" : ", data changed";
  }
  return change;
}

int editorUnitSet(EditorModule* m, const UnitKey& key, const std::string& value, char* err,
                  size_t errSize) {
  switch (key.kind) {
    case UNIT_TEXT: {
      if (key.number >= listGetCount(m->lm.entries))
        return fail(err, errSize, "the module has no such text");
      StringEntry* e = entryAt(m, key.number);
      if (value[0] == 'A' || !e->text)
        return fail(err, errSize, "a text cannot be made absent or present");
      if (value[0] == 'R')
        return fail(err, errSize, "its bytes cannot be decoded in " + std::string(m->lm.codePage));
      if (!languageTextFits(m->lm.codePage, value.c_str() + 1))
        return fail(err, errSize, "the text cannot be written in " + std::string(m->lm.codePage));
      languageEntryTake(e, value.c_str() + 1);
      return 1;
    }
    case UNIT_GLYPH: {
      FontGlyph* g = glyphAt(m, key.number);
      const size_t cell = size_t(m->metrics.width) * m->metrics.height;
      if (value.size() != 4 + cell) return fail(err, errSize, "the glyph is of another cell");
      g->width = std::min(word32At(value, 0), m->metrics.width);
      std::memcpy(g->pixels, value.data() + 4, cell);
      return 1;
    }
    case UNIT_ENTRY:
      colorTableSetWord(&m->table, key.number, word32At(value, 0));
      return 1;
    case UNIT_ITEM: {
      if (m->table.itemIsHeading(&m->table, key.number) || value == "H")
        return fail(err, errSize, "a heading cannot be made an item, nor an item a heading");
      const uint32_t entry = word32At(value, 1);
      if (entry >= COLOR_PALETTE_COUNT)
        return fail(err, errSize, "the entry lies beyond the palette");
      m->table.itemSetColor(&m->table, key.number, entry);
      return 1;
    }
    default: {
      if (key.number >= listGetCount(m->images->entries))
        return fail(err, errSize, "the module has no such picture");
      ImageEntry* e = pictureAt(m, key.number);
      const ImageEntry wanted = pictureOf(value);
      if (wanted.type != e->type || wanted.width != e->width || wanted.height != e->height)
        return fail(err, errSize,
                    "the picture is of another type or size (" + pictureShown(value) + ")");
      uint8_t* data = static_cast<uint8_t*>(
          std::calloc((wanted.size + 3) & ~size_t(3) ? (wanted.size + 3) & ~size_t(3) : 1, 1));
      if (wanted.size) std::memcpy(data, wanted.data, wanted.size);
      imageEntrySetData(e, data, wanted.size);
      return 1;
    }
  }
}

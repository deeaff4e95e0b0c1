// SPDX-License-Identifier: MIT
#include "tests/support/body_builders.h"

#include <glib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <vector>

#include "pool/be.h"
#include "pool/memory.h"
#include "tabs/fonts/font_codec.h"
#include "tabs/images/image_codec.h"
#include "tabs/strings/language_codec.h"

namespace {

// Where the groups of the two name lists begin.
const std::vector<uint32_t> GROUPS_0033 = {0,   21,  99,  108, 151, 154, 158, 169,
                                           174, 176, 269, 277, 282, 291, 298};
const std::vector<uint32_t> GROUPS_0035 = {0,   21,  99,  108, 114, 117, 121,
                                           132, 137, 139, 148, 154, 237};

// Printable ASCII, 32 to 126, in 5 x 7 dots: five columns per character,
// bit 0 the top row.
const uint8_t FONT_5X7[95 * 5] = {
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x5F, 0x00, 0x00, 0x00, 0x07, 0x00, 0x07, 0x00, 0x14, 0x7F, 0x14, 0x7F, 0x14, 0x24, 0x2A, 0x7F, 0x2A, 0x12,
    0x23, 0x13, 0x08, 0x64, 0x62, 0x36, 0x49, 0x55, 0x22, 0x50, 0x00, 0x05, 0x03, 0x00, 0x00, 0x00, 0x1C, 0x22, 0x41, 0x00, 0x00, 0x41, 0x22, 0x1C, 0x00,
    0x08, 0x2A, 0x1C, 0x2A, 0x08, 0x08, 0x08, 0x3E, 0x08, 0x08, 0x00, 0x50, 0x30, 0x00, 0x00, 0x08, 0x08, 0x08, 0x08, 0x08, 0x00, 0x60, 0x60, 0x00, 0x00,
    0x20, 0x10, 0x08, 0x04, 0x02, 0x3E, 0x51, 0x49, 0x45, 0x3E, 0x00, 0x42, 0x7F, 0x40, 0x00, 0x42, 0x61, 0x51, 0x49, 0x46, 0x21, 0x41, 0x45, 0x4B, 0x31,
    0x18, 0x14, 0x12, 0x7F, 0x10, 0x27, 0x45, 0x45, 0x45, 0x39, 0x3C, 0x4A, 0x49, 0x49, 0x30, 0x01, 0x71, 0x09, 0x05, 0x03, 0x36, 0x49, 0x49, 0x49, 0x36,
    0x06, 0x49, 0x49, 0x29, 0x1E, 0x00, 0x36, 0x36, 0x00, 0x00, 0x00, 0x56, 0x36, 0x00, 0x00, 0x00, 0x08, 0x14, 0x22, 0x41, 0x14, 0x14, 0x14, 0x14, 0x14,
    0x41, 0x22, 0x14, 0x08, 0x00, 0x02, 0x01, 0x51, 0x09, 0x06, 0x32, 0x49, 0x79, 0x41, 0x3E, 0x7E, 0x11, 0x11, 0x11, 0x7E, 0x7F, 0x49, 0x49, 0x49, 0x36,
    0x3E, 0x41, 0x41, 0x41, 0x22, 0x7F, 0x41, 0x41, 0x22, 0x1C, 0x7F, 0x49, 0x49, 0x49, 0x41, 0x7F, 0x09, 0x09, 0x01, 0x01, 0x3E, 0x41, 0x41, 0x51, 0x32,
    0x7F, 0x08, 0x08, 0x08, 0x7F, 0x00, 0x41, 0x7F, 0x41, 0x00, 0x20, 0x40, 0x41, 0x3F, 0x01, 0x7F, 0x08, 0x14, 0x22, 0x41, 0x7F, 0x40, 0x40, 0x40, 0x40,
    0x7F, 0x02, 0x04, 0x02, 0x7F, 0x7F, 0x04, 0x08, 0x10, 0x7F, 0x3E, 0x41, 0x41, 0x41, 0x3E, 0x7F, 0x09, 0x09, 0x09, 0x06, 0x3E, 0x41, 0x51, 0x21, 0x5E,
    0x7F, 0x09, 0x19, 0x29, 0x46, 0x46, 0x49, 0x49, 0x49, 0x31, 0x01, 0x01, 0x7F, 0x01, 0x01, 0x3F, 0x40, 0x40, 0x40, 0x3F, 0x1F, 0x20, 0x40, 0x20, 0x1F,
    0x7F, 0x20, 0x18, 0x20, 0x7F, 0x63, 0x14, 0x08, 0x14, 0x63, 0x03, 0x04, 0x78, 0x04, 0x03, 0x61, 0x51, 0x49, 0x45, 0x43, 0x00, 0x00, 0x7F, 0x41, 0x41,
    0x02, 0x04, 0x08, 0x10, 0x20, 0x41, 0x41, 0x7F, 0x00, 0x00, 0x04, 0x02, 0x01, 0x02, 0x04, 0x40, 0x40, 0x40, 0x40, 0x40, 0x00, 0x01, 0x02, 0x04, 0x00,
    0x20, 0x54, 0x54, 0x54, 0x78, 0x7F, 0x48, 0x44, 0x44, 0x38, 0x38, 0x44, 0x44, 0x44, 0x20, 0x38, 0x44, 0x44, 0x48, 0x7F, 0x38, 0x54, 0x54, 0x54, 0x18,
    0x08, 0x7E, 0x09, 0x01, 0x02, 0x08, 0x14, 0x54, 0x54, 0x3C, 0x7F, 0x08, 0x04, 0x04, 0x78, 0x00, 0x44, 0x7D, 0x40, 0x00, 0x20, 0x40, 0x44, 0x3D, 0x00,
    0x00, 0x7F, 0x10, 0x28, 0x44, 0x00, 0x41, 0x7F, 0x40, 0x00, 0x7C, 0x04, 0x18, 0x04, 0x78, 0x7C, 0x08, 0x04, 0x04, 0x78, 0x38, 0x44, 0x44, 0x44, 0x38,
    0x7C, 0x14, 0x14, 0x14, 0x08, 0x08, 0x14, 0x14, 0x18, 0x7C, 0x7C, 0x08, 0x04, 0x04, 0x08, 0x48, 0x54, 0x54, 0x54, 0x20, 0x04, 0x3F, 0x44, 0x40, 0x20,
    0x3C, 0x40, 0x40, 0x20, 0x7C, 0x1C, 0x20, 0x40, 0x20, 0x1C, 0x3C, 0x40, 0x30, 0x40, 0x3C, 0x44, 0x28, 0x10, 0x28, 0x44, 0x0C, 0x50, 0x50, 0x50, 0x3C,
    0x44, 0x64, 0x54, 0x4C, 0x44, 0x00, 0x08, 0x36, 0x41, 0x00, 0x00, 0x00, 0x7F, 0x00, 0x00, 0x00, 0x41, 0x36, 0x08, 0x00, 0x08, 0x04, 0x08, 0x10, 0x08,
};

}  // namespace

Bytes colorBody(uint16_t tag, uint16_t transparentReference, size_t tail) {
  const std::vector<uint32_t>& groups = tag == 0x0035 ? GROUPS_0035 : GROUPS_0033;
  uint32_t items = tag == 0x0035 ? 248 : 310;
  Bytes body(124 + 2 * items + tail);
  beSet16(body.data(), tag);
  for (uint32_t k = 0; k < 60; k++) {
    uint32_t r = (k * 5) % 32, g = (k * 11 + 7) % 32, b = (31 - k % 32);
    beSet16(body.data() + 2 + 2 * k, (k % 2 ? 0 : 0x8000) | r << 10 | g << 5 | b);
  }
  beSet16(body.data() + 122, transparentReference);
  for (uint32_t i = 0; i < items; i++) {
    bool heading = std::find(groups.begin(), groups.end(), i) != groups.end();
    beSet16(body.data() + 124 + 2 * i, heading ? 0 : 1 + (i * 7) % 60);
  }
  for (size_t i = 0; i < tail; i++) body[124 + 2 * items + i] = uint8_t(0xA5 + i);
  return body;
}

uint32_t colorItemWord(const Bytes& body, uint32_t item) { return beGet16(body.data() + 124 + 2 * item); }

void colorItemWordSet(Bytes& body, uint32_t item, uint16_t word) {
  beSet16(body.data() + 124 + 2 * item, word);
}

Bytes fontBody(uint32_t scale) {
  FontMetrics m = {6 * scale, 8 * scale, (6 * scale + 7) / 8};
  List* glyphs = listNew();
  for (uint32_t c = 1; c <= 255; c++) {
    auto* g = static_cast<FontGlyph*>(std::calloc(1, sizeof(FontGlyph)));
    g->code = c;
    g->pixels = static_cast<uint8_t*>(std::calloc(m.width * m.height, 1));
    g->width = c >= 32 && c < 127 ? m.width : m.width / 2;
    for (uint32_t x = 0; c >= 32 && c < 127 && x < 5 * scale; x++)
      for (uint32_t y = 0; y < 7 * scale; y++)
        if (FONT_5X7[(c - 32) * 5 + x / scale] >> (y / scale) & 1) g->pixels[y * m.width + x] = 0xFF;
    g->savedPixels = mallocCopy(g->pixels, m.width * m.height);
    listPush(glyphs, g);
  }
  uint32_t size = 0;
  MallocPtr<uint8_t> body(fontEncode(&m, glyphs, &size));
  fontGlyphsFree(glyphs);
  return Bytes(body.get(), body.get() + size);
}

Bytes fontBodyWidths(uint32_t scale, const std::vector<std::pair<uint8_t, uint32_t>>& widths) {
  Bytes body = fontBody(scale);
  FontMetrics m;
  List* glyphs = fontDecode(body.data(), uint32_t(body.size()), &m);
  for (auto [code, width] : widths) static_cast<FontGlyph*>(listGet(glyphs, code - 1))->width = width;
  uint32_t size = 0;
  MallocPtr<uint8_t> encoded(fontEncode(&m, glyphs, &size));
  fontGlyphsFree(glyphs);
  return Bytes(encoded.get(), encoded.get() + size);
}

Bytes fontBodyOverlapping(uint32_t width) {
  const uint32_t stream = FONT_RECORDS_OFFSET, table = stream + 2 * 255 + 1;  // odd
  const uint32_t rowBytes = (width + 7) / 8;
  Bytes b(table + 255 * rowBytes, 0);
  b[0] = uint8_t(width), b[1] = 255;
  beSet16(&b[2], table);
  for (uint32_t c = 1; c <= 255; c++) beSet16(&b[4 + 2 * (c - 1)], stream + c - 1);
  // References 128 to 254, never blank, never an end or an inline row; a
  // width byte of 128 or more reads as W.
  uint32_t state = 12345;
  for (uint32_t i = 0; i < 2 * 255; i++) {
    state = state * 1103515245 + 12345;
    b[stream + i] = uint8_t(128 + (state >> 16) % 127);
  }
  b[table] = uint8_t(rowBytes);
  std::fill(b.begin() + table + 1, b.begin() + table + rowBytes, 0xFF);
  for (uint32_t n = 1; n < 255; n++)
    for (uint32_t i = 0; i < rowBytes; i++) {
      state = state * 1103515245 + 12345;
      b[table + n * rowBytes + i] = rowBytes == 1 ? uint8_t(n) : uint8_t(state >> 16);
    }
  return b;
}

Bytes iconsBodyShared() {
  const uint32_t data = 12 + 4 * 36;
  Bytes b(data + 16, 0);
  beSet32(&b[0], 0x302);
  beSet32(&b[4], data + 16 + 4);
  beSet32(&b[8], 4);
  for (uint32_t i = 0; i < 4; i++) {
    uint8_t* r = &b[12 + 36 * i];
    beSet32(r, i == 2 ? data + 8 : data);
    beSet32(r + 4, 8);
    beSet16(r + 8, uint16_t(100 + i));
    beSet16(r + 10, 2);
    beSet16(r + 12, 2);
    r[14] = IMAGE_PIXMAP15;
    r[15] = uint8_t('a' + i);
  }
  const uint8_t pixels[16] = {0x7C, 0x00, 0x03, 0xE0, 0x00, 0x1F, 0x7F, 0xFF,
                              0x00, 0x00, 0x7F, 0xFF, 0x00, 0x00, 0x7F, 0xFF};
  std::copy(pixels, pixels + 16, b.begin() + data);
  return b;
}

Bytes imagesBody(int kind, const std::vector<ImagePicture>& images, uint32_t version) {
  std::vector<ImageEntry> entries(images.size());
  List* list = listNew();
  for (size_t i = 0; i < images.size(); i++) {
    const ImagePicture& picture = images[i];
    ImageEntry& e = entries[i];
    e.type = picture.type;
    e.width = picture.width;
    e.height = picture.height;
    e.size = uint32_t(picture.data.size());
    e.data = picture.data.data();
    e.id = picture.id;
    std::snprintf(e.name, sizeof e.name, "%s", picture.name.c_str());
    e.nameFull = picture.name.size() == IMAGE_ICON_NAME_FIELD;
    listPush(list, &e);
  }
  uint32_t size = 0;
  char err[ERROR_SIZE];
  MallocPtr<uint8_t> body(imageModuleEncode(kind, version, list, &size, err, sizeof err));
  listFree(list);
  return body ? Bytes(body.get(), body.get() + size) : Bytes();
}

Bytes languageBody(int layout, const std::vector<LanguageGroup>& groups, const char* codePage) {
  const uint32_t step = layout == LANGUAGE_LAYOUT_32 ? 4 : 2;
  const uint32_t groupCount = uint32_t(groups.size());
  const uint32_t start = layout == LANGUAGE_LAYOUT_32 ? 8 + 4 * groupCount : 2 * groupCount;
  std::vector<uint32_t> groupOffsets, offsets;
  uint32_t end = start;
  for (const LanguageGroup& g : groups) {
    groupOffsets.push_back(end);
    end += step * uint32_t(g.size());
  }
  // The pool: each distinct encoded text once, where its first user puts it.
  Bytes pool;
  std::map<std::string, uint32_t> placed;
  for (const LanguageGroup& g : groups)
    for (const std::optional<std::string>& text : g) {
      if (!text) {
        offsets.push_back(0);
        continue;
      }
      gsize length = 0;
      gchar* converted = g_convert(text->data(), gssize(text->size()), codePage, "UTF-8", nullptr,
                                   &length, nullptr);
      if (!converted) return Bytes();
      std::string encoded(converted, length);
      g_free(converted);
      auto [it, added] = placed.try_emplace(encoded, end + uint32_t(pool.size()));
      if (added) {
        pool.insert(pool.end(), encoded.begin(), encoded.end());
        pool.insert(pool.end(), encoded.empty() ? 2 : 1, 0);
      }
      offsets.push_back(it->second);
    }
  uint32_t highest = 0;
  for (uint32_t offset : offsets) highest = std::max(highest, offset);
  for (uint32_t offset : groupOffsets) highest = std::max(highest, offset);
  if (step == 2 && highest > 0xFFFF) return Bytes();
  Bytes body(end, 0);
  body.insert(body.end(), pool.begin(), pool.end());
  body.resize((body.size() + 3) & ~size_t(3), 0);
  if (step == 4) beSet32(body.data(), groupCount);
  for (size_t g = 0; g < groupOffsets.size(); g++) {
    if (step == 4)
      beSet32(&body[4 + 4 * g], groupOffsets[g]);
    else
      beSet16(&body[2 * g], groupOffsets[g]);
  }
  for (size_t i = 0; i < offsets.size(); i++) {
    if (step == 4)
      beSet32(&body[start + 4 * i], offsets[i]);
    else
      beSet16(&body[start + 2 * i], offsets[i]);
  }
  return body;
}

Bytes languageBodyTails(uint32_t n) {
  const uint32_t pool = 12 + 4 * n;
  Bytes b(pool + n + 1, 0);
  b.resize((b.size() + 3) & ~size_t(3), 0);
  beSet32(&b[0], 1);
  beSet32(&b[4], 12);
  for (uint32_t k = 0; k < n; k++) {
    beSet32(&b[12 + 4 * k], pool + k);
    b[pool + k] = uint8_t('a' + k % 26);
  }
  return b;
}

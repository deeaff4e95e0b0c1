// SPDX-License-Identifier: MIT
#include "tabs/fonts/font_coverage.h"

#include <glib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "tabs/fonts/font_bdf.h"
#include "tabs/strings/language_codec.h"

int languageByteUses(Module* language, uint32_t uses[256], char* err, size_t errSize) {
  std::memset(uses, 0, 256 * sizeof uses[0]);
  LanguageModule lm = {};
  lm.module = language;
  if (!readLanguageModule(&lm, err, errSize)) {
    languageModuleClear(&lm);
    return 0;
  }
  LanguageConverter toCodePage(lm.codePage, "UTF-8");
  for (uint32_t i = 0; i < listGetCount(lm.entries); i++) {
    auto* e = static_cast<StringEntry*>(listGet(lm.entries, i));
    if (!e->text) continue;
    char* converted = nullptr;
    const uint8_t* bytes = e->raw;
    size_t length = e->rawLength;
    if (!bytes) {
      converted = toCodePage.convert(e->text, std::strlen(e->text), &length);
      bytes = reinterpret_cast<const uint8_t*>(converted);
    }
    bool used[256] = {};
    for (size_t k = 0; bytes && k < length; k++) used[bytes[k]] = true;
    for (uint32_t b = 1; b < 256; b++) uses[b] += used[b];
    std::free(converted);
  }
  languageModuleClear(&lm);
  return 1;
}

int fontGlyphBlank(const FontMetrics* metrics, const FontGlyph* g, const char* codePage) {
  const uint32_t width = std::min(g->width, metrics->width);
  if (width == 0) return 1;
  for (uint32_t y = 0; y < metrics->height; y++)
    for (uint32_t x = 0; x < width; x++)
      if (g->pixels[y * metrics->width + x]) return 0;
  return !g_unichar_isspace(fontCodePageChar(codePage, g->code));
}

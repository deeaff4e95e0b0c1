// SPDX-License-Identifier: MIT
// The character of a text that its code page lacks.
#include "tabs/strings/text_misfit.h"

#include <glib.h>

#include <cstdlib>

#include "tabs/strings/language_codec.h"

void languageMisfit(const char* codePage, const char* text, char* out, size_t size) {
  LanguageConverter toCodePage(codePage, "UTF-8");
  for (const char* p = text; g_utf8_validate(p, -1, nullptr) && *p; p = g_utf8_next_char(p)) {
    const size_t n = size_t(g_utf8_next_char(p) - p);
    size_t written = 0;
    char* converted = toCodePage.convert(p, n, &written);
    std::free(converted);
    if (converted) continue;
    g_snprintf(out, size, "\"%.*s\" (U+%04X) is not in %s", int(n), p, g_utf8_get_char(p), codePage);
    return;
  }
  g_snprintf(out, size, "the text cannot be written in %s", codePage);
}

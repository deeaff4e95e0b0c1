// SPDX-License-Identifier: MIT
// libFuzzer target: translationRead of a PO (first byte even) or TSV (odd) file. Refusals say why;
// a malformed file takes nothing; the texts, written and read back, are the same (but fuzzy PO ones).
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "tabs/strings/translation_file.h"
#include "tests/support/body_builders.h"

namespace {

// Tabs, quotes, newlines, an empty text, an absent one, an 8-bit letter, undecodable bytes.
struct Language {
  Language() {
    static const Bytes built = ModuleBuilder().name("Lng_German").body(languageBody(
        LANGUAGE_LAYOUT_32, {{"Ja", std::nullopt, "Nein", "Tab\t\"q\"", ""},
                             {"Line\nbreak", "Stra\u00DFe", "\xC2\x81"}}, "ISO-8859-1")).build();
    lm.module = moduleCreate(built.data(), built.size(), ARCH_4DAD, nullptr);
    char err[ERROR_SIZE];
    if (!lm.module || !readLanguageModule(&lm, err, sizeof err)) std::abort();
  }
  ~Language() { languageModuleClear(&lm); moduleFree(lm.module); }
  LanguageModule lm = {};
};

bool newlinesDiffer(const char* a, const char* b) {
  size_t x = std::strlen(a), y = std::strlen(b);
  if (!y) return false;
  return (x && a[0] == '\n') != (b[0] == '\n') || (x && a[x - 1] == '\n') != (b[y - 1] == '\n');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t length) {
  if (length == 0) return 0;
  const int format = bytes[0] % 2 ? TRANSLATION_TSV : TRANSLATION_PO;
  Language first, second;
  TranslationImport result = {};
  const char* text = reinterpret_cast<const char*>(bytes + 1);
  translationRead(&first.lm, text, length - 1, format, 1, &result);
  if ((result.refused && !result.refusals[0]) || (result.malformed && result.taken)) std::abort();
  translationImportClear(&result);

  size_t size = 0;
  char* file = translationWrite(&first.lm, nullptr, format, &size);
  translationRead(&second.lm, file, size, format, 0, &result);
  std::free(file);
  if (result.refused) std::abort();
  translationImportClear(&result);
  for (uint32_t i = 0; i < listGetCount(first.lm.entries); i++) {
    auto* a = static_cast<StringEntry*>(listGet(first.lm.entries, i));
    auto* b = static_cast<StringEntry*>(listGet(second.lm.entries, i));
    if (!a->text) continue;
    const bool leftAsRead = format == TRANSLATION_PO && !languageShowsRaw(a) &&
                            newlinesDiffer(a->originalText, a->text);
    const char* expected = leftAsRead ? a->originalText : a->text;
    if (std::strcmp(expected, b->text) != 0 || languageShowsRaw(a) != languageShowsRaw(b))
      std::abort();
  }
  return 0;
}

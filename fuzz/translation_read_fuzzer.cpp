// SPDX-License-Identifier: MIT
// libFuzzer target: translationRead of an arbitrary PO (first byte even) or TSV (odd) file into
// a language module of the test builders, applying what it can. A file refused as malformed
// must take nothing. The texts it leaves are written out with translationWrite, and reading
// that file into the module as read must give every entry the same text, but for PO entries
// the export marks fuzzy (the text and the original differ in a leading or trailing newline),
// which an import leaves as read. Anything else aborts (input kept).
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <glib.h>

#include "pool/module.h"
#include "tabs/strings/translation_file.h"
#include "tests/support/body_builders.h"

namespace {

StringEntry* entryAt(const LanguageModule& lm, uint32_t i) {
  return static_cast<StringEntry*>(listGet(lm.entries, i));
}

// The module of every read: texts with tabs, quotes, newlines, an empty one, an absent entry,
// an 8-bit letter and bytes CP1252 cannot decode.
struct Language {
  Language() {
    static const Bytes built = ModuleBuilder()
                                   .name("Lng_German")
                                   .body(languageBody(LANGUAGE_LAYOUT_32,
                                                      {{"Ja", std::nullopt, "Nein", "Tab\t\"q\"", ""},
                                                       {"Line\nbreak", "Stra\u00DFe", "\xC2\x81"}},
                                                      "ISO-8859-1"))
                                   .build();
    lm.module = moduleCreate(built.data(), built.size(), ARCH_4DAD, nullptr);
    char err[ERROR_SIZE];
    if (!lm.module || !readLanguageModule(&lm, err, sizeof err)) std::abort();
  }
  ~Language() {
    languageModuleClear(&lm);
    moduleFree(lm.module);
  }
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
  translationRead(&first.lm, reinterpret_cast<const char*>(bytes + 1), length - 1, format, 1, &result);
  if (result.refused && !result.refusals[0]) std::abort();
  if (result.malformed && result.taken) std::abort();
  translationImportClear(&result);

  size_t size = 0;
  char* file = translationWrite(&first.lm, nullptr, format, &size);
  translationRead(&second.lm, file, size, format, 0, &result);
  std::free(file);
  if (result.refused) std::abort();
  translationImportClear(&result);
  for (uint32_t i = 0; i < listGetCount(first.lm.entries); i++) {
    const StringEntry* a = entryAt(first.lm, i);
    const StringEntry* b = entryAt(second.lm, i);
    if (!a->text) continue;
    const bool leftAsRead = format == TRANSLATION_PO && !languageShowsRaw(a) && newlinesDiffer(a->originalText, a->text);
    const char* expected = leftAsRead ? a->originalText : a->text;
    if (std::strcmp(expected, b->text) != 0 || languageShowsRaw(a) != languageShowsRaw(b)) std::abort();
  }
  return 0;
}

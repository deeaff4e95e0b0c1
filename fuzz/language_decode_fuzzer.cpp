// SPDX-License-Identifier: MIT
// libFuzzer target: readLanguageModule of a module whose name comes from the first byte (even:
// "Lng_German", CP1252; odd: "Lng_Russian", CP1251) and whose body is the rest. A refusal must
// say why. An accepted module stored unedited must keep its bytes. Its body rebuilt with
// languageModuleEncode (a refusal must say why) must read back with the same layout, groups
// and entries (group, index, presence, text, or the kept bytes of an undecodable text), and
// rebuilding that reading again must give the same bytes. Anything else aborts (input kept).
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "pool/memory.h"
#include "pool/module.h"
#include "tabs/strings/language_codec.h"
#include "tests/support/module_builder.h"

namespace {

StringEntry* entryAt(List* entries, uint32_t i) {
  return static_cast<StringEntry*>(listGet(entries, i));
}

Bytes bodyOf(Module* m) {
  uint32_t size = 0;
  MallocPtr<uint8_t> body(moduleGetBody(m, &size));
  return body ? Bytes(body.get(), body.get() + size) : Bytes();
}

bool entrySame(const StringEntry* x, const StringEntry* y) {
  if (x->group != y->group || x->index != y->index || !x->text != !y->text) return false;
  if (!x->text) return true;
  if (!x->raw != !y->raw) return false;
  if (x->raw) return x->rawLength == y->rawLength && std::memcmp(x->raw, y->raw, x->rawLength) == 0;
  return std::strcmp(x->text, y->text) == 0;
}

bool languageSame(const LanguageModule& a, const LanguageModule& b) {
  if (a.layout != b.layout || a.groupCount != b.groupCount ||
      std::memcmp(a.groupOffsets, b.groupOffsets, a.groupCount * sizeof a.groupOffsets[0]) != 0 ||
      listGetCount(a.entries) != listGetCount(b.entries))
    return false;
  for (uint32_t i = 0; i < listGetCount(a.entries); i++)
    if (!entrySame(entryAt(a.entries, i), entryAt(b.entries, i))) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t length) {
  if (length == 0) return 0;
  const char* name = bytes[0] % 2 ? "Lng_Russian" : "Lng_German";
  Bytes built = ModuleBuilder().name(name).body(Bytes(bytes + 1, bytes + length)).build();
  Module* module = moduleCreate(built.data(), built.size(), ARCH_4DAD, nullptr);
  if (!module) std::abort();
  char err[ERROR_SIZE] = "";
  LanguageModule first = {};
  first.module = module;
  if (!readLanguageModule(&first, err, sizeof err)) {
    if (!err[0]) std::abort();
    languageModuleClear(&first);
    moduleFree(module);
    return 0;
  }
  // Nothing edited: the store keeps the module's bytes, whatever their layout.
  const Bytes before = bodyOf(module);
  ModuleKeep keep;
  if (!writeLanguageModule(&first, &keep, err, sizeof err) || bodyOf(module) != before) std::abort();
  uint32_t size = 0;
  MallocPtr<uint8_t> encoded(languageModuleEncode(&first, &size, err, sizeof err));
  if (!encoded) {
    if (!err[0]) std::abort();
  } else {
    if (!moduleSetBody(module, encoded.get(), size)) std::abort();
    const Bytes written = bodyOf(module);
    LanguageModule again = {};
    again.module = module;
    uint32_t againSize = 0;
    MallocPtr<uint8_t> reencoded;
    if (!readLanguageModule(&again, err, sizeof err) || !languageSame(first, again) ||
        !(reencoded = MallocPtr<uint8_t>(languageModuleEncode(&again, &againSize, err, sizeof err))) ||
        Bytes(reencoded.get(), reencoded.get() + againSize) != written)
      std::abort();
    languageModuleClear(&again);
  }
  languageModuleClear(&first);
  moduleFree(module);
  return 0;
}

// SPDX-License-Identifier: MIT
// libFuzzer target: readLanguageModule of the input after its first byte (even: "Lng_German",
// CP1252; odd: "Lng_Russian", CP1251). Refusals must say why. Stored unedited, the module keeps
// its bytes; rebuilt, it reads back the same (layout, groups, every entry's key, presence, text
// or kept bytes) and rebuilds to the same bytes. Else it aborts.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "pool/memory.h"
#include "tabs/strings/language_codec.h"
#include "tests/support/module_builder.h"

namespace {

Bytes bodyOf(Module* m) {
  uint32_t size = 0;
  MallocPtr<uint8_t> body(moduleGetBody(m, &size));
  return body ? Bytes(body.get(), body.get() + size) : Bytes();
}

// The same key, presence, and text or undecodable bytes.
bool entrySame(const StringEntry* x, const StringEntry* y) {
  if (x->group != y->group || x->index != y->index || !x->text != !y->text || !x->raw != !y->raw)
    return false;
  if (x->raw) return x->rawLength == y->rawLength && std::memcmp(x->raw, y->raw, x->rawLength) == 0;
  return !x->text || std::strcmp(x->text, y->text) == 0;
}

bool languageSame(const LanguageModule& a, const LanguageModule& b) {
  const uint32_t n = listGetCount(a.entries);
  bool same = a.layout == b.layout && a.groupCount == b.groupCount && n == listGetCount(b.entries) &&
              std::memcmp(a.groupOffsets, b.groupOffsets, a.groupCount * sizeof a.groupOffsets[0]) == 0;
  for (uint32_t i = 0; same && i < n; i++)
    same = entrySame(static_cast<StringEntry*>(listGet(a.entries, i)),
                     static_cast<StringEntry*>(listGet(b.entries, i)));
  return same;
}

struct Read : LanguageModule {  // a module's texts as read, cleared when it goes
  ~Read() { languageModuleClear(this); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t length) {
  if (length == 0) return 0;
  const char* name = bytes[0] % 2 ? "Lng_Russian" : "Lng_German";
  Bytes built = ModuleBuilder().name(name).body(Bytes(bytes + 1, bytes + length)).build();
  std::unique_ptr<Module, void (*)(Module*)> module(
      moduleCreate(built.data(), built.size(), ARCH_4DAD, nullptr), moduleFree);
  char err[ERROR_SIZE] = "";
  Read first{}, again{};
  first.module = again.module = module.get();
  if (!module || !readLanguageModule(&first, err, sizeof err)) return err[0] ? 0 : (std::abort(), 0);
  const Bytes before = bodyOf(module.get());
  ModuleKeep keep;
  if (!writeLanguageModule(&first, &keep, err, sizeof err) || bodyOf(module.get()) != before)
    std::abort();
  uint32_t size = 0, againSize = 0;
  MallocPtr<uint8_t> encoded(languageModuleEncode(&first, &size, err, sizeof err)), reencoded;
  if (!encoded) return err[0] ? 0 : (std::abort(), 0);
  if (!moduleSetBody(module.get(), encoded.get(), size)) std::abort();
  const Bytes written = bodyOf(module.get());
  if (!readLanguageModule(&again, err, sizeof err) || !languageSame(first, again) ||
      !(reencoded = MallocPtr<uint8_t>(languageModuleEncode(&again, &againSize, err, sizeof err))) ||
      Bytes(reencoded.get(), reencoded.get() + againSize) != written)
    std::abort();
  return 0;
}

// SPDX-License-Identifier: MIT
// libFuzzer target: a "rombitmaps" (first byte even) or "romicons" body decoded, exported, drawn
// and, when it can be encoded, decoded again to the same entries; anything else aborts.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "pool/memory.h"
#include "pool/module.h"
#include "tabs/images/image_codec.h"
#include "tests/support/module_builder.h"

namespace {

const uint64_t SMALL_PIXELS = 1 << 16, DRAWN_PIXELS_MAX = 1 << 20;

ImageEntry* entryAt(List* entries, uint32_t i) { return static_cast<ImageEntry*>(listGet(entries, i)); }

bool entriesSame(List* a, List* b) {
  if (listGetCount(a) != listGetCount(b)) return false;
  for (uint32_t i = 0; i < listGetCount(a); i++) {
    const ImageEntry *x = entryAt(a, i), *y = entryAt(b, i);
    if (x->type != y->type || x->width != y->width || x->height != y->height || x->size != y->size ||
        x->id != y->id || std::strcmp(x->name, y->name) != 0 || (x->size && std::memcmp(x->data, y->data, x->size)))
      return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t length) {
  if (length == 0) return 0;
  Bytes built = ModuleBuilder().name(bytes[0] % 2 ? "romicons" : "rombitmaps").body(Bytes(bytes + 1, bytes + length)).build();
  Module* module = moduleCreate(built.data(), built.size(), ARCH_4DAD, nullptr);
  if (!module) std::abort();
  char err[ERROR_SIZE] = "";
  ImageModule* m = imageModuleDecode(module, err, sizeof err);
  if (!m && !err[0]) std::abort();
  // Export and drawing of up to a megapixel only slow the run; beyond it both refuse unallocated.
  for (uint32_t i = 0; m && i < listGetCount(m->entries); i++) {
    const ImageEntry* e = entryAt(m->entries, i);
    const uint64_t pixels = uint64_t(e->width) * e->height;
    size_t size = 0;
    if (pixels <= SMALL_PIXELS || pixels > DRAWN_PIXELS_MAX) std::free(imageExportBytes(e, &size)), std::free(imageToRgb(e));
  }
  uint32_t size = 0;
  MallocPtr<uint8_t> body(m ? imageModuleEncode(m->kind, m->version, m->entries, &size, err, sizeof err) : nullptr);
  if (body) {
    if (!moduleSetBody(module, body.get(), size)) std::abort();
    ImageModule* again = imageModuleDecode(module, err, sizeof err);
    if (!again || again->kind != m->kind || again->version != m->version || !entriesSame(m->entries, again->entries))
      std::abort();
    imageModuleFree(again);
  }
  if (m) imageModuleFree(m);
  moduleFree(module);
  return 0;
}

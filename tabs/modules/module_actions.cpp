// SPDX-License-Identifier: MIT
// Save module and Replace module, minus the dialogs.
#include "tabs/modules/module_actions.h"

#include <cstdio>
#include <cstring>

#include "pool/file_save.h"
#include "pool/memory.h"

namespace {

// Counted here because poolGet treats a bad index as a programming error.
Module* moduleAt(ModulePool* pool, uint32_t index, char* err, size_t errSize) {
  if (index < poolGetCount(pool)) return poolGet(pool, index);
  std::snprintf(err, errSize, "No module %u; the image has %u modules", index,
                poolGetCount(pool));
  return nullptr;
}

}  // namespace

ModulePool* moduleExtract(ModulePool* pool, uint32_t index, char* err, size_t errSize) {
  Module* m = moduleAt(pool, index, err, errSize);
  if (!m) return nullptr;
  uint32_t length = 0;
  MallocPtr<uint8_t> data(moduleGetData(m, &length));
  char text[ERROR_SIZE] = "";
  ModulePool* single = poolParse(data.get(), length, text, sizeof text);
  if (!single) std::snprintf(err, errSize, "%s", text);
  return single;
}

int moduleReplace(ModulePool* pool, uint32_t index, Module* replacement, char* err,
                  size_t errSize) {
  Module* old = moduleAt(pool, index, err, errSize);
  if (!old) return 0;
  // Names are shown escaped, so that one holding a newline stays on its line.
  char oldName[1024], newName[1024];
  textEscape(moduleGetName(old), oldName, sizeof oldName);
  textEscape(moduleGetName(replacement), newName, sizeof newName);
  if (moduleGetField(old, MF_SYNC) != moduleGetField(replacement, MF_SYNC)) {
    std::snprintf(err, errSize,
                  "\nUnable to replace module '%s'\nNew module has different architecture.",
                  oldName);
    return 0;
  }
  if (std::strcmp(moduleGetName(old), moduleGetName(replacement)) != 0) {
    std::snprintf(err, errSize,
                  "\nUnable to replace module '%s'\nNew module has different name: '%s'.",
                  oldName, newName);
    return 0;
  }
  // moduleSetData (not a swap of module objects) keeps the old saved CRC.
  uint32_t length = 0;
  MallocPtr<uint8_t> data(moduleGetData(replacement, &length));
  if (!moduleSetData(old, data.get(), length)) {
    std::snprintf(err, errSize, "\nUnable to replace module '%s'", oldName);
    return 0;
  }
  return 1;
}

// SPDX-License-Identifier: MIT
// The Modules tab's two actions on one module, save alone and replace,
// without the dialogs: shared by the tab and korvane-cli. No GTK here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "pool/pool.h"

// Returns a new one-module pool holding a copy of module `index` of pool,
// parity and CRC up to date, or null with a message in err (errSize bytes):
// no such module, or the copy failed to parse. The caller frees the pool.
ModulePool* moduleExtract(ModulePool* pool, uint32_t index, char* err, size_t errSize);

// Replaces module `index` of pool by a copy of `replacement` (which stays the
// caller's) once the index names a module, the sync words match and the names
// match byte for byte, checked in that order. The module keeps its saved CRC,
// so the pool counts as modified unless the bytes are the same. Returns 1, or
// 0 with the message in err, the pool untouched. Refusals begin with a newline
// and carry the names as raw bytes; the caller converts them for display.
// Requires: replacement not null.
int moduleReplace(ModulePool* pool, uint32_t index, Module* replacement, char* err, size_t errSize);

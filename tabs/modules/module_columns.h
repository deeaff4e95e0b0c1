// SPDX-License-Identifier: MIT
// The columns of the module list and their text formats, shared by the
// Modules tab and korvane-cli's listing. No GTK here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "pool/module.h"

enum ModuleColumn {
  MC_INDEX,
  MC_NAME,
  MC_SIZE,
  MC_TYPE,
  MC_ACCESS,
  MC_LANGUAGE,
  MC_ATTRIBUTE,
  MC_REVISION,
  MC_EDITION,
  MC_PARITY,
  MC_CRC,
  MC_COUNT
};

// Column titles, in order: "#", "Name", "Size", ...
extern const char* const MODULE_COLUMN_TITLES[MC_COUNT];

// Writes the text a column shows for module m at pool index `index` into out
// (at most size bytes, terminated). The name is the module's own bytes; the
// caller makes it fit its output. Parity and CRC are brought up to date.
void moduleColumnText(Module* m, uint32_t index, int column, char* out, size_t size);

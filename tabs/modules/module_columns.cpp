// SPDX-License-Identifier: MIT
// Text formats of the module list columns.
#include "tabs/modules/module_columns.h"

#include <cstdio>

const char* const MODULE_COLUMN_TITLES[MC_COUNT] = {
    "#",         "Name",     "Size",    "Type",   "Access", "Language",
    "Attribute", "Revision", "Edition", "Parity", "CRC",
};

void moduleColumnText(Module* m, uint32_t index, int column, char* out, size_t size) {
  uint32_t access;
  switch (column) {
    case MC_INDEX: std::snprintf(out, size, "%u", index); return;
    case MC_NAME: std::snprintf(out, size, "%s", moduleGetName(m)); return;
    case MC_SIZE: std::snprintf(out, size, "%u", moduleGetField(m, MF_SIZE)); return;
    case MC_TYPE: std::snprintf(out, size, "%s", moduleTypeName(moduleGetField(m, MF_TYPE))); return;
    case MC_ACCESS:
      // Groups 2, 1, 0: the reserved group 3 is not shown.
      access = moduleGetField(m, MF_ACCESS);
      std::snprintf(out, size, "%s%s%s", moduleAccessText(access, 2), moduleAccessText(access, 1),
                    moduleAccessText(access, 0));
      return;
    case MC_LANGUAGE: std::snprintf(out, size, "%02X", moduleGetField(m, MF_LANGUAGE)); return;
    case MC_ATTRIBUTE: std::snprintf(out, size, "%02X", moduleGetField(m, MF_ATTRIBUTE)); return;
    case MC_REVISION: std::snprintf(out, size, "%u", moduleGetField(m, MF_REVISION)); return;
    case MC_EDITION: std::snprintf(out, size, "%u", moduleGetField(m, MF_EDITION)); return;
    case MC_PARITY: std::snprintf(out, size, "%04X", moduleGetField(m, MF_PARITY)); return;
    case MC_CRC: std::snprintf(out, size, "%06X", moduleGetField(m, MF_CRC)); return;
    default: if (size) out[0] = '\0'; return;
  }
}

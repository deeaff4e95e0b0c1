// SPDX-License-Identifier: MIT
// Shell internals shared between its own files.
#pragma once

#include "pool/pool.h"

// Loads a file; on failure shows "Error loading file ..." and returns null.
ModulePool* shellLoadPool(const char* path);

// The last step of Quit, through the dialog table.
void shellQuitLoop();

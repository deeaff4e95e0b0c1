// SPDX-License-Identifier: MIT
// The record through which the shell drives a tab. Each tab constructor
// makes one; the shell keeps them for the life of the process.
#pragma once

#include "pool/pool.h"

struct TabHandler {
  // Gives the tab the pool to show; null (a page switch with no file loaded)
  // leaves the tab as it is.
  void (*load)(TabHandler* handler, ModulePool* pool);
  // Writes the tab's pending edits back into the modules of its pool.
  void (*commit)(TabHandler* handler);
  // Frees the record. The shell never calls it.
  void (*release)(TabHandler* handler);
};

// The usual release: the record came from g_new0.
void tabHandlerFree(TabHandler* handler);

// SPDX-License-Identifier: MIT
// Shell internals shared between its own files.
#pragma once

#include <gtk/gtk.h>

#include "pool/pool.h"

// Loads a file; on failure shows "Error loading file ..." and returns null.
ModulePool* shellLoadPool(const char* path);

// The last step of Quit, through the dialog table.
void shellQuitLoop();

// The refusals views report with shellStoreRefused during one commit: begin
// forgets earlier ones; show warns of those reported since (all of them, or
// only those their views had not told before) in one message box.
void shellRefusalsBegin();
void shellRefusalsShow(bool all);
// Installs the main window's own keys (tabs and inner pages) and the focus
// move into a page's main list when a tab is shown.
void shellPageKeysInstall(GtkWidget* window, GtkWidget* notebook);

// SPDX-License-Identifier: MIT
// The Strings tab.
#pragma once

#include <gtk/gtk.h>

#include "shell/tab_handler.h"

// Fills the Strings tab's page container and returns the tab's handler.
TabHandler* stringsTabNew(GtkWidget* container);

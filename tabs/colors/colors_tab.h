// SPDX-License-Identifier: MIT
// The Colors tab.
#pragma once

#include <gtk/gtk.h>

#include "shell/tab_handler.h"

// Fills the Colors tab's page container and returns the tab's handler.
TabHandler* colorsTabNew(GtkWidget* container);

// SPDX-License-Identifier: MIT
// The Fonts tab.
#pragma once

#include <gtk/gtk.h>

#include "shell/tab_handler.h"

// Fills the Fonts tab's page container and returns the tab's handler.
TabHandler* fontsTabNew(GtkWidget* container);

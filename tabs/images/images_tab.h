// SPDX-License-Identifier: MIT
// The Images tab.
#pragma once

#include <gtk/gtk.h>

#include "shell/tab_handler.h"

// Fills the Images tab's page container and returns the tab's handler.
TabHandler* imagesTabNew(GtkWidget* container);

// SPDX-License-Identifier: MIT
// List columns of a fixed width that never cut their titles: a width chosen
// in pixels may be too narrow for its title in the user's theme and font.
#pragma once

#include <gtk/gtk.h>

// Widens every fixed-width column of the list to its title's header, as
// drawn in the list's style, when the list is realized and when its style
// changes later; a column is never made narrower.
void treeViewTitlesFit(GtkWidget* treeView);

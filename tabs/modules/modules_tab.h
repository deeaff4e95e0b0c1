// SPDX-License-Identifier: MIT
// The Modules tab: lists every module of the loaded image and saves or
// replaces single modules from a right-click menu.
#pragma once

#include <gtk/gtk.h>

#include "shell/tab_handler.h"

// Fills the Modules tab's page container and returns the tab's handler.
TabHandler* modulesTabNew(GtkWidget* container);

// The tab's widgets, for the tests.
struct ModulesTabWidgets {
  GtkWidget* container;  // the page container
  GtkWidget* view;       // the module list
  GtkWidget* menu;       // the right-click menu
  GtkWidget* saveItem;
  GtkWidget* replaceItem;
};
const ModulesTabWidgets* modulesTabGetWidgets();

// The module index the menu acts on, or -1.
int modulesTabGetSelectedIndex();

// SPDX-License-Identifier: MIT
// One view of the Strings tab over one language module.
#pragma once

#include <gtk/gtk.h>

#include <vector>

#include "tabs/strings/language_codec.h"
#include "tabs/strings/translation_file.h"

// Which rows the list shows, as the popup menu's radio items name them.
enum StringFilter {
  FILTER_ALL,          // "Show all"
  FILTER_CHANGED,      // "Show changed"
  FILTER_SAME,         // "Show same as reference": the text equals the reference's
  FILTER_EMPTY,        // "Show empty"
  FILTER_UNDECODABLE,  // "Show undecodable"
  FILTER_COUNT
};

struct LanguageView {
  LanguageModule lm;  // the module, its body as read and its entries
  ModulePool* pool;
  GtkWidget* top;
  GtkWidget* treeView;
  GtkListStore* listStore;  // one unsigned column: the entry's number
  // By entry number, the entry's row in the store; -1 for an absent entry.
  std::vector<int> storeRows;
  // The editor open in a "Text" cell (a weak pointer) and its row. Its text
  // counts as entered when the tab is committed or the editor loses the
  // focus; only Escape drops it.
  GtkCellEditable* editable;
  gchar* editPath;
  bool malformed;         // the module could not be read: nothing is stored
  ModuleKeep keep;        // the module's block as loaded, once edited
  bool refusedStoreTold;  // the user was told once that the module cannot be stored

  // The list shows the store itself for FILTER_ALL, otherwise a filter model
  // over it made for the filter chosen; the "#" numbers never change.
  int filter;
  // The view of the language module the "Reference" column shows, or null;
  // by entry number, the reference's entry of the same key, or null.
  LanguageView* reference;
  std::vector<const StringEntry*> referenceEntries;
  GtkTreeViewColumn* referenceColumn;
  // The font the "Width" column measures with, while measuring.
  bool measuring;
  Module* font;
  guint32 fontCrc;  // the font's CRC when its widths were read
  TextMeasure measure;
  GtkTreeViewColumn* widthColumn;
  gchar* searchKey;  // the last type-ahead text, for F3 and Shift+F3

  // The list's popup menu and its items, kept for the view's life.
  GtkWidget* menu;
  GtkWidget* filterItems[FILTER_COUNT];
  GtkWidget* referenceMenu;  // radio items: each other language module, then "None"
  GtkWidget* measureMenu;    // radio items: each font module, then "None"
  GtkWidget* exportItem;
  GtkWidget* importItem;
  bool menuSyncing;  // the view sets its radio items: their toggles are not choices

  ~LanguageView();
};

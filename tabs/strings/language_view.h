// One view of the Strings tab over one language module.
#pragma once

#include <gtk/gtk.h>

#include "tabs/strings/language_codec.h"

struct LanguageView {
  LanguageModule lm;  // the module, its body as read and its entries
  GtkWidget* treeView;
  GtkListStore* listStore;  // one unsigned column: the entry's number
  // The editor open in a "Text" cell (a weak pointer) and its row. Its text
  // counts as entered when the tab is committed or the editor loses the
  // focus; only Escape drops it.
  GtkCellEditable* editable;
  gchar* editPath;
  bool malformed;         // the module could not be read: nothing is stored
  bool refusedStoreTold;  // the user was told once that the module cannot be stored

  ~LanguageView();
};

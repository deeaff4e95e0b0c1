// The editor page: the shared frame of the Images, Colors, Strings and Fonts
// tabs. It shows an inner notebook with one view per matching module, and
// rebuilds the views only when the matching modules or their CRCs change.
#pragma once

#include <gtk/gtk.h>

#include "pool/list.h"
#include "pool/pool.h"

// One matching module and its view.
struct PageEntry {
  ModulePool* pool;
  Module* module;
  uint32_t crc;       // the module's CRC when the entry was made or last stored
  GtkWidget* widget;  // the view, or null until it is made
};

struct EditorPage {
  GtkWidget* container;  // the tab's page container; its single child is replaced
  // Non-zero when the module belongs to this page. Must not change it.
  int (*match)(ModulePool* pool, Module* module);
  // A new, not yet shown, view for the module. Its state lives under the
  // "private-data" key and is freed by a weak reference on the widget.
  GtkWidget* (*create)(ModulePool* pool, Module* module);
  // Writes the view's content into its module.
  void (*store)(GtkWidget* view);
  const char* emptyText;  // shown when no module matches
  List* entries;          // PageEntry*, in pool order
};

// Makes a page over container and shows emptyText in it. The page is never
// freed.
EditorPage* editorPageNew(GtkWidget* container, int (*match)(ModulePool*, Module*),
                          GtkWidget* (*create)(ModulePool*, Module*),
                          void (*store)(GtkWidget*), const char* emptyText);

// Rebuilds the page for pool (never null) unless the same modules of the same
// pool match with the same CRCs as before.
void editorPageLoad(EditorPage* page, ModulePool* pool);

// Stores every view into its module and records the modules' new CRCs, so
// that the page's own edits never make it rebuild itself. A view whose module
// was changed elsewhere since (its CRC differs from the entry's) is not
// stored: its old content must not overwrite the change.
void editorPageCommit(EditorPage* page);

struct IconArt;
struct TabHandler;

// Wires an editor tab to the shell: adds its page (icon above title) to the
// main notebook, makes its editor page with "No modules found" as the empty
// text, stores the page in *page, and returns the tab's handler, whose load
// and commit drive that page.
TabHandler* editorTabNew(const IconArt& icon, const char* title,
                         int (*match)(ModulePool*, Module*),
                         GtkWidget* (*create)(ModulePool*, Module*), void (*store)(GtkWidget*),
                         EditorPage** page);

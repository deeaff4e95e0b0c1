// SPDX-License-Identifier: MIT
// The editor page: the shared frame of the Images, Colors, Strings and Fonts
// tabs. It shows an inner notebook with one page per matching module, builds
// a page's view when the page is first shown (an image may hold hundreds of
// modules of a kind; most are never looked at), and rebuilds the views only
// when the matching modules or their CRCs change.
//
// For the authors of an editor:
// - match looks at names and the first bytes of a body, but a module it
//   accepts may still have no body (moduleGetBody returns null: not a data
//   module, or a name that does not precede the data). create must still
//   return a view (saying so), and store must then write nothing.
// - A view keeps its state in one record attached with viewSetRecord; the
//   record is deleted with the widget, without a store.
// - Views keep no timers or idle handlers: a rebuild may destroy a view at
//   any page switch, and a callback arriving later would find it gone.
// - A view may be built at any page switch, also while other pages' views
//   were never built: what a view needs of another module it reads from
//   the module itself, or from that module's view where one is built.
#pragma once

#include <gtk/gtk.h>

#include "pool/list.h"
#include "pool/pool.h"

struct EditorPage;

// One matching module, its page of the inner notebook and its view.
struct PageEntry {
  ModulePool* pool;
  Module* module;
  uint32_t crc;       // the module's CRC when the entry was made or last stored
  EditorPage* page;
  GtkWidget* slot;    // the notebook's page: an empty box until the view is put in
  GtkWidget* widget;  // the view, or null until its page is first shown
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
  // Modules of at least this many bytes take long to show (over 0.2 s): the
  // busy cursor is up while their views are built.
  uint32_t busySize;
};

// Makes a page over container and shows emptyText in it. No view is large
// enough for the busy cursor until busySize is set. The page is never freed.
EditorPage* editorPageNew(GtkWidget* container, int (*match)(ModulePool*, Module*),
                          GtkWidget* (*create)(ModulePool*, Module*),
                          void (*store)(GtkWidget*), const char* emptyText);

// Rebuilds the page for pool (never null) unless the same modules of the same
// pool match with the same CRCs as before. A rebuild destroys every view and
// makes one empty page per module; the view of the page shown is built at
// once, the others when their pages are first shown.
void editorPageLoad(EditorPage* page, ModulePool* pool);

// Stores every view built into its module and records the modules' new CRCs,
// so that the page's own edits never make it rebuild itself. A module whose
// view was never built is left as it is. A view whose module was changed
// elsewhere since (its CRC differs from the entry's) is not stored: its old
// content must not overwrite the change.
void editorPageCommit(EditorPage* page);

// The view on a page of an inner notebook, or null while the page was never
// shown.
GtkWidget* editorPageViewOf(GtkWidget* notebookPage);

// The tab label of the inner page that holds a view, or null while the view
// is on no page.
GtkWidget* editorViewTabLabel(GtkWidget* view);

struct TabHandler;

// Wires an editor tab to the shell: makes its editor page over the tab's
// page container with "No modules found" as the empty text and busySize
// (see EditorPage), and returns the tab's handler, whose load and commit
// drive that page.
TabHandler* editorTabNew(GtkWidget* container, int (*match)(ModulePool*, Module*),
                         GtkWidget* (*create)(ModulePool*, Module*), void (*store)(GtkWidget*),
                         uint32_t busySize);

// Attaches a view's record to its top widget under "private-data"; the record
// is deleted when the widget is destroyed. T comes from new.
template <class T>
void viewSetRecord(GtkWidget* top, T* record) {
  g_object_set_data(G_OBJECT(top), "private-data", record);
  g_object_weak_ref(G_OBJECT(top), [](gpointer data, GObject*) { delete static_cast<T*>(data); },
                    record);
}

// The record attached with viewSetRecord, or null.
template <class T>
T* viewGetRecord(GtkWidget* top) {
  return static_cast<T*>(g_object_get_data(G_OBJECT(top), "private-data"));
}

// SPDX-License-Identifier: MIT
// The editor page framework.
#include "shell/editor_page.h"

#include "pool/glib_memory.h"
#include "shell/shell.h"
#include "shell/tab_handler.h"

namespace {

PageEntry* entryAt(const List* entries, uint32_t i) {
  return static_cast<PageEntry*>(listGet(entries, i));
}

void entriesFree(List* entries, bool destroyWidgets) {
  for (uint32_t i = 0; i < listGetCount(entries); i++) {
    PageEntry* entry = entryAt(entries, i);
    if (destroyWidgets && entry->widget) gtk_widget_destroy(entry->widget);
    g_free(entry);
  }
  listFree(entries);
}

bool entriesEqual(const List* a, const List* b) {
  if (listGetCount(a) != listGetCount(b)) return false;
  for (uint32_t i = 0; i < listGetCount(a); i++) {
    const PageEntry* x = entryAt(a, i);
    const PageEntry* y = entryAt(b, i);
    if (x->pool != y->pool || x->module != y->module || x->crc != y->crc) return false;
  }
  return true;
}

GtkWidget* tabLabel(Module* module) {
  GCharPtr name(shellDisplayText(moduleGetName(module)));
  return gtk_label_new(name.get());
}

}  // namespace

EditorPage* editorPageNew(GtkWidget* container, int (*match)(ModulePool*, Module*),
                          GtkWidget* (*create)(ModulePool*, Module*),
                          void (*store)(GtkWidget*), const char* emptyText) {
  auto* page = g_new0(EditorPage, 1);
  page->container = container;
  page->match = match;
  page->create = create;
  page->store = store;
  page->emptyText = emptyText;
  page->entries = listNew();
  containerClear(container);
  gtk_container_add(GTK_CONTAINER(container), gtk_label_new(emptyText));
  return page;
}

void editorPageLoad(EditorPage* page, ModulePool* pool) {
  List* entries = listNew();
  for (uint32_t i = 0; i < poolGetCount(pool); i++) {
    Module* module = poolGet(pool, i);
    if (!page->match(pool, module)) continue;
    auto* entry = g_new0(PageEntry, 1);
    entry->pool = pool;
    entry->module = module;
    entry->crc = moduleGetField(module, MF_CRC);
    listPush(entries, entry);
  }
  // Nothing changed: keep every view with its state (scroll positions,
  // change marks, undo data).
  if (entriesEqual(entries, page->entries)) {
    entriesFree(entries, false);
    return;
  }
  // Create the new views before the old ones go, as the callbacks expect.
  for (uint32_t i = 0; i < listGetCount(entries); i++) {
    PageEntry* entry = entryAt(entries, i);
    entry->widget = page->create(entry->pool, entry->module);
  }
  entriesFree(page->entries, true);
  page->entries = entries;

  GtkWidget* shown;
  if (listGetCount(entries)) {
    shown = gtk_notebook_new();
    gtk_notebook_set_scrollable(GTK_NOTEBOOK(shown), TRUE);
    gtk_notebook_popup_disable(GTK_NOTEBOOK(shown));
    for (uint32_t i = 0; i < listGetCount(entries); i++) {
      PageEntry* entry = entryAt(entries, i);
      gtk_notebook_append_page(GTK_NOTEBOOK(shown), entry->widget, tabLabel(entry->module));
    }
  } else {
    shown = gtk_label_new(page->emptyText);
  }
  gtk_widget_show_all(shown);
  containerClear(page->container);
  gtk_container_add(GTK_CONTAINER(page->container), shown);
}

void editorPageCommit(EditorPage* page) {
  for (uint32_t i = 0; i < listGetCount(page->entries); i++) {
    PageEntry* entry = entryAt(page->entries, i);
    // A module changed elsewhere since its view was stored (replaced on the
    // Modules tab) keeps its new bytes: the view shows the old ones and is
    // rebuilt when the tab is next entered. The view's own edits were
    // stored when the user left the tab.
    if (moduleGetField(entry->module, MF_CRC) != entry->crc) continue;
    page->store(entry->widget);
    entry->crc = moduleGetField(entry->module, MF_CRC);
  }
}

namespace {

// The handler of an editor tab carries its page.
struct EditorTab {
  TabHandler handler;  // first, so the shell's record pointer is the tab's
  EditorPage* page;
};

void editorTabLoad(TabHandler* handler, ModulePool* pool) {
  if (pool) editorPageLoad(reinterpret_cast<EditorTab*>(handler)->page, pool);
}

void editorTabCommit(TabHandler* handler) {
  editorPageCommit(reinterpret_cast<EditorTab*>(handler)->page);
}

}  // namespace

TabHandler* editorTabNew(GtkWidget* container, int (*match)(ModulePool*, Module*),
                         GtkWidget* (*create)(ModulePool*, Module*), void (*store)(GtkWidget*)) {
  auto* tab = g_new0(EditorTab, 1);
  tab->handler.load = editorTabLoad;
  tab->handler.commit = editorTabCommit;
  tab->handler.release = tabHandlerFree;
  tab->page = editorPageNew(container, match, create, store, "No modules found");
  return &tab->handler;
}

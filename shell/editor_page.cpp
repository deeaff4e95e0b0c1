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

void entriesFree(List* entries) {
  for (uint32_t i = 0; i < listGetCount(entries); i++) g_free(entryAt(entries, i));
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

// A notebook maps only its current page, so a page is mapped exactly when
// it is first shown (and again on every later show).
void slotMapped(GtkWidget* slot, PageEntry* entry) {
  if (entry->widget) return;
  EditorPage* page = entry->page;
  if (moduleGetSize(entry->module) >= page->busySize) shellBusyUntilIdle(slot);
  entry->widget = page->create(entry->pool, entry->module);
  gtk_widget_show_all(entry->widget);
  gtk_box_pack_start(GTK_BOX(slot), entry->widget, TRUE, TRUE, 0);
}

// The notebook's popup, a menu item for each page, is made when it is first
// asked for (a right-click on the tabs, Shift+F10 or the Menu key on them):
// these handlers run before the notebook's own, which then pops it up.
// GTK's notebook would pop it for a right-click or a menu key anywhere in
// its pages too, over a view's own menu or a drag: those stop here.
gboolean popupAsked(GtkWidget* notebook, gpointer) {
  if (!gtk_widget_has_focus(notebook)) return TRUE;
  if (!GTK_NOTEBOOK(notebook)->menu) gtk_notebook_popup_enable(GTK_NOTEBOOK(notebook));
  return FALSE;
}

gboolean notebookPressed(GtkWidget* notebook, GdkEventButton* event, gpointer) {
  if (event->button != 3) return FALSE;
  if (gtk_get_event_widget(reinterpret_cast<GdkEvent*>(event)) != notebook) return TRUE;
  if (!GTK_NOTEBOOK(notebook)->menu) gtk_notebook_popup_enable(GTK_NOTEBOOK(notebook));
  return FALSE;
}

// A page chosen by the user (its tab, the notebook's popup, the keys): the
// focus goes to its list, as on the main notebook.
void innerSwitched(GtkNotebook*, gpointer, guint, gpointer) { shellFocusMainListLater(); }

// A notebook that shows its tabs or has its popup names every page again
// (tab, menu item) at each page added or removed: with hundreds of pages
// that costs the square of their number. So the tabs and the popup are off
// while pages come and go.
void notebookDrop(EditorPage* page) {
  GtkWidget* old = containerOnlyChild(page->container);
  if (old && GTK_IS_NOTEBOOK(old)) {
    gtk_notebook_popup_disable(GTK_NOTEBOOK(old));
    gtk_notebook_set_show_tabs(GTK_NOTEBOOK(old), FALSE);
  }
  containerClear(page->container);
}

// One empty page per entry, then the tabs; the popup that lists them comes
// when asked for.
GtkWidget* notebookMake(EditorPage* page) {
  GtkWidget* notebook = gtk_notebook_new();
  gtk_notebook_set_scrollable(GTK_NOTEBOOK(notebook), TRUE);
  gtk_notebook_set_show_tabs(GTK_NOTEBOOK(notebook), FALSE);
  for (uint32_t i = 0; i < listGetCount(page->entries); i++) {
    PageEntry* entry = entryAt(page->entries, i);
    entry->page = page;
    entry->slot = gtk_vbox_new(FALSE, 0);
    g_signal_connect(entry->slot, "map", G_CALLBACK(slotMapped), entry);
    gtk_widget_show(entry->slot);
    gtk_notebook_append_page(GTK_NOTEBOOK(notebook), entry->slot, tabLabel(entry->module));
  }
  gtk_notebook_set_show_tabs(GTK_NOTEBOOK(notebook), TRUE);
  g_signal_connect(notebook, "button-press-event", G_CALLBACK(notebookPressed), nullptr);
  g_signal_connect(notebook, "popup-menu", G_CALLBACK(popupAsked), nullptr);
  g_signal_connect_after(notebook, "switch-page", G_CALLBACK(innerSwitched), nullptr);
  return notebook;
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
  page->busySize = UINT32_MAX;
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
    entriesFree(entries);
    return;
  }
  // The old views go with their notebook, while their modules still live.
  notebookDrop(page);
  entriesFree(page->entries);
  page->entries = entries;
  GtkWidget* shown = listGetCount(entries) ? notebookMake(page) : gtk_label_new(page->emptyText);
  gtk_widget_show_all(shown);
  // Added to a page on screen, the notebook shows its first page: its view
  // is built here.
  gtk_container_add(GTK_CONTAINER(page->container), shown);
}

void editorPageCommit(EditorPage* page) {
  for (uint32_t i = 0; i < listGetCount(page->entries); i++) {
    PageEntry* entry = entryAt(page->entries, i);
    if (!entry->widget) continue;  // never shown: the module keeps its block
    // A module changed elsewhere since its view was stored (replaced on the
    // Modules tab) keeps its new bytes: the view shows the old ones and is
    // rebuilt when the tab is next entered. The view's own edits were
    // stored when the user left the tab.
    if (moduleGetField(entry->module, MF_CRC) != entry->crc) continue;
    page->store(entry->widget);
    entry->crc = moduleGetField(entry->module, MF_CRC);
  }
}

GtkWidget* editorPageViewOf(GtkWidget* notebookPage) { return containerOnlyChild(notebookPage); }

GtkWidget* editorViewTabLabel(GtkWidget* view) {
  GtkWidget* slot = gtk_widget_get_parent(view);
  GtkWidget* notebook = slot ? gtk_widget_get_parent(slot) : nullptr;
  return notebook && GTK_IS_NOTEBOOK(notebook) ? gtk_notebook_get_tab_label(GTK_NOTEBOOK(notebook), slot)
                                               : nullptr;
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
                         GtkWidget* (*create)(ModulePool*, Module*), void (*store)(GtkWidget*),
                         uint32_t busySize) {
  auto* tab = g_new0(EditorTab, 1);
  tab->handler.load = editorTabLoad;
  tab->handler.commit = editorTabCommit;
  tab->handler.release = tabHandlerFree;
  tab->page = editorPageNew(container, match, create, store, "No modules found");
  tab->page->busySize = busySize;
  return &tab->handler;
}

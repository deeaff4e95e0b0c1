// SPDX-License-Identifier: MIT
// The main window, its File menu and notebook, the current pool and the file
// commands Open, Save and Quit.
#include <cstdarg>

#include "pool/list.h"
#include "resources/icons.h"
#include "pool/glib_memory.h"
#include "shell/shell.h"
#include "shell/shell_private.h"

namespace {

// Process-wide shell state; alive for the whole run.
GtkWidget* mainWindow;
GtkWidget* notebook;
List* tabList;  // TabHandler*, in notebook order
ModulePool* currentPool;
GdkPixbuf* replaceIcon;  // never freed
ShellMenu menu;
bool windowOnScreen;      // the first map event has arrived
char* pathAtStart;  // a file waiting for it, a copy

TabHandler* tabAt(uint32_t index) { return static_cast<TabHandler*>(listGet(tabList, index)); }

// Hands a freshly loaded pool to the tabs, the visible one first, and only
// then frees the old pool: tabs drop their views of the old modules while
// those are still valid.
void installPool(ModulePool* pool) {
  if (uint32_t offset = poolGetAlignmentOffset(pool)) {
    char text[SHELL_TEXT_SIZE];
    shellFormatMessage(text, "\nData alignment found at offset 0x%08x\nFile opened in read only mode.",
                       offset);
    showWarning(text);
  }
  int current = gtk_notebook_get_current_page(GTK_NOTEBOOK(notebook));
  uint32_t count = listGetCount(tabList);
  if (current >= 0 && uint32_t(current) < count) tabAt(current)->load(tabAt(current), pool);
  for (uint32_t i = 0; i < count; i++)
    if (int(i) != current) tabAt(i)->load(tabAt(i), pool);
  ModulePool* old = currentPool;
  currentPool = pool;
  poolFree(old);
}

// The "Data not saved" question before data are discarded. Returns true
// when the command may go on.
bool settleUnsaved(const char* question) {
  commitAllTabs();
  shellRefusalsShow(true);
  if (!poolIsModified(currentPool)) return true;
  switch (askSaveFirst(question)) {
    case SAVE_NO: return true;
    case SAVE_YES:
      if (runSaveDialog(currentPool, nullptr) != SAVE_WRITTEN) return false;
      poolMarkSaved(currentPool);
      return true;
    default: return false;
  }
}

void onOpen(GtkMenuItem*, gpointer) {
  if (!settleUnsaved("Data not saved\nSave it before loading new file ?")) return;
  ModulePool* pool = runOpenDialog();
  if (pool) installPool(pool);
}

void onSave(GtkMenuItem*, gpointer) {
  if (!currentPool) return;
  commitAllTabs();
  shellRefusalsShow(true);
  if (runSaveDialog(currentPool, nullptr) == SAVE_WRITTEN) poolMarkSaved(currentPool);
}

void onQuit(GtkMenuItem*, gpointer) {
  if (!settleUnsaved("Data not saved\nSave it before exit ?")) return;
  // The tabs keep pointers into the pool: the window goes away first, so that
  // nothing draws from the freed modules.
  gtk_widget_hide(mainWindow);
  poolFree(currentPool);
  currentPool = nullptr;
  shellQuitLoop();
}

gboolean onDelete(GtkWidget*, GdkEvent*, gpointer) {
  onQuit(nullptr, nullptr);
  return TRUE;  // the window is never destroyed by the window manager
}

// Arrives before the notebook changes page: the current page is the one left.
void onSwitchPage(GtkNotebook* book, gpointer, guint entered, gpointer) {
  uint32_t count = tabList ? listGetCount(tabList) : 0;
  int left = gtk_notebook_get_current_page(book);
  if (left >= 0 && uint32_t(left) < count) {
    shellRefusalsBegin();
    tabAt(left)->commit(tabAt(left));
    shellRefusalsShow(false);
  }
  if (entered < count) tabAt(entered)->load(tabAt(entered), currentPool);
}

GtkWidget* stockItem(GtkWidget* parent, const char* stock, GtkAccelGroup* accel,
                     void (*handler)(GtkMenuItem*, gpointer)) {
  GtkWidget* item = gtk_image_menu_item_new_from_stock(stock, accel);
  g_signal_connect(item, "activate", G_CALLBACK(handler), nullptr);
  gtk_menu_shell_append(GTK_MENU_SHELL(parent), item);
  return item;
}

// A file given at start-up waits for the X server to map the window, and
// then behind the window's first drawing, which runs before idle work.
gboolean openWhenIdle(gpointer path) {
  shellOpenFile(static_cast<const char*>(path));
  g_free(path);
  return FALSE;
}

gboolean onMapEvent(GtkWidget*, GdkEvent*, gpointer) {
  windowOnScreen = true;
  if (pathAtStart) g_idle_add(openWhenIdle, pathAtStart);
  pathAtStart = nullptr;
  return FALSE;
}

}  // namespace

void tabHandlerFree(TabHandler* handler) { g_free(handler); }

void shellWindowNew(const TabPage* pages, size_t count) {
  mainWindow = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  g_signal_connect(mainWindow, "delete_event", G_CALLBACK(onDelete), nullptr);
  g_signal_connect(mainWindow, "map-event", G_CALLBACK(onMapEvent), nullptr);
  gtk_container_set_border_width(GTK_CONTAINER(mainWindow), 2);
  GtkWidget* vbox = gtk_vbox_new(FALSE, 0);
  gtk_container_add(GTK_CONTAINER(mainWindow), vbox);
  gtk_window_set_title(GTK_WINDOW(mainWindow), "Korvane 2.6");
  GList* icons = iconProgramList();
  gtk_window_set_icon_list(GTK_WINDOW(mainWindow), icons);
  g_list_free_full(icons, g_object_unref);
  replaceIcon = iconPixbufNew(ICON_REPLACE);

  GtkAccelGroup* accel = gtk_accel_group_new();
  gtk_window_add_accel_group(GTK_WINDOW(mainWindow), accel);
  GtkWidget* fileMenu = gtk_menu_new();
  menu.open = stockItem(fileMenu, GTK_STOCK_OPEN, accel, onOpen);
  menu.save = stockItem(fileMenu, GTK_STOCK_SAVE, accel, onSave);
  gtk_menu_shell_append(GTK_MENU_SHELL(fileMenu), gtk_separator_menu_item_new());
  menu.quit = stockItem(fileMenu, GTK_STOCK_QUIT, accel, onQuit);
  g_object_unref(accel);

  GtkWidget* menuBar = gtk_menu_bar_new();
  gtk_box_pack_start(GTK_BOX(vbox), menuBar, FALSE, FALSE, 0);
  gtk_widget_show(menuBar);
  menu.file = gtk_menu_item_new_with_mnemonic("_File");
  gtk_menu_shell_append(GTK_MENU_SHELL(menuBar), menu.file);
  gtk_menu_item_set_submenu(GTK_MENU_ITEM(menu.file), fileMenu);

  notebook = gtk_notebook_new();
  gtk_notebook_set_show_tabs(GTK_NOTEBOOK(notebook), TRUE);
  g_signal_connect(notebook, "switch-page", G_CALLBACK(onSwitchPage), nullptr);
  shellPageKeysInstall(mainWindow, notebook);
  gtk_box_pack_start(GTK_BOX(vbox), notebook, TRUE, TRUE, 0);

  // The notebook switches to the first page as it is appended; the tab list
  // is still empty then, so the switch handler does nothing.
  tabList = listNew();
  for (size_t i = 0; i < count; i++) {
    GdkPixbuf* icon = iconPixbufNew(*pages[i].icon);
    GtkWidget* container = addTabPage(icon, pages[i].title);
    if (icon) g_object_unref(icon);
    listPush(tabList, pages[i].create(container));
  }

  gtk_widget_show_all(mainWindow);
  gtk_widget_set_size_request(mainWindow, 700, 580);
  gtk_window_set_resizable(GTK_WINDOW(mainWindow), FALSE);
}

void shellOpenFile(const char* path) {
  ModulePool* pool = shellLoadPool(path);
  if (pool) installPool(pool);
}

void shellOpenWhenShown(const char* path) {
  // The widget counts as mapped as soon as it is shown; the server's map
  // event comes later.
  char* copy = g_strdup(path);
  if (windowOnScreen) {
    g_idle_add(openWhenIdle, copy);
  } else {
    g_free(pathAtStart);
    pathAtStart = copy;
  }
}

GtkWidget* addTabPage(GdkPixbuf* icon, const char* title) {
  GtkWidget* label = gtk_vbox_new(FALSE, 0);
  gtk_box_pack_start(GTK_BOX(label), gtk_image_new_from_pixbuf(icon), FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(label), gtk_label_new(title), FALSE, FALSE, 0);
  gtk_widget_show_all(label);
  GtkWidget* container = gtk_vbox_new(FALSE, 0);
  gtk_container_set_border_width(GTK_CONTAINER(container), 6);
  gtk_notebook_append_page(GTK_NOTEBOOK(notebook), container, label);
  return container;
}

void containerClear(GtkWidget* container) {
  GList* children = gtk_container_get_children(GTK_CONTAINER(container));
  for (GList* c = children; c; c = c->next) gtk_widget_destroy(GTK_WIDGET(c->data));
  g_list_free(children);
}

GtkWidget* containerOnlyChild(GtkWidget* container) {
  GList* children = gtk_container_get_children(GTK_CONTAINER(container));
  GtkWidget* child = children && !children->next ? GTK_WIDGET(children->data) : nullptr;
  g_list_free(children);
  return child;
}

namespace {

GdkWindow* busyWindow;  // the window showing the busy cursor, referenced
guint busySource;

// At the default idle priority, behind the redraws of the work just done.
gboolean busyEnd(gpointer) {
  gdk_window_set_cursor(busyWindow, nullptr);
  g_object_unref(busyWindow);
  busyWindow = nullptr;
  busySource = 0;
  return FALSE;
}

}  // namespace

void shellBusyUntilIdle(GtkWidget* widget) {
  GdkWindow* window = gtk_widget_get_window(gtk_widget_get_toplevel(widget));
  if (busySource || !window) return;
  GdkCursor* watch = gdk_cursor_new_for_display(gdk_drawable_get_display(window), GDK_WATCH);
  gdk_window_set_cursor(window, watch);
  gdk_cursor_unref(watch);
  gdk_flush();
  busyWindow = GDK_WINDOW(g_object_ref(window));
  busySource = g_idle_add(busyEnd, nullptr);
}

void commitAllTabs() {
  if (!currentPool || !tabList) return;
  shellRefusalsBegin();
  for (uint32_t i = 0; i < listGetCount(tabList); i++) tabAt(i)->commit(tabAt(i));
}

GtkWidget* newReplaceIcon() { return gtk_image_new_from_pixbuf(replaceIcon); }

GtkWidget* shellGetMainWindow() { return mainWindow; }
GtkWidget* shellGetNotebook() { return notebook; }
ModulePool* shellGetCurrentPool() { return currentPool; }
List* shellGetTabList() { return tabList; }
const ShellMenu* shellGetMenu() { return &menu; }

void shellFormatMessage(char* out, const char* format, ...) {
  va_list args;
  va_start(args, format);
  g_vsnprintf(out, 1024, format, args);
  va_end(args);
}

gchar* shellDisplayText(const char* text) {
  if (g_utf8_validate(text, -1, nullptr)) return g_strdup(text);
  gchar* converted = g_convert(text, -1, "UTF-8", "ISO-8859-1", nullptr, nullptr, nullptr);
  return converted ? converted : g_strdup("?");
}

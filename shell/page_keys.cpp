// SPDX-License-Identifier: MIT
// The keys that turn the main window's tabs and the pages inside them, and
// the keyboard focus a shown page puts into its main list.
#include <gdk/gdkkeysyms.h>

#include "shell/shell.h"
#include "shell/shell_private.h"

namespace {

const char MAIN_LIST_KEY[] = "main-list";
guint focusSource;

// The page's main list, through an inner notebook's current view.
GtkWidget* mainListOf(GtkWidget* page) {
  for (int depth = 0; page && depth < 4; depth++) {
    if (auto* list = static_cast<GtkWidget*>(g_object_get_data(G_OBJECT(page), MAIN_LIST_KEY)))
      return list;
    if (GTK_IS_NOTEBOOK(page)) {
      GtkNotebook* book = GTK_NOTEBOOK(page);
      page = gtk_notebook_get_nth_page(book, gtk_notebook_get_current_page(book));
    } else if (GTK_IS_BIN(page) || GTK_IS_BOX(page)) {
      page = containerOnlyChild(page);
    } else {
      page = nullptr;
    }
  }
  return nullptr;
}

GtkWidget* currentPage() {
  GtkNotebook* book = GTK_NOTEBOOK(shellGetNotebook());
  return gtk_notebook_get_nth_page(book, gtk_notebook_get_current_page(book));
}

// Looks the list up when it runs: by then a page may have been rebuilt.
gboolean focusMainList(gpointer) {
  focusSource = 0;
  GtkWidget* list = mainListOf(currentPage());
  if (list && gtk_widget_get_toplevel(list) == shellGetMainWindow() &&
      gtk_widget_is_drawable(list))
    gtk_widget_grab_focus(list);
  return FALSE;
}

// Pages in a row wrap around, as GTK's own notebook keys do.
void pageTurn(GtkNotebook* book, int step) {
  const int count = gtk_notebook_get_n_pages(book);
  if (count > 0)
    gtk_notebook_set_current_page(book,
                                  (gtk_notebook_get_current_page(book) + step + count) % count);
}

// Alt+1 to Alt+9 and Ctrl+PgUp/PgDn choose a tab, Ctrl+Alt+PgUp/PgDn turn
// the pages inside it. Taken before any widget sees them: lists, notebooks
// and sliders bind Ctrl+PgUp/PgDn themselves (on a slider, a colour edit).
gboolean windowKeyPress(GtkWidget*, GdkEventKey* event, gpointer) {
  const guint mods = event->state & (GDK_CONTROL_MASK | GDK_MOD1_MASK | GDK_SHIFT_MASK);
  GtkNotebook* book = GTK_NOTEBOOK(shellGetNotebook());
  const guint key = event->keyval;
  const bool pageKey = key == GDK_Page_Up || key == GDK_Page_Down || key == GDK_KP_Page_Up ||
                       key == GDK_KP_Page_Down;
  const int step = key == GDK_Page_Up || key == GDK_KP_Page_Up ? -1 : 1;
  if (mods == GDK_MOD1_MASK && key >= GDK_1 && key <= GDK_9) {
    if (int(key - GDK_1) >= gtk_notebook_get_n_pages(book)) return FALSE;
    gtk_notebook_set_current_page(book, int(key - GDK_1));
  } else if (mods == GDK_CONTROL_MASK && pageKey) {
    pageTurn(book, step);
  } else if (mods == (GDK_CONTROL_MASK | GDK_MOD1_MASK) && pageKey) {
    // An editor tab's page holds its inner notebook alone.
    GtkWidget* inner = containerOnlyChild(currentPage());
    if (inner && GTK_IS_NOTEBOOK(inner)) pageTurn(GTK_NOTEBOOK(inner), step);
  } else {
    return FALSE;
  }
  shellFocusMainListLater();
  return TRUE;
}

// After the notebook's own handling, which may put the focus on the tab.
void pageSwitched(GtkNotebook*, gpointer, guint, gpointer) { shellFocusMainListLater(); }

}  // namespace

void shellSetMainList(GtkWidget* page, GtkWidget* list) {
  g_object_set_data(G_OBJECT(page), MAIN_LIST_KEY, list);
}

void shellFocusMainListLater() {
  if (!focusSource) focusSource = g_idle_add(focusMainList, nullptr);
}

void shellPageKeysInstall(GtkWidget* window, GtkWidget* notebook) {
  g_signal_connect(window, "key-press-event", G_CALLBACK(windowKeyPress), nullptr);
  g_signal_connect_after(notebook, "switch-page", G_CALLBACK(pageSwitched), nullptr);
}

// SPDX-License-Identifier: MIT
// The Palette's popup menu: the palette and the items out to and back from
// the files palette editors and spreadsheets use, as korvane-cli's
// colors-export and colors-import write and read them.
#include <cstring>

#include "pool/file_read.h"
#include "pool/file_save.h"
#include "pool/glib_memory.h"
#include "pool/memory.h"
#include "shell/shell.h"
#include "tabs/colors/color_view.h"
#include "tabs/colors/palette_file.h"

namespace {

// The folders of the last accepted export and import dialogs, for the run.
char exportFolderMemory[SHELL_TEXT_SIZE];
char importFolderMemory[SHELL_TEXT_SIZE];

// A palette file's format: a ".pal" name is JASC-PAL, and so is a file of
// another name that begins as one; anything else is read and written as a
// GIMP palette.
int paletteFormatFor(const char* path, const char* data = nullptr, size_t size = 0) {
  const int byName = paletteFormatOf(path);
  if (byName == PALETTE_PAL) return PALETTE_PAL;
  const size_t headerSize = std::strlen("JASC-PAL");
  if (byName != PALETTE_GPL && data && size >= headerSize && std::memcmp(data, "JASC-PAL", headerSize) == 0)
    return PALETTE_PAL;
  return PALETTE_GPL;
}

void exportFile(ColorView* view, bool items) {
  const char* name = moduleGetName(view->module);
  char suggested[SHELL_TEXT_SIZE], path[SHELL_TEXT_SIZE];
  g_snprintf(suggested, sizeof suggested, items ? "%s.items.tsv" : "%s.gpl", name);
  if (!shellChooseFile(items ? "Export Items" : "Export Palette", GTK_FILE_CHOOSER_ACTION_SAVE, exportFolderMemory,
                       suggested, path))
    return;
  size_t length = 0;
  MallocPtr<char> text(paletteWrite(&view->table, name, items ? PALETTE_ITEMS : paletteFormatFor(path), &length));
  char err[SHELL_TEXT_SIZE] = "", message[SHELL_TEXT_SIZE];
  if (fileSaveBytes(path, text.get(), length, err, sizeof err)) return;
  shellFormatMessage(message, "Unable to write the %s file.\n%s", items ? "items" : "palette", err);
  showError(message);
}

// The whole import is one undo step, and like every edit of the view it
// reaches the module when the tab is committed.
void importFile(ColorView* view, bool items) {
  char path[SHELL_TEXT_SIZE], message[SHELL_TEXT_SIZE], why[SHELL_TEXT_SIZE] = "";
  if (!shellChooseFile(items ? "Import Items" : "Import Palette", GTK_FILE_CHOOSER_ACTION_OPEN, importFolderMemory,
                       nullptr, path))
    return;
  size_t length = 0;
  MallocPtr<uint8_t> contents(fileReadAll(path, FILE_TEXT_LIMIT, &length, why, sizeof why));
  if (!contents) {
    shellFormatMessage(message, "Unable to read the %s file.\n%s", items ? "items" : "palette", why);
    showError(message);
    return;
  }
  const auto* data = reinterpret_cast<const char*>(contents.get());
  ColorTable* t = &view->table;
  view->history->begin();
  const uint32_t count = items ? t->itemCount : t->paletteCount;
  for (uint32_t k = 0; k < count; k++) view->history->note(items ? COLOR_UNDO_ITEM : COLOR_UNDO_ENTRY, k);
  char err[ERROR_SIZE] = "";
  char* notes = nullptr;
  const int read =
      paletteRead(t, data, length, items ? PALETTE_ITEMS : paletteFormatFor(path, data, length), &notes, err, sizeof err);
  view->history->end();
  GCharPtr shown(g_filename_display_basename(path));
  if (!read) {
    shellFormatMessage(message, "Unable to import %s:\n%s", shown.get(), err);
    showError(message);
    return;
  }
  for (uint32_t e = 0; !items && e < t->paletteCount; e++) colorViewRefreshEntry(view, int32_t(e));
  colorViewFollowItems(view);
  if (!notes) return;
  shellFormatMessage(message, "%s was imported.\n%s", shown.get(), notes);
  std::free(notes);
  showWarning(message);
}

GtkWidget* menuBuild(ColorView* view) {
  struct Action {
    const char* label;
    void (*run)(ColorView*, bool);
    bool items;
  };
  static const Action ACTIONS[] = {{"Export palette…", exportFile, false},
                                   {"Import palette…", importFile, false},
                                   {"Export items…", exportFile, true},
                                   {"Import items…", importFile, true}};
  GtkWidget* menu = gtk_menu_new();
  for (const Action& action : ACTIONS) {
    GtkWidget* item = gtk_menu_item_new_with_label(action.label);
    g_object_set_data(G_OBJECT(item), "action", const_cast<Action*>(&action));
    g_signal_connect(item, "activate", G_CALLBACK(+[](GtkMenuItem* item, ColorView* view) {
                       auto* a = static_cast<const Action*>(g_object_get_data(G_OBJECT(item), "action"));
                       a->run(view, a->items);
                     }),
                     view);
    gtk_menu_shell_append(GTK_MENU_SHELL(menu), item);
  }
  gtk_widget_show_all(menu);
  return menu;
}

// The swatch or the preview a widget is, or lies in; null for another.
GtkWidget* dragSourceOf(ColorView* view, GtkWidget* widget) {
  for (; widget && widget != view->palette; widget = gtk_widget_get_parent(widget)) {
    if (widget == view->preview || g_object_get_data(G_OBJECT(widget), "selrect")) return widget;
  }
  return nullptr;
}

// Button 3 on a swatch or the preview may start a drag: the menu waits for
// the release. Anywhere else in the frame it opens at once.
gboolean paletteButtonPress(GtkWidget*, GdkEventButton* event, ColorView* view) {
  if (event->type != GDK_BUTTON_PRESS || event->button != 3) return FALSE;
  view->pressed = dragSourceOf(view, gtk_get_event_widget(reinterpret_cast<GdkEvent*>(event)));
  if (view->pressed) return FALSE;
  gtk_menu_popup(GTK_MENU(view->menu), nullptr, nullptr, nullptr, nullptr, event->button, event->time);
  return TRUE;
}

// The release comes to the window the button went down in: over it still,
// and no drag began, it is a click. A drag ends with a release GTK sends
// while it still holds the pointer, which takes the press with it.
gboolean paletteButtonRelease(GtkWidget*, GdkEventButton* event, ColorView* view) {
  GtkWidget* pressed = view->pressed;
  view->pressed = nullptr;
  if (event->button != 3 || !pressed || event->window != gtk_widget_get_window(pressed)) return FALSE;
  GtkAllocation a;
  gtk_widget_get_allocation(pressed, &a);
  if (event->x < 0 || event->y < 0 || event->x >= a.width || event->y >= a.height) return FALSE;
  gtk_menu_popup(GTK_MENU(view->menu), nullptr, nullptr, nullptr, nullptr, event->button, event->time);
  return TRUE;
}

// Shift+F10 and the Menu key, from any widget of the frame that passes them
// on: the menu drops from the focus widget.
gboolean palettePopupMenu(GtkWidget* palette, ColorView* view) {
  GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(gtk_widget_get_toplevel(palette)));
  if (!focus || !gtk_widget_is_ancestor(focus, palette)) focus = palette;
  gtk_menu_popup(GTK_MENU(view->menu), nullptr, nullptr, shellMenuBelowWidget, focus, 0,
                 gtk_get_current_event_time());
  return TRUE;
}

// While nothing else in the frame can take the focus, the frame has it and
// shows it around its edge.
gboolean paletteExpose(GtkWidget* palette, GdkEventExpose* event, ColorView*) {
  if (!gtk_widget_has_focus(palette)) return FALSE;
  GtkAllocation a;
  gtk_widget_get_allocation(palette, &a);
  gtk_paint_focus(gtk_widget_get_style(palette), gtk_widget_get_window(palette), gtk_widget_get_state(palette),
                  &event->area, palette, nullptr, a.x + 1, a.y + 1, a.width - 2, a.height - 2);
  return FALSE;
}

}  // namespace

GtkWidget* paletteMenuAttach(ColorView* view, GtkWidget* frame) {
  GtkWidget* palette = view->palette = gtk_event_box_new();
  gtk_event_box_set_visible_window(GTK_EVENT_BOX(palette), FALSE);
  gtk_widget_add_events(palette, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK);
  gtk_container_add(GTK_CONTAINER(palette), frame);
  view->menu = menuBuild(view);
  g_signal_connect(palette, "button-press-event", G_CALLBACK(paletteButtonPress), view);
  g_signal_connect(palette, "button-release-event", G_CALLBACK(paletteButtonRelease), view);
  g_signal_connect(palette, "popup-menu", G_CALLBACK(palettePopupMenu), view);
  g_signal_connect_after(palette, "expose-event", G_CALLBACK(paletteExpose), view);
  return palette;
}


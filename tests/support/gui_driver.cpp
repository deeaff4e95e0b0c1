// SPDX-License-Identifier: MIT
#include "tests/support/gui_driver.h"

#include "pool/glib_memory.h"
#include "shell/editor_page.h"
#include "tabs/images/image_codec.h"
#include "tabs/pages.h"
#include "tabs/strings/language_codec.h"
#include "tests/support/body_builders.h"

namespace {

int quits;
DialogScript* activeScript;

DialogScript::Step scripted(const std::string& line, bool answered = true) {
  if (activeScript) return activeScript->next(line, answered);
  ADD_FAILURE() << "dialog without a script: " << line;
  return {GTK_RESPONSE_CANCEL, ""};
}

void scriptMessage(GtkMessageType type, const char* text) {
  scripted(std::string(type == GTK_MESSAGE_ERROR ? "error: " : "warning: ") + text, false);
}
int scriptQuestion(const char* text) { return scripted(std::string("question: ") + text).response; }

int scriptChooseFile(const char* title, GtkFileChooserAction, const char* folder,
                     const char* suggestedName, char* path, char* folderOut) {
  std::string line = std::string(title) + " in " + folder;
  DialogScript::Step step = scripted(suggestedName ? line + " as " + suggestedName : line);
  if (step.response != GTK_RESPONSE_ACCEPT) return 0;  // choose("") accepts no file
  g_strlcpy(path, step.path.c_str(), SHELL_TEXT_SIZE);
  g_strlcpy(folderOut, GCharPtr(g_path_get_dirname(path)).get(), SHELL_TEXT_SIZE);
  return 1;
}

const ShellDialogs SCRIPTED = {scriptMessage, scriptQuestion, scriptChooseFile, [] { quits++; }};

void flush() {
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
  gdk_window_process_all_updates();
}

gboolean sendEvent(GtkWidget* widget, GdkEvent* event, GdkWindow* window) {
  event->any.window = GDK_WINDOW(g_object_ref(window));
  gboolean handled = gtk_widget_event(widget, event);
  gdk_event_free(event);
  return handled;
}

}  // namespace

void guiStartShell(const TabPage* pages, size_t count) {
  if (shellGetMainWindow()) return;
  shellSetDialogs(&SCRIPTED);
  shellWindowNew(pages, count);
}

int guiQuitCount() { return quits; }

DialogScript::DialogScript() {
  if (activeScript) ADD_FAILURE() << "two dialog scripts alive at once";
  activeScript = this;
}

DialogScript::~DialogScript() {
  activeScript = nullptr;
  if (!steps_.empty()) ADD_FAILURE() << steps_.size() << " scripted answers never asked for";
}

DialogScript::Step DialogScript::next(const std::string& line, bool answered) {
  log.push_back(line);
  if (!answered) return {GTK_RESPONSE_CLOSE, ""};
  if (steps_.empty()) {
    ADD_FAILURE() << "unexpected dialog: " << line;
    return {GTK_RESPONSE_CANCEL, ""};
  }
  Step step = steps_.front();
  steps_.pop_front();
  return step;
}

bool guiWaitFor(const std::function<bool()>& done) {
  for (int i = 0; i < 500 && !done(); i++) {
    flush();
    if (!done()) g_usleep(10000);
  }
  return done();
}

void guiActivate(GtkWidget* item) { gtk_menu_item_activate(GTK_MENU_ITEM(item)); }

gboolean guiRightClickRow(GtkWidget* view, int row) {
  flush();
  GdkWindow* bin = gtk_tree_view_get_bin_window(GTK_TREE_VIEW(view));
  GdkRectangle area = {0, 0, 0, 0};
  if (row >= 0) {
    GtkTreePath* path = gtk_tree_path_new_from_indices(row, -1);
    gtk_tree_view_get_cell_area(GTK_TREE_VIEW(view), path, gtk_tree_view_get_column(GTK_TREE_VIEW(view), 1), &area);
    gtk_tree_path_free(path);
  } else {
    gdk_drawable_get_size(bin, &area.width, &area.height);
    area = {0, area.height - 4, area.width, 2};
  }
  GdkEvent* event = gdk_event_new(GDK_BUTTON_PRESS);
  event->button.x = area.x + area.width / 2.0;
  event->button.y = area.y + area.height / 2.0;
  event->button.button = 3;
  event->button.device = gdk_device_get_core_pointer();
  return sendEvent(view, event, bin);
}

gboolean guiKeyPress(GtkWidget* widget, guint keyval, guint state) {
  // Type-ahead needs the focus, in a window that has the keyboard.
  GtkWidget* top = gtk_widget_get_toplevel(widget);
  GdkEvent* focus = gdk_event_new(GDK_FOCUS_CHANGE);
  focus->focus_change.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(top)));
  focus->focus_change.in = TRUE;
  gtk_widget_send_focus_change(top, focus);
  gdk_event_free(focus);
  gtk_widget_grab_focus(widget);
  GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
  event->key.keyval = keyval;
  event->key.state = state;
  GdkKeymapKey* keys = nullptr;
  gint n = 0;
  if (gdk_keymap_get_entries_for_keyval(nullptr, keyval, &keys, &n) && n)
    event->key.hardware_keycode = guint16(keys[0].keycode);  // key bindings match by it
  g_free(keys);
  return sendEvent(widget, event, gtk_widget_get_window(widget));
}

namespace {

// The window has the keyboard, as the one window on screen would.
void windowFocus(GtkWidget* top) {
  if (gtk_window_has_toplevel_focus(GTK_WINDOW(top))) return;
  GdkEvent* focus = gdk_event_new(GDK_FOCUS_CHANGE);
  focus->focus_change.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(top)));
  focus->focus_change.in = TRUE;
  gtk_widget_send_focus_change(top, focus);
  gdk_event_free(focus);
}

void keySend(GdkEventType type, guint keyval, guint state, GtkWidget* window) {
  if (!window) window = shellGetMainWindow();
  windowFocus(window);
  GdkEvent* event = gdk_event_new(type);
  event->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(window)));
  event->key.keyval = keyval;
  event->key.state = state;
  event->key.time = GDK_CURRENT_TIME;
  GdkKeymapKey* keys = nullptr;
  gint n = 0;
  if (gdk_keymap_get_entries_for_keyval(nullptr, keyval, &keys, &n) && n)
    event->key.hardware_keycode = guint16(keys[0].keycode);
  g_free(keys);
  gtk_main_do_event(event);
  gdk_event_free(event);
}

}  // namespace

void guiKeyDown(guint keyval, guint state, GtkWidget* window) { keySend(GDK_KEY_PRESS, keyval, state, window); }
void guiKeyUp(guint keyval, guint state, GtkWidget* window) { keySend(GDK_KEY_RELEASE, keyval, state, window); }

void guiType(guint keyval, guint state, GtkWidget* window) {
  guiKeyDown(keyval, state, window);
  guiKeyUp(keyval, state, window);
}

void guiTypeText(const char* text) {
  for (const char* c = text; *c; c++) guiType(gdk_unicode_to_keyval(guchar(*c)));
}

GtkWidget* guiFocus() { return gtk_window_get_focus(GTK_WINDOW(shellGetMainWindow())); }

std::string guiCellText(GtkWidget* view, int column, int row) {
  GtkTreeModel* model = gtk_tree_view_get_model(GTK_TREE_VIEW(view));
  GtkTreeIter iter;
  if (!gtk_tree_model_iter_nth_child(model, &iter, nullptr, row)) return "<no row>";
  GtkTreeViewColumn* viewColumn = gtk_tree_view_get_column(GTK_TREE_VIEW(view), column);
  gtk_tree_view_column_cell_set_cell_data(viewColumn, model, &iter, FALSE, FALSE);
  GList* cells = gtk_cell_layout_get_cells(GTK_CELL_LAYOUT(viewColumn));
  gchar* text = nullptr;
  g_object_get(cells->data, "text", &text, nullptr);
  g_list_free(cells);
  return GCharPtr(text).get();
}

std::string guiLabelText(GtkWidget* w) { return GTK_IS_LABEL(w) ? gtk_label_get_text(GTK_LABEL(w)) : "<none>"; }

GtkWidget* guiOnlyChild(GtkWidget* container) {
  GList* children = gtk_container_get_children(GTK_CONTAINER(container));
  GtkWidget* child = children && !children->next ? GTK_WIDGET(children->data) : nullptr;
  g_list_free(children);
  return child;
}

GtkWidget* guiEditorView(int tab, int innerPage) {
  GtkNotebook* book = GTK_NOTEBOOK(shellGetNotebook());
  gtk_notebook_set_current_page(book, tab);
  GtkWidget* inner = guiOnlyChild(gtk_notebook_get_nth_page(book, tab));
  if (!inner || !GTK_IS_NOTEBOOK(inner) || innerPage >= gtk_notebook_get_n_pages(GTK_NOTEBOOK(inner)))
    return nullptr;
  gtk_notebook_set_current_page(GTK_NOTEBOOK(inner), innerPage);
  return editorPageViewOf(gtk_notebook_get_nth_page(GTK_NOTEBOOK(inner), innerPage));
}

GtkWidget* guiChildLabelled(GtkWidget* container, const std::string& text) {
  GList* children = gtk_container_get_children(GTK_CONTAINER(container));
  GtkWidget* found = nullptr;
  for (GList* c = children; c; c = c->next) {
    GtkWidget* w = GTK_WIDGET(c->data);
    const gchar* label = GTK_IS_BUTTON(w)      ? gtk_button_get_label(GTK_BUTTON(w))
                         : GTK_IS_MENU_ITEM(w) ? gtk_menu_item_get_label(GTK_MENU_ITEM(w))
                                               : nullptr;
    if (label && text == label) found = w;
  }
  g_list_free(children);
  return found;
}

namespace {

GtkWidget* labelIn(GtkWidget* widget) {
  if (GTK_IS_LABEL(widget)) return widget;
  if (!GTK_IS_CONTAINER(widget)) return nullptr;
  GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
  GtkWidget* found = nullptr;
  for (GList* c = children; c && !found; c = c->next) found = labelIn(GTK_WIDGET(c->data));
  g_list_free(children);
  return found;
}

}  // namespace

// GTK shows a tooltip in a popup window of its own named "gtk-tooltip".
std::string guiTooltipText() {
  flush();
  GList* windows = gtk_window_list_toplevels();
  std::string text;
  for (GList* w = windows; w; w = w->next) {
    GtkWidget* window = GTK_WIDGET(w->data);
    if (g_strcmp0(gtk_widget_get_name(window), "gtk-tooltip") != 0 || !gtk_widget_get_mapped(window)) continue;
    if (GtkWidget* label = labelIn(window)) text = gtk_label_get_text(GTK_LABEL(label));
  }
  g_list_free(windows);
  return text;
}

void GuiTest::startShell() { guiStartShell(TAB_PAGES, TAB_PAGE_COUNT); }

void GuiTest::SetUp() {
  startShell();
  colors = ModuleBuilder().name("col_day").access(0x0557).body(Bytes(64, 0x21)).build();
  kernel = ModuleBuilder().name("kernel").type(12).build();
  diag = ModuleBuilder().name("diag").type(0x55).body(Bytes(8, 0x42)).build();
  good = dir.file("good.img");
  ASSERT_TRUE(writeFile(good, imageOf({colors, kernel, diag})));
}

void GuiTest::openEveryKind() {
  auto module = [](const char* name, const Bytes& body) { return ModuleBuilder().name(name).body(body).build(); };
  const Bytes texts = languageBody(LANGUAGE_LAYOUT_32, {{"Ja", "Nein", "Weiter"}}, "CP1252");
  const Bytes bitmaps = imagesBody(IMAGE_KIND_BITMAPS, {{IMAGE_BITMAP, 8, 2, {0xF0, 0x00, 0, 0}}});
  const std::string path = dir.file("every.img");
  ASSERT_TRUE(writeFile(path, imageOf({module("rombitmaps", bitmaps), module("rom_col_a", colorBody(0x0033)),
                                       module("Lng_German", texts), module("Lng_Dutch", texts),
                                       module("font_a", fontBody(1)), kernel})));
  open(path);
}

void GuiTest::open(const std::string& path) {
  DialogScript script;
  script.choose(path);
  guiActivate(shellGetMenu()->open);
}

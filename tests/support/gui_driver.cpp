// GUI test driver.
#include "tests/support/gui_driver.h"

#include "shell/gtk_ptr.h"

namespace {

int quits;
DialogScript* activeScript;

void countQuit() { quits++; }

void chooserSet(GtkFileChooser* chooser, const std::string& path) {
  if (gtk_file_chooser_get_action(chooser) != GTK_FILE_CHOOSER_ACTION_SAVE) {
    gtk_file_chooser_set_filename(chooser, path.c_str());
    return;
  }
  GCharPtr folder(g_path_get_dirname(path.c_str()));
  GCharPtr base(g_path_get_basename(path.c_str()));
  gtk_file_chooser_set_current_folder(chooser, folder.get());
  gtk_file_chooser_set_current_name(chooser, base.get());
}

// The first visible widget of a type below w, depth first.
GtkWidget* findWidget(GtkWidget* w, GType type) {
  if (G_TYPE_CHECK_INSTANCE_TYPE(w, type) && gtk_widget_get_visible(w)) return w;
  if (!GTK_IS_CONTAINER(w)) return nullptr;
  GList* children = gtk_container_get_children(GTK_CONTAINER(w));
  GtkWidget* found = nullptr;
  for (GList* c = children; c && !found; c = c->next) found = findWidget(GTK_WIDGET(c->data), type);
  g_list_free(children);
  return found;
}

void flush() {
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
  gdk_window_process_all_updates();
}

}  // namespace

void guiStartShell() {
  static bool started = false;
  if (started) return;
  started = true;
  shellSetQuitFunction(countQuit);
  shellWindowNew();
  flush();
}

int guiQuitCount() { return quits; }

DialogScript::DialogScript() {
  if (activeScript) ADD_FAILURE() << "two dialog scripts alive at once";
  activeScript = this;
  source_ = g_timeout_add(15, tick, this);
}

DialogScript::~DialogScript() {
  g_source_remove(source_);
  activeScript = nullptr;
}

gboolean DialogScript::tick(gpointer data) {
  auto* self = static_cast<DialogScript*>(data);
  if (GtkWidget* dialog = self->choosing_) {
    // The chooser loads folders in the background: accept once it reports
    // the file asked for, asking again now and then.
    GCharPtr name(gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog)));
    if (name && self->choosingPath_ == name.get()) {
      self->choosing_ = nullptr;
      gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
    } else if (++self->chooseTicks_ > 1000) {
      ADD_FAILURE() << "the chooser never took " << self->choosingPath_;
      self->choosing_ = nullptr;
      gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);
    } else if (self->chooseTicks_ % 20 == 0) {
      chooserSet(GTK_FILE_CHOOSER(dialog), self->choosingPath_);
    }
    return TRUE;
  }
  GList* windows = gtk_window_list_toplevels();
  for (GList* w = windows; w; w = w->next) {
    GtkWidget* window = GTK_WIDGET(w->data);
    if (GTK_IS_DIALOG(window) && gtk_widget_get_visible(window) &&
        gtk_window_get_modal(GTK_WINDOW(window)) &&
        !g_object_get_data(G_OBJECT(window), "gui-driver-seen")) {
      self->handle(window);
      break;
    }
  }
  g_list_free(windows);
  return TRUE;
}

void DialogScript::handle(GtkWidget* dialog) {
  SeenDialog seen;
  if (GTK_IS_FILE_CHOOSER(dialog)) {
    // A chooser sets its folder in the background; wait for it a little.
    GCharPtr folder(gtk_file_chooser_get_current_folder(GTK_FILE_CHOOSER(dialog)));
    int waited = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(dialog), "gui-driver-waited"));
    if (!folder && waited < 40) {
      g_object_set_data(G_OBJECT(dialog), "gui-driver-waited", GINT_TO_POINTER(waited + 1));
      return;
    }
    bool save = gtk_file_chooser_get_action(GTK_FILE_CHOOSER(dialog)) == GTK_FILE_CHOOSER_ACTION_SAVE;
    seen.kind = save ? "save-chooser" : "open-chooser";
    seen.folder = folder ? folder.get() : "";
    GtkWidget* entry = save ? findWidget(dialog, GTK_TYPE_ENTRY) : nullptr;
    if (entry) seen.name = gtk_entry_get_text(GTK_ENTRY(entry));
  } else if (GTK_IS_MESSAGE_DIALOG(dialog)) {
    gchar* text = nullptr;
    GtkMessageType type;
    g_object_get(dialog, "text", &text, "message-type", &type, nullptr);
    seen.text = text ? text : "";
    g_free(text);
    seen.kind = type == GTK_MESSAGE_ERROR ? "error" : type == GTK_MESSAGE_WARNING ? "warning" : "other";
  } else {
    GtkWidget* label = findWidget(gtk_dialog_get_content_area(GTK_DIALOG(dialog)), GTK_TYPE_LABEL);
    seen.kind = "question";
    seen.text = label ? gtk_label_get_text(GTK_LABEL(label)) : "";
  }
  g_object_set_data(G_OBJECT(dialog), "gui-driver-seen", GINT_TO_POINTER(1));
  const gchar* title = gtk_window_get_title(GTK_WINDOW(dialog));
  seen.title = title ? title : "";
  seen_.push_back(seen);

  if (steps_.empty()) {
    ADD_FAILURE() << "unexpected dialog: " << seen.kind << " '" << seen.title << "' " << seen.text;
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);
    return;
  }
  Step step = steps_.front();
  steps_.pop_front();
  if (!step.path.empty() && GTK_IS_FILE_CHOOSER(dialog)) {
    chooserSet(GTK_FILE_CHOOSER(dialog), step.path);
    choosing_ = dialog;
    choosingPath_ = step.path;
    chooseTicks_ = 0;
    return;
  }
  gtk_dialog_response(GTK_DIALOG(dialog), step.response);
}

void guiActivate(GtkWidget* item) { gtk_menu_item_activate(GTK_MENU_ITEM(item)); }

gboolean guiRightClickRow(GtkWidget* view, int row) {
  flush();
  GdkWindow* bin = gtk_tree_view_get_bin_window(GTK_TREE_VIEW(view));
  GdkRectangle area = {0, 0, 0, 0};
  if (row >= 0) {
    GtkTreePath* path = gtk_tree_path_new_from_indices(row, -1);
    gtk_tree_view_get_cell_area(GTK_TREE_VIEW(view), path,
                                gtk_tree_view_get_column(GTK_TREE_VIEW(view), 1), &area);
    gtk_tree_path_free(path);
  } else {
    gdk_drawable_get_size(bin, &area.width, &area.height);
    area = {0, area.height - 4, area.width, 2};
  }
  GdkEvent* event = gdk_event_new(GDK_BUTTON_PRESS);
  event->button.window = GDK_WINDOW(g_object_ref(bin));
  event->button.x = area.x + area.width / 2.0;
  event->button.y = area.y + area.height / 2.0;
  event->button.button = 3;
  event->button.device = gdk_device_get_core_pointer();
  gboolean handled = gtk_widget_event(view, event);
  gdk_event_free(event);
  return handled;
}

std::string guiCellText(GtkWidget* view, int column, int row) {
  GtkTreeModel* model = gtk_tree_view_get_model(GTK_TREE_VIEW(view));
  GtkTreeIter iter;
  if (!gtk_tree_model_iter_nth_child(model, &iter, nullptr, row)) return "<no row>";
  GtkTreeViewColumn* viewColumn = gtk_tree_view_get_column(GTK_TREE_VIEW(view), column);
  gtk_tree_view_column_cell_set_cell_data(viewColumn, model, &iter, FALSE, FALSE);
  GList* cells = gtk_cell_layout_get_cells(GTK_CELL_LAYOUT(viewColumn));
  gchar* raw = nullptr;
  g_object_get(cells->data, "text", &raw, nullptr);
  g_list_free(cells);
  GCharPtr text(raw);
  return text ? text.get() : "";
}

std::string guiLabelText(GtkWidget* label) {
  return GTK_IS_LABEL(label) ? gtk_label_get_text(GTK_LABEL(label)) : "<not a label>";
}

GtkWidget* guiOnlyChild(GtkWidget* container) {
  GList* children = gtk_container_get_children(GTK_CONTAINER(container));
  GtkWidget* child = children && !children->next ? GTK_WIDGET(children->data) : nullptr;
  g_list_free(children);
  return child;
}

void GuiTest::SetUp() {
  guiStartShell();
  colors = ModuleBuilder().name("col_day").access(0x0557).body(Bytes(64, 0x21)).build();
  kernel = ModuleBuilder().name("kernel").type(12).build();
  diag = ModuleBuilder().name("diag").type(0x55).language(0x1F).attribute(0xA0).revision(7)
             .edition(513).body(Bytes(8, 0x42)).build();
  good = dir.file("good.img");
  ASSERT_TRUE(writeFile(good, imageOf({colors, kernel, diag})));
}

std::vector<SeenDialog> GuiTest::open(const std::string& path) {
  DialogScript script;
  script.choose(path);
  guiActivate(shellGetMenu()->open);
  return script.seen();
}

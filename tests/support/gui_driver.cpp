// GUI test driver.
#include "tests/support/gui_driver.h"

#include <gtest/gtest.h>

#include "shell/gtk_ptr.h"
#include "shell/shell.h"

namespace {

int quits;
bool started;

void countQuit() { quits++; }

bool isHandled(GtkWidget* w) { return g_object_get_data(G_OBJECT(w), "gui-driver-seen"); }

std::string labelOfQuestion(GtkWidget* dialog) {
  // The question's text sits in a label inside the content area's box.
  GtkWidget* area = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
  GList* boxes = gtk_container_get_children(GTK_CONTAINER(area));
  std::string text;
  for (GList* b = boxes; b; b = b->next) {
    if (!GTK_IS_BOX(b->data)) continue;
    GList* items = gtk_container_get_children(GTK_CONTAINER(b->data));
    for (GList* i = items; i; i = i->next)
      if (GTK_IS_LABEL(i->data)) text = gtk_label_get_text(GTK_LABEL(i->data));
    g_list_free(items);
  }
  g_list_free(boxes);
  return text;
}

void chooserSet(GtkFileChooser* chooser, const std::string& path) {
  if (gtk_file_chooser_get_action(chooser) == GTK_FILE_CHOOSER_ACTION_SAVE) {
    GCharPtr folder(g_path_get_dirname(path.c_str()));
    GCharPtr base(g_path_get_basename(path.c_str()));
    gtk_file_chooser_set_current_folder(chooser, folder.get());
    gtk_file_chooser_set_current_name(chooser, base.get());
  } else {
    gtk_file_chooser_set_filename(chooser, path.c_str());
  }
}

}  // namespace

void guiStartShell() {
  if (started) return;
  started = true;
  shellSetQuitFunction(countQuit);
  shellWindowNew();
  guiFlush();
}

int guiQuitCount() { return quits; }

void guiFlush() {
  for (int round = 0; round < 3; round++) {
    while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
    gdk_window_process_all_updates();
  }
}

namespace {
DialogScript* activeScript;  // one script answers at a time
}

DialogScript::DialogScript() {
  if (activeScript) ADD_FAILURE() << "two dialog scripts alive at once";
  activeScript = this;
  source_ = g_timeout_add(15, tick, this);
}

DialogScript::~DialogScript() {
  g_source_remove(source_);
  if (activeScript == this) activeScript = nullptr;
}

DialogScript& DialogScript::respond(int response) {
  actions_.push_back({DialogAction::Respond, response, ""});
  return *this;
}

DialogScript& DialogScript::choose(const std::string& path) {
  actions_.push_back({DialogAction::ChooseFile, GTK_RESPONSE_ACCEPT, path});
  return *this;
}

gboolean DialogScript::tick(gpointer data) {
  auto* self = static_cast<DialogScript*>(data);
  if (self->choosing_) {
    // The chooser loads folders in the background: accept only once it
    // reports the file that was asked for, asking again now and then.
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(self->choosing_);
    GCharPtr name(gtk_file_chooser_get_filename(chooser));
    if (name && self->choosingPath_ == name.get()) {
      self->choosing_ = nullptr;
      gtk_dialog_response(GTK_DIALOG(chooser), GTK_RESPONSE_ACCEPT);
    } else if (++self->chooseTicks_ > 1000) {
      ADD_FAILURE() << "the chooser never took " << self->choosingPath_;
      self->choosing_ = nullptr;
      gtk_dialog_response(GTK_DIALOG(chooser), GTK_RESPONSE_CANCEL);
    } else if (self->chooseTicks_ % 20 == 0) {
      chooserSet(chooser, self->choosingPath_);
    }
    return TRUE;
  }
  GList* windows = gtk_window_list_toplevels();
  for (GList* w = windows; w; w = w->next) {
    GtkWidget* window = GTK_WIDGET(w->data);
    if (GTK_IS_DIALOG(window) && gtk_widget_get_visible(window) &&
        gtk_window_get_modal(GTK_WINDOW(window)) && !isHandled(window)) {
      self->handle(window);
      break;
    }
  }
  g_list_free(windows);
  return TRUE;
}

void DialogScript::handle(GtkWidget* dialog) {
  // A chooser sets its folder in the background; wait for it a little.
  if (GTK_IS_FILE_CHOOSER(dialog)) {
    GCharPtr folder(gtk_file_chooser_get_current_folder(GTK_FILE_CHOOSER(dialog)));
    int waited = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(dialog), "gui-driver-waited"));
    if (!folder && waited < 40) {
      g_object_set_data(G_OBJECT(dialog), "gui-driver-waited", GINT_TO_POINTER(waited + 1));
      return;
    }
  }
  g_object_set_data(G_OBJECT(dialog), "gui-driver-seen", GINT_TO_POINTER(1));
  SeenDialog seen;
  const gchar* title = gtk_window_get_title(GTK_WINDOW(dialog));
  seen.title = title ? title : "";
  if (GTK_IS_MESSAGE_DIALOG(dialog)) {
    gchar* text = nullptr;
    GtkMessageType type;
    g_object_get(dialog, "text", &text, "message-type", &type, nullptr);
    seen.text = text ? text : "";
    g_free(text);
    seen.kind = type == GTK_MESSAGE_ERROR ? "error" : type == GTK_MESSAGE_WARNING ? "warning" : "other";
  } else if (GTK_IS_FILE_CHOOSER(dialog)) {
    bool save = gtk_file_chooser_get_action(GTK_FILE_CHOOSER(dialog)) == GTK_FILE_CHOOSER_ACTION_SAVE;
    seen.kind = save ? "save-chooser" : "open-chooser";
    GCharPtr folder(gtk_file_chooser_get_current_folder(GTK_FILE_CHOOSER(dialog)));
    seen.folder = folder ? folder.get() : "";
    if (save) {
      // The suggested name sits in the chooser's name entry.
      GtkWidget* entry = nullptr;
      std::function<void(GtkWidget*)> find = [&](GtkWidget* w) {
        if (!entry && GTK_IS_ENTRY(w) && gtk_widget_get_visible(w)) entry = w;
        if (GTK_IS_CONTAINER(w)) {
          GList* children = gtk_container_get_children(GTK_CONTAINER(w));
          for (GList* c = children; c; c = c->next) find(GTK_WIDGET(c->data));
          g_list_free(children);
        }
      };
      find(dialog);
      if (entry) seen.name = gtk_entry_get_text(GTK_ENTRY(entry));
    }
  } else if (seen.title == "Save") {
    seen.kind = "question";
    seen.text = labelOfQuestion(dialog);
  } else {
    seen.kind = "other";
  }
  seen_.push_back(seen);

  if (actions_.empty()) {
    ADD_FAILURE() << "unexpected dialog: " << seen.kind << " '" << seen.title << "' " << seen.text;
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);
    return;
  }
  DialogAction action = actions_.front();
  actions_.pop_front();
  if (action.kind == DialogAction::ChooseFile && GTK_IS_FILE_CHOOSER(dialog)) {
    chooserSet(GTK_FILE_CHOOSER(dialog), action.path);
    choosing_ = dialog;
    choosingPath_ = action.path;
    chooseTicks_ = 0;
    return;
  }
  gtk_dialog_response(GTK_DIALOG(dialog), action.response);
}

void guiActivate(GtkWidget* item) { gtk_menu_item_activate(GTK_MENU_ITEM(item)); }

gboolean guiRightClickRow(GtkWidget* view, int row) {
  guiFlush();
  GdkRectangle area = {0, 0, 0, 0};
  if (row >= 0) {
    GtkTreePath* path = gtk_tree_path_new_from_indices(row, -1);
    gtk_tree_view_get_cell_area(GTK_TREE_VIEW(view), path,
                                gtk_tree_view_get_column(GTK_TREE_VIEW(view), 1), &area);
    gtk_tree_path_free(path);
  } else {
    // Below every row: the bottom of the visible area.
    GdkWindow* bin = gtk_tree_view_get_bin_window(GTK_TREE_VIEW(view));
    int width, height;
    gdk_drawable_get_size(bin, &width, &height);
    area = {0, height - 4, width, 2};
  }
  GdkEvent* event = gdk_event_new(GDK_BUTTON_PRESS);
  event->button.window = GDK_WINDOW(g_object_ref(gtk_tree_view_get_bin_window(GTK_TREE_VIEW(view))));
  event->button.x = area.x + area.width / 2.0;
  event->button.y = area.y + area.height / 2.0;
  event->button.button = 3;
  event->button.time = GDK_CURRENT_TIME;
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
  gchar* text = nullptr;
  g_object_get(cells->data, "text", &text, nullptr);
  g_list_free(cells);
  std::string result = text ? text : "";
  g_free(text);
  return result;
}

std::string guiLabelText(GtkWidget* label) {
  if (GTK_IS_LABEL(label)) return gtk_label_get_text(GTK_LABEL(label));
  return "<not a label>";
}

GtkWidget* guiOnlyChild(GtkWidget* container) {
  GList* children = gtk_container_get_children(GTK_CONTAINER(container));
  GtkWidget* child = children && !children->next ? GTK_WIDGET(children->data) : nullptr;
  g_list_free(children);
  return child;
}

// SPDX-License-Identifier: MIT
// Dialogs shared by the shell and the tabs: message boxes, the "Data not
// saved" question and the Save File and Open File choosers. The GTK dialogs
// sit behind one table, so that tests can answer them from a script.
#include <cstring>

#include "pool/file_save.h"
#include "pool/glib_memory.h"
#include "shell/shell.h"
#include "shell/shell_private.h"

namespace {

// Each chooser remembers its own last folder, for this run only.
char openFolderMemory[SHELL_TEXT_SIZE];
char saveFolderMemory[SHELL_TEXT_SIZE];

GtkWindow* parentWindow() { return GTK_WINDOW(shellGetMainWindow()); }

void gtkMessage(GtkMessageType type, const char* text) {
  // A path or module name need not be UTF-8; the label shows only UTF-8.
  GCharPtr valid(g_utf8_make_valid(text, -1));
  // The text goes in as an argument, never as the format: a "%" in a path
  // is shown as it is.
  GtkWidget* dialog = gtk_message_dialog_new(
      parentWindow(), GtkDialogFlags(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT), type,
      GTK_BUTTONS_CLOSE, "%s", valid.get());
  gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER_ON_PARENT);
  gtk_dialog_run(GTK_DIALOG(dialog));
  gtk_widget_destroy(dialog);
}

int gtkQuestion(const char* text) {
  GtkWidget* dialog = gtk_dialog_new_with_buttons(
      "Save", parentWindow(), GTK_DIALOG_MODAL, GTK_STOCK_YES, GTK_RESPONSE_YES, GTK_STOCK_NO,
      GTK_RESPONSE_NO, GTK_STOCK_CANCEL, GTK_RESPONSE_CANCEL, nullptr);
  gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER_ON_PARENT);
  GtkWidget* box = gtk_hbox_new(FALSE, 8);
  gtk_container_set_border_width(GTK_CONTAINER(box), 8);
  gtk_box_pack_start(GTK_BOX(box), gtk_image_new_from_stock(GTK_STOCK_DIALOG_QUESTION,
                                                            GTK_ICON_SIZE_DIALOG),
                     FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(box), gtk_label_new(text), FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), box, FALSE,
                     FALSE, 0);
  gtk_widget_show_all(box);
  int response = gtk_dialog_run(GTK_DIALOG(dialog));
  gtk_widget_destroy(dialog);
  return response;
}

int gtkChooseFile(const char* title, GtkFileChooserAction action, const char* folder,
                  const char* suggestedName, char* path, char* folderOut) {
  bool save = action == GTK_FILE_CHOOSER_ACTION_SAVE;
  GtkWidget* dialog = gtk_file_chooser_dialog_new(
      title, parentWindow(), action, save ? GTK_STOCK_SAVE : GTK_STOCK_OPEN, GTK_RESPONSE_ACCEPT,
      GTK_STOCK_CANCEL, GTK_RESPONSE_CANCEL, nullptr);
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
  if (folder[0]) gtk_file_chooser_set_current_folder(chooser, folder);
  if (suggestedName) gtk_file_chooser_set_current_name(chooser, suggestedName);
  if (save) gtk_file_chooser_set_do_overwrite_confirmation(chooser, TRUE);
  bool accepted = gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT;
  if (accepted) {
    GCharPtr name(gtk_file_chooser_get_filename(chooser));
    g_strlcpy(path, name ? name.get() : "", SHELL_TEXT_SIZE);
    GCharPtr current(gtk_file_chooser_get_current_folder(chooser));
    if (current) g_strlcpy(folderOut, current.get(), SHELL_TEXT_SIZE);
  }
  gtk_widget_destroy(dialog);
  return accepted;
}

const ShellDialogs* dialogs = &SHELL_GTK_DIALOGS;

// Where a chooser starts: the folder it remembers; before it remembers one,
// the loaded image's folder, else the current folder (never GTK's "Recently
// Used", where a typed path names no file).
void startFolder(const char* memory, char* out) {
  if (memory[0]) {
    g_strlcpy(out, memory, SHELL_TEXT_SIZE);
    return;
  }
  GCharPtr cwd(g_get_current_dir());
  g_strlcpy(out, cwd.get(), SHELL_TEXT_SIZE);
  const ModulePool* pool = shellGetCurrentPool();
  // A path of the full stored length may have been cut.
  if (!pool || !pool->path[0] || std::strlen(pool->path) >= sizeof pool->path - 1) return;
  GCharPtr folder(g_path_get_dirname(pool->path));
  GCharPtr absolute(g_path_is_absolute(folder.get()) ? g_strdup(folder.get())
                                                     : g_build_filename(cwd.get(), folder.get(), nullptr));
  if (g_file_test(absolute.get(), G_FILE_TEST_IS_DIR)) g_strlcpy(out, absolute.get(), SHELL_TEXT_SIZE);
}

}  // namespace

const ShellDialogs SHELL_GTK_DIALOGS = {gtkMessage, gtkQuestion, gtkChooseFile, gtk_main_quit};

void shellSetDialogs(const ShellDialogs* table) { dialogs = table; }

int shellChooseFile(const char* title, GtkFileChooserAction action, char* folderMemory,
                    const char* suggestedName, char* path) {
  char folder[SHELL_TEXT_SIZE];
  startFolder(folderMemory, folder);
  // A chooser may accept without a file (a path typed in "Recently Used"
  // names none): that is a cancel, never a file named "".
  path[0] = '\0';
  return dialogs->chooseFile(title, action, folder, suggestedName, path, folderMemory) && path[0];
}

void shellQuitLoop() { dialogs->quit(); }

void showError(const char* text) { dialogs->message(GTK_MESSAGE_ERROR, text); }
void showWarning(const char* text) { dialogs->message(GTK_MESSAGE_WARNING, text); }

void showErrorLater(const char* text) {
  g_idle_add(
      [](gpointer copy) -> gboolean {
        showError(static_cast<const char*>(copy));
        g_free(copy);
        return FALSE;
      },
      g_strdup(text));
}

int askSaveFirst(const char* text) {
  int response = dialogs->question(text);
  if (response == GTK_RESPONSE_NO) return SAVE_NO;
  if (response == GTK_RESPONSE_YES) return SAVE_YES;
  return SAVE_CANCEL;
}

int runSaveDialog(ModulePool* pool, const char* suggestedName) {
  if (poolGetAlignmentOffset(pool)) {
    showWarning("Saving files with data alignments not supported yet.");
    return SAVE_FAILED;
  }
  char path[SHELL_TEXT_SIZE] = "";
  if (!shellChooseFile("Save File", GTK_FILE_CHOOSER_ACTION_SAVE, saveFolderMemory, suggestedName,
                       path))
    return SAVE_CANCELLED;
  // Overwriting is allowed: the chooser has already asked. The first file
  // replaced is kept as NAME.orig, so a stock image survives its first save.
  char err[ERROR_SIZE] = "";
  PoolSaveOptions options = {};
  options.backup = 1;
  if (poolSaveWith(pool, path, 1, &options, err, sizeof err)) return SAVE_WRITTEN;
  showError(err);
  return SAVE_FAILED;
}

ModulePool* shellLoadPool(const char* path) {
  char err[ERROR_SIZE] = "";
  ModulePool* pool = poolLoad(path, err, sizeof err);
  if (pool) return pool;
  char text[SHELL_TEXT_SIZE];
  char shown[SHELL_TEXT_SIZE];
  textEscape(path, shown, sizeof shown);
  shellFormatMessage(text, "Error loading file %s:\n\n%s", shown, err);
  showError(text);
  return nullptr;
}

ModulePool* runOpenDialog() {
  char path[SHELL_TEXT_SIZE] = "";
  if (!shellChooseFile("Open File", GTK_FILE_CHOOSER_ACTION_OPEN, openFolderMemory, nullptr, path))
    return nullptr;
  return shellLoadPool(path);
}

void shellMenuBelowCursor(GtkMenu*, gint* x, gint* y, gboolean* pushIn, gpointer treeView) {
  GtkTreeView* tree = GTK_TREE_VIEW(treeView);
  GtkTreePath* path = nullptr;
  gtk_tree_view_get_cursor(tree, &path, nullptr);
  GdkRectangle area = {0, 0, 0, 0};
  if (path) gtk_tree_view_get_cell_area(tree, path, gtk_tree_view_get_column(tree, 0), &area);
  if (path) gtk_tree_path_free(path);
  gdk_window_get_origin(gtk_tree_view_get_bin_window(tree), x, y);
  *x += area.x;
  *y += area.y + area.height;
  *pushIn = TRUE;
}

void shellMenuBelowWidget(GtkMenu*, gint* x, gint* y, gboolean* pushIn, gpointer data) {
  GtkWidget* widget = GTK_WIDGET(data);
  GtkWidget* top = gtk_widget_get_toplevel(widget);
  GtkAllocation a;
  gtk_widget_get_allocation(widget, &a);
  gint dx = 0, dy = 0;
  gtk_widget_translate_coordinates(widget, top, 0, a.height, &dx, &dy);
  gdk_window_get_origin(gtk_widget_get_window(top), x, y);
  *x += dx;
  *y += dy;
  *pushIn = TRUE;
}

// Dialogs shared by the shell and the tabs: message boxes, the "Data not
// saved" question and the Save File and Open File choosers.
#include <cstring>

#include "shell/gtk_ptr.h"
#include "shell/shell.h"
#include "shell/shell_private.h"

namespace {

constexpr size_t PATH_BUFFER = 1024;  // paths and folders are cut to 1023 bytes

// Each chooser remembers its own last folder, for this run only.
char openFolderMemory[PATH_BUFFER];
char saveFolderMemory[PATH_BUFFER];

void showMessage(GtkMessageType type, const char* text) {
  // A path or module name need not be UTF-8; the label shows only UTF-8.
  GCharPtr valid(g_utf8_make_valid(text, -1));
  // The text goes in as an argument, never as the format: a "%" in a path
  // is shown as it is.
  GtkWidget* dialog =
      gtk_message_dialog_new(GTK_WINDOW(shellGetMainWindow()),
                             GtkDialogFlags(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
                             type, GTK_BUTTONS_CLOSE, "%s", valid.get());
  gtk_dialog_run(GTK_DIALOG(dialog));
  gtk_widget_destroy(dialog);
}

// Runs a file chooser that starts in the folder it remembers (and, when
// saving, asks before overwriting). On accept the file name goes into path
// and the folder into folderMemory, both cut to 1023 bytes; returns whether
// the user accepted.
bool chooserRun(const char* title, GtkFileChooserAction action, const char* acceptStock,
                char* folderMemory, const char* suggestedName, char* path) {
  GtkWidget* dialog = gtk_file_chooser_dialog_new(
      title, GTK_WINDOW(shellGetMainWindow()), action, acceptStock, GTK_RESPONSE_ACCEPT,
      GTK_STOCK_CANCEL, GTK_RESPONSE_CANCEL, nullptr);
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
  if (folderMemory[0]) gtk_file_chooser_set_current_folder(chooser, folderMemory);
  if (suggestedName) gtk_file_chooser_set_current_name(chooser, suggestedName);
  if (action == GTK_FILE_CHOOSER_ACTION_SAVE)
    gtk_file_chooser_set_do_overwrite_confirmation(chooser, TRUE);
  bool accepted = gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT;
  if (accepted) {
    GCharPtr name(gtk_file_chooser_get_filename(chooser));
    g_strlcpy(path, name ? name.get() : "", PATH_BUFFER);
    GCharPtr folder(gtk_file_chooser_get_current_folder(chooser));
    if (folder) g_strlcpy(folderMemory, folder.get(), PATH_BUFFER);
  }
  gtk_widget_destroy(dialog);
  return accepted;
}

}  // namespace

void showError(const char* text) { showMessage(GTK_MESSAGE_ERROR, text); }
void showWarning(const char* text) { showMessage(GTK_MESSAGE_WARNING, text); }

int askSaveFirst(const char* text) {
  GtkWidget* dialog = gtk_dialog_new_with_buttons(
      "Save", GTK_WINDOW(shellGetMainWindow()), GTK_DIALOG_MODAL, GTK_STOCK_YES,
      GTK_RESPONSE_YES, GTK_STOCK_NO, GTK_RESPONSE_NO, GTK_STOCK_CANCEL, GTK_RESPONSE_CANCEL,
      nullptr);
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
  if (response == GTK_RESPONSE_NO) return SAVE_NO;
  if (response == GTK_RESPONSE_YES) return SAVE_YES;
  return SAVE_CANCEL;
}

int runSaveDialog(ModulePool* pool, const char* suggestedName) {
  if (poolGetAlignmentOffset(pool)) {
    showWarning("Saving files with data alignments not supported yet.");
    return SAVE_FAILED;
  }
  char path[PATH_BUFFER] = "";
  if (!chooserRun("Save File", GTK_FILE_CHOOSER_ACTION_SAVE, GTK_STOCK_SAVE, saveFolderMemory,
                  suggestedName, path))
    return SAVE_CANCELLED;
  // Overwriting is allowed: the chooser has already asked.
  char err[POOL_ERROR_SIZE] = "";
  if (poolSave(pool, path, 1, err)) return SAVE_WRITTEN;
  showError(err);
  return SAVE_FAILED;
}

ModulePool* shellLoadPool(const char* path) {
  char err[POOL_ERROR_SIZE] = "";
  ModulePool* pool = poolLoad(path, err);
  if (pool) return pool;
  char text[PATH_BUFFER];
  shellFormatMessage(text, "Error loading file %s:\n\n%s", path, err);
  showError(text);
  return nullptr;
}

ModulePool* runOpenDialog() {
  char path[PATH_BUFFER] = "";
  if (!chooserRun("Open File", GTK_FILE_CHOOSER_ACTION_OPEN, GTK_STOCK_OPEN, openFolderMemory,
                  nullptr, path))
    return nullptr;
  return shellLoadPool(path);
}

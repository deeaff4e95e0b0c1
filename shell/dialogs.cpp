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

// Takes the chooser's file name and folder into the path buffer and the
// folder memory, both cut to 1023 bytes.
void chooserTake(GtkWidget* chooser, char* path, char* folderMemory) {
  GCharPtr name(gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(chooser)));
  g_strlcpy(path, name ? name.get() : "", PATH_BUFFER);
  GCharPtr folder(gtk_file_chooser_get_current_folder(GTK_FILE_CHOOSER(chooser)));
  if (folder) g_strlcpy(folderMemory, folder.get(), PATH_BUFFER);
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
  GtkWidget* chooser = gtk_file_chooser_dialog_new(
      "Save File", GTK_WINDOW(shellGetMainWindow()), GTK_FILE_CHOOSER_ACTION_SAVE,
      GTK_STOCK_SAVE, GTK_RESPONSE_ACCEPT, GTK_STOCK_CANCEL, GTK_RESPONSE_CANCEL, nullptr);
  if (saveFolderMemory[0])
    gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(chooser), saveFolderMemory);
  if (suggestedName) gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(chooser), suggestedName);
  gtk_file_chooser_set_do_overwrite_confirmation(GTK_FILE_CHOOSER(chooser), TRUE);
  char path[PATH_BUFFER] = "";
  bool accepted = gtk_dialog_run(GTK_DIALOG(chooser)) == GTK_RESPONSE_ACCEPT;
  if (accepted) chooserTake(chooser, path, saveFolderMemory);
  gtk_widget_destroy(chooser);
  if (!accepted) return SAVE_CANCELLED;
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
  GCharPtr text(g_strdup_printf("Error loading file %s:\n\n%s", path, err));
  char shown[PATH_BUFFER];
  g_strlcpy(shown, text.get(), sizeof shown);
  showError(shown);
  return nullptr;
}

ModulePool* runOpenDialog() {
  GtkWidget* chooser = gtk_file_chooser_dialog_new(
      "Open File", GTK_WINDOW(shellGetMainWindow()), GTK_FILE_CHOOSER_ACTION_OPEN,
      GTK_STOCK_OPEN, GTK_RESPONSE_ACCEPT, GTK_STOCK_CANCEL, GTK_RESPONSE_CANCEL, nullptr);
  if (openFolderMemory[0])
    gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(chooser), openFolderMemory);
  char path[PATH_BUFFER] = "";
  bool accepted = gtk_dialog_run(GTK_DIALOG(chooser)) == GTK_RESPONSE_ACCEPT;
  if (accepted) chooserTake(chooser, path, openFolderMemory);
  gtk_widget_destroy(chooser);
  if (!accepted) return nullptr;
  return shellLoadPool(path);
}

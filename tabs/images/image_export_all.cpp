// SPDX-License-Identifier: MIT
// "Export all…" of the Images popup: every picture of a module saved into
// one folder under the names unpack gives them, with a progress bar that
// can stop a long run, a question before files there are replaced, and
// the pictures not saved listed at the end.
#include <sys/stat.h>

#include <string>
#include <vector>

#include "pool/file_save.h"
#include "pool/glib_memory.h"
#include "shell/shell.h"
#include "tabs/images/image_view.h"

namespace {

// The folder of the last accepted "Export All Images" dialog.
char folderMemory[SHELL_TEXT_SIZE];

// Fewer pictures are written before a window could be seen.
const size_t PROGRESS_FROM = 32;
// A list in a message shows this many names, then how many more there are.
const size_t LISTED_MAX = 15;

struct Picture {
  uint32_t index;
  std::string name;
};

std::string listed(const std::vector<std::string>& lines) {
  std::string text;
  for (size_t i = 0; i < lines.size() && i < LISTED_MAX; i++) text += lines[i] + "\n";
  if (lines.size() > LISTED_MAX) text += "and " + std::to_string(lines.size() - LISTED_MAX) + " more\n";
  return text;
}

// The progress window: a bar and a Cancel button (Escape, or closing the
// window) that stops the run after the picture being written.
struct Progress {
  GtkWidget* dialog = nullptr;
  GtkWidget* bar = nullptr;
  bool stopped = false;
};

void progressShow(Progress* p, size_t count) {
  p->dialog = gtk_dialog_new_with_buttons("Export All Images", GTK_WINDOW(shellGetMainWindow()),
                                          GtkDialogFlags(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
                                          GTK_STOCK_CANCEL, GTK_RESPONSE_CANCEL, nullptr);
  gtk_window_set_position(GTK_WINDOW(p->dialog), GTK_WIN_POS_CENTER_ON_PARENT);
  char text[SHELL_TEXT_SIZE];
  shellFormatMessage(text, "Saving %zu pictures…", count);
  GtkWidget* box = gtk_vbox_new(FALSE, 8);
  gtk_container_set_border_width(GTK_CONTAINER(box), 8);
  gtk_box_pack_start(GTK_BOX(box), gtk_label_new(text), FALSE, FALSE, 0);
  p->bar = gtk_progress_bar_new();
  gtk_widget_set_size_request(p->bar, 300, -1);
  gtk_box_pack_start(GTK_BOX(box), p->bar, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(p->dialog))), box, TRUE, TRUE, 0);
  // Every answer (Cancel, Escape, the window closed) stops the run.
  g_signal_connect(p->dialog, "response", G_CALLBACK(+[](GtkDialog*, gint, Progress* p) { p->stopped = true; }), p);
  gtk_widget_show_all(p->dialog);
}

// Shows how far the run is, and lets the window take its clicks and keys.
void progressStep(Progress* p, size_t done, size_t count) {
  if (!p->dialog) return;
  char text[64];
  g_snprintf(text, sizeof text, "%zu of %zu", done, count);
  gtk_progress_bar_set_text(GTK_PROGRESS_BAR(p->bar), text);
  gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(p->bar), double(done) / double(count));
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

// Asks before replacing the files already there. Returns false for
// Cancel; No leaves them and their pictures out of the run.
bool existingAsked(std::vector<Picture>* pictures, const char* folder) {
  std::vector<std::string> there;
  std::vector<bool> exists;
  for (const Picture& p : *pictures) {
    struct stat st;
    GCharPtr path(g_build_filename(folder, p.name.c_str(), nullptr));
    exists.push_back(::lstat(path.get(), &st) == 0);
    if (exists.back()) there.push_back(p.name);
  }
  if (there.empty()) return true;
  char shown[SHELL_TEXT_SIZE], text[SHELL_TEXT_SIZE];
  textEscape(folder, shown, sizeof shown);
  shellFormatMessage(text,
                     "%zu of these files are in %s already:\n\n%s\nReplace them? No saves only the other "
                     "pictures.",
                     there.size(), shown, listed(there).c_str());
  const int answer = askSaveFirst(text);
  if (answer == SAVE_CANCEL) return false;
  if (answer == SAVE_YES) return true;
  std::vector<Picture> rest;
  for (size_t i = 0; i < pictures->size(); i++)
    if (!exists[i]) rest.push_back((*pictures)[i]);
  *pictures = rest;
  return true;
}

}  // namespace

void imageExportAll(ImageView* view) {
  if (!view->images) return;
  char folder[SHELL_TEXT_SIZE];
  if (!shellChooseFile("Export All Images", GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER, folderMemory, nullptr, folder))
    return;
  const uint32_t count = listGetCount(view->images->entries);
  std::vector<Picture> pictures;
  for (uint32_t i = 0; i < count; i++) {
    const auto* e = static_cast<const ImageEntry*>(listGet(view->images->entries, i));
    if (!imageTypeIsShown(e->type)) continue;  // pixmap 8 and unknown types are never saved
    char name[32];
    imageFileName(i, count - 1, e->type, name, sizeof name);
    pictures.push_back({i, name});
  }
  if (!existingAsked(&pictures, folder)) return;

  Progress progress;
  if (pictures.size() >= PROGRESS_FROM) progressShow(&progress, pictures.size());
  std::vector<std::string> refused;
  size_t done = 0;
  for (; done < pictures.size() && !progress.stopped; done++) {
    const Picture& p = pictures[done];
    const auto* e = static_cast<const ImageEntry*>(listGet(view->images->entries, p.index));
    GCharPtr path(g_build_filename(folder, p.name.c_str(), nullptr));
    char err[ERROR_SIZE] = "";
    if (!imageExportSave(e, path.get(), err, sizeof err)) {
      std::string why = err;
      for (char& c : why)
        if (c == '\n') c = ' ';
      refused.push_back(p.name + ": " + why);
    }
    progressStep(&progress, done + 1, pictures.size());
  }
  if (progress.dialog) gtk_widget_destroy(progress.dialog);
  if (refused.empty()) return;
  char shown[SHELL_TEXT_SIZE], text[SHELL_TEXT_SIZE];
  textEscape(folder, shown, sizeof shown);
  shellFormatMessage(text, "%zu of %zu pictures were not saved in %s:\n\n%s", refused.size(), done, shown,
                     listed(refused).c_str());
  if (refused.size() == done)
    showError(text);
  else
    showWarning(text);
}

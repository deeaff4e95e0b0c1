// Drives the real editor window in-process for the GUI tests: answers modal
// dialogs from a script while they run, and reads what the user would see.
#pragma once

#include <gtk/gtk.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "pool/pool.h"

// Builds the main window once per process (the shell's state lives as long as
// the process, so each GUI test runs in a process of its own), with Quit
// replaced by a counter. Returns the number of quits asked so far.
void guiStartShell();
int guiQuitCount();

// Runs pending GTK events and redraws.
void guiFlush();

// One dialog as the test saw it.
struct SeenDialog {
  std::string kind;    // "error", "warning", "question", "save-chooser", "open-chooser", "other"
  std::string title;   // window title
  std::string text;    // message text, or the question's label
  std::string folder;  // a chooser's current folder when it appeared
  std::string name;    // a save chooser's suggested name
};

// What to do with the next dialog.
struct DialogAction {
  enum Kind { Respond, ChooseFile } kind;
  int response;      // for Respond: a GtkResponseType
  std::string path;  // for ChooseFile: the file to pick; then accept
};

// Answers dialogs in the order they appear, one action each. A dialog with
// no action left is cancelled and recorded, so a test never hangs.
class DialogScript {
 public:
  DialogScript();
  ~DialogScript();
  DialogScript& respond(int response);  // e.g. GTK_RESPONSE_CLOSE, GTK_RESPONSE_YES
  DialogScript& choose(const std::string& path);
  DialogScript& cancel() { return respond(GTK_RESPONSE_CANCEL); }
  DialogScript& close() { return respond(GTK_RESPONSE_CLOSE); }

  const std::vector<SeenDialog>& seen() const { return seen_; }
  size_t pending() const { return actions_.size(); }

 private:
  static gboolean tick(gpointer self);
  void handle(GtkWidget* dialog);

  std::deque<DialogAction> actions_;
  std::vector<SeenDialog> seen_;
  GtkWidget* choosing_ = nullptr;  // a chooser waiting for its file to be selected
  std::string choosingPath_;
  int chooseTicks_ = 0;
  guint source_ = 0;
};

// Activates a menu item as a click would.
void guiActivate(GtkWidget* item);

// Sends a button press to a tree view at the centre of a row's cell (row -1:
// below the last row).
gboolean guiRightClickRow(GtkWidget* view, int row);

// The text that a tree view's column shows for a row, as drawn.
std::string guiCellText(GtkWidget* view, int column, int row);

// The text of a label, or of the label inside a notebook page's tab.
std::string guiLabelText(GtkWidget* label);

// The single child of a container, or null.
GtkWidget* guiOnlyChild(GtkWidget* container);

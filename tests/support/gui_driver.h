// Drives the real editor window in-process for the GUI tests: answers modal
// dialogs from a script while they run, and reads what the user would see.
// The shell's state lives as long as its process, so each GUI test runs in a
// process of its own (ctest does that).
#pragma once

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <deque>
#include <string>
#include <vector>

#include "shell/shell.h"
#include "tests/support/module_builder.h"

// Builds the main window once, with Quit counted instead of ending the loop.
void guiStartShell();
int guiQuitCount();

// One dialog as the test saw it.
struct SeenDialog {
  std::string kind;    // "error", "warning", "question", "save-chooser", "open-chooser", "other"
  std::string title;
  std::string text;    // message text, or the question's label
  std::string folder;  // a chooser's current folder when it appeared
  std::string name;    // a save chooser's suggested name
};

// Answers dialogs in the order they appear, one step each: a response, or
// a file to choose and accept. A dialog with no step left fails the test and
// is cancelled, so a test never hangs. One script at a time.
class DialogScript {
 public:
  DialogScript();
  ~DialogScript();
  DialogScript& respond(int response) { steps_.push_back({response, ""}); return *this; }
  DialogScript& choose(const std::string& path) { steps_.push_back({GTK_RESPONSE_ACCEPT, path}); return *this; }
  DialogScript& cancel() { return respond(GTK_RESPONSE_CANCEL); }
  DialogScript& close() { return respond(GTK_RESPONSE_CLOSE); }
  const std::vector<SeenDialog>& seen() const { return seen_; }

 private:
  struct Step {
    int response;
    std::string path;
  };
  static gboolean tick(gpointer self);
  void handle(GtkWidget* dialog);

  std::deque<Step> steps_;
  std::vector<SeenDialog> seen_;
  GtkWidget* choosing_ = nullptr;  // a chooser waiting to report the chosen file
  std::string choosingPath_;
  int chooseTicks_ = 0;
  guint source_ = 0;
};

// Menu items are activated as a click would; a right-click is sent to the
// centre of a row (-1: below the last row).
void guiActivate(GtkWidget* item);
gboolean guiRightClickRow(GtkWidget* view, int row);
// What a list column shows for a row, as drawn; a label's text; the only child.
std::string guiCellText(GtkWidget* view, int column, int row);
std::string guiLabelText(GtkWidget* label);
GtkWidget* guiOnlyChild(GtkWidget* container);

// The real main window, a scratch folder and an image of three modules.
class GuiTest : public testing::Test {
 protected:
  void SetUp() override;
  // File > Open of path through the real chooser; returns the dialogs seen.
  std::vector<SeenDialog> open(const std::string& path);

  TempDir dir;
  Bytes colors, kernel, diag;  // a data module, a system module, a user-defined data module
  std::string good;            // the file holding the three
};

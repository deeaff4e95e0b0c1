// Drives the real editor window in-process for the GUI tests. The shell's
// dialogs are answered by a script that stands in for GTK's, and the test
// reads what the user would see. The shell's state lives as long as its
// process, so each GUI test runs in a process of its own (ctest does that).
#pragma once

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "shell/shell.h"
#include "tests/support/module_builder.h"

// Builds the main window with pages once per process, with the scripted
// dialogs in place of GTK's and Quit counted instead of ending the loop.
void guiStartShell(const TabPage* pages, size_t count);
int guiQuitCount();

// One dialog as the script saw it.
struct SeenDialog {
  std::string kind;    // "error", "warning", "question", "save-chooser", "open-chooser"
  std::string title;   // a chooser's title
  std::string text;    // message or question text
  std::string folder;  // the folder a chooser starts in
  std::string name;    // a save chooser's suggested name
};

// Answers questions and choosers in the order they come, one step each;
// message boxes are only recorded. A dialog with no step left fails the test
// and is cancelled; steps left over when the script ends fail it too.
class DialogScript {
 public:
  DialogScript();
  ~DialogScript();
  DialogScript& respond(int response) { steps_.push_back({response, ""}); return *this; }
  DialogScript& choose(const std::string& path) { steps_.push_back({GTK_RESPONSE_ACCEPT, path}); return *this; }
  DialogScript& cancel() { return respond(GTK_RESPONSE_CANCEL); }
  const std::vector<SeenDialog>& seen() const { return seen_; }
  std::vector<std::string> kinds() const;

  struct Step {
    int response;
    std::string path;
  };
  // Records the dialog and takes the next step (a cancel when none is left).
  Step next(SeenDialog dialog);

 private:
  std::deque<Step> steps_;
  std::vector<SeenDialog> seen_;
};

// Runs the main loop until done() holds or about five seconds passed.
bool guiWaitFor(const std::function<bool()>& done);
// Menu items are activated as a click would; a right-click is sent to the
// centre of a row (-1: below the last row); a key press goes to a widget.
void guiActivate(GtkWidget* item);
gboolean guiRightClickRow(GtkWidget* view, int row);
gboolean guiKeyPress(GtkWidget* widget, guint keyval, guint state = 0);
// Gives the keyboard focus to widget, its window made the active one.
void guiFocus(GtkWidget* widget);
// What a list column shows for a row, as drawn; a label's text; the only child.
std::string guiCellText(GtkWidget* view, int column, int row);
std::string guiLabelText(GtkWidget* label);
GtkWidget* guiOnlyChild(GtkWidget* container);

// The real main window, a scratch folder and an image of three modules.
class GuiTest : public testing::Test {
 protected:
  void SetUp() override;
  // The pages of the window; the editor's own unless a suite says otherwise.
  virtual void startShell();
  // File > Open of path; returns the dialogs seen.
  std::vector<SeenDialog> open(const std::string& path);

  TempDir dir;
  Bytes colors, kernel, diag;  // a data module, a system module, a user-defined data module
  std::string good;            // the file holding the three
};

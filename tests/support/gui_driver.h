// Drives the real editor window in-process, its dialogs answered by a script.
// Shell state lives as long as its process: one GUI test per process (ctest).
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

// kind: "error", "warning", "question", "save-chooser" or "open-chooser";
// title, folder and name (the suggested one) are a chooser's.
struct SeenDialog {
  std::string kind, title, text, folder, name;
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

  struct Step { int response; std::string path; };
  // Records the dialog and takes the next step (a cancel when none is left).
  Step next(SeenDialog dialog);

 private:
  std::deque<Step> steps_;
  std::vector<SeenDialog> seen_;
};

// Runs the main loop until done() holds, five seconds at most.
bool guiWaitFor(const std::function<bool()>& done);
// A click on a menu item; a right-click on a row's centre (-1: below the
// last row); a key press sent to a widget.
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

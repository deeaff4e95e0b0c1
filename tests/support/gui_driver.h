// SPDX-License-Identifier: MIT
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

// Answers questions and choosers in order, one step each, and logs every
// dialog as one line: "error: TEXT", "warning: TEXT", "question: TEXT", or a
// chooser's "TITLE in FOLDER" with " as NAME" for a suggested name. A dialog
// with no step left, or a step never used, fails the test.
class DialogScript {
 public:
  DialogScript();
  ~DialogScript();
  DialogScript& respond(int response) { steps_.push_back({response, ""}); return *this; }
  DialogScript& choose(const std::string& path) { steps_.push_back({GTK_RESPONSE_ACCEPT, path}); return *this; }
  DialogScript& cancel() { return respond(GTK_RESPONSE_CANCEL); }
  std::vector<std::string> log;

  struct Step { int response; std::string path; };
  Step next(const std::string& line, bool answered);

 private:
  std::deque<Step> steps_;
};

// Runs the main loop until done() holds, five seconds at most.
bool guiWaitFor(const std::function<bool()>& done);
// A click on a menu item; a right-click on a row's centre (-1: below the
// last row); a key press sent to a widget, which has the focus first.
void guiActivate(GtkWidget* item);
gboolean guiRightClickRow(GtkWidget* view, int row);
gboolean guiKeyPress(GtkWidget* widget, guint keyval, guint state = 0);
// Keys as the X server sends them to the main window, which gets the
// keyboard first: GTK hands each to a grabbing popup (a list's search box)
// or to the window (its key handler, accelerators and mnemonics, then the
// focus widget and its parents). guiType presses and releases a key. A
// test's own window may stand for the main window.
void guiKeyDown(guint keyval, guint state = 0, GtkWidget* window = nullptr);
void guiKeyUp(guint keyval, guint state = 0, GtkWidget* window = nullptr);
void guiType(guint keyval, guint state = 0, GtkWidget* window = nullptr);
void guiTypeText(const char* text);  // ASCII letters, one key each
// The main window's focus widget; a widget's own focus is waited for with
// guiWaitFor, as the shell moves it when the main loop is idle.
GtkWidget* guiFocus();
// What a list column shows for a row, as drawn; a label's text; the only child.
std::string guiCellText(GtkWidget* view, int column, int row);
std::string guiLabelText(GtkWidget* label);
GtkWidget* guiOnlyChild(GtkWidget* container);
// The view on an editor tab's inner page (both numbered from 0), shown as a
// click on their tabs would show it, which builds it; null when the tab has
// no such page.
GtkWidget* guiEditorView(int tab, int innerPage = 0);
// The child of container whose label, a button's or a menu item's
// (mnemonic marks included), is text; null for none.
GtkWidget* guiChildLabelled(GtkWidget* container, const std::string& text);
// The text of the tooltip on screen, "" while none is shown.
std::string guiTooltipText();

// The real main window, a scratch folder and an image of three modules.
class GuiTest : public testing::Test {
 protected:
  void SetUp() override;
  // The pages of the window; the editor's own unless a suite says otherwise.
  virtual void startShell();
  // File > Open of path.
  void open(const std::string& path);
  // Opens an image with a module for every tab: rombitmaps (one 8 x 2
  // bitmap), rom_col_a, Lng_German and Lng_Dutch ("Ja", "Nein", "Weiter"),
  // font_a (6 x 8), then kernel.
  void openEveryKind();

  TempDir dir;
  Bytes colors, kernel, diag;  // a data module, a system module, a user-defined data module
  std::string good;            // the file holding the three
};

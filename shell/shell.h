// SPDX-License-Identifier: MIT
// The application shell: the main window with its File menu and notebook,
// the current pool, the file commands and the dialogs shared by the tabs.
// The shell knows no tab: the entry point hands it the list of pages.
#pragma once

#include <gtk/gtk.h>

#include <cstddef>

#include "pool/pool.h"
#include "shell/tab_handler.h"

struct IconArt;

// Results of askSaveFirst.
enum SaveAnswer { SAVE_YES = 0, SAVE_NO = 1, SAVE_CANCEL = 2 };

// Results of runSaveDialog.
enum SaveResult { SAVE_WRITTEN = 0, SAVE_FAILED = 1, SAVE_CANCELLED = 2 };

// Paths and remembered folders are cut to 1023 bytes; composed messages to
// 1023 characters.
constexpr size_t SHELL_TEXT_SIZE = 1024;

// One page of the main notebook. The shell adds the page (icon above title)
// and hands its container to create, which fills it and returns the tab's
// handler.
struct TabPage {
  const char* title;
  const IconArt* icon;  // 24 x 24
  TabHandler* (*create)(GtkWidget* container);
};

// The dialogs the shell runs and its last step on Quit. Tests replace the
// whole table to answer from a script; every other caller uses the GTK one.
struct ShellDialogs {
  // A modal message box of type GTK_MESSAGE_ERROR or GTK_MESSAGE_WARNING.
  void (*message)(GtkMessageType type, const char* text);
  // The "Data not saved" question; returns the GTK response.
  int (*question)(const char* text);
  // A file chooser starting in folder (none when empty), with suggestedName
  // (may be null) for a save. On accept stores the file name in path ("" for
  // none) and the chooser's folder in folderOut (SHELL_TEXT_SIZE bytes each,
  // an unknown folder left as it was) and returns 1; returns 0 when
  // cancelled.
  int (*chooseFile)(const char* title, GtkFileChooserAction action, const char* folder,
                    const char* suggestedName, char* path, char* folderOut);
  // Ends the main loop.
  void (*quit)();
};
extern const ShellDialogs SHELL_GTK_DIALOGS;
void shellSetDialogs(const ShellDialogs* dialogs);

// The entry point: prints usage or version for --help and --version, else
// starts GTK, builds the window with pages and runs the main loop; a FILE
// argument is opened once the window is on screen. Returns the exit code.
int shellMain(int argc, char** argv, const TabPage* pages, size_t count);

// Builds the main window, its menu and one notebook page per entry of pages,
// and shows it. Called once, after gtk_init; the caller runs the main loop.
void shellWindowNew(const TabPage* pages, size_t count);

// Opens a file as File > Open would after its dialog: errors and the
// alignment warning are shown in the same boxes.
void shellOpenFile(const char* path);

// Opens a file given at start-up once the main window is mapped, so that a
// message box sits on a drawn window. path is copied.
void shellOpenWhenShown(const char* path);

// Puts a page into the main notebook, with the icon above the title, and
// returns the page container (a vertical box).
GtkWidget* addTabPage(GdkPixbuf* icon, const char* title);

// Asks for a file name and writes pool there. Returns SAVE_WRITTEN,
// SAVE_FAILED (the user was told why) or SAVE_CANCELLED. suggestedName may be
// null.
int runSaveDialog(ModulePool* pool, const char* suggestedName);

// Asks for a file and loads it. Returns the new pool, or null when the user
// cancelled or loading failed (the user was told why).
ModulePool* runOpenDialog();

// A file chooser for a tab (through the dialog table, so tests answer it),
// starting in folderMemory (SHELL_TEXT_SIZE bytes), which takes the
// chooser's folder on accept; before it holds one, in the loaded image's
// folder, else in the current folder. The GTK chooser of a save asks before
// overwriting. Returns 1 with the file name in path (SHELL_TEXT_SIZE bytes),
// or 0 when cancelled or accepted without a file name.
int shellChooseFile(const char* title, GtkFileChooserAction action, char* folderMemory,
                    const char* suggestedName, char* path);

// Asks the "Data not saved" question; returns a SaveAnswer.
int askSaveFirst(const char* text);

// Destroys every child of a container (a tab's page before new content).
void containerClear(GtkWidget* container);
// The child of a container that holds exactly one, else null.
GtkWidget* containerOnlyChild(GtkWidget* container);

// Calls commit on every tab, when a pool is loaded.
void commitAllTabs();

// Said by a view's store whose module cannot take its edits (the module
// keeps its previous contents), on every store while that lasts: the shell
// names the module and the reason in a warning after the commit. first: the
// view has not told this before; leaving a tab warns of those only, while
// Save, Open and Quit warn of every one, so no save drops an edit unsaid.
void shellStoreRefused(Module* module, const char* reason, bool first);

// A GtkMenuPositionFunc for a popup menu opened from the keyboard (Shift+F10,
// the Menu key): the menu drops down from the cursor row of the GtkTreeView
// given as data.
void shellMenuBelowCursor(GtkMenu* menu, gint* x, gint* y, gboolean* pushIn, gpointer treeView);
// The same for any widget given as data: the menu drops down from its
// bottom left corner.
void shellMenuBelowWidget(GtkMenu* menu, gint* x, gint* y, gboolean* pushIn, gpointer widget);

// Marks list as the widget that takes the keyboard focus when page is shown:
// the Modules tab's page container, or an editor view's top widget (found
// through the inner notebook's current page).
void shellSetMainList(GtkWidget* page, GtkWidget* list);
// Once the main loop is idle, puts the keyboard focus into the main list of
// the page shown; its cursor row stays. Selecting a tab in any way does it.
void shellFocusMainListLater();

// Shows the busy cursor over widget's window, flushed to the screen at once,
// until the main loop is idle again (the work done and drawn): for work that
// may take a noticeable time, announced before it starts.
void shellBusyUntilIdle(GtkWidget* widget);

// Returns a new image widget showing the 16 x 16 replace icon.
GtkWidget* newReplaceIcon();

// Modal message boxes over the main window with one Close button; the text is
// shown as plain text.
void showError(const char* text);
void showWarning(const char* text);
// showError once the main loop is idle: for a handler that the dialog would
// run again (a cell editor's "edited" runs again when the dialog takes its
// focus).
void showErrorLater(const char* text);

// Read access for the tabs and the tests.
GtkWidget* shellGetMainWindow();
GtkWidget* shellGetNotebook();
ModulePool* shellGetCurrentPool();
struct List;
List* shellGetTabList();  // TabHandler*, in notebook order

// The File menu items, so that tests drive the real menu.
struct ShellMenu {
  GtkWidget* file;
  GtkWidget* open;
  GtkWidget* save;
  GtkWidget* quit;
};
const ShellMenu* shellGetMenu();

// Composes a message of at most 1023 bytes into out (SHELL_TEXT_SIZE bytes).
// The message boxes show any bytes that are not UTF-8, or a character cut at
// the end, as replacement marks.
void shellFormatMessage(char* out, const char* format, ...) G_GNUC_PRINTF(2, 3);

// Returns text fit for a GTK label (caller frees with g_free): UTF-8 as it
// is, anything else (module names are 8-bit text) read as ISO-8859-1.
gchar* shellDisplayText(const char* text);

// The application shell: the main window with its File menu and notebook,
// the current pool, the file commands and the dialogs shared by the tabs.
#pragma once

#include <gtk/gtk.h>

#include "pool/pool.h"
#include "shell/tab_handler.h"

// Results of askSaveFirst.
enum SaveAnswer { SAVE_YES = 0, SAVE_NO = 1, SAVE_CANCEL = 2 };

// Results of runSaveDialog.
enum SaveResult { SAVE_WRITTEN = 0, SAVE_FAILED = 1, SAVE_CANCELLED = 2 };

// Builds the main window, its menu and the five tabs, and shows it. Called
// once, after gtk_init; the caller then runs the main loop.
void shellWindowNew();

// Opens a file given on the command line as File > Open would after its
// dialog: errors and the alignment warning are shown in the same boxes.
void shellOpenFile(const char* path);

// Puts a tab's page into the main notebook, with the icon above the title,
// and returns the page container (a vertical box).
GtkWidget* addTabPage(GdkPixbuf* icon, const char* title);

// Asks for a file name and writes pool there. Returns SAVE_WRITTEN,
// SAVE_FAILED (the user was told why) or SAVE_CANCELLED. suggestedName may be
// null.
int runSaveDialog(ModulePool* pool, const char* suggestedName);

// Asks for a file and loads it. Returns the new pool, or null when the user
// cancelled or loading failed (the user was told why).
ModulePool* runOpenDialog();

// Asks the "Data not saved" question; returns a SaveAnswer.
int askSaveFirst(const char* text);

// Destroys every child of a container (a tab's page before new content).
void containerClear(GtkWidget* container);

// Calls commit on every tab, when a pool is loaded.
void commitAllTabs();

// Returns a new image widget showing the 16 x 16 replace icon.
GtkWidget* newReplaceIcon();

// Modal message boxes over the main window with one Close button; the text is
// shown as plain text.
void showError(const char* text);
void showWarning(const char* text);

// Read access for the tabs and the tests.
GtkWidget* shellGetMainWindow();
GtkWidget* shellGetNotebook();
ModulePool* shellGetCurrentPool();
struct List;
List* shellGetTabList();  // TabHandler*, in notebook order

// The File menu items, so that tests drive the real menu.
struct ShellMenu {
  GtkWidget* open;
  GtkWidget* save;
  GtkWidget* quit;
};
const ShellMenu* shellGetMenu();

// What Quit does last: gtk_main_quit by default. Tests replace it, since they
// drive the window without a main loop of their own.
void shellSetQuitFunction(void (*quit)());

// Composes a message of at most 1023 bytes into out (1024 bytes). The
// message boxes show any bytes that are not UTF-8, or a character cut at the
// end, as replacement marks.
void shellFormatMessage(char* out, const char* format, ...) G_GNUC_PRINTF(2, 3);

// Returns text fit for a GTK label (caller frees with g_free): UTF-8 as it
// is, anything else (module names are 8-bit text) read as ISO-8859-1.
gchar* shellDisplayText(const char* text);

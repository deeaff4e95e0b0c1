// SPDX-License-Identifier: MIT
// One view of the Strings tab over one language module.
#pragma once

#include <gtk/gtk.h>

#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "shell/shell.h"
#include "shell/undo_history.h"
#include "tabs/strings/language_codec.h"
#include "tabs/strings/translation_file.h"

// Which rows the list shows, as the popup menu's radio items name them.
enum StringFilter {
  FILTER_ALL,          // "Show all"
  FILTER_CHANGED,      // "Show changed"
  FILTER_SAME,         // "Show same as reference": the text equals the reference's
  FILTER_EMPTY,        // "Show empty"
  FILTER_UNDECODABLE,  // "Show undecodable"
  FILTER_COUNT
};

// What the user chose in the popup menu of a module's view.
struct StringsChoices {
  int filter = FILTER_ALL;
  std::string reference;  // a language module's name, or "" for none
  std::string font;       // a font module's name, or "" for none
};

struct LanguageView;

// The Strings tab's own state, made with the tab and handed to each view it
// makes: what was chosen for each module, by name, so that a view made
// again shows it again; the views built, by module, so that a view finds
// the one of its reference without looking through every page; and the
// folders of the last accepted Export Texts and Import Texts dialogs.
struct StringsTab {
  std::map<std::string, StringsChoices> choices;
  std::unordered_map<const Module*, LanguageView*> views;
  char exportFolder[SHELL_TEXT_SIZE];
  char importFolder[SHELL_TEXT_SIZE];
};

// Frees a LanguageModule read with readLanguageModule, and the record.
struct LanguageModuleDelete {
  void operator()(LanguageModule* lm) const {
    languageModuleClear(lm);
    delete lm;
  }
};

struct LanguageView {
  LanguageModule lm;  // the module, its body as read and its entries
  ModulePool* pool;
  StringsTab* tab;
  StringsChoices* choices;  // the tab's for this module's name
  GtkWidget* top;
  GtkWidget* treeView;
  GtkListStore* listStore;  // one unsigned column: the entry's number
  // By entry number, the entry's row in the store; -1 for an absent entry.
  std::vector<int> storeRows;
  // The editor open in a "Text" cell (a weak pointer) and its row. Its text
  // counts as entered when the tab is committed or the editor loses the
  // focus; only Escape drops it.
  GtkCellEditable* editable;
  gchar* editPath;
  bool malformed;         // the module could not be read: nothing is stored
  ModuleKeep keep;        // the module's block as loaded, once edited
  bool refusedStoreTold;  // the user was told once that the module cannot be stored

  // The list shows the store itself for FILTER_ALL, otherwise a filter model
  // over it made for the filter chosen; the "#" numbers never change.
  int filter;
  // The texts the "Reference" column shows, or null: those of the language
  // module chosen, from the same image. Where that module's view is built
  // they are its texts as edited there (referenceView), else the module's
  // stored texts, read for this view (referenceRead); found again when views
  // come or go. By entry number, the reference's entry of the same key, or
  // null.
  const LanguageModule* reference;
  LanguageView* referenceView;
  std::unique_ptr<LanguageModule, LanguageModuleDelete> referenceRead;
  std::vector<const StringEntry*> referenceEntries;
  GtkTreeViewColumn* referenceColumn;
  // The font the "Width" column measures with, while measuring.
  bool measuring;
  Module* font;
  guint32 fontCrc;  // the font's CRC when its widths were read
  TextMeasure measure;
  GtkTreeViewColumn* widthColumn;
  gchar* searchKey;  // the last type-ahead text, for F3 and Shift+F3
  GtkWidget* searchEntry;  // the list's search box (a weak pointer), once it was shown
  GtkTreeViewColumn* textColumn;
  // Undo and redo of texts entered, reverted and imported.
  std::unique_ptr<UndoHistory> history;

  // The list's popup menu and its items, kept for the view's life. The two
  // submenus of modules are made each time the menu pops up, from the image
  // as it is then: made with every view, they would cost the square of the
  // number of modules.
  GtkWidget* menu;
  GtkWidget* filterItems[FILTER_COUNT];
  GtkWidget* referenceItem;
  GtkWidget* measureItem;
  GtkWidget* referenceMenu;  // radio items: each other language module, then "None"
  GtkWidget* measureMenu;    // radio items: each font module, then "None"
  GtkWidget* exportItem;
  GtkWidget* importItem;
  bool menuSyncing;  // the view sets its radio items: their toggles are not choices

  ~LanguageView();
};

// Shared by the files of the view.
StringEntry* languageViewEntry(LanguageView* view, uint32_t number);
StringEntry* languageViewRowEntry(LanguageView* view, GtkTreeModel* model, GtkTreeIter* iter);
// The reference's entry of the same key, or null.
const StringEntry* languageViewReference(const LanguageView* view, const StringEntry* e);
// The list's model as shown: the store, or a filter over it.
GtkTreeModel* languageViewShownModel(LanguageView* view);
// The inner tab after texts or the filter changed: the tooltip's count of
// changed texts, the title's filter.
void languageViewTabUpdate(LanguageView* view);

// The list (strings_tab.cpp). Shows the rows the view's filter lets
// through, the cursor kept on its entry; enters a text still being edited.
void stringsListModelSet(LanguageView* view);
void stringsEditFinish(LanguageView* view);

// The popup menu and its choices (strings_menu.cpp). stringsMenuBuild makes
// the menu once, stringsMenuFor makes its submenus of modules as it pops up;
// stringsChoicesApply shows a new view as the tab's choices for its module
// say. stringsViewAdded counts a new view among the tab's views and finds
// the references of those views again, as does stringsViewGone for a view
// that goes.
void stringsMenuBuild(LanguageView* view);
GtkWidget* stringsMenuFor(LanguageView* view);
void stringsChoicesApply(LanguageView* view);
void stringsViewAdded(LanguageView* view);
void stringsViewGone(LanguageView* view);
// The Width column's font: stopped, or read again when it changed.
void stringsMeasureStop(LanguageView* view);
void stringsMeasureRefresh(LanguageView* view);

// "Export texts…" and "Import texts…" (strings_files.cpp).
void stringsTextsExport(LanguageView* view);
void stringsTextsImport(LanguageView* view);

// Search (strings_search.cpp): type-ahead and Ctrl+F find a row whose text,
// or its reference's while the Reference column is shown, holds what was
// typed anywhere, ignoring case; F3 and Shift+F3 go on from the cursor
// (step 1 or -1); a search without a match turns the search box red.
void stringsSearchInit(LanguageView* view);
void stringsSearchStep(LanguageView* view, int step);
void stringsSearchForget(LanguageView* view);

// Undo (strings_undo.cpp): a text's state is its changed mark and its text.
enum : uint32_t { STRINGS_UNDO_TEXT = 1 };
void stringsUndoInit(LanguageView* view);
// Opens a step over every present text (an import).
void stringsUndoNoteAll(LanguageView* view);
// Undoes (step -1) or redoes (step 1) a step, the rows and marks following.
void stringsUndoApply(LanguageView* view, int step);
// A typed text the code page cannot hold: says which character, once the
// cell editor has gone.
void stringsEditRefused(LanguageView* view, const StringEntry* e, const char* typed);

// The list's keys (strings_keys.cpp).
gboolean stringsListKeyPress(GtkWidget* list, GdkEventKey* event, LanguageView* view);
void stringsRowActivated(GtkTreeView* list, GtkTreePath* path, GtkTreeViewColumn* column,
                         LanguageView* view);

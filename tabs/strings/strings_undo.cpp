// SPDX-License-Identifier: MIT
// Undo and redo in a Strings view, and the message for a typed text that
// the code page cannot hold.
#include "shell/shell.h"
#include "tabs/strings/language_view.h"
#include "tabs/strings/text_misfit.h"

namespace {

// A text's state: its changed mark, then its text.
std::string textStateRead(void* data, uint32_t, uint32_t number) {
  const StringEntry* e = languageViewEntry(static_cast<LanguageView*>(data), number);
  return std::string(1, e->changed ? '1' : '0') + (e->text ? e->text : "");
}

void textStateSet(StringEntry* e, const std::string& state) {
  languageEntryRestore(e, state.c_str() + 1, state[0] == '1');
}

// The row of the entry in the list as shown, or null when filtered out.
GtkTreePath* shownPath(LanguageView* view, uint32_t number) {
  GtkTreePath* path = gtk_tree_path_new_from_indices(view->storeRows[number], -1);
  GtkTreeModel* shown = languageViewShownModel(view);
  if (shown == GTK_TREE_MODEL(view->listStore)) return path;
  GtkTreePath* filtered =
      gtk_tree_model_filter_convert_child_path_to_path(GTK_TREE_MODEL_FILTER(shown), path);
  gtk_tree_path_free(path);
  return filtered;
}

}  // namespace

void stringsUndoInit(LanguageView* view) {
  view->history = std::make_unique<UndoHistory>(textStateRead, view);
}

void stringsUndoNoteAll(LanguageView* view) {
  view->history->begin();
  for (uint32_t i = 0; i < listGetCount(view->lm.entries); i++)
    if (languageViewEntry(view, i)->text) view->history->note(STRINGS_UNDO_TEXT, i);
}

void stringsUndoApply(LanguageView* view, int step) {
  const UndoStep* done = step < 0 ? view->history->undo() : view->history->redo();
  if (!done) return;
  GtkTreeModel* store = GTK_TREE_MODEL(view->listStore);
  for (const UndoChange& change : done->changes) {
    textStateSet(languageViewEntry(view, change.key), step < 0 ? change.before : change.after);
    // Told to the store, so that a filter lets the row through or hides it.
    GtkTreeIter iter;
    if (!gtk_tree_model_iter_nth_child(store, &iter, nullptr, view->storeRows[change.key])) continue;
    GtkTreePath* path = gtk_tree_model_get_path(store, &iter);
    gtk_tree_model_row_changed(store, path, &iter);
    gtk_tree_path_free(path);
  }
  // A step of one text takes the cursor to it, so the user sees what changed.
  if (done->changes.size() == 1) {
    if (GtkTreePath* path = shownPath(view, done->changes[0].key)) {
      gtk_tree_view_set_cursor(GTK_TREE_VIEW(view->treeView), path, nullptr, FALSE);
      gtk_tree_view_scroll_to_cell(GTK_TREE_VIEW(view->treeView), path, nullptr, FALSE, 0, 0);
      gtk_tree_path_free(path);
    }
  }
  gtk_widget_queue_draw(view->treeView);
  languageViewTabUpdate(view);
}

void stringsEditRefused(LanguageView* view, const StringEntry* e, const char* typed) {
  char why[SHELL_TEXT_SIZE], message[SHELL_TEXT_SIZE];
  languageMisfit(view->lm.codePage, typed, why, sizeof why);
  shellFormatMessage(message, "Text %u/%u was not changed:\n%s", e->group, e->index, why);
  showErrorLater(message);
}

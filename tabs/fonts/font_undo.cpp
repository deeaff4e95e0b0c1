// SPDX-License-Identifier: MIT
// Undo and redo of glyph edits: a glyph's state is its width and its pixels,
// kept by the view's undo history.
#include <cstring>

#include "tabs/fonts/font_view.h"

namespace {

size_t cellSize(const FontView* view) { return size_t(view->metrics.width) * view->metrics.height; }

// The width's four bytes, then the whole cell.
std::string glyphStateRead(void* data, uint32_t, uint32_t code) {
  auto* view = static_cast<FontView*>(data);
  const FontGlyph* g = fontGlyphAt(view->glyphs, code);
  std::string state(reinterpret_cast<const char*>(&g->width), sizeof g->width);
  state.append(reinterpret_cast<const char*>(g->pixels), cellSize(view));
  return state;
}

void glyphStateSet(FontView* view, uint32_t code, const std::string& state) {
  FontGlyph* g = fontGlyphAt(view->glyphs, code);
  std::memcpy(&g->width, state.data(), sizeof g->width);
  std::memcpy(g->pixels, state.data() + sizeof g->width, cellSize(view));
}

void stepApply(FontView* view, const UndoStep* step, bool after) {
  if (!step) return;
  std::vector<uint32_t> codes;
  for (const UndoChange& change : step->changes) {
    glyphStateSet(view, change.key, after ? change.after : change.before);
    codes.push_back(change.key);
  }
  // A step of one glyph takes the editor to it, so the user sees what changed.
  if (codes.size() == 1 && codes[0] != view->current) {
    GtkTreePath* path = gtk_tree_path_new_from_indices(int(codes[0] - 1), -1);
    gtk_tree_view_set_cursor(GTK_TREE_VIEW(view->listView), path, nullptr, FALSE);
    gtk_tree_path_free(path);
  }
  fontViewShowGlyphs(view, codes);
}

}  // namespace

void fontUndoInit(FontView* view) {
  view->history = std::make_unique<UndoHistory>(glyphStateRead, view);
}

void fontUndoBegin(FontView* view) {
  view->history->begin();
  view->history->note(FONT_UNDO_GLYPH, view->current);
}

void fontUndoStep(FontView* view, int step) {
  if (step < 0) stepApply(view, view->history->undo(), false);
  else stepApply(view, view->history->redo(), true);
}

// SPDX-License-Identifier: MIT
// Undo and redo in a Colors view: palette entries and item assignments in
// the view's undo history, and the keys that step through it.
#include <gdk/gdkkeysyms.h>

#include <cstring>

#include "tabs/colors/color_view.h"

namespace {

// A palette entry's state is whether it was changed and its channels, an
// item's whether it was changed and its entry. An unchanged thing goes back
// by its restore, which keeps the word as read (bit 15 of a colour, an item
// word beyond the palette).
std::string stateRead(void* data, uint32_t kind, uint32_t key) {
  ColorTable* t = &static_cast<ColorView*>(data)->table;
  if (kind == COLOR_UNDO_ENTRY) {
    uint32_t r, g, b;
    t->colorGet(t, key, &r, &g, &b);
    return {char(t->colorIsChanged(t, key)), char(r), char(g), char(b)};
  }
  const uint32_t entry = t->itemGetColor(t, key);
  std::string state(1, char(t->itemIsChanged(t, key)));
  return state.append(reinterpret_cast<const char*>(&entry), sizeof entry);
}

uint32_t entryOf(const std::string& itemState) {
  uint32_t entry;
  std::memcpy(&entry, itemState.data() + 1, sizeof entry);
  return entry;
}

void stateSet(ColorView* view, uint32_t kind, uint32_t key, const std::string& state) {
  ColorTable* t = &view->table;
  const bool changed = state[0];
  if (kind == COLOR_UNDO_ENTRY && !changed) t->colorRestore(t, key);
  else if (kind == COLOR_UNDO_ENTRY) t->colorSet(t, key, uint8_t(state[1]), uint8_t(state[2]), uint8_t(state[3]));
  else if (!changed) t->itemRestore(t, key);
  else t->itemSetColor(t, key, entryOf(state));
  if (kind == COLOR_UNDO_ENTRY) colorViewRefreshEntry(view, int32_t(key));
}

// The swatches and marks follow, and the palette shows the entry of the
// item selected, as after any assignment.
void stepApply(ColorView* view, const UndoStep* step, bool after) {
  if (!step) return;
  for (const UndoChange& change : step->changes)
    stateSet(view, change.kind, change.key, after ? change.after : change.before);
  colorViewFollowItems(view);
}

}  // namespace

void colorViewFollowItems(ColorView* view) {
  colorItemsRefreshAll(view);
  const int32_t entry = colorItemsSelectedEntry(view);
  if (entry != view->selected) colorViewSelect(view, entry);
  colorViewShowSelected(view);
}

void colorUndoInit(ColorView* view) {
  view->history = std::make_unique<UndoHistory>(stateRead, view);
}

void colorUndoNoteItem(ColorView* view, uint32_t item) {
  ColorTable* t = &view->table;
  if (!t->itemIsHeading(t, item)) return view->history->note(COLOR_UNDO_ITEM, item);
  for (uint32_t i = item + 1; i < t->itemCount && !t->itemIsHeading(t, i); i++)
    view->history->note(COLOR_UNDO_ITEM, i);
}

gboolean colorViewKeyPress(GtkWidget*, GdkEventKey* event, ColorView* view) {
  const guint mods = event->state & (GDK_CONTROL_MASK | GDK_MOD1_MASK | GDK_SHIFT_MASK);
  const guint key = gdk_keyval_to_lower(event->keyval);
  if (mods == GDK_CONTROL_MASK && key == GDK_z)
    stepApply(view, view->history->undo(), false);
  else if ((mods == (GDK_CONTROL_MASK | GDK_SHIFT_MASK) && key == GDK_z) ||
           (mods == GDK_CONTROL_MASK && key == GDK_y))
    stepApply(view, view->history->redo(), true);
  else
    return FALSE;
  return TRUE;
}

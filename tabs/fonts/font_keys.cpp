// SPDX-License-Identifier: MIT
// The keys of a Fonts view: undo and redo, zooming the glyph grid, and where
// a painting stroke by keys begins and ends.
#include <gdk/gdkkeysyms.h>

#include "tabs/fonts/font_view.h"
#include "tabs/fonts/glyph_edit.h"

namespace {

bool isArrow(guint key) {
  switch (key) {
    case GDK_Left: case GDK_Right: case GDK_Up: case GDK_Down:
    case GDK_KP_Left: case GDK_KP_Right: case GDK_KP_Up: case GDK_KP_Down:
      return true;
  }
  return false;
}

// Before the GlyphEdit's own handling: anything but Shift with an arrow
// ends the step being gathered, so Space inverts a cell as a step of its
// own, and Shift with the arrow keys paints one step from the press of
// Shift until any other key.
gboolean editorKeyPress(GtkWidget*, GdkEventKey* event, FontView* view) {
  if (!((event->state & GDK_SHIFT_MASK) && isArrow(event->keyval))) view->history->end();
  return FALSE;
}

void zoom(FontView* view, int step) {
  GlyphEdit* editor = GLYPH_EDIT(view->glyphEdit);
  if (step == 0) glyphEditZoom(editor, 0);
  else glyphEditZoom(editor, guint(CLAMP(glyphEditGetDotSize(editor) + step, 2, 32)));
}

}  // namespace

gboolean fontViewKeyPress(GtkWidget*, GdkEventKey* event, FontView* view) {
  const guint mods = event->state & (GDK_CONTROL_MASK | GDK_MOD1_MASK | GDK_SHIFT_MASK);
  if (!(mods & GDK_CONTROL_MASK) || (mods & GDK_MOD1_MASK)) return FALSE;
  const bool shift = mods & GDK_SHIFT_MASK;
  switch (gdk_keyval_to_lower(event->keyval)) {
    case GDK_z: fontUndoStep(view, shift ? 1 : -1); break;
    case GDK_y: fontUndoStep(view, 1); break;
    // Ctrl+plus is Ctrl+Shift+= on most keyboards.
    case GDK_plus: case GDK_equal: case GDK_KP_Add: zoom(view, 1); break;
    case GDK_minus: case GDK_KP_Subtract: zoom(view, -1); break;
    case GDK_0: case GDK_KP_0: zoom(view, 0); break;
    default: return FALSE;
  }
  return TRUE;
}

void fontKeysConnect(FontView* view) {
  g_signal_connect(view->glyphEdit, "key-press-event", G_CALLBACK(editorKeyPress), view);
}

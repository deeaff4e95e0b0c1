// SPDX-License-Identifier: MIT
// One view of the Fonts tab over one font module.
#pragma once

#include <gtk/gtk.h>

#include <memory>
#include <vector>

#include "pool/memory.h"
#include "shell/undo_history.h"
#include "tabs/fonts/font_codec.h"

struct FontView {
  Module* module;
  MallocPtr<uint8_t> body;  // the body as read, stored back while nothing changed
  uint32_t bodySize;
  GtkWidget* listView;
  GtkListStore* listStore;
  GtkWidget* glyphEdit;
  uint32_t current;  // the glyph in the editor; 0 before the first selection
  GtkWidget* currentLabel;
  GtkWidget* widthSpin;
  GtkWidget* copyEntry;
  GtkWidget* clearButton;
  GtkWidget* restoreButton;
  GtkWidget* previewImage;
  GtkWidget* previewEntry;
  List* glyphs;  // FontGlyph*, codes 1 .. 255; null for a malformed body
  FontMetrics metrics;
  // Raised while the view sets the width spin itself, so that only the
  // user's changes count, however the spin gets them.
  bool settingWidth;
  ModuleKeep keep;    // the module's block as loaded, once edited
  bool tooLargeTold;  // the user was told once that the font cannot be stored
  ModulePool* pool;    // the image, for its language modules
  GtkWidget* menu;     // the glyph list's popup menu
  GtkWidget* missingItem;  // its "Missing for" item; the submenu is made at each popup
  // Per byte value, how many texts of the "Missing for" language use it;
  // all 0 while no language is chosen or the chosen one is not in the image.
  uint32_t uses[256];
  const char* missingCodePage;  // that language's code page, or null
  // The module and CRC the uses were counted from: entering the tab counts
  // again only when the language module changed.
  Module* usesModule;
  uint32_t usesCrc;
  // Undo and redo of glyph edits. A painting stroke is one step, gathered
  // from its first painted dot until the button is released or anything
  // else happens.
  std::unique_ptr<UndoHistory> history;

  ~FontView();
};

inline FontGlyph* fontViewGlyph(FontView* view, uint32_t code) { return fontGlyphAt(view->glyphs, code); }

// After glyphs were set from elsewhere (undo, redo, an import): their
// marks and pictures, the editor, the preview.
void fontViewShowGlyphs(FontView* view, const std::vector<uint32_t>& codes);

// What the undo history names: a glyph, by its code.
enum : uint32_t { FONT_UNDO_GLYPH = 1 };

// Starts an undo step over the current glyph, ending the one before.
void fontUndoBegin(FontView* view);
// Makes the view's history (reading glyphs), when the view is built.
void fontUndoInit(FontView* view);
// Undoes (step -1) or redoes (step 1) a step, the glyphs following.
void fontUndoStep(FontView* view, int step);

// The view's keys (font_keys.cpp): Ctrl+Z, Ctrl+Shift+Z and Ctrl+Y undo and
// redo, Ctrl+plus, Ctrl+minus and Ctrl+0 zoom the glyph grid, anywhere in
// the view; and the bounds of the GlyphEdit's keyboard strokes.
gboolean fontViewKeyPress(GtkWidget* top, GdkEventKey* event, FontView* view);
void fontKeysConnect(FontView* view);

// The preview (font_preview.cpp). Draws the preview entry's text, converted
// to the host's 8-bit character set (CP1252 where the system uses UTF-8),
// with the font's glyphs; blank, one pixel wide, before any text.
void fontViewRenderPreview(FontView* view);
void fontPreviewBlank(FontView* view);

// The glyph list's popup menu (font_menu.cpp): "Export BDF…", "Import
// BDF…" and "Missing for" with its language submenu. fontMenuBuild makes it
// once; fontMenuFor makes the submenu anew and returns the menu to open.
GtkWidget* fontMenuBuild(FontView* view);
GtkWidget* fontMenuFor(gpointer view);
// Whether the "Missing for" language uses the glyph and the font draws it
// blank: its code is marked red.
bool fontGlyphMissing(FontView* view, uint32_t code);
// The list's tooltip: how many glyphs are marked, and the menu's keys.
void fontMissingShow(FontView* view);
// Counts the language's uses again when its module changed, and marks.
void fontMissingRefresh(FontView* view);

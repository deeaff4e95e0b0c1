// SPDX-License-Identifier: MIT
// One view of the Fonts tab over one font module.
#pragma once

#include <gtk/gtk.h>

#include <vector>

#include "pool/memory.h"
#include "tabs/fonts/font_codec.h"

// One glyph's state, as an undo step keeps it.
struct GlyphState {
  uint32_t code;
  uint32_t width;
  std::vector<uint8_t> pixels;  // the whole cell
};

// One undoable edit: the glyphs it changed, before and after (same codes, in
// the same order).
struct EditStep {
  std::vector<GlyphState> before, after;
};

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
  // Undo and redo, most recent last. openStep gathers a painting stroke
  // (its before states) from its first painted dot until the button is
  // released or anything else happens.
  std::vector<EditStep> undoSteps, redoSteps;
  EditStep openStep;

  ~FontView();
};

// Draws the preview entry's text, converted to the host's 8-bit character
// set (CP1252 where the system uses UTF-8), with the font's glyphs.
void fontViewRenderPreview(FontView* view);

// One view of the Fonts tab over one font module.
#pragma once

#include <gtk/gtk.h>

#include "pool/memory.h"
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
  bool tooLargeTold;  // the user was told once that the font cannot be stored

  ~FontView();
};

// Draws the preview entry's text, converted to the host's 8-bit character
// set (CP1252 where the system uses UTF-8), with the font's glyphs.
void fontViewRenderPreview(FontView* view);

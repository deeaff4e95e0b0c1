// SPDX-License-Identifier: MIT
// GlyphEdit: a GTK 2 widget that shows a cols x rows matrix of bytes as a grid
// of enlarged dots and lets the user paint them with the mouse. It knows
// nothing about fonts; the Fonts tab loads a glyph into it and listens to its
// "modified" signal.
//
// Mouse: button 1 sets a cell, button 2 inverts it, button 3 clears it. A drag
// paints each cell once, when the pointer enters it, and only while the widget
// has the keyboard focus; the first press inside the grid takes the focus.
// Keyboard: a cursor cell, drawn with the focus indicator while the widget
// has the focus, moved by the arrow keys (Home and End to the row's ends,
// PgUp and PgDn to the column's); Space inverts it; Shift with an arrow key
// sets each cell the cursor enters. A press puts the cursor on its cell.
// Every changed cell emits "modified" once, with a pointer to an int holding 0
// (receivers ignore it).
//
// Properties: "pixeldata" (pointer: set copies cols x rows bytes in, get gives
// the widget's own matrix), "dotsize" (uint, as glyphEditSetDotSize) and
// "visiblewidth" (uint, as glyphEditSetVisibleWidth).
#pragma once

#include <gtk/gtk.h>

struct GlyphEdit {
  GtkWidget widget;
  guint8* pixels;         // cols x rows, row-major; 0 clear, anything else set
  guint32 cols, rows;     // fixed at construction
  guint32 visibleWidth;   // columns below it are drawn black, the others light grey
  gint32 lastX, lastY;    // the cell last reached by a press or by pointer motion
  guint16 dotSize;        // a dot's inner square is dotSize + 3 pixels wide
  guint16 borderY, borderX;  // margins around the grid in the size request
  gint32 cursorX, cursorY;   // the keyboard's cell
  guint16 madeDotSize;       // as glyphEditNew got it
  gboolean zoomed;           // the dot size was zoomed to: no shrink to half the screen
};

struct GlyphEditClass {
  GtkWidgetClass parentClass;
  // Shared by every GlyphEdit; they exist while at least one is realized.
  GdkCursor* cursor;
  GdkGC* gridGc;
  GdkGC* dotGc;
  void (*modified)(GlyphEdit* glyphEdit, gpointer unused);
};

GType glyphEdit_get_type();

#define GLYPH_EDIT_TYPE (glyphEdit_get_type())
#define GLYPH_EDIT(obj) (G_TYPE_CHECK_INSTANCE_CAST((obj), GLYPH_EDIT_TYPE, GlyphEdit))
#define GLYPH_EDIT_CLASS(klass) (G_TYPE_CHECK_CLASS_CAST((klass), GLYPH_EDIT_TYPE, GlyphEditClass))
#define IS_GLYPH_EDIT(obj) (G_TYPE_CHECK_INSTANCE_TYPE((obj), GLYPH_EDIT_TYPE))
#define IS_GLYPH_EDIT_CLASS(klass) (G_TYPE_CHECK_CLASS_TYPE((klass), GLYPH_EDIT_TYPE))
#define GLYPH_EDIT_GET_CLASS(obj) (G_TYPE_INSTANCE_GET_CLASS((obj), GLYPH_EDIT_TYPE, GlyphEditClass))

// A new widget over a zero-filled cols x rows matrix that it owns until it is
// destroyed. dotSize is stored as given (glyphEditSetDotSize is stricter).
GtkWidget* glyphEditNew(guint32 cols, guint32 rows, guint16 dotSize);

// Copies cols x rows bytes from source into the matrix and redraws. Does not
// emit "modified". A null source is ignored.
void glyphEditSetPixels(GlyphEdit* glyphEdit, const guint8* source);
// The widget's own matrix (not a copy), valid until the widget is destroyed;
// null for a widget made without glyphEditNew.
guint8* glyphEditGetPixels(GlyphEdit* glyphEdit);

// Stores n, whatever its value, and redraws.
void glyphEditSetVisibleWidth(GlyphEdit* glyphEdit, guint32 n);
guint32 glyphEditGetVisibleWidth(GlyphEdit* glyphEdit);

// Stores n and queues a resize only for 2 <= n <= 32; other values are ignored.
// A size request may lower the dot size so that the grid fits in half the
// screen's height.
void glyphEditSetDotSize(GlyphEdit* glyphEdit, guint n);
// Zooms: dots of n (2 <= n <= 32, others ignored) whatever the screen's
// height; 0 goes back to the dot size the widget was made with, fitted to
// half the screen again.
void glyphEditZoom(GlyphEdit* glyphEdit, guint n);
guint16 glyphEditGetDotSize(GlyphEdit* glyphEdit);

// SPDX-License-Identifier: MIT
// A colour table in the files palette editors read and write, and its items
// in a table for spreadsheets:
// - GIMP palette (.gpl): "GIMP Palette", "Name: " the module's name (8-bit
//   bytes read as Latin-1, written UTF-8), "Columns: 8", "#", then one line
//   per entry "%3d %3d %3d<TAB>entry N", the colours as the Colors tab shows
//   them (each 5-bit channel through the display table);
// - JASC-PAL (.pal), CRLF line ends: "JASC-PAL", "0100", "60", then per
//   entry "R G B";
// - items (.tsv): a header "index name entry red green blue", then per item
//   its index, its name as the tab shows it, its palette entry, "heading" or
//   "beyond" (an item word past the palette), and the entry's colour (empty
//   for headings and "beyond").
// Reading a palette sets each entry whose colour differs from what it shows
// to the nearest 5-bit channels; an entry whose colour is the same keeps its
// word, so a palette exported imports back to the same words.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tabs/colors/color_table.h"

enum PaletteFormat : int {
  PALETTE_UNKNOWN = -1,
  PALETTE_GPL = 0,
  PALETTE_PAL = 1,
  PALETTE_ITEMS = 2,  // the items' table, .tsv
};

// By the file name's extension (.gpl, .pal, .tsv, any case).
int paletteFormatOf(const char* path);

// By a format's name ("gpl", "pal", "tsv", any case).
int paletteFormatNamed(const char* name);

// The 5-bit channel whose display value is nearest to an 8-bit value; the
// lower one where two are as near.
uint32_t colorNearestChannel(uint32_t value);

// A colour as the Colors tab's entry shows and takes it: "#rrggbb", three
// 8-bit values in hexadecimal. colorHexParse takes upper case too, and the
// text without its "#" or with blanks around it; it returns 0, leaving rgb
// alone, for anything else.
void colorHexText(uint32_t red, uint32_t green, uint32_t blue, char out[8]);
int colorHexParse(const char* text, uint32_t rgb[3]);

// The file of the table (named `name`, the module's name) in format.
// Returns the bytes (malloc'd, not terminated) and their count in *size.
char* paletteWrite(ColorTable* table, const char* name, int format, size_t* size);

// Reads a file of format into table: a palette of exactly 60 colours sets
// the palette, an items table the items it lists (by index, each name as
// the item's). The transparent entry keeps its word whatever the file says;
// when the file gives it another colour, *notes (malloc'd, or null when
// there is nothing to say) tells so. Returns 1, or 0 with "line N: reason"
// in err (errSize bytes) for a file it refuses; then nothing in
// the table changes.
int paletteRead(ColorTable* table, const char* data, size_t size, int format, char** notes,
                char* err, size_t errSize);

// The palette entries the items use: for each entry, the number of colour
// items (headings aside) whose entry it is; one pass over the items.
void colorEntryUses(ColorTable* table, uint32_t uses[COLOR_PALETTE_COUNT]);

// SPDX-License-Identifier: MIT
// Built-in icons as character maps: one string per row, one palette key per
// pixel. Kept free of GTK so the art can be checked without a display.
#pragma once

#include <cstdint>
#include <vector>

struct IconPaletteEntry {
    char key;
    uint8_t r, g, b, a;
};

struct IconArt {
    int width;
    int height;
    const IconPaletteEntry* palette;
    int paletteCount;
    const char* const* rows;
};

// Decodes an icon to tightly packed RGBA (width * 4 bytes per row). Returns
// false and leaves rgba empty on a key missing from the palette or a row of
// the wrong length.
bool iconDecode(const IconArt& art, std::vector<uint8_t>& rgba);

// Notebook tab icons, 24 x 24.
extern const IconArt ICON_MODULES;
extern const IconArt ICON_IMAGES;
extern const IconArt ICON_COLORS;
extern const IconArt ICON_STRINGS;
extern const IconArt ICON_FONTS;

// The Colors tab's marker of the transparent palette entry, 32 x 32.
extern const IconArt ICON_TRANSPARENT;

// Replace button icon, 16 x 16.
extern const IconArt ICON_REPLACE;

// The program's own icon for the window and the desktop entry: 48 x 48, and
// a smaller drawing of it at 24 x 24 for window lists and menus.
extern const IconArt ICON_PROGRAM;
extern const IconArt ICON_PROGRAM_SMALL;

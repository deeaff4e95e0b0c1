// SPDX-License-Identifier: MIT
// What an editor edits, unit by unit: the texts of a language module by
// GROUP/INDEX, the glyphs of a font by code, the palette entries and items
// of a colour table by number, the pictures of an image module by entry.
// diff compares two modules unit by unit; carry moves the units a mod
// changed into another firmware's module, through the editor's own edits.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "cli/editor_module.h"

enum UnitKind : int { UNIT_TEXT, UNIT_GLYPH, UNIT_ENTRY, UNIT_ITEM, UNIT_PICTURE };

// Units by kind and key: the key orders them as the editor lists them.
struct UnitKey {
  int kind;
  uint32_t number;  // entry number, code, palette entry, item, picture
  bool operator<(const UnitKey& o) const {
    return kind != o.kind ? kind < o.kind : number < o.number;
  }
};

// A unit's content, compared byte for byte. Units of one module share its
// layout (the font's cell, the texts' groups): editorUnitsShape tells it.
using Units = std::map<UnitKey, std::string>;

// The units of a decoded module.
Units editorUnits(EditorModule* m);

// What every unit of the module depends on: the font's cell, the table's
// layout, the texts' group sizes. Units of two modules compare only when
// their shapes are the same.
std::string editorUnitsShape(EditorModule* m);

// How a unit is named in a line: "text 0/12", "glyph 65", "entry 5",
// "item 12 \"road class 0\"", "picture 3".
std::string editorUnitName(EditorModule* m, const UnitKey& key);

// What changed from before to after, for one line: "\"a\" -> \"b\"",
// "width 6 -> 5, rows 2 3", "#ff0000 -> #00ff00", "entry 5 -> 7",
// "16x16 png -> 16x16 png, pixels changed"; "absent" for a unit a side
// lacks. Text escaped as the dumps escape it.
std::string editorUnitChange(EditorModule* m, const UnitKey& key, const std::string* before,
                             const std::string* after);

// Makes the unit of the decoded module hold value (one of another module
// of the same shape) as an edit in its tab would. Returns 0 with the reason
// in err (errSize bytes) for a value no edit can give (a text
// made absent, bytes the code page cannot decode, a picture of another
// size or type, a heading made an item); the unit is unchanged then.
int editorUnitSet(EditorModule* m, const UnitKey& key, const std::string& value, char* err,
                  size_t errSize);

// The sizes of a language module's groups, in order.
std::vector<uint32_t> editorGroupSizes(EditorModule* m);

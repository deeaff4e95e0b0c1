// SPDX-License-Identifier: MIT
// One module an editor tab shows, decoded as that tab decodes it, with the
// files of the exchange formats each editor reads and writes: what unpack
// writes out, pack reads back into and stores as the tab stores.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pool/memory.h"
#include "pool/module.h"
#include "pool/pool.h"
#include "tabs/colors/color_table.h"
#include "tabs/fonts/font_codec.h"
#include "tabs/images/image_codec.h"
#include "tabs/strings/language_codec.h"

enum EditorKind : int {
  EDITOR_NONE = 0,
  EDITOR_COLORS,
  EDITOR_FONTS,
  EDITOR_IMAGES,
  EDITOR_STRINGS
};

struct EditorModule {
  int kind = EDITOR_NONE;
  Module* module = nullptr;
  ModuleKeep keep;
  // EDITOR_COLORS: the body as read and the table over it.
  MallocPtr<uint8_t> body;
  uint32_t bodySize = 0;
  ColorTable table{};
  // EDITOR_FONTS
  FontMetrics metrics{};
  List* glyphs = nullptr;
  // EDITOR_IMAGES
  ImageModule* images = nullptr;
  // EDITOR_STRINGS
  LanguageModule lm{};

  EditorModule() = default;
  EditorModule(const EditorModule&) = delete;
  EditorModule& operator=(const EditorModule&) = delete;
  ~EditorModule();
};

// Which editor shows the module (EDITOR_NONE for none).
int editorKindOf(ModulePool* pool, Module* module);

// Decodes the module as its editor does. Returns 1; or 0, leaving kind
// EDITOR_NONE, for a module no editor shows or one its editor shows as
// malformed (then err, of errSize bytes, holds why, or "" for a module of no editor).
int editorModuleDecode(ModulePool* pool, Module* module, EditorModule* m, char* err,
                       size_t errSize);

// Stores the decoded content as the editor's tab stores it: nothing while
// it is what was decoded. Returns 0 with the reason in err (errSize bytes)
// when the encoder or the module refuses; the module is unchanged.
int editorModuleStore(EditorModule* m, char* err, size_t errSize);

// One file of an editor's exchange formats: its path below the folder (made
// from stem, the module's own part of every name) and its bytes.
struct EditorFile {
  std::string path;
  std::string bytes;
};

// The files a decoded module is exported as: strings/STEM.po, fonts/STEM.bdf
// (in codePage), images/STEM/NNN.EXT for every picture the Images tab can
// save, colors/STEM.gpl and colors/STEM.items.tsv. Pictures that cannot be
// saved are named in skipped, one line each.
std::vector<EditorFile> editorModuleFiles(EditorModule* m, const std::string& stem,
                                          const char* codePage, std::string* skipped);

// Reads one such file (its path as editorModuleFiles names it, its bytes
// at data) into the decoded module
// as that editor's import does: texts all or nothing, a BDF's glyphs,
// pictures with Replace's checks, palette or items. Returns 1, with notes
// for the user (pixels dropped, a transparent entry kept) appended to
// notes; or 0 with "reason" in err (errSize bytes), the module's
// content unchanged.
int editorModuleRead(EditorModule* m, const std::string& path, const char* data, size_t size,
                     std::string* notes, char* err, size_t errSize);

// How often each byte is used by each CP1251 language module of the pool
// (languageByteUses), read once for every font to be written.
using ByteUses = std::array<uint32_t, 256>;
std::vector<ByteUses> editorCyrillicUses(ModulePool* pool);

// The code page a font's BDF is written in: CP1251 when one of those
// language modules uses no letter the font draws blank, else CP1252.
const char* editorFontCodePage(const std::vector<ByteUses>& cyrillic, EditorModule* font);

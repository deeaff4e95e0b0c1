// SPDX-License-Identifier: MIT
// The texts of a language module in the files translators' tools read and
// write, and the width a text takes on the unit's screen in one of its fonts.
//
// Every present entry is named by its key "GROUP/INDEX", as the Strings
// tab's "#" column shows it.
// - PO (gettext): a header (UTF-8, the module's name as the project), then
//   per decodable entry in table order msgctxt the key, msgid the reference
//   text (the same key of another language module, or the entry's original
//   text) and msgstr the entry's text. An undecodable entry is only a comment
//   "#. undecodable: " and its bytes in hex. An entry whose msgstr and msgid
//   differ in a leading or trailing newline is marked fuzzy, since msgfmt
//   refuses such a pair as a translation.
// - TSV: the line "key", "reference", "text", then one line per present
//   entry, its fields separated by tabs, backslash, tab, newline and
//   carriage return written as \\, \t, \n and \r. An undecodable entry's
//   text is its bytes as the Strings tab shows them; reading that text back
//   keeps the bytes.
#pragma once

#include <glib.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "pool/module.h"
#include "pool/pool.h"
#include "tabs/strings/language_codec.h"

enum TranslationFormat : int { TRANSLATION_UNKNOWN = -1, TRANSLATION_PO = 0, TRANSLATION_TSV = 1 };

// Appends text on one line: backslash, tab, newline and carriage return as
// \\, \t, \n and \r, as the TSV files and the strings dump write them.
void translationEscape(std::string& out, const char* text);

// By the file name's extension, ".po" or ".tsv" in any case.
int translationFormatOf(const char* path);

// The file for lm's present entries. reference, when not null, is another
// language module whose texts are the msgid and reference fields; without
// it each entry's original text is. Returns the bytes (malloc'd, not
// terminated) and their count in *size.
char* translationWrite(const LanguageModule* lm, const LanguageModule* reference, int format,
                       size_t* size);

struct TranslationImport {
  uint32_t taken;      // entries whose text the file replaced
  uint32_t refused;    // entries and lines that could not be applied
  uint32_t malformed;  // of those, lines that are not PO or TSV: the file is refused whole
  // One line per refusal, in file order: "GROUP/INDEX: reason", or
  // "line N: reason" where the key is unknown. malloc'd, "" for none.
  char* refusals;
};

// Reads a PO or TSV file of that shape and sets the text of each entry it
// names as an edit in the Strings tab does. A PO entry with an empty msgstr
// or the fuzzy flag is left alone, and so is an undecodable entry given its
// bytes as shown. Refused: a key the module lacks or holds absent, a text
// that is not UTF-8 or holds a character the code page lacks, a key given
// twice; and, as malformed, a line that is not PO or TSV (a comment or flag
// line inside a PO entry among them, since it could belong to either entry).
// When a line is malformed, or anything is refused and skipRefused is 0, no
// entry is touched: skipRefused skips entries that cannot be applied, never
// a file that cannot be read. Release result with translationImportClear.
void translationRead(LanguageModule* lm, const char* data, size_t size, int format,
                     int skipRefused, TranslationImport* result);
void translationImportClear(TranslationImport* result);

// For each entry of lm in table order, the entry of other with the same
// group and index, or null: count(lm's entries) pointers into out.
void languageEntriesMatch(const LanguageModule* lm, const LanguageModule* other,
                          const StringEntry** out);

// The glyph widths of a font, by code: width[c] for codes 1 to 255, and 0
// for code 0, which ends a text and is never drawn.
struct FontWidths {
  uint32_t width[256];
};

// Reads the widths of a font module's glyphs. Returns 0 with a message in
// err (errSize bytes) for a module that is not a font or whose
// body is malformed.
int fontWidthsRead(ModulePool* pool, Module* module, FontWidths* widths, char* err, size_t errSize);

// The width in pixels of code-page bytes drawn with the font, as the Fonts
// tab's preview lays them out: one table lookup per byte, summed in 64 bits
// (a long text of wide glyphs passes 2^32 pixels).
uint64_t fontTextWidth(const FontWidths* widths, const uint8_t* bytes, size_t n);

// Measures entries of one code page with one font, one converter for all.
struct TextMeasure {
  FontWidths widths;
  LanguageConverter toCodePage;
};

// Returns 0 (nothing to close) when the font cannot be read, with its
// message in err.
int textMeasureOpen(TextMeasure* measure, ModulePool* pool, Module* font, const char* codePage,
                    char* err, size_t errSize);
void textMeasureClose(TextMeasure* measure);

// The width of a present entry's text as it is now (loaded 0) or as it was
// read (loaded 1). An undecodable text counts its bytes as read.
uint64_t textMeasureEntry(TextMeasure* measure, const StringEntry* e, int loaded);

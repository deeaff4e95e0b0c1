// SPDX-License-Identifier: MIT
// Language modules: the unit's interface texts for one language, in modules
// named "Lng_..." whose body holds string tables over a pool of
// NUL-terminated texts in an 8-bit code page (CP1251 for "Lng_Russian" and
// "Lng_American", CP1252 for every other). All numbers big-endian.
//
// 32-bit layout (first word G <= 32): G, G group offsets, a reserved word,
//   then one 32-bit string offset per entry, all groups in order, then the
//   texts. 16-bit layout (first word above 32): G = first 16-bit word / 2
//   group offsets of 16 bits, then 16-bit string offsets, then the texts.
// A string offset of 0 is an absent entry; the offset tables end at the
// smallest non-zero string offset. Group g runs from its group offset to the
// next one's.
#pragma once

#include <glib.h>

#include <cstdint>

#include "pool/error_text.h"
#include "pool/list.h"
#include "pool/module.h"
#include "pool/pool.h"

enum LanguageLayout : int { LANGUAGE_LAYOUT_32 = 32, LANGUAGE_LAYOUT_16 = 16 };

enum : uint32_t {
  LANGUAGE_GROUPS_MAX = 32,
};

// One entry of the string tables. Its buffers come from malloc.
struct StringEntry {
  uint32_t number;  // position among all entries, absent ones counted
  uint32_t group;
  uint32_t index;   // position within the group, absent ones counted
  uint32_t changed;
  char* text;          // UTF-8, or null for an absent entry
  char* originalText;  // as read, UTF-8, or null
  // A text the code page cannot decode: its bytes are kept and written back
  // as read until the user replaces it; text and originalText are then "".
  uint8_t* raw;
  uint32_t rawLength;
};

// What reading one module yields; the Strings view embeds it.
struct LanguageModule {
  Module* module;
  uint8_t* body;  // the body as read, owned
  uint32_t bodySize;
  int layout;
  const char* codePage;
  List* entries;  // StringEntry*, in table order
  uint32_t groupCount;
  uint32_t groupOffsets[LANGUAGE_GROUPS_MAX];
};

// One converter for a whole read, write or measure: g_convert opens one per
// text. The bytes and the failures are g_convert's, which runs the same
// conversion. A converter closed is kept for the next one of the same pair
// of code pages, so that reading thousands of modules opens a handful (and
// the system does not load and unload its conversion tables each time).
class LanguageConverter {
 public:
  LanguageConverter() = default;
  LanguageConverter(const char* to, const char* from);
  ~LanguageConverter() { close(); }
  LanguageConverter(const LanguageConverter&) = delete;
  LanguageConverter& operator=(const LanguageConverter&) = delete;
  void open(const char* to, const char* from);
  void close();
  // A malloc'd conversion of n bytes, NUL-terminated, with its length in
  // *written; null when the text does not convert (a character the target
  // lacks, bytes that are not the source's, a character cut at the end).
  char* convert(const char* text, size_t n, size_t* written);

 private:
  GIConv cd_ = reinterpret_cast<GIConv>(-1);
  const char* to_ = nullptr;
  const char* from_ = nullptr;
};

// 1 when the module's name begins with "Lng_".
int languageMatch(ModulePool* pool, Module* module);

// "CP1251" or "CP1252", by the module's whole name.
const char* languageCodePage(const char* name);

// Reads lm->module into lm. Returns 0, with a message in err
// (errSize bytes), for a body it cannot index safely: no body or
// under 4 bytes, more than 32 groups, tables or header past the body, the
// first group not where the offset table belongs (right after the header),
// a string offset at or past the end, or a text without its zero inside the
// body. Nothing outside the body is read.
int readLanguageModule(LanguageModule* lm, char* err, size_t errSize);

// The same from a body the module takes over (malloc'd, size bytes), as if
// lm->module held it; lm->codePage must be set. For checks and tests.
int languageModuleDecodeBody(LanguageModule* lm, uint8_t* body, uint32_t size, char* err, size_t errSize);

// The body rebuilt from the entries: tables, then each distinct encoded text
// once, in order of first use. Returns it malloc'd with its size, or null
// with a message in err when a 16-bit string offset would pass 65535 (or
// the body 4 GiB).
uint8_t* languageModuleEncode(LanguageModule* lm, uint32_t* size, char* err, size_t errSize);

// 1 when an entry's text differs from the one read (its changed flag).
int languageModuleEdited(const LanguageModule* lm);

// What the Strings tab stores: while every text is the one read, nothing (or
// the block kept in keep, after an earlier store), so an unedited module
// keeps its block whatever its layout; else the rebuilt body. Returns 0 with
// a message in err, the module unchanged, when the encoder or the module
// refuses.
int writeLanguageModule(LanguageModule* lm, ModuleKeep* keep, char* err, size_t errSize);

// Releases what readLanguageModule allocated (body, entries); lm stays.
void languageModuleClear(LanguageModule* lm);

// Whether UTF-8 text can be written in the code page.
int languageTextFits(const char* codePage, const char* text);

// The bytes of a text the code page cannot decode as the Strings tab shows
// them: printable ASCII as it is, a backslash doubled, every other byte as
// \xNN. malloc'd.
char* languageRawShown(const StringEntry* e);

// Whether the entry shows its undecodable bytes: it has them and the user
// has not replaced them.
inline bool languageShowsRaw(const StringEntry* e) { return e->raw && !e->changed; }

// Gives a present entry a new UTF-8 text the code page can hold, as an edit
// in the Strings tab does: the entry counts as changed when the text differs
// from the original or replaces undecodable bytes.
void languageEntryTake(StringEntry* e, const char* text);

// Gives a present entry back its text as read: unchanged, its undecodable
// bytes shown again.
void languageEntryRevert(StringEntry* e);

// Sets a present entry's text and changed mark as they were before (an undo
// or redo step): the pair must be one the entry had.
void languageEntryRestore(StringEntry* e, const char* text, uint32_t changed);

// Whether the module's texts survive a store: rebuilds the body as a store
// would and reads it again. Returns 0 for a module that is not a language
// module or is malformed, 1 when every entry comes back the same, -1 with
// the reason in err otherwise. The module is not changed.
int languageStoreCheck(Module* module, char* err, size_t errSize);

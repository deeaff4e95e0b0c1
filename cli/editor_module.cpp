// SPDX-License-Identifier: MIT
#include "cli/editor_module.h"

#include <cstdlib>
#include <cstring>

#include "pool/be.h"
#include "tabs/colors/palette_file.h"
#include "tabs/fonts/font_bdf.h"
#include "tabs/fonts/font_coverage.h"
#include "tabs/images/image_import.h"
#include "tabs/strings/translation_file.h"

namespace {

int fail(char* err, size_t errSize, const std::string& why) {
  return errorSet(err, errSize, "%s", why.c_str());
}

bool endsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

ImageEntry* entryAt(ImageModule* images, uint32_t i) {
  return static_cast<ImageEntry*>(listGet(images->entries, i));
}

// A picture's file, images/STEM/NNN.EXT: the entry's index. Returns -1 for
// a name of another shape.
int64_t pictureIndexOf(const std::string& path) {
  if (path.compare(0, 7, "images/") != 0) return -1;
  const std::string name = path.substr(path.rfind('/') + 1);
  const size_t dot = name.find('.');
  if (dot == 0 || dot == std::string::npos || dot > 9) return -1;
  int64_t index = 0;
  for (size_t i = 0; i < dot; i++) {
    if (name[i] < '0' || name[i] > '9') return -1;
    index = index * 10 + (name[i] - '0');
  }
  return index;
}

}  // namespace

EditorModule::~EditorModule() {
  if (table.tableFree) table.tableFree(&table);
  fontGlyphsFree(glyphs);
  imageModuleFree(images);
  languageModuleClear(&lm);
}

int editorKindOf(ModulePool* pool, Module* module) {
  if (colorMatch(pool, module)) return EDITOR_COLORS;
  if (fontMatch(pool, module)) return EDITOR_FONTS;
  if (imageMatch(pool, module)) return EDITOR_IMAGES;
  if (languageMatch(pool, module)) return EDITOR_STRINGS;
  return EDITOR_NONE;
}

int editorModuleDecode(ModulePool* pool, Module* module, EditorModule* m, char* err,
                       size_t errSize) {
  err[0] = '\0';
  m->module = module;
  switch (editorKindOf(pool, module)) {
    case EDITOR_COLORS:
      m->body.reset(moduleGetBody(module, &m->bodySize));
      if (!colorTableInit(m->body.get(), m->bodySize, &m->table,
                          colorLayoutFind(beGet16(m->body.get()))))
        return fail(err, errSize, "the colour table is shorter than its items");
      m->kind = EDITOR_COLORS;
      return 1;
    case EDITOR_FONTS: {
      uint32_t size = 0;
      MallocPtr<uint8_t> body(moduleGetBody(module, &size));
      m->glyphs = body ? fontDecode(body.get(), size, &m->metrics) : nullptr;
      if (!m->glyphs) return fail(err, errSize, "the font is malformed");
      m->kind = EDITOR_FONTS;
      return 1;
    }
    case EDITOR_IMAGES:
      m->images = imageModuleDecode(module, err, errSize);
      if (!m->images) return 0;
      m->kind = EDITOR_IMAGES;
      return 1;
    case EDITOR_STRINGS:
      m->lm.module = module;
      if (!readLanguageModule(&m->lm, err, errSize)) return 0;
      m->kind = EDITOR_STRINGS;
      return 1;
    default:
      return 0;
  }
}

int editorModuleStore(EditorModule* m, char* err, size_t errSize) {
  switch (m->kind) {
    case EDITOR_COLORS:
      return colorTableStore(&m->table, m->module, &m->keep, m->body.get(), m->bodySize, err,
                             errSize);
    case EDITOR_FONTS:
      return fontStoreGlyphs(m->module, &m->keep, &m->metrics, m->glyphs, err, errSize);
    case EDITOR_IMAGES:
      return imageModuleStore(m->images, m->module, &m->keep, err, errSize);
    case EDITOR_STRINGS:
      return writeLanguageModule(&m->lm, &m->keep, err, errSize);
    default:
      return 1;
  }
}

std::vector<EditorFile> editorModuleFiles(EditorModule* m, const std::string& stem,
                                          const char* codePage, std::string* skipped) {
  std::vector<EditorFile> files;
  size_t size = 0;
  // Each writer returns its bytes (malloc'd) and sets size: take both after the call.
  auto add = [&](const std::string& path, char* bytes) {
    files.push_back({path, std::string(bytes, size)});
    std::free(bytes);
  };
  const char* name = moduleGetName(m->module);
  switch (m->kind) {
    case EDITOR_STRINGS:
      add("strings/" + stem + ".po", translationWrite(&m->lm, nullptr, TRANSLATION_PO, &size));
      break;
    case EDITOR_FONTS:
      add("fonts/" + stem + ".bdf", fontBdfWrite(&m->metrics, m->glyphs, name, codePage, &size));
      break;
    case EDITOR_COLORS:
      add("colors/" + stem + ".gpl", paletteWrite(&m->table, name, PALETTE_GPL, &size));
      add("colors/" + stem + ".items.tsv", paletteWrite(&m->table, name, PALETTE_ITEMS, &size));
      break;
    case EDITOR_IMAGES: {
      const uint32_t count = listGetCount(m->images->entries);
      for (uint32_t i = 0; i < count; i++) {
        const ImageEntry* e = entryAt(m->images, i);
        if (!imageTypeIsShown(e->type)) continue;
        auto* bytes = reinterpret_cast<char*>(imageExportBytes(e, &size));
        char name[32];
        imageFileName(i, count - 1, e->type, name, sizeof name);
        const std::string path = "images/" + stem + "/" + name;
        if (bytes)
          add(path, bytes);
        else
          *skipped += path + ": a picture of " + std::to_string(e->width) + "x" +
                      std::to_string(e->height) + " pixels over " + std::to_string(e->size) +
                      " bytes cannot be saved\n";
      }
      break;
    }
  }
  return files;
}

int editorModuleRead(EditorModule* m, const std::string& path, const char* data, size_t size,
                     std::string* notes, char* err, size_t errSize) {
  if (m->kind == EDITOR_STRINGS && endsWith(path, ".po")) {
    TranslationImport result = {};
    translationRead(&m->lm, data, size, TRANSLATION_PO, 0, &result);
    std::string refusals = result.refusals ? result.refusals : "";
    translationImportClear(&result);
    if (!refusals.empty()) refusals.pop_back();
    for (char& c : refusals)
      if (c == '\n') c = ';';
    return refusals.empty() ? 1 : fail(err, errSize, refusals);
  }
  if (m->kind == EDITOR_FONTS && endsWith(path, ".bdf")) {
    char* warnings = nullptr;
    char text[ERROR_SIZE] = "";
    if (!fontBdfRead(data, size, &m->metrics, m->glyphs, &warnings, text, sizeof text))
      return fail(err, errSize, text);
    if (warnings) *notes += warnings;
    std::free(warnings);
    return 1;
  }
  if (m->kind == EDITOR_COLORS && (endsWith(path, ".gpl") || endsWith(path, ".items.tsv"))) {
    char* said = nullptr;
    char text[ERROR_SIZE] = "";
    if (!paletteRead(&m->table, data, size, endsWith(path, ".gpl") ? PALETTE_GPL : PALETTE_ITEMS,
                     &said, text, sizeof text))
      return fail(err, errSize, text);
    if (said) *notes += said;
    std::free(said);
    return 1;
  }
  if (m->kind == EDITOR_IMAGES) {
    const int64_t index = pictureIndexOf(path);
    if (index < 0 || index >= int64_t(listGetCount(m->images->entries)))
      return fail(err, errSize, "the module has no picture of this name");
    ImageEntry* e = entryAt(m->images, uint32_t(index));
    if (!imageTypeIsShown(e->type) ||
        !endsWith(path, std::string(".") + imageTypeExtension(e->type)))
      return fail(err, errSize,
                  std::string("picture ") + std::to_string(index) + " is of type " +
                      imageTypeText(e->type));
    uint32_t taken = 0;
    char text[ERROR_SIZE] = "";
    uint8_t* picture = imageImportBytes(e, reinterpret_cast<const uint8_t*>(data), size, &taken,
                                        text, sizeof text);
    if (!picture) return fail(err, errSize, text + (text[0] == '\n'));
    // Replace takes the file's data as they are; taking the same again
    // changes nothing.
    imageEntrySetData(e, picture, taken);
    return 1;
  }
  return fail(err, errSize, "a file of this kind does not belong to this module");
}

std::vector<ByteUses> editorCyrillicUses(ModulePool* pool) {
  std::vector<ByteUses> all;
  for (uint32_t i = 0; i < poolGetCount(pool); i++) {
    Module* m = poolGet(pool, i);
    if (!languageMatch(pool, m) || std::strcmp(languageCodePage(moduleGetName(m)), "CP1251") != 0)
      continue;
    ByteUses uses;
    char err[ERROR_SIZE];
    if (languageByteUses(m, uses.data(), err, sizeof err)) all.push_back(uses);
  }
  return all;
}

const char* editorFontCodePage(const std::vector<ByteUses>& cyrillic, EditorModule* font) {
  for (const ByteUses& uses : cyrillic) {
    bool draws = true;
    for (uint32_t code = 1; code <= FONT_GLYPH_COUNT && draws; code++)
      draws = !uses[code] ||
              !fontGlyphBlank(&font->metrics,
                              static_cast<FontGlyph*>(listGet(font->glyphs, code - 1)), "CP1251");
    if (draws) return "CP1251";
  }
  return "CP1252";
}

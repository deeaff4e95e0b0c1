// SPDX-License-Identifier: MIT
// korvane-cli's image commands: the image modules the Images tab shows, as
// text a diff can compare, and one picture saved as "Save Image" saves it.
#include <cstring>

#include "cli/command.h"
#include "cli/command_support.h"
#include "tabs/images/image_codec.h"

namespace {

const char* kindName(int kind) { return kind == IMAGE_KIND_ICONS ? "romicons" : "rombitmaps"; }

void imageModulePrint(Module* m, FILE* out) {
  std::fputs("module\t", out);
  cliPrintName(out, moduleGetName(m));
  char text[ERROR_SIZE];
  ImageModule* images = imageModuleDecode(m, text, sizeof text);
  if (!images) {
    std::fprintf(out, "\t%s\tmalformed\n", std::strcmp(moduleGetName(m), "romicons") ? "rombitmaps" : "romicons");
    return;
  }
  std::fprintf(out, "\t%s\t", kindName(images->kind));
  if (images->kind == IMAGE_KIND_ICONS)
    std::fprintf(out, "%X\n", images->version);
  else
    std::fputs("-\n", out);
  for (uint32_t i = 0; i < listGetCount(images->entries); i++) {
    auto* e = static_cast<ImageEntry*>(listGet(images->entries, i));
    std::fprintf(out, "entry\t%u\t%u\t%u\t%u\t%u\t%s\t", i, e->id, e->width, e->height, e->size,
                 imageTypeText(e->type));
    cliPrintName(out, e->name);
    std::fputc('\n', out);
  }
  imageModuleFree(images);
}

int runImages(char** operands, FILE* out, FILE* err) {
  PoolPtr pool = cliLoadImage(operands[0], err);
  if (!pool) return 1;
  for (uint32_t i = 0; i < poolGetCount(pool.get()); i++)
    if (imageMatch(pool.get(), poolGet(pool.get(), i))) imageModulePrint(poolGet(pool.get(), i), out);
  return 0;
}

int runExport(char** operands, FILE*, FILE* err) {
  PoolPtr pool = cliLoadImage(operands[0], err);
  uint32_t index, entryIndex;
  if (!pool || !cliParseIndex(operands[1], "module", &index, err) ||
      !cliParseIndex(operands[2], "entry", &entryIndex, err))
    return 1;
  Module* m = poolGet(pool.get(), index);
  if (!m || !imageMatch(pool.get(), m)) {
    std::fprintf(err, "korvane-cli: module %s is not an image module (rombitmaps or romicons)\n",
                 operands[1]);
    return 1;
  }
  char text[ERROR_SIZE] = "";
  ImageModule* images = imageModuleDecode(m, text, sizeof text);
  if (!images) return cliFail(err, text);
  int code = 1;
  auto* e = static_cast<ImageEntry*>(entryIndex < listGetCount(images->entries)
                                         ? listGet(images->entries, entryIndex)
                                         : nullptr);
  if (!e)
    std::fprintf(err, "korvane-cli: module %s has no entry %s\n", operands[1], operands[2]);
  else if (!imageTypeIsShown(e->type))
    std::fprintf(err, "korvane-cli: entry %s is of type %s, which the Images tab cannot show or save\n",
                 operands[2], imageTypeText(e->type));
  else if (!imageExportSave(e, operands[3], text, sizeof text))
    cliFail(err, text);
  else
    code = 0;
  imageModuleFree(images);
  return code;
}

}  // namespace

const CliCommand IMAGE_COMMANDS[] = {
    {"images", "IMAGE",
     "Print every image module the Images tab shows, in image order, as\n"
     "tab-separated lines: \"module NAME KIND VERSION\" (KIND rombitmaps or\n"
     "romicons, VERSION in hex or - for bitmaps; \"malformed\" in its place for\n"
     "a module too short for its table), then per picture \"entry INDEX ID WIDTH\n"
     "HEIGHT SIZE TYPE NAME\" (TYPE as the Type column shows it).",
     runImages},
    {"export", "IMAGE MODULE ENTRY OUT",
     "Write picture ENTRY (the \"#\" of the Images tab's list) of image module\n"
     "MODULE (its index in the image) to OUT as Save Image does: XBM for a\n"
     "bitmap, XPM for a 15-bit pixmap, the stored bytes for GIF, JPEG and PNG.",
     runExport},
};
const size_t IMAGE_COMMAND_COUNT = sizeof IMAGE_COMMANDS / sizeof IMAGE_COMMANDS[0];

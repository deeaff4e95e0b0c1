// SPDX-License-Identifier: MIT
// korvane-cli's module commands. Every result goes through the same pool code
// and module actions as the editor, and saves use the pool's atomic save, so
// OUT is never half-written.
#include <cerrno>
#include <cstdlib>

#include "cli/command.h"
#include "cli/command_support.h"
#include "pool/pool.h"
#include "tabs/modules/module_actions.h"
#include "tabs/modules/module_columns.h"
#include "tabs/colors/color_table.h"
#include "tabs/fonts/font_codec.h"
#include "tabs/images/image_codec.h"
#include "tabs/strings/language_codec.h"

namespace {

int runList(char** operands, FILE* out, FILE* err) {
  PoolPtr pool = cliLoadImage(operands[0], err);
  if (!pool) return 1;
  for (int column = 0; column < MC_COUNT; column++)
    std::fprintf(out, "%s%c", MODULE_COLUMN_TITLES[column], column + 1 < MC_COUNT ? '\t' : '\n');
  char text[256];
  for (uint32_t i = 0; i < poolGetCount(pool.get()); i++) {
    Module* m = poolGet(pool.get(), i);
    for (int column = 0; column < MC_COUNT; column++) {
      if (column == MC_NAME) {
        cliPrintName(out, moduleGetName(m));
      } else {
        moduleColumnText(m, i, column, text, sizeof text);
        std::fputs(text, out);
      }
      std::fputc(column + 1 < MC_COUNT ? '\t' : '\n', out);
    }
  }
  return 0;
}

int runCheck(char** operands, FILE* out, FILE* err) {
  char text[ERROR_SIZE] = "";
  PoolPtr pool(poolLoad(operands[0], text, sizeof text));
  if (!pool) return cliFail(err, text);
  std::fprintf(out, "%u modules\n", poolGetCount(pool.get()));
  if (uint32_t offset = poolGetAlignmentOffset(pool.get()))
    std::fprintf(out, "Data alignment found at offset 0x%08x\n", offset);
  return 0;
}

int runExtract(char** operands, FILE* out, FILE* err) {
  PoolPtr pool = cliLoadImage(operands[0], err);
  uint32_t index;
  if (!pool || !cliParseIndex(operands[1], "module", &index, err)) return 1;
  char text[ERROR_SIZE] = "";
  PoolPtr single(moduleExtract(pool.get(), index, text, sizeof text));
  return single ? cliSaveImage(single.get(), operands[2], out, err, {false, false}) : cliFail(err, text);
}

int runReplace(char** operands, FILE* out, FILE* err) {
  PoolPtr pool = cliLoadImage(operands[0], err);
  uint32_t index;
  if (!pool || !cliParseIndex(operands[1], "module", &index, err)) return 1;
  PoolPtr source = cliLoadImage(operands[2], err);
  if (!source) return 1;
  // A loaded pool holds at least one module; further ones are ignored.
  char text[ERROR_SIZE] = "";
  if (!moduleReplace(pool.get(), index, poolGet(source.get(), 0), text, sizeof text))
    return cliFail(err, text);
  return cliSaveImage(pool.get(), operands[3], out, err, {!operands[4], operands[5] != nullptr});
}

// Each editor's check of a module of its kind: its encoder run on the
// content as loaded, and the result read back. 0 for a module of another
// kind, 1 when it would store, -1 with the reason when it would not.
int (*const STORE_CHECKS[])(Module*, char*, size_t) = {colorStoreCheck, fontStoreCheck, imageStoreCheck,
                                               languageStoreCheck};

// An unedited store stores nothing, so --commit leaves every module as it
// is; what it adds is each editor's check.
int runResave(char** operands, FILE* out, FILE* err) {
  PoolPtr pool = cliLoadImage(operands[0], err);
  if (!pool) return 1;
  if (operands[2]) {
    for (uint32_t i = 0; i < poolGetCount(pool.get()); i++) {
      for (auto check : STORE_CHECKS) {
        char text[ERROR_SIZE] = "";
        int result = check(poolGet(pool.get(), i), text, sizeof text);
        if (result < 0) {
          cliPrintName(err, moduleGetName(poolGet(pool.get(), i)));
          std::fprintf(err, ": %s\n", text);
        }
        if (result) break;
      }
    }
  }
  return cliSaveImage(pool.get(), operands[1], out, err, {!operands[3], operands[4] != nullptr});
}

}  // namespace

const CliCommand MODULE_COMMANDS[] = {
    {"list", "IMAGE",
     "Print one tab-separated line per module, after a header line:\n"
     "#, Name, Size, Type, Access, Language, Attribute, Revision, Edition,\n"
     "Parity, CRC. Control characters and backslashes in names are written\n"
     "as \\xNN.",
     runList},
    {"check", "IMAGE",
     "Load and validate the image. Prints \"N modules\" and exits 0, or prints\n"
     "the loader's error on standard error and exits 1. When modules are\n"
     "separated by zero padding it also prints\n"
     "\"Data alignment found at offset 0x........\" (such images cannot be saved).",
     runCheck},
    {"extract", "IMAGE INDEX OUT", "Write module INDEX alone, as a one-module image, to OUT.",
     runExtract},
    {"replace", "IMAGE INDEX MODULEFILE OUT [--no-backup] [--verbose]",
     "Replace module INDEX by the first module of MODULEFILE and write the\n"
     "image to OUT. The new module must have the same sync word and the same\n"
     "name as the old one. The written file is read back before it replaces\n"
     "OUT. The first time OUT is replaced, its old bytes are kept as OUT.orig\n"
     "beside it (beside the file a link names); an OUT.orig file already there\n"
     "is never changed, and anything else of that name stops the save.\n"
     "--no-backup keeps none. --verbose prints \"verified N modules\" and,\n"
     "when a backup was made, \"backup: OUT.orig\".",
     runReplace},
    {"resave", "IMAGE OUT [--commit] [--no-backup] [--verbose]",
     "Load the image and write it to OUT with fresh parity and CRC. The copy\n"
     "is byte-identical when the image had no padding. With --commit, every\n"
     "module an editor tab shows is first run through that tab's store as if\n"
     "nothing was edited (colour tables, fonts, image and language modules):\n"
     "such a store keeps the module's bytes, and its encoder is run as a check,\n"
     "naming on standard error each module whose content it would refuse or\n"
     "not read back the same (\"NAME: reason\"); every module is kept as it was\n"
     "and the exit status stays 0. OUT is read back, kept as OUT.orig and\n"
     "reported as replace does it, with --no-backup and --verbose.",
     runResave},
};
const size_t MODULE_COMMAND_COUNT = sizeof MODULE_COMMANDS / sizeof MODULE_COMMANDS[0];

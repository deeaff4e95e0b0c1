// SPDX-License-Identifier: MIT
// korvane-cli's colour commands: the colour tables the Colors tab shows, as
// text a diff can compare, and a table's palette and items out to and back
// from the files of palette editors and spreadsheets.
#include <cstring>

#include "cli/command.h"
#include "cli/command_support.h"
#include "pool/be.h"
#include "pool/file_save.h"
#include "pool/memory.h"
#include "tabs/colors/color_table.h"
#include "tabs/colors/palette_file.h"

namespace {

void colorTablePrint(Module* m, FILE* out) {
  uint32_t size = 0;
  MallocPtr<uint8_t> body(moduleGetBody(m, &size));
  uint32_t tag = beGet16(body.get());
  ColorTable t;
  colorTableInit(body.get(), size, &t, colorLayoutFind(tag));

  std::fputs("table\t", out);
  cliPrintName(out, moduleGetName(m));
  std::fprintf(out, "\t%04X\t", tag);
  uint32_t transparent = 0;
  while (transparent < t.paletteCount && !t.colorIsTransparent(&t, transparent)) transparent++;
  if (transparent < t.paletteCount)
    std::fprintf(out, "%u\n", transparent);
  else
    std::fputs("-\n", out);

  for (uint32_t k = 0; k < t.paletteCount; k++) {
    uint32_t r, g, b;
    t.colorGet(&t, k, &r, &g, &b);
    t.colorToRgb8(&t, &r, &g, &b);
    std::fprintf(out, "entry\t%u\t%04X\t%u\t%u\t%u\n", k,
                 beGet16(body.get() + COLOR_PALETTE_OFFSET + 2 * k), r, g, b);
  }
  char name[COLOR_NAME_SIZE];
  for (uint32_t i = 0; i < t.itemCount; i++) {
    t.itemGetName(&t, i, name);
    if (t.itemIsHeading(&t, i))
      std::fprintf(out, "item\t%u\theading\t\"%s\"\n", i, name);
    else
      std::fprintf(out, "item\t%u\t%u\t\"%s\"\n", i, t.itemGetColor(&t, i), name);
  }
  t.tableFree(&t);
}

int runColors(char** operands, FILE* out, FILE* err) {
  PoolPtr pool = cliLoadImage(operands[0], err);
  if (!pool) return 1;
  for (uint32_t i = 0; i < poolGetCount(pool.get()); i++)
    if (colorMatch(pool.get(), poolGet(pool.get(), i))) colorTablePrint(poolGet(pool.get(), i), out);
  return 0;
}

// A colour table given on the command line, decoded as the Colors tab
// decodes it; says why on err and fails for none or another kind of module.
struct DecodedTable {
  Module* module = nullptr;
  MallocPtr<uint8_t> body;
  uint32_t size = 0;
  ColorTable table{};
  ~DecodedTable() {
    if (table.tableFree) table.tableFree(&table);
  }
};

bool tableLoad(ModulePool* pool, const char* given, DecodedTable* t, FILE* err) {
  t->module = cliFindModule(pool, given, err);
  if (!t->module) return false;
  if (!colorMatch(pool, t->module)) {
    std::fputs("korvane-cli: module '", err);
    cliPrintName(err, moduleGetName(t->module));
    std::fputs("' is not a colour table\n", err);
    return false;
  }
  t->body.reset(moduleGetBody(t->module, &t->size));
  return colorTableInit(t->body.get(), t->size, &t->table, colorLayoutFind(beGet16(t->body.get())));
}

int formatFail(const char* given, FILE* err) {
  char shown[1024];
  textEscape(given, shown, sizeof shown);
  std::fprintf(err, "korvane-cli: '%s' must end in .gpl, .pal or .tsv\n", shown);
  return 1;
}

int runColorsExport(char** operands, FILE* out, FILE* err) {
  const bool toOut = std::strcmp(operands[2], "-") == 0;
  const int format = operands[3] ? paletteFormatNamed(operands[3]) : toOut ? PALETTE_GPL : paletteFormatOf(operands[2]);
  if (format == PALETTE_UNKNOWN) return formatFail(operands[3] ? operands[3] : operands[2], err);
  PoolPtr pool = cliLoadImage(operands[0], err);
  DecodedTable t;
  if (!pool || !tableLoad(pool.get(), operands[1], &t, err)) return 1;
  size_t size = 0;
  MallocPtr<char> text(paletteWrite(&t.table, moduleGetName(t.module), format, &size));
  return cliWriteOutput(operands[2], text.get(), size, out, err);
}

int runColorsImport(char** operands, FILE*, FILE* err) {
  const int format = paletteFormatOf(operands[2]);
  if (format == PALETTE_UNKNOWN) return formatFail(operands[2], err);
  PoolPtr pool = cliLoadImage(operands[0], err);
  DecodedTable t;
  if (!pool || !tableLoad(pool.get(), operands[1], &t, err)) return 1;
  size_t length = 0;
  MallocPtr<uint8_t> data(cliReadText(operands[2], &length, err));
  if (!data) return 1;
  char text[ERROR_SIZE] = "";
  char* notes = nullptr;
  char shown[1024];
  textEscape(operands[2], shown, sizeof shown);
  if (!paletteRead(&t.table, reinterpret_cast<const char*>(data.get()), length, format, &notes, text, sizeof text)) {
    std::fprintf(err, "korvane-cli: %s: %s\n", shown, text);
    return 1;
  }
  if (notes) std::fprintf(err, "korvane-cli: %s: %s", shown, notes);
  std::free(notes);
  ModuleKeep keep;
  if (!colorTableStore(&t.table, t.module, &keep, t.body.get(), t.size, text, sizeof text)) return cliStoreRefused(err, t.module, text);
  return cliSaveImage(pool.get(), operands[3], nullptr, err, {false, false});
}

}  // namespace

const CliCommand COLOR_COMMANDS[] = {
    {"colors", "IMAGE",
     "Print every colour table the Colors tab shows, in image order, as\n"
     "tab-separated lines: \"table NAME TAG TRANSPARENT\" (TAG 0033 or 0035,\n"
     "TRANSPARENT the transparent entry or -), 60 lines \"entry K WORD R G B\"\n"
     "(WORD the colour word in hex, R G B the 8-bit display values), then per\n"
     "item \"item I heading|ENTRY \\\"NAME\\\"\".",
     runColors},
    {"colors-export", "IMAGE TABLE OUT [--format FORMAT]",
     "Write colour table TABLE (its index or name) to OUT as its extension, or\n"
     "FORMAT (gpl, pal or tsv), says; OUT - writes to standard output (gpl\n"
     "unless FORMAT says otherwise). .gpl: a GIMP palette named after the\n"
     "module, 8 columns, one line \"R G B<TAB>entry N\" per palette entry; .pal:\n"
     "a JASC-PAL palette (CRLF lines); both give the colours as the Colors tab\n"
     "shows them. .tsv: the items, after a header line, one line each: index,\n"
     "name, entry (or \"heading\", or \"beyond\" for an item word past the\n"
     "palette) and the entry's colour, tab-separated.",
     runColorsExport},
    {"colors-import", "IMAGE TABLE FILE OUT",
     "Set colour table TABLE from FILE and write the image to OUT. A .gpl or\n"
     ".pal of exactly 60 colours (blank lines, # comments, Name: and Columns:\n"
     "lines and CRLF taken) sets the palette: an entry whose colour is the one\n"
     "it shows keeps its word, any other takes the nearest 5-bit channels; the\n"
     "transparent entry keeps its word (said on standard error when the file\n"
     "gives it another colour). A .tsv of items as colors-export writes it sets\n"
     "each item it lists to its entry (the name must be the item's; headings\n"
     "and \"beyond\" items stay). A file refused (a wrong count, a value outside\n"
     "0-255, an unknown index or name) is named with its line; then, as for a\n"
     "store the module cannot hold, nothing is written and the exit status is\n"
     "1. Importing the file just exported gives the image back byte for byte.",
     runColorsImport},
};
const size_t COLOR_COMMAND_COUNT = sizeof COLOR_COMMANDS / sizeof COLOR_COMMANDS[0];

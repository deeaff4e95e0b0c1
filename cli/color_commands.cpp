// SPDX-License-Identifier: MIT
// korvane-cli's colour commands: the colour tables the Colors tab shows, as
// text a diff can compare.
#include "cli/command.h"
#include "cli/command_support.h"
#include "pool/be.h"
#include "pool/memory.h"
#include "tabs/colors/color_table.h"

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

}  // namespace

const CliCommand COLOR_COMMANDS[] = {
    {"colors", "IMAGE",
     "Print every colour table the Colors tab shows, in image order, as\n"
     "tab-separated lines: \"table NAME TAG TRANSPARENT\" (TAG 0033 or 0035,\n"
     "TRANSPARENT the transparent entry or -), 60 lines \"entry K WORD R G B\"\n"
     "(WORD the colour word in hex, R G B the 8-bit display values), then per\n"
     "item \"item I heading|ENTRY \\\"NAME\\\"\".",
     runColors},
};
const size_t COLOR_COMMAND_COUNT = sizeof COLOR_COMMANDS / sizeof COLOR_COMMANDS[0];

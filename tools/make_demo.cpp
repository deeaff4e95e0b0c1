// Writes a demo firmware image for trying the editor: a few dozen modules of
// the kinds a navigation unit carries, built with the project's own module
// builder. Usage: korvane-demo OUT [MODULE_COUNT]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/body_builders.h"

namespace {

Bytes pattern(size_t n, uint32_t seed) {
  Bytes b(n);
  uint32_t x = seed * 2654435761u + 1;
  for (size_t i = 0; i < n; i++) {
    x = x * 1103515245u + 12345u;
    b[i] = uint8_t(x >> 16);
  }
  return b;
}

struct DemoModule {
  const char* name;
  uint8_t type;
  uint16_t access;
  uint8_t language;
  size_t bodySize;
};

const DemoModule DEMO[] = {
    {"kernel", 12, 0x0555, 0x00, 0},
    {"init", 12, 0x0555, 0x00, 0},
    {"ioman", 1, 0x0555, 0x00, 0},
    {"navcore", 1, 0x0555, 0x00, 0},
    {"scf", 13, 0x0555, 0x00, 0},
    {"rbf", 13, 0x0555, 0x00, 0},
    {"sc_lcd", 14, 0x0555, 0x00, 0},
    {"term", 15, 0x0555, 0x00, 0},
    {"rom_col_day", 4, 0x0557, 0x00, 0},
    {"rom_col_night", 4, 0x0557, 0x00, 0},
    {"font_small", 4, 0x0557, 0x00, 0},
    {"pfont_medium", 4, 0x0557, 0x00, 0},
    {"ufont_large", 4, 0x0557, 0x00, 0},
    {"bitmaps", 4, 0x0557, 0x00, 20000},
    {"icons", 4, 0x0557, 0x00, 8000},
    {"lang_en", 4, 0x0557, 0x01, 6000},
    {"lang_de", 4, 0x0557, 0x02, 6400},
    {"lang_fr", 4, 0x0557, 0x03, 6500},
    {"lang_it", 4, 0x0557, 0x04, 6300},
    {"route_cfg", 5, 0x0553, 0x00, 0},
    {"guidance", 1, 0x0555, 0x00, 0},
    {"tmc", 1, 0x0555, 0x00, 0},
    {"diag", 0x55, 0x0555, 0x00, 0},
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "Usage: korvane-demo OUT [MODULE_COUNT]\n");
    return 2;
  }
  size_t count = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : sizeof DEMO / sizeof DEMO[0];
  Bytes image;
  for (size_t i = 0; i < count; i++) {
    const DemoModule& d = DEMO[i % (sizeof DEMO / sizeof DEMO[0])];
    std::string name = d.name;
    if (i >= sizeof DEMO / sizeof DEMO[0]) name += "_" + std::to_string(i);
    // Program modules carry code the editor never opens; data modules a body.
    size_t bodySize = d.bodySize ? d.bodySize : 200 + (i * 37) % 900;
    Bytes body = pattern(bodySize, uint32_t(i));
    if (name.starts_with("rom_col_day")) body = colorBody(0x0033, 0, 8);
    if (name.starts_with("rom_col_night")) body = colorBody(0x0035, 12, 4);
    if (name.starts_with("font_small")) body = fontBody(1);
    if (name.starts_with("pfont_medium")) body = fontBody(2);
    if (name.starts_with("ufont_large")) body = fontBody(3);
    Bytes m = ModuleBuilder()
                  .name(name)
                  .type(d.type)
                  .access(d.access)
                  .language(d.language)
                  .attribute(0x80)
                  .revision(uint8_t(1 + i % 3))
                  .edition(uint16_t(100 + i))
                  .body(body)
                  .build();
    image.insert(image.end(), m.begin(), m.end());
  }
  if (!writeFile(argv[1], image)) {
    std::fprintf(stderr, "korvane-demo: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}

// SPDX-License-Identifier: MIT
// Writes a demo firmware image for trying the editor: a few dozen modules of
// the kinds a navigation unit carries, built with the project's own module
// builder. Usage: korvane-demo OUT [MODULE_COUNT]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/demo_image.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "Usage: korvane-demo OUT [MODULE_COUNT]\n");
    return 2;
  }
  std::string err;
  const Bytes image = demoImage(argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 0, &err);
  if (image.empty()) {
    std::fprintf(stderr, "korvane-demo: %s\n", err.c_str());
    return 1;
  }
  if (!writeFile(argv[1], image)) {
    std::fprintf(stderr, "korvane-demo: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}

// SPDX-License-Identifier: MIT
// The editor's entry point: options, GTK start-up, the window, and a file
// given on the command line opened as File > Open would open it.
#include <cstdio>
#include <cstring>

#include "shell/shell.h"

namespace {

const char USAGE[] =
    "Usage: korvane [OPTION] [FILE]\n"
    "\n"
    "Edits firmware images made of OS-9 style modules: colour tables, fonts,\n"
    "bitmaps and icons, language strings. FILE, when given, is opened at\n"
    "start-up as File > Open would open it.\n"
    "\n"
    "  -h, --help     print this help and exit\n"
    "  --version      print the version and exit\n"
    "  --             take what follows as FILE, even if it starts with '-'\n"
    "\n"
    "GTK's own options (--display and so on) are accepted as well.\n";

int usageError(const char* format, const char* arg) {
  std::fprintf(stderr, "korvane: ");
  std::fprintf(stderr, format, arg);
  std::fprintf(stderr, "\nTry 'korvane --help'.\n");
  return 2;
}

}  // namespace

int shellMain(int argc, char** argv, const TabPage* pages, size_t count) {
  // GTK's own options come out of argv without opening the display, so that
  // help, version and usage errors need none.
  gtk_parse_args(&argc, &argv);
  const char* file = nullptr;
  bool optionsEnd = false;
  for (int i = 1; i < argc; i++) {
    const char* arg = argv[i];
    bool option = !optionsEnd && arg[0] == '-' && arg[1];
    if (option && !std::strcmp(arg, "--")) {
      optionsEnd = true;
    } else if (option && (!std::strcmp(arg, "--help") || !std::strcmp(arg, "-h"))) {
      std::fputs(USAGE, stdout);
      return 0;
    } else if (option && !std::strcmp(arg, "--version")) {
      std::printf("korvane %s\n", KORVANE_VERSION);
      return 0;
    } else if (option) {
      return usageError("unknown option '%s'", arg);
    } else if (file) {
      return usageError("more than one file given ('%s')", arg);
    } else {
      file = arg;
    }
  }
  gtk_init(&argc, &argv);
  shellWindowNew(pages, count);
  if (file) shellOpenWhenShown(file);
  gtk_main();
  return 0;
}

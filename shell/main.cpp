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
  // Before GTK starts: help and version need no display.
  for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; i++) {
    if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
      std::fputs(USAGE, stdout);
      return 0;
    }
    if (!std::strcmp(argv[i], "--version")) {
      std::printf("korvane %s\n", KORVANE_VERSION);
      return 0;
    }
  }
  // GTK's options come out of argv first; the display opens only once the
  // rest has been found sound.
  gtk_parse_args(&argc, &argv);
  const char* file = nullptr;
  bool optionsEnd = false;
  for (int i = 1; i < argc; i++) {
    if (!optionsEnd && !std::strcmp(argv[i], "--")) {
      optionsEnd = true;
    } else if (!optionsEnd && argv[i][0] == '-' && argv[i][1]) {
      return usageError("unknown option '%s'", argv[i]);
    } else if (file) {
      return usageError("more than one file given ('%s')", argv[i]);
    } else {
      file = argv[i];
    }
  }
  gtk_init(&argc, &argv);
  shellWindowNew(pages, count);
  if (file) shellOpenWhenShown(file);
  gtk_main();
  return 0;
}

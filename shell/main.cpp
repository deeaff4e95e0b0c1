// Entry point of the Korvane editor. An optional FILE argument is opened at
// start-up as File > Open would open it.
#include <gtk/gtk.h>

#include "shell/shell.h"

namespace {

gboolean openAtStart(gpointer path) {
  shellOpenFile(static_cast<const char*>(path));
  return FALSE;
}

}  // namespace

int main(int argc, char** argv) {
  gtk_init(&argc, &argv);
  shellWindowNew();
  // Opened from the main loop, so that an error box has a window to sit on.
  if (argc > 1) g_idle_add(openAtStart, argv[1]);
  gtk_main();
  return 0;
}

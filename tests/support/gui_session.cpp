// SPDX-License-Identifier: MIT
// Start-up of GUI test and benchmark processes.
#include "tests/support/gui_session.h"

#include <gtk/gtk.h>

void guiUseHome(const TempDir& home) {
  g_setenv("HOME", home.path().c_str(), TRUE);
  g_setenv("XDG_CONFIG_HOME", home.file(".config").c_str(), TRUE);
  g_setenv("XDG_DATA_HOME", home.file(".local/share").c_str(), TRUE);
}

bool guiDisplayOpen(int* argc, char*** argv) {
  for (int attempt = 0; attempt < 10; attempt++) {
    if (gtk_init_check(argc, argv)) return true;
    g_usleep(300 * 1000);
  }
  return false;
}

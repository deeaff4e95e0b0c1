// Start-up of GUI test and benchmark processes.
#include "tests/support/gui_session.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <gtk/gtk.h>

#include <filesystem>

PrivateHome::PrivateHome() {
  gchar* home = g_dir_make_tmp("korvane-home-XXXXXX", nullptr);
  if (!home) return;
  path_ = home;
  g_free(home);
  std::string config = path_ + "/.config";
  std::string data = path_ + "/.local/share";
  g_mkdir_with_parents((config + "/gtk-2.0").c_str(), 0700);
  g_mkdir_with_parents(data.c_str(), 0700);
  // Without a folder GTK 2.24's Open chooser starts in "Recently Used".
  g_file_set_contents((config + "/gtk-2.0/gtkfilechooser.ini").c_str(),
                      "[Filechooser Settings]\nLocationMode=filename-entry\nStartupMode=cwd\n",
                      -1, nullptr);
  g_setenv("HOME", path_.c_str(), TRUE);
  g_setenv("XDG_CONFIG_HOME", config.c_str(), TRUE);
  g_setenv("XDG_DATA_HOME", data.c_str(), TRUE);
}

PrivateHome::~PrivateHome() {
  std::error_code ec;
  if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

bool guiDisplayOpen(int* argc, char*** argv) {
  for (int attempt = 0; attempt < 10; attempt++) {
    if (gtk_init_check(argc, argv)) return true;
    g_usleep(300 * 1000);
  }
  return false;
}

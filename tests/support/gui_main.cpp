// Main of the GUI tests: a private home folder, then GTK's display, then the
// tests.
#include <glib.h>
#include <glib/gstdio.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

// GTK keeps its recently-used list and chooser settings under HOME; a home
// of the test's own keeps the tester's untouched, and makes the Open chooser
// start in the current folder instead of "Recently Used".
std::string privateHome() {
  gchar* home = g_dir_make_tmp("korvane-home-XXXXXX", nullptr);
  if (!home) return "";
  std::string config = std::string(home) + "/.config";
  std::string data = std::string(home) + "/.local/share";
  g_mkdir_with_parents((config + "/gtk-2.0").c_str(), 0700);
  g_mkdir_with_parents(data.c_str(), 0700);
  g_file_set_contents((config + "/gtk-2.0/gtkfilechooser.ini").c_str(),
                      "[Filechooser Settings]\nLocationMode=filename-entry\nStartupMode=cwd\n",
                      -1, nullptr);
  g_setenv("HOME", home, TRUE);
  g_setenv("XDG_CONFIG_HOME", config.c_str(), TRUE);
  g_setenv("XDG_DATA_HOME", data.c_str(), TRUE);
  std::string path = home;
  g_free(home);
  return path;
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
  std::string home = privateHome();
  // A busy X server may turn a connection away for a moment.
  bool ready = false;
  for (int attempt = 0; attempt < 10 && !ready; attempt++) {
    ready = gtk_init_check(&argc, &argv);
    if (!ready) g_usleep(300 * 1000);
  }
  if (!ready) {
    std::fprintf(stderr, "The GUI tests need an X display (run them through tools/test.sh)\n");
    return 1;
  }
  int result = RUN_ALL_TESTS();
  std::error_code ec;
  if (!home.empty()) std::filesystem::remove_all(home, ec);
  return result;
}

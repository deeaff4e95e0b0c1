// Main of the GUI tests: GTK needs its display before any test runs.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstdio>

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
  if (!gtk_init_check(&argc, &argv)) {
    std::fprintf(stderr, "The GUI tests need an X display (run them through tools/test.sh)\n");
    return 1;
  }
  return RUN_ALL_TESTS();
}

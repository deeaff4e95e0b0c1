// SPDX-License-Identifier: MIT
// Main of the GUI tests: a private home, GTK on the display, then the tests.
#include <gtest/gtest.h>

#include <cstdio>

#include "tests/support/gui_session.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
  TempDir home;
  guiUseHome(home);
  if (!guiDisplayOpen(&argc, &argv)) {
    std::fprintf(stderr, "The GUI tests need an X display (run them through tools/test.sh)\n");
    return 1;
  }
  return RUN_ALL_TESTS();
}

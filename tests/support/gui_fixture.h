// Shared set-up of the GUI tests: the real main window, a scratch folder and
// a few images made by the module builder.
#pragma once

#include <gtest/gtest.h>

#include "pool/be.h"
#include "shell/shell.h"
#include "tests/support/gui_driver.h"
#include "tests/support/module_builder.h"

class GuiTest : public testing::Test {
 protected:
  void SetUp() override {
    guiStartShell();
    colors = ModuleBuilder().name("col_day").access(0x0557).body(Bytes(64, 0x21)).build();
    kernel = ModuleBuilder().name("kernel").type(12).access(0x0555).build();
    diag = ModuleBuilder().name("diag").type(0x55).language(0x1F).attribute(0xA0).revision(7)
               .edition(513).body(Bytes(8, 0x42)).build();
    good = dir.file("good.img");
    ASSERT_TRUE(writeFile(good, imageOf({colors, kernel, diag})));
  }

  // File > Open of path through the real chooser; returns the dialogs seen.
  std::vector<SeenDialog> open(const std::string& path) {
    DialogScript script;
    script.choose(path);
    guiActivate(shellGetMenu()->open);
    return script.seen();
  }

  TempDir dir;
  Bytes colors, kernel, diag;
  std::string good;
};

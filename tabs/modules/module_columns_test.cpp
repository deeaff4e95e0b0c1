// SPDX-License-Identifier: MIT
#include "tabs/modules/module_columns.h"

#include <gtest/gtest.h>

#include "pool/pool.h"
#include "tabs/modules/module_actions.h"
#include "tests/support/module_builder.h"

namespace {

TEST(ModuleColumns, TextsAndActionRefusals) {
  Bytes a = ModuleBuilder().name("colors").access(0x0557).language(0x0C).attribute(0xA0)
                .revision(7).edition(300).body(Bytes(40, 0x33)).build(),
        image = imageOf({a, ModuleBuilder().name("k\tn").build()});
  char err[ERROR_SIZE] = "", text[64];
  PoolPtr pool(poolParse(image.data(), image.size(), err, sizeof err));
  std::string cells;
  for (int column = 0; column < MC_COUNT; column++) {
    moduleColumnText(poolGet(pool.get(), 0), 7, column, text, sizeof text);
    cells += MODULE_COLUMN_TITLES[column] + std::string("=") + text + " ";
  }
  EXPECT_EQ("#=7 Name=colors Size=140 Type=data Access=-e-r-e-r-ewr Language=0C Attribute=A0 "
            "Revision=7 Edition=300 Parity=1294 CRC=5F8F56 ",
            cells);
  EXPECT_EQ(nullptr, moduleExtract(pool.get(), 2, err, sizeof err));
  EXPECT_STREQ("No module 2; the image has 2 modules", err);
  // The architecture is checked before the name (that refusal is pinned in cli_test).
  moduleSetField(poolGet(pool.get(), 0), MF_SYNC, 0x4DAD0003);
  EXPECT_EQ(0, moduleReplace(pool.get(), 1, poolGet(pool.get(), 0), err, sizeof err));
  EXPECT_STREQ("\nUnable to replace module 'k\\x09n'\nNew module has different architecture.", err);
}

}  // namespace

#include "tabs/modules/module_columns.h"

#include <gtest/gtest.h>

#include "pool/be.h"
#include "pool/pool.h"
#include "tabs/modules/module_actions.h"
#include "tests/support/module_builder.h"

namespace {

const Bytes A = ModuleBuilder().name("colors").access(0x0557).language(0x0C).attribute(0xA0)
                    .revision(7).edition(300).body(Bytes(40, 0x33)).build();  // 140 bytes

TEST(ModuleColumns, TitlesAndTexts) {
  char err[POOL_ERROR_SIZE], text[64], expected[256];
  PoolPtr pool(poolParse(A.data(), A.size(), err));
  std::string cells;
  for (int column = 0; column < MC_COUNT; column++) {
    moduleColumnText(poolGet(pool.get(), 0), 7, column, text, sizeof text);
    cells += MODULE_COLUMN_TITLES[column] + std::string("=") + text + " ";
  }
  std::snprintf(expected, sizeof expected,
                "#=7 Name=colors Size=140 Type=data Access=-e-r-e-r-ewr Language=0C Attribute=A0 "
                "Revision=7 Edition=300 Parity=%04X CRC=%06X ",
                beGet16(&A[MH_PARITY]), beGet24(&A[A.size() - 3]));
  EXPECT_EQ(expected, cells);
}

TEST(ModuleActions, Refusals) {
  Bytes image = imageOf({A, ModuleBuilder().name("k\tn").build()});
  char err[POOL_ERROR_SIZE] = "";
  PoolPtr pool(poolParse(image.data(), image.size(), err));
  PoolPtr source(poolParse(A.data(), A.size(), err));
  Module* replacement = poolGet(source.get(), 0);
  EXPECT_EQ(nullptr, moduleExtract(pool.get(), 2, err, sizeof err));
  EXPECT_STREQ("No module 2; the image has 2 modules", err);
  EXPECT_EQ(0, moduleReplace(pool.get(), 1, replacement, err, sizeof err));
  EXPECT_STREQ("\nUnable to replace module 'k\tn'\nNew module has different name: 'colors'.", err);
  moduleSetField(replacement, MF_SYNC, 0x4DAD0003);  // checked before the name
  EXPECT_EQ(0, moduleReplace(pool.get(), 1, replacement, err, sizeof err));
  EXPECT_STREQ("\nUnable to replace module 'k\tn'\nNew module has different architecture.", err);
}

}  // namespace

// SPDX-License-Identifier: MIT
#include "tabs/colors/color_table.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "pool/be.h"
#include "tests/support/body_builders.h"
#include "tests/support/cli_capture.h"

namespace {

int matches(const std::string& name, const Bytes& body, bool bodyBeforeName = false) {
  Bytes bytes = ModuleBuilder().name(name).body(body).bodyBeforeName(bodyBeforeName).build();
  std::unique_ptr<Module, decltype(&moduleFree)> m(
      moduleCreate(bytes.data(), bytes.size(), ARCH_4DAD, nullptr), moduleFree);
  return colorMatch(nullptr, m.get());
}

// A table over a body; the body stays alive beside it.
struct Table {
  explicit Table(Bytes b) : body(std::move(b)) {
    EXPECT_TRUE(colorTableInit(body.data(), uint32_t(body.size()), &t, colorLayoutFind(beGet16(body.data()))));
  }
  ~Table() { t.tableFree(&t); }
  Bytes written() {
    Bytes out = body;
    t.tableWriteBody(&t, out.data());
    return out;
  }
  uint32_t word(uint32_t entry) { return beGet16(written().data() + 2 + 2 * entry); }
  std::string name(uint32_t item) {
    char text[COLOR_NAME_SIZE] = "unchanged";
    t.itemGetName(&t, item, text);
    return text;
  }
  Bytes body;
  ColorTable t;
};

TEST(ColorTable, Recognition) {
  Bytes body = colorBody(0x0033), wrongTag = body, b35 = colorBody(0x0035, 0, 0);
  wrongTag[1] = 0x34;
  EXPECT_TRUE(matches("rom_colours", body));
  EXPECT_FALSE(matches("rom_co", body) || matches("rom_col", wrongTag) || matches("rom_col", {}));
  EXPECT_FALSE(matches("rom_col", body, true));  // a name after the data: no body
  // Every item word must lie inside the body: 744 bytes, or 620 for 0x0035.
  EXPECT_FALSE(matches("rom_col", Bytes(body.begin(), body.begin() + 740)) ||
               matches("rom_col", Bytes(b35.begin(), b35.end() - 4)));
  EXPECT_TRUE(matches("rom_col", Bytes(body.begin(), body.begin() + 744)) && matches("rom_col", b35));
}

// Names as written, spaces included; the shorter list takes most of its rows from the longer one.
TEST(ColorTable, NameListsAsWritten) {
  Table a(colorBody(0x0033)), b(colorBody(0x0035));
  EXPECT_EQ("sky in GPS symbol      ", a.name(16));
  EXPECT_EQ("unchanged", a.name(310));
  EXPECT_EQ(a.name(113), b.name(113));
  EXPECT_EQ("general purpose colours", b.name(114));
  EXPECT_EQ("us road surr                ", b.name(247));
}

TEST(ColorTable, Palette) {
  Bytes body = colorBody(0x0033, 60, 6);
  beSet16(body.data() + 2 + 2 * 3, 0x7FFF);
  Table t(body);
  EXPECT_EQ(body, t.written());  // bit 15 clear, transparent reference and tail kept
  // The same channels count as a change: the flag bit is written as 1.
  t.t.colorSet(&t.t, 3, 31, 31, 31);
  EXPECT_EQ(0xFFFFu, t.word(3));
  EXPECT_TRUE(t.t.colorIsChanged(&t.t, 3));
  t.t.colorSet(&t.t, 5, 1, 32, 1);
  t.t.colorSet(&t.t, 60, 1, 1, 1);
  EXPECT_FALSE(t.t.colorIsChanged(&t.t, 5));  // channels out of range, an entry past the palette
  EXPECT_TRUE(t.t.colorIsTransparent(&t.t, 59));
  Table beyond(colorBody(0x0035, 61));
  EXPECT_FALSE(beyond.t.colorIsTransparent(&beyond.t, 60));
}

TEST(ColorTable, ItemsAndGroups) {
  Bytes body = colorBody(0x0035);  // groups begin at 0, 21, ..., 237
  colorItemWordSet(body, 1, 0);    // item 1 heads an empty group after item 0
  colorItemWordSet(body, 2, 61);   // beyond the palette: kept as it is
  Table t(body);
  EXPECT_EQ(body, t.written());
  t.t.itemSetColor(&t.t, 3, 60);
  t.t.itemSetColor(&t.t, 248, 5);
  EXPECT_EQ(body, t.written());
  t.t.itemSetColor(&t.t, 3, 9);
  EXPECT_TRUE(t.t.itemIsChanged(&t.t, 1));   // its heading
  EXPECT_FALSE(t.t.itemIsChanged(&t.t, 0));  // empty group

  t.t.itemSetColor(&t.t, 20, 9);
  t.t.itemSetColor(&t.t, 22, 9);  // the next group
  t.t.itemRestore(&t.t, 0);      // empty group: nothing
  EXPECT_TRUE(t.t.itemIsChanged(&t.t, 3));
  t.t.itemRestore(&t.t, 1);
  EXPECT_FALSE(t.t.itemIsChanged(&t.t, 1));
  EXPECT_TRUE(t.t.itemIsChanged(&t.t, 21));
  t.t.itemRestore(&t.t, 22);
  EXPECT_EQ(body, t.written());
}

TEST(ColorTable, CommandLine) {
  TempDir dir;
  std::string image = dir.file("image.img");
  ASSERT_TRUE(writeFile(image, imageOf({ModuleBuilder().name("rom_col_a").body(colorBody(0x0033, 2, 3)).build(),
                                        ModuleBuilder().name("col_c").body(colorBody(0x0035)).build(),
                                        ModuleBuilder().name("rom_col_b").body(colorBody(0x0035, 0, 0)).build()})));
  std::string lines = std::get<1>(cliCapture({"colors", image}));
  EXPECT_EQ(2 * (1 + 60) + 310 + 248, std::count(lines.begin(), lines.end(), '\n'));
  EXPECT_EQ(0u, lines.find("table\trom_col_a\t0033\t1\nentry\t0\t80FF\t0\t58\t255\n"
                           "entry\t1\t165E\t41\t148\t247\n"));
  EXPECT_NE(std::string::npos, lines.find("\nitem\t0\theading\t\"general navi colours\"\n"
                                          "item\t1\t7\t\"backgr. guiding screen\"\n"));
  EXPECT_NE(std::string::npos, lines.find("\ntable\trom_col_b\t0035\t-\n"));
}

}  // namespace

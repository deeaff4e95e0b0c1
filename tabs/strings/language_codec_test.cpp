// SPDX-License-Identifier: MIT
#include "tabs/strings/language_codec.h"

#include <gtest/gtest.h>

#include <string>

#include "pool/memory.h"
#include "tests/support/module_builder.h"

namespace {

struct Language {
  explicit Language(const Bytes& body, const std::string& name = "Lng_German") {
    Bytes bytes = ModuleBuilder().name(name).body(body).build();
    lm.module = moduleCreate(bytes.data(), bytes.size(), ARCH_4DAD, nullptr);
    ok = readLanguageModule(&lm, err, sizeof err);
  }
  ~Language() { languageModuleClear(&lm); moduleFree(lm.module); }
  StringEntry* operator[](uint32_t i) { return static_cast<StringEntry*>(listGet(lm.entries, i)); }
  // The body as a store with edits writes it.
  Bytes written() {
    uint32_t size = 0;
    MallocPtr<uint8_t> b(languageModuleEncode(&lm, &size, err, sizeof err));
    EXPECT_TRUE(b) << err;
    return b ? Bytes(b.get(), b.get() + size) : Bytes();
  }
  // "group/index text;" of every entry, "-" for an absent one.
  std::string show() {
    std::string s;
    for (uint32_t i = 0; i < listGetCount(lm.entries); i++) {
      StringEntry* e = (*this)[i];
      s += std::to_string(e->group) + "/" + std::to_string(e->index) + " " +
           (e->text ? e->text : "-") + ";";
    }
    return s;
  }
  LanguageModule lm = {};
  char err[ERROR_SIZE] = "";
  int ok;
};

const Bytes EXAMPLE_32 = {0, 0, 0, 1, 0, 0, 0, 12, 0, 0, 0, 0, 0, 0, 0, 24,
                          0, 0, 0, 0, 0, 0, 0, 24, 'O', 'K', 0, 0};
const Bytes EXAMPLE_16 = {0, 2, 0, 8, 0, 10, 0, 8, 'A', 0, 0, 0};
// Texts B, A, CA, A: not in order of first use, "A" twice, the second time the tail of "CA".
const Bytes SCATTERED_16 = {0, 2, 0, 13, 0, 15, 0, 10, 0, 11, 'C', 'A', 0, 'B', 0, 'A', 0};
const Bytes PACKED_16 = {0, 2, 0, 10, 0, 12, 0, 14, 0, 12, 'B', 0, 'A', 0, 'C', 'A', 0, 0, 0, 0};

TEST(LanguageCodec, WorkedExamplesBothWays) {
  Language a(EXAMPLE_32);
  EXPECT_EQ("0/0 OK;0/1 -;0/2 OK;", a.show());
  EXPECT_EQ(EXAMPLE_32, a.written());
  Language b(EXAMPLE_16);
  EXPECT_EQ("0/0 A;0/1 ;0/2 A;", b.show());
  EXPECT_EQ(EXAMPLE_16, b.written());
  EXPECT_EQ(PACKED_16, Language(SCATTERED_16).written());
}

TEST(LanguageCodec, LayoutsGroupsAndCodePages) {
  // 32 in the first word: the 32-bit layout with 32 (empty) groups; 0x0042: 16-bit, 33 groups.
  Bytes b32(8 + 4 * 32, 0);
  b32[3] = 32;
  for (uint32_t g = 0; g < 32; g++) b32[4 + 4 * g + 3] = uint8_t(8 + 4 * 32);
  Language most(b32);
  EXPECT_TRUE(most.ok) << most.err;
  EXPECT_EQ(LANGUAGE_LAYOUT_32, most.lm.layout);
  EXPECT_FALSE(Language({0, 0x42, 0, 0}).ok);
  // Three groups, the empty one's offset equal to the next one's; then group 0 empty.
  EXPECT_EQ("0/0 A;2/0 ;", Language({0, 6, 0, 8, 0, 8, 0, 10, 0, 12, 'A', 0, 0, 0, 0, 0}).show());
  EXPECT_EQ("1/0 A;2/0 ;", Language({0, 6, 0, 6, 0, 8, 0, 10, 0, 12, 'A', 0, 0, 0, 0, 0}).show());

  EXPECT_STREQ("CP1251", languageCodePage("Lng_American"));
  EXPECT_STREQ("CP1252", languageCodePage("Lng_russian"));
}

TEST(LanguageCodec, UndecodableTextsKeepTheirBytes) {
  // 0x81 has no character in CP1252.
  const Bytes body = {0, 2, 0, 6, 0, 9, 'x', 0x81, 0, 'y', 0, 0};
  Language l(body);
  EXPECT_EQ(body, l.written());
  languageEntryTake(l[0], "z");
  EXPECT_EQ(Bytes({0, 2, 0, 6, 0, 8, 'z', 0, 'y', 0, 0, 0}), l.written());
  // An empty text in their place is an edit too: the bytes go.
  Language emptied(body);
  languageEntryTake(emptied[0], "");
  EXPECT_TRUE(emptied[0]->changed);
  EXPECT_EQ(Bytes({0, 2, 0, 6, 0, 8, 0, 0, 'y', 0, 0, 0}), emptied.written());
}

TEST(LanguageCodec, MalformedBodiesAndLimits) {
  for (const Bytes& bad : {Bytes{}, Bytes{0, 0, 0, 2, 0, 0, 0, 12},  // header past the body
                           Bytes{0, 4, 0, 4, 0, 0x20, 0, 0},                // text past the end
                           Bytes{0, 2, 0, 4, 'A', 'B', 'C', 'D'},           // text without its zero
                           Bytes{0, 0, 0, 1, 0, 0, 0, 16, 0, 0, 0, 0, 0, 0, 0, 0}})  // table not after the header
    EXPECT_FALSE(Language(bad).ok);
  // No groups: nothing to rebuild, the body stays.
  Bytes none = {0, 0, 0, 0, 0, 0, 0, 0, 9, 9, 9, 9};
  Language empty(none);
  EXPECT_TRUE(empty.ok);
  EXPECT_EQ(none, empty.written());

  // A 16-bit offset past 65535 is refused and the module kept.
  Language l(EXAMPLE_16);
  languageEntryTake(l[0], std::string(70000, 'a').c_str());
  ModuleKeep keep;
  EXPECT_FALSE(writeLanguageModule(&l.lm, &keep, l.err, sizeof l.err));
  uint32_t size = 0;
  MallocPtr<uint8_t> kept(moduleGetBody(l.lm.module, &size));
  EXPECT_EQ(EXAMPLE_16, Bytes(kept.get(), kept.get() + size));
}

}  // namespace

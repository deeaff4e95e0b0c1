#include "tabs/strings/language_codec.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <string>

#include "pool/memory.h"
#include "tests/support/cli_capture.h"
#include "tests/support/module_builder.h"

namespace {

struct Language {
  explicit Language(const Bytes& body, const std::string& name = "Lng_German") {
    Bytes bytes = ModuleBuilder().name(name).body(body).build();
    lm.module = moduleCreate(bytes.data(), bytes.size(), ARCH_4DAD, nullptr);
    ok = readLanguageModule(&lm, err);
  }
  ~Language() {
    languageModuleClear(&lm);
    moduleFree(lm.module);
  }
  StringEntry* operator[](uint32_t i) { return static_cast<StringEntry*>(listGet(lm.entries, i)); }
  uint32_t count() { return listGetCount(lm.entries); }
  Bytes body() {
    uint32_t size = 0;
    MallocPtr<uint8_t> b(moduleGetBody(lm.module, &size));
    return Bytes(b.get(), b.get() + size);
  }
  Bytes written() {
    EXPECT_TRUE(writeLanguageModule(&lm, err)) << err;
    return body();
  }
  void edit(uint32_t i, const char* text) {
    g_free((*this)[i]->text);
    (*this)[i]->text = g_strdup(text);
    (*this)[i]->changed = 1;
  }
  // "group/index text" of every entry, "-" for an absent one.
  std::string show() {
    std::string s;
    for (uint32_t i = 0; i < count(); i++) {
      StringEntry* e = (*this)[i];
      s += std::to_string(e->group) + "/" + std::to_string(e->index) + " " + (e->text ? e->text : "-") + ";";
    }
    return s;
  }
  LanguageModule lm = {};
  char err[LANGUAGE_ERROR_SIZE] = "";
  int ok;
};

const Bytes EXAMPLE_32 = {0, 0, 0, 1, 0, 0, 0, 12, 0, 0, 0, 0, 0, 0, 0, 24,
                          0, 0, 0, 0, 0, 0, 0, 24, 'O', 'K', 0, 0};
const Bytes EXAMPLE_16 = {0, 2, 0, 8, 0, 10, 0, 8, 'A', 0, 0, 0};

TEST(LanguageCodec, WorkedExamplesBothWays) {
  Language a(EXAMPLE_32);
  ASSERT_TRUE(a.ok) << a.err;
  EXPECT_EQ(LANGUAGE_LAYOUT_32, a.lm.layout);
  EXPECT_EQ("0/0 OK;0/1 -;0/2 OK;", a.show());
  EXPECT_EQ(EXAMPLE_32, a.written());
  Language b(EXAMPLE_16);
  EXPECT_EQ(LANGUAGE_LAYOUT_16, b.lm.layout);
  EXPECT_EQ("0/0 A;0/1 ;0/2 A;", b.show());
  EXPECT_EQ(EXAMPLE_16, b.written());

  // Texts not shared and not in order of first use come out shared.
  Language c({0, 2, 0, 12, 0, 8, 0, 10, 'A', 0, 'A', 0, 'B', 0, 0, 0});
  EXPECT_EQ("0/0 B;0/1 A;0/2 A;", c.show());
  EXPECT_EQ(Bytes({0, 2, 0, 8, 0, 10, 0, 10, 'B', 0, 'A', 0}), c.written());
}

TEST(LanguageCodec, LayoutsGroupsAndCodePages) {
  // 32 in the first word: the 32-bit layout, 32 groups (whose tables are
  // empty here); 0x00420000: the 16-bit layout with 33 groups, refused.
  Bytes b32(8 + 4 * 32, 0);
  b32[3] = 32;
  for (uint32_t g = 0; g < 32; g++) b32[4 + 4 * g + 3] = uint8_t(8 + 4 * 32);
  EXPECT_EQ(LANGUAGE_LAYOUT_32, Language(b32).lm.layout);
  Bytes b16 = {0, 0x42, 0, 0};  // 33 groups
  EXPECT_FALSE(Language(b16).ok);

  // 00 06: three groups; group 1 is empty, its offset equal to group 2's.
  Language three({0, 6, 0, 8, 0, 8, 0, 10, 0, 12, 'A', 0, 0, 0, 0, 0});
  ASSERT_TRUE(three.ok) << three.err;
  EXPECT_EQ(3u, three.lm.groupCount);
  EXPECT_EQ("0/0 A;2/0 ;", three.show());
  Language leading({0, 6, 0, 6, 0, 8, 0, 10, 0, 12, 'A', 0, 0, 0, 0, 0});  // group 0 empty
  EXPECT_EQ("1/0 A;2/0 ;", leading.show());

  EXPECT_STREQ("CP1251", languageCodePage("Lng_Russian"));
  EXPECT_STREQ("CP1251", languageCodePage("Lng_American"));
  EXPECT_STREQ("CP1252", languageCodePage("Lng_russian"));
  Language cyrillic({0, 2, 0, 4, 0xC4, 0xE0, 0, 0}, "Lng_Russian");
  EXPECT_STREQ("\xD0\x94\xD0\xB0", cyrillic[0]->text);  // "Да"
  EXPECT_FALSE(languageTextFits("CP1252", "\xD0\x94"));
  EXPECT_TRUE(languageTextFits("CP1251", "\xD0\x94"));
}

TEST(LanguageCodec, UndecodableTextsKeepTheirBytes) {
  // 0x81 has no character in CP1252.
  const Bytes body = {0, 2, 0, 6, 0, 9, 'x', 0x81, 0, 'y', 0, 0};
  Language l(body);
  ASSERT_TRUE(l.ok);
  EXPECT_EQ(Bytes({'x', 0x81}), Bytes(l[0]->raw, l[0]->raw + l[0]->rawLength));
  EXPECT_STREQ("", l[0]->text);
  EXPECT_EQ(body, l.written());
  l.edit(0, "z");
  EXPECT_EQ(Bytes({0, 2, 0, 6, 0, 8, 'z', 0, 'y', 0, 0, 0}), l.written());
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
  EXPECT_EQ(0u, empty.count());
  EXPECT_EQ(none, empty.written());

  // A 16-bit offset past 65535 is refused and the module kept.
  Language l(EXAMPLE_16);
  l.edit(0, std::string(70000, 'a').c_str());
  l.edit(1, "b");
  EXPECT_FALSE(writeLanguageModule(&l.lm, l.err));
  EXPECT_EQ(EXAMPLE_16, l.body());
}

TEST(LanguageCodec, CommandLine) {
  TempDir dir;
  std::string in = dir.file("in.img"), out = dir.file("out.img");
  Bytes canonical = ModuleBuilder().name("Lng_German").body(EXAMPLE_32).build();
  Bytes loose = ModuleBuilder().name("Lng_Russian").body({0, 2, 0, 6, 0, 8, 'A', 0, '\t', 0x81, 0, 0}).build();
  ASSERT_TRUE(writeFile(in, imageOf({canonical, loose})));
  EXPECT_EQ(std::string("module\tLng_German\tCP1252\t32\t1\n0/0\ttext\tOK\n0/1\tabsent\n0/2\ttext\tOK\n"
                        "module\tLng_Russian\tCP1251\t16\t1\n0/0\ttext\tA\n0/1\ttext\t\\t\xD0\x83\n"),
            std::get<1>(cliCapture({"strings", in})));
  ASSERT_EQ(0, std::get<0>(cliCapture({"resave", in, out, "--commit"})));
  Bytes saved = readFile(out);
  EXPECT_EQ(canonical, Bytes(saved.begin(), saved.begin() + long(canonical.size())));
}

}  // namespace

// SPDX-License-Identifier: MIT
// The translators' commands: strings-export, strings-import, strings-width.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tabs/strings/language_codec.h"
#include "tests/support/body_builders.h"
#include "tests/support/cli_capture.h"
#include "tests/support/module_builder.h"

namespace {

using Result = CliResult;

// Lng_German (CP1252): a tab, quotes, a backslash and a control character, an empty text, an
// absent entry, a newline, an 8-bit letter, and the byte 0x81, which CP1252 cannot decode.
// Lng_English, the reference, lacks 0/3 and 1/2; its 1/0 ends in a newline, the German's not.
class StringCommands : public testing::Test {
 protected:
  void SetUp() override {
    auto m = [](const char* n, const Bytes& b) { return ModuleBuilder().name(n).body(b).build(); };
    Bytes german = languageBody(LANGUAGE_LAYOUT_32,
                                {{"Ja", std::nullopt, "Nein", "Tab\t\"q\" b\\s\x01", ""},
                                 {"Line\nbreak", "Stra\u00DFe", "\xC2\x81"}},
                                "ISO-8859-1");
    Bytes english = languageBody(
        LANGUAGE_LAYOUT_16, {{"Yes", "Maybe", "No", std::nullopt, ""}, {"Line break\n", "Street"}},
        "CP1252");
    Bytes font =
        fontBodyWidths(2, {{'J', 2}, {'a', 5}, {'N', 1}, {'e', 3}, {'i', 4}, {'n', 7}, {0xDF, 9}});
    imageBytes = imageOf({m("Lng_German", german), m("Lng_English", english), m("font_test", font),
                          m("font_bad", {6, 8, 0, 3})});
    ASSERT_TRUE(writeFile(image, imageBytes));
  }

  // The `strings` dump of OUT's German module.
  std::string germanOut() {
    std::string all = std::get<1>(cliCapture({"strings", out}));
    return all.substr(0, all.find("module\tLng_English"));
  }

  TempDir dir;
  std::string image = dir.file("image.img"), out = dir.file("out.img");
  Bytes imageBytes;
};

// The PO against the reference, the TSV against the texts themselves.
TEST_F(StringCommands, ExportPassesMsgfmtAndImportsBackUnchanged) {
  std::string po = dir.file("de.po"), tsv = dir.file("de.tsv");
  ASSERT_EQ(Result(0, "", ""), cliCapture({"strings-export", image, "0", po, "--reference", "1"}));
  ASSERT_EQ(Result(0, "", ""), cliCapture({"strings-export", image, "Lng_German", tsv}));
  EXPECT_EQ(0, std::system(("msgfmt -c -o /dev/null " + po + " 2>/dev/null").c_str()));
  for (const std::string& file : {po, tsv}) {
    EXPECT_EQ(Result(0, "", ""), cliCapture({"strings-import", image, "0", file, out})) << file;
    EXPECT_EQ(imageBytes, readFile(out)) << file;
  }
  const Bytes exported = readFile(po);
  EXPECT_EQ("msgid \"\"\nmsgstr \"\"\n\"Project-Id-Version: Lng_German\\n\"\n"
            "\"MIME-Version: 1.0\\n\"\n\"Content-Type: text/plain; charset=UTF-8\\n\"\n"
            "\"Content-Transfer-Encoding: 8bit\\n\"\n"
            "\nmsgctxt \"0/0\"\nmsgid \"Yes\"\nmsgstr \"Ja\"\n"
            "\nmsgctxt \"0/2\"\nmsgid \"No\"\nmsgstr \"Nein\"\n"
            "\nmsgctxt \"0/3\"\nmsgid \"\"\nmsgstr \"Tab\\t\\\"q\\\" b\\\\s\\001\"\n"
            "\nmsgctxt \"0/4\"\nmsgid \"\"\nmsgstr \"\"\n"
            "\n#, fuzzy\nmsgctxt \"1/0\"\nmsgid \"Line break\\n\"\nmsgstr \"Line\\nbreak\"\n"
            "\nmsgctxt \"1/1\"\nmsgid \"Street\"\nmsgstr \"Stra\u00DFe\"\n"
            "\n#. undecodable: 81\n",
            std::string(exported.begin(), exported.end()));
}

// Flags, comments, obsolete entries, continued strings, escapes and CRLF, as PO editors write.
TEST_F(StringCommands, EditedPoAppliesExactlyItsEntries) {
  std::string po = dir.file("edited.po");
  ASSERT_TRUE(
      writeFile(po, bytesOf("# a translator's note\r\nmsgid \"\"\r\nmsgstr \"\"\r\n"
                            "\"Content-Type: text/plain; charset=UTF-8\\n\"\r\n\r\n"
                            "#: menu.c:12\r\n#, c-format, fuzzy\r\n"
                            "msgctxt \"0/0\"\r\nmsgid \"Yes\"\r\nmsgstr \"Jein\"\r\n\r\n"
                            "msgctxt \"0/2\"\r\nmsgid \"No\"\r\nmsgstr \"\"\r\n\r\n"
                            "#| msgid \"old\"\r\nmsgctxt \"1/0\"\r\nmsgid \"\"\r\n"
                            "msgstr \"Zwei\\n\"\r\n\"Zeilen \\\"mit\\\" \\101\\x42\"\r\n\r\n"
                            "#~ msgctxt \"0/3\"\r\n#~ msgid \"x\"\r\n#~ msgstr \"obsolete\"\r\n\r\n"
                            "msgctxt \"1/1\"\r\nmsgid \"Street\"\r\nmsgstr \"Gasse\"\r\n")));
  ASSERT_EQ(Result(0, "", ""), cliCapture({"strings-import", image, "Lng_German", po, out}));
  EXPECT_EQ("module\tLng_German\tCP1252\t32\t2\n0/0\ttext\tJa\n0/1\tabsent\n0/2\ttext\tNein\n"
            "0/3\ttext\tTab\\t\"q\" b\\\\s\x01\n0/4\ttext\t\n"
            "1/0\ttext\tZwei\\nZeilen \"mit\" AB\n1/1\ttext\tGasse\n1/2\traw\t81\n",
            germanOut());
}

// Entries that cannot be applied are skipped on request; unreadable lines refuse the file whole.
TEST_F(StringCommands, RefusalsListedAndNothingWrittenUnlessSkipped) {
  std::string tsv = dir.file("refused.tsv"), po = dir.file("refused.po");
  ASSERT_TRUE(
      writeFile(tsv, bytesOf("key\treference\ttext\r\n0/0\t\tJa!\r\n9/9\t\tx\r\n0/1\t\tda\r\n"
                             "0/2\t\t\xD0\x9D\xD0\xB5\xD1\x82\r\n1/0\t\tx\\ry\r\n")));
  const std::string tsvRefusals =
      "9/9: the module has no such entry\n0/1: the entry is absent\n"
      "0/2: \"\xD0\x9D\" (U+041D) is not in CP1252\n";
  EXPECT_EQ(Result(1, "", tsvRefusals), cliCapture({"strings-import", image, "0", tsv, out}));
  EXPECT_TRUE(readFile(out).empty());
  EXPECT_EQ(Result(0, "", tsvRefusals),
            cliCapture({"strings-import", image, "0", tsv, out, "--skip-refused"}));
  EXPECT_NE(std::string::npos, germanOut().find("\n0/0\ttext\tJa!\n"));
  EXPECT_NE(std::string::npos, germanOut().find("\n1/0\ttext\tx\\ry\n"));  // CRLF ends, \\r read back

  ASSERT_TRUE(writeFile(tsv, bytesOf("key\treference\ttext\n0/0\t\tJa!\n0/3\tonly two\n0/4\t\tbad \\q\n")));
  const std::string malformed = "line 3: not three tab-separated fields (key, reference, text)\n"
                                "line 4: unknown escape \\q\n"
                                "korvane-cli: '" + tsv + "' is not a well-formed TSV file; nothing was imported\n";
  EXPECT_EQ(Result(1, "", malformed), cliCapture({"strings-import", image, "0", tsv, out, "--skip-refused"}));

  ASSERT_TRUE(writeFile(po, bytesOf("msgctxt \"0/0\"\nmsgid \"\"\nmsgstr \"A\"\n\n"
                                    "msgctxt \"0/0\"\nmsgid \"\"\nmsgstr \"B\"\n\n"
                                    "msgctxt \"x/1\"\nmsgid \"\"\nmsgstr \"C\"\n\n"
                                    "msgid \"no context\"\nmsgstr \"D\"\n\n"
                                    "msgctxt \"0/2\"\nmsgid \"a\"\nmsgid_plural \"b\"\n"
                                    "msgstr[0] \"E\"\nmsgstr[1] \"F\"\n\n"
                                    "msgctxt \"1/1\"\nmsgid \"x\"\nmsgstr \"unended\n")));
  const std::string notPo = "korvane-cli: '" + po + "' is not a well-formed PO file; nothing was imported\n";
  EXPECT_EQ(Result(1, "",
                   "0/0: given more than once\nline 9: \"x/1\" is not a key GROUP/INDEX\n"
                   "line 13: an entry without msgctxt names no text\n"
                   "0/2: plural forms are not used\nline 24: not a string\n" + notPo),
            cliCapture({"strings-import", image, "0", po, out}));
  // A flag between msgctxt and msgid could mark either entry: refused, not applied to the next.
  ASSERT_TRUE(writeFile(po, bytesOf("msgctxt \"0/0\"\n#, fuzzy\nmsgid \"\"\nmsgstr \"A\"\n\n"
                                    "msgctxt \"0/2\"\nmsgid \"\"\nmsgstr \"B\"\n")));
  EXPECT_EQ(Result(1, "", "line 2: a comment or flag line inside an entry (it belongs before msgctxt)\n" + notPo),
            cliCapture({"strings-import", image, "0", po, out, "--skip-refused"}));
}

TEST_F(StringCommands, WidthsAreSumsOfGlyphWidths) {
  // Printable ASCII is 12 wide and other codes 6, but for J 2, a 5, N 1, e 3, i 4, n 7, ß 9.
  EXPECT_EQ(Result(0, "0/0\t7\t7\n0/2\t15\t15\n0/3\t125\t125\n0/4\t0\t0\n1/0\t76\t76\n"
                      "1/1\t53\t53\n1/2\t6\t6\n", ""),
            cliCapture({"strings-width", image, "Lng_German", "font_test"}));
  EXPECT_EQ(
      Result(1, "", "korvane-cli: The font 'font_bad' is malformed: its glyphs cannot be read.\n"),
      cliCapture({"strings-width", image, "0", "font_bad"}));
}

}  // namespace

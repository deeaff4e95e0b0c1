#include "cli/cli.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/module_builder.h"

namespace {

struct Result {
  int code;
  std::string out;
  std::string err;
};

Result run(std::vector<std::string> args) {
  args.insert(args.begin(), "korvane-cli");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  char* outText = nullptr;
  char* errText = nullptr;
  size_t outSize = 0, errSize = 0;
  FILE* out = open_memstream(&outText, &outSize);
  FILE* err = open_memstream(&errText, &errSize);
  int code = cliRun(int(args.size()), argv.data(), out, err);
  std::fclose(out);
  std::fclose(err);
  Result r{code, outText, errText};
  std::free(outText);
  std::free(errText);
  return r;
}

class CommandLine : public testing::Test {
 protected:
  void SetUp() override {
    a = ModuleBuilder().name("colors").access(0x0557).language(0x0C).attribute(0x80)
            .revision(2).edition(300).body(Bytes(40, 0x33)).build();
    b = ModuleBuilder().name("krn").type(12).access(0x0555).build();
    image = dir.file("image.bin");
    ASSERT_TRUE(writeFile(image, imageOf({a, b})));
  }
  TempDir dir;
  Bytes a, b;
  std::string image;
};

TEST_F(CommandLine, ListPrintsHeaderAndOneLinePerModule) {
  Result r = run({"list", image});
  EXPECT_EQ(0, r.code);
  char expected[512];
  std::snprintf(expected, sizeof expected,
                "#\tName\tSize\tType\tAccess\tLanguage\tAttribute\tRevision\tEdition\tParity\tCRC\n"
                "0\tcolors\t%zu\tdata\t-e-r-e-r-ewr\t0C\t80\t2\t300\t%02X%02X\t%02X%02X%02X\n"
                "1\tkrn\t96\tsystem\t-e-r-e-r-e-r\t00\t80\t1\t1\t%02X%02X\t%02X%02X%02X\n",
                a.size(), a[86], a[87], a[a.size() - 3], a[a.size() - 2], a[a.size() - 1], b[86],
                b[87], b[93], b[94], b[95]);
  EXPECT_EQ(expected, r.out);
  EXPECT_EQ("", r.err);
}

TEST_F(CommandLine, ListEscapesControlCharactersInNames) {
  ASSERT_TRUE(writeFile(image, ModuleBuilder().name("a\tb\\").build()));
  Result r = run({"list", image});
  EXPECT_NE(std::string::npos, r.out.find("\n0\ta\\x09b\\x5C\t100\t")) << r.out;
}

TEST_F(CommandLine, CheckReportsCountAlignmentAndLoaderErrors) {
  Result r = run({"check", image});
  EXPECT_EQ(0, r.code);
  EXPECT_EQ("2 modules\n", r.out);

  ASSERT_TRUE(writeFile(image, imageOf({a, zeros(12), b})));
  r = run({"check", image});
  EXPECT_EQ(0, r.code);
  char expected[128];
  std::snprintf(expected, sizeof expected, "2 modules\nData alignment found at offset 0x%08zx\n",
                a.size() + 12);
  EXPECT_EQ(expected, r.out);

  ASSERT_TRUE(writeFile(image, imageOf({b, breakModule(a, Break::Crc)})));
  r = run({"check", image});
  EXPECT_EQ(1, r.code);
  EXPECT_EQ("", r.out);
  EXPECT_EQ("Error at 0x60: Module has invalid CRC\n", r.err);

  r = run({"check", dir.file("missing")});
  EXPECT_EQ(1, r.code);
  EXPECT_EQ("Failed to open '" + dir.file("missing") + "': No such file or directory\n", r.err);
}

TEST_F(CommandLine, ExtractWritesOneModuleImage) {
  std::string out = dir.file("kernel.mod");
  ASSERT_TRUE(writeFile(out, bytesOf("previous")));  // replaced, as a redirection would
  Result r = run({"extract", image, "1", out});
  EXPECT_EQ(0, r.code) << r.err;
  EXPECT_EQ(b, readFile(out));

  for (const char* bad : {"2", "-1", "1x", "", "99999999999999999999"}) {
    SCOPED_TRACE(bad);
    r = run({"extract", image, bad, dir.file("other")});
    EXPECT_EQ(1, r.code);
    EXPECT_FALSE(std::filesystem::exists(dir.file("other")));
  }
  EXPECT_EQ("korvane-cli: no module 2; the image has 2 modules\n", run({"extract", image, "2", out}).err);
}

TEST_F(CommandLine, ReplaceChecksNameAndSavesAtomically) {
  Bytes newer = ModuleBuilder().name("colors").type(4).edition(301).body(Bytes(80, 0x44)).build();
  std::string moduleFile = dir.file("colors.mod");
  ASSERT_TRUE(writeFile(moduleFile, imageOf({newer, b})));  // further modules are ignored
  std::string out = dir.file("out.bin");
  Result r = run({"replace", image, "0", moduleFile, out});
  EXPECT_EQ(0, r.code) << r.err;
  EXPECT_EQ(imageOf({newer, b}), readFile(out));

  r = run({"replace", image, "1", moduleFile, out});
  EXPECT_EQ(1, r.code);
  EXPECT_EQ("Unable to replace module 'krn'\nNew module has different name: 'colors'.\n", r.err);
  EXPECT_EQ(imageOf({newer, b}), readFile(out));

  r = run({"replace", image, "0", dir.file("missing"), out});
  EXPECT_EQ(1, r.code);
  EXPECT_EQ("Error loading file " + dir.file("missing") + ": Failed to open '" +
                dir.file("missing") + "': No such file or directory\n",
            r.err);
}

TEST_F(CommandLine, ResaveIsByteIdenticalAndRefusesPadding) {
  Bytes odd = ModuleBuilder().name("gaps").gapBeforeName(4).gapBeforeBody(8).headerFiller(true)
                  .body({1, 2, 3}).build();
  ASSERT_TRUE(writeFile(image, imageOf({a, odd, b})));
  std::string out = dir.file("out.bin");
  Result r = run({"resave", image, out});
  EXPECT_EQ(0, r.code) << r.err;
  EXPECT_EQ(imageOf({a, odd, b}), readFile(out));

  ASSERT_TRUE(writeFile(image, imageOf({a, zeros(4), b})));
  r = run({"resave", image, dir.file("padded.bin")});
  EXPECT_EQ(1, r.code);
  EXPECT_EQ("Saving files with data alignments not supported yet.\n", r.err);
  EXPECT_FALSE(std::filesystem::exists(dir.file("padded.bin")));

  r = run({"resave", image, dir.file("no/folder/out.bin")});
  EXPECT_EQ(1, r.code);
}

TEST_F(CommandLine, OutputThatCannotBeWrittenFails) {
  FILE* full = std::fopen("/dev/full", "w");
  ASSERT_NE(nullptr, full);
  std::string command = "korvane-cli", list = "list";
  char* argv[] = {command.data(), list.data(), image.data(), nullptr};
  char* errText = nullptr;
  size_t errSize = 0;
  FILE* err = open_memstream(&errText, &errSize);
  EXPECT_EQ(1, cliRun(3, argv, full, err));
  std::fclose(err);
  std::fclose(full);
  EXPECT_EQ(0, std::strncmp(errText, "korvane-cli: error writing output", 33)) << errText;
  std::free(errText);
}

TEST_F(CommandLine, UsageErrorsAndHelp) {
  Result r = run({"--help"});
  EXPECT_EQ(0, r.code);
  for (const char* word : {"list IMAGE", "check IMAGE", "extract IMAGE INDEX OUT",
                           "replace IMAGE INDEX MODULEFILE OUT", "resave IMAGE OUT"})
    EXPECT_NE(std::string::npos, r.out.find(word)) << word;
  EXPECT_EQ(2, run({}).code);
  EXPECT_EQ(2, run({"frobnicate"}).code);
  r = run({"list"});
  EXPECT_EQ(2, r.code);
  EXPECT_EQ("korvane-cli: wrong number of arguments for 'list'\nTry 'korvane-cli --help'.\n", r.err);
}

}  // namespace

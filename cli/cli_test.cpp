#include "cli/cli.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/module_builder.h"

namespace {

struct Result {
  int code;
  std::string out, err;
};

Result run(std::vector<std::string> args, FILE* out = nullptr) {
  args.insert(args.begin(), "korvane-cli");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  char *outText = nullptr, *errText = nullptr;
  size_t outSize = 0, errSize = 0;
  FILE* captured = open_memstream(&outText, &outSize);
  FILE* err = open_memstream(&errText, &errSize);
  int code = cliRun(int(args.size()), argv.data(), out ? out : captured, err);
  std::fclose(captured);
  std::fclose(err);
  Result r{code, outText, errText};
  std::free(outText);
  std::free(errText);
  return r;
}

class CommandLine : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(writeFile(image, imageOf({a, b}))); }
  TempDir dir;
  Bytes a = ModuleBuilder().name("colors").access(0x0557).language(0x0C).edition(300)
                .body(Bytes(40, 0x33)).build();
  Bytes b = ModuleBuilder().name("k\tn").type(12).build();  // 96 bytes
  std::string image = dir.file("image.img");
};

TEST_F(CommandLine, ListAndCheck) {
  Result r = run({"list", image});
  char expected[512];
  std::snprintf(expected, sizeof expected,
                "#\tName\tSize\tType\tAccess\tLanguage\tAttribute\tRevision\tEdition\tParity\tCRC\n"
                "0\tcolors\t140\tdata\t-e-r-e-r-ewr\t0C\t80\t1\t300\t%02X%02X\t%02X%02X%02X\n"
                "1\tk\\x09n\t96\tsystem\t-e-r-e-r-e-r\t00\t80\t1\t1\t%02X%02X\t%02X%02X%02X\n",
                a[86], a[87], a[137], a[138], a[139], b[86], b[87], b[93], b[94], b[95]);
  EXPECT_EQ(expected, r.out);
  EXPECT_EQ("2 modules\n", run({"check", image}).out);
  ASSERT_TRUE(writeFile(image, imageOf({b, zeros(12), a})));
  EXPECT_EQ("2 modules\nData alignment found at offset 0x0000006c\n", run({"check", image}).out);
  ASSERT_TRUE(writeFile(image, imageOf({b, breakModule(a, Break::Crc)})));
  r = run({"check", image});
  EXPECT_EQ(1, r.code);
  EXPECT_EQ("Error at 0x60: Module has invalid CRC\n", r.err);
}

TEST_F(CommandLine, ExtractReplaceResave) {
  std::string out = dir.file("out.img");
  ASSERT_TRUE(writeFile(out, bytesOf("previous")));  // replaced, as a redirection would
  EXPECT_EQ(0, run({"extract", image, "1", out}).code);
  EXPECT_EQ(b, readFile(out));
  EXPECT_EQ("korvane-cli: no module 2; the image has 2 modules\n", run({"extract", image, "2", out}).err);
  EXPECT_EQ(1, run({"extract", image, "1x", out}).code);

  Bytes newer = ModuleBuilder().name("colors").edition(301).body(Bytes(80, 0x44)).build();
  std::string module = dir.file("colors.mod");
  ASSERT_TRUE(writeFile(module, imageOf({newer, b})));  // further modules are ignored
  EXPECT_EQ(0, run({"replace", image, "0", module, out}).code);
  EXPECT_EQ(imageOf({newer, b}), readFile(out));
  Result r = run({"replace", image, "1", module, out});
  EXPECT_EQ(1, r.code);
  EXPECT_EQ("Unable to replace module 'k\tn'\nNew module has different name: 'colors'.\n", r.err);

  EXPECT_EQ(0, run({"resave", image, out}).code);
  EXPECT_EQ(imageOf({a, b}), readFile(out));
  ASSERT_TRUE(writeFile(image, imageOf({a, zeros(4), b})));
  r = run({"resave", image, dir.file("padded.img")});
  EXPECT_EQ("Saving files with data alignments not supported yet.\n", r.err);
  EXPECT_FALSE(std::filesystem::exists(dir.file("padded.img")));
}

TEST_F(CommandLine, UsageHelpAndOutputErrors) {
  EXPECT_NE(std::string::npos, run({"--help"}).out.find("replace IMAGE INDEX MODULEFILE OUT"));
  EXPECT_EQ(2, run({}).code);
  EXPECT_EQ("korvane-cli: wrong number of arguments for 'list'\nTry 'korvane-cli --help'.\n",
            run({"list"}).err);
  FILE* full = std::fopen("/dev/full", "w");
  Result r = run({"list", image}, full);
  std::fclose(full);
  EXPECT_EQ(1, r.code);
  EXPECT_EQ(0u, r.err.find("korvane-cli: error writing output"));
}

}  // namespace

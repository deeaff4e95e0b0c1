// SPDX-License-Identifier: MIT
#include "cli/cli.h"

#include <gtest/gtest.h>

#include <memory>

#include "tests/support/cli_capture.h"
#include "tests/support/module_builder.h"

namespace {

using Result = CliResult;
const auto run = cliCapture;

const Bytes A = ModuleBuilder().name("colors").build();
const Bytes B = ModuleBuilder().name("k\t\\\x7F\xFCn").build();  // 100 bytes
const std::string TRY = "\nTry 'korvane-cli --help'.\n";

TEST(CommandLine, ListCheckExtractReplaceResave) {
  TempDir dir;
  std::string image = dir.file("i.img"), out = dir.file("o.img"), mod = dir.file("n.mod");
  ASSERT_TRUE(writeFile(image, imageOf({A, B})));
  EXPECT_NE(std::string::npos, std::get<1>(run({"list", image})).find("\n1\tk\\x09\\x5C\\x7F\xFCn\t100\t"));
  ASSERT_TRUE(writeFile(out, bytesOf("previous")));  // replaced, as a redirection would
  EXPECT_EQ(Result(0, "", ""), run({"extract", image, "1", out}));
  EXPECT_EQ(B, readFile(out));
  EXPECT_EQ(Result(1, "", "korvane-cli: invalid module index '1x'\n"),
            run({"extract", image, "1x", out}));
  Bytes newer = ModuleBuilder().name("colors").edition(301).body(Bytes(80, 0x44)).build();
  ASSERT_TRUE(writeFile(mod, imageOf({newer, B})));  // further modules are ignored
  EXPECT_EQ(Result(0, "", ""), run({"replace", image, "0", mod, out}));
  EXPECT_EQ(imageOf({newer, B}), readFile(out));
  EXPECT_EQ(Result(1, "",
                   "Unable to replace module 'k\\x09\\x5C\\x7F\xFCn'\n"
                   "New module has different name: 'colors'.\n"),
            run({"replace", image, "1", mod, out}));
  ASSERT_TRUE(writeFile(image, imageOf({A, zeros(8), B})));
  EXPECT_EQ(Result(1, "", "Saving files with data alignments not supported yet.\n"),
            run({"resave", image, out}));
  EXPECT_EQ(Result(0, "2 modules\nData alignment found at offset 0x0000006c\n", ""),
            run({"check", image}));
  ASSERT_TRUE(writeFile(image, imageOf({A, breakModule(B, Break::Crc)})));
  EXPECT_EQ(Result(1, "", "Error at 0x64: Module has invalid CRC\n"), run({"check", image}));
}

TEST(CommandLineUsage, HelpVersionAndErrors) {
  EXPECT_EQ(Result(2, "", "korvane-cli: missing command" + TRY), run({}));
  EXPECT_EQ("korvane-cli: unknown command 'lst'" + TRY, std::get<2>(run({"lst"})));
  EXPECT_EQ("korvane-cli: wrong number of arguments for 'list'" + TRY, std::get<2>(run({"list"})));
  EXPECT_EQ("korvane-cli: unknown or repeated option '--commit' for 'resave'" + TRY,
            std::get<2>(run({"resave", "--commit", "a", "b", "--commit"})));
  std::unique_ptr<FILE, decltype(&std::fclose)> full(std::fopen("/dev/full", "w"), std::fclose);
  char* argv[] = {const_cast<char*>("korvane-cli"), const_cast<char*>("--help")};
  testing::internal::CaptureStderr();
  EXPECT_EQ(1, cliRun(2, argv, full.get(), stderr));
  EXPECT_EQ("korvane-cli: error writing output: No space left on device\n", testing::internal::GetCapturedStderr());
}

}  // namespace

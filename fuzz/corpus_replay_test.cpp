// Replays the seed corpus of the poolParse fuzz target (and any crash input
// added to it later) through the fuzzer's own walk, so that every seed stays
// a regression test without clang or libFuzzer.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/pool_parse_walk.h"
#include "tests/support/module_builder.h"

namespace {

std::vector<std::filesystem::path> corpusFiles() {
  std::vector<std::filesystem::path> files;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(KORVANE_FUZZ_CORPUS, ec))
    if (entry.is_regular_file()) files.push_back(entry.path());
  // Sorted, so that failures read the same on every machine.
  std::sort(files.begin(), files.end());
  return files;
}

bool startsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

}  // namespace

TEST(FuzzCorpus, HasTheSeeds) { EXPECT_GE(corpusFiles().size(), 8u) << KORVANE_FUZZ_CORPUS; }

TEST(FuzzCorpus, EveryFileWalksCleanly) {
  for (const auto& path : corpusFiles()) {
    SCOPED_TRACE(path.string());
    std::string name = path.filename().string();
    Bytes bytes = readFile(path.string());
    PoolWalkResult result = poolParseWalk(bytes.data(), bytes.size());
    EXPECT_NE(result, WALK_BROKEN);
    if (startsWith(name, "ok-")) {
      EXPECT_EQ(result, WALK_PARSED);
    } else if (startsWith(name, "bad-")) {
      EXPECT_EQ(result, WALK_REFUSED);
    }
  }
}

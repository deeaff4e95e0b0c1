// Replays the seed corpus and any crash input added to it through the fuzzer's walk; the
// bad-break-* seeds only repeat ModuleFormat's validation order behind a valid module.
#include <gtest/gtest.h>

#include <filesystem>

#include "fuzz/pool_parse_walk.h"
#include "tests/support/module_builder.h"

TEST(FuzzCorpus, EverySeedWalksAsItsNameSays) {
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(KORVANE_FUZZ_CORPUS)) {
    std::string name = entry.path().filename().string();
    if (name.rfind("bad-break-", 0) == 0) continue;
    Bytes bytes = readFile(entry.path().string());
    PoolWalkResult result = poolParseWalk(bytes.data(), bytes.size());
    bool ok = name.rfind("ok-", 0) == 0, bad = name.rfind("bad-", 0) == 0;
    EXPECT_TRUE(ok ? result == WALK_PARSED : bad ? result == WALK_REFUSED : result != WALK_BROKEN)
        << name << " walks as " << result;
    files++;
  }
  EXPECT_GE(files, 8);
}

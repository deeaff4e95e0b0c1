// Replays the fuzz target's seed corpus (and any crash input added to it)
// through the fuzzer's own walk. The bad-break-* seeds are skipped: behind a
// valid module they only repeat the table of ModuleFormat.ValidationOrder.
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
    EXPECT_NE(WALK_BROKEN, result) << name;
    if (name.rfind("ok-", 0) == 0 || name.rfind("bad-", 0) == 0) {
      EXPECT_EQ(name[0] == 'o' ? WALK_PARSED : WALK_REFUSED, result) << name;
    }
    files++;
  }
  EXPECT_GE(files, 8);
}

// libFuzzer target: arbitrary bytes through poolParse and every accessor of
// the modules it accepts. A broken read-back is turned into a crash so that
// libFuzzer keeps the input.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fuzz/pool_parse_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (poolParseWalk(data, size) == WALK_BROKEN) {
    std::fprintf(stderr, "poolParseWalk: parsed pool disagrees with its input\n");
    std::abort();
  }
  return 0;
}

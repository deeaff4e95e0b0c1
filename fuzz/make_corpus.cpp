// Writes the seed corpus of the poolParse fuzz target: small images built
// with the test builders, one file each. Names starting with "ok-" must
// parse and those starting with "bad-" must be refused; the replay test holds
// them to it.
//
// Build and run from the project root (one command line):
//   g++ -std=c++20 -I. fuzz/make_corpus.cpp tests/support/module_builder.cpp
//       pool/module_format.cpp pool/module.cpp pool/pool.cpp -o /tmp/make_corpus
//   /tmp/make_corpus fuzz/corpus/pool_parse
#include <cstdio>
#include <string>

#include "pool/be.h"
#include "pool/module_format.h"
#include "tests/support/module_builder.h"

namespace {

Bytes counting(size_t n, uint8_t first) {
  Bytes b(n);
  for (size_t i = 0; i < n; i++) b[i] = uint8_t(first + i);
  return b;
}

// A plain data module with a body that holds no zero byte, so a mutated
// length shows up as a parse error rather than as padding.
Bytes dataModule(const std::string& name, size_t bodyLength) {
  return ModuleBuilder().name(name).body(counting(bodyLength, 1)).build();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT-FOLDER\n", argv[0]);
    return 2;
  }
  std::string folder = argv[1];
  int failures = 0;
  auto put = [&](const std::string& name, const Bytes& bytes) {
    if (!writeFile(folder + "/" + name, bytes)) {
      std::fprintf(stderr, "%s: cannot write\n", name.c_str());
      failures++;
    }
  };

  Bytes first = dataModule("navtable", 40);
  Bytes second = ModuleBuilder().name("boot").type(1).language(1).revision(3).edition(7)
                     .body(counting(64, 0x41)).build();
  put("ok-one-module", first);
  put("ok-two-modules", imageOf({first, second}));
  put("ok-padded", imageOf({first, zeros(12), second}));
  put("ok-gaps-and-filler", ModuleBuilder().name("gaps").headerFiller(true).gapBeforeName(8)
                                .gapBeforeBody(4).body(counting(20, 0x80)).build());
  put("ok-body-before-name",
      ModuleBuilder().name("late").bodyBeforeName(true).body(counting(24, 0x10)).build());

  // The data offset points past the trailer; the module is still valid, it
  // only has no body.
  Bytes farData = dataModule("far", 16);
  beSet32(&farData[MH_DATA_OFFSET], beGet32(&farData[MH_SIZE]) + 64);
  fixIntegrity(farData);
  put("ok-data-past-trailer", farData);

  put("bad-trailing-zeros", imageOf({first, zeros(8)}));
  // Each breakage behind a valid module, so the error comes from mid-image.
  for (int how = 0; how <= int(Break::TrailerPad); how++)
    put("bad-break-" + std::to_string(how),
        imageOf({first, breakModule(dataModule("broken", 12), Break(how))}));
  put("bad-three-bytes", Bytes{0x4D, 0xAD, 0x00});
  put("bad-abcd", bytesOf("ABCD"));
  return failures ? 1 : 0;
}

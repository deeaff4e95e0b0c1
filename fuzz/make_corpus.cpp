// Writes the seed corpus of pool_parse_fuzzer from the test builders. From the project root:
//   g++ -std=c++20 -I. fuzz/make_corpus.cpp tests/support/module_builder.cpp
//       pool/module_format.cpp -o /tmp/make_corpus && /tmp/make_corpus fuzz/corpus/pool_parse
#include <string>

#include "pool/be.h"
#include "pool/module_format.h"
#include "tests/support/module_builder.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  std::string dir = std::string(argv[1]) + "/";
  // Bodies without a zero byte, so a mutated length shows up as a parse error, not as padding.
  Bytes first = ModuleBuilder().name("navtable").body(Bytes(40, 1)).build(),
        second = ModuleBuilder().name("boot").type(1).language(1).revision(3).edition(7)
                     .body(Bytes(64, 0x41)).build(),
        far = ModuleBuilder().name("far").body(Bytes(16, 1)).build();
  beSet32(&far[MH_DATA_OFFSET], beGet32(&far[MH_SIZE]) + 64);  // valid, but without a body
  fixIntegrity(far);
  bool ok = writeFile(dir + "ok-one-module", first) &&
            writeFile(dir + "ok-two-modules", imageOf({first, second})) &&
            writeFile(dir + "ok-padded", imageOf({first, zeros(12), second})) &&
            writeFile(dir + "ok-gaps-and-filler", ModuleBuilder().name("gaps").headerFiller(true)
                          .gaps(8, 4).body(Bytes(20, 0x80)).build()) &&
            writeFile(dir + "ok-body-before-name", ModuleBuilder().name("late")
                          .bodyBeforeName(true).body(Bytes(24, 0x10)).build()) &&
            writeFile(dir + "ok-data-past-trailer", far) &&
            writeFile(dir + "bad-trailing-zeros", imageOf({first, zeros(8)})) &&
            writeFile(dir + "bad-three-bytes", Bytes{0x4D, 0xAD, 0x00}) &&
            writeFile(dir + "bad-abcd", bytesOf("ABCD"));
  // Each breakage behind a valid module, so the error comes from mid-image.
  Bytes broken = ModuleBuilder().name("broken").body(Bytes(12, 1)).build();
  for (int how = 0; how <= int(Break::TrailerPad); how++)
    ok = ok && writeFile(dir + "bad-break-" + std::to_string(how),
                         imageOf({first, breakModule(broken, Break(how))}));
  return ok ? 0 : 1;
}

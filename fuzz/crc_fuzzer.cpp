// SPDX-License-Identifier: MIT
// libFuzzer target: moduleCrcUpdate folded, split, by four-byte and byte steps must agree.
// Bytes 0-3: register; 4: 0-15 skipped; 5: split; rest: data.
#include <cstdint>
#include <cstdlib>

#include "pool/be.h"
#include "pool/module_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t length) {
  if (length < 6) return 0;
  uint32_t reg = beGet32(bytes);
  size_t skip = bytes[4] % 16;
  if (length < 6 + skip) return 0;
  const uint8_t* data = bytes + 6 + skip;
  size_t n = length - 6 - skip;
  size_t split = n * bytes[5] / 255;
  int saved = moduleCrcSetFolding(1);
  uint32_t folded = moduleCrcUpdate(reg, data, n);
  uint32_t joined = moduleCrcUpdate(moduleCrcUpdate(reg, data, split), data + split, n - split);
  moduleCrcSetFolding(0);
  uint32_t fourByte = moduleCrcUpdate(reg, data, n);
  moduleCrcSetFolding(saved);
  if (folded != fourByte || joined != fourByte) std::abort();
  if (n <= 4096) {
    uint32_t byteStep = reg & 0xFFFFFF;
    for (size_t i = 0; i < n; i++) byteStep = moduleCrcByteStep(byteStep, data[i]);
    if (byteStep != fourByte) std::abort();
  }
  return 0;
}

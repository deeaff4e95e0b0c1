// SPDX-License-Identifier: MIT
// libFuzzer target: poolParse, then every read-only accessor; a refusal without a message or a
// pool that does not read back as its input aborts.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "pool/pool.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t length) {
  char err[ERROR_SIZE] = "";
  ModulePool* pool = poolParse(bytes, length, err, sizeof err);
  if (!pool && !err[0]) std::abort();
  bool ok = !poolIsModified(pool);
  size_t position = 0;
  for (uint32_t i = 0; i < poolGetCount(pool); i++) {
    Module* m = poolGet(pool, i);
    uint32_t size = 0;
    uint8_t* body = moduleGetBody(m, &size);
    ok = ok && std::strlen(moduleGetName(m)) < moduleGetSize(m) &&
         (!body || size < moduleGetSize(m));
    std::free(body);
    for (uint32_t field = MF_SYNC; field <= MF_CRC; field++) moduleGetField(m, field);
    uint8_t* data = moduleGetData(m, &size);
    while (position < length && bytes[position] == 0) position++;
    ok = ok && size <= length - position && std::memcmp(data, bytes + position, size) == 0;
    position += size;
    std::free(data);
  }
  if (pool && !(ok && position == length)) std::abort();
  poolFree(pool);
  return 0;
}

// The walk shared by the poolParse fuzz target and the corpus replay test:
// parse the bytes, then call every read-only accessor on every module, so
// that each one runs on whatever survived validation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "pool/pool.h"

enum PoolWalkResult : int {
  WALK_REFUSED = 0,  // poolParse returned null with a message
  WALK_PARSED = 1,   // parsed, and every module reads back as it was given
  WALK_BROKEN = 2,   // parsed, but the pool disagrees with the input bytes
};

// Parses and walks; the sanitizers watch memory, the walk checks that each
// module is the exact bytes it came from, that only zeros lie between
// modules, and that nothing counts as modified yet.
inline PoolWalkResult poolParseWalk(const uint8_t* bytes, size_t length) {
  char err[POOL_ERROR_SIZE] = "";
  ModulePool* pool = poolParse(bytes, length, err);
  if (!pool) return err[0] ? WALK_REFUSED : WALK_BROKEN;  // a refusal says why
  bool ok = !poolIsModified(pool);
  size_t position = 0;
  for (uint32_t i = 0; i < poolGetCount(pool); i++) {
    Module* m = poolGet(pool, i);
    ok = ok && std::strlen(moduleGetName(m)) < moduleGetSize(m);
    uint32_t size = 0;
    uint8_t* body = moduleGetBody(m, &size);
    ok = ok && (!body || size < moduleGetSize(m));
    std::free(body);
    for (uint32_t field = MF_SYNC; field <= MF_CRC; field++) moduleGetField(m, field);
    uint8_t* data = moduleGetData(m, &size);
    while (position < length && bytes[position] == 0) position++;
    ok = ok && size <= length - position && std::memcmp(data, bytes + position, size) == 0;
    position += size;
    std::free(data);
  }
  poolFree(pool);
  return ok && position == length ? WALK_PARSED : WALK_BROKEN;
}

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
  WALK_BROKEN = 2,   // parsed, but a module disagrees with the input bytes
};

// Parses length bytes and walks the pool. Besides memory safety (left to the
// sanitizers), checks what must hold right after a parse: a module's block is
// the exact bytes it came from, zero bytes are the only thing between
// modules, and nothing counts as modified yet.
inline PoolWalkResult poolParseWalk(const uint8_t* bytes, size_t length) {
  char err[POOL_ERROR_SIZE];
  err[0] = 0;
  ModulePool* pool = poolParse(bytes, length, err);
  if (!pool) {
    // A refusal always says why, in one bounded line.
    return err[0] && std::memchr(err, 0, sizeof err) ? WALK_REFUSED : WALK_BROKEN;
  }
  bool ok = true;
  volatile uint8_t sink = 0;
  size_t position = 0;
  uint32_t count = poolGetCount(pool);
  for (uint32_t i = 0; i < count; i++) {
    Module* m = poolGet(pool, i);
    // Reading the name to its end lets the sanitizer see a missing terminator.
    const char* name = moduleGetName(m);
    if (std::strlen(name) >= moduleGetSize(m)) ok = false;

    uint32_t bodyLength = 0;
    uint8_t* body = moduleGetBody(m, &bodyLength);
    if (body) {
      // Touch both ends of the copy: its length must match its allocation.
      if (bodyLength) sink = uint8_t(sink ^ body[0] ^ body[bodyLength - 1]);
      if (bodyLength > moduleGetSize(m)) ok = false;
      std::free(body);
    }

    for (uint32_t field = MF_SYNC; field <= MF_CRC; field++) moduleGetField(m, field);

    uint32_t dataLength = 0;
    uint8_t* data = moduleGetData(m, &dataLength);
    while (position < length && bytes[position] == 0) position++;
    if (!data || dataLength != moduleGetSize(m) || dataLength > length - position ||
        std::memcmp(data, bytes + position, dataLength) != 0)
      ok = false;
    else
      position += dataLength;
    std::free(data);

    if (moduleIsModified(m)) ok = false;
  }
  if (ok && position != length) ok = false;
  if (poolIsModified(pool)) ok = false;
  poolFree(pool);
  return ok ? WALK_PARSED : WALK_BROKEN;
}

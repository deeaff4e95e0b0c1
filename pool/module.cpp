// SPDX-License-Identifier: MIT
// The module object and the operation table of the 0x4DAD layout.
#include "pool/module.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "pool/be.h"
#include "pool/memory.h"

struct ModuleBuffer {
  std::atomic<size_t> references;  // the creator's, and one per borrowing module
  uint8_t* bytes;                  // malloc'd
  size_t length;
};

namespace {

// Private state of an ARCH_4DAD module.
struct Module4dad {
  int dirty;       // parity and CRC out of date with the bytes
  int hasBody;     // a data module whose name precedes a body inside the block
  uint8_t* bytes;  // size bytes; an own block has one hidden 0x00 after them so
                   // that a name always ends
  uint32_t size;   // block length
  ModuleBuffer* shared;  // when not null, bytes are borrowed from it, read only
};

Module4dad* stateOf(const Module* m) { return static_cast<Module4dad*>(m->state); }

// Allocates a block of size bytes with the hidden terminator after it.
uint8_t* blockNew(uint32_t size) {
  auto* block = static_cast<uint8_t*>(std::calloc(size_t(size) + 1, 1));
  return block;
}

uint8_t* blockCopy(const uint8_t* bytes, uint32_t size) {
  uint8_t* block = blockNew(size);
  std::memcpy(block, bytes, size);
  return block;
}

// Lets go of the block: an own one is freed, a borrowed one handed back.
void blockRelease(Module4dad* s) {
  if (s->shared)
    moduleBufferRelease(s->shared);
  else
    std::free(s->bytes);
  s->bytes = nullptr;
  s->shared = nullptr;
}

// Every write into the block goes after this: a borrowed block is copied
// into one of the module's own first.
void blockOwn(Module4dad* s) {
  if (!s->shared) return;
  uint8_t* block = blockCopy(s->bytes, s->size);
  blockRelease(s);
  s->bytes = block;
}

// A body needs a data module whose name lies in the block before the data,
// and data that end at or before the trailer; anything else (a data offset
// past the trailer, say) is treated as a module without a body.
int decideHasBody(const uint8_t* bytes, uint32_t size) {
  if (size < MODULE_MIN_SIZE) return 0;
  if (bytes[MH_TYPE] != MODULE_TYPE_DATA) return 0;
  uint32_t nameOffset = beGet32(bytes + MH_NAME_OFFSET);
  uint32_t dataOffset = beGet32(bytes + MH_DATA_OFFSET);
  return nameOffset >= MODULE_HEADER_SIZE && nameOffset < dataOffset &&
         dataOffset <= size - MODULE_TRAILER_SIZE;
}

// Parity first: the CRC covers it. The trailer is placed from the real block
// length, which may differ from the size word after moduleSetField(MF_SIZE).
void updateIntegrity(Module4dad* s) {
  blockOwn(s);
  beSet16(s->bytes + MH_PARITY, moduleHeaderParity(s->bytes));
  s->bytes[s->size - 4] = 0;
  beSet32(s->bytes + s->size - 4, moduleCrc(s->bytes, s->size - 3));
  s->dirty = 0;
}

void opDestroy(Module* m) {
  Module4dad* s = stateOf(m);
  if (!s) return;
  blockRelease(s);
  delete s;
  m->state = nullptr;
}

Module* opClone(const Module* m) {
  const Module4dad* s = stateOf(m);
  auto* copy = new Module4dad{s->dirty, s->hasBody, blockCopy(s->bytes, s->size), s->size, nullptr};
  auto* clone = static_cast<Module*>(std::calloc(1, sizeof(Module)));
  *clone = *m;
  clone->state = copy;
  return clone;
}

uint32_t opGetField(Module* m, uint32_t field) {
  Module4dad* s = stateOf(m);
  const uint8_t* b = s->bytes;
  switch (field) {
    case MF_SYNC: return beGet32(b + MH_SYNC);
    case MF_SIZE: return beGet32(b + MH_SIZE);
    case MF_ACCESS: return beGet16(b + MH_ACCESS);
    case MF_TYPE: return b[MH_TYPE];
    case MF_LANGUAGE: return b[MH_LANGUAGE];
    case MF_ATTRIBUTE: return b[MH_ATTRIBUTE];
    case MF_REVISION: return b[MH_REVISION];
    case MF_EDITION: return beGet16(b + MH_EDITION);
    case MF_DATA_OFFSET: return beGet32(b + MH_DATA_OFFSET);
    // The update may move a borrowed block: read from the new one.
    case MF_PARITY:
      if (s->dirty) updateIntegrity(s);
      return beGet16(s->bytes + MH_PARITY);
    case MF_CRC:
      if (s->dirty) updateIntegrity(s);
      return beGet24(s->bytes + s->size - 3);
    default: return 0;
  }
}

int opSetField(Module* m, uint32_t field, uint32_t value) {
  Module4dad* s = stateOf(m);
  s->dirty = 1;
  if (field > MF_DATA_OFFSET) return 0;
  blockOwn(s);
  uint8_t* b = s->bytes;
  switch (field) {
    case MF_SYNC: beSet32(b + MH_SYNC, value); return 1;
    case MF_SIZE: beSet32(b + MH_SIZE, value); return 1;
    case MF_ACCESS: beSet16(b + MH_ACCESS, value); return 1;
    case MF_TYPE: b[MH_TYPE] = uint8_t(value); return 1;
    case MF_LANGUAGE: b[MH_LANGUAGE] = uint8_t(value); return 1;
    case MF_ATTRIBUTE: b[MH_ATTRIBUTE] = uint8_t(value); return 1;
    case MF_REVISION: b[MH_REVISION] = uint8_t(value); return 1;
    case MF_EDITION: beSet16(b + MH_EDITION, value); return 1;
    case MF_DATA_OFFSET: beSet32(b + MH_DATA_OFFSET, value); return 1;
    default: return 0;
  }
}

const char* opGetName(const Module* m) {
  const Module4dad* s = stateOf(m);
  uint32_t nameOffset = beGet32(s->bytes + MH_NAME_OFFSET);
  // Only a block replaced without validation can point outside itself.
  if (nameOffset >= s->size) return "";
  return reinterpret_cast<const char*>(s->bytes + nameOffset);
}

// Body bounds read now: the header may have been edited since creation.
bool bodyRange(const Module4dad* s, uint32_t* offset, uint32_t* length) {
  if (!s->hasBody) return false;
  uint32_t dataOffset = beGet32(s->bytes + MH_DATA_OFFSET);
  if (dataOffset > s->size - MODULE_TRAILER_SIZE) return false;
  *offset = dataOffset;
  *length = s->size - MODULE_TRAILER_SIZE - dataOffset;
  return true;
}

// Rebuilds into the canonical layout: header, name zero-padded to a multiple
// of 4, body zero-padded likewise, trailer. Name and body may point into the
// old block, so it is released only at the end.
int rebuild(Module4dad* s, const char* name, size_t nameLength, const uint8_t* body,
            size_t bodyLength) {
  uint64_t nameField = (uint64_t(nameLength) + 1 + 3) & ~uint64_t(3);
  uint64_t total = MODULE_HEADER_SIZE + nameField + ((uint64_t(bodyLength) + 3) & ~uint64_t(3)) +
                   MODULE_TRAILER_SIZE;
  if (total > MODULE_MAX_SIZE) return 0;
  uint32_t size = uint32_t(total);
  uint8_t* block = blockNew(size);
  std::memcpy(block, s->bytes, MODULE_HEADER_SIZE);
  std::memcpy(block + MODULE_HEADER_SIZE, name, nameLength);
  beSet32(block + MH_NAME_OFFSET, MODULE_HEADER_SIZE);
  uint32_t dataOffset = MODULE_HEADER_SIZE + uint32_t(nameField);
  if (bodyLength) std::memcpy(block + dataOffset, body, bodyLength);
  beSet32(block + MH_DATA_OFFSET, dataOffset);
  beSet32(block + MH_SIZE, size);
  blockRelease(s);
  s->bytes = block;
  s->size = size;
  s->dirty = 1;
  return 1;
}

int opSetName(Module* m, const char* name) {
  Module4dad* s = stateOf(m);
  uint32_t offset, length;
  // An empty name would make the module fail validation on the next load.
  if (!name || !name[0] || !bodyRange(s, &offset, &length)) return 0;
  return rebuild(s, name, std::strlen(name), s->bytes + offset, length);
}

uint8_t* opGetBody(const Module* m, uint32_t* length) {
  const Module4dad* s = stateOf(m);
  uint32_t offset, bodyLength;
  if (!bodyRange(s, &offset, &bodyLength)) return nullptr;
  if (length) *length = bodyLength;
  return mallocCopy(s->bytes + offset, bodyLength);
}

int opSetBody(Module* m, const uint8_t* bytes, uint32_t length) {
  Module4dad* s = stateOf(m);
  uint32_t offset, oldLength;
  if (!bodyRange(s, &offset, &oldLength)) return 0;
  if (!bytes && length) return 0;
  const char* name = opGetName(m);
  return rebuild(s, name, std::strlen(name), bytes, length);
}

uint8_t* opGetData(Module* m, uint32_t* length) {
  Module4dad* s = stateOf(m);
  if (s->dirty) updateIntegrity(s);
  if (length) *length = s->size;
  return mallocCopy(s->bytes, s->size);
}

int opSetData(Module* m, const uint8_t* bytes, uint32_t length) {
  Module4dad* s = stateOf(m);
  // Below the smallest module the trailer would overlap the header.
  if (!bytes || length % 4 || length < MODULE_MIN_SIZE) return 0;
  uint8_t* block = blockCopy(bytes, length);
  blockRelease(s);
  s->bytes = block;
  s->size = length;
  s->hasBody = decideHasBody(block, length);
  updateIntegrity(s);
  return 1;
}

uint32_t opGetSize(const Module* m) { return stateOf(m)->size; }

const ModuleOps OPS_4DAD = {
    opDestroy, opClone,   opGetField, opSetField, opGetName, opSetName,
    opGetBody, opSetBody, opGetData,  opSetData,  opGetSize,
};

}  // namespace

namespace {

// Validates and wraps a block; `shared` (when not null) is the buffer the
// block is borrowed from, whose reference the module takes over.
Module* moduleNew(const uint8_t* bytes, size_t available, uint32_t arch, int* error,
                  ModuleBuffer* shared) {
  if (arch != ARCH_4DAD) {
    if (error) *error = ME_ARCH;
    return nullptr;
  }
  ModuleError code = moduleValidate(bytes, available);
  if (error) *error = code;
  if (code != ME_NONE) return nullptr;
  uint32_t size = beGet32(bytes + MH_SIZE);
  // Validation leaves the trailer's pad byte 0, so a name starting before it
  // ends inside the block. One starting in the CRC bytes may run on into the
  // next module: such a block needs its own copy with the hidden 0x00.
  if (shared && beGet32(bytes + MH_NAME_OFFSET) >= size - 4) shared = nullptr;
  auto* state = new Module4dad{0, decideHasBody(bytes, size), nullptr, size, nullptr};
  if (shared) {
    shared->references.fetch_add(1, std::memory_order_relaxed);
    state->bytes = const_cast<uint8_t*>(bytes);
    state->shared = shared;
  } else {
    state->bytes = blockCopy(bytes, size);
  }
  auto* m = static_cast<Module*>(std::calloc(1, sizeof(Module)));
  m->arch = ARCH_4DAD;
  m->state = state;
  m->ops = &OPS_4DAD;
  m->savedCrc = moduleGetField(m, MF_CRC);
  return m;
}

}  // namespace

Module* moduleCreate(const uint8_t* bytes, size_t available, uint32_t arch, int* error) {
  return moduleNew(bytes, available, arch, error, nullptr);
}

ModuleBuffer* moduleBufferAdopt(uint8_t* bytes, size_t length) {
  auto* buffer = new ModuleBuffer;
  buffer->references.store(1, std::memory_order_relaxed);
  buffer->bytes = bytes;
  buffer->length = length;
  return buffer;
}

void moduleBufferRelease(ModuleBuffer* buffer) {
  if (!buffer) return;
  // The last holder frees; acquire makes the others' reads happen before it.
  if (buffer->references.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
  std::free(buffer->bytes);
  delete buffer;
}

Module* moduleCreateShared(ModuleBuffer* buffer, size_t offset, uint32_t arch, int* error) {
  size_t available = offset < buffer->length ? buffer->length - offset : 0;
  return moduleNew(buffer->bytes + offset, available, arch, error, buffer);
}

void moduleFree(Module* m) {
  if (!m) return;
  m->ops->destroy(m);
  std::free(m);
}

Module* moduleClone(const Module* m) { return m->ops->clone(m); }
uint32_t moduleGetField(Module* m, uint32_t field) { return m->ops->getField(m, field); }
int moduleSetField(Module* m, uint32_t field, uint32_t value) {
  return m->ops->setField(m, field, value);
}
const char* moduleGetName(const Module* m) { return m->ops->getName(m); }
int moduleSetName(Module* m, const char* name) { return m->ops->setName(m, name); }
uint8_t* moduleGetBody(const Module* m, uint32_t* length) { return m->ops->getBody(m, length); }
int moduleSetBody(Module* m, const uint8_t* bytes, uint32_t length) {
  return m->ops->setBody(m, bytes, length);
}
int moduleStoreBody(Module* m, const uint8_t* bytes, uint32_t length, char* err, size_t errSize) {
  uint32_t oldLength = 0;
  MallocPtr<uint8_t> old(moduleGetBody(m, &oldLength));
  if (!old) {
    if (err) std::snprintf(err, errSize, "the module has no body to hold the content");
    return 0;
  }
  // The body comes back zero-padded to 4 bytes, so compare it that way.
  uint64_t padded = (uint64_t(length) + 3) & ~uint64_t(3);
  if (oldLength == padded && (!length || std::memcmp(old.get(), bytes, length) == 0) &&
      std::all_of(old.get() + length, old.get() + padded, [](uint8_t b) { return b == 0; }))
    return 1;
  if (moduleSetBody(m, bytes, length)) return 1;
  if (err)
    std::snprintf(err, errSize, "the module would be %llu bytes, more than the %u a module can be",
                  static_cast<unsigned long long>(moduleSizeWithBody(m, length)), MODULE_MAX_SIZE);
  return 0;
}
void moduleStoreUnedited(Module* m, ModuleKeep* keep) {
  if (!keep->block) return;
  uint32_t size = 0;
  MallocPtr<uint8_t> now(moduleGetData(m, &size));
  if (size == keep->size && std::memcmp(now.get(), keep->block.get(), size) == 0) return;
  moduleSetData(m, keep->block.get(), keep->size);
}

int moduleStoreEdited(Module* m, ModuleKeep* keep, const uint8_t* bytes, uint32_t length, char* err,
                      size_t errSize) {
  if (!keep->block) keep->block.reset(moduleGetData(m, &keep->size));
  return moduleStoreBody(m, bytes, length, err, errSize);
}

uint64_t moduleSizeWithBody(const Module* m, uint32_t length) {
  return MODULE_HEADER_SIZE + ((std::strlen(moduleGetName(m)) + 4) & ~uint64_t(3)) +
         ((uint64_t(length) + 3) & ~uint64_t(3)) + MODULE_TRAILER_SIZE;
}
uint8_t* moduleGetData(Module* m, uint32_t* length) { return m->ops->getData(m, length); }
int moduleSetData(Module* m, const uint8_t* bytes, uint32_t length) {
  return m->ops->setData(m, bytes, length);
}
uint32_t moduleGetSize(const Module* m) { return m->ops->getSize(m); }
int moduleIsModified(Module* m) { return moduleGetField(m, MF_CRC) != m->savedCrc; }
void moduleMarkSaved(Module* m) { m->savedCrc = moduleGetField(m, MF_CRC); }

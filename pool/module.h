// SPDX-License-Identifier: MIT
// The module object: one module held as its exact big-endian byte block,
// reached through a table of operations filled by its architecture. Edits
// mark the module dirty; parity and CRC are recomputed when next read. The
// modules parsed from one image may borrow their blocks from the image's
// buffer; the first write into a block gives the module its own copy.
#pragma once

#include <cstddef>
#include <cstdint>

#include "pool/memory.h"
#include "pool/module_format.h"

// Header field selectors; the numbers are fixed.
enum ModuleField : uint32_t {
  MF_SYNC = 0,
  MF_SIZE = 1,
  MF_ACCESS = 2,
  MF_TYPE = 3,
  MF_LANGUAGE = 4,
  MF_ATTRIBUTE = 5,
  MF_REVISION = 6,
  MF_EDITION = 7,
  MF_DATA_OFFSET = 8,
  MF_PARITY = 9,
  MF_CRC = 10,
};

struct Module;

// Operations of one architecture, in slot order.
struct ModuleOps {
  void (*destroy)(Module* m);
  Module* (*clone)(const Module* m);
  uint32_t (*getField)(Module* m, uint32_t field);
  int (*setField)(Module* m, uint32_t field, uint32_t value);
  const char* (*getName)(const Module* m);
  int (*setName)(Module* m, const char* name);
  uint8_t* (*getBody)(const Module* m, uint32_t* length);
  int (*setBody)(Module* m, const uint8_t* bytes, uint32_t length);
  uint8_t* (*getData)(Module* m, uint32_t* length);
  int (*setData)(Module* m, const uint8_t* bytes, uint32_t length);
  uint32_t (*getSize)(const Module* m);
};

struct Module {
  uint32_t arch;      // ModuleArch, ARCH_4DAD for every live object
  uint32_t savedCrc;  // CRC at creation or at the last moduleMarkSaved
  void* state;        // the architecture's private state, owned
  const ModuleOps* ops;
};

// Validates `available` bytes as a module of architecture `arch` and returns a
// new module holding a copy of its `size` bytes, or null with the ModuleError
// code stored in *error (error may be null). The caller keeps its bytes.
Module* moduleCreate(const uint8_t* bytes, size_t available, uint32_t arch, int* error);

// An image's bytes, shared by the modules created on them with
// moduleCreateShared. Counted: freed when the last holder lets go of it.
struct ModuleBuffer;

// Takes over `bytes` (malloc'd, `length` long, freed with free) and returns
// a buffer holding one reference, the caller's. The bytes must not change
// while the buffer lives.
ModuleBuffer* moduleBufferAdopt(uint8_t* bytes, size_t length);

// Lets go of one reference; the last one frees the buffer and its bytes.
// Null is ignored.
void moduleBufferRelease(ModuleBuffer* buffer);

// As moduleCreate, on the bytes from offset to the end of the buffer, but the
// module borrows its block from the buffer (holding a reference) instead of
// copying it, until its first change (an edit, moduleSetData, or parity and
// CRC brought up to date) gives it a block of its own. A block whose name
// starts in the CRC bytes is copied at once. Observably the same as
// moduleCreate; the caller keeps its own reference.
Module* moduleCreateShared(ModuleBuffer* buffer, size_t offset, uint32_t arch, int* error);

// Frees the module and its block (a borrowed block goes back to its buffer).
void moduleFree(Module* m);

// Returns an independent copy (own block, same flags and saved CRC).
Module* moduleClone(const Module* m);

// Returns a header field as a host number; MF_PARITY and MF_CRC first bring
// the integrity codes up to date. Unknown selectors give 0.
uint32_t moduleGetField(Module* m, uint32_t field);

// Marks the module dirty, then stores the low bits of value into the field.
// Returns 1, or 0 for MF_PARITY, MF_CRC and unknown selectors (which store
// nothing). MF_SIZE changes only the header word, never the block length.
int moduleSetField(Module* m, uint32_t field, uint32_t value);

// Returns the name inside the block; valid until the block is next replaced or
// rebuilt, or, for a borrowed block, first written. Never reads past the
// block: a name without a terminating zero ends at the block end.
const char* moduleGetName(const Module* m);

// Rebuilds the module in the canonical layout with a new name and its current
// body. Returns 0 (no change) for a module without a body or an empty name.
int moduleSetName(Module* m, const char* name);

// Returns a malloc'd copy of the body and stores its length (when length is
// not null), or null for a module without a body (length untouched).
uint8_t* moduleGetBody(const Module* m, uint32_t* length);

// Rebuilds the module in the canonical layout with its current name and the
// given body, zero-padded to a multiple of 4. Returns 0 (no change) for a
// module without a body.
int moduleSetBody(Module* m, const uint8_t* bytes, uint32_t length);

// What an editor's store does: moduleSetBody, unless the module already holds
// exactly these bytes as its body (zero-padded to 4 bytes, as moduleSetBody
// would pad them). An unedited module then keeps its block,
// its layout (gaps included) and its CRC. Returns 0, the module unchanged,
// for a module without a body or one the body would make larger than a
// module can be (MODULE_MAX_SIZE); then err, when not null, takes the reason
// (errSize bytes).
int moduleStoreBody(Module* m, const uint8_t* bytes, uint32_t length, char* err = nullptr,
                    size_t errSize = 0);

// An editor's hold on its module's block as loaded, taken just before the
// editor's first change to it: a store whose content is back to what was
// loaded then gives the module that very block again, gaps and all.
struct ModuleKeep {
  MallocPtr<uint8_t> block;  // null until the first edited store
  uint32_t size = 0;
};

// What every editor stores when its content equals what was loaded: nothing
// when the module never changed through keep, else the block kept.
void moduleStoreUnedited(Module* m, ModuleKeep* keep);

// What every editor stores when its content differs from what was loaded:
// keeps the block first (once), then moduleStoreBody. Returns 0, the module
// unchanged, with the reason in err (errSize bytes) as moduleStoreBody.
int moduleStoreEdited(Module* m, ModuleKeep* keep, const uint8_t* bytes, uint32_t length, char* err,
                      size_t errSize);

// The largest block a module can be: its size word, a multiple of 4.
constexpr uint32_t MODULE_MAX_SIZE = 0xFFFFFFFCu;

// The block length moduleSetBody would make with a body of length bytes: the
// canonical layout around the current name.
uint64_t moduleSizeWithBody(const Module* m, uint32_t length);

// Brings parity and CRC up to date and returns a malloc'd copy of the whole
// block, storing its length when length is not null.
uint8_t* moduleGetData(Module* m, uint32_t* length);

// Replaces the whole block by a copy of bytes and recomputes parity and CRC
// at once. The bytes are not validated; whether the module has a body is
// decided again from them. Returns 0 (no change) for a length that is not a
// multiple of 4 or is below the smallest module size.
int moduleSetData(Module* m, const uint8_t* bytes, uint32_t length);

// Returns the block length (not the header's size word).
uint32_t moduleGetSize(const Module* m);

// Returns 1 when the current CRC differs from the saved one.
int moduleIsModified(Module* m);

// Records the current CRC as the saved one.
void moduleMarkSaved(Module* m);

// SPDX-License-Identifier: MIT
// The module pool: the ordered modules of one image file. Reads an image
// whole, splits it into validated modules, remembers zero padding between
// them, and writes them back one after another.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "pool/error_text.h"
#include "pool/module.h"

struct ModulePool {
  uint32_t arch;             // ModuleArch of the file; every module has it
  char path[256];            // file the pool was loaded from; empty from memory
  uint32_t count;            // modules in use
  uint32_t spare;            // free slots left in modules
  Module** modules;          // owned, in file order
  uint32_t alignmentOffset;  // 0, or the offset of the last module that followed padding
};

// Reads and parses a file. Returns the pool, or null with a one-line message
// in err (errSize bytes). The modules share the bytes read (see
// moduleCreateShared): the file's bytes are in memory once, and stay until
// the last module that has not been changed is freed.
ModulePool* poolLoad(const char* path, char* err, size_t errSize);

// Parses an image held in memory; the bytes are copied once, the modules
// share that copy as after poolLoad, and the caller's bytes stay the
// caller's. Returns the pool, or null with a message in err.
ModulePool* poolParse(const uint8_t* bytes, size_t length, char* err, size_t errSize);

// Writes every module back to back to path (the pool's own path when null).
// A regular file is replaced atomically: the modules go to a temporary file
// in the same folder, which is read back and must parse as an image holding
// the pool's modules in order, each with its size and CRC; only then is it
// renamed over the target (keeping its permissions and, where allowed, its
// owner). On failure the target is untouched. A symbolic link is followed.
// Refuses, before any file is made: a pool with padding, an image larger
// than the loader takes (4294967295 bytes), an existing readable target
// unless overwrite is 1, a target that is not a regular file (a FIFO, a
// device) and one the caller may not write. Returns 1, or 0 with a message
// in err. Changes neither the path nor the saved CRCs.
int poolSave(ModulePool* pool, const char* path, int overwrite, char* err, size_t errSize);

// What a save does beyond poolSave, and what it did.
struct PoolSaveOptions {
  int backup;     // 1: a replaced regular file is kept once as NAME.orig (see fileSave)
  int skipCheck;  // 1: renamed without reading back; only to measure what the check costs
  // Set by the save:
  uint32_t checked;       // modules read back as written
  char backupMade[4096];  // the backup made, or ""
};

// poolSave with options (null: as poolSave).
int poolSaveWith(ModulePool* pool, const char* path, int overwrite, PoolSaveOptions* options,
                 char* err, size_t errSize);

// A new pool without modules, of the 0x4DAD architecture: an image built
// module by module with poolAdd.
ModulePool* poolNew();

// Appends a module (the pool takes ownership) and returns its index.
uint32_t poolAdd(ModulePool* pool, Module* m);

// Returns the module at index, or null when the index is not below the count.
Module* poolGet(const ModulePool* pool, uint32_t index);

// Returns the number of modules (0 for a null pool).
uint32_t poolGetCount(const ModulePool* pool);

// Frees every module, the array and the record. Null is ignored.
void poolFree(ModulePool* pool);

// Returns 1 when any module's CRC differs from its saved CRC (0 for null).
int poolIsModified(const ModulePool* pool);

// Records every module's current CRC as saved.
void poolMarkSaved(ModulePool* pool);

// The size of the file poolSave would write: every module's block.
uint64_t poolGetImageSize(const ModulePool* pool);

// The largest image poolLoad takes.
constexpr uint64_t POOL_IMAGE_MAX = 0xFFFFFFFFu;

// Returns the alignment offset (0 when no padding was found).
uint32_t poolGetAlignmentOffset(const ModulePool* pool);

// Owns a pool for the length of a scope.
struct PoolDeleter {
  void operator()(ModulePool* p) const noexcept { poolFree(p); }
};
using PoolPtr = std::unique_ptr<ModulePool, PoolDeleter>;

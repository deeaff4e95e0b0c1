// SPDX-License-Identifier: MIT
// Image file load and save.
#include "pool/pool.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "pool/be.h"
#include "pool/file_read.h"
#include "pool/file_save.h"
#include "pool/memory.h"

namespace {

constexpr uint32_t POOL_GROW_FIRST = 32;  // then the array doubles

// Writes every module back to back. False (with the message) on a failure.
bool writeModules(ModulePool* pool, int fd, char* err, size_t errSize) {
  for (uint32_t index = 0; index < pool->count; index++) {
    uint32_t size = 0;
    MallocPtr<uint8_t> data(moduleGetData(pool->modules[index], &size));
    if (!data) {
      std::snprintf(err, errSize, "Unable to get body for module %d", int(index));
      errno = ENOMEM;
      return false;
    }
    if (!fileWriteAll(fd, data.get(), size)) {
      int reason = errno;
      std::snprintf(err, errSize, "Error saving module %d", int(index));
      errno = reason;
      return false;
    }
  }
  return true;
}

// Splits the buffer's bytes into modules that borrow their blocks from it.
// The caller keeps its reference to the buffer.
ModulePool* parseShared(ModuleBuffer* buffer, const uint8_t* bytes, size_t length, char* err, size_t errSize) {
  ModulePool* pool = poolNew();
  pool->arch = moduleDetectArch(bytes, length);
  if (pool->arch == ARCH_UNKNOWN) {
    errorSet(err, errSize, "Unknown file format");
    poolFree(pool);
    return nullptr;
  }
  // Offsets are 32-bit throughout the format; a larger image cannot be one.
  if (length > UINT32_MAX) {
    errorSet(err, errSize, "Error at 0x%x: Unknown data", UINT32_MAX);
    poolFree(pool);
    return nullptr;
  }
  size_t position = 0;
  size_t zeros = 0;
  while (position < length) {
    if (bytes[position] == 0) {
      position++;
      zeros++;
      continue;
    }
    if (zeros) pool->alignmentOffset = uint32_t(position);
    zeros = 0;
    if (moduleDetectArch(bytes + position, length - position) != pool->arch) {
      errorSet(err, errSize, "Error at 0x%zx: Unknown data", position);
      poolFree(pool);
      return nullptr;
    }
    int code = 0;
    Module* m = moduleCreateShared(buffer, position, pool->arch, &code);
    if (!m) {
      errorSet(err, errSize, "Error at 0x%zx: %s", position, moduleErrorText(code));
      poolFree(pool);
      return nullptr;
    }
    uint32_t size = moduleGetSize(m);
    if (size == 0) {
      moduleFree(m);
      errorSet(err, errSize, "Error at 0x%zx: Unable to get module size", position);
      poolFree(pool);
      return nullptr;
    }
    poolAdd(pool, m);
    position += size;
  }
  if (zeros) {
    errorSet(err, errSize, "Unexpected data at the end of file");
    poolFree(pool);
    return nullptr;
  }
  return pool;
}

// Parses bytes the buffer has just taken over, then lets go of the parse's
// reference: the modules hold the rest.
ModulePool* parseAdopted(uint8_t* bytes, size_t length, char* err, size_t errSize) {
  ModuleBuffer* buffer = moduleBufferAdopt(bytes, length);
  ModulePool* pool = parseShared(buffer, bytes, length, err, errSize);
  moduleBufferRelease(buffer);
  return pool;
}

// The buffer a large image is read into. Filling it faults in one page per
// 4 KiB, which on a virtual machine costs more than the read itself; huge
// pages take that to one fault per 2 MiB where the system lends them. Freed
// with free() like any other buffer.
uint8_t* imageBufferNew(size_t length) {
  constexpr size_t HUGE_PAGE = size_t(2) << 20;
  if (length < 2 * HUGE_PAGE) return static_cast<uint8_t*>(std::malloc(length));
  void* buffer = nullptr;
  if (posix_memalign(&buffer, HUGE_PAGE, length) != 0) return nullptr;
  // Only advice: a system without huge pages reads it the usual way.
  ::madvise(buffer, length, MADV_HUGEPAGE);
  return static_cast<uint8_t*>(buffer);
}

}  // namespace

ModulePool* poolLoad(const char* path, char* err, size_t errSize) {
  if (!path || !path[0]) {
    errorSet(err, errSize, "Invalid file name.");
    return nullptr;
  }
  char shown[ERROR_SIZE];  // paths in messages stay on their line
  textEscape(path, shown, sizeof shown);
  // A FIFO or a device is refused when opened, before it could block or
  // stream without end; a folder has no length to take.
  struct stat st;
  const char* why = nullptr;
  int fd = fileOpenRegular(path, &st, &why);
  if (fd < 0) {
    errorSet(err, errSize, "Failed to open '%s': %s", shown, why);
    return nullptr;
  }
  const uint64_t length = uint64_t(st.st_size);
  if (length <= 3) {
    ::close(fd);
    errorSet(err, errSize, "File '%s' is too small", shown);
    return nullptr;
  }
  // Offsets are 32-bit: a larger file is refused before a byte is read.
  if (length > UINT32_MAX) {
    ::close(fd);
    errorSet(err, errSize, "Error at 0x%x: Unknown data", UINT32_MAX);
    return nullptr;
  }
  MallocPtr<uint8_t> buffer(imageBufferNew(size_t(length)));
  size_t done = 0;
  while (buffer && done < length) {
    ssize_t n = ::read(fd, buffer.get() + done, size_t(length) - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += size_t(n);
  }
  ::close(fd);
  if (done != length) {
    errorSet(err, errSize, "Error reading '%s'", shown);
    return nullptr;
  }
  // The modules share the file's bytes read here: no second copy.
  ModulePool* pool = parseAdopted(buffer.release(), size_t(length), err, errSize);
  if (pool) std::snprintf(pool->path, sizeof pool->path, "%s", path);
  return pool;
}

ModulePool* poolParse(const uint8_t* bytes, size_t length, char* err, size_t errSize) {
  if (!bytes) length = 0;  // refused as an unknown format
  // One copy that every module shares, rather than one copy per module.
  return parseAdopted(mallocCopy(bytes, length), length, err, errSize);
}

namespace {

// The written file, mapped from the page cache (or read where it cannot be
// mapped): no copy to make, no memory to fault in.
class WrittenFile {
 public:
  explicit WrittenFile(int fd) {
    struct stat st;
    if (::fstat(fd, &st) != 0) return;
    length_ = size_t(st.st_size);
    if (!length_) {
      bytes_ = &empty_;
      return;
    }
    void* map = ::mmap(nullptr, length_, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    if (map != MAP_FAILED) {
      bytes_ = static_cast<uint8_t*>(map);
      mapped_ = true;
      return;
    }
    read_.reset(static_cast<uint8_t*>(std::malloc(length_)));
    if (!read_) {
      errno = ENOMEM;
      return;
    }
    for (size_t done = 0; done < length_;) {
      ssize_t n = ::read(fd, read_.get() + done, length_ - done);
      if (n < 0 && errno == EINTR) continue;
      if (n == 0) errno = EIO;  // shorter than it was a moment ago
      if (n <= 0) return;
      done += size_t(n);
    }
    bytes_ = read_.get();
  }
  ~WrittenFile() {
    if (mapped_) ::munmap(bytes_, length_);
  }
  const uint8_t* bytes() const { return bytes_; }  // null when unreadable (errno set)
  size_t length() const { return length_; }

 private:
  uint8_t* bytes_ = nullptr;
  uint8_t empty_ = 0;
  size_t length_ = 0;
  bool mapped_ = false;
  MallocPtr<uint8_t> read_;
};

// The check before the rename: the written file must parse as the image it
// should be, the pool's modules back to back, each validating, with the
// pool's size and CRC. The modules are validated where they lie, as the
// parse would, so the check costs one pass over the file in the page cache.
bool checkModules(ModulePool* pool, int fd, char* text, size_t textSize, char* why, size_t whySize) {
  WrittenFile file(fd);
  if (!file.bytes()) {
    std::snprintf(text, textSize, "Saved file does not read back");
    std::snprintf(why, whySize, "%s", std::strerror(errno));
    return false;
  }
  size_t offset = 0, length = file.length();
  for (uint32_t index = 0; index < pool->count; index++) {
    Module* m = pool->modules[index];
    const uint8_t* at = file.bytes() + offset;
    size_t available = length - offset;
    int code = moduleValidate(at, available);
    uint32_t size = moduleGetSize(m), crc = moduleGetField(m, MF_CRC);
    if (code != ME_NONE)
      std::snprintf(why, whySize, "%s", moduleErrorText(code));
    else if (beGet32(at + MH_SIZE) != size)
      std::snprintf(why, whySize, "it reads back as %u bytes, not %u", beGet32(at + MH_SIZE), size);
    else if (beGet24(at + size - 3) != crc)
      std::snprintf(why, whySize, "it reads back with CRC 0x%06X, not 0x%06X", beGet24(at + size - 3), crc);
    else {
      offset += size;
      continue;
    }
    char name[128];
    textEscape(moduleGetName(m), name, sizeof name);
    std::snprintf(text, textSize, "Saved file does not read back: module %u (%s) differs", index, name);
    return false;
  }
  if (offset == length) return true;
  std::snprintf(text, textSize, "Saved file does not read back");
  std::snprintf(why, whySize, "data follows the last module at 0x%zx", offset);
  return false;
}

}  // namespace

int poolSave(ModulePool* pool, const char* path, int overwrite, char* err, size_t errSize) {
  return poolSaveWith(pool, path, overwrite, nullptr, err, errSize);
}

int poolSaveWith(ModulePool* pool, const char* path, int overwrite, PoolSaveOptions* options,
                 char* err, size_t errSize) {
  if (options) {
    options->checked = 0;
    options->backupMade[0] = '\0';
  }
  if (pool->alignmentOffset) {
    errorSet(err, errSize, "Saving pool with alignment not supported yet");
    return 0;
  }
  const char* name = path ? path : pool->path;
  // A stored path of full length may have been cut at load: never save to a
  // file the user did not name.
  if (!name[0] || (!path && std::strlen(pool->path) >= sizeof pool->path - 1)) {
    errorSet(err, errSize, "Invalid output filename");
    return 0;
  }
  // A file the loader would refuse is never written: a store may have grown
  // the modules past what one image can hold.
  const uint64_t total = poolGetImageSize(pool);
  if (total > POOL_IMAGE_MAX) {
    char why[128];
    std::snprintf(why, sizeof why, "the image would be %llu bytes; at most %llu can be loaded",
                  static_cast<unsigned long long>(total), static_cast<unsigned long long>(POOL_IMAGE_MAX));
    if (err) fileSaveMessage(err, errSize, "Error saving file", name, why);
    return 0;
  }
  FileWriter writer = {[](int fd, void* context, char* e, size_t size) {
                         return writeModules(static_cast<ModulePool*>(context), fd, e, size);
                       },
                       pool};
  FileSaveOptions fileOptions = {};
  fileOptions.backup = options && options->backup;
  if (!options || !options->skipCheck)
    fileOptions.check = [](int fd, void* context, char* text, size_t textSize, char* why, size_t whySize) {
      return checkModules(static_cast<ModulePool*>(context), fd, text, textSize, why, whySize);
    };
  if (!fileSave(name, overwrite, writer, err, ERROR_SIZE, &fileOptions)) return 0;
  if (options) {
    options->checked = fileOptions.checked ? pool->count : 0;
    std::snprintf(options->backupMade, sizeof options->backupMade, "%s", fileOptions.backupMade);
  }
  return 1;
}

ModulePool* poolNew() {
  auto* pool = static_cast<ModulePool*>(std::calloc(1, sizeof(ModulePool)));
  pool->arch = ARCH_4DAD;
  return pool;
}

uint32_t poolAdd(ModulePool* pool, Module* m) {
  // Doubling keeps a million-module image linear (the sanitizers' allocator
  // copies on every growth).
  if (pool->spare == 0) {
    uint32_t grow = pool->count ? pool->count : POOL_GROW_FIRST;
    pool->modules = static_cast<Module**>(
        std::realloc(pool->modules, (size_t(pool->count) + grow) * sizeof(Module*)));
    pool->spare = grow;
  }
  pool->modules[pool->count] = m;
  pool->spare--;
  return pool->count++;
}

Module* poolGet(const ModulePool* pool, uint32_t index) {
  if (!pool || index >= pool->count) return nullptr;
  return pool->modules[index];
}

uint32_t poolGetCount(const ModulePool* pool) { return pool ? pool->count : 0; }

void poolFree(ModulePool* pool) {
  if (!pool) return;
  for (uint32_t i = 0; i < pool->count; i++) moduleFree(pool->modules[i]);
  std::free(pool->modules);
  std::free(pool);
}

int poolIsModified(const ModulePool* pool) {
  if (!pool) return 0;
  for (uint32_t i = 0; i < pool->count; i++)
    if (moduleIsModified(pool->modules[i])) return 1;
  return 0;
}

void poolMarkSaved(ModulePool* pool) {
  if (!pool) return;
  for (uint32_t i = 0; i < pool->count; i++) moduleMarkSaved(pool->modules[i]);
}

uint64_t poolGetImageSize(const ModulePool* pool) {
  uint64_t total = 0;
  for (uint32_t i = 0; i < poolGetCount(pool); i++) total += moduleGetSize(pool->modules[i]);
  return total;
}

uint32_t poolGetAlignmentOffset(const ModulePool* pool) { return pool ? pool->alignmentOffset : 0; }

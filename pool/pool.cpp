// Image file load and save.
#include "pool/pool.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "pool/memory.h"

namespace {

constexpr uint32_t POOL_GROW = 32;

void setError(char* err, const char* format, ...) __attribute__((format(printf, 2, 3)));
void setError(char* err, const char* format, ...) {
  if (!err) return;
  va_list args;
  va_start(args, format);
  std::vsnprintf(err, POOL_ERROR_SIZE, format, args);
  va_end(args);
}

ModulePool* poolNew() { return static_cast<ModulePool*>(std::calloc(1, sizeof(ModulePool))); }

// Writes all n bytes, going on after short writes; false on an error.
bool writeAll(int fd, const uint8_t* p, size_t n) {
  while (n) {
    ssize_t done = ::write(fd, p, n);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return false;
    p += done;
    n -= size_t(done);
  }
  return true;
}

// The file that a save really replaces: a symbolic link is followed, so the
// link stays and its target receives the new image.
std::string saveTarget(const char* path) {
  struct stat st;
  if (::lstat(path, &st) == 0 && S_ISLNK(st.st_mode)) {
    MallocPtr<char> real(::realpath(path, nullptr));
    if (real) return real.get();
  }
  return path;
}

// What create would give under the current umask, for a new file.
mode_t newFileMode() {
  mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// Writes every module back to back. False (with the message) on a failure.
bool writeModules(ModulePool* pool, int fd, char* err) {
  for (uint32_t index = 0; index < pool->count; index++) {
    uint32_t size = 0;
    MallocPtr<uint8_t> data(moduleGetData(pool->modules[index], &size));
    if (!data) {
      setError(err, "Unable to get body for module %d", int(index));
      return false;
    }
    if (!writeAll(fd, data.get(), size)) {
      setError(err, "Error saving module %d", int(index));
      return false;
    }
  }
  return true;
}

// Writes every module and closes fd, in every case. Data that the disk
// refuses only at flush or close time still fail the save.
bool writeAndClose(ModulePool* pool, int fd, bool sync, char* err) {
  bool written = writeModules(pool, fd, err);
  bool flushed = !written || !sync || ::fsync(fd) == 0;
  flushed = ::close(fd) == 0 && flushed;  // closed in every case
  if (written && !flushed)
    setError(err, "Error saving module %d", pool->count ? int(pool->count) - 1 : 0);
  return written && flushed;
}

// A device or pipe cannot be replaced by renaming; it is written as it is.
int saveInPlace(ModulePool* pool, const std::string& target, char* err) {
  int fd = ::open(target.c_str(), O_WRONLY | O_TRUNC);
  if (fd < 0) {
    setError(err, "Unable to open output file");
    return 0;
  }
  return writeAndClose(pool, fd, false, err);
}

void syncFolder(const std::string& target) {
  size_t slash = target.rfind('/');
  std::string folder = slash == std::string::npos ? "." : target.substr(0, slash ? slash : 1);
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

ModulePool* poolLoad(const char* path, char* err) {
  if (!path || !path[0]) {
    setError(err, "Invalid file name.");
    return nullptr;
  }
  FILE* file = std::fopen(path, "rb");
  if (!file) {
    setError(err, "Failed to open '%s': %s", path, std::strerror(errno));
    return nullptr;
  }
  // A folder opens for reading here, but has no length to take.
  struct stat st;
  if (::fstat(fileno(file), &st) == 0 && S_ISDIR(st.st_mode)) {
    std::fclose(file);
    setError(err, "Failed to open '%s': %s", path, std::strerror(EISDIR));
    return nullptr;
  }
  long length = -1;
  if (std::fseek(file, 0, SEEK_END) == 0) length = std::ftell(file);
  if (length >= 0 && length <= 3) {
    std::fclose(file);
    setError(err, "File '%s' is too small", path);
    return nullptr;
  }
  MallocPtr<uint8_t> buffer(length > 0 ? static_cast<uint8_t*>(std::malloc(size_t(length)))
                                       : nullptr);
  if (length < 0 || !buffer || std::fseek(file, 0, SEEK_SET) != 0 ||
      std::fread(buffer.get(), 1, size_t(length), file) != size_t(length)) {
    std::fclose(file);
    setError(err, "Error reading '%s'", path);
    return nullptr;
  }
  std::fclose(file);
  ModulePool* pool = poolParse(buffer.get(), size_t(length), err);
  if (pool) std::snprintf(pool->path, sizeof pool->path, "%s", path);
  return pool;
}

ModulePool* poolParse(const uint8_t* bytes, size_t length, char* err) {
  ModulePool* pool = poolNew();
  pool->arch = moduleDetectArch(bytes, length);
  if (pool->arch == ARCH_UNKNOWN) {
    setError(err, "Unknown file format");
    poolFree(pool);
    return nullptr;
  }
  // Offsets are 32-bit throughout the format; a larger image cannot be one.
  if (length > UINT32_MAX) {
    setError(err, "Error at 0x%x: Unknown data", UINT32_MAX);
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
    const uint8_t* start = bytes + position;
    size_t available = length - position;
    if (moduleDetectArch(start, available) != pool->arch) {
      setError(err, "Error at 0x%zx: Unknown data", position);
      poolFree(pool);
      return nullptr;
    }
    int code = 0;
    Module* m = moduleCreate(start, available, pool->arch, &code);
    if (!m) {
      setError(err, "Error at 0x%zx: %s", position, moduleErrorText(code));
      poolFree(pool);
      return nullptr;
    }
    uint32_t size = moduleGetSize(m);
    if (size == 0) {
      moduleFree(m);
      setError(err, "Error at 0x%zx: Unable to get module size", position);
      poolFree(pool);
      return nullptr;
    }
    poolAdd(pool, m);
    position += size;
  }
  if (zeros) {
    setError(err, "Unexpected data at the end of file");
    poolFree(pool);
    return nullptr;
  }
  return pool;
}

int poolSave(ModulePool* pool, const char* path, int overwrite, char* err) {
  if (pool->alignmentOffset) {
    setError(err, "Saving pool with alignment not supported yet");
    return 0;
  }
  const char* name = path ? path : pool->path;
  // A stored path of full length may have been cut at load: never save to a
  // file the user did not name.
  if (!name[0] || (!path && std::strlen(pool->path) >= sizeof pool->path - 1)) {
    setError(err, "Invalid output filename");
    return 0;
  }
  if (!overwrite && ::access(name, R_OK) == 0) {
    setError(err, "Output file already exist");
    return 0;
  }
  std::string target = saveTarget(name);
  struct stat st;
  bool exists = ::stat(target.c_str(), &st) == 0;
  // A file the user may not write stays as it is, as a plain open would
  // have refused it; a folder is no file to save to.
  if (exists && (S_ISDIR(st.st_mode) || ::access(target.c_str(), W_OK) != 0)) {
    setError(err, "Unable to open output file");
    return 0;
  }
  if (exists && !S_ISREG(st.st_mode)) return saveInPlace(pool, target, err);

  // A short fixed name: the target's own may already be as long as a name
  // can be.
  size_t slash = target.rfind('/');
  std::string temp =
      (slash == std::string::npos ? "" : target.substr(0, slash + 1)) + ".korvane-save-XXXXXX";
  int fd = ::mkstemp(temp.data());
  if (fd < 0) {
    setError(err, "Unable to open output file");
    return 0;
  }
  // The new file takes the place of the old one with its permissions and,
  // where we may set it, its owner.
  bool ok = ::fchmod(fd, exists ? st.st_mode & 07777 : newFileMode()) == 0;
  if (ok && exists && (st.st_uid != ::geteuid() || st.st_gid != ::getegid()))
    (void)!::fchown(fd, st.st_uid, st.st_gid);
  if (!ok) {
    setError(err, "Unable to open output file");
    ::close(fd);
  } else {
    ok = writeAndClose(pool, fd, true, err);
  }
  if (ok && ::rename(temp.c_str(), target.c_str()) != 0) {
    setError(err, "Error saving module %d", pool->count ? int(pool->count) - 1 : 0);
    ok = false;
  }
  if (!ok) {
    ::unlink(temp.c_str());
    return 0;
  }
  syncFolder(target);
  return 1;
}

uint32_t poolAdd(ModulePool* pool, Module* m) {
  if (pool->spare == 0) {
    pool->modules = static_cast<Module**>(
        std::realloc(pool->modules, (size_t(pool->count) + POOL_GROW) * sizeof(Module*)));
    pool->spare = POOL_GROW;
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

uint32_t poolGetAlignmentOffset(const ModulePool* pool) { return pool ? pool->alignmentOffset : 0; }

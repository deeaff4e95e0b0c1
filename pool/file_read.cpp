// SPDX-License-Identifier: MIT
#include "pool/file_read.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "pool/file_save.h"
#include "pool/memory.h"

int fileOpenRegular(const char* path, struct stat* st, const char** why) {
  // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come.
  int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    *why = std::strerror(errno);
    return -1;
  }
  if (::fstat(fd, st) != 0 || !S_ISREG(st->st_mode)) {
    *why = S_ISDIR(st->st_mode) ? std::strerror(EISDIR) : "not a regular file";
    ::close(fd);
    return -1;
  }
  // O_NONBLOCK stays: it changes nothing for a regular file.
  return fd;
}

uint8_t* fileReadAll(const char* path, size_t limit, size_t* length, char* err, size_t errSize) {
  char shown[1024], reason[128];
  textEscape(path, shown, sizeof shown);
  struct stat st = {};
  const char* why = nullptr;
  int fd = fileOpenRegular(path, &st, &why);
  if (fd < 0) {
    const int reason = errno;
    std::snprintf(err, errSize, "Unable to read '%s': %s", shown, why);
    errno = reason;
    return nullptr;
  }
  const uint64_t size = uint64_t(st.st_size);
  if (size > limit) {
    ::close(fd);
    std::snprintf(reason, sizeof reason,
                  "it is %" PRIu64 " bytes, more than the %zu a file may be here", size, limit);
    std::snprintf(err, errSize, "Unable to read '%s': %s", shown, reason);
    return nullptr;
  }
  MallocPtr<uint8_t> data(static_cast<uint8_t*>(std::malloc(size ? size : 1)));
  size_t done = 0;
  while (done < size) {
    ssize_t n = ::read(fd, data.get() + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      // A file that shrank while read is read as far as it goes.
      if (n == 0) break;
      std::snprintf(err, errSize, "Unable to read '%s': %s", shown, std::strerror(errno));
      ::close(fd);
      return nullptr;
    }
    done += size_t(n);
  }
  ::close(fd);
  *length = done;
  return data.release();
}

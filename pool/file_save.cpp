#include "pool/file_save.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "pool/memory.h"

namespace {

// The file that a save really replaces: a symbolic link is followed, so the
// link stays and its target receives the new content.
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

// Stores text, and the system's reason when the writer asks for it.
void failSet(const FileWriter& writer, const char* text, char* err, size_t errSize) {
  if (writer.withReason)
    std::snprintf(err, errSize, "%s: %s", text, std::strerror(errno));
  else
    std::snprintf(err, errSize, "%s", text);
}

// Writes the content and closes fd, in every case. Data that the disk
// refuses only at flush or close time still fail the save.
bool writeAndClose(const FileWriter& writer, int fd, bool sync, char* err, size_t errSize) {
  bool written = writer.write(fd, writer.context, err, errSize);
  bool flushed = !written || !sync || ::fsync(fd) == 0;
  flushed = ::close(fd) == 0 && flushed;  // closed in every case
  if (written && !flushed) failSet(writer, writer.failText, err, errSize);
  return written && flushed;
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

bool fileWriteAll(int fd, const uint8_t* p, size_t n) {
  while (n) {
    ssize_t done = ::write(fd, p, n);
    if (done < 0 && errno == EINTR) continue;
    if (done == 0) errno = ENOSPC;
    if (done <= 0) return false;
    p += done;
    n -= size_t(done);
  }
  return true;
}

int fileSave(const char* path, int overwrite, const FileWriter& writer, char* err, size_t errSize) {
  char scratch[256];
  if (!err) err = scratch, errSize = sizeof scratch;
  if (!overwrite && ::access(path, R_OK) == 0) {
    std::snprintf(err, errSize, "Output file already exist");
    return 0;
  }
  std::string target = saveTarget(path);
  struct stat st;
  bool exists = ::stat(target.c_str(), &st) == 0;
  // A file the user may not write stays as it is, as a plain open would
  // have refused it; a folder is no file to save to.
  if (exists && (S_ISDIR(st.st_mode) || ::access(target.c_str(), W_OK) != 0)) {
    if (S_ISDIR(st.st_mode)) errno = EISDIR;
    failSet(writer, "Unable to open output file", err, errSize);
    return 0;
  }
  // A device or pipe cannot be replaced by renaming; it is written as it is.
  if (exists && !S_ISREG(st.st_mode)) {
    int fd = ::open(target.c_str(), O_WRONLY | O_TRUNC);
    if (fd < 0) {
      failSet(writer, "Unable to open output file", err, errSize);
      return 0;
    }
    return writeAndClose(writer, fd, false, err, errSize);
  }

  // A short fixed name: the target's own may already be as long as a name
  // can be.
  size_t slash = target.rfind('/');
  std::string temp =
      (slash == std::string::npos ? "" : target.substr(0, slash + 1)) + ".korvane-save-XXXXXX";
  int fd = ::mkstemp(temp.data());
  if (fd < 0) {
    failSet(writer, "Unable to open output file", err, errSize);
    return 0;
  }
  // The new file takes the place of the old one with its permissions and,
  // where we may set it, its owner.
  bool ok = ::fchmod(fd, exists ? st.st_mode & 07777 : newFileMode()) == 0;
  if (ok && exists && (st.st_uid != ::geteuid() || st.st_gid != ::getegid()))
    (void)!::fchown(fd, st.st_uid, st.st_gid);
  if (!ok) {
    failSet(writer, "Unable to open output file", err, errSize);
    ::close(fd);
  } else {
    ok = writeAndClose(writer, fd, true, err, errSize);
  }
  if (ok && ::rename(temp.c_str(), target.c_str()) != 0) {
    failSet(writer, writer.failText, err, errSize);
    ok = false;
  }
  if (!ok) {
    ::unlink(temp.c_str());
    return 0;
  }
  syncFolder(target);
  return 1;
}

// SPDX-License-Identifier: MIT
#include "pool/file_save.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

namespace {

// Links followed at most, as the system's own limit for open.
constexpr int LINKS_MAX = 40;

std::string folderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash ? path.substr(0, slash) : "/";
}

std::string baseOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file a plain open for writing (with O_CREAT) would write: links are
// followed, and a missing last name is created when its folder exists. A
// loop, or a missing folder, fails: "" with errno set.
std::string targetResolve(const char* path) {
  std::string p = path;
  for (int links = 0;; links++) {
    struct stat st;
    if (::lstat(p.c_str(), &st) != 0) {
      if (errno != ENOENT) return "";
      struct stat folder;
      if (::stat(folderOf(p).c_str(), &folder) != 0) return "";
      if (!S_ISDIR(folder.st_mode)) {
        errno = ENOTDIR;
        return "";
      }
      return p;
    }
    if (!S_ISLNK(st.st_mode)) return p;
    if (links == LINKS_MAX) {
      errno = ELOOP;
      return "";
    }
    char link[PATH_MAX];
    ssize_t n = ::readlink(p.c_str(), link, sizeof link - 1);
    if (n < 0) return "";
    link[n] = '\0';
    p = link[0] == '/' ? std::string(link) : folderOf(p) + "/" + link;
  }
}

// What create would give under the current umask, for a new file.
mode_t newFileMode() {
  mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// "TEXT\nPATH: REASON", the path escaped, and shortened in its middle when
// the whole would not fit: the reason is never cut off.
void failSetWhy(char* err, size_t errSize, const char* text, const std::string& path, const char* why) {
  char shown[1024];
  textEscape(path.c_str(), shown, sizeof shown);
  size_t fixed = std::strlen(text) + std::strlen(why) + 4, length = std::strlen(shown);
  std::string middle = shown;
  if (fixed + length >= errSize && errSize > fixed + 16) {
    size_t keep = (errSize - fixed - 4) / 2;
    middle = middle.substr(0, keep) + "..." + middle.substr(length - keep);
  }
  std::snprintf(err, errSize, "%s\n%s: %s", text, middle.c_str(), why);
}

void failSet(char* err, size_t errSize, const char* text, const std::string& path, int reason) {
  failSetWhy(err, errSize, text, path, std::strerror(reason));
}

// The temporary files of the save in progress, the new content and a
// backup's copy, for the signal handler: they are removed relative to their
// folder, which may be renamed meanwhile.
enum TempSlot { TEMP_SAVE, TEMP_BACKUP, TEMP_SLOTS };
volatile sig_atomic_t tempActive[TEMP_SLOTS] = {};
int tempFolder = -1;
char tempName[TEMP_SLOTS][64];

long corruptOffset = -1;  // tests only

const int SAVE_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void tempRemoveAndDie(int sig) {
  for (int slot = 0; slot < TEMP_SLOTS; slot++)
    if (tempActive[slot]) ::unlinkat(tempFolder, tempName[slot], 0);
  std::signal(sig, SIG_DFL);
  std::raise(sig);  // delivered with its default action once this handler returns
}

// While a save runs: the interrupting signals remove the temporary file,
// and a write past the file-size limit fails with EFBIG instead of killing.
class SaveSignals {
 public:
  SaveSignals() {
    struct sigaction action = {};
    action.sa_handler = tempRemoveAndDie;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < 3; i++) ::sigaction(SAVE_SIGNALS[i], &action, &saved_[i]);
    action.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &action, &savedFileSize_);
  }
  ~SaveSignals() {
    for (size_t i = 0; i < 3; i++) ::sigaction(SAVE_SIGNALS[i], &saved_[i], nullptr);
    ::sigaction(SIGXFSZ, &savedFileSize_, nullptr);
  }

 private:
  struct sigaction saved_[3];
  struct sigaction savedFileSize_;
};

// Creates a new temporary file in folder, with a name of its own, open for
// reading too (the check reads it back).
int tempCreate(int folder, int slot) {
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 100; attempt++) {
    unsigned tag = unsigned(::getpid()) * 2654435761u ^ unsigned(std::time(nullptr)) ^ (++counter * 40503u);
    std::snprintf(tempName[slot], sizeof tempName[slot], ".korvane-save-%08x", tag);
    tempFolder = folder;
    tempActive[slot] = 1;
    int fd = ::openat(folder, tempName[slot], O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
    tempActive[slot] = 0;
    if (errno != EEXIST) return -1;
  }
  return -1;
}

// Writes the content, flushed to the disk when sync: data the disk refuses
// only at flush time still fail the save.
bool writeContent(const FileWriter& writer, int fd, bool sync, const std::string& target, char* err,
                  size_t errSize) {
  char text[256] = "";
  if (!writer.write(fd, writer.context, text, sizeof text)) {
    failSet(err, errSize, text, target, errno);
    return false;
  }
  if (sync && ::fsync(fd) != 0) {
    failSet(err, errSize, "Error saving file", target, errno);
    return false;
  }
  return true;
}

// Closes fd in every case; a refusal at close time still fails the save.
bool closeChecked(int fd, bool ok, const std::string& target, char* err, size_t errSize) {
  if (::close(fd) != 0 && ok) {
    failSet(err, errSize, "Error saving file", target, errno);
    return false;
  }
  return ok;
}

// The tests' fault: one written byte flipped, as a failing disk might.
void corruptForTest(int fd) {
  uint8_t byte;
  if (::pread(fd, &byte, 1, corruptOffset) != 1) return;
  byte ^= 0xFF;
  (void)!::pwrite(fd, &byte, 1, corruptOffset);
}

// Runs the check on the written file; its message takes the usual form.
bool checkWritten(const FileSaveOptions& options, const FileWriter& writer, int fd,
                  const std::string& target, char* err, size_t errSize) {
  char text[256] = "", why[256] = "";
  if (::lseek(fd, 0, SEEK_SET) != 0) {
    failSet(err, errSize, "Error saving file", target, errno);
    return false;
  }
  if (options.check(fd, writer.context, text, sizeof text, why, sizeof why)) return true;
  failSetWhy(err, errSize, text, target, why);
  return false;
}

// Errors of link that mean the file system links no files (or not this
// one): the backup is copied instead.
bool linkUnsupported(int reason) {
  return reason == EPERM || reason == EXDEV || reason == ENOTSUP || reason == EOPNOTSUPP ||
         reason == EMLINK || reason == ENOSYS;
}

// Renames without replacing: a backup that appeared meanwhile is kept.
bool renameNoReplace(int folder, const char* from, const char* to) {
  if (::renameat2(folder, from, folder, to, RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL) return false;
  // A file system that cannot rename so: the name is looked at just before.
  struct stat st;
  if (::fstatat(folder, to, &st, AT_SYMLINK_NOFOLLOW) == 0) {
    errno = EEXIST;
    return false;
  }
  return ::renameat(folder, from, folder, to) == 0;
}

// Copies the file about to be replaced into a temporary file that takes the
// backup's name only once complete, so an interrupted copy never passes for
// the original. False with errno set.
bool backupCopy(int folder, const char* base, const char* name, const struct stat& st) {
  int from = ::openat(folder, base, O_RDONLY | O_CLOEXEC);
  if (from < 0) return false;
  int to = tempCreate(folder, TEMP_BACKUP);
  bool ok = to >= 0;
  uint8_t buffer[1 << 16];
  while (ok) {
    ssize_t n = ::read(from, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = n == 0;
      break;
    }
    ok = fileWriteAll(to, buffer, size_t(n));
  }
  // Owner and permissions once written, as writing and changing the owner
  // both clear the set-user-ID bit.
  if (ok && (st.st_uid != ::geteuid() || st.st_gid != ::getegid()))
    (void)!::fchown(to, st.st_uid, st.st_gid);
  ok = ok && ::fchmod(to, st.st_mode & 07777) == 0 && ::fsync(to) == 0;
  int reason = errno;
  ::close(from);
  if (to >= 0 && ::close(to) != 0 && ok) {
    ok = false;
    reason = errno;
  }
  if (ok && !renameNoReplace(folder, tempName[TEMP_BACKUP], name)) {
    ok = false;
    reason = errno;
  }
  if (to >= 0 && !ok) ::unlinkat(folder, tempName[TEMP_BACKUP], 0);
  tempActive[TEMP_BACKUP] = 0;
  errno = reason;
  return ok;
}

// Keeps the file base, about to be replaced, as base.orig. Returns 1 when
// made, 0 when a backup is kept already, -1 (errno set) when it cannot be.
int backupMake(int folder, const std::string& base, const struct stat& st) {
  const std::string name = base + ".orig";
  struct stat kept;
  if (::fstatat(folder, name.c_str(), &kept, 0) == 0) {
    if (S_ISREG(kept.st_mode)) return 0;
    errno = S_ISDIR(kept.st_mode) ? EISDIR : EEXIST;
    return -1;
  }
  if (errno != ENOENT) return -1;
  // A dangling link in its place fails here, as existing.
  if (::linkat(folder, base.c_str(), folder, name.c_str(), 0) == 0) return 1;
  if (!linkUnsupported(errno)) return -1;
  return backupCopy(folder, base.c_str(), name.c_str(), st) ? 1 : -1;
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

void textEscape(const char* text, char* out, size_t outSize) {
  if (!outSize) return;
  size_t n = 0;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; p++) {
    bool escaped = *p < 0x20 || *p == 0x7F || *p == '\\';
    if (n + (escaped ? 4 : 1) >= outSize) break;  // what fits, and the zero
    if (escaped)
      n += size_t(std::snprintf(out + n, outSize - n, "\\x%02X", *p));
    else
      out[n++] = char(*p);
  }
  out[n] = '\0';
}

void fileSaveCorruptForTest(long offset) { corruptOffset = offset; }

int fileSaveBytes(const char* path, const void* bytes, size_t length, char* err, size_t errSize) {
  struct Bytes {
    const uint8_t* data;
    size_t length;
  } content = {static_cast<const uint8_t*>(bytes), length};
  FileWriter writer = {[](int fd, void* context, char* text, size_t size) {
                         auto* b = static_cast<Bytes*>(context);
                         if (fileWriteAll(fd, b->data, b->length)) return true;
                         int reason = errno;
                         std::snprintf(text, size, "Error saving file");
                         errno = reason;
                         return false;
                       },
                       &content};
  return fileSave(path, 1, writer, err, errSize);
}

void fileSaveMessage(char* err, size_t errSize, const char* text, const char* path, const char* why) {
  failSetWhy(err, errSize, text, path, why);
}

namespace {

// The complete new file takes the target's place. The backup of the file
// replaced (when kept is its stat) is made first, and last of all before
// the rename, so that a save failing earlier never leaves one; a rename
// that fails takes it away again. *backupMade as backupMake says.
bool tempRename(int folder, const std::string& target, const struct stat* kept, int* backupMade, char* err,
                size_t errSize) {
  const std::string base = baseOf(target), backup = base + ".orig";
  if (kept) {
    *backupMade = backupMake(folder, base, *kept);
    if (*backupMade < 0) {
      failSet(err, errSize, "Unable to make backup file", target + ".orig", errno);
      return false;
    }
  }
  if (::renameat(folder, tempName[TEMP_SAVE], folder, base.c_str()) != 0) {
    failSet(err, errSize, "Error saving file", target, errno);
    if (*backupMade > 0) ::unlinkat(folder, backup.c_str(), 0);
    return false;
  }
  return true;
}

}  // namespace

int fileSave(const char* path, int overwrite, const FileWriter& writer, char* err, size_t errSize,
             FileSaveOptions* options) {
  char scratch[256];
  if (!err) err = scratch, errSize = sizeof scratch;
  if (options) {
    options->checked = false;
    options->backupMade[0] = '\0';
  }
  if (!overwrite && ::access(path, R_OK) == 0) {
    std::snprintf(err, errSize, "Output file already exist");
    return 0;
  }
  // Only a regular file can be replaced whole: a FIFO would block the save
  // or take half of it, a device (a terminal, /dev/stdout) is no file to
  // keep. The name is followed as open would, before anything is written.
  struct stat named;
  if (::stat(path, &named) == 0 && !S_ISREG(named.st_mode) && !S_ISDIR(named.st_mode)) {
    failSetWhy(err, errSize, "Unable to open output file", path, "not a regular file");
    return 0;
  }
  std::string target = targetResolve(path);
  if (target.empty()) {
    failSet(err, errSize, "Unable to open output file", path, errno);
    return 0;
  }
  struct stat st;
  bool exists = ::stat(target.c_str(), &st) == 0;
  // A file the user may not write stays as it is, as a plain open would
  // have refused it; a folder is no file to save to.
  if (exists && (S_ISDIR(st.st_mode) || ::access(target.c_str(), W_OK) != 0)) {
    failSet(err, errSize, "Unable to open output file", target, S_ISDIR(st.st_mode) ? EISDIR : errno);
    return 0;
  }
  SaveSignals signals;

  const std::string folderName = folderOf(target);
  int folder = ::open(folderName.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  int fd = folder < 0 ? -1 : tempCreate(folder, TEMP_SAVE);
  if (fd < 0) {
    int reason = errno;
    char shown[1024];
    textEscape(folderName.c_str(), shown, sizeof shown);
    // The save needs a new file beside the target, so the folder must be
    // writable even when the file itself is.
    std::snprintf(err, errSize, "Unable to open output file\nThe folder %s cannot be written: %s", shown,
                  std::strerror(reason));
    if (folder >= 0) ::close(folder);
    return 0;
  }
  // The new file takes the place of the old one with its permissions and,
  // where we may set it, its owner.
  bool ok = ::fchmod(fd, exists ? st.st_mode & 07777 : newFileMode()) == 0;
  if (ok && exists && (st.st_uid != ::geteuid() || st.st_gid != ::getegid()))
    (void)!::fchown(fd, st.st_uid, st.st_gid);
  if (!ok) failSet(err, errSize, "Unable to open output file", target, errno);
  ok = ok && writeContent(writer, fd, true, target, err, errSize);
  if (ok && corruptOffset >= 0) corruptForTest(fd);
  if (ok && options && options->check) ok = checkWritten(*options, writer, fd, target, err, errSize);
  ok = closeChecked(fd, ok, target, err, errSize);
  int backupMade = 0;
  ok = ok && tempRename(folder, target, exists && options && options->backup ? &st : nullptr, &backupMade, err,
                        errSize);
  if (!ok) ::unlinkat(folder, tempName[TEMP_SAVE], 0);
  tempActive[TEMP_SAVE] = 0;
  if (ok) ::fsync(folder);
  ::close(folder);
  if (ok && options) {
    options->checked = options->check != nullptr;
    if (backupMade > 0)
      std::snprintf(options->backupMade, sizeof options->backupMade, "%s.orig", target.c_str());
  }
  return ok;
}

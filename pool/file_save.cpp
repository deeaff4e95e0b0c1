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
void failSet(char* err, size_t errSize, const char* text, const std::string& path, int reason) {
  char shown[1024];
  textEscape(path.c_str(), shown, sizeof shown);
  const char* why = std::strerror(reason);
  size_t fixed = std::strlen(text) + std::strlen(why) + 4, length = std::strlen(shown);
  std::string middle = shown;
  if (fixed + length >= errSize && errSize > fixed + 16) {
    size_t keep = (errSize - fixed - 4) / 2;
    middle = middle.substr(0, keep) + "..." + middle.substr(length - keep);
  }
  std::snprintf(err, errSize, "%s\n%s: %s", text, middle.c_str(), why);
}

// The temporary file of the save in progress, for the signal handler: it is
// removed relative to its folder, which may be renamed meanwhile.
volatile sig_atomic_t tempActive = 0;
int tempFolder = -1;
char tempName[64];

const int SAVE_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void tempRemoveAndDie(int sig) {
  if (tempActive) ::unlinkat(tempFolder, tempName, 0);
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

// Creates a new temporary file in folder, with a name of its own.
int tempCreate(int folder) {
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 100; attempt++) {
    unsigned tag = unsigned(::getpid()) * 2654435761u ^ unsigned(std::time(nullptr)) ^ (++counter * 40503u);
    std::snprintf(tempName, sizeof tempName, ".korvane-save-%08x", tag);
    tempFolder = folder;
    tempActive = 1;
    int fd = ::openat(folder, tempName, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
    tempActive = 0;
    if (errno != EEXIST) return -1;
  }
  return -1;
}

// Writes the content and closes fd in every case; data the disk refuses
// only at flush or close time still fail the save.
bool writeAndClose(const FileWriter& writer, int fd, bool sync, const std::string& target, char* err,
                   size_t errSize) {
  char text[256] = "";
  if (!writer.write(fd, writer.context, text, sizeof text)) {
    int reason = errno;
    ::close(fd);
    failSet(err, errSize, text, target, reason);
    return false;
  }
  if (sync && ::fsync(fd) != 0) {
    int reason = errno;
    ::close(fd);
    failSet(err, errSize, "Error saving file", target, reason);
    return false;
  }
  if (::close(fd) != 0) {
    failSet(err, errSize, "Error saving file", target, errno);
    return false;
  }
  return true;
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

int fileSave(const char* path, int overwrite, const FileWriter& writer, char* err, size_t errSize) {
  char scratch[256];
  if (!err) err = scratch, errSize = sizeof scratch;
  if (!overwrite && ::access(path, R_OK) == 0) {
    std::snprintf(err, errSize, "Output file already exist");
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
  // A device or pipe cannot be replaced by renaming; it is written as it is.
  if (exists && !S_ISREG(st.st_mode)) {
    int fd = ::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) {
      failSet(err, errSize, "Unable to open output file", target, errno);
      return 0;
    }
    return writeAndClose(writer, fd, false, target, err, errSize);
  }

  const std::string folderName = folderOf(target);
  int folder = ::open(folderName.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  int fd = folder < 0 ? -1 : tempCreate(folder);
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
  if (!ok) {
    failSet(err, errSize, "Unable to open output file", target, errno);
    ::close(fd);
  } else {
    ok = writeAndClose(writer, fd, true, target, err, errSize);
  }
  if (ok && ::renameat(folder, tempName, folder, baseOf(target).c_str()) != 0) {
    failSet(err, errSize, "Error saving file", target, errno);
    ok = false;
  }
  if (!ok) ::unlinkat(folder, tempName, 0);
  tempActive = 0;
  if (ok) ::fsync(folder);
  ::close(folder);
  return ok;
}

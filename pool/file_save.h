// Saving a file so that a failure never leaves it half-written: a regular
// file is written to a temporary file in its folder and renamed over it only
// once complete, keeping its permissions and, where allowed, its owner. A
// symbolic link is followed, so the link stays; a device or pipe is written
// directly. The image save and the picture export share it.
#pragma once

#include <cstddef>
#include <cstdint>

// Writes the file's content to fd; on failure stores a message in err (of
// `errSize` bytes) and returns false.
struct FileWriter {
  bool (*write)(int fd, void* context, char* err, size_t errSize);
  void* context;
  const char* failText;  // what a failed flush, close or rename reports
  bool withReason;       // failures end with ": " and the system's reason
};

// Saves path with writer. Refuses an existing readable target unless
// overwrite is 1, a folder, and a file the caller may not write ("Unable to
// open output file"). Returns 1, or 0 with a message in err.
int fileSave(const char* path, int overwrite, const FileWriter& writer, char* err, size_t errSize);

// Writes all n bytes, going on after short writes; false on an error (errno
// tells which).
bool fileWriteAll(int fd, const uint8_t* p, size_t n);

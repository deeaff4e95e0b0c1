// Saving a file so that a failure never leaves it half-written and never
// leaves anything behind: a regular file is written to a temporary file in
// its folder and renamed over it only once complete, keeping its permissions
// and, where allowed, its owner. Symbolic links are followed as a plain open
// for writing would follow them, so a link stays a link; a device or pipe is
// written directly. SIGINT, SIGTERM and SIGHUP during the save remove the
// temporary file before the program ends as the signal says; a write past
// the file-size limit fails with its reason. The image save and the picture
// export share it.
#pragma once

#include <cstddef>
#include <cstdint>

// Writes the file's content to fd. On failure stores the text of what failed
// (without the reason) in err (`errSize` bytes), leaves errno as the failing
// call set it, and returns false.
struct FileWriter {
  bool (*write)(int fd, void* context, char* err, size_t errSize);
  void* context;
};

// Saves path with writer. Refuses an existing readable target unless
// overwrite is 1. Returns 1, or 0 with a message in err: a text of the
// writer, "Unable to open output file" or "Error saving file" (a failure
// after everything was written), then on a second line what the system gave
// as the reason, with the path concerned. Paths in messages are escaped as
// textEscape does.
int fileSave(const char* path, int overwrite, const FileWriter& writer, char* err, size_t errSize);

// Writes all n bytes, going on after short writes; false on an error (errno
// tells which).
bool fileWriteAll(int fd, const uint8_t* p, size_t n);

// Copies text into out (outSize bytes, always terminated), control
// characters and backslashes written as \xNN, so that a name or path in a
// message stays on its line.
void textEscape(const char* text, char* out, size_t outSize);

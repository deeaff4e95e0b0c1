// SPDX-License-Identifier: MIT
// Saving a file so that a failure never leaves it half-written and never
// leaves anything behind: a regular file is written to a temporary file in
// its folder and renamed over it only once complete, keeping its permissions
// and, where allowed, its owner. Symbolic links are followed as a plain open
// for writing would follow them, so a link stays a link; anything but a
// regular file (a FIFO, a device) is refused before a byte is written. SIGINT, SIGTERM and SIGHUP during the save remove the
// temporary file before the program ends as the signal says; a write past
// the file-size limit fails with its reason. On request the replaced file is
// kept once as NAME.orig and the written file is read back before the
// rename. The image save and the picture export share it.
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

// What a save of a regular file does beyond writing it, and what it did.
struct FileSaveOptions {
  // Keep the file being replaced as NAME.orig beside it (NAME resolved
  // through links), unless a regular file of that name (or a link to one)
  // is there already, which is never touched. A hard link made just before
  // the rename, a copy with the same permissions where the file system
  // links no files. Anything else in that place (a folder, a dangling link)
  // stops the save, as does a failed backup. Removed again when the rename
  // fails.
  bool backup;
  // When not null: reads the written file back from fd (open for reading,
  // at its start, after the flush) before it replaces the target, with the
  // writer's context. On failure stores the text of what failed in text and
  // the reason in why, and returns false: the save stops.
  bool (*check)(int fd, void* context, char* text, size_t textSize, char* why, size_t whySize);
  // Set by the save:
  bool checked;           // the check ran and passed
  char backupMade[4096];  // the backup made, or ""
};

// Saves path with writer. Refuses an existing readable target unless
// overwrite is 1. Returns 1, or 0 with a message in err: a text of the
// writer or of the check, "Unable to open output file", "Unable to make
// backup file" or "Error saving file" (a failure after everything was
// written), then on a second line what the system gave as the reason, with
// the path concerned. Paths in messages are escaped as textEscape does.
// options may be null: no backup, no check.
int fileSave(const char* path, int overwrite, const FileWriter& writer, char* err, size_t errSize,
             FileSaveOptions* options = nullptr);

// "TEXT\nPATH: WHY" in err, as the save's own failures read: the path
// escaped, and shortened in its middle when the whole would not fit.
void fileSaveMessage(char* err, size_t errSize, const char* text, const char* path, const char* why);

// Saves length bytes to path as fileSave does (overwriting, no backup, no
// check): every exported file goes this way. A failed write gives "Error
// saving file".
int fileSaveBytes(const char* path, const void* bytes, size_t length, char* err, size_t errSize);

// For tests only: from now on every save of a regular file flips the bits
// of the byte at offset of the written file, between the flush and the
// check, as a failing disk might; -1 turns it off.
void fileSaveCorruptForTest(long offset);

// Writes all n bytes, going on after short writes; false on an error (errno
// tells which).
bool fileWriteAll(int fd, const uint8_t* p, size_t n);

// Copies text into out (outSize bytes, always terminated), control
// characters and backslashes written as \xNN, so that a name or path in a
// message stays on its line.
void textEscape(const char* text, char* out, size_t outSize);

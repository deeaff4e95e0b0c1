// SPDX-License-Identifier: MIT
// Reading the files a user names: regular files only, opened so that a FIFO
// or a device never blocks or streams without end, and whole files read at
// once with a bound on their size.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>

// The largest text file (PO, TSV, BDF) read whole: far beyond any module's
// texts or glyphs, and refused from its size before a byte is read.
constexpr size_t FILE_TEXT_LIMIT = size_t(256) << 20;

// Opens path for reading without blocking (a FIFO opens at once). Returns the
// descriptor with its status in *st, or -1 with the reason in *why: the
// system's text, or "not a regular file" for anything but a regular file.
int fileOpenRegular(const char* path, struct stat* st, const char** why);

// Reads a whole regular file of at most limit bytes. Returns a malloc'd
// buffer (never null on success, also for an empty file) with its length in
// *length, or null with "Unable to read 'PATH': REASON" in err (errSize
// bytes), the path escaped as textEscape does, and errno kept from the open
// that failed (ENOENT for a file that is not there).
uint8_t* fileReadAll(const char* path, size_t limit, size_t* length, char* err, size_t errSize);

// SPDX-License-Identifier: MIT
// A mod as a folder of standard files: the names unpack gives the files of
// each module, and the manifest that lists them with the SHA-256 of the
// bytes written, so that pack can tell which files a user changed.
//
// korvane.manifest: the line "korvane-manifest 1", then one line per module
// in image order, fields separated by one tab: the module's index, the path
// of its .mod file, that file's SHA-256, then one "PATH=SHA256" per file an
// editor reads back. Paths are relative to the folder, "/"-separated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr char MANIFEST_NAME[] = "korvane.manifest";

// "NNN-NAME": the index with at least three digits and as many as the
// largest index needs, then the name with "/", "\\", "%", control characters,
// bytes outside printable ASCII, a leading dot and any dot beside another
// dot written as %XX (upper-case hex), cut to 200 bytes. Different indices
// never give one stem, whatever the names, on case-insensitive file systems
// too.
std::string modStem(uint32_t index, uint32_t largest, const char* name);

// The SHA-256 of n bytes, 64 lower-case hex digits.
std::string modSha256(const void* bytes, size_t n);

struct ManifestFile {
  std::string path, sha;
};

struct ManifestModule {
  uint32_t line = 0;  // in the manifest, from 1
  std::string index;  // as written; not used to order
  ManifestFile mod;
  std::vector<ManifestFile> files;
};

std::string manifestWrite(const std::vector<ManifestModule>& modules);

// Parses a manifest. Returns false with "line N: reason" in err for one that
// is not of this shape or names a path outside the folder (absolute, with an
// empty, "." or ".." part).
bool manifestRead(const char* data, size_t size, std::vector<ManifestModule>* modules,
                  std::string* err);

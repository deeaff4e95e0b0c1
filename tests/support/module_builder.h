// SPDX-License-Identifier: MIT
// Test modules, canonical or not, broken in each way validation reports, chained into images.
#pragma once

#include <sys/resource.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

class ModuleBuilder {
 public:
  ModuleBuilder& name(std::string v) { name_ = std::move(v); return *this; }
  ModuleBuilder& body(Bytes v) { body_ = std::move(v); return *this; }
  ModuleBuilder& type(uint8_t v) { type_ = v; return *this; }
  ModuleBuilder& access(uint16_t v) { access_ = v; return *this; }
  ModuleBuilder& language(uint8_t v) { language_ = v; return *this; }
  ModuleBuilder& attribute(uint8_t v) { attribute_ = v; return *this; }
  ModuleBuilder& revision(uint8_t v) { revision_ = v; return *this; }
  ModuleBuilder& edition(uint16_t v) { edition_ = v; return *this; }
  // A pattern in the header bytes that are carried but not interpreted.
  ModuleBuilder& headerFiller(bool v) { filler_ = v; return *this; }
  // Non-canonical layouts: gaps before name and body; with the body first there is no body.
  ModuleBuilder& gaps(uint32_t n, uint32_t b) { gapName_ = n, gapBody_ = b; return *this; }
  ModuleBuilder& bodyBeforeName(bool v) { bodyFirst_ = v; return *this; }
  // The module with parity and CRC right; the body zero-padded to 4 bytes.
  Bytes build() const;

 private:
  std::string name_ = "module";
  Bytes body_;
  uint8_t type_ = 4, language_ = 0, attribute_ = 0x80, revision_ = 1;
  uint16_t access_ = 0x0555, edition_ = 1;
  bool filler_ = false, bodyFirst_ = false;
  uint32_t gapName_ = 0, gapBody_ = 0;
};

// Recomputes parity and CRC from the size word after a mutation.
void fixIntegrity(Bytes& m);

// Each breakage leaves every earlier check passing.
enum class Break {
  BufferTooSmall, Magic, SizeNotAligned, SizeTooSmall, SizeBeyondBuffer, NameOffsetLow,
  NameOffsetHigh, NameEmpty, DataNotAligned, Parity, Crc, TrailerPad,
};
Bytes breakModule(Bytes m, Break how);

Bytes imageOf(std::initializer_list<Bytes> parts);
inline Bytes zeros(size_t n) { return Bytes(n, 0); }
inline Bytes bytesOf(const std::string& s) { return Bytes(s.begin(), s.end()); }
bool writeFile(const std::string& path, const Bytes& bytes);
Bytes readFile(const std::string& path);  // empty on failure

// While it lives, writes past `bytes` into any file fail (EFBIG), as on a full disk.
class WriteLimit {
 public:
  explicit WriteLimit(uint64_t bytes);
  ~WriteLimit() { setrlimit(RLIMIT_FSIZE, &saved_); }

 private:
  struct rlimit saved_;
};

// A fresh folder, removed with its contents at the end of the scope.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

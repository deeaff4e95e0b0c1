// Test builders: modules from name, body and header fields, in the canonical
// layout or a non-canonical one, broken in each way validation reports, and
// chained into whole images with or without padding.
#pragma once

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
  // Fills the header bytes that are carried but not interpreted (8-11, 24-35,
  // 40-85) with a recognisable pattern, so tests can see them kept.
  ModuleBuilder& headerFiller(bool v) { filler_ = v; return *this; }
  // Non-canonical layouts: zero bytes between the header and the name, and
  // extra zero bytes between the name field and the body (multiples of 4 keep
  // the data offset aligned).
  ModuleBuilder& gapBeforeName(uint32_t v) { gapName_ = v; return *this; }
  ModuleBuilder& gapBeforeBody(uint32_t v) { gapBody_ = v; return *this; }
  // Places the body before the name (data offset 88, name after the body): a
  // data module laid out this way has no body.
  ModuleBuilder& bodyBeforeName(bool v) { bodyFirst_ = v; return *this; }

  // The module with parity and CRC right. Body bytes are zero-padded to a
  // multiple of 4.
  Bytes build() const;

 private:
  std::string name_ = "module";
  Bytes body_;
  uint8_t type_ = 4;
  uint16_t access_ = 0x0555;
  uint8_t language_ = 0;
  uint8_t attribute_ = 0x80;
  uint8_t revision_ = 1;
  uint16_t edition_ = 1;
  bool filler_ = false;
  uint32_t gapName_ = 0;
  uint32_t gapBody_ = 0;
  bool bodyFirst_ = false;
};

// Recomputes header parity and CRC from the size word, as an editor of the
// raw bytes would ("fix the checksum after a mutation"). Requires: the size
// word is within the vector and at least 96.
void fixIntegrity(Bytes& m);
void fixParity(Bytes& m);
void fixCrc(Bytes& m);

// The ways a block can fail validation, each leaving every earlier check
// passing (so exactly the named code is reported).
enum class Break {
  BufferTooSmall,   // 91 bytes only
  Magic,            // wrong sync word
  SizeNotAligned,   // size word not a multiple of 4
  SizeTooSmall,     // size word 92
  SizeBeyondBuffer, // size word larger than the bytes
  NameOffsetLow,    // name offset 87
  NameOffsetHigh,   // name offset equal to the size
  NameEmpty,        // name offset at a zero byte
  DataNotAligned,   // data offset 90
  Parity,           // header byte changed, parity stale
  Crc,              // body byte changed, CRC stale
  TrailerPad,       // non-zero byte before the CRC
};
Bytes breakModule(Bytes m, Break how);

// Concatenates modules and gaps into one image.
Bytes imageOf(std::initializer_list<Bytes> parts);
Bytes zeros(size_t n);
Bytes bytesOf(const std::string& s);

// Writes bytes to a file; returns false on failure.
bool writeFile(const std::string& path, const Bytes& bytes);
// Reads a whole file; empty on failure.
Bytes readFile(const std::string& path);

// A fresh empty folder under the system temporary folder, removed with its
// contents when the object goes away.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

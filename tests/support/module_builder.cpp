// Test builders for modules and images.
#include "tests/support/module_builder.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "pool/be.h"
#include "pool/module_format.h"

namespace {
uint32_t roundUp4(size_t n) { return uint32_t((n + 3) & ~size_t(3)); }
}  // namespace

Bytes ModuleBuilder::build() const {
  uint32_t nameField = roundUp4(name_.size() + 1);
  uint32_t bodyField = roundUp4(body_.size());
  uint32_t size = MODULE_HEADER_SIZE + gapName_ + nameField + gapBody_ + bodyField +
                  MODULE_TRAILER_SIZE;
  Bytes m(size, 0);
  if (filler_) {
    for (uint32_t i = 8; i < 12; i++) m[i] = uint8_t(0xA0 + i);
    for (uint32_t i = 24; i < 36; i++) m[i] = uint8_t(0xA0 + i);
    for (uint32_t i = 40; i < 86; i++) m[i] = uint8_t(0x10 + i);
  }
  beSet32(&m[MH_SYNC], MODULE_SYNC);
  beSet32(&m[MH_SIZE], size);
  beSet16(&m[MH_ACCESS], access_);
  m[MH_TYPE] = type_;
  m[MH_LANGUAGE] = language_;
  m[MH_ATTRIBUTE] = attribute_;
  m[MH_REVISION] = revision_;
  beSet16(&m[MH_EDITION], edition_);
  uint32_t nameOffset, dataOffset;
  if (bodyFirst_) {
    dataOffset = MODULE_HEADER_SIZE;
    nameOffset = dataOffset + bodyField + gapName_ + gapBody_;
  } else {
    nameOffset = MODULE_HEADER_SIZE + gapName_;
    dataOffset = nameOffset + nameField + gapBody_;
  }
  beSet32(&m[MH_NAME_OFFSET], nameOffset);
  beSet32(&m[MH_DATA_OFFSET], dataOffset);
  std::copy(name_.begin(), name_.end(), m.begin() + nameOffset);
  std::copy(body_.begin(), body_.end(), m.begin() + dataOffset);
  fixIntegrity(m);
  return m;
}

void fixParity(Bytes& m) { beSet16(&m[MH_PARITY], moduleHeaderParity(m.data())); }

void fixCrc(Bytes& m) {
  uint32_t size = beGet32(&m[MH_SIZE]);
  m[size - 4] = 0;
  beSet32(&m[size - 4], moduleCrc(m.data(), size - 3));
}

void fixIntegrity(Bytes& m) {
  fixParity(m);
  fixCrc(m);
}

Bytes breakModule(Bytes m, Break how) {
  uint32_t size = beGet32(&m[MH_SIZE]);
  switch (how) {
    case Break::BufferTooSmall: m.resize(91); return m;
    case Break::Magic: m[1] = 0xAE; return m;
    case Break::SizeNotAligned: beSet32(&m[MH_SIZE], size + 2); return m;
    case Break::SizeTooSmall: beSet32(&m[MH_SIZE], 92); return m;
    case Break::SizeBeyondBuffer: beSet32(&m[MH_SIZE], size + 4); return m;
    case Break::NameOffsetLow: beSet32(&m[MH_NAME_OFFSET], 87); break;
    case Break::NameOffsetHigh: beSet32(&m[MH_NAME_OFFSET], size); break;
    case Break::NameEmpty: beSet32(&m[MH_NAME_OFFSET], size - 4); break;
    case Break::DataNotAligned: beSet32(&m[MH_DATA_OFFSET], 90); break;
    case Break::Parity: m[MH_LANGUAGE] ^= 0x5A; return m;
    case Break::Crc: m[size - 5] ^= 0x01; return m;
    case Break::TrailerPad: m[size - 4] = 0x01; return m;
  }
  // Header mutations keep parity and CRC right, so only the named check fails.
  fixIntegrity(m);
  return m;
}

Bytes imageOf(std::initializer_list<Bytes> parts) {
  Bytes image;
  for (const Bytes& part : parts) image.insert(image.end(), part.begin(), part.end());
  return image;
}

Bytes zeros(size_t n) { return Bytes(n, 0); }

Bytes bytesOf(const std::string& s) { return Bytes(s.begin(), s.end()); }

bool writeFile(const std::string& path, const Bytes& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

Bytes readFile(const std::string& path) {
  Bytes bytes;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return bytes;
  uint8_t chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
  std::fclose(f);
  return bytes;
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "korvane-test-XXXXXX").string();
  if (::mkdtemp(pattern.data())) path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

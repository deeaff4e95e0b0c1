// SPDX-License-Identifier: MIT
#include "tests/support/module_builder.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "pool/be.h"
#include "pool/module_format.h"

Bytes ModuleBuilder::build() const {
  uint32_t nameField = uint32_t(name_.size() + 4) & ~3u;
  uint32_t bodyField = uint32_t(body_.size() + 3) & ~3u;
  uint32_t size =
      MODULE_HEADER_SIZE + gapName_ + nameField + gapBody_ + bodyField + MODULE_TRAILER_SIZE;
  Bytes m(size, 0);
  for (uint32_t i = 8; filler_ && i < MH_PARITY; i++) m[i] = uint8_t(0xA0 + i);
  beSet32(&m[MH_SYNC], MODULE_SYNC);
  beSet32(&m[MH_SIZE], size);
  beSet16(&m[MH_ACCESS], access_);
  m[MH_TYPE] = type_;
  m[MH_LANGUAGE] = language_;
  m[MH_ATTRIBUTE] = attribute_;
  m[MH_REVISION] = revision_;
  beSet16(&m[MH_EDITION], edition_);
  uint32_t nameOffset = MODULE_HEADER_SIZE + gapName_ + (bodyFirst_ ? bodyField + gapBody_ : 0);
  uint32_t dataOffset = bodyFirst_ ? MODULE_HEADER_SIZE : nameOffset + nameField + gapBody_;
  beSet32(&m[MH_NAME_OFFSET], nameOffset);
  beSet32(&m[MH_DATA_OFFSET], dataOffset);
  std::copy(name_.begin(), name_.end(), m.begin() + nameOffset);
  std::copy(body_.begin(), body_.end(), m.begin() + dataOffset);
  fixIntegrity(m);
  return m;
}

void fixIntegrity(Bytes& m) {
  beSet16(&m[MH_PARITY], moduleHeaderParity(m.data()));
  uint32_t size = beGet32(&m[MH_SIZE]);
  beSet32(&m[size - 4], moduleCrc(m.data(), size - 3));
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
  fixIntegrity(m);  // header mutations: only the named check may fail
  return m;
}

Bytes imageOf(std::initializer_list<Bytes> parts) {
  Bytes image;
  for (const Bytes& part : parts) image.insert(image.end(), part.begin(), part.end());
  return image;
}


bool writeFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return bool(out.flush());
}

Bytes readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

WriteLimit::WriteLimit(uint64_t bytes) {
  getrlimit(RLIMIT_FSIZE, &saved_);
  struct rlimit limit = {bytes, saved_.rlim_max};
  signal(SIGXFSZ, SIG_IGN);  // a failed write, not a killed process
  setrlimit(RLIMIT_FSIZE, &limit);
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "korvane-test-XXXXXX").string();
  if (::mkdtemp(pattern.data())) path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

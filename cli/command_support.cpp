#include "cli/command_support.h"

#include <cerrno>
#include <cstdlib>

PoolPtr cliLoadImage(const char* path, FILE* err) {
  char text[POOL_ERROR_SIZE] = "";
  PoolPtr pool(poolLoad(path, text));
  if (!pool) std::fprintf(err, "Error loading file %s: %s\n", path, text);
  return pool;
}

int cliFail(FILE* err, const char* text) {
  std::fprintf(err, "%s\n", text + (text[0] == '\n'));
  return 1;
}

void cliPrintName(FILE* out, const char* name) {
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p; p++) {
    if (*p < 0x20 || *p == 0x7F || *p == '\\')
      std::fprintf(out, "\\x%02X", *p);
    else
      std::fputc(*p, out);
  }
}

bool cliParseIndex(const char* text, const char* what, uint32_t* index, FILE* err) {
  char* end = nullptr;
  errno = 0;
  unsigned long value = text[0] >= '0' && text[0] <= '9' ? std::strtoul(text, &end, 10) : 0;
  if (!end || *end || errno || value > UINT32_MAX) {
    std::fprintf(err, "korvane-cli: invalid %s index '%s'\n", what, text);
    return false;
  }
  *index = uint32_t(value);
  return true;
}

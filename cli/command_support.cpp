// SPDX-License-Identifier: MIT
#include "cli/command_support.h"

#include "pool/file_read.h"
#include "pool/file_save.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

PoolPtr cliLoadImage(const char* path, FILE* err) {
  char text[ERROR_SIZE] = "";
  PoolPtr pool(poolLoad(path, text, sizeof text));
  char shown[1024];
  textEscape(path, shown, sizeof shown);
  if (!pool) std::fprintf(err, "Error loading file %s: %s\n", shown, text);
  return pool;
}

int cliFail(FILE* err, const char* text) {
  std::fprintf(err, "%s\n", text + (text[0] == '\n'));
  return 1;
}

std::string cliShown(const std::string& text) {
  std::string shown(4 * text.size() + 1, '\0');
  textEscape(text.c_str(), shown.data(), shown.size());
  return shown.c_str();
}

void cliPrintName(FILE* out, const char* name) { std::fputs(cliShown(name).c_str(), out); }

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

Module* cliFindModule(ModulePool* pool, const char* text, FILE* err) {
  char* end = nullptr;
  unsigned long index = text[0] >= '0' && text[0] <= '9' ? std::strtoul(text, &end, 10) : 0;
  if (end && !*end && index < poolGetCount(pool)) return poolGet(pool, uint32_t(index));
  for (uint32_t i = 0; i < poolGetCount(pool); i++)
    if (std::strcmp(moduleGetName(poolGet(pool, i)), text) == 0) return poolGet(pool, i);
  char shown[1024];
  textEscape(text, shown, sizeof shown);
  std::fprintf(err, "korvane-cli: no module '%s' in the image (give its index or its name)\n", shown);
  return nullptr;
}

int cliWriteOutput(const char* path, const void* bytes, size_t length, FILE* out, FILE* err) {
  if (std::strcmp(path, "-") == 0) {
    if (length && std::fwrite(bytes, 1, length, out) != length) return 1;  // counted by the caller's flush
    return 0;
  }
  char text[ERROR_SIZE] = "";
  return fileSaveBytes(path, bytes, length, text, sizeof text) ? 0 : cliFail(err, text);
}

uint8_t* cliReadText(const char* path, size_t* length, FILE* err) {
  char text[ERROR_SIZE] = "";
  uint8_t* data = fileReadAll(path, FILE_TEXT_LIMIT, length, text, sizeof text);
  if (!data) std::fprintf(err, "korvane-cli: %s\n", text);
  return data;
}

int cliStoreRefused(FILE* err, Module* module, const char* reason) {
  std::fputs("korvane-cli: ", err);
  cliPrintName(err, moduleGetName(module));
  std::fprintf(err, ": %s\n", reason);
  return 1;
}

int cliSaveImage(ModulePool* pool, const char* path, FILE* out, FILE* err, CliSaveFlags flags) {
  if (poolGetAlignmentOffset(pool))
    return cliFail(err, "Saving files with data alignments not supported yet.");
  char text[ERROR_SIZE] = "";
  PoolSaveOptions options = {};
  options.backup = flags.backup;
  if (!poolSaveWith(pool, path, 1, &options, text, sizeof text)) return cliFail(err, text);
  if (flags.verbose && options.checked) std::fprintf(out, "verified %u modules\n", options.checked);
  if (flags.verbose && options.backupMade[0]) {
    std::fputs("backup: ", out);
    cliPrintName(out, options.backupMade);
    std::fputc('\n', out);
  }
  return 0;
}

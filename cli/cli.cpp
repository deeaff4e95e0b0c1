// korvane-cli commands. Every result goes through the same pool code as the
// editor, and saves use the pool's atomic save, so OUT is never half-written.
#include "cli/cli.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "pool/memory.h"
#include "pool/pool.h"
#include "tabs/modules/module_columns.h"

namespace {

const char HELP[] =
    "Usage: korvane-cli COMMAND ARGUMENTS\n"
    "\n"
    "Works on firmware images of OS-9 style modules, as the Korvane editor does.\n"
    "INDEX is a module's index in the image (the \"#\" column of the list).\n"
    "\n"
    "Commands:\n"
    "  list IMAGE\n"
    "      Print one tab-separated line per module, after a header line:\n"
    "      #, Name, Size, Type, Access, Language, Attribute, Revision, Edition,\n"
    "      Parity, CRC. Control characters and backslashes in names are written\n"
    "      as \\xNN.\n"
    "  check IMAGE\n"
    "      Load and validate the image. Prints \"N modules\" and exits 0, or prints\n"
    "      the loader's error on standard error and exits 1. When modules are\n"
    "      separated by zero padding it also prints\n"
    "      \"Data alignment found at offset 0x........\" (such images cannot be saved).\n"
    "  extract IMAGE INDEX OUT\n"
    "      Write module INDEX alone, as a one-module image, to OUT.\n"
    "  replace IMAGE INDEX MODULEFILE OUT\n"
    "      Replace module INDEX by the first module of MODULEFILE and write the\n"
    "      image to OUT. The new module must have the same sync word and the same\n"
    "      name as the old one.\n"
    "  resave IMAGE OUT\n"
    "      Load the image and write it to OUT with fresh parity and CRC. The copy\n"
    "      is byte-identical when the image had no padding.\n"
    "\n"
    "An existing OUT is replaced; it is written to a temporary file first and\n"
    "only renamed over OUT once complete, so a failure never leaves it\n"
    "half-written.\n"
    "\n"
    "Exit status: 0 on success, 1 when the work failed or was refused, 2 for a\n"
    "malformed command line.\n";

int usage(FILE* err, const char* text) {
  std::fprintf(err, "korvane-cli: %s\nTry 'korvane-cli --help'.\n", text);
  return 2;
}

PoolPtr loadImage(const char* path, FILE* err) {
  char text[POOL_ERROR_SIZE] = "";
  PoolPtr pool(poolLoad(path, text));
  if (!pool) std::fprintf(err, "Error loading file %s: %s\n", path, text);
  return pool;
}

// Parses INDEX strictly (decimal digits only) and checks it against the pool.
bool parseIndex(const char* text, const ModulePool* pool, uint32_t* index, FILE* err) {
  char* end = nullptr;
  errno = 0;
  unsigned long value = text[0] >= '0' && text[0] <= '9' ? std::strtoul(text, &end, 10) : 0;
  if (!end || *end || errno) {
    std::fprintf(err, "korvane-cli: invalid module index '%s'\n", text);
    return false;
  }
  if (value >= poolGetCount(pool)) {
    std::fprintf(err, "korvane-cli: no module %lu; the image has %u modules\n", value,
                 poolGetCount(pool));
    return false;
  }
  *index = uint32_t(value);
  return true;
}

// Saves as the editor's Save File dialog does, minus the dialog: an image
// with padding is refused with the editor's message.
bool saveImage(ModulePool* pool, const char* path, FILE* err) {
  if (poolGetAlignmentOffset(pool)) {
    std::fprintf(err, "Saving files with data alignments not supported yet.\n");
    return false;
  }
  char text[POOL_ERROR_SIZE] = "";
  if (!poolSave(pool, path, 1, text)) {
    std::fprintf(err, "%s\n", text);
    return false;
  }
  return true;
}

void printName(FILE* out, const char* name) {
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p; p++) {
    if (*p < 0x20 || *p == 0x7F || *p == '\\')
      std::fprintf(out, "\\x%02X", *p);
    else
      std::fputc(*p, out);
  }
}

int commandList(const char* image, FILE* out, FILE* err) {
  PoolPtr pool = loadImage(image, err);
  if (!pool) return 1;
  for (int column = 0; column < MC_COUNT; column++)
    std::fprintf(out, "%s%c", MODULE_COLUMN_TITLES[column], column + 1 < MC_COUNT ? '\t' : '\n');
  char text[256];
  for (uint32_t i = 0; i < poolGetCount(pool.get()); i++) {
    Module* m = poolGet(pool.get(), i);
    for (int column = 0; column < MC_COUNT; column++) {
      if (column == MC_NAME) {
        printName(out, moduleGetName(m));
      } else {
        moduleColumnText(m, i, column, text, sizeof text);
        std::fputs(text, out);
      }
      std::fputc(column + 1 < MC_COUNT ? '\t' : '\n', out);
    }
  }
  return 0;
}

int commandCheck(const char* image, FILE* out, FILE* err) {
  char text[POOL_ERROR_SIZE] = "";
  PoolPtr pool(poolLoad(image, text));
  if (!pool) {
    std::fprintf(err, "%s\n", text);
    return 1;
  }
  std::fprintf(out, "%u modules\n", poolGetCount(pool.get()));
  if (uint32_t offset = poolGetAlignmentOffset(pool.get()))
    std::fprintf(out, "Data alignment found at offset 0x%08x\n", offset);
  return 0;
}

int commandExtract(const char* image, const char* indexText, const char* target, FILE* err) {
  PoolPtr pool = loadImage(image, err);
  uint32_t index;
  if (!pool || !parseIndex(indexText, pool.get(), &index, err)) return 1;
  uint32_t length = 0;
  MallocPtr<uint8_t> data(moduleGetData(poolGet(pool.get(), index), &length));
  char text[POOL_ERROR_SIZE] = "";
  PoolPtr single(data ? poolParse(data.get(), length, text) : nullptr);
  if (!single) {
    std::fprintf(err, "%s\n", text);
    return 1;
  }
  return saveImage(single.get(), target, err) ? 0 : 1;
}

int commandReplace(const char* image, const char* indexText, const char* moduleFile,
                   const char* target, FILE* err) {
  PoolPtr pool = loadImage(image, err);
  uint32_t index;
  if (!pool || !parseIndex(indexText, pool.get(), &index, err)) return 1;
  PoolPtr source = loadImage(moduleFile, err);
  if (!source) return 1;
  Module* old = poolGet(pool.get(), index);
  Module* replacement = poolGet(source.get(), 0);
  if (moduleGetField(old, MF_SYNC) != moduleGetField(replacement, MF_SYNC)) {
    std::fprintf(err, "Unable to replace module '%s'\nNew module has different architecture.\n",
                 moduleGetName(old));
    return 1;
  }
  if (std::strcmp(moduleGetName(old), moduleGetName(replacement)) != 0) {
    std::fprintf(err, "Unable to replace module '%s'\nNew module has different name: '%s'.\n",
                 moduleGetName(old), moduleGetName(replacement));
    return 1;
  }
  uint32_t length = 0;
  MallocPtr<uint8_t> data(moduleGetData(replacement, &length));
  if (!data || !moduleSetData(old, data.get(), length)) {
    std::fprintf(err, "Unable to replace module '%s'\n", moduleGetName(old));
    return 1;
  }
  return saveImage(pool.get(), target, err) ? 0 : 1;
}

int commandResave(const char* image, const char* target, FILE* err) {
  PoolPtr pool = loadImage(image, err);
  if (!pool) return 1;
  return saveImage(pool.get(), target, err) ? 0 : 1;
}

}  // namespace

namespace {

int dispatch(int argc, char** argv, FILE* out, FILE* err) {
  if (argc < 2) return usage(err, "missing command");
  std::string command = argv[1];
  int operands = argc - 2;
  char** arg = argv + 2;
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(HELP, out);
    return 0;
  }
  if (command == "list" && operands == 1) return commandList(arg[0], out, err);
  if (command == "check" && operands == 1) return commandCheck(arg[0], out, err);
  if (command == "extract" && operands == 3) return commandExtract(arg[0], arg[1], arg[2], err);
  if (command == "replace" && operands == 4)
    return commandReplace(arg[0], arg[1], arg[2], arg[3], err);
  if (command == "resave" && operands == 2) return commandResave(arg[0], arg[1], err);
  if (command == "list" || command == "check" || command == "extract" || command == "replace" ||
      command == "resave")
    return usage(err, ("wrong number of arguments for '" + command + "'").c_str());
  return usage(err, ("unknown command '" + command + "'").c_str());
}

}  // namespace

int cliRun(int argc, char** argv, FILE* out, FILE* err) {
  int code = dispatch(argc, argv, out, err);
  // Output a script never received (a full disk, a closed pipe) is a failure.
  if (std::fflush(out) != 0 || std::ferror(out)) {
    std::fprintf(err, "korvane-cli: error writing output: %s\n", std::strerror(errno));
    return code ? code : 1;
  }
  return code;
}

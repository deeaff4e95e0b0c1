// SPDX-License-Identifier: MIT
// korvane-cli's mod folder: unpack writes an image out as a folder of
// standard files (every module, and what each editor shows as the files of
// its exchange formats), pack builds the image back, taking each file a
// user changed through the same import as its own command.
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/command_support.h"
#include "cli/editor_module.h"
#include "cli/mod_folder.h"
#include "pool/be.h"
#include "pool/file_read.h"
#include "pool/file_save.h"
#include "pool/module_format.h"

namespace {

int failWith(FILE* err, const std::string& text) {
  std::fprintf(err, "korvane-cli: %s\n", text.c_str());
  return 1;
}

// ----- unpack -----

// Writes a new file below folder, making the folders on its path that
// made (the folders made so far) lacks.
bool fileWriteNew(int folder, const std::string& path, const std::string& bytes,
                  std::set<std::string>* made, std::string* why) {
  for (size_t slash = path.find('/'); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    const std::string parent = path.substr(0, slash);
    if (made->count(parent)) continue;
    if (::mkdirat(folder, parent.c_str(), 0777) != 0 && errno != EEXIST) {
      *why = path + ": " + std::strerror(errno);
      return false;
    }
    made->insert(parent);
  }
  int fd = ::openat(folder, path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  bool ok =
      fd >= 0 && fileWriteAll(fd, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  if (!ok) *why = path + ": " + std::strerror(errno);
  if (fd >= 0 && ::close(fd) != 0 && ok) {
    *why = path + ": " + std::strerror(errno);
    ok = false;
  }
  return ok;
}

void treeRemove(const std::string& path) {
  ::nftw(
      path.c_str(), [](const char* p, const struct stat*, int, struct FTW*) { return ::remove(p); },
      16, FTW_DEPTH | FTW_PHYS);
}

// DIR may be made, or is an empty folder: then it is replaced whole.
bool folderFree(const std::string& dir, std::string* why) {
  struct stat st;
  if (::lstat(dir.c_str(), &st) != 0)
    return errno == ENOENT || (*why = std::strerror(errno), false);
  if (!S_ISDIR(st.st_mode)) return *why = "it exists and is not a folder", false;
  int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return *why = std::strerror(errno), false;
  bool empty = true;
  if (DIR* d = ::fdopendir(fd)) {
    for (struct dirent* e; empty && (e = ::readdir(d));)
      empty = !std::strcmp(e->d_name, ".") || !std::strcmp(e->d_name, "..");
    ::closedir(d);
  } else {
    ::close(fd);
  }
  if (!empty) *why = "it is not empty (unpack writes a new or empty folder)";
  return empty;
}

// Every file of the folder in temp, the manifest last.
bool unpackWrite(ModulePool* pool, int temp, std::string* why, FILE* err) {
  const uint32_t count = poolGetCount(pool);
  const std::vector<ByteUses> cyrillic = editorCyrillicUses(pool);
  std::vector<ManifestModule> manifest;
  std::set<std::string> made;
  for (uint32_t i = 0; i < count; i++) {
    Module* module = poolGet(pool, i);
    const std::string stem = modStem(i, count - 1, moduleGetName(module));
    uint32_t size = 0;
    MallocPtr<uint8_t> data(moduleGetData(module, &size));
    ManifestModule entry;
    entry.index = std::to_string(i);
    entry.mod = {"modules/" + stem + ".mod", modSha256(data.get(), size)};
    if (!fileWriteNew(temp, entry.mod.path, std::string(data.get(), data.get() + size), &made, why))
      return false;
    EditorModule decoded;
    char text[ERROR_SIZE];
    if (editorModuleDecode(pool, module, &decoded, text, sizeof text)) {
      std::string skipped;
      const char* codePage =
          decoded.kind == EDITOR_FONTS ? editorFontCodePage(cyrillic, &decoded) : "CP1252";
      for (const EditorFile& f : editorModuleFiles(&decoded, stem, codePage, &skipped)) {
        if (!fileWriteNew(temp, f.path, f.bytes, &made, why)) return false;
        entry.files.push_back({f.path, modSha256(f.bytes.data(), f.bytes.size())});
      }
      if (!skipped.empty()) std::fputs(("korvane-cli: " + cliShown(skipped)).c_str(), err);
    }
    manifest.push_back(std::move(entry));
  }
  return fileWriteNew(temp, MANIFEST_NAME, manifestWrite(manifest), &made, why);
}

int runUnpack(char** operands, FILE*, FILE* err) {
  std::string dir = operands[1];
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  std::string why;
  if (!folderFree(dir, &why))
    return failWith(err, "cannot unpack into '" + cliShown(dir) + "': " + why);
  PoolPtr pool = cliLoadImage(operands[0], err);
  if (!pool) return 1;
  if (uint32_t offset = poolGetAlignmentOffset(pool.get())) {
    char text[128];
    std::snprintf(text, sizeof text,
                  "Data alignment found at offset 0x%08x: an image with padding cannot be packed "
                  "again",
                  offset);
    return failWith(err, text);
  }
  // Everything goes into a folder of its own beside DIR, synced once and
  // renamed into place: DIR is never seen half-written.
  const size_t slash = dir.rfind('/');
  const std::string parent = slash == std::string::npos ? "." : slash ? dir.substr(0, slash) : "/";
  std::string temp = parent + "/.korvane-unpack-XXXXXX";
  if (!::mkdtemp(temp.data()))
    return failWith(err, "cannot unpack into '" + cliShown(dir) + "': " + std::strerror(errno));
  int folder = ::open(temp.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  bool ok = folder >= 0 && unpackWrite(pool.get(), folder, &why, err);
  if (folder >= 0 && ok && ::syncfs(folder) != 0) why = std::strerror(errno), ok = false;
  if (folder >= 0) ::close(folder);
  if (ok && ::rename(temp.c_str(), dir.c_str()) != 0) why = std::strerror(errno), ok = false;
  if (!ok) {
    treeRemove(temp);
    return failWith(err, "cannot unpack into '" + cliShown(dir) + "': " + cliShown(why));
  }
  return 0;
}

// ----- pack -----

// A .mod file read as replace reads a module file: one module, validated.
// With fix, a module whose header parity or CRC alone is wrong gets both
// computed again, and is named on err.
Module* modRead(const std::string& path, uint8_t* data, size_t length, bool fix, std::string* why,
                FILE* err) {
  int code = moduleValidate(data, length);
  if ((code == ME_PARITY || code == ME_CRC) && fix) {
    const uint32_t size = beGet32(data + MH_SIZE);
    beSet16(data + MH_PARITY, moduleHeaderParity(data));
    data[size - 4] = 0;
    beSet24(data + size - 3, moduleCrc(data, size - 3));
    std::fprintf(err, "korvane-cli: %s: header parity and CRC computed again\n",
                 cliShown(path).c_str());
    code = moduleValidate(data, length);
  }
  if (code != ME_NONE) {
    *why = moduleErrorText(code) + std::string(code == ME_PARITY || code == ME_CRC
                                                   ? " (--fix-integrity computes it again)"
                                                   : "");
    return nullptr;
  }
  if (beGet32(data + MH_SIZE) != length) {
    *why = "bytes follow its module (a .mod file holds one module)";
    return nullptr;
  }
  return moduleCreate(data, length, ARCH_4DAD, nullptr);
}

struct PackFile {
  std::string path;
  MallocPtr<uint8_t> bytes;
  size_t length = 0;
  bool present = false, changed = false;
  const char* data() const { return reinterpret_cast<const char*>(bytes.get()); }
};

bool fileLoad(const std::string& dir, const ManifestFile& f, size_t limit, PackFile* out,
              std::string* why) {
  out->path = f.path;
  const std::string full = dir + "/" + f.path;
  char text[1024];
  errno = 0;
  out->bytes.reset(fileReadAll(full.c_str(), limit, &out->length, text, sizeof text));
  if (!out->bytes)
    return errno == ENOENT || (*why = text, false);  // deleted: the module stays as it is
  out->present = true;
  out->changed = modSha256(out->bytes.get(), out->length) != f.sha;
  return true;
}

// One module of the manifest: its .mod file, then the files of it that
// changed taken in. Returns the module, or null after saying why on err.
Module* packModule(const std::string& dir, const ManifestModule& m, bool fix, bool verbose,
                   FILE* out, FILE* err) {
  std::string why;
  PackFile mod;
  if (!fileLoad(dir, m.mod, POOL_IMAGE_MAX, &mod, &why)) return failWith(err, why), nullptr;
  if (!mod.present)
    return failWith(err, cliShown(m.mod.path) + ": " + std::strerror(ENOENT)), nullptr;
  Module* module = modRead(m.mod.path, mod.bytes.get(), mod.length, fix, &why, err);
  if (!module) return failWith(err, cliShown(m.mod.path) + ": " + why), nullptr;
  // Files are read before anything is decoded: a missing or unreadable one
  // stops the pack as early as it can.
  std::vector<PackFile> changed;
  for (const ManifestFile& f : m.files) {
    PackFile file;
    if (!fileLoad(dir, f, FILE_TEXT_LIMIT, &file, &why))
      return moduleFree(module), failWith(err, why), nullptr;
    if (file.changed) changed.push_back(std::move(file));
  }
  if (changed.empty()) return module;
  if (mod.changed) {
    failWith(err, cliShown(m.mod.path) + " and " + cliShown(changed[0].path) +
                      " both changed: which one is meant cannot be told; take back one of them");
    return moduleFree(module), nullptr;
  }
  EditorModule decoded;
  char text[ERROR_SIZE] = "";
  if (!editorModuleDecode(nullptr, module, &decoded, text, sizeof text)) {
    failWith(err, cliShown(changed[0].path) + ": its module cannot be read: " + text);
    return moduleFree(module), nullptr;
  }
  std::string notes;
  for (const PackFile& f : changed)
    if (!editorModuleRead(&decoded, f.path, f.data(), f.length, &notes, text, sizeof text)) {
      failWith(err, cliShown(f.path) + ": " + text);
      return moduleFree(module), nullptr;
    }
  if (!notes.empty())
    std::fputs(("korvane-cli: " + cliShown(changed[0].path) + ": " + notes).c_str(), err);
  if (!editorModuleStore(&decoded, text, sizeof text)) {
    cliStoreRefused(err, module, text);
    return moduleFree(module), nullptr;
  }
  if (verbose) {
    std::fprintf(out, "module %s ", m.index.c_str());
    cliPrintName(out, moduleGetName(module));
    for (const PackFile& f : changed)
      std::fprintf(out, "%s%s", &f == &changed[0] ? " from " : ", ", cliShown(f.path).c_str());
    std::fputc('\n', out);
  }
  return module;
}

int runPack(char** operands, FILE* out, FILE* err) {
  std::string dir = operands[0];
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  const std::string manifestPath = dir + "/" + MANIFEST_NAME;
  char text[1024] = "";
  size_t length = 0;
  MallocPtr<uint8_t> data(
      fileReadAll(manifestPath.c_str(), FILE_TEXT_LIMIT, &length, text, sizeof text));
  if (!data) return failWith(err, text);
  std::vector<ManifestModule> modules;
  std::string why;
  if (!manifestRead(reinterpret_cast<const char*>(data.get()), length, &modules, &why))
    return failWith(err, cliShown(manifestPath) + ": " + cliShown(why));
  if (modules.empty()) return failWith(err, cliShown(manifestPath) + ": it lists no module");
  PoolPtr pool(poolNew());
  for (const ManifestModule& m : modules) {
    Module* module = packModule(dir, m, operands[2] != nullptr, operands[3] != nullptr, out, err);
    if (!module) return 1;
    poolAdd(pool.get(), module);
  }
  return cliSaveImage(pool.get(), operands[1], out, err, {true, operands[3] != nullptr});
}

}  // namespace

const CliCommand FOLDER_COMMANDS[] = {
    {"unpack", "IMAGE DIR",
     "Write the image out as a folder DIR of standard files (DIR must not exist\n"
     "or be empty): modules/NNN-NAME.mod, every module as extract writes it;\n"
     "for each module an editor shows and can read, strings/NNN-NAME.po (as\n"
     "strings-export), fonts/NNN-NAME.bdf (as font-export, in CP1251 when a\n"
     "CP1251 language module's letters are all drawn by the font),\n"
     "images/NNN-NAME/NNN.EXT (each picture as export writes it) and\n"
     "colors/NNN-NAME.gpl and .items.tsv (as colors-export); and last\n"
     "korvane.manifest, which lists each module's files with the SHA-256 of\n"
     "what was written. NNN is the index; odd bytes of a name are written\n"
     "%XX. The folder is written beside DIR and renamed into place.",
     runUnpack},
    {"pack", "DIR OUT [--fix-integrity] [--verbose]",
     "Build an image from a folder unpack wrote, the modules in the order of\n"
     "korvane.manifest (a line removed drops a module, a new line with a new\n"
     ".mod adds one), and save it to OUT as resave does (read back, OUT.orig\n"
     "kept). A file whose SHA-256 changed is taken through its import (texts\n"
     "all or nothing, BDF, pictures with Replace's checks, palette and items)\n"
     "and stored as its tab stores it; a deleted one leaves its module as the\n"
     ".mod holds it. A .mod whose parity or CRC is wrong is refused, or with\n"
     "--fix-integrity has both computed again (and is named); a module whose\n"
     ".mod and another file both changed is refused. Every refusal names the\n"
     "file (and line); then nothing is written and the exit status is 1.\n"
     "--verbose prints each module taken from an edited file.",
     runPack},
};
const size_t FOLDER_COMMAND_COUNT = sizeof FOLDER_COMMANDS / sizeof FOLDER_COMMANDS[0];

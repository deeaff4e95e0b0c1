// SPDX-License-Identifier: MIT
// Steps the CLI's commands share.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "pool/pool.h"

// Loads an image, or says why not on err and returns null.
PoolPtr cliLoadImage(const char* path, FILE* err);

// Writes text on err as one line and returns 1. The editor's texts begin
// with a newline for its message boxes; a line on standard error does not.
int cliFail(FILE* err, const char* text);

// A name or path with control characters and backslashes written as \xNN,
// so that one name stays one field of one line.
std::string cliShown(const std::string& text);

// Writes a module name as cliShown shows it.
void cliPrintName(FILE* out, const char* name);

// Parses an index strictly: decimal digits only, no sign, no spaces. Says
// "invalid WHAT index" on err and returns false otherwise. Whether the thing
// exists is the caller's check.
bool cliParseIndex(const char* text, const char* what, uint32_t* index, FILE* err);

// A module given on the command line by its index in the image (the "#" of
// the list) or by its name; the first module of that name wins. Says why on
// err and returns null when there is none.
Module* cliFindModule(ModulePool* pool, const char* text, FILE* err);

// Writes an export to path as every output is saved (into a temporary file
// renamed over it; only a regular file or a new one), or to out when path
// is "-". Returns the exit code, saying why on err.
int cliWriteOutput(const char* path, const void* bytes, size_t length, FILE* out, FILE* err);

// Reads an input text (PO, TSV, BDF): a regular file of at most
// FILE_TEXT_LIMIT bytes. Returns it malloc'd with its length, or null after
// saying why on err.
uint8_t* cliReadText(const char* path, size_t* length, FILE* err);

// Says on err that the module cannot take a store ("korvane-cli: NAME:
// REASON", the name escaped) and returns 1.
int cliStoreRefused(FILE* err, Module* module, const char* reason);

// backup: keep NAME.orig of a file the save replaces (resave and replace
// do unless told not to). verbose: print what the check read back and the
// backup made.
struct CliSaveFlags {
  bool backup;
  bool verbose;
};

// Saves as the editor's Save File dialog does, minus the dialog: an image
// with padding is refused with the editor's message. Returns the exit code.
int cliSaveImage(ModulePool* pool, const char* path, FILE* out, FILE* err, CliSaveFlags flags);

// SPDX-License-Identifier: MIT
// korvane-cli's commands as plain records: each subsystem lists its commands
// in one table, and cli.cpp dispatches and writes the help from the tables.
#pragma once

#include <cstddef>
#include <cstdio>

struct CliCommand {
  const char* name;      // "extract"
  // "IMAGE OUT [--commit] [--name VALUE]": the help shows it; the words are
  // the operands the command takes, then its options, a flag or one with a
  // value, in brackets.
  const char* operands;
  const char* help;  // lines of help without indentation, no final newline
  // Runs the command on exactly the operands `operands` names, followed by
  // one slot per option: null when not given, else the flag itself or the
  // option's value. Returns the exit code: 0 on success, 1 when the work
  // failed or was refused.
  int (*run)(char** operands, FILE* out, FILE* err);
  // The exit code when the output cannot be written (0: 1, as for any
  // failure); diff's 2, as diff(1) has it.
  int outputFailureCode = 0;
};

// One table per subsystem.
extern const CliCommand MODULE_COMMANDS[];  // list, check, extract, replace, resave
extern const size_t MODULE_COMMAND_COUNT;
extern const CliCommand COLOR_COMMANDS[];  // colors
extern const size_t COLOR_COMMAND_COUNT;
extern const CliCommand FONT_COMMANDS[];  // fonts
extern const size_t FONT_COMMAND_COUNT;
extern const CliCommand IMAGE_COMMANDS[];  // images, export
extern const size_t IMAGE_COMMAND_COUNT;
extern const CliCommand STRING_COMMANDS[];  // strings
extern const size_t STRING_COMMAND_COUNT;
extern const CliCommand FOLDER_COMMANDS[];  // unpack, pack
extern const size_t FOLDER_COMMAND_COUNT;
extern const CliCommand COMPARE_COMMANDS[];  // diff, carry
extern const size_t COMPARE_COMMAND_COUNT;

// Every table, in help order (defined in cli.cpp).
struct CliTable {
  const CliCommand* commands;
  const size_t* count;  // a pointer: the count is defined in another file
};
extern const CliTable CLI_TABLES[];
extern const size_t CLI_TABLE_COUNT;

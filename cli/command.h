// korvane-cli's commands as plain records: each subsystem lists its commands
// in one table, and cli.cpp dispatches and writes the help from the tables.
#pragma once

#include <cstddef>
#include <cstdio>

struct CliCommand {
  const char* name;      // "extract"
  const char* operands;  // "IMAGE INDEX OUT": the help shows it, and its word
                         // count is the number of operands the command takes
  const char* help;      // lines of help without indentation, no final newline
  // Runs the command on exactly as many operands as `operands` names.
  // Returns the exit code: 0 on success, 1 when the work failed or was refused.
  int (*run)(char** operands, FILE* out, FILE* err);
};

// One table per subsystem.
extern const CliCommand MODULE_COMMANDS[];  // list, check, extract, replace, resave
extern const size_t MODULE_COMMAND_COUNT;

// Every table, in help order (defined in cli.cpp).
struct CliTable {
  const CliCommand* commands;
  const size_t* count;  // a pointer: the count is defined in another file
};
extern const CliTable CLI_TABLES[];
extern const size_t CLI_TABLE_COUNT;

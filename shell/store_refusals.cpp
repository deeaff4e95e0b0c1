// SPDX-License-Identifier: MIT
// Edits a module cannot take: views report them from their stores, and the
// shell says so after the commit, so that no save or quit drops an edit
// without a word.
#include <string>
#include <vector>

#include "pool/file_save.h"
#include "shell/shell.h"
#include "shell/shell_private.h"

namespace {

struct Refusal {
  std::string line;  // "NAME: REASON"
  bool first;        // not told before by its view
};
std::vector<Refusal> refusals;  // of the commit in progress

}  // namespace

void shellStoreRefused(Module* module, const char* reason, bool first) {
  char name[256];
  textEscape(moduleGetName(module), name, sizeof name);
  refusals.push_back({std::string(name) + ": " + reason, first});
}

void shellRefusalsBegin() { refusals.clear(); }

void shellRefusalsShow(bool all) {
  std::string text;
  for (const Refusal& r : refusals)
    if (all || r.first) text += "\n" + r.line;
  refusals.clear();
  if (text.empty()) return;
  char message[SHELL_TEXT_SIZE];
  shellFormatMessage(message,
                     "These edits cannot be stored; each module keeps its previous contents:\n%s",
                     text.c_str());
  showWarning(message);
}

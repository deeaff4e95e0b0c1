// SPDX-License-Identifier: MIT
// The undo and redo history of an editor view.
#include "shell/undo_history.h"

#include <utility>

void UndoHistory::begin(uint32_t run) {
  if (open_ && run && run == run_) return;
  end();
  open_ = true;
  run_ = run;
}

void UndoHistory::note(uint32_t kind, uint32_t key) {
  if (!open_) begin();
  // An import notes every text of a language: a set keeps that linear.
  if (!notedKeys_.insert(uint64_t(kind) << 32 | key).second) return;
  noted_.push_back({kind, key, read_(view_, kind, key), {}});
}

void UndoHistory::end() {
  if (!open_) return;
  UndoStep step;
  for (UndoChange& change : noted_) {
    change.after = read_(view_, change.kind, change.key);
    if (change.after != change.before) step.changes.push_back(std::move(change));
  }
  noted_.clear();
  notedKeys_.clear();
  open_ = false;
  run_ = 0;
  if (step.changes.empty()) return;
  undo_.push_back(std::move(step));
  if (undo_.size() > limit_) undo_.pop_front();
  redo_.clear();
}

const UndoStep* UndoHistory::undo() {
  end();
  if (undo_.empty()) return nullptr;
  redo_.push_back(std::move(undo_.back()));
  undo_.pop_back();
  return &redo_.back();
}

const UndoStep* UndoHistory::redo() {
  end();
  if (redo_.empty()) return nullptr;
  undo_.push_back(std::move(redo_.back()));
  redo_.pop_back();
  return &undo_.back();
}

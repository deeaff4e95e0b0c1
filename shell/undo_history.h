// SPDX-License-Identifier: MIT
// The undo and redo history of one editor view, shared by the Colors,
// Strings and Fonts views. GTK-free, so that it is tested headless.
//
// A view names each thing it edits by a kind and a key of its own (a glyph
// by its code, a palette entry or an item by its number, a text by its entry
// number) and encodes the thing's state as bytes. Before an action changes
// things, the view notes them; when the action is over, the history reads
// them again and keeps those that differ as one step.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <unordered_set>
#include <vector>

// Steps kept per view; the oldest goes beyond it.
enum : size_t { UNDO_STEPS = 256 };

// One thing a step changed, with its state before and after.
struct UndoChange {
  uint32_t kind, key;
  std::string before, after;
};

// The changes of one action, in the order they were noted.
struct UndoStep {
  std::vector<UndoChange> changes;
};

// Reads the state of one thing of the view as it is now.
using UndoStateRead = std::string (*)(void* view, uint32_t kind, uint32_t key);

class UndoHistory {
 public:
  UndoHistory(UndoStateRead read, void* view, size_t limit = UNDO_STEPS)
      : read_(read), view_(view), limit_(limit) {}

  // Starts gathering a step, ending the open one first; but an open step
  // begun with the same non-zero run goes on (a run of key presses on one
  // slider makes one step).
  void begin(uint32_t run = 0);
  // Notes a thing before it changes; opens a step when none is open. A thing
  // noted again in the same step keeps the state it had first.
  void note(uint32_t kind, uint32_t key);
  // Ends the open step: the noted things whose state now differs make one
  // step, which drops every step that could be redone. When nothing differs
  // no step is made and the redo steps stay.
  void end();
  bool isOpen() const { return open_; }

  // Ends the open step, then hands the newest step over to redo and returns
  // it: the view sets every change's thing back to its before state (a
  // thing appears once in a step). Null when there is nothing to undo.
  const UndoStep* undo();
  // The newest undone step, handed back to undo: the view sets every
  // change's thing to its after state. Null when there is nothing to redo.
  const UndoStep* redo();

  size_t undoCount() const { return undo_.size(); }
  size_t redoCount() const { return redo_.size(); }

 private:
  UndoStateRead read_;
  void* view_;
  size_t limit_;
  bool open_ = false;
  uint32_t run_ = 0;
  std::vector<UndoChange> noted_;  // the open step's things, their before states
  std::unordered_set<uint64_t> notedKeys_;
  std::deque<UndoStep> undo_;
  std::vector<UndoStep> redo_;
};

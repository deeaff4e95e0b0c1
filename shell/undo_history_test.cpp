// SPDX-License-Identifier: MIT
#include "shell/undo_history.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// A view of things by kind and key: kind 1 a text, kind 2 a colour.
class History : public testing::Test {
 protected:
  static std::string read(void* view, uint32_t kind, uint32_t key) {
    return (*static_cast<std::map<std::pair<uint32_t, uint32_t>, std::string>*>(view))[{kind, key}];
  }
  void apply(const UndoStep* step, bool after) {
    for (const UndoChange& c : step->changes) state[{c.kind, c.key}] = after ? c.after : c.before;
  }
  void set(uint32_t kind, uint32_t key, const std::string& value) {
    history.note(kind, key);
    state[{kind, key}] = value;
  }
  void edit(uint32_t kind, uint32_t key, const std::string& value) {
    history.begin();
    set(kind, key, value);
    history.end();
  }

  std::map<std::pair<uint32_t, uint32_t>, std::string> state;
  UndoHistory history{read, &state};
};

TEST_F(History, AStepOfSeveralChangesUndoesAndRedoesWhole) {
  history.begin();
  set(1, 7, "a");
  set(2, 7, "red");  // same key, other kind: a thing of its own
  set(1, 7, "b");    // noted again: keeps its first state
  history.note(1, 8);  // noted, not changed: not in the step
  history.end();
  ASSERT_EQ(1u, history.undoCount());
  const UndoStep* step = history.undo();
  ASSERT_EQ(2u, step->changes.size());
  apply(step, false);
  EXPECT_EQ("", (state[{1, 7}] + state[{2, 7}]));
  apply(history.redo(), true);
  EXPECT_EQ("b", (state[{1, 7}]));
  EXPECT_EQ("red", (state[{2, 7}]));
  EXPECT_EQ(nullptr, history.redo());
}

TEST_F(History, ANewEditCutsTheRedoAnEmptyOneDoesNot) {
  edit(1, 1, "one");
  edit(1, 2, "two");
  apply(history.undo(), false);
  edit(1, 1, "one");  // changes nothing: no step, the redo stays
  EXPECT_EQ(1u, history.undoCount());
  EXPECT_EQ(1u, history.redoCount());
  edit(1, 3, "three");
  EXPECT_EQ(nullptr, history.redo());
  apply(history.undo(), false);
  EXPECT_EQ("", (state[{1, 3}]));
  EXPECT_EQ("one", (state[{1, 1}]));
}

TEST_F(History, KeepsTheNewestStepsUpToTheLimit) {
  for (uint32_t i = 0; i <= UNDO_STEPS; i++) edit(1, i, "x");
  while (const UndoStep* step = history.undo()) apply(step, false);
  EXPECT_EQ("x", (state[{1, 0}]));  // the oldest step went
  EXPECT_EQ("", (state[{1, 1}]));
}

}  // namespace

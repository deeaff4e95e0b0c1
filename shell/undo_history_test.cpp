// SPDX-License-Identifier: MIT
#include "shell/undo_history.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// A view of numbered texts; kind 1 is a text, kind 2 a colour of the same key.
struct Things {
  std::map<std::pair<uint32_t, uint32_t>, std::string> state;
  static std::string read(void* view, uint32_t kind, uint32_t key) {
    return static_cast<Things*>(view)->state[{kind, key}];
  }
  void apply(const UndoStep* step, bool after) {
    for (const UndoChange& c : step->changes) state[{c.kind, c.key}] = after ? c.after : c.before;
  }
};

class History : public testing::Test {
 protected:
  // One action: things noted, then changed.
  void edit(uint32_t kind, uint32_t key, const std::string& value) {
    history.begin();
    history.note(kind, key);
    things.state[{kind, key}] = value;
    history.end();
  }
  std::string text(uint32_t key) { return things.state[{1, key}]; }

  Things things;
  UndoHistory history{Things::read, &things};
};

TEST_F(History, AStepOfSeveralChangesUndoesAndRedoesWhole) {
  history.begin();
  history.note(1, 7);
  things.state[{1, 7}] = "a";
  history.note(2, 7);  // same key, other kind: a thing of its own
  things.state[{2, 7}] = "red";
  history.note(1, 7);  // noted again: keeps its first state
  things.state[{1, 7}] = "b";
  history.note(1, 8);  // noted, not changed: not in the step
  history.end();
  ASSERT_EQ(1u, history.undoCount());

  const UndoStep* step = history.undo();
  ASSERT_TRUE(step);
  ASSERT_EQ(2u, step->changes.size());
  EXPECT_EQ("", step->changes[0].before);
  EXPECT_EQ("b", step->changes[0].after);
  things.apply(step, false);
  EXPECT_EQ("", text(7));
  EXPECT_EQ("", (things.state[{2, 7}]));
  things.apply(history.redo(), true);
  EXPECT_EQ("b", text(7));
  EXPECT_EQ("red", (things.state[{2, 7}]));
  EXPECT_EQ(nullptr, history.redo());
}

TEST_F(History, ANewEditCutsTheRedoAnEmptyOneDoesNot) {
  edit(1, 1, "one");
  edit(1, 2, "two");
  things.apply(history.undo(), false);
  edit(1, 1, "one");  // changes nothing: no step, the redo stays
  EXPECT_EQ(1u, history.undoCount());
  EXPECT_EQ(1u, history.redoCount());
  edit(1, 3, "three");
  EXPECT_EQ(0u, history.redoCount());
  EXPECT_EQ(nullptr, history.redo());
  things.apply(history.undo(), false);
  EXPECT_EQ("", text(3));
  EXPECT_EQ("one", text(1));
}

TEST_F(History, KeepsTheNewestStepsUpToTheLimit) {
  for (uint32_t i = 0; i <= UNDO_STEPS; i++) edit(1, i, "x");
  EXPECT_EQ(UNDO_STEPS, history.undoCount());
  while (const UndoStep* step = history.undo()) things.apply(step, false);
  EXPECT_EQ("x", text(0));  // the oldest step went
  EXPECT_EQ("", text(1));
  EXPECT_EQ(UNDO_STEPS, history.redoCount());
}

// Key presses on one slider make one step until another action comes.
TEST_F(History, ARunGoesOnUntilAnotherActionOrUndo) {
  for (const char* value : {"1", "2", "3"}) {
    history.begin(5);
    history.note(2, 0);
    things.state[{2, 0}] = value;
  }
  EXPECT_TRUE(history.isOpen());
  history.begin(6);  // another slider
  history.note(2, 0);
  things.state[{2, 0}] = "4";
  edit(1, 0, "text");  // another action ends that run too
  EXPECT_FALSE(history.isOpen());
  EXPECT_EQ(3u, history.undoCount());
  history.begin(5);
  history.note(2, 0);
  things.state[{2, 0}] = "5";
  things.apply(history.undo(), false);  // ends the open run first
  EXPECT_EQ("4", (things.state[{2, 0}]));
  things.apply(history.undo(), false);
  things.apply(history.undo(), false);
  EXPECT_EQ("3", (things.state[{2, 0}]));
  things.apply(history.undo(), false);
  EXPECT_EQ("", (things.state[{2, 0}]));
}

}  // namespace

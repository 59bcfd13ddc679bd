// Bookmarks and redraw through the view's commands (F9, F5, Alt+F9, Ctrl+L), each under the
// repaint check: marks are bare line numbers of one view, visited in the order they were set.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "EditSupport.h"
#include "RepaintCheck.h"
#include "ViewFakes.h"
#include "base/CommandIds.h"

namespace {

struct BookmarkRig : ViewRig {
  BookmarkRig() : ViewRig(std::vector<std::string>(60, "line")) { view->OnSetFocus(); }
  void Command(int id) {
    ASSERT_TRUE(RepaintsMatch(*view, host, [&] { EXPECT_TRUE(view->OnCommand(id)); })) << id;
    ASSERT_TRUE(PositionsValid(*view)) << id;
  }
  void Mark(int line) {
    view->PlaceCaret(line, 3, false);
    Command(ID_BOOKMARK_SET);
  }
  // F5; where the caret went: a line's start, nothing selected.
  int Jump() {
    Command(ID_BOOKMARK_JUMP);
    EXPECT_EQ(view->Caret().byteIndex, 0);
    EXPECT_FALSE(view->IsSelecting());
    return view->Caret().line;
  }
  std::string Margin(int line) { return Glyphs(Paint(), line - view->Origin().line).substr(0, 2); }
};

TEST(Bookmarks, JumpsFollowTheOrderSetGoRoundAndRestartWhenOneGoes) {
  BookmarkRig rig;
  rig.Command(ID_BOOKMARK_JUMP);  // none: nothing happens
  EXPECT_EQ(rig.view->Caret().line, 0);
  for (int line : {30, 5, 12}) rig.Mark(line);
  std::vector<int> visited;
  for (int i = 0; i < 6; ++i) visited.push_back(rig.Jump());
  EXPECT_EQ(visited, (std::vector<int>{12, 30, 5, 12, 30, 5}));  // the mark just set first
  EXPECT_EQ(rig.view->Origin().line, 5 - rig.view->VisibleLines() / 2);
  EXPECT_EQ(rig.Margin(5), "B.");
  rig.Mark(5);  // gone again: the next jump starts at the first mark, not at 12
  EXPECT_EQ(rig.Margin(5), "..");
  rig.Select(2, 1, 4, 2);
  EXPECT_EQ(rig.Jump(), 30);
  rig.Command(ID_BOOKMARK_CLEAR_ALL);
  rig.Command(ID_BOOKMARK_JUMP);
  EXPECT_EQ(rig.view->Caret().line, 30);
  EXPECT_EQ(rig.Margin(30), "..");
}

// A mark keeps its number whatever happens to the lines; one beyond the text counts as the last
// line and stays drawn in its row, below the text.
TEST(Bookmarks, MarksAreBareLineNumbersOfOneView) {
  BookmarkRig rig;
  FakeViewHost otherHost;
  std::unique_ptr<CVeloView> other = rig.AddView(otherHost);
  rig.Mark(43);
  rig.Select(40, 0, 59, 4);
  rig.Command(ID_EDIT_DELETE);
  ASSERT_EQ(rig.doc.LineCount(), 41);
  EXPECT_EQ(rig.Jump(), 40);
  ASSERT_LE(43 - rig.view->Origin().line, rig.view->VisibleLines());  // the partly shown row
  EXPECT_EQ(rig.Margin(43), "B.");
  other->OnCommand(ID_BOOKMARK_JUMP);
  EXPECT_EQ(other->Caret().line, 0);
}

TEST(Bookmarks, RedrawEndsTheSelectionAndLeavesTheCaretWhereItWas) {
  BookmarkRig rig;
  rig.Select(44, 2, 41, 3);
  rig.Command(ID_REDRAW);
  EXPECT_FALSE(rig.view->IsSelecting());
  EXPECT_EQ(rig.view->Caret().line, 41);
  EXPECT_EQ(rig.view->Caret().byteIndex, 3);
  EXPECT_EQ(rig.view->Origin().line, 41 - rig.view->VisibleLines() / 2);
}

}  // namespace

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

class BookmarkTest : public ::testing::Test {
 protected:
  explicit BookmarkTest(int lines = 60) : rig(Text(lines)) { V().OnSetFocus(); }
  static std::vector<std::string> Text(int lines) {
    std::vector<std::string> text;
    for (int i = 0; i < lines; ++i) text.push_back("line " + std::to_string(i));
    return text;
  }
  CVeloView& V() { return *rig.view; }
  void Command(int id) {
    ASSERT_TRUE(RepaintsMatch(V(), rig.host, [&] { EXPECT_TRUE(V().OnCommand(id)); })) << id;
    ASSERT_TRUE(PositionsValid(V())) << id;
  }
  void MarkLine(int line) {
    V().PlaceCaret(line, 3, false);
    Command(ID_BOOKMARK_SET);
  }
  // F5, then where the caret went: its line, at the line's start, centred in the window.
  int Jump() {
    Command(ID_BOOKMARK_JUMP);
    EXPECT_EQ(V().Caret().byteIndex, 0);
    EXPECT_FALSE(V().IsSelecting());
    return V().Caret().line;
  }

  ViewRig rig;
};

TEST_F(BookmarkTest, JumpsFollowTheOrderMarksWereSetAndGoRound) {
  for (int line : {30, 5, 12}) MarkLine(line);
  EXPECT_EQ(Jump(), 12);  // the mark just set comes first
  EXPECT_EQ(Jump(), 30);
  EXPECT_EQ(V().Origin().line, 30 - V().VisibleLines() / 2);
  EXPECT_EQ(Jump(), 5);
  EXPECT_EQ(Jump(), 12);
  EXPECT_EQ(Jump(), 30);
  EXPECT_EQ(Jump(), 5);
  MarkLine(5);  // taking a mark away starts the round again at the first one, not at 12
  EXPECT_EQ((std::vector<int>(V().Bookmarks().begin(), V().Bookmarks().end())), (std::vector<int>{30, 12}));
  EXPECT_EQ(Jump(), 30);
  EXPECT_EQ(Jump(), 12);
}

TEST_F(BookmarkTest, JumpWithoutMarksDoesNothingAndAJumpEndsTheSelection) {
  rig.Select(2, 1, 4, 2);
  Command(ID_BOOKMARK_JUMP);
  EXPECT_TRUE(V().IsSelecting());
  EXPECT_EQ(V().Caret().line, 4);
  MarkLine(20);
  MarkLine(20);  // set twice: gone
  Command(ID_BOOKMARK_JUMP);
  EXPECT_EQ(V().Caret().line, 20);
  MarkLine(7);
  rig.Select(2, 1, 4, 2);
  EXPECT_EQ(Jump(), 7);
}

// Marks keep their numbers whatever happens to the lines, and one beyond the text counts as the
// last line; a mark stays drawn in its row, also below the text.
TEST_F(BookmarkTest, MarksAreBareLineNumbers) {
  MarkLine(43);
  MarkLine(2);
  rig.Select(0, 0, 3, 0);
  V().InputText("x\r\ny\r\nz\r\nw");  // the lines above both marks are new ones now
  rig.Select(40, 0, 59, 7);
  Command(ID_EDIT_DELETE);
  ASSERT_EQ(rig.doc.LineCount(), 41);
  EXPECT_EQ(Jump(), 2);
  EXPECT_EQ(rig.Glyphs(rig.Paint(), 2 - V().Origin().line).substr(0, 3), "B.z");
  EXPECT_EQ(Jump(), 40);  // 43 is beyond the text: its last line
  const int row = 43 - V().Origin().line;
  ASSERT_LE(row, V().VisibleLines());  // the partly shown row at the bottom
  EXPECT_EQ(rig.Glyphs(rig.Paint(), row).substr(0, 2), "B.");
}

TEST_F(BookmarkTest, ClearingRemovesEveryMarkAndTheirDrawing) {
  MarkLine(1);
  MarkLine(3);
  V().PlaceCaret(0, 0, false);
  EXPECT_EQ(rig.Glyphs(rig.Paint(), 1).substr(0, 1), "B");
  Command(ID_BOOKMARK_CLEAR_ALL);
  EXPECT_TRUE(V().Bookmarks().empty());
  for (int row = 0; row < V().VisibleLines(); ++row)
    EXPECT_EQ(rig.Glyphs(rig.Paint(), row).substr(0, 2), "..");
  Command(ID_BOOKMARK_JUMP);
  EXPECT_EQ(V().Caret().line, 0);
}

TEST_F(BookmarkTest, EachViewHasItsOwnMarks) {
  FakeViewHost otherHost;
  std::unique_ptr<CVeloView> other = rig.AddView(otherHost);
  MarkLine(9);
  EXPECT_TRUE(other->Bookmarks().empty());
  other->OnCommand(ID_BOOKMARK_JUMP);
  EXPECT_EQ(other->Caret().line, 0);
}

TEST_F(BookmarkTest, RedrawEndsTheSelectionAndLeavesTheCaretWhereItWas) {
  rig.Select(44, 2, 41, 3);
  Command(ID_REDRAW);
  EXPECT_FALSE(V().IsSelecting());
  EXPECT_EQ(V().Caret().line, 41);
  EXPECT_EQ(V().Caret().byteIndex, 3);
  EXPECT_EQ(V().Origin().line, 41 - V().VisibleLines() / 2);
}

}  // namespace

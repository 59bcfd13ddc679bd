// Edit operations through the real view, beyond what the model test checks after every step:
// where the window goes after an undo, positioning by line number, a clipboard that refuses
// text, and remembered places, columns and widths kept true when the text or the tab width
// changes under them.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "EditSupport.h"
#include "RepaintCheck.h"
#include "ViewFakes.h"
#include "base/CommandIds.h"

namespace {

using Lines = std::vector<std::string>;

Lines Numbered(int count, const std::string& tail) {
  Lines lines;
  for (int i = 0; i < count; ++i) lines.push_back("l" + std::to_string(i) + tail);
  return lines;
}

// A step whose caret ends strictly inside the window only brings the caret into view; one that
// ends on the first visible row or outside the window centres the caret line.
TEST(Edit, TheWindowFollowsAnUndoneStep) {
  ViewRig rig(Numbered(100, ""), 12, 6);
  CVeloView& v = *rig.view;
  v.GoToLine(50, 0);
  v.OnTypedText("ab");
  const int first = v.Origin().line;
  v.Undo();
  EXPECT_EQ(v.Origin().line, first);

  v.OnTypedText("cd");
  v.OnVScroll(ScrollAction::ThumbPosition, 50);  // the step's line is the window's first
  ASSERT_EQ(v.Origin().line, 50);
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] { v.Undo(); }));
  EXPECT_EQ(v.Origin().line, 47);
  v.OnTypedText("ef");
  v.GoToLine(90, 0);
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] { v.Undo(); }));
  EXPECT_EQ(v.Caret().line, 50);
  EXPECT_EQ(v.Origin().line, 47);
}

// The walk to a line may start from either end of the document, the caret or the window's first
// line; whichever it takes, it must arrive at the line with that number (PositionsValid).
TEST(Edit, GoToLineClampsAndCentresTheLine) {
  ViewRig rig(Numbered(5000, kKanji5C), 12, 6);
  CVeloView& v = *rig.view;
  for (int target : {2500, 2490, 4990, 10, 4999, 0, 3000, 2999, -7, 1 << 30}) {
    v.GoToLine(target, 1);
    ASSERT_TRUE(PositionsValid(v)) << target;
    EXPECT_EQ(v.Caret().line, std::clamp(target, 0, 4999));
    EXPECT_EQ(v.Origin().line, std::clamp(target - 3, 0, 4996));
  }
  v.GoToLine(7, 3);  // inside the kanji: on to its end
  EXPECT_EQ(v.Caret().byteIndex, 4);
  EXPECT_EQ(v.DesiredColumn(), 4);
  v.GoToLine(7, 99);
  EXPECT_EQ(v.Caret().byteIndex, 4);
  rig.Select(0, 0, 0, 2);  // the selection stays where it was, for typing to replace
  v.GoToLine(1, 2);
  v.OnTypedText("X");
  EXPECT_EQ(LinesOf(rig.doc)[0], "X" + kKanji5C);
}

// Typing after a lone lead byte at the line end pairs it with the new byte: the start of the
// first visible column that painting found there is no longer a character start.
TEST(Edit, AnEditThatPairsALoneLeadBytePaintsThePair) {
  const std::string line = "abcdefghijklmno\x95";
  ViewRig rig({line});
  rig.view->GoToLine(0, 16);
  rig.view->OnHScroll(ScrollAction::ThumbPosition, 16);
  rig.Paint();
  rig.view->OnChar('A');
  ViewRig fresh({line + "A"});
  fresh.view->GoToLine(0, 17);
  fresh.view->OnHScroll(ScrollAction::ThumbPosition, 16);
  ASSERT_EQ(rig.view->Origin().column, 16);
  ASSERT_EQ(fresh.view->Origin().column, 16);
  EXPECT_EQ(fresh.Glyphs(fresh.Paint(), 0), "..>.........");
  EXPECT_EQ(rig.Cells().Difference(rig.Paint(), fresh.Paint()), "");
}

// Text the clipboard did not take stays in the document: cutting it would lose it.
TEST(Edit, CutKeepsTheTextWhenTheClipboardRefusesIt) {
  ViewRig rig({"abcdef"});
  CVeloView& v = *rig.view;
  rig.host.clipboard = "old";
  rig.host.clipboardWorks = false;
  rig.Select(0, 1, 0, 4);
  v.OnCommand(ID_EDIT_CUT);
  EXPECT_EQ(LinesOf(rig.doc), Lines{"abcdef"});
  EXPECT_TRUE(v.IsSelecting());
  EXPECT_TRUE(v.UndoList().empty());
  EXPECT_EQ(rig.host.clipboard, "old");
  EXPECT_EQ(rig.host.waitDepth, 0);
}

// Another view changed the tab width: this view's stored columns are counted again before a
// command or a paint counts from them.
TEST(Edit, ATabWidthChangedElsewhereIsPickedUp) {
  const std::string line = "\t\tabcdefghijklmnop";
  ViewRig rig({line, "x"});
  FakeViewHost otherHost;
  auto other = rig.AddView(otherHost);
  CVeloView& v = *rig.view;
  v.GoToLine(0, 10);  // after "abcdefgh": column 24 with tabs of 8
  ASSERT_EQ(v.Caret().column, 24);
  other->ApplyTabSize(4);
  ViewRig fresh({line, "x"});
  fresh.view->ApplyTabSize(4);
  for (CVeloView* view : {&v, fresh.view.get()}) {
    view->UpdateScrollBars(true);
    view->OnHScroll(ScrollAction::ThumbPosition, 20);
    ASSERT_EQ(view->Origin().column, 20);
  }
  EXPECT_EQ(fresh.Glyphs(fresh.Paint(), 0), ".." + line.substr(14) + "......");
  EXPECT_EQ(rig.Cells().Difference(rig.Paint(), fresh.Paint()), "");
  v.OnCommand(ID_CHAR_RIGHT);
  EXPECT_EQ(v.Caret().column, 17);
  EXPECT_TRUE(PositionsValid(v));
}

// The horizontal range measures the visible lines. A long line is measured once and remembered;
// any change to it, or above it, must be measured again.
TEST(Edit, TheScrollRangeFollowsALongLineThatChanges) {
  ViewRig rig({std::string(70000, 'a'), "x", "y"});
  CVeloView& v = *rig.view;
  FakeViewHost otherHost;
  auto other = rig.AddView(otherHost);
  // The widest line as the scroll bar's range shows it, a quarter of the window beyond.
  auto widest = [&] { return rig.host.hBar.range.max - v.VisibleColumns() / 4; };
  v.GoToLine(1, 1);
  EXPECT_EQ(widest(), 70000);
  v.OnTypedText("q");  // beside the long line: measured or remembered, the same width
  EXPECT_EQ(widest(), 70000);
  other->GoToLine(0, 70000);
  other->OnTypedText("xyz");
  EXPECT_EQ(widest(), 70003);
  v.GoToLine(0, 0);
  v.OnDelete();
  v.GoToLine(2, 0);
  EXPECT_EQ(widest(), 70002);
  v.OnTypedText("\t");
  EXPECT_EQ(widest(), 70002);
  other->GoToLine(0, 0);
  other->OnTypedText("\t");  // a tab before everything: 8 columns more
  EXPECT_EQ(widest(), 70010);
  other->InputText("\r\n");  // the long line, without the tab, moves down a line
  v.ApplyTabSize(8);
  EXPECT_EQ(widest(), 70002);
  EXPECT_TRUE(PositionsValid(v));
}

}  // namespace

// The caret in its window, scrolling and the scroll bars.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "EditSupport.h"
#include "ViewFakes.h"
#include "base/CommandIds.h"

namespace {

std::vector<std::string> NumberedLines(int count, int width = 3) {
  std::vector<std::string> lines;
  for (int i = 0; i < count; ++i) {
    lines.push_back(std::to_string(i));
    lines.back().resize(std::max<std::size_t>(lines.back().size(), static_cast<std::size_t>(width)), '.');
  }
  return lines;
}

// The window jumps a quarter of its width and half its height at a time, as few times as it takes.
TEST(ViewScroll, TheWindowJumpsToTheCaret) {
  ViewRig rig(NumberedLines(1000, 100));  // 12 columns, 5 lines: the caret may use columns 0 to 10
  CVeloView& v = *rig.view;
  const struct {
    int line, byte, originLine, originColumn;
  } steps[] = {{0, 10, 0, 0}, {0, 11, 0, 3},    {0, 90, 0, 81},   {0, 79, 0, 78}, {0, 1, 0, 0},
               {5, 0, 2, 0},  {900, 0, 896, 0}, {895, 0, 894, 0}, {0, 0, 0, 0}};
  for (const auto& s : steps) {
    v.PlaceCaret(s.line, s.byte, false);
    v.EnsureCaretVisible(false);
    EXPECT_EQ(v.Origin().line, s.originLine) << s.line << ", " << s.byte;
    EXPECT_EQ(v.Origin().column, s.originColumn) << s.line << ", " << s.byte;
    EXPECT_TRUE(PositionsValid(v));
  }
}

TEST(ViewScroll, TinyWindowsStillBringTheCaretIntoView) {
  for (int columns : {0, 1, 2, 3, 4}) {
    for (int height : {0, 10, 16, 20, 32}) {
      ViewRig rig(NumberedLines(30, 40), columns, 0, height);
      CVeloView& v = *rig.view;
      for (auto [line, byte] : {std::pair{29, 39}, {0, 0}, {15, 20}, {15, 2}, {3, 39}}) {
        v.PlaceCaret(line, byte, false);
        v.EnsureCaretVisible(true);
        const std::string at = std::to_string(columns) + "x" + std::to_string(height);
        const TextPos& caret = v.Caret();
        const TextPos& origin = v.Origin();
        EXPECT_LE(origin.column, caret.column) << at;
        EXPECT_LE(origin.line, caret.line) << at;
        EXPECT_GE(origin.line + std::max(v.VisibleLines(), 1), caret.line + 1) << at;
        if (v.VisibleColumns() >= 2) {
          EXPECT_LE(caret.column, origin.column + v.VisibleColumns() - 2) << at;
        }
        EXPECT_TRUE(PositionsValid(v)) << at;
      }
      // The scroll steps, too, come to an end.
      v.OnVScroll(ScrollAction::PageDown, 0);
      v.OnHScroll(ScrollAction::PageRight, 0);
      v.CenterCaret();
    }
  }
}

// The window's caret: a bar, or a block in overwrite mode, made once per focus, one pixel left of
// its cell but never in the margin, with the input method and the status following it.
TEST(ViewScroll, CaretShapePlaceAndFocus) {
  ViewRig rig({"abc", "\tdef"});
  CVeloView& v = *rig.view;
  v.OnSetFocus();
  EXPECT_EQ(rig.host.caretShape, (Point{2, 16}));
  EXPECT_EQ(rig.host.caretHides, 0);
  EXPECT_EQ(rig.host.caretPos, (Point{16, 0}));  // at column 0 the pixel left is the margin's
  v.PlaceCaret(1, 2, false);
  v.UpdateCaret();
  EXPECT_EQ(rig.host.caretCreations, 1);
  EXPECT_EQ(rig.host.status, "2: 10");
  EXPECT_EQ(rig.host.caretPos, (Point{16 + 9 * 8 - 1, 16}));
  EXPECT_EQ(rig.host.imePos, rig.host.caretPos);
  v.OnCommand(ID_TOGGLE_OVERWRITE);
  EXPECT_EQ(rig.host.caretShape, (Point{8, 16}));
  v.OnKillFocus();
  EXPECT_EQ(rig.host.caretHides, 1);
  v.OnCommand(ID_TOGGLE_OVERWRITE);
  EXPECT_EQ(rig.host.caretCreations, 2);  // no caret without the focus
  v.OnSetFocus();
  EXPECT_EQ(rig.host.caretShape, (Point{2, 16}));
  EXPECT_EQ(rig.host.caretCreations, 3);
}

TEST(ViewScroll, ScrollingMovesCaretAndWindowTogether) {
  ViewRig rig(NumberedLines(40, 6));
  CVeloView& v = *rig.view;
  v.PlaceCaret(2, 4, false);
  v.ScrollDown(3, false);
  EXPECT_EQ(v.Origin().line, 3);
  EXPECT_EQ(v.Caret().line, 5);  // the caret keeps its row
  EXPECT_EQ(v.Caret().column, 4);
  v.ScrollUp(10, false);  // the window stops first, the caret goes on to line 0
  EXPECT_EQ(v.Origin().line, 0);
  EXPECT_EQ(v.Caret().line, 0);
}

// The thumb position travels as 16 bits: the bar counts several lines a unit past 32767 lines.
TEST(ViewScroll, VerticalScaleKeepsTheBarBelow32768) {
  ViewRig rig(NumberedLines(70000, 1));
  CVeloView& v = *rig.view;
  v.UpdateVScrollBar(true);
  EXPECT_TRUE(rig.host.vBar.rangeSet);
  EXPECT_EQ(rig.host.vBar.range, (ScrollRange{0, 23333, 1}));  // a page of 5 lines / 3
  v.OnVScroll(ScrollAction::ThumbTrack, 100);
  EXPECT_EQ(v.Origin().line, 300);
  EXPECT_EQ(rig.host.vBar.pos, 100);
  v.OnVScroll(ScrollAction::ThumbPosition, 23333);
  EXPECT_EQ(v.Origin().line, 69999);
  EXPECT_EQ(v.Caret().line, 69999);
  rig.Select(69999, 0, 69999, 1);  // dragging the thumb with a selection extends it
  v.OnVScroll(ScrollAction::ThumbTrack, 0);
  EXPECT_EQ(v.Origin().line, 0);
  EXPECT_TRUE(v.IsSelecting());
  EXPECT_EQ(v.SelAnchor().line, 69999);
  EXPECT_EQ(v.SelEnd().line, 0);
  EXPECT_TRUE(PositionsValid(v));
}

TEST(ViewScroll, HorizontalScrollStaysWithinTheMeasuredWidth) {
  ViewRig rig({"short", std::string(30, 'w'), "x"});
  CVeloView& v = *rig.view;
  v.UpdateScrollBars(true);
  EXPECT_EQ(rig.host.hBar.range, (ScrollRange{0, 30 + 12 / 4, 12}));  // the widest line, 30
  const struct {
    ScrollAction action;
    int pos, column;
  } steps[] = {{ScrollAction::ThumbTrack, 500, 30},
               {ScrollAction::LineLeft, 0, 28},
               {ScrollAction::PageLeft, 0, 16},
               {ScrollAction::ThumbTrack, -7, 0},
               {ScrollAction::LineLeft, 0, 0}};
  for (const auto& s : steps) {
    v.OnHScroll(s.action, s.pos);
    EXPECT_EQ(v.Origin().column, s.column) << static_cast<int>(s.action) << " " << s.pos;
  }
  EXPECT_EQ(v.Caret().byteIndex, 0);  // the caret's text position never moves

  ViewRig narrow({"ab"});  // narrower than the window: the window's width is the limit
  narrow.view->UpdateHScrollBar(true);
  EXPECT_EQ(narrow.host.hBar.range.max, 12 + 12 / 4);
  narrow.view->OnHScroll(ScrollAction::ThumbTrack, 500);
  EXPECT_EQ(narrow.view->Origin().column, 12);
}

}  // namespace

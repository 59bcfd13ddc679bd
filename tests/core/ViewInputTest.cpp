// The view's mouse capture, zoom and input-method entry points. Clicks, drags and wheel steps
// on the text are cases in tests/data/edit.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EditSupport.h"
#include "RepaintCheck.h"
#include "ViewFakes.h"
#include "base/CommandIds.h"

namespace {

// A press captures the mouse until the release, whatever the keys; Shift does not extend.
TEST(ViewInput, ThePressCapturesUntilTheReleaseAndShiftDoesNotExtend) {
  ViewRig rig({"abcdef", "ghijkl"});
  CVeloView& v = *rig.view;
  v.OnMouseMove(Point{40, 20});  // no button down: nothing
  EXPECT_EQ(v.Caret().byteIndex, 0);
  rig.host.shiftDown = true;
  v.OnLButtonDown(Point{16 + 3 * 8, 4});
  EXPECT_TRUE(v.IsMouseTracking());
  EXPECT_EQ(rig.host.captures, 1);
  EXPECT_FALSE(v.IsSelecting());
  EXPECT_EQ(v.Caret().byteIndex, 3);
  v.OnLButtonUp(Point{16 + 3 * 8, 4});
  EXPECT_FALSE(v.IsMouseTracking());
  EXPECT_EQ(rig.host.captures, 0);
  v.OnMouseMove(Point{16, 20});
  EXPECT_EQ(v.Caret().line, 0);
  v.OnLButtonUp(Point{});  // a stray release gives nothing back
  EXPECT_EQ(rig.host.captures, 0);
}

// Steps of 2 between 12 and 24; at a limit nothing is made again. Every step brings the
// metrics, the caret's shape, the scroll ranges and the input method's font along.
TEST(ViewInput, ZoomStaysBetweenItsLimitsAndEverythingFollowsTheFont) {
  ViewRig rig({"abc", "def", "ghi"}, 30, 10);
  CVeloView& v = *rig.view;
  rig.host.metricsFollowFont = true;
  v.OnSetFocus();
  const int made = rig.host.fontsMade;
  for (int expected : {20, 22, 24, 24, 24}) {
    EXPECT_TRUE(v.OnCommand(ID_ZOOM_IN));
    EXPECT_EQ(v.LogFont().height, expected);
  }
  EXPECT_EQ(rig.host.fontsMade, made + 3);
  EXPECT_EQ(v.LineHeight(), 24);
  EXPECT_EQ(v.CharWidth(), 12);
  EXPECT_EQ(v.MarginWidth(), 24);
  EXPECT_EQ(v.VisibleLines(), rig.host.client.Height() / 24);
  EXPECT_EQ(v.VisibleColumns(), rig.host.client.Width() / 12);
  EXPECT_EQ(rig.host.caretShape, (Point{2, 24}));
  EXPECT_EQ(rig.host.imeFont, v.LogFont());
  EXPECT_TRUE(rig.host.vBar.rangeSet);
  EXPECT_EQ(rig.host.vBar.range.page, v.VisibleLines());

  // Ctrl+wheel: toward the user down to 12 and no further, away back up to 24 in six steps.
  rig.host.ctrlDown = true;
  for (int i = 0; i < 7; ++i) v.OnMouseWheel(-120);
  EXPECT_EQ(v.LogFont().height, 12);
  const int atSmallest = rig.host.fontsMade;
  v.OnMouseWheel(-120);
  EXPECT_EQ(rig.host.fontsMade, atSmallest);
  for (int i = 0; i < 6; ++i) v.OnMouseWheel(120);
  EXPECT_EQ(v.LogFont().height, 24);
  v.OnMouseWheel(120);
  EXPECT_EQ(v.LogFont().height, 24);
  EXPECT_EQ(v.Origin().line, 0) << "zooming does not scroll";

  // The default is made again even when it is the size already.
  EXPECT_TRUE(v.OnCommand(ID_ZOOM_DEFAULT));
  EXPECT_EQ(v.LogFont().height, 18);
  const int atDefault = rig.host.fontsMade;
  v.ZoomDefault();
  EXPECT_EQ(rig.host.fontsMade, atDefault + 1);
  EXPECT_TRUE(v.OnCommand(ID_ZOOM_OUT));
  EXPECT_EQ(v.LogFont().height, 16);
}

// The caret stays in view when a bigger font leaves fewer lines and columns.
TEST(ViewInput, ZoomingInKeepsTheCaretInView) {
  std::vector<std::string> lines(40, std::string(60, 'x'));
  ViewRig rig(lines, 30, 10);
  CVeloView& v = *rig.view;
  rig.host.metricsFollowFont = true;
  v.PlaceCaret(9, 25, false);
  v.EnsureCaretVisible(false);
  ASSERT_EQ(v.Origin().line, 0);
  v.ZoomIn();
  v.ZoomIn();
  v.ZoomIn();
  EXPECT_LE(v.Origin().line, 9);
  EXPECT_LT(9, v.Origin().line + v.VisibleLines());
  EXPECT_LE(v.Caret().column, v.Origin().column + v.VisibleColumns() - 2);
  EXPECT_TRUE(PositionsValid(v));
}

// Finished text goes in as typed text does: whole, one step, over the selection. A span of
// the caret line is replaced instead when the input method reconverts, never overwritten past.
TEST(ViewInput, FinishedInputMethodTextGoesInWholeAndReplacesWhatItShould) {
  const std::string hyo = kKanji5C, nihon = "\x93\xFA\x96\x7B";
  ViewRig rig({"abc" + hyo + "def"});
  CVeloView& v = *rig.view;
  v.PlaceCaret(0, 3, false);
  ASSERT_TRUE(RepaintsMatch(v, rig.host, [&] { v.OnImeComposition(nihon); }));
  EXPECT_EQ(LinesOf(rig.doc)[0], "abc" + nihon + hyo + "def");
  EXPECT_EQ(v.Caret().byteIndex, 7);
  EXPECT_EQ(v.UndoList().size(), 1u);

  // Reconversion: 日本表 (bytes 3 to 9) becomes X; a span edge inside a character widens.
  v.ToggleOverwrite();
  ASSERT_TRUE(RepaintsMatch(v, rig.host, [&] { v.OnImeComposition("X", CVeloView::LineSpan{4, 9}); }));
  EXPECT_EQ(LinesOf(rig.doc)[0], "abcXdef");
  EXPECT_EQ(v.Caret().byteIndex, 4);
  EXPECT_EQ(v.UndoList().size(), 3u);
  // An empty text with a span deletes it; a span beyond the line stops at its end.
  v.OnImeComposition("", CVeloView::LineSpan{5, 100});
  EXPECT_EQ(LinesOf(rig.doc)[0], "abcXd");
  v.OnImeComposition("", CVeloView::LineSpan{2, 2});
  EXPECT_EQ(LinesOf(rig.doc)[0], "abcXd");
  EXPECT_EQ(v.Caret().byteIndex, 2);
  EXPECT_TRUE(PositionsValid(v));
  for (int i = 0; i < 4; ++i) v.Undo();
  EXPECT_EQ(LinesOf(rig.doc)[0], "abc" + hyo + "def");
}

// Single characters: a pair as one character, a byte as a typed key, no character at all
// dropped.
TEST(ViewInput, SingleCharactersFromTheInputMethod) {
  ViewRig rig({""});
  CVeloView& v = *rig.view;
  v.OnImeChar(0x955C);  // 表
  v.OnImeChar('a');
  v.OnImeChar(0x0D);
  v.OnImeChar(0x8100);  // a lead byte with a NUL
  v.OnImeChar(0x4142);  // no lead byte
  v.OnImeChar(0x1B);
  v.OnImeChar(0x10000);
  EXPECT_EQ(LinesOf(rig.doc), (std::vector<std::string>{kKanji5C + "a", ""}));
  EXPECT_EQ(v.UndoList().size(), 3u);
}

}  // namespace

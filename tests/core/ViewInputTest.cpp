// The view's mouse capture, zoom and input-method entry points. Clicks, drags and wheel steps
// on the text are cases in tests/data/edit.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EditSupport.h"
#include "ViewFakes.h"
#include "base/CommandIds.h"

namespace {

TEST(ViewInput, ThePressCapturesUntilTheReleaseAndShiftDoesNotExtend) {
  ViewRig rig({"abcdef", "ghijkl"});
  CVeloView& v = *rig.view;
  rig.host.shiftDown = true;
  v.OnLButtonDown(Point{16 + 3 * 8, 4});
  EXPECT_EQ(rig.host.captures, 1);
  EXPECT_FALSE(v.IsSelecting());
  v.OnLButtonUp(Point{});
  v.OnLButtonUp(Point{});  // a stray release gives nothing back
  EXPECT_EQ(rig.host.captures, 0);
  v.OnMouseMove(Point{16, 20});  // no button down: nothing
  EXPECT_EQ(v.Caret().line, 0);
  EXPECT_EQ(v.Caret().byteIndex, 3);
}

// Steps of 2 between 12 and 24, by command or Ctrl+wheel; at a limit nothing is made again.
// Metrics, caret, scroll ranges and the input method's font follow, the caret stays in view.
TEST(ViewInput, ZoomStaysBetweenItsLimitsAndEverythingFollowsTheFont) {
  ViewRig rig(std::vector<std::string>(40, std::string(60, 'x')), 30, 10);
  CVeloView& v = *rig.view;
  rig.host.metricsFollowFont = true;
  v.OnSetFocus();
  v.PlaceCaret(9, 25, false);
  const int made = rig.host.fontsMade;
  for (int expected : {20, 22, 24, 24}) {
    EXPECT_TRUE(v.OnCommand(ID_ZOOM_IN));
    EXPECT_EQ(v.LogFont().height, expected);
  }
  EXPECT_EQ(rig.host.fontsMade, made + 3);
  EXPECT_EQ((std::vector<int>{v.LineHeight(), v.CharWidth(), v.MarginWidth(), v.VisibleLines()}),
            (std::vector<int>{24, 12, 24, rig.host.client.Height() / 24}));
  EXPECT_EQ(rig.host.caretShape, (Point{2, 24}));
  EXPECT_EQ(rig.host.imeFont, v.LogFont());
  EXPECT_EQ(rig.host.vBar.range.page, v.VisibleLines());
  EXPECT_LT(v.Caret().line, v.Origin().line + v.VisibleLines());
  EXPECT_LE(v.Caret().column, v.Origin().column + v.VisibleColumns() - 2);

  rig.host.ctrlDown = true;
  for (int i = 0; i < 7; ++i) v.OnMouseWheel(-120);
  EXPECT_EQ(v.LogFont().height, 12);
  for (int i = 0; i < 6; ++i) v.OnMouseWheel(120);
  EXPECT_EQ(v.LogFont().height, 24);
  EXPECT_TRUE(PositionsValid(v));
  // The default is made again even at the default size.
  v.ZoomDefault();
  const int atDefault = rig.host.fontsMade;
  EXPECT_TRUE(v.OnCommand(ID_ZOOM_DEFAULT));
  EXPECT_EQ(rig.host.fontsMade, atDefault + 1);
}

// A reconverted span edge inside a character widens onto it; overwrite mode does not reach
// past the span. Single characters: a pair whole, a byte ("a", CR) as a typed key, codes that
// are no character dropped.
TEST(ViewInput, InputMethodSpansAndSingleCharacters) {
  ViewRig rig({"abc" + kKanji5C + "def"});
  CVeloView& v = *rig.view;
  v.ToggleOverwrite();
  v.OnImeComposition("X", CVeloView::LineSpan{4, 5});
  EXPECT_EQ(LinesOf(rig.doc), std::vector<std::string>{"abcXdef"});
  v.Undo();
  v.Undo();
  EXPECT_EQ(LinesOf(rig.doc), std::vector<std::string>{"abc" + kKanji5C + "def"});

  ViewRig chars({""});
  for (int code : {0x955C, 0x61, 0x0D, 0x8100, 0x4142, 0x1B, 0x10000}) chars.view->OnImeChar(code);
  EXPECT_EQ(LinesOf(chars.doc), (std::vector<std::string>{kKanji5C + "a", ""}));
  EXPECT_EQ(chars.view->UndoList().size(), 3u);
}

}  // namespace

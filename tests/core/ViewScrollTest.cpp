// Caret placement, scrolling and the scroll bars of the editor view.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ViewFakes.h"

namespace {

std::vector<std::string> NumberedLines(int count, int width = 3) {
  std::vector<std::string> lines;
  lines.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    std::string s = std::to_string(i);
    while (static_cast<int>(s.size()) < width) s += '.';
    lines.push_back(s);
  }
  return lines;
}

// The origin must stand on a live line with its true number.
void ExpectOriginConsistent(const ViewRig& rig) {
  EXPECT_EQ(rig.view->origin.node, rig.PosAt(rig.view->origin.line, 0).node)
      << "origin line " << rig.view->origin.line;
}

TEST(ViewCaret, EnsureCaretVisibleJumpsAQuarterOfTheWidth) {
  ViewRig rig({std::string(100, 'a')});  // 12 columns: the caret may use columns 0 to 10
  CVeloView& v = *rig.view;
  v.caret = rig.PosAt(0, 10);
  rig.host.ClearLog();
  v.EnsureCaretVisible(false);
  EXPECT_EQ(v.origin.column, 0);
  EXPECT_FALSE(rig.host.InvalidatedAll());

  v.caret = rig.PosAt(0, 11);  // one past the right edge
  v.EnsureCaretVisible(false);
  EXPECT_EQ(v.origin.column, 3);
  EXPECT_TRUE(rig.host.InvalidatedAll());

  v.caret = rig.PosAt(0, 90);  // far right: whole quarters, just enough
  v.EnsureCaretVisible(false);
  EXPECT_EQ(v.origin.column, 81);
  v.caret = rig.PosAt(0, 79);  // one left of the view
  v.EnsureCaretVisible(false);
  EXPECT_EQ(v.origin.column, 78);
  v.caret = rig.PosAt(0, 1);
  v.EnsureCaretVisible(false);
  EXPECT_EQ(v.origin.column, 0);  // never below 0
}

TEST(ViewCaret, EnsureCaretVisibleJumpsHalfTheHeight) {
  ViewRig rig(NumberedLines(1000));  // 5 whole lines
  CVeloView& v = *rig.view;
  v.caret = rig.PosAt(5, 0);  // one below the last visible line
  v.EnsureCaretVisible(false);
  EXPECT_EQ(v.origin.line, 2);
  v.caret = rig.PosAt(900, 0);
  v.EnsureCaretVisible(false);
  EXPECT_EQ(v.origin.line, 896);  // steps of 2 from line 2 until line 900 is within 5 lines
  ExpectOriginConsistent(rig);
  v.caret = rig.PosAt(895, 0);  // one above
  v.EnsureCaretVisible(false);
  EXPECT_EQ(v.origin.line, 894);
  v.caret = rig.PosAt(0, 0);
  v.EnsureCaretVisible(false);
  EXPECT_EQ(v.origin.line, 0);
  ExpectOriginConsistent(rig);
}

TEST(ViewCaret, TinyWindowsStillBringTheCaretIntoView) {
  for (int columns : {0, 1, 2, 3, 4}) {
    for (int height : {0, 10, 16, 20, 32}) {
      ViewRig rig(NumberedLines(30, 40), columns, 0, height);
      CVeloView& v = *rig.view;
      for (auto [line, byte] : {std::pair{29, 39}, {0, 0}, {15, 20}, {15, 2}, {3, 39}}) {
        v.caret = rig.PosAt(line, byte);
        v.EnsureCaretVisible(true);
        EXPECT_LE(v.origin.column, v.caret.column) << columns << "x" << height;
        EXPECT_LE(v.origin.line, v.caret.line);
        EXPECT_GE(v.origin.line + std::max(v.visibleLines, 1), v.caret.line + 1) << columns << "x" << height;
        if (v.visibleColumns >= 2) {
          EXPECT_LE(v.caret.column, v.origin.column + v.visibleColumns - 2);
        }
        ExpectOriginConsistent(rig);
      }
      // The scroll steps, too, make progress.
      v.OnVScroll(SB_PAGEDOWN, 0);
      v.OnHScroll(SB_PAGERIGHT, 0);
      v.CenterCaret();
    }
  }
}

TEST(ViewCaret, CaretShapeStatusAndFocus) {
  ViewRig rig({"abc", "\tdef"});
  CVeloView& v = *rig.view;
  rig.host.ClearLog();
  v.OnSetFocus();
  EXPECT_EQ(rig.host.caretShape, (Point{2, 16}));
  EXPECT_EQ(rig.host.showCalls, rig.host.hideCalls);  // every hide has its show
  EXPECT_TRUE(rig.host.HasScrollInfo(ScrollBarKind::Vertical));
  ASSERT_FALSE(rig.host.paintLog.empty());
  EXPECT_TRUE(rig.host.paintLog.back().erase);
  EXPECT_EQ(rig.host.statusTexts.back(), "1: 1");

  v.caret = rig.PosAt(1, 2);
  v.UpdateCaret();  // created once per focus
  EXPECT_EQ(rig.host.caretCreations, 1);
  EXPECT_EQ(rig.host.statusTexts.back(), "2: 10");
  EXPECT_EQ(rig.host.caretPos, (Point{16 + 9 * 8 - 1, 16}));
  EXPECT_EQ(rig.host.imePos, rig.host.caretPos);

  v.OnKillFocus();
  EXPECT_FALSE(v.hasFocus);
  EXPECT_EQ(rig.host.hideCalls, rig.host.showCalls + 1);
  v.overwriteMode = true;
  v.OnSetFocus();
  EXPECT_EQ(rig.host.caretShape, (Point{8, 16}));  // one cell in overwrite mode
  EXPECT_EQ(rig.host.caretCreations, 2);
}

TEST(ViewScroll, ScrollDownAndUpMoveCaretAndViewTogether) {
  ViewRig rig(NumberedLines(40, 6));
  CVeloView& v = *rig.view;
  v.caret = rig.PosAt(2, 4);
  v.desiredColumn = 4;
  v.ScrollDown(3, false);
  EXPECT_EQ(v.origin.line, 3);
  EXPECT_EQ(v.caret.line, 5);  // the caret keeps its row
  EXPECT_EQ(v.caret.column, 4);
  v.ScrollUp(10, false);  // the view stops first, the caret goes on to line 0
  EXPECT_EQ(v.origin.line, 0);
  EXPECT_EQ(v.caret.line, 0);
  ExpectOriginConsistent(rig);
  v.ScrollUp(1, false);
  EXPECT_EQ(v.caret.line, 0);
}

TEST(ViewScroll, PageDownInAShortDocumentBringsTheLastLineToTheTop) {
  ViewRig rig({"a", "bb", "ccc", "dddd", "eeeee"}, 12, 20, 0);
  CVeloView& v = *rig.view;
  v.desiredColumn = 3;
  rig.host.ClearLog();
  v.ScrollDown(v.visibleLines, false);
  EXPECT_EQ(v.caret.line, 4);
  EXPECT_EQ(v.caret.column, 3);
  EXPECT_EQ(v.origin.line, 4);
  ASSERT_FALSE(rig.host.paintLog.empty());
  EXPECT_EQ(rig.host.paintLog.front().kind, PaintRequest::kScroll);
  EXPECT_EQ(rig.host.paintLog.front().dy, -4 * 16);

  rig.host.ClearLog();
  v.ScrollDown(1, false);  // nothing left to scroll
  EXPECT_EQ(v.origin.line, 4);
  EXPECT_EQ(v.caret.line, 4);
  for (const PaintRequest& r : rig.host.paintLog) EXPECT_NE(r.kind, PaintRequest::kScroll);
}

TEST(ViewScroll, ScrollingWithExtendGrowsTheSelection) {
  ViewRig rig(NumberedLines(40));
  CVeloView& v = *rig.view;
  v.caret = rig.PosAt(1, 1);
  v.ScrollDown(5, true);
  EXPECT_TRUE(v.selecting);
  EXPECT_EQ(v.selAnchor.line, 1);
  EXPECT_EQ(v.selEnd.line, 6);
  v.ScrollDown(5, true);
  EXPECT_EQ(v.selAnchor.line, 1);  // the anchor stays where extending began
  EXPECT_EQ(v.selEnd.line, 11);
  v.ScrollUp(1, false);  // a plain scroll ends it
  EXPECT_FALSE(v.selecting);
}

TEST(ViewScroll, VerticalScaleKeepsTheBarBelow32768) {
  ViewRig rig(NumberedLines(70000, 1));
  CVeloView& v = *rig.view;
  v.UpdateVScrollBar(true);
  EXPECT_EQ(v.vScrollScale, 3);
  const ScrollInfo bar = rig.host.LastScroll(ScrollBarKind::Vertical);
  EXPECT_EQ(bar.mask, kScrollRange | kScrollPage | kScrollPos | kScrollDisableNoScroll);
  EXPECT_EQ(bar.nMin, 0);
  EXPECT_EQ(bar.nMax, 23333);
  EXPECT_EQ(bar.nPage, 1u);  // 5 lines / 3

  v.OnVScroll(SB_THUMBTRACK, 100);
  EXPECT_EQ(v.origin.line, 300);
  EXPECT_EQ(rig.host.LastScroll(ScrollBarKind::Vertical).nPos, 100);
  ExpectOriginConsistent(rig);
  v.OnVScroll(SB_THUMBPOSITION, 23333);
  EXPECT_EQ(v.origin.line, 69999);
  EXPECT_EQ(v.caret.line, 69999);
  v.OnVScroll(SB_THUMBTRACK, 0);
  EXPECT_EQ(v.origin.line, 0);

  v.UpdateVScrollBar(false);  // position only, with the stored scale
  EXPECT_EQ(rig.host.LastScroll(ScrollBarKind::Vertical).mask, kScrollPos | kScrollDisableNoScroll);
}

TEST(ViewScroll, ThumbDragWithASelectionExtendsIt) {
  ViewRig rig(NumberedLines(100));
  CVeloView& v = *rig.view;
  v.UpdateScrollBars(true);
  rig.Select(0, 0, 0, 1);
  v.caret = v.selEnd;
  v.OnVScroll(SB_THUMBTRACK, 20);
  EXPECT_EQ(v.origin.line, 20);
  EXPECT_TRUE(v.selecting);
  EXPECT_EQ(v.selEnd.line, 20);
  EXPECT_EQ(v.selAnchor.line, 0);
  v.OnVScroll(SB_ENDSCROLL, 0);  // ignored
  EXPECT_EQ(v.origin.line, 20);
}

TEST(ViewScroll, HorizontalScrollStaysWithinTheMeasuredWidth) {
  ViewRig rig({"short", std::string(30, 'w'), "x"});
  CVeloView& v = *rig.view;
  v.UpdateScrollBars(true);
  EXPECT_EQ(v.widestLine, 30);
  ScrollInfo bar = rig.host.LastScroll(ScrollBarKind::Horizontal);
  EXPECT_EQ(bar.nMax, 30 + 12 / 4);
  EXPECT_EQ(bar.nPage, 12u);

  v.OnHScroll(SB_THUMBTRACK, 500);
  EXPECT_EQ(v.origin.column, 30);
  v.OnHScroll(SB_LINELEFT, 0);
  EXPECT_EQ(v.origin.column, 28);
  v.OnHScroll(SB_PAGELEFT, 0);
  EXPECT_EQ(v.origin.column, 16);
  v.OnHScroll(SB_THUMBTRACK, -7);
  EXPECT_EQ(v.origin.column, 0);
  v.OnHScroll(SB_LINELEFT, 0);
  EXPECT_EQ(v.origin.column, 0);
  EXPECT_EQ(v.caret.byteIndex, 0);  // the caret's text position never moves
  EXPECT_EQ(rig.host.LastScroll(ScrollBarKind::Horizontal).mask, kScrollPos | kScrollDisableNoScroll);

  rig.SetLines({"ab"});  // narrower than the window: the window's width is the limit
  v.caret = v.origin = rig.PosAt(0, 0);
  v.UpdateHScrollBar(true);
  EXPECT_EQ(v.widestLine, 12);
}

TEST(ViewScroll, CenterCaretPutsTheCaretLineMidWindow) {
  ViewRig rig(NumberedLines(100, 60), 12, 10, 0);
  CVeloView& v = *rig.view;
  v.UpdateScrollBars(true);  // the horizontal limit comes from the measured lines
  v.caret = rig.PosAt(50, 40);
  v.CenterCaret();
  EXPECT_EQ(v.origin.line, 45);
  EXPECT_EQ(v.origin.column, 34);
  ExpectOriginConsistent(rig);
  v.caret = rig.PosAt(2, 0);
  v.CenterCaret();
  EXPECT_EQ(v.origin.line, 0);
  EXPECT_EQ(v.origin.column, 0);
}

}  // namespace

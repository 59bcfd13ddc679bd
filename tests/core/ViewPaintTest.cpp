// What the editor view paints, read back cell by cell from the fake surface's picture, and that
// every change of its state invalidates what changed: a picture kept up to date from the view's
// own scrolls and invalidations must equal a full repaint. The rig's window is 12 cells wide (2 of
// them the margin) and 5 rows and half a row high; cells are 8 × 16 pixels. Backgrounds: k Bk,
// s SelBk, m Margin, g Ground. Text colours: t Text, x SelText.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "EditSupport.h"
#include "RepaintCheck.h"
#include "ViewFakes.h"
#include "base/CommandIds.h"

namespace {

TEST(ViewPaint, TextTabsKanjiMarginAndGround) {
  ViewRig rig({"ab\tc", "x" + kKanji9F + "b" + kKanji5C});
  const Picture pic = rig.Paint();
  EXPECT_EQ(rig.Glyphs(pic, 0), "..ab......c.");
  EXPECT_EQ(rig.Backs(pic, 0), "mmkkkkkkkkkg");  // the tab's gap in the text background
  EXPECT_EQ(rig.Fores(pic, 0), "..tt......t.");
  EXPECT_EQ(rig.Glyphs(pic, 1), "..x<>b<>....");
  EXPECT_EQ(rig.Backs(pic, 1), "mmkkkkkkgggg");
  for (int row = 2; row <= 5; ++row) {  // below the last line, the half row included
    EXPECT_EQ(rig.Glyphs(pic, row), "............") << row;
    EXPECT_EQ(rig.Backs(pic, row), "mmgggggggggg") << row;
  }
}

TEST(ViewPaint, SelectionsInEitherDirection) {
  ViewRig rig({"abcd", "efgh", "", "ijkl"});
  const Picture plain = rig.Paint();
  rig.Select(0, 2, 0, 2);  // empty: nothing shows
  EXPECT_EQ(rig.Cells().Difference(rig.Paint(), plain), "");

  rig.Select(0, 2, 3, 1);
  const Picture forward = rig.Paint();
  EXPECT_EQ(rig.Backs(forward, 0), "mmkksssggggg");  // "cd" and the selected break
  EXPECT_EQ(rig.Fores(forward, 0), "..ttxx......");
  EXPECT_EQ(rig.Backs(forward, 1), "mmsssssggggg");
  EXPECT_EQ(rig.Fores(forward, 1), "..xxxx......");
  EXPECT_EQ(rig.Backs(forward, 2), "mmsggggggggg");  // an empty line shows just its break
  EXPECT_EQ(rig.Backs(forward, 3), "mmskkkgggggg");  // the last line: no break cell
  EXPECT_EQ(rig.Fores(forward, 3), "..xttt......");
  rig.Select(3, 1, 0, 2);
  EXPECT_EQ(rig.Cells().Difference(rig.Paint(), forward), "");

  rig.Select(0, 2, 1, 0);  // ending at a line start: nothing of that line
  const Picture toLineStart = rig.Paint();
  EXPECT_EQ(rig.Backs(toLineStart, 0), "mmkksssggggg");
  EXPECT_EQ(rig.Backs(toLineStart, 1), "mmkkkkgggggg");
  rig.Select(0, 2, 1, 4);  // ending at a line end: all of that line, no break cell
  EXPECT_EQ(rig.Backs(rig.Paint(), 1), "mmssssgggggg");
}

// Puts a bookmark on each of lines.
void SetBookmarks(CVeloView& view, std::initializer_list<int> lines) {
  for (int line : lines) {
    view.PlaceCaret(line, 0, false);
    view.ToggleBookmark();
  }
  view.PlaceCaret(0, 0, false);
}

TEST(ViewPaint, BookmarkMarksIncludingThePartlyVisibleRow) {
  std::vector<std::string> lines = {"abc", "def", "ghi"};
  lines.resize(41);
  ViewRig rig(lines);
  SetBookmarks(*rig.view, {1, 5, 6, 40, 7});  // 5 is the half row; 6 and 40 are out of the window
  SetBookmarks(*rig.view, {7});               // set twice: gone again
  rig.Select(2, 3, 40, 0);
  rig.view->OnCommand(ID_EDIT_DELETE);  // the marks of lines that went stay with their numbers
  ASSERT_EQ(rig.doc.LineCount(), 3);
  const Picture pic = rig.Paint();
  EXPECT_EQ(rig.Glyphs(pic, 1), "B.def.......");
  EXPECT_EQ(rig.Backs(pic, 1), "kmkkkggggggg");
  EXPECT_EQ(rig.Fores(pic, 1), "t.ttt.......");
  EXPECT_EQ(rig.Glyphs(pic, 5), "B...........");
  for (int row : {0, 2, 3, 4}) EXPECT_EQ(rig.Backs(pic, row).substr(0, 2), "mm") << row;
  rig.view->OnVScroll(ScrollAction::LineDown, 0);  // the marks follow the scroll: line 6 on the half row
  ASSERT_EQ(rig.view->Origin().line, 1);
  EXPECT_EQ(rig.Glyphs(rig.Paint(), 5), "B...........");
}

TEST(ViewPaint, HorizontalScrollThroughATabOrADoubleByteCharacter) {
  ViewRig rig({"abcdefgh\tXY", "a" + kKanji9F + "bc"}, 14);
  rig.view->UpdateScrollBars(true);
  auto scrollTo = [&](int column) {
    rig.view->OnHScroll(ScrollAction::ThumbPosition, column);
    ASSERT_EQ(rig.view->Origin().column, column);
  };
  scrollTo(9);  // inside the tab (columns 8 to 15) and past the kanji
  Picture pic = rig.Paint();
  EXPECT_EQ(rig.Glyphs(pic, 0), ".........XY...");
  EXPECT_EQ(rig.Backs(pic, 0), "mmkkkkkkkkkggg");
  EXPECT_EQ(rig.Backs(pic, 1), "mmgggggggggggg");
  scrollTo(2);  // the kanji's second cell: drawn from its start, under the margin
  pic = rig.Paint();
  EXPECT_EQ(rig.Glyphs(pic, 1), "..>bc.........");
  EXPECT_EQ(rig.Backs(pic, 1), "mmkkkggggggggg");
  rig.settings.tabSize = 4;  // stops stay on multiples of the tab width whatever the scroll
  scrollTo(3);
  EXPECT_EQ(rig.Glyphs(rig.Paint(), 0), "..defgh....XY.");
}

// A long line costs what the window shows, not what the line holds.
TEST(ViewPaint, AtMostOneByteMoreThanTheVisibleColumnsPerRow) {
  std::string longLine;
  for (int i = 0; i < 400; ++i) longLine += static_cast<char>('a' + i % 26);
  ViewRig rig({longLine, longLine, std::string(20, '\t')});
  rig.view->UpdateScrollBars(true);
  rig.view->OnHScroll(ScrollAction::ThumbPosition, 37);
  int maxBytes = 0;
  Picture pic = rig.Paint(&maxBytes);
  EXPECT_LE(maxBytes, rig.view->VisibleColumns() + 1);
  EXPECT_EQ(rig.Glyphs(pic, 0).substr(2), longLine.substr(37, 10));
  rig.Select(0, 100, 1, 300);  // a selection ending far right of the window
  pic = rig.Paint(&maxBytes);
  EXPECT_LE(maxBytes, rig.view->VisibleColumns() + 1);
  EXPECT_EQ(rig.Backs(pic, 0), "mmkkkkkkkkkk");
  EXPECT_EQ(rig.Backs(pic, 1), "mmssssssssss");
  rig.view->OnHScroll(ScrollAction::ThumbPosition, 395);  // now its end is in the window
  ASSERT_EQ(rig.view->Origin().column, 395);
  EXPECT_EQ(rig.Backs(rig.Paint(), 0), "mmssssssgggg");
}

// Lines of many widths with tabs and kanji, bookmarks and the focus.
struct RepaintRig : ViewRig {
  static std::vector<std::string> Text() {
    std::vector<std::string> out;
    for (int i = 0; i < 60; ++i) {
      std::string s = std::to_string(i) + ":";
      for (int k = 0; k < i % 17; ++k) s += (k % 5 == 4) ? '\t' : static_cast<char>('a' + k);
      out.push_back(i % 3 ? s : s + kKanji5C + kKanji9F);
    }
    return out;
  }
  RepaintRig() : ViewRig(Text(), 14, 6, 8) {
    SetBookmarks(*view, {0, 3, 7, 12, 40});
    view->OnSetFocus();
  }
};

TEST(ViewPaint, TheCheckNoticesAMissedRepaint) {
  RepaintRig rig;
  CVeloView& v = *rig.view;
  EXPECT_FALSE(RepaintsMatch(v, rig.host, [&] { rig.settings.tabSize = 3; }));
  EXPECT_FALSE(RepaintsMatch(v, rig.host, [&] { rig.settings.colors[ColorTable::Margin] = 0x123456; }));
  // Pixels moved without repainting the strip they uncover.
  EXPECT_FALSE(RepaintsMatch(v, rig.host, [&] { rig.host.ScrollContent(0, -16); }));
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [] {}));
}

// Random scrolls of every kind, with and without a selection to extend, caret jumps, focus and
// display settings, and selections made and extended by placing the caret.
TEST(ViewPaint, RandomOperationSequences) {
  RepaintRig rig;
  CVeloView& v = *rig.view;
  std::mt19937 rng(7);
  auto pick = [&](std::size_t n) { return static_cast<int>(rng() % n); };
  auto jump = [&] { v.PlaceCaret(pick(60), pick(30), false); };
  const std::function<void()> ops[] = {[&] { v.ScrollDown(pick(9), pick(2)); },
                                       [&] { v.ScrollUp(pick(9), pick(2)); },
                                       [&] { v.OnHScroll(static_cast<ScrollAction>(pick(6)), pick(20)); },
                                       [&] { v.OnVScroll(static_cast<ScrollAction>(pick(6)), pick(60)); },
                                       [&] { jump(), v.EnsureCaretVisible(pick(2)); },
                                       [&] { jump(), v.CenterCaret(); },
                                       [&] { v.ApplyTabSize(1 + pick(9)); },
                                       [&] { v.OnKillFocus(); },
                                       [&] { v.OnSetFocus(); },
                                       [&] { v.OnDocumentChanged(nullptr); },
                                       [&] {
                                         ColorTable colors = rig.settings.colors;
                                         colors[pick(ColorTable::Count)] =
                                             static_cast<Color>(rng() & 0xFFFFFF);
                                         v.ApplyColors(colors);
                                       },
                                       [&] {
                                         if (pick(4) > 0)
                                           rig.Select(pick(60), pick(9), pick(60), 2);
                                         else
                                           v.PlaceCaret(pick(60), pick(9), pick(2));
                                       }};
  for (int step = 0; step < 250; ++step) {
    const int op = pick(std::size(ops));
    ASSERT_TRUE(RepaintsMatch(v, rig.host, ops[op])) << "step " << step << " op " << op;
    ASSERT_TRUE(PositionsValid(v)) << "step " << step << " op " << op;
  }
}

}  // namespace

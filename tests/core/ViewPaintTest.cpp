// What the editor view paints, read back cell by cell from the fake surface's picture.
// The rig's window is 12 cells wide (2 of them the margin) and 5 whole rows plus half a row high;
// cells are 8 × 16 pixels.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ViewFakes.h"

namespace {

// Backgrounds: k Bk, s SelBk, m Margin, g Ground. Text colours: t Text, x SelText.

TEST(ViewPaint, UnselectedTextMarginAndGround) {
  ViewRig rig({"ab\tc", "x"});
  const Picture pic = rig.Paint();
  EXPECT_EQ(rig.Glyphs(pic, 0), "..ab......c.");
  EXPECT_EQ(rig.Backs(pic, 0), "mmkkkkkkkkkg");  // the tab's gap in the text background
  EXPECT_EQ(rig.Fores(pic, 0), "..tt......t.");
  EXPECT_EQ(rig.Glyphs(pic, 1), "..x.........");
  EXPECT_EQ(rig.Backs(pic, 1), "mmkggggggggg");
  for (int row = 2; row <= 5; ++row) {  // below the last line, the half row included
    EXPECT_EQ(rig.Glyphs(pic, row), "............") << row;
    EXPECT_EQ(rig.Backs(pic, row), "mmgggggggggg") << row;
  }
}

TEST(ViewPaint, DoubleByteCharactersTakeTwoCells) {
  ViewRig rig({"a" + kKanji9F + "b" + kKanji5C});
  const Picture pic = rig.Paint();
  EXPECT_EQ(rig.Glyphs(pic, 0), "..a<>b<>....");
  EXPECT_EQ(rig.Backs(pic, 0), "mmkkkkkkgggg");
}

TEST(ViewPaint, SelectionOverSeveralLinesInEitherDirection) {
  ViewRig rig({"abcd", "efgh", "ijkl", "mnop"});
  rig.Select(0, 2, 2, 1);
  const Picture forward = rig.Paint();
  EXPECT_EQ(rig.Backs(forward, 0), "mmkksssggggg");  // "cd" and the selected break
  EXPECT_EQ(rig.Fores(forward, 0), "..ttxx......");
  EXPECT_EQ(rig.Backs(forward, 1), "mmsssssggggg");
  EXPECT_EQ(rig.Fores(forward, 1), "..xxxx......");
  EXPECT_EQ(rig.Backs(forward, 2), "mmskkkgggggg");  // the last line: no break cell
  EXPECT_EQ(rig.Fores(forward, 2), "..xttt......");
  EXPECT_EQ(rig.Backs(forward, 3), "mmkkkkgggggg");
  EXPECT_EQ(rig.Glyphs(forward, 1), "..efgh......");

  rig.Select(2, 1, 0, 2);  // made backwards
  const Picture backward = rig.Paint();
  EXPECT_EQ(DescribeDifference(backward, forward, 8, 16, rig.settings.colors), "");
  EXPECT_EQ(rig.view->selAnchor.line, 2);  // painting leaves the fields alone

  rig.Select(0, 2, 1, 0);  // ends at the start of a line: nothing of that line, no cell
  const Picture toLineStart = rig.Paint();
  EXPECT_EQ(rig.Backs(toLineStart, 0), "mmkksssggggg");
  EXPECT_EQ(rig.Backs(toLineStart, 1), "mmkkkkgggggg");
}

TEST(ViewPaint, EmptySelectionsAndEmptyLines) {
  ViewRig rig({"abcd", "", "ef"});
  const Picture plain = rig.Paint();
  rig.Select(0, 2, 0, 2);
  EXPECT_EQ(DescribeDifference(rig.Paint(), plain, 8, 16, rig.settings.colors), "");

  rig.Select(0, 4, 2, 1);
  const Picture pic = rig.Paint();
  EXPECT_EQ(rig.Backs(pic, 0), "mmkkkksggggg");  // only the break of line 0
  EXPECT_EQ(rig.Backs(pic, 1), "mmsggggggggg");  // an empty line shows just its break
  EXPECT_EQ(rig.Backs(pic, 2), "mmskgggggggg");
}

TEST(ViewPaint, BookmarkMarksIncludingThePartlyVisibleRow) {
  ViewRig rig({"abc", "def", "ghi"});
  rig.view->bookmarks = {1, 5, 6, 40};  // 5 is the half row; 6 and 40 are out of the window
  const Picture pic = rig.Paint();
  EXPECT_EQ(rig.Glyphs(pic, 1), "B.def.......");
  EXPECT_EQ(rig.Backs(pic, 1), "kmkkkggggggg");
  EXPECT_EQ(rig.Fores(pic, 1), "t.ttt.......");
  EXPECT_EQ(rig.Glyphs(pic, 5), "B...........");  // beyond the last line still marked
  for (int row : {0, 2, 3, 4}) EXPECT_EQ(rig.Backs(pic, row).substr(0, 2), "mm") << row;

  rig.view->origin = rig.PosAt(1, 0);  // the marks follow the scroll
  const Picture scrolled = rig.Paint();
  EXPECT_EQ(rig.Glyphs(scrolled, 0), "B.def.......");
  EXPECT_EQ(rig.Glyphs(scrolled, 4), "B...........");
  EXPECT_EQ(rig.Glyphs(scrolled, 5), "B...........");  // line 6 on the half row now
}

TEST(ViewPaint, HorizontalScrollThroughATab) {
  ViewRig rig({"abcdefgh\tXY"}, 14);
  rig.view->origin.column = 9;  // the tab covers columns 8 to 15
  const Picture pic = rig.Paint();
  // The tab starts one cell under the margin; X is drawn 16 - 9 = 7 cells right of the margin.
  EXPECT_EQ(rig.Glyphs(pic, 0), ".........XY...");
  EXPECT_EQ(rig.Backs(pic, 0), "mmkkkkkkkkkggg");

  rig.settings.tabSize = 4;  // stops stay on multiples of the tab width whatever the scroll
  rig.view->origin.column = 3;
  const Picture four = rig.Paint();
  EXPECT_EQ(rig.Glyphs(four, 0), "..defgh....XY.");  // the tab covers columns 8 to 11
}

TEST(ViewPaint, HorizontalScrollThroughADoubleByteCharacter) {
  ViewRig rig({"a" + kKanji9F + "bc"});  // the kanji covers columns 1 and 2
  rig.view->origin.column = 2;
  const Picture pic = rig.Paint();
  // Drawn from its true start: its left half is under the margin, which covers it.
  EXPECT_EQ(rig.Glyphs(pic, 0), "..>bc.......");
  EXPECT_EQ(rig.Backs(pic, 0), "mmkkkggggggg");

  rig.view->origin.column = 10;  // a line shorter than the scroll: margin and ground only
  const Picture past = rig.Paint();
  EXPECT_EQ(rig.Glyphs(past, 0), "............");
  EXPECT_EQ(rig.Backs(past, 0), "mmgggggggggg");
}

TEST(ViewPaint, SelectedBreakOfALineScrolledOutOfView) {
  ViewRig rig({"abc", "defghijk"});
  rig.Select(0, 1, 1, 2);
  rig.view->origin.column = 3;  // line 0 ends exactly at the first visible column
  const Picture pic = rig.Paint();
  EXPECT_EQ(rig.Backs(pic, 0), "mmsggggggggg");
  rig.view->origin.column = 4;  // its break cell is under the margin
  const Picture further = rig.Paint();
  EXPECT_EQ(rig.Backs(further, 0), "mmgggggggggg");
  EXPECT_EQ(rig.Backs(further, 1), "mmkkkkgggggg");
}

TEST(ViewPaint, ClipBoxCoveringPartOfTheWindow) {
  ViewRig rig({"one", "two", "three", "four", "five", "six", "seven"});
  rig.view->bookmarks = {0, 3};
  const Picture full = rig.Paint();
  const Rect clip{20, 40, 60, 88};
  Picture part(full.Width(), full.Height());
  const ViewRig::PaintStats stats = rig.PaintInto(part, clip);
  // Rows start with the first one reaching into the clip box.
  EXPECT_EQ(stats.rowsCopied, (std::vector<int>{32, 48, 64, 80}));
  for (int y = 0; y < full.Height(); ++y)
    for (int x = 0; x < full.Width(); ++x) {
      const bool inside = x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom;
      ASSERT_EQ(part.At(x, y) == full.At(x, y), inside) << x << ", " << y;
    }
}

TEST(ViewPaint, AtMostOneByteMoreThanTheVisibleColumnsPerRow) {
  std::string longLine;
  for (int i = 0; i < 400; ++i) longLine += static_cast<char>('a' + i % 26);
  ViewRig rig({longLine, longLine, "\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t"});
  rig.view->origin.column = 37;
  Picture pic(rig.host.client.Width(), rig.host.client.Height());
  ViewRig::PaintStats stats = rig.PaintInto(pic, rig.host.client);
  EXPECT_LE(stats.maxBytesPerRow, rig.view->visibleColumns + 1);
  EXPECT_EQ(rig.Glyphs(pic, 0).substr(2), longLine.substr(37, 10));

  rig.Select(0, 100, 1, 300);  // selection ends far right of the window
  stats = rig.PaintInto(pic, rig.host.client);
  EXPECT_LE(stats.maxBytesPerRow, rig.view->visibleColumns + 1);
  EXPECT_EQ(rig.Backs(pic, 0), "mmkkkkkkkkkk");
  EXPECT_EQ(rig.Backs(pic, 1), "mmssssssssss");
  rig.view->origin.column = 395;  // the selection's end is now on screen
  stats = rig.PaintInto(pic, rig.host.client);
  EXPECT_EQ(rig.Backs(pic, 0), "mmssssssgggg");  // five characters and the break
}

TEST(ViewPaint, StaleSelectionEndsBeyondTheLineDoNotOverrun) {
  ViewRig rig({"abc", "de"});
  rig.Select(0, 1, 1, 2);
  rig.view->selEnd.byteIndex = 50;  // left over by an edit elsewhere
  const Picture pic = rig.Paint();
  EXPECT_EQ(rig.Backs(pic, 1), "mmssgggggggg");
}

}  // namespace

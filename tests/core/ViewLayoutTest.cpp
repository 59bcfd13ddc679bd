// Columns, character steps and hit testing of the editor view.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "ViewFakes.h"

namespace {

// A view over one line; the window is irrelevant here.
struct LineRig : ViewRig {
  explicit LineRig(std::string_view line) : ViewRig({line}) {}
  TextPos At(int byteIndex) { return PosAt(0, byteIndex); }
  TextPos AtColumn(int column) {
    TextPos p = PosAt(0, 0);
    view->SetColumn(p, column);
    return p;
  }
};

TEST(ViewLayout, TabsRunToTheNextStopEvenFromAStop) {
  LineRig rig("abcde\tX");
  EXPECT_EQ(rig.At(6).column, 8);  // tab at column 5 ends at 8
  LineRig onStop("abcdefgh\tX");
  EXPECT_EQ(onStop.At(9).column, 16);  // tab at column 8 ends at 16
  EXPECT_EQ(onStop.view->LineWidth("abcdefgh\tX"), 17);

  rig.settings.tabSize = 4;
  EXPECT_EQ(rig.At(6).column, 8);
  EXPECT_EQ(rig.view->LineWidth("\t\tab\t"), 12);
}

TEST(ViewLayout, TabWidthsThatCannotBeLaidOutAreCorrected) {
  LineRig rig("a\t\tb");
  for (int bad : {0, -5}) {
    rig.settings.tabSize = bad;
    EXPECT_EQ(rig.view->TabWidth(), 1);
    EXPECT_EQ(rig.view->LineWidth("a\t\tb"), 4) << bad;
    EXPECT_EQ(rig.At(3).column, 3) << bad;
  }
  rig.settings.tabSize = 1 << 30;  // would overflow the columns of the second tab
  EXPECT_EQ(rig.view->TabWidth(), kMaxTabSize);
  EXPECT_EQ(rig.view->LineWidth("a\t\tb"), 2 * kMaxTabSize + 1);
}

TEST(ViewLayout, SetColumnLandsOnTheStartOfTheCoveringCharacter) {
  // A double-byte character at columns 7 and 8; its trail byte 0x9F is in the lead range.
  LineRig wide("abcdefg\x88\x9Fz");
  TextPos p = wide.AtColumn(8);
  EXPECT_EQ(p.column, 7);
  EXPECT_EQ(p.byteIndex, 7);
  p = wide.AtColumn(9);
  EXPECT_EQ(p.column, 9);
  EXPECT_EQ(p.byteIndex, 9);

  LineRig tab("ab\tc");  // the tab covers columns 2 to 7
  p = tab.AtColumn(5);
  EXPECT_EQ(p.column, 2);
  EXPECT_EQ(p.byteIndex, 2);
  p = tab.AtColumn(8);
  EXPECT_EQ(p.byteIndex, 3);

  p = tab.AtColumn(100);  // beyond the width: the line end
  EXPECT_EQ(p.byteIndex, 4);
  EXPECT_EQ(p.column, 9);
  p = tab.AtColumn(-3);
  EXPECT_EQ(p.byteIndex, 0);
  EXPECT_EQ(p.column, 0);
}

TEST(ViewLayout, SetByteIndexMovesOffATrailByteAndStopsAtTheLineEnd) {
  LineRig rig("a" + kKanji5C + "b");
  TextPos p = rig.At(2);
  EXPECT_EQ(p.byteIndex, 3);
  EXPECT_EQ(p.column, 3);
  p = rig.At(99);
  EXPECT_EQ(p.byteIndex, 4);
  EXPECT_EQ(p.column, 4);
}

TEST(ViewLayout, RetreatFollowsThePreviousCharacterRule) {
  struct Case {
    std::string line;
    int from;
    int expected;
  } cases[] = {
      {"\x81\x81", 2, 0},          // a lead byte before the end is a trail byte
      {"\x81\x41", 2, 0},          // one lead byte before the last byte: odd, pair
      {"\x81\x41\x41", 3, 2},      // the single byte after a pair
      {"\x88\x9F\x88\x9F", 4, 2},  // trail bytes in the lead range
      {"\x88\x9F\x88\x9F", 2, 0},
      {"a\x88\x9F", 3, 1},
      {kKanji9F + "a", 3, 2},
      {std::string("\x81\x81\x81\x81") + "a", 5, 4},  // an even run of lead bytes before "a"
      {"\x95\x5C\x95\x5C", 4, 2},                     // backslash trail bytes
  };
  for (const Case& c : cases) {
    LineRig rig(c.line);
    TextPos p = rig.At(c.from);
    ASSERT_EQ(p.byteIndex, c.from);
    rig.view->RetreatChar(p);
    EXPECT_EQ(p.byteIndex, c.expected) << "from " << c.from;
    EXPECT_EQ(p.column, rig.At(c.expected).column);
  }
  LineRig rig("ab");
  TextPos start = rig.At(0);
  rig.view->RetreatChar(start);
  EXPECT_EQ(start.byteIndex, 0);
}

TEST(ViewLayout, ALoneLeadByteAtTheLineEndIsOneCharacterOfOneByte) {
  LineRig rig("ab\x81");
  TextPos p = rig.At(2);
  rig.view->AdvanceChar(p);
  EXPECT_EQ(p.byteIndex, 3);
  EXPECT_EQ(p.column, 3);
  rig.view->AdvanceChar(p);  // at the end nothing moves
  EXPECT_EQ(p.byteIndex, 3);
  EXPECT_EQ(rig.view->LineWidth("ab\x81"), 3);
  EXPECT_EQ(rig.AtColumn(50).byteIndex, 3);
  rig.view->RetreatChar(p);  // back over the lone byte only, not over "b" too
  EXPECT_EQ(p.byteIndex, 2);

  LineRig pairThenLone("\x81\x81\x81");
  p = pairThenLone.At(3);
  EXPECT_EQ(p.column, 3);
  pairThenLone.view->RetreatChar(p);
  EXPECT_EQ(p.byteIndex, 2);
}

// Walking a line forward and back visits the same character starts, columns agree with a
// fresh count from the line start, and nothing passes the line's length.
TEST(ViewLayout, StepsAgreeOnRandomBytes) {
  std::mt19937 rng(932);
  const unsigned char alphabet[] = {'a',  ' ',  '\t', 0x5C, 0x81, 0x9F, 0xE0,
                                    0xFC, 0x40, 0xA1, 0x0D, 0x0A, 0x00};
  for (int round = 0; round < 300; ++round) {
    std::string line;
    const int length = static_cast<int>(rng() % 24);
    for (int i = 0; i < length; ++i) line += static_cast<char>(alphabet[rng() % sizeof alphabet]);
    LineRig rig(line);
    rig.settings.tabSize = 1 + static_cast<int>(rng() % 9);

    std::vector<TextPos> forward;
    TextPos p = rig.At(0);
    forward.push_back(p);
    while (p.byteIndex < length) {
      rig.view->AdvanceChar(p);
      ASSERT_LE(p.byteIndex, length) << round;
      const TextPos fresh = rig.At(p.byteIndex);
      ASSERT_EQ(fresh.byteIndex, p.byteIndex) << round;
      ASSERT_EQ(fresh.column, p.column) << round;
      forward.push_back(p);
    }
    EXPECT_EQ(p.column, rig.view->LineWidth(line)) << round;
    for (std::size_t i = forward.size() - 1; i > 0; --i) {
      rig.view->RetreatChar(p);
      ASSERT_EQ(p.byteIndex, forward[i - 1].byteIndex) << round << " step " << i;
      ASSERT_EQ(p.column, forward[i - 1].column) << round;
    }
    // SetColumn lands on a character start at or before the target.
    for (int target = 0; target <= p.column + 2; ++target) {
      const TextPos c = rig.AtColumn(target);
      EXPECT_EQ(rig.At(c.byteIndex).column, c.column) << round;
      if (c.byteIndex < length) {
        EXPECT_LE(c.column, target) << round;
      }
    }
  }
}

TEST(ViewLayout, PointToPosHitsTheCellUnderThePoint) {
  ViewRig rig({"abcdef", "a" + kKanji9F + "cd", "\tx", "last"});  // cells 8 x 16, margin 16
  CVeloView& v = *rig.view;
  TextPos p;
  v.PointToPos(p, Point{0, 20});  // in the margin: column 0 of the clicked line
  EXPECT_EQ(p.line, 1);
  EXPECT_EQ(p.byteIndex, 0);
  v.PointToPos(p, Point{15, 0});
  EXPECT_EQ(p.byteIndex, 0);

  v.PointToPos(p, Point{16 + 2 * 8 + 7, 16});  // right half of the double-byte character
  EXPECT_EQ(p.byteIndex, 1);
  EXPECT_EQ(p.column, 1);
  v.PointToPos(p, Point{16 + 5 * 8, 32});  // inside the tab: before it
  EXPECT_EQ(p.byteIndex, 0);
  EXPECT_EQ(p.line, 2);

  v.PointToPos(p, Point{16 + 2 * 8, 500});  // below the last line: the last line
  EXPECT_EQ(p.line, 3);
  EXPECT_EQ(p.node, rig.doc.LastLine());
  EXPECT_EQ(p.byteIndex, 2);
  v.PointToPos(p, Point{16 + 8, -10});  // above the window: the first visible line
  EXPECT_EQ(p.line, 0);
  EXPECT_EQ(p.byteIndex, 1);

  v.origin = rig.PosAt(1, 0);
  v.origin.column = 2;
  v.PointToPos(p, Point{16 + 8, 16});  // column 3 of line 2
  EXPECT_EQ(p.line, 2);
  EXPECT_EQ(p.column, 0);             // the tab covers columns 0 to 7
  v.PointToPos(p, Point{16 + 8, 0});  // column 3 of line 1
  EXPECT_EQ(p.line, 1);
  EXPECT_EQ(p.byteIndex, 3);
}

TEST(ViewLayout, CaretStandsOnePixelLeftOfItsCellButNeverInTheMargin) {
  ViewRig rig({"abcdefghijklmnop", "x", "y"});
  CVeloView& v = *rig.view;
  v.caret = rig.PosAt(0, 0);
  EXPECT_EQ(v.CaretPoint(), (Point{16, 0}));
  v.caret = rig.PosAt(2, 1);
  EXPECT_EQ(v.CaretPoint(), (Point{16 + 8 - 1, 32}));
  v.caret = rig.PosAt(0, 7);
  v.origin.column = 5;
  EXPECT_EQ(v.CaretPoint(), (Point{16 + 2 * 8 - 1, 0}));
  v.origin.column = 7;
  EXPECT_EQ(v.CaretPoint(), (Point{16, 0}));
}

// The step primitives behind moveTable.
TEST(ViewLayout, CaretStepsCrossLinesAndCharacters) {
  ViewRig rig({"abc def", kKanji9F + "x", "z"});
  CVeloView& v = *rig.view;
  v.caret = rig.PosAt(0, 7);
  (v.*v.moveTable[CVeloView::kWordLeft])();
  EXPECT_EQ(v.caret.byteIndex, 3);  // stops after the space
  v.caret = rig.PosAt(0, 0);
  v.WordRight();
  EXPECT_EQ(v.caret.byteIndex, 3);  // stops before the space
  v.caret = rig.PosAt(0, 7);
  v.CharRight();  // at the line end: next line start
  EXPECT_EQ(v.caret.line, 1);
  EXPECT_EQ(v.caret.byteIndex, 0);
  v.CharRight();  // over the double-byte character
  EXPECT_EQ(v.caret.byteIndex, 2);
  EXPECT_EQ(v.desiredColumn, 2);
  v.CharLeft();
  v.CharLeft();  // at the line start: end of the previous line
  EXPECT_EQ(v.caret.line, 0);
  EXPECT_EQ(v.caret.byteIndex, 7);

  v.caret = rig.PosAt(0, 5);
  v.desiredColumn = 5;
  v.LineDown();  // line 1 is 3 columns wide
  EXPECT_EQ(v.caret.byteIndex, 3);
  v.LineUp();
  EXPECT_EQ(v.caret.byteIndex, 5);  // back at the remembered column
  v.caret = rig.PosAt(2, 1);
  v.LineDown();  // on the last line it stays there, at the remembered column
  EXPECT_EQ(v.caret.line, 2);
  EXPECT_EQ(v.caret.byteIndex, 1);
  v.LineStart();
  v.CharLeft();
  v.LineEnd();
  EXPECT_EQ(v.caret.column, 3);
  EXPECT_EQ(v.desiredColumn, 3);
}

}  // namespace

// The search and replace engine through the real view, each step under the repaint check: the
// cases where a plain substring search or a plain replace loop would go wrong. Texts show the
// caret as "‸" and the selection's anchor as "⁁"; bytes that are not printable ASCII as <hh>.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "EditSupport.h"
#include "RepaintCheck.h"
#include "ViewFakes.h"
#include "base/CommandIds.h"

namespace {

class SearchTest : public ::testing::Test {
 protected:
  void Open(const std::vector<std::string>& lines, int line = 0, int byte = 0) {
    rig = std::make_unique<ViewRig>(lines);
    V().OnSetFocus();
    V().PlaceCaret(line, byte, false);
  }
  CVeloView& V() { return *rig->view; }
  // Runs op as a command would: under the repaint check, every position valid afterwards.
  void Do(const std::function<void()>& op) {
    ASSERT_TRUE(RepaintsMatch(V(), rig->host, op));
    ASSERT_TRUE(PositionsValid(V())) << RenderView(V());
  }
  bool Find(const std::string& text, bool forward) {
    bool found = false;
    Do([&] { found = V().Find(text, forward); });
    return found;
  }
  std::string Shown() { return RenderView(V()); }

  std::unique_ptr<ViewRig> rig;
};

TEST_F(SearchTest, ForwardFromTheCaretThenTheFollowingLinesAndNoWrap) {
  Open({"abxab", "zz", "xab"}, 0, 1);
  EXPECT_TRUE(Find("ab", true));
  EXPECT_EQ(Shown(), "abx⁁ab‸\nzz\nxab\n");
  EXPECT_EQ(V().DesiredColumn(), 5);
  EXPECT_TRUE(Find("ab", true));
  EXPECT_EQ(Shown(), "abxab\nzz\nx⁁ab‸\n");
  EXPECT_FALSE(Find("ab", true));  // the earlier ones are not found again
  EXPECT_EQ(Shown(), "abxab\nzz\nxab‸\n");
  EXPECT_FALSE(Find("", true));
}

// The direction only chooses the next line: the caret's own line is searched on from the caret.
TEST_F(SearchTest, BackwardTakesTheRestOfTheCaretLineThenTheLeftmostAbove) {
  Open({"ab ab", "xx ab ab", "ab ab ab"}, 2, 4);
  EXPECT_TRUE(Find("ab", false));
  EXPECT_EQ(Shown(), "ab ab\nxx ab ab\nab ab ⁁ab‸\n");
  EXPECT_TRUE(Find("ab", false));
  EXPECT_EQ(Shown(), "ab ab\nxx ⁁ab‸ ab\nab ab ab\n");
  EXPECT_TRUE(Find("ab", false));  // right of the caret again
  EXPECT_EQ(Shown(), "ab ab\nxx ab ⁁ab‸\nab ab ab\n");
  EXPECT_TRUE(Find("ab", false));
  EXPECT_EQ(Shown(), "⁁ab‸ ab\nxx ab ab\nab ab ab\n");
  EXPECT_TRUE(Find("ab", false));
  EXPECT_EQ(Shown(), "ab ⁁ab‸\nxx ab ab\nab ab ab\n");
  EXPECT_FALSE(Find("ab", false));  // the start of the document, nothing selected
  EXPECT_EQ(Shown(), "‸ab ab\nxx ab ab\nab ab ab\n");
}

// 表 95 5C and 竹 92 7C end in "\" and "|"; 亜 88 9F is two lead bytes; the line ends in a lone
// lead byte.
TEST_F(SearchTest, MatchesStartOnCharactersOnly) {
  const std::string line = kKanji5C + "\\" + "\x92\x7C" + "|" + kKanji9F + kKanji9F + "x\x88";
  Open({line, "\\"});
  EXPECT_TRUE(Find("\\", true));
  EXPECT_EQ(Shown(), "<95>\\⁁\\‸<92>||<88><9F><88><9F>x<88>\n\\\n");
  EXPECT_TRUE(Find("\\", true));
  EXPECT_EQ(V().Caret().line, 1);
  struct Case {
    std::string text;
    std::string shown;  // searched from the start of the document
  };
  const Case cases[] = {
      {"|", "<95>\\\\<92>|⁁|‸<88><9F><88><9F>x<88>\n\\\n"},
      {"\x88", "<95>\\\\<92>||⁁<88><9F>‸<88><9F>x<88>\n\\\n"},  // the end moves off the trail byte
      {"\x88\x9F\x88", "<95>\\\\<92>||⁁<88><9F><88><9F>‸x<88>\n\\\n"},
      {"x\x88", "<95>\\\\<92>||<88><9F><88><9F>⁁x<88>‸\n\\\n"},
      {"\x9F\x88", "<95>\\\\<92>||<88><9F><88><9F>x<88>\n\\‸\n"},  // only ever a trail and a lead
      {"\x5C\x5C", "<95>\\\\<92>||<88><9F><88><9F>x<88>\n\\‸\n"},
  };
  for (const Case& c : cases) {
    V().PlaceCaret(0, 0, false);
    Find(c.text, true);
    EXPECT_EQ(Shown(), c.shown) << Readable(c.text);
  }
}

TEST_F(SearchTest, CaseMattersAndStarsAreOrdinary) {
  Open({"TeX tex TEX *"});
  EXPECT_TRUE(Find("tex", true));
  EXPECT_EQ(Shown(), "TeX ⁁tex‸ TEX *\n");
  EXPECT_TRUE(Find("TEX", true));
  EXPECT_EQ(Shown(), "TeX tex ⁁TEX‸ *\n");
  EXPECT_FALSE(Find("Tex", true));
  V().PlaceCaret(0, 0, false);
  EXPECT_TRUE(Find("*", true));
  EXPECT_EQ(Shown(), "TeX tex TEX ⁁*‸\n");
}

TEST_F(SearchTest, FindAndShowCentresTheCaretLineFoundOrNot) {
  std::vector<std::string> lines(60, "..");
  lines[40] = "x*y";
  Open(lines);
  Do([&] { V().FindAndShow("*", true); });
  EXPECT_EQ(V().SelAnchor().byteIndex, 1);
  EXPECT_EQ(V().Caret().line, 40);
  EXPECT_EQ(V().Caret().byteIndex, 2);
  EXPECT_EQ(V().Origin().line, 40 - V().VisibleLines() / 2);
  Do([&] { V().FindAndShow("*", true); });
  EXPECT_FALSE(V().IsSelecting());
  EXPECT_EQ(V().Caret().line, 59);
  EXPECT_EQ(V().Origin().line, 59 - V().VisibleLines() / 2);
}

TEST_F(SearchTest, ReplaceSelectionIsTwoStepsThreeInOverwriteMode) {
  Open({"abcdef"});
  Do([&] { V().ReplaceSelection("x"); });  // nothing selected: nothing happens
  EXPECT_EQ(Shown(), "‸abcdef\n");
  EXPECT_TRUE(V().UndoList().empty());

  rig->Select(0, 2, 0, 1);  // "b", made backwards; whatever is selected goes
  Do([&] { V().ReplaceSelection("XY"); });
  EXPECT_EQ(Shown(), "aXY‸cdef\n");
  EXPECT_EQ(V().UndoList().size(), 2u);

  V().ToggleOverwrite();
  rig->Select(0, 3, 0, 4);  // "c": then as many bytes as "12" is wide are overwritten
  Do([&] { V().ReplaceSelection("12"); });
  EXPECT_EQ(Shown(), "aXY12‸f\n");
  EXPECT_EQ(V().UndoList().size(), 5u);
  for (int i = 0; i < 5; ++i) Do([&] { V().Undo(); });
  EXPECT_EQ(LinesOf(rig->doc), std::vector<std::string>{"abcdef"});
}

TEST_F(SearchTest, ReplaceAllGoesOnAfterEachReplacementAndLeavesWhatIsBeforeTheCaret) {
  Open({"aaa"});
  Do([&] { V().ReplaceAll("a", "aa"); });
  EXPECT_EQ(Shown(), "aaaaaa‸\n");
  EXPECT_EQ(V().UndoList().size(), 6u);

  Open({"a a", "a a", "a a"}, 1, 1);
  Do([&] { V().ReplaceAll("a", "b"); });
  EXPECT_EQ(Shown(), "a a\na b\nb b‸\n");
  EXPECT_EQ(V().UndoList().size(), 6u);
  Do([&] { V().ReplaceAll("zz", "b"); });  // no match: the caret still goes to the end
  EXPECT_EQ(V().UndoList().size(), 6u);
}

TEST_F(SearchTest, ReplaceAllSplitsLinesAndUndoesStepByStep) {
  Open({"a-b", "-", "c"});
  Do([&] { V().ReplaceAll("-", "\r\n"); });
  EXPECT_EQ(LinesOf(rig->doc), (std::vector<std::string>{"a", "b", "", "", "c"}));
  EXPECT_EQ(Shown(), "a\nb\n\n\nc‸\n");
  Do([&] { V().Undo(); });
  EXPECT_EQ(LinesOf(rig->doc), (std::vector<std::string>{"a", "b", "", "c"}));
  for (int i = 0; i < 3; ++i) Do([&] { V().Undo(); });
  EXPECT_EQ(LinesOf(rig->doc), (std::vector<std::string>{"a-b", "-", "c"}));
  for (int i = 0; i < 4; ++i) Do([&] { V().Redo(); });
  EXPECT_EQ(LinesOf(rig->doc), (std::vector<std::string>{"a", "b", "", "", "c"}));
}

// A replacement ending in a lead byte takes the next byte of the line as its trail; the search
// goes on after that character, whose trail is no longer a character of its own.
TEST_F(SearchTest, AReplacementEndingInALeadBytePairsWithWhatFollows) {
  Open({"a|a|b"});
  Do([&] { V().ReplaceAll("a", "\x88"); });
  EXPECT_EQ(Shown(), "<88>|<88>|b‸\n");
  EXPECT_EQ(V().UndoList().size(), 4u);
  V().PlaceCaret(0, 0, false);
  Do([&] { V().ReplaceAll("|", "-"); });  // both "|" are trail bytes now
  EXPECT_EQ(V().UndoList().size(), 4u);
}

// Another view of the document keeps valid positions through a replace all and its undo.
TEST_F(SearchTest, AnotherViewFollowsAReplaceAll) {
  Open({"x-x", "y", "x-"}, 0, 0);
  FakeViewHost otherHost;
  std::unique_ptr<CVeloView> other = rig->AddView(otherHost);
  other->PlaceCaret(2, 2, false);
  Do([&] { V().ReplaceAll("x", "\r\nz"); });
  EXPECT_EQ(LinesOf(rig->doc), (std::vector<std::string>{"", "z-", "z", "y", "", "z-"}));
  EXPECT_TRUE(PositionsValid(*other));
  EXPECT_EQ(other->Caret().line, 2);
  while (!V().UndoList().empty()) V().Undo();
  EXPECT_EQ(LinesOf(rig->doc), (std::vector<std::string>{"x-x", "y", "x-"}));
  EXPECT_TRUE(PositionsValid(*other));
}

}  // namespace

// Undo and redo beyond the single-step cases of the editing data: where the window goes after
// a step, histories of several views, and replay after another view changed the text.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "EditSupport.h"
#include "RepaintCheck.h"
#include "ViewFakes.h"
#include "res/CommandIds.h"

namespace {

std::vector<std::string> Numbered(int count) {
  std::vector<std::string> lines;
  for (int i = 0; i < count; ++i) lines.push_back("line" + std::to_string(i));
  return lines;
}

// A step whose caret ends strictly inside the window only brings the caret into view; one that
// ends on the first visible row or outside the window centres the caret line.
TEST(Undo, TheWindowFollowsTheReplayedStep) {
  ViewRig rig(Numbered(100), 12, 6);
  CVeloView& v = *rig.view;
  v.GoToLine(50, 0);
  v.OnTypedText("ab");
  const int first = v.origin.line;
  ASSERT_LT(first, 50);
  v.Undo();
  EXPECT_EQ(v.origin.line, first);  // the caret stayed inside: nothing scrolled

  v.OnTypedText("cd");
  v.origin = rig.PosAt(50, 0);  // the caret's line is the first visible one
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] { v.Undo(); }));
  EXPECT_EQ(v.origin.line, 47);  // centred in 6 lines

  v.OnTypedText("ef");
  v.GoToLine(90, 0);
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] { v.Undo(); }));
  EXPECT_EQ(v.caret.line, 50);
  EXPECT_EQ(v.origin.line, 47);

  // Nothing to undo still runs the visibility step.
  v.ClearUndoBuffers();
  v.GoToLine(20, 0);
  v.origin = rig.PosAt(20, 0);
  v.Undo();
  EXPECT_EQ(v.origin.line, 17);
}

TEST(Undo, AStepUndoneAcrossManyLinesComesBackWhole) {
  std::vector<std::string> lines = Numbered(3000);
  lines[1500] += kKanji5C;
  ViewRig rig(lines, 12, 6);
  CVeloView& v = *rig.view;
  v.SelectAll();
  v.OnTypedText("x");
  EXPECT_EQ(LinesOf(rig.doc), (std::vector<std::string>{"x"}));
  v.Undo();
  v.Undo();
  EXPECT_EQ(LinesOf(rig.doc), lines);
  EXPECT_EQ(v.caret.line, 2999);
  EXPECT_TRUE(PositionsValid(v));
  v.Redo();
  v.Redo();
  EXPECT_EQ(LinesOf(rig.doc), (std::vector<std::string>{"x"}));
}

struct TwoViews {
  explicit TwoViews(const std::vector<std::string>& lines) : rig(lines, 12, 5) {
    host2.client = rig.host.client;
    second = std::make_unique<CVeloView>(rig.doc, rig.settings, host2);
    second->OnInitialUpdate();
  }
  ViewRig rig;
  FakeViewHost host2;
  std::unique_ptr<CVeloView> second;
};

TEST(Undo, TwoViewsKeepSeparateHistories) {
  TwoViews t({"abc", "def"});
  CVeloView& a = *t.rig.view;
  CVeloView& b = *t.second;
  a.GoToLine(0, 3);
  a.OnTypedText("1");
  b.GoToLine(1, 3);
  b.OnTypedText("2");
  b.OnTypedText("3");
  EXPECT_EQ(a.undoList.size(), 1u);
  EXPECT_EQ(b.undoList.size(), 2u);
  b.Undo();
  EXPECT_EQ(LinesOf(t.rig.doc), (std::vector<std::string>{"abc1", "def2"}));
  EXPECT_EQ(a.undoList.size(), 1u);
  EXPECT_TRUE(a.redoList.empty());
  a.Undo();
  EXPECT_EQ(LinesOf(t.rig.doc), (std::vector<std::string>{"abc", "def2"}));
  EXPECT_TRUE(PositionsValid(a));
  EXPECT_TRUE(PositionsValid(b));
}

// After another view's edit a step is replayed by line number and byte index, clamped to the
// text and moved onto character starts: it never takes half of a double-byte character.
TEST(Undo, ReplayAfterAnotherViewsEditKeepsCharactersWhole) {
  TwoViews t({"ab"});
  CVeloView& a = *t.rig.view;
  CVeloView& b = *t.second;
  b.GoToLine(0, 2);
  b.OnTypedText(kKanji5C);  // "ab表", recorded as bytes 2 to 4
  a.GoToLine(0, 0);
  a.OnTypedText("x");  // "xab表": byte 4 now lies inside the kanji
  b.Undo();
  const std::string line = t.rig.doc.FirstLine()->text.ToStdString();
  const bool whole = line.find(kKanji5C) != std::string::npos;
  const bool gone = line.find('\x95') == std::string::npos && line.find('\x5C') == std::string::npos;
  EXPECT_TRUE(whole || gone) << Readable(line);
  EXPECT_TRUE(PositionsValid(a));
  EXPECT_TRUE(PositionsValid(b));

  // A step recorded on lines that no longer exist is clamped to the last line.
  TwoViews u({"one", "two", "three", "four"});
  u.second->GoToLine(3, 4);
  u.second->OnTypedText("!");
  u.rig.view->SelectAll();
  u.rig.view->OnTypedText("z");
  u.second->Undo();
  u.second->Undo();
  EXPECT_EQ(u.rig.doc.LineCount(), 1);
  EXPECT_TRUE(PositionsValid(*u.second));
  u.second->Redo();
  EXPECT_TRUE(PositionsValid(*u.second));
}

}  // namespace

// The clipboard commands through the recording host: what reaches the host, what comes back,
// and what happens when the clipboard fails or holds something odd.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EditSupport.h"
#include "RepaintCheck.h"
#include "ViewFakes.h"
#include "res/CommandIds.h"

namespace {

// Text the clipboard did not take stays in the document: cutting it would lose it.
TEST(Clipboard, CutKeepsTheTextWhenTheClipboardRefusesIt) {
  ViewRig rig({"abcdef"});
  CVeloView& v = *rig.view;
  rig.host.clipboard = "old";
  rig.host.clipboardWorks = false;
  rig.Select(0, 1, 0, 4);
  v.caret = v.selEnd;
  v.OnCommand(ID_EDIT_CUT);
  EXPECT_EQ(LinesOf(rig.doc), (std::vector<std::string>{"abcdef"}));
  EXPECT_TRUE(v.selecting);
  EXPECT_TRUE(v.undoList.empty());
  EXPECT_EQ(rig.host.clipboard, "old");
  EXPECT_EQ(rig.host.waitCursorDepth, 0);

  rig.host.clipboardWorks = true;
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] { v.OnCommand(ID_EDIT_CUT); }));
  EXPECT_EQ(LinesOf(rig.doc), (std::vector<std::string>{"aef"}));
  EXPECT_EQ(rig.host.clipboard, "bcd");
  EXPECT_EQ(v.undoList.size(), 1u);
}

TEST(Clipboard, PasteTakesTheTextUpToItsFirstNul) {
  ViewRig rig({""});
  CVeloView& v = *rig.view;
  rig.host.clipboard = std::string("ab\r\ncd\0ef", 9);
  v.OnCommand(ID_EDIT_PASTE);
  EXPECT_EQ(LinesOf(rig.doc), (std::vector<std::string>{"ab", "cd"}));
  EXPECT_EQ(rig.host.waitCursorDepth, 0);
}

// A large clipboard with many lines goes in as one step, and out again with one undo.
TEST(Clipboard, ALargePasteIsOneStep) {
  std::string text;
  std::vector<std::string> expected;
  for (int i = 0; i < 20000; ++i) {
    std::string line = std::to_string(i) + kKanji5C + "\t{}";
    expected.push_back(line);
    text += line + "\r\n";
  }
  ViewRig rig({"head", "tail"});
  CVeloView& v = *rig.view;
  v.GoToLine(1, 0);
  rig.host.clipboard = text;
  v.Paste();
  expected.insert(expected.begin(), "head");
  expected.push_back("tail");
  EXPECT_EQ(LinesOf(rig.doc), expected);
  EXPECT_EQ(v.undoList.size(), 1u);
  EXPECT_EQ(v.caret.line, 20001);
  EXPECT_TRUE(PositionsValid(v));
  v.Undo();
  EXPECT_EQ(LinesOf(rig.doc), (std::vector<std::string>{"head", "tail"}));
}

// Copy and select all repaint the way the selection changed, and copying changes no text.
TEST(Clipboard, SelectAllAndCopyRepaint) {
  ViewRig rig({"a" + kKanji9F, "bc", "", "d"}, 12, 3);
  CVeloView& v = *rig.view;
  v.OnSetFocus();
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] { v.OnCommand(ID_EDIT_SELECT_ALL); }));
  EXPECT_EQ(v.caret.line, 0);
  EXPECT_EQ(v.selAnchor.line, 3);
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] { v.OnCommand(ID_EDIT_COPY); }));
  EXPECT_EQ(rig.host.clipboard, "a" + kKanji9F + "\r\nbc\r\n\r\nd");
  EXPECT_FALSE(rig.doc.IsModified());
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] { v.OnCommand(ID_CHAR_RIGHT); }));
  EXPECT_FALSE(v.selecting);
}

}  // namespace

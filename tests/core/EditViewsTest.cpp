// Several views of one document: an edit through one view leaves every other view's caret,
// window and selection on live lines with their true numbers, resolved by line number, and
// repaints them. The sanitizer build checks that no view touches a freed line on the way.
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
  for (int i = 0; i < count; ++i) lines.push_back("l" + std::to_string(i) + kKanji5C + "xyz");
  return lines;
}

struct Views {
  explicit Views(int lines) : rig(Numbered(lines), 12, 5) {
    otherHost.client = rig.host.client;
    other = std::make_unique<CVeloView>(rig.doc, rig.settings, otherHost);
    other->OnInitialUpdate();
  }
  CVeloView& editor() { return *rig.view; }
  ViewRig rig;
  FakeViewHost otherHost;
  std::unique_ptr<CVeloView> other;
};

TEST(EditViews, PositionsOnRemovedLinesKeepTheirNumbersClamped) {
  Views t(30);
  CVeloView& o = *t.other;
  o.GoToLine(26, 6);
  o.origin = t.rig.PosAt(24, 0);
  o.selecting = true;
  o.selAnchor = t.rig.PosAt(22, 1);
  o.selEnd = o.caret;
  t.rig.Select(20, 2, 29, 0);  // the editor removes lines 21 to 29
  t.editor().caret = t.editor().selEnd;
  EXPECT_TRUE(RepaintsMatch(o, t.otherHost, [&] { t.editor().OnCommand(ID_EDIT_DELETE); }));
  ASSERT_EQ(t.rig.doc.LineCount(), 21);
  EXPECT_TRUE(PositionsValid(o));
  EXPECT_EQ(o.caret.line, 20);
  EXPECT_EQ(o.origin.line, 20);
  EXPECT_EQ(o.selAnchor.line, 20);
  EXPECT_TRUE(o.selecting);
  // Line 20 is now "l2l29表xyz": byte 6 falls inside the kanji and moves on to its end.
  EXPECT_EQ(o.caret.byteIndex, 7);
}

TEST(EditViews, LinesAddedAboveLeaveNumbersWhereTheyWere) {
  Views t(30);
  CVeloView& o = *t.other;
  o.GoToLine(15, 3);
  const int first = o.origin.line;
  t.editor().GoToLine(2, 0);
  t.editor().InputText("a\r\nb\r\nc\r\n");
  EXPECT_TRUE(PositionsValid(o));
  EXPECT_EQ(o.caret.line, 15);
  EXPECT_EQ(o.origin.line, first);
  EXPECT_EQ(o.caret.node->text.ToStdString(), "l12" + kKanji5C + "xyz");
  // Lines above the change keep everything; a caret before the change point in its line too.
  o.GoToLine(1, 2);
  t.editor().GoToLine(1, 5);
  t.editor().OnTypedText("Q");
  EXPECT_EQ(o.caret.line, 1);
  EXPECT_EQ(o.caret.byteIndex, 2);
  EXPECT_TRUE(PositionsValid(o));
}

TEST(EditViews, AnEditOnTheOtherViewsLineMovesItsCaretOntoACharacterStart) {
  Views t(3);
  CVeloView& o = *t.other;
  o.GoToLine(1, 4);  // after "l1" and the kanji
  t.editor().GoToLine(1, 1);
  t.editor().OnTypedText("q");  // "lq1表xyz": byte 4 is now inside the kanji
  EXPECT_TRUE(PositionsValid(o));
  EXPECT_EQ(o.caret.byteIndex, 5);
  t.editor().OnCommand(ID_EDIT_UNDO);
  EXPECT_TRUE(PositionsValid(o));
}

// A document read again replaces every line; a view told without a description of the change
// finds its lines again from the document's ends, never through its old nodes.
TEST(EditViews, ANewTextReplacesEveryLine) {
  Views t(40);
  CVeloView& o = *t.other;
  o.GoToLine(35, 3);
  const std::string image = "one\r\ntwo\r\n" + kKanji9F + "three\r\n";
  ByteBlock* block = ByteBlock::Allocate(image.size());
  std::copy(image.begin(), image.end(), block->Data());
  t.rig.doc.LoadLines(block, image.size());
  block->Unref();
  t.rig.doc.UpdateAllViews(nullptr);
  EXPECT_TRUE(PositionsValid(o));
  EXPECT_TRUE(PositionsValid(t.editor()));
  EXPECT_EQ(o.caret.line, 2);
  EXPECT_EQ(o.caret.byteIndex, 3);
  o.OnCommand(ID_LINE_END);
  EXPECT_EQ(o.caret.byteIndex, 7);
}

TEST(EditViews, BookmarksAndHistoriesStayWithTheirView) {
  Views t(10);
  CVeloView& o = *t.other;
  o.bookmarks = {3, 8};
  o.GoToLine(8, 0);
  o.OnTypedText("k");
  t.editor().SelectAll();
  t.editor().OnCommand(ID_EDIT_DELETE);
  EXPECT_EQ(o.bookmarks, (CVeloView::BookmarkList{3, 8}));
  EXPECT_EQ(o.undoList.size(), 1u);
  EXPECT_EQ(t.editor().undoList.size(), 1u);
  EXPECT_TRUE(PositionsValid(o));
  o.OnCommand(ID_EDIT_UNDO);  // the recorded line no longer exists: clamped, nothing breaks
  EXPECT_TRUE(PositionsValid(o));
  EXPECT_TRUE(PositionsValid(t.editor()));
}

}  // namespace

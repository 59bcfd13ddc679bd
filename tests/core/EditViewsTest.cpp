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
#include "base/CommandIds.h"

namespace {

using Lines = std::vector<std::string>;

Lines Numbered(int count) {
  Lines lines;
  for (int i = 0; i < count; ++i) lines.push_back("l" + std::to_string(i) + kKanji5C + "xyz");
  return lines;
}

struct Views {
  explicit Views(const Lines& lines) : rig(lines), other(rig.AddView(otherHost)) {}
  ViewRig rig;
  FakeViewHost otherHost;
  std::unique_ptr<CVeloView> other;
};

TEST(EditViews, PositionsOnRemovedLinesKeepTheirNumbersClamped) {
  Views t(Numbered(28));
  CVeloView& o = *t.other;
  o.GoToLine(26, 6);
  ASSERT_EQ(o.Origin().line, 24);
  o.PlaceCaret(22, 1, false);
  o.PlaceCaret(26, 6, true);
  t.rig.view->InputText("a\r\nb\r\n");  // two lines more above: the numbers stay
  EXPECT_EQ(o.Caret().line, 26);
  t.rig.Select(20, 2, 29, 0);  // the editor removes lines 21 to 29
  EXPECT_TRUE(RepaintsMatch(o, t.otherHost, [&] { t.rig.view->OnCommand(ID_EDIT_DELETE); }));
  ASSERT_EQ(t.rig.doc.LineCount(), 21);
  EXPECT_TRUE(PositionsValid(o));
  EXPECT_EQ(o.Caret().line, 20);
  EXPECT_EQ(o.Origin().line, 20);
  EXPECT_EQ(o.SelAnchor().line, 20);
  EXPECT_TRUE(o.IsSelecting());
  EXPECT_EQ(o.Caret().byteIndex, 7);  // "l1l27表xyz": byte 6 is inside the kanji
}

// A document read again replaces every line; a view told without a description of the change
// finds its lines again from the document's ends, never through its old nodes.
TEST(EditViews, ANewTextReplacesEveryLine) {
  Views t(Numbered(40));
  CVeloView& o = *t.other;
  CVeloView& far = *t.rig.view;
  o.GoToLine(1, 1);  // a line that still exists, with a new node
  far.GoToLine(35, 3);
  const std::string image = "one\r\n" + kKanji9F + "two\r\nthree\r\n";
  ByteBlock* block = ByteBlock::Allocate(image.size());
  std::copy(image.begin(), image.end(), block->Data());
  t.rig.doc.LoadLines(block, image.size());
  block->Unref();
  t.rig.doc.UpdateAllViews(nullptr, nullptr);
  EXPECT_TRUE(PositionsValid(o));
  EXPECT_TRUE(PositionsValid(far));
  EXPECT_EQ(o.Caret().byteIndex, 2);  // inside the kanji: on to its end
  EXPECT_EQ(far.Caret().line, 2);
  EXPECT_EQ(far.Caret().byteIndex, 3);
}

// After another view's edit a step is replayed by line number and byte index, clamped to the
// text and moved onto character starts: it never takes half of a double-byte character.
TEST(EditViews, ReplayAfterAnotherViewsEditKeepsCharactersWhole) {
  Views t({"ab"});
  t.other->GoToLine(0, 2);
  t.other->OnTypedText(kKanji5C);  // "ab表", recorded as bytes 2 to 4
  t.rig.view->GoToLine(0, 0);
  t.rig.view->OnTypedText("x");  // "xab表": byte 4 now lies inside the kanji
  t.other->Undo();
  const std::string line = t.rig.doc.FirstLine()->text.ToStdString();
  EXPECT_TRUE(line.find(kKanji5C) != std::string::npos || line.find_first_of(kKanji5C) == std::string::npos)
      << Readable(line);
  EXPECT_TRUE(PositionsValid(*t.rig.view));
  EXPECT_TRUE(PositionsValid(*t.other));
}

}  // namespace

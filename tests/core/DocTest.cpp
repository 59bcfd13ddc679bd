#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Settings.h"
#include "doc/CVeloDoc.h"
#include "doc/TextPos.h"

namespace {

std::vector<std::string> Lines(const CVeloDoc& doc) {
  std::vector<std::string> out;
  for (const LineNode* n = doc.FirstLine(); n; n = n->next) out.push_back(n->text.ToStdString());
  return out;
}

// Walks the list both ways and checks that the links and the count agree.
void ExpectWellLinked(const CVeloDoc& doc) {
  int forward = 0;
  const LineNode* last = nullptr;
  for (const LineNode* n = doc.FirstLine(); n; n = n->next) {
    EXPECT_EQ(n->prev, last);
    last = n;
    ++forward;
  }
  EXPECT_EQ(last, doc.LastLine());
  EXPECT_EQ(forward, doc.LineCount());
  EXPECT_EQ(doc.FirstLine()->prev, nullptr);
}

TextPos At(LineNode* node, int line, int byteIndex) { return TextPos{node, line, 0, byteIndex}; }

class Doc : public ::testing::Test {
 protected:
  // Three lines, not modified.
  void SetUp() override {
    TextPos p = At(doc.FirstLine(), 0, 0);
    doc.InsertText(p, "alpha\x95\x5C");
    doc.SplitLine(At(p.node, 0, 5));
    CVeloDoc::NextLine(p);
    doc.SplitLine(At(p.node, 1, 2));
    doc.SetModifiedFlag(false);
    ASSERT_EQ(Lines(doc), (std::vector<std::string>{"alpha", "\x95\x5C", ""}));
  }

  Settings settings;
  CVeloDoc doc{settings};
};

TEST(DocNew, HoldsOneEmptyUnmodifiedLineAndFixesEmptyExtensions) {
  Settings settings;
  settings.defaultExt.clear();
  settings.storedFileType.clear();
  CVeloDoc doc(settings);
  EXPECT_EQ(doc.LineCount(), 1);
  EXPECT_EQ(Lines(doc), std::vector<std::string>{""});
  EXPECT_EQ(doc.FirstLine(), doc.LastLine());
  EXPECT_FALSE(doc.IsModified());
  EXPECT_EQ(settings.defaultExt, "txt");
  EXPECT_EQ(settings.storedFileType, "txt");
}

TEST_F(Doc, EditsThatChangeNothingStillMarkTheDocument) {
  doc.InsertText(At(doc.FirstLine(), 0, 2), "");
  EXPECT_TRUE(doc.IsModified());
  doc.SetModifiedFlag(false);
  doc.DeleteBytes(At(doc.FirstLine(), 0, 1), 0);
  EXPECT_TRUE(doc.IsModified());
  doc.SetModifiedFlag(false);
  doc.DeleteBytes(At(doc.LastLine(), 2, 0), 3);  // nothing to remove on the empty last line
  EXPECT_TRUE(doc.IsModified());
  EXPECT_EQ(Lines(doc), (std::vector<std::string>{"alpha", "\x95\x5C", ""}));
}

TEST_F(Doc, InsertAndDeleteClampTheByteIndexToTheLine) {
  doc.InsertText(At(doc.FirstLine(), 0, 99), "!");
  doc.InsertText(At(doc.FirstLine(), 0, -4), "<");
  doc.InsertText(At(doc.LastLine(), 2, 7), "end");
  doc.DeleteBytes(At(doc.FirstLine(), 0, -3), 2);
  EXPECT_EQ(Lines(doc), (std::vector<std::string>{"lpha!", "\x95\x5C", "end"}));
  doc.DeleteBytes(At(doc.LastLine(), 2, 1), 2);
  EXPECT_EQ(doc.LastLine()->text, "e");
}

TEST_F(Doc, SplitAtTheEndsOfFirstAndLastLines) {
  LineNode* first = doc.FirstLine();
  doc.SplitLine(At(first, 0, 0));
  EXPECT_TRUE(doc.IsModified());
  EXPECT_EQ(doc.FirstLine(), first);  // the position still names the first half
  doc.SplitLine(At(doc.LastLine(), 3, 0));
  LineNode* last = doc.LastLine();
  doc.SplitLine(At(last, 4, last->text.Length()));
  doc.SplitLine(At(first->next->next, 2, 100));  // beyond the end: an empty tail
  EXPECT_EQ(Lines(doc), (std::vector<std::string>{"", "alpha", "\x95\x5C", "", "", "", ""}));
  ExpectWellLinked(doc);
  EXPECT_NE(doc.LastLine(), last);
}

TEST_F(Doc, SplitKeepsBothHalvesAndJoinRestoresTheLine) {
  LineNode* first = doc.FirstLine();
  doc.SplitLine(At(first, 0, 2));
  ASSERT_EQ(Lines(doc), (std::vector<std::string>{"al", "pha", "\x95\x5C", ""}));
  doc.SetModifiedFlag(false);
  EXPECT_TRUE(doc.JoinNextLine(At(first, 0, 0)));
  EXPECT_TRUE(doc.IsModified());
  EXPECT_TRUE(doc.JoinNextLine(At(first, 0, 0)));
  EXPECT_EQ(Lines(doc), (std::vector<std::string>{"alpha\x95\x5C", ""}));
  ExpectWellLinked(doc);
}

TEST_F(Doc, JoinOnTheLastLineFailsAndLeavesTheFlag) {
  EXPECT_FALSE(doc.JoinNextLine(At(doc.LastLine(), 2, 0)));
  EXPECT_FALSE(doc.IsModified());
  EXPECT_EQ(doc.LineCount(), 3);
  // Joining everything up leaves a single line, which cannot join further.
  EXPECT_TRUE(doc.JoinNextLine(At(doc.FirstLine(), 0, 0)));
  EXPECT_TRUE(doc.JoinNextLine(At(doc.FirstLine(), 0, 0)));
  doc.SetModifiedFlag(false);
  EXPECT_FALSE(doc.JoinNextLine(At(doc.FirstLine(), 0, 0)));
  EXPECT_FALSE(doc.IsModified());
  EXPECT_EQ(doc.LineCount(), 1);
  EXPECT_EQ(doc.FirstLine(), doc.LastLine());
  ExpectWellLinked(doc);
}

TEST_F(Doc, StepsStopAtTheEndsWithoutMovingThePosition) {
  TextPos p{doc.FirstLine(), 0, 7, 3};
  EXPECT_FALSE(CVeloDoc::PrevLine(p));
  EXPECT_EQ(p.node, doc.FirstLine());
  EXPECT_EQ(p.line, 0);
  EXPECT_TRUE(CVeloDoc::NextLine(p));
  EXPECT_TRUE(CVeloDoc::NextLine(p));
  EXPECT_EQ(p.node, doc.LastLine());
  EXPECT_EQ(p.line, 2);
  EXPECT_FALSE(CVeloDoc::NextLine(p));
  EXPECT_EQ(p.node, doc.LastLine());
  EXPECT_EQ(p.line, 2);
  EXPECT_TRUE(CVeloDoc::PrevLine(p));
  EXPECT_EQ(p.node, doc.FirstLine()->next);
  EXPECT_EQ(p.line, 1);
  EXPECT_EQ(p.column, 7);  // steps never touch column or byte index
  EXPECT_EQ(p.byteIndex, 3);
  EXPECT_FALSE(doc.IsModified());
}

TEST(TextPosOrder, ComparesLineThenColumnOnly) {
  Settings settings;
  CVeloDoc doc(settings);
  TextPos a{doc.FirstLine(), 4, 6, 2};
  TextPos b{nullptr, 4, 6, 5};  // same place on screen, other node and byte index
  EXPECT_FALSE(PosBefore(a, b));
  EXPECT_FALSE(PosBefore(b, a));
  EXPECT_FALSE(PosAfter(a, b));
  EXPECT_FALSE(PosDiffers(a, b));
  b.column = 7;
  EXPECT_TRUE(PosBefore(a, b));
  EXPECT_TRUE(PosAfter(b, a));
  EXPECT_TRUE(PosDiffers(a, b));
  EXPECT_TRUE(PosDiffers(b, a));
  a.line = 5;  // a later line wins over any column
  EXPECT_TRUE(PosBefore(b, a));
  EXPECT_FALSE(PosBefore(a, b));
  TextPos zero;
  EXPECT_EQ(zero.node, nullptr);
  EXPECT_EQ(zero.line + zero.column + zero.byteIndex, 0);
}

TEST(DocLoad, ReloadingReplacesTheTextAndKeepsTheListSound) {
  Settings settings;
  CVeloDoc doc(settings);
  doc.InsertText(At(doc.FirstLine(), 0, 0), "old");
  const std::string image = "one\r\ntwo\n\nthree";
  ByteBlock* block = ByteBlock::Allocate(image.size());
  image.copy(block->Data(), image.size());
  doc.LoadLines(block, image.size());
  block->Unref();  // the lines keep the block alive
  EXPECT_EQ(Lines(doc), (std::vector<std::string>{"one", "two", "", "three"}));
  EXPECT_FALSE(doc.IsModified());
  ExpectWellLinked(doc);
  // An edit of one line gives it its own bytes and leaves its neighbours as they were.
  doc.InsertText(At(doc.FirstLine(), 0, 3), "+");
  doc.DeleteBytes(At(doc.LastLine(), 3, 0), 2);
  EXPECT_EQ(Lines(doc), (std::vector<std::string>{"one+", "two", "", "ree"}));
  EXPECT_EQ(doc.ToFileImage(), "one+\r\ntwo\r\n\r\nree\r\n");
}

}  // namespace

// The document's line primitives at the ends of the text and beyond them, where the view seldom
// takes them.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "FileFixtures.h"
#include "base/Settings.h"
#include "doc/CVeloDoc.h"
#include "doc/TextPos.h"

namespace {

using Lines = std::vector<std::string>;

TextPos At(LineNode* node, int line, int byteIndex) { return TextPos{node, line, 0, byteIndex}; }

TEST(Doc, SplitsJoinsAndStepsAtTheFirstAndLastLines) {
  Settings settings;
  settings.defaultExt.clear();
  CVeloDoc doc(settings);
  EXPECT_EQ(DocLines(doc), Lines{""});
  EXPECT_FALSE(doc.IsModified());
  EXPECT_EQ(settings.defaultExt, "txt");  // an empty extension is fixed
  LoadText(doc, "alpha\n\x95\x5C\n\n");
  doc.SetModifiedFlag(false);
  // Edits mark the document even when they change nothing; a failed join does not.
  doc.InsertText(At(doc.FirstLine(), 0, 2), "");
  EXPECT_TRUE(doc.IsModified());
  doc.SetModifiedFlag(false);
  EXPECT_FALSE(doc.JoinNextLine(At(doc.LastLine(), 2, 0)));
  EXPECT_FALSE(doc.IsModified());

  TextPos p{doc.FirstLine(), 0, 7, 3};
  EXPECT_FALSE(CVeloDoc::PrevLine(p));
  EXPECT_TRUE(CVeloDoc::NextLine(p) && CVeloDoc::NextLine(p) && !CVeloDoc::NextLine(p));
  EXPECT_EQ(std::tuple(p.node, p.line, p.column, p.byteIndex), std::tuple(doc.LastLine(), 2, 7, 3));

  LineNode* first = doc.FirstLine();
  doc.SplitLine(At(first, 0, 0));
  EXPECT_EQ(doc.FirstLine(), first);  // the position still names the first half
  doc.SplitLine(At(doc.LastLine(), 3, 0));
  doc.SplitLine(At(first->next, 1, 100));  // beyond the end: an empty tail
  doc.InsertText(At(doc.LastLine(), 5, 99), "end");
  doc.InsertText(At(first, 0, -4), "<");
  EXPECT_EQ(DocLines(doc), (Lines{"<", "alpha", "", "\x95\x5C", "", "end"}));
  while (doc.JoinNextLine(At(first, 0, 0))) {
  }
  EXPECT_TRUE(doc.LineCount() == 1 && doc.LastLine() == first && !first->next && !first->prev);
  doc.DeleteBytes(At(first, 0, -3), 2);
  EXPECT_EQ(doc.ToFileImage(),
            "lpha\x95\x5C"
            "end\r\n");
}

}  // namespace

// The byte strings lines are made of, against a plain string, and the document's line primitives
// at the ends of the text and beyond them, where the view seldom takes them.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "FileFixtures.h"
#include "base/ByteString.h"
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

// Edits of a shared slice leave the other sharers alone.
TEST(ByteString, SharedSlicesCopyOnWrite) {
  ByteBlock* block = ByteBlock::Allocate(11);
  std::memcpy(block->Data(), "hello world", 11);
  ByteString a(block, 0, 5), b(block, 6, 5);
  block->Unref();
  ByteString c = a;
  ASSERT_TRUE(c.SharesStorageWith(a));
  c.Insert(5, "!!");
  c.Erase(0, 1);
  a.Append(b.View());
  EXPECT_EQ(std::string(c.View()) + "|" + std::string(a.View()) + "|" + std::string(b.View()),
            "ello!!|helloworld|world");
}

// Random edits, the string's own bytes among what is inserted, against std::string; indexes
// out of range are clamped.
TEST(ByteString, EditsMatchAPlainString) {
  std::mt19937 rng(5);
  ByteString s;
  std::string model;
  for (int i = 0; i < 5000; ++i) {
    const int length = static_cast<int>(model.size());
    const int at = static_cast<int>(rng() % static_cast<unsigned>(length + 5)) - 2;
    const std::size_t clamped = static_cast<std::size_t>(std::clamp(at, 0, length));
    switch (rng() % 4) {
      case 0: {
        const std::string piece(1 + rng() % 3, static_cast<char>('a' + rng() % 26));
        s.Append(piece);
        model += piece;
        break;
      }
      case 1: {  // a piece of itself: the source may move while the string grows
        const std::string copy = model.substr(clamped, 4);
        s.Insert(at, s.View().substr(clamped, 4));
        model.insert(clamped, copy);
        break;
      }
      case 2: {
        const int count = static_cast<int>(rng() % 4);
        s.Erase(at, count);
        if (at < length && count > 0) model.erase(clamped, static_cast<std::size_t>(count));
        break;
      }
      default:
        EXPECT_EQ(s.Mid(at, 3), model.substr(clamped, 3));
    }
    ASSERT_EQ(s.View(), model) << i;
    if (model.size() > 200) {
      s.Truncate(10);
      model.resize(10);
    }
  }
}

}  // namespace

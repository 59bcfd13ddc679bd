// The byte strings lines are made of against a plain string, and the document's line primitives
// beyond the ends of the text, where the view seldom takes them.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "FileFixtures.h"
#include "base/ByteString.h"
#include "base/Settings.h"
#include "doc/CVeloDoc.h"

namespace {

TEST(Doc, PositionsBeyondALineAreClampedAndAFailedJoinChangesNothing) {
  Settings settings;
  CVeloDoc doc(settings);
  LoadText(doc, "alpha\n\x95\x5C\n");
  LineNode* first = doc.FirstLine();
  doc.SetModifiedFlag(false);
  EXPECT_FALSE(doc.JoinNextLine(TextPos{doc.LastLine(), 1, 0, 0}));
  EXPECT_FALSE(doc.IsModified());
  doc.SplitLine(TextPos{first, 0, 0, 100});
  doc.InsertText(TextPos{doc.LastLine(), 2, 0, 99}, "end");
  doc.InsertText(TextPos{first, 0, 0, -4}, "<");
  doc.DeleteBytes(TextPos{first, 0, 0, -3}, 2);
  EXPECT_EQ(doc.ToFileImage(),
            "lpha\r\n\r\n\x95\x5C"
            "end\r\n");
}

// Random edits, the string's own bytes among what is inserted, against std::string; indexes out
// of range are clamped. Slices taken and edited leave the string alone.
TEST(ByteString, EditsMatchAPlainString) {
  std::mt19937 rng(5);
  ByteString s;
  std::string model;
  for (int i = 0; i < 5000; ++i) {
    const int length = static_cast<int>(model.size()), count = static_cast<int>(rng() % 4);
    const int at = static_cast<int>(rng() % static_cast<unsigned>(length + 5)) - 2;
    const std::size_t clamped = static_cast<std::size_t>(std::clamp(at, 0, length));
    const auto op = rng() % 4;
    if (op == 0) {
      const std::string more(static_cast<std::size_t>(1 + count), static_cast<char>('a' + rng() % 26));
      s.Append(more);
      model += more;
    } else if (op == 1) {  // a piece of itself: the source may move while the string grows
      s.Insert(at, s.View().substr(clamped, 4));
      model.insert(clamped, model.substr(clamped, 4));
    } else if (op == 2) {
      s.Erase(at, count);
      if (at < length && count > 0) model.erase(clamped, static_cast<std::size_t>(count));
    } else {
      ByteString slice = s.Mid(at, 3);
      EXPECT_EQ(slice.View(), model.substr(clamped, 3));
      slice.Insert(1, "#");
      slice.Erase(0, 1);
    }
    ASSERT_EQ(s.View(), model) << i;
    if (model.size() > 200) {
      s.Truncate(10);
      model.resize(10);
    }
  }
}

}  // namespace

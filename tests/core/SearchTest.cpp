// The search and replace engine through the real view, under the repaint check: the cases where a
// plain substring search or replace loop goes wrong. Texts mark the caret "‸" and the selection's
// anchor "⁁"; in what the view shows, bytes other than printable ASCII read <hh>. 表 95 5C and
// 竹 92 7C end in "\" and "|"; 亜 88 9F is two lead bytes.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "EditSupport.h"
#include "RepaintCheck.h"
#include "ViewFakes.h"

namespace {

using Op = std::function<void(CVeloView&)>;
Op Find(std::string text, bool forward) {
  return [=](CVeloView& v) { v.Find(text, forward); };
}
Op ReplaceAll(std::string search, std::string by) {
  return [=](CVeloView& v) { v.ReplaceAll(search, by); };
}
Op Replace(std::string by) {
  return [=](CVeloView& v) { v.ReplaceSelection(by); };
}

struct Case {
  const char* name;
  std::vector<std::string> text;  // with the caret and maybe the anchor marked
  Op op;
  const char* shown;
  std::size_t steps = 0;  // undo steps the operation makes
  bool overwrite = false;
};

const Case kCases[] = {
    {"forward from the caret", {"ab‸xab", "ab"}, Find("ab", true), "abx⁁ab‸\nab\n"},
    {"backward: the rest of the caret line first", {"ab a‸b ab"}, Find("ab", false), "ab ab ⁁ab‸\n"},
    {"backward: then the leftmost above", {"x ab ab", "ab‸"}, Find("ab", false), "x ⁁ab‸ ab\nab\n"},
    {"no wrap forward", {"ab‸", "x"}, Find("ab", true), "ab\nx‸\n"},
    {"\\ is never a trail byte", {"‸\x95\x5C\\"}, Find("\\", true), "<95>\\⁁\\‸\n"},
    {"| is never a trail byte", {"‸\x92\x7C", "|"}, Find("|", true), "<92>|\n⁁|‸\n"},
    {"a match ending in a lead byte takes its character",
     {"‸|\x88\x9F"},
     Find("|\x88", true),
     "⁁|<88><9F>‸\n"},
    {"case matters", {"‸TeX tex"}, Find("tex", true), "TeX ⁁tex‸\n"},
    {"replace without a selection: nothing", {"a‸b"}, Replace("x"), "a‸b\n"},
    {"replace a backwards selection", {"a‸b⁁c"}, Replace("XY"), "aXY‸c\n", 2},
    {"replace overwriting as many bytes as it is wide", {"a⁁b‸cdef"}, Replace("12"), "a12‸ef\n", 3, true},
    {"replace all of a by aa ends", {"‸aaa"}, ReplaceAll("a", "aa"), "aaaaaa‸\n", 6},
    {"replace all from the middle", {"a a", "a ‸a", "a"}, ReplaceAll("a", "b"), "a a\na b\nb‸\n", 4},
    {"a replacement's lead byte pairs with what follows",
     {"‸a|a|b"},
     ReplaceAll("a", "\x88"),
     "<88>|<88>|b‸\n",
     4},
};

TEST(Search, CasesThatBite) {
  for (const Case& c : kCases) {
    Mark caret, anchor;
    std::vector<std::string> lines;
    for (std::string line : c.text) {
      std::size_t at = line.find("‸"), from = line.find("⁁");
      if (at != std::string::npos && from != std::string::npos)
        (from < at ? at : from) -= 3;  // one sign is 3 bytes
      for (const char* sign : {"‸", "⁁"})
        if (const std::size_t i = line.find(sign); i != std::string::npos) line.erase(i, 3);
      const int n = static_cast<int>(lines.size());
      if (at != std::string::npos) caret = std::pair(n, static_cast<int>(at));
      if (from != std::string::npos) anchor = std::pair(n, static_cast<int>(from));
      lines.push_back(line);
    }
    ViewRig rig(lines);
    CVeloView& v = *rig.view;
    v.OnSetFocus();
    if (c.overwrite) v.ToggleOverwrite();
    if (anchor) v.PlaceCaret(anchor->first, anchor->second, false);
    v.PlaceCaret(caret->first, caret->second, anchor.has_value());
    ASSERT_TRUE(RepaintsMatch(v, rig.host, [&] { c.op(v); })) << c.name;
    ASSERT_TRUE(PositionsValid(v)) << c.name;
    EXPECT_EQ(RenderView(v), c.shown) << c.name;
    EXPECT_EQ(v.UndoList().size(), c.steps) << c.name;
    while (!v.UndoList().empty()) v.Undo();
    EXPECT_EQ(LinesOf(rig.doc), lines) << c.name;
  }
}

TEST(Search, AFoundTextIsSelectedAndItsLineCentred) {
  std::vector<std::string> lines(60, "..");
  lines[40] = "abcdefg*h";
  ViewRig rig(lines);
  CVeloView& v = *rig.view;
  ASSERT_TRUE(RepaintsMatch(v, rig.host, [&] { v.FindAndShow("*", true); }));
  EXPECT_EQ(v.SelAnchor().byteIndex, 7);
  EXPECT_EQ(v.Caret().byteIndex, 8);
  EXPECT_EQ(v.Origin().line, 40 - v.VisibleLines() / 2);
}

}  // namespace

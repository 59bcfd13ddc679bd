// Columns, character steps and hit testing. The column scans jump from tab to tab instead of
// stepping every character, and may start from a known position instead of the line start; they
// must agree with a walk of one character at a time everywhere: around lead bytes paired with a
// tab, odd and even runs of lead bytes, lone lead bytes at the line end, tabs at and between stops.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>

#include "EditSupport.h"
#include "ViewFakes.h"

namespace {

std::pair<int, int> Place(const TextPos& p) { return {p.byteIndex, p.column}; }

std::string RandomLine(std::mt19937& rng, int length) {
  // Tabs, lead bytes (some of them also trail bytes), bytes that are only trail bytes, plain
  // ASCII, half-width katakana and runs of lead bytes.
  static const unsigned char alphabet[] = {'\t', '\t', 0x81, 0x88, 0x9F, 0xE0, 0xFC,
                                           0x5C, 0x40, 'a',  ' ',  0xB1, 0x7B, 0x0D};
  std::string s;
  for (int i = 0; i < length; ++i) {
    if (rng() % 9 == 0)
      s.append(1 + rng() % 6, static_cast<char>(0x88));
    else
      s += static_cast<char>(alphabet[rng() % sizeof alphabet]);
  }
  return s;
}

TEST(ViewLayout, ScansAndStepsAgreeWithACharacterWalk) {
  std::mt19937 rng(4242);
  for (int round = 0; round < 250; ++round) {
    const std::string line = RandomLine(rng, static_cast<int>(rng() % 32));
    ViewRig rig({line});
    CVeloView& v = *rig.view;
    const int tab = 1 + static_cast<int>(rng() % 9);
    rig.settings.tabSize = tab;
    const CharWalk w(line, tab);
    const int size = static_cast<int>(line.size());
    const TextPos home{rig.doc.FirstLine(), 0, 0, 0};
    const std::string at = "tab " + std::to_string(tab) + " \"" + Readable(line) + "\"";

    EXPECT_EQ(v.LineWidth(line), w.Width()) << at;
    for (int b = -1; b <= size + 1; ++b) {
      TextPos p = home;
      v.SetByteIndex(p, b);
      ASSERT_EQ(Place(p), w.AtByte(b)) << at << " byte " << b;
      EXPECT_EQ(CVeloView::IsCharBoundary(line, b), b <= 0 || b >= size || w.IsStart(b))
          << at << " byte " << b;
    }
    for (int c = -1; c <= w.Width() + 2; ++c) {
      TextPos p = home;
      v.SetColumn(p, c);
      ASSERT_EQ(Place(p), w.AtColumn(c)) << at << " column " << c;
    }
    // From every character start as a hint, forward and back, and one step each way.
    for (std::size_t k = 0; k < w.starts.size(); ++k) {
      const TextPos hint{rig.doc.FirstLine(), 0, w.columns[k], w.starts[k]};
      const std::string from = at + " from " + std::to_string(w.starts[k]);
      ASSERT_EQ(v.LineWidthFrom(hint), w.Width()) << from;
      for (int b = 0; b <= size; ++b) {
        TextPos p = home;
        v.SetByteIndexFrom(p, hint, b);
        ASSERT_EQ(Place(p), w.AtByte(b)) << from << " to byte " << b;
      }
      for (int c = 0; c <= w.Width() + 1; ++c) {
        TextPos p = home;
        v.SetColumnFrom(p, hint, c);
        ASSERT_EQ(Place(p), w.AtColumn(c)) << from << " to column " << c;
      }
      const std::size_t back = k > 0 ? k - 1 : 0, on = std::min(k + 1, w.starts.size() - 1);
      TextPos p = hint;
      v.RetreatChar(p);
      ASSERT_EQ(Place(p), std::pair(w.starts[back], w.columns[back])) << from << " back";
      p = hint;
      v.AdvanceChar(p);
      ASSERT_EQ(Place(p), std::pair(w.starts[on], w.columns[on])) << from << " on";
    }
  }
}

TEST(ViewLayout, TabWidthsThatCannotBeLaidOutAreCorrected) {
  ViewRig rig({"a\t\tb"});
  for (int bad : {0, -5, 1 << 30}) {
    rig.settings.tabSize = bad;
    EXPECT_EQ(rig.view->LineWidth("a\t\tb"), CharWalk("a\t\tb", bad > 0 ? kMaxTabSize : 1).Width()) << bad;
  }
}

}  // namespace

// The column scans jump from tab to tab instead of stepping every character, and may start
// from a known position instead of the line start. They must agree with a walk of one
// character at a time everywhere: around lead bytes paired with a tab, odd and even runs of
// lead bytes, lone lead bytes at the line end, and tabs at and between stops.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "EditSupport.h"
#include "ViewFakes.h"
#include "base/Cp932.h"

namespace {

struct Walk {
  std::vector<int> starts;   // character starts, the line end included
  std::vector<int> columns;  // the column at each start
};

Walk WalkLine(const std::string& s, int tab) {
  Walk w;
  int i = 0, c = 0;
  const int size = static_cast<int>(s.size());
  for (;;) {
    w.starts.push_back(i);
    w.columns.push_back(c);
    if (i >= size) break;
    const unsigned char b = static_cast<unsigned char>(s[static_cast<std::size_t>(i)]);
    if (cp932::IsLeadByte(b) && i + 1 < size) {
      i += 2;
      c += 2;
    } else if (b == '\t') {
      i += 1;
      c = (c / tab + 1) * tab;
    } else {
      i += 1;
      c += 1;
    }
  }
  return w;
}

// The start at or after byte b, and the start of the character covering column target.
std::pair<int, int> AtByte(const Walk& w, int b) {
  for (std::size_t k = 0; k < w.starts.size(); ++k)
    if (w.starts[k] >= b) return {w.starts[k], w.columns[k]};
  return {w.starts.back(), w.columns.back()};
}
std::pair<int, int> AtColumn(const Walk& w, int target) {
  std::size_t k = 0;
  while (k + 1 < w.starts.size() && w.columns[k] < target) ++k;
  if (w.columns[k] > target && k > 0) --k;
  return {w.starts[k], w.columns[k]};
}

std::string RandomLine(std::mt19937& rng, int length) {
  // Tabs, lead bytes (some of them also trail bytes), bytes that are only trail bytes, plain
  // ASCII and half-width katakana.
  static const unsigned char alphabet[] = {'\t', '\t', 0x81, 0x88, 0x9F, 0xE0, 0xFC,
                                           0x5C, 0x40, 'a',  ' ',  0xB1, 0x7B, 0x0D};
  std::string s;
  for (int i = 0; i < length; ++i) {
    if (rng() % 9 == 0) {  // a run of lead bytes
      const int run = 1 + static_cast<int>(rng() % 6);
      for (int k = 0; k < run; ++k) s += static_cast<char>(0x88);
    } else {
      s += static_cast<char>(alphabet[rng() % sizeof alphabet]);
    }
  }
  return s;
}

TEST(EditColumnScan, ScansAgreeWithACharacterWalk) {
  std::mt19937 rng(4242);
  for (int round = 0; round < 250; ++round) {
    const std::string line = RandomLine(rng, static_cast<int>(rng() % 32));
    ViewRig rig({line});
    CVeloView& v = *rig.view;
    const int tab = 1 + static_cast<int>(rng() % 9);
    rig.settings.tabSize = tab;
    const Walk w = WalkLine(line, tab);
    const int size = static_cast<int>(line.size());
    const std::string at =
        "round " + std::to_string(round) + " tab " + std::to_string(tab) + " \"" + Readable(line) + "\"";

    EXPECT_EQ(v.LineWidth(line), w.columns.back()) << at;
    for (int b = -1; b <= size + 1; ++b) {
      TextPos p{rig.doc.FirstLine(), 0, 0, 0};
      v.SetByteIndex(p, b);
      const auto want = AtByte(w, b);
      ASSERT_EQ(std::make_pair(p.byteIndex, p.column), want) << at << " byte " << b;
      EXPECT_EQ(CVeloView::IsCharBoundary(line, b), b <= 0 || b >= size || ReferenceBoundary(line, b))
          << at << " byte " << b;
    }
    for (int target = -1; target <= w.columns.back() + 2; ++target) {
      TextPos p{rig.doc.FirstLine(), 0, 0, 0};
      v.SetColumn(p, target);
      ASSERT_EQ(std::make_pair(p.byteIndex, p.column), AtColumn(w, target)) << at << " column " << target;
    }
    // From every character start as a hint, forward and back.
    for (std::size_t k = 0; k < w.starts.size(); ++k) {
      const TextPos hint{rig.doc.FirstLine(), 0, w.columns[k], w.starts[k]};
      ASSERT_EQ(v.LineWidthFrom(hint), w.columns.back()) << at << " from " << w.starts[k];
      for (int b = 0; b <= size; ++b) {
        TextPos p{rig.doc.FirstLine(), 0, 0, 0};
        v.SetByteIndexFrom(p, hint, b);
        ASSERT_EQ(std::make_pair(p.byteIndex, p.column), AtByte(w, b))
            << at << " from " << w.starts[k] << " to byte " << b;
      }
      for (int target = 0; target <= w.columns.back() + 1; ++target) {
        TextPos p{rig.doc.FirstLine(), 0, 0, 0};
        v.SetColumnFrom(p, hint, target);
        ASSERT_EQ(std::make_pair(p.byteIndex, p.column), AtColumn(w, target))
            << at << " from " << w.starts[k] << " to column " << target;
      }
      if (k > 0) {
        TextPos p = hint;
        v.RetreatChar(p);
        ASSERT_EQ(std::make_pair(p.byteIndex, p.column), std::make_pair(w.starts[k - 1], w.columns[k - 1]))
            << at << " back from " << w.starts[k];
      }
    }
  }
}

// A hint on another line, or beyond its own line, is not used.
TEST(EditColumnScan, HintsFromElsewhereAreIgnored) {
  ViewRig rig({"ab\tcd", "xy"});
  CVeloView& v = *rig.view;
  const TextPos other = rig.PosAt(1, 2);
  TextPos p{rig.doc.FirstLine(), 0, 0, 0};
  v.SetColumnFrom(p, other, 9);
  EXPECT_EQ(p.byteIndex, 4);
  EXPECT_EQ(p.column, 9);
  TextPos beyond{rig.doc.FirstLine(), 0, 3, 40};
  v.SetByteIndexFrom(p, beyond, 3);
  EXPECT_EQ(p.byteIndex, 3);
  EXPECT_EQ(p.column, 8);
  EXPECT_EQ(v.LineWidthFrom(beyond), 10);
}

// Long lines: the scans reach the far end of a line with tabs and kanji in it.
TEST(EditColumnScan, LongLinesWithTabsAndKanji) {
  std::string line;
  for (int i = 0; i < 20000; ++i) line += (i % 7 == 0) ? std::string("\t") : (i % 3 ? "ab" : kKanji5C);
  ViewRig rig({line});
  CVeloView& v = *rig.view;
  const Walk w = WalkLine(line, v.TabWidth());
  TextPos p{rig.doc.FirstLine(), 0, 0, 0};
  v.SetByteIndex(p, static_cast<int>(line.size()) - 1);
  EXPECT_EQ(std::make_pair(p.byteIndex, p.column), AtByte(w, static_cast<int>(line.size()) - 1));
  v.SetColumn(p, w.columns.back() - 5);
  EXPECT_EQ(std::make_pair(p.byteIndex, p.column), AtColumn(w, w.columns.back() - 5));
  const TextPos end{rig.doc.FirstLine(), 0, w.columns.back(), static_cast<int>(line.size())};
  v.SetColumnFrom(p, end, w.columns.back() - 30);
  EXPECT_EQ(std::make_pair(p.byteIndex, p.column), AtColumn(w, w.columns.back() - 30));
  EXPECT_EQ(v.LineWidth(line), w.columns.back());
}

}  // namespace

// The view where a case file cannot reach it, the repaint check's own sensitivity, and the column
// scans, which jump from tab to tab and may start from a hint, against a character walk.
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <random>
#include <string>

#include "ViewFakes.h"
#include "base/CommandIds.h"

namespace {

// A kanji whose trail byte is a trap: 表 ends in 0x5C, the backslash.
const std::string kKanji5C = "\x95\x5C";

// Before its initial update, and with a font of no size, a view takes everything without harm.
TEST(View, OperationsWithoutALayoutAreHarmless) {
  ViewRig rig({""});
  FakeViewHost host;
  auto view = std::make_unique<CVeloView>(rig.doc, rig.settings, host);
  for (int id : {ID_LINE_DOWN, ID_EDIT_DELETE, ID_EDIT_PASTE, ID_EDIT_UNDO, ID_EDIT_SELECT_ALL, ID_DOC_END})
    EXPECT_TRUE(view->OnCommand(id));
  view->OnTypedText("xy");
  view->GoToLine(3, 0);
  view->OnVScroll(ScrollAction::PageDown, 0);
  view->OnHScroll(ScrollAction::ThumbTrack, 30);
  view->OnLButtonDown(Point{40, 20});
  view->OnMouseMove(Point{-5, 100});
  view->OnMouseWheel(-120);
  view->OnImeComposition("x", CVeloView::LineSpan{0, 3});
  view->ZoomIn();
  EXPECT_EQ(rig.Row(*view, 3, 'b'), "mmgggggggggg");
  EXPECT_EQ(DocLines(rig.doc), std::vector<std::string>{""});
  view.reset();
  EXPECT_EQ(rig.doc.Views().size(), 1u);

  ViewRig small({"abc"}, 0, 0);
  small.host.metrics = TextMetrics{0, 0};
  small.view->CreateViewFont();
  small.host.client = Rect{0, 0, 40, 30};
  small.view->OnSize();
  EXPECT_EQ((std::pair(small.view->VisibleLines(), small.view->VisibleColumns())), std::pair(30, 40));
}

// Reconverted span edges inside a character widen onto it; overwrite mode does not reach past
// the span. Single characters: a pair whole, a byte as a typed key, codes that are none dropped.
TEST(View, InputMethodSpansAndSingleCharacters) {
  ViewRig rig({"abc" + kKanji5C + "def"});
  rig.view->ToggleOverwrite();
  rig.view->OnImeComposition("X", CVeloView::LineSpan{4, 4});
  EXPECT_EQ(DocLines(rig.doc), std::vector<std::string>{"abcXdef"});
  ViewRig chars({""});
  for (int code : {0x955C, 0x61, 0x0D, 0x8100, 0x4142, 0x1B, 0x10000}) chars.view->OnImeChar(code);
  EXPECT_EQ(DocLines(chars.doc), (std::vector<std::string>{kKanji5C + "a", ""}));
  EXPECT_EQ(chars.view->UndoList().size(), 3u);
}

// Nothing to search for finds nothing and replaces nothing: replace all would never end.
TEST(View, AnEmptySearchFindsAndReplacesNothing) {
  ViewRig rig({"ab", "c"});
  EXPECT_FALSE(rig.view->Find("", true));
  rig.view->ReplaceAll("", "x");
  EXPECT_EQ(DocLines(rig.doc), (std::vector<std::string>{"ab", "c"}));
  EXPECT_TRUE(rig.view->UndoList().empty());
}

// A change the view was not told of, or pixels moved without repainting the strip they uncover.
TEST(View, TheRepaintCheckNoticesAMissedRepaint) {
  ViewRig rig({"a\tb" + kKanji5C, "x"});
  CVeloView& v = *rig.view;
  EXPECT_FALSE(RepaintsMatch(v, rig.host, [&] { rig.settings.tabSize = 3; }));
  EXPECT_FALSE(RepaintsMatch(v, rig.host, [&] { rig.settings.colors[ColorTable::Margin] = 0x123456; }));
  EXPECT_FALSE(RepaintsMatch(v, rig.host, [&] { rig.host.ScrollContent(0, -16); }));
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [] {}));
}

// Tabs, lead bytes (some also trail bytes), trail-only bytes, ASCII, half-width katakana, runs of
// lead bytes; now and then a tab width that cannot be laid out, which the view corrects.
TEST(ViewLayout, ScansAndStepsAgreeWithACharacterWalk) {
  std::mt19937 rng(4242);
  for (int round = 0; round < 250; ++round) {
    static const unsigned char alphabet[] = {'\t', '\t', 0x81, 0x88, 0x9F, 0xE0, 0xFC,
                                             0x5C, 0x40, 'a',  ' ',  0xB1, 0x7B, 0x0D};
    std::string line = round % 40 ? "" : "a\t\tb";
    for (int i = static_cast<int>(rng() % 32); i > 0; --i) {
      const bool run = rng() % 9 == 0;
      line.append(run ? 1 + rng() % 6 : 1, static_cast<char>(run ? 0x88 : alphabet[rng() % 14]));
    }
    const int asked = round % 40 ? 1 + static_cast<int>(rng() % 9)
                                 : std::array{0, -5, 1 << 30}[static_cast<std::size_t>(round / 40 % 3)];
    ViewRig rig({line});
    CVeloView& v = *rig.view;
    rig.settings.tabSize = asked;
    const CharWalk w(line, asked > kMaxTabSize ? kMaxTabSize : std::max(asked, 1));
    const int size = static_cast<int>(line.size());
    const std::string at = "tab " + std::to_string(asked) + " \"" + Readable(line) + "\" from ";
    // With no hint, then from every character start as a hint, forward and back.
    for (int k = -1; k < static_cast<int>(w.starts.size()); ++k) {
      const std::size_t h = static_cast<std::size_t>(std::max(k, 0));
      const TextPos hint{rig.doc.FirstLine(), 0, w.columns[h], w.starts[h]};
      auto scan = [&](int to, bool byColumn) {
        TextPos p = hint;
        if (byColumn) k < 0 ? v.SetColumn(p, to) : v.SetColumnFrom(p, hint, to);
        if (!byColumn) k < 0 ? v.SetByteIndex(p, to) : v.SetByteIndexFrom(p, hint, to);
        return std::pair(p.byteIndex, p.column);
      };
      ASSERT_EQ(k < 0 ? v.LineWidth(line) : v.LineWidthFrom(hint), w.Width()) << at << w.starts[h];
      for (int b = -1; b <= size + 1; ++b) ASSERT_EQ(scan(b, false), w.AtByte(b)) << at << k << " byte " << b;
      for (int c = -1; c <= w.Width() + 2; ++c)
        ASSERT_EQ(scan(c, true), w.AtColumn(c)) << at << k << " column " << c;
    }
  }
}

}  // namespace

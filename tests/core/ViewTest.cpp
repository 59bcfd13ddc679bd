// The view where a case file cannot reach it: construction, metrics, the caret's shape, zoom,
// input method entry, the repaint check's own sensitivity; and the column scans, which jump from
// tab to tab and may start from a known position, against a walk of one character at a time:
// around lead bytes paired with a tab, runs of lead bytes, lone lead bytes, tabs at stops.
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <utility>

#include "ViewFakes.h"
#include "base/CommandIds.h"

namespace {

TEST(View, SettingsAndMetricsAtConstruction) {
  Settings settings;
  CVeloDoc doc(settings);
  FakeViewHost host;
  for (bool loaded : {false, true}) {  // defaults only where nothing was read
    settings.tabSize = 3;
    settings.settingsLoaded = loaded;
    CVeloView view(doc, settings, host);
    EXPECT_EQ(settings.tabSize, loaded ? 3 : kDefaultTabSize);
  }
  host.client = Rect{0, 0, 803, 250};
  host.metrics = TextMetrics{17, 9};
  auto view = std::make_unique<CVeloView>(doc, settings, host);
  view->OnInitialUpdate();
  EXPECT_EQ(host.imeFont, host.selectedFont);  // the input method composes in the view's font
  EXPECT_EQ((std::vector{view->MarginWidth(), view->VisibleLines(), view->VisibleColumns()}),
            (std::vector{18, 250 / 17, 803 / 9}));
  view.reset();
  EXPECT_TRUE(doc.Views().empty());

  ViewRig rig({"abc"}, 0, 0, 15);  // no whole cell, then an empty font
  EXPECT_EQ(rig.view->VisibleLines(), 0);
  rig.host.metrics = TextMetrics{0, 0};
  rig.view->CreateViewFont();
  rig.host.client = Rect{0, 0, 40, 30};
  rig.view->OnSize();
  EXPECT_EQ((std::vector{rig.view->VisibleLines(), rig.view->VisibleColumns()}), (std::vector{30, 40}));
}

TEST(View, OperationsBeforeTheInitialUpdateAreHarmless) {
  Settings settings;
  CVeloDoc doc(settings);
  FakeViewHost host;
  CVeloView view(doc, settings, host);
  for (int id : {ID_LINE_DOWN, ID_EDIT_DELETE, ID_EDIT_PASTE, ID_EDIT_UNDO, ID_EDIT_SELECT_ALL, ID_DOC_END})
    EXPECT_TRUE(view.OnCommand(id));
  view.OnChar('a');
  view.OnTypedText("xy");
  view.GoToLine(3, 0);
  view.OnSetFocus();
  view.OnVScroll(ScrollAction::PageDown, 0);
  view.OnHScroll(ScrollAction::ThumbTrack, 30);
  view.OnLButtonDown(Point{40, 20});
  view.OnMouseMove(Point{-5, 100});
  view.OnMouseWheel(-120);
  view.OnImeComposition("x", CVeloView::LineSpan{0, 3});
  view.ZoomIn();
  Picture pic(host.client.Width(), host.client.Height());
  FakeSurface surface(pic, host.client, 8, 16);
  view.OnDraw(surface);
  EXPECT_EQ(pic.At(50, 50).back, settings.colors[ColorTable::Ground]);
  EXPECT_EQ(DocLines(doc), std::vector<std::string>{""});
}

// A bar, or a block in overwrite mode, made once per focus, one pixel left of its cell. A press
// captures the mouse until its release, a stray release gives nothing back.
TEST(View, CaretShapeFocusAndMouseCapture) {
  ViewRig rig({"abc", "\tdef"});
  CVeloView& v = *rig.view;
  v.OnSetFocus();
  EXPECT_EQ(rig.host.caretShape, (Point{2, 16}));
  v.PlaceCaret(1, 2, false);
  EXPECT_EQ(std::tuple(rig.host.caretCreations, rig.host.status, rig.host.caretPos.x, rig.host.caretPos.y),
            std::tuple(1, "2: 10", 16 + 9 * 8 - 1, 16));
  EXPECT_EQ(rig.host.imePos, rig.host.caretPos);
  v.OnCommand(ID_TOGGLE_OVERWRITE);
  EXPECT_EQ(rig.host.caretShape, (Point{8, 16}));
  v.OnKillFocus();
  v.OnCommand(ID_TOGGLE_OVERWRITE);  // no caret without the focus
  EXPECT_EQ(std::pair(rig.host.caretHides, rig.host.caretCreations), std::pair(1, 2));
  rig.host.shiftDown = true;  // Shift does not extend a press
  v.OnLButtonDown(Point{16 + 3 * 8, 4});
  EXPECT_EQ(rig.host.captures, 1);
  EXPECT_FALSE(v.IsSelecting());
  v.OnLButtonUp(Point{});
  v.OnLButtonUp(Point{});
  EXPECT_EQ(rig.host.captures, 0);
}

// Steps of 2 between 12 and 24, by command or Ctrl+wheel; at a limit no font is made. Metrics,
// caret, scroll range and the input method's font follow; the caret stays in view.
TEST(View, ZoomStaysBetweenItsLimitsAndEverythingFollowsTheFont) {
  ViewRig rig(std::vector<std::string>(40, std::string(60, 'x')), 30, 10);
  CVeloView& v = *rig.view;
  rig.host.metricsFollowFont = true;
  v.OnSetFocus();
  v.PlaceCaret(9, 25, false);
  const int made = rig.host.fontsMade;
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(v.OnCommand(ID_ZOOM_IN));
  EXPECT_EQ((std::vector{v.LogFont().height, rig.host.fontsMade - made, v.LineHeight(), v.CharWidth(),
                         v.MarginWidth(), rig.host.caretShape->y, rig.host.vBar.range.page}),
            (std::vector{24, 3, 24, 12, 24, 24, v.VisibleLines()}));
  EXPECT_EQ(rig.host.imeFont, v.LogFont());
  EXPECT_LT(v.Caret().line, v.Origin().line + v.VisibleLines());
  EXPECT_LE(v.Caret().column, v.Origin().column + v.VisibleColumns() - 2);
  rig.host.ctrlDown = true;
  for (int i = 0; i < 7; ++i) v.OnMouseWheel(-120);
  EXPECT_EQ(v.LogFont().height, 12);
  EXPECT_TRUE(PositionsValid(v));
}

// A reconverted span edge inside a character widens onto it; overwrite mode does not reach past
// the span. Single characters: a pair whole, a byte as a typed key, codes that are none dropped.
TEST(View, InputMethodSpansAndSingleCharacters) {
  ViewRig rig({"abc" + kKanji5C + "def"});
  rig.view->ToggleOverwrite();
  rig.view->OnImeComposition("X", CVeloView::LineSpan{4, 5});
  EXPECT_EQ(DocLines(rig.doc), std::vector<std::string>{"abcXdef"});
  ViewRig chars({""});
  for (int code : {0x955C, 0x61, 0x0D, 0x8100, 0x4142, 0x1B, 0x10000}) chars.view->OnImeChar(code);
  EXPECT_EQ(DocLines(chars.doc), (std::vector<std::string>{kKanji5C + "a", ""}));
  EXPECT_EQ(chars.view->UndoList().size(), 3u);
}

// The check itself: a change the view was not told of, or pixels moved without repainting the
// strip they uncover, must show.
TEST(View, TheRepaintCheckNoticesAMissedRepaint) {
  ViewRig rig({"a\tb" + kKanji5C, "x"});
  CVeloView& v = *rig.view;
  EXPECT_FALSE(RepaintsMatch(v, rig.host, [&] { rig.settings.tabSize = 3; }));
  EXPECT_FALSE(RepaintsMatch(v, rig.host, [&] { rig.settings.colors[ColorTable::Margin] = 0x123456; }));
  EXPECT_FALSE(RepaintsMatch(v, rig.host, [&] { rig.host.ScrollContent(0, -16); }));
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [] {}));
}

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
    // Now and then with a tab width that cannot be laid out, which the view corrects.
    const int asked = round % 40 ? 1 + static_cast<int>(rng() % 9)
                                 : std::array{0, -5, 1 << 30}[static_cast<std::size_t>(round / 40 % 3)];
    const std::string line = RandomLine(rng, static_cast<int>(rng() % 32)) + (round % 40 ? "" : "a\t\tb");
    ViewRig rig({line});
    CVeloView& v = *rig.view;
    rig.settings.tabSize = asked;
    const int tab = asked > kMaxTabSize ? kMaxTabSize : std::max(asked, 1);
    const CharWalk w(line, tab);
    const int size = static_cast<int>(line.size());
    const TextPos home{rig.doc.FirstLine(), 0, 0, 0};
    const std::string at = "tab " + std::to_string(tab) + " \"" + Readable(line) + "\"";

    // Where a scan from start lands.
    auto scan = [](TextPos p, const auto& how) { return how(p), std::pair(p.byteIndex, p.column); };
    EXPECT_EQ(v.LineWidth(line), w.Width()) << at;
    for (int b = -1; b <= size + 1; ++b) {
      ASSERT_EQ(scan(home, [&](TextPos& p) { v.SetByteIndex(p, b); }), w.AtByte(b)) << at << " byte " << b;
      EXPECT_EQ(CVeloView::IsCharBoundary(line, b), b <= 0 || b >= size || w.IsStart(b))
          << at << " byte " << b;
    }
    for (int c = -1; c <= w.Width() + 2; ++c)
      ASSERT_EQ(scan(home, [&](TextPos& p) { v.SetColumn(p, c); }), w.AtColumn(c)) << at << " column " << c;
    // From every character start as a hint, forward and back, and one step each way.
    for (std::size_t k = 0; k < w.starts.size(); ++k) {
      const TextPos hint{rig.doc.FirstLine(), 0, w.columns[k], w.starts[k]};
      const std::string from = at + " from " + std::to_string(w.starts[k]);
      ASSERT_EQ(v.LineWidthFrom(hint), w.Width()) << from;
      for (int b = 0; b <= size; ++b)
        ASSERT_EQ(scan(home, [&](TextPos& p) { v.SetByteIndexFrom(p, hint, b); }), w.AtByte(b))
            << from << " to byte " << b;
      for (int c = 0; c <= w.Width() + 1; ++c)
        ASSERT_EQ(scan(home, [&](TextPos& p) { v.SetColumnFrom(p, hint, c); }), w.AtColumn(c))
            << from << " to column " << c;
      const std::size_t back = k > 0 ? k - 1 : 0, on = std::min(k + 1, w.starts.size() - 1);
      ASSERT_EQ(scan(hint, [&](TextPos& p) { v.RetreatChar(p); }), std::pair(w.starts[back], w.columns[back]))
          << from << " back";
      ASSERT_EQ(scan(hint, [&](TextPos& p) { v.AdvanceChar(p); }), std::pair(w.starts[on], w.columns[on]))
          << from << " on";
    }
  }
}

}  // namespace

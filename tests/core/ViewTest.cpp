// The view where a case file cannot reach it: construction, metrics, the caret's shape, zoom,
// input method entry, and the repaint check's own sensitivity.
#include <gtest/gtest.h>

#include <memory>

#include "EditSupport.h"
#include "RepaintCheck.h"
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
  EXPECT_EQ(LinesOf(doc), std::vector<std::string>{""});
}

// A bar, or a block in overwrite mode, made once per focus, one pixel left of its cell. A press
// captures the mouse until its release, a stray release gives nothing back.
TEST(View, CaretShapeFocusAndMouseCapture) {
  ViewRig rig({"abc", "\tdef"});
  CVeloView& v = *rig.view;
  v.OnSetFocus();
  EXPECT_EQ(rig.host.caretShape, (Point{2, 16}));
  v.PlaceCaret(1, 2, false);
  EXPECT_EQ(rig.host.caretCreations, 1);
  EXPECT_EQ(rig.host.status, "2: 10");
  EXPECT_EQ(rig.host.caretPos, (Point{16 + 9 * 8 - 1, 16}));
  EXPECT_EQ(rig.host.imePos, rig.host.caretPos);
  v.OnCommand(ID_TOGGLE_OVERWRITE);
  EXPECT_EQ(rig.host.caretShape, (Point{8, 16}));
  v.OnKillFocus();
  EXPECT_EQ(rig.host.caretHides, 1);
  v.OnCommand(ID_TOGGLE_OVERWRITE);
  EXPECT_EQ(rig.host.caretCreations, 2);  // no caret without the focus
  rig.host.shiftDown = true;              // Shift does not extend a press
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
  EXPECT_EQ(v.LogFont().height, 24);
  EXPECT_EQ(rig.host.fontsMade, made + 3);
  EXPECT_EQ((std::vector{v.LineHeight(), v.CharWidth(), v.MarginWidth(), rig.host.caretShape->y}),
            (std::vector{24, 12, 24, 24}));
  EXPECT_EQ(rig.host.imeFont, v.LogFont());
  EXPECT_EQ(rig.host.vBar.range.page, v.VisibleLines());
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
  EXPECT_EQ(LinesOf(rig.doc), std::vector<std::string>{"abcXdef"});
  ViewRig chars({""});
  for (int code : {0x955C, 0x61, 0x0D, 0x8100, 0x4142, 0x1B, 0x10000}) chars.view->OnImeChar(code);
  EXPECT_EQ(LinesOf(chars.doc), (std::vector<std::string>{kKanji5C + "a", ""}));
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

}  // namespace

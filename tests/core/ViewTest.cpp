// The view where a case file cannot reach it: its construction, metrics and caret in the window,
// and the repaint check's own sensitivity.
#include <gtest/gtest.h>

#include <memory>

#include "EditSupport.h"
#include "RepaintCheck.h"
#include "ViewFakes.h"
#include "base/CommandIds.h"

namespace {

TEST(View, SettingsGetTheirDefaultsOnlyIfNotReadYet) {
  Settings settings;
  CVeloDoc doc(settings);
  FakeViewHost host;
  for (bool loaded : {false, true}) {
    settings.colors[ColorTable::Margin] = 0x123456;
    settings.tabSize = 3;
    settings.settingsLoaded = loaded;
    CVeloView view(doc, settings, host);
    EXPECT_EQ(settings.colors[ColorTable::Margin], loaded ? 0x123456u : kDefaultColors[ColorTable::Margin]);
    EXPECT_EQ(settings.tabSize, loaded ? 3 : kDefaultTabSize);
  }
}

TEST(View, TheInitialUpdateMeasuresTheWindowInWholeCells) {
  Settings settings;
  CVeloDoc doc(settings);
  FakeViewHost host;
  host.client = Rect{0, 0, 803, 250};
  host.metrics = TextMetrics{17, 9};
  auto view = std::make_unique<CVeloView>(doc, settings, host);
  view->OnInitialUpdate();
  ASSERT_TRUE(host.selectedFont.has_value());
  EXPECT_EQ(host.imeFont, host.selectedFont);  // the input method composes in the view's font
  EXPECT_EQ(view->MarginWidth(), 18);
  EXPECT_EQ(view->VisibleLines(), 14);    // 250 / 17
  EXPECT_EQ(view->VisibleColumns(), 89);  // 803 / 9, the margin not subtracted
  view.reset();
  EXPECT_TRUE(doc.Views().empty());

  ViewRig rig({"abc"}, 0, 0, 15);  // no whole cell at all
  EXPECT_EQ(rig.view->VisibleLines(), 0);
  rig.host.metrics = TextMetrics{0, 0};  // a host reporting an empty font
  rig.view->CreateViewFont();
  rig.host.client = Rect{0, 0, 40, 30};
  rig.view->OnSize();
  EXPECT_EQ(rig.view->VisibleLines(), 30);
  EXPECT_EQ(rig.view->VisibleColumns(), 40);
}

TEST(View, OperationsBeforeTheInitialUpdateAreHarmless) {
  Settings settings;
  CVeloDoc doc(settings);
  FakeViewHost host;
  CVeloView view(doc, settings, host);
  for (int id : {ID_LINE_DOWN, ID_EDIT_DELETE, ID_EDIT_PASTE, ID_EDIT_UNDO, ID_EDIT_SELECT_ALL, ID_DOC_END,
                 ID_ZOOM_OUT})
    EXPECT_TRUE(view.OnCommand(id));
  view.OnChar('a');
  view.OnTypedText("xy");
  view.GoToLine(3, 0);
  view.OnSize();
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

// A bar, or a block in overwrite mode, made once per focus, one pixel left of its cell but never
// in the margin.
TEST(View, CaretShapePlaceAndFocus) {
  ViewRig rig({"abc", "\tdef"});
  CVeloView& v = *rig.view;
  v.OnSetFocus();
  EXPECT_EQ(rig.host.caretShape, (Point{2, 16}));
  EXPECT_EQ(rig.host.caretHides, 0);
  EXPECT_EQ(rig.host.caretPos, (Point{16, 0}));
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
  v.OnSetFocus();
  EXPECT_EQ(rig.host.caretShape, (Point{2, 16}));
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

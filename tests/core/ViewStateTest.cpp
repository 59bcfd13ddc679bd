// Construction of the editor view, its font and metrics, and the shared display settings.
#include <gtest/gtest.h>

#include <memory>

#include "EditSupport.h"
#include "ViewFakes.h"
#include "base/CommandIds.h"

namespace {

TEST(ViewState, SettingsGetTheirDefaultsOnlyIfNotReadYet) {
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

TEST(ViewState, TheInitialUpdateMeasuresTheWindowInWholeCells) {
  Settings settings;
  CVeloDoc doc(settings);
  FakeViewHost host;
  host.client = Rect{0, 0, 803, 250};
  host.metrics = TextMetrics{17, 9};
  auto view = std::make_unique<CVeloView>(doc, settings, host);
  EXPECT_EQ(doc.Views(), std::vector<DocView*>{view.get()});
  view->OnInitialUpdate();
  ASSERT_TRUE(host.selectedFont.has_value());
  EXPECT_EQ(host.imeFont, host.selectedFont);  // the input method composes in the view's font
  EXPECT_EQ(view->MarginWidth(), 18);
  EXPECT_EQ(view->VisibleLines(), 14);    // 250 / 17
  EXPECT_EQ(view->VisibleColumns(), 89);  // 803 / 9, the margin not subtracted
  EXPECT_TRUE(PositionsValid(*view));
  view.reset();
  EXPECT_TRUE(doc.Views().empty());

  ViewRig rig({"abc"}, 0, 0, 15);  // no whole cell at all
  EXPECT_EQ(rig.view->VisibleLines(), 0);
  EXPECT_EQ(rig.view->VisibleColumns(), 0);
  rig.host.metrics = TextMetrics{0, 0};  // a host reporting an empty font
  rig.view->CreateViewFont();
  rig.host.client = Rect{0, 0, 40, 30};
  rig.view->OnSize();
  EXPECT_EQ(rig.view->VisibleLines(), 30);
  EXPECT_EQ(rig.view->VisibleColumns(), 40);
}

// The selection ends are ordered by column: after a tab width change both must use the new
// width, or an anchor counted with the old one could sort after the end.
TEST(ViewState, ATabWidthChangeRecountsEveryStoredColumn) {
  ViewRig rig({"\t\t\tabc", "\tx"});
  CVeloView& v = *rig.view;
  rig.Select(0, 3, 0, 5);  // "ab" after three tabs: columns 24 to 26
  v.ApplyTabSize(2);
  EXPECT_TRUE(PositionsValid(v));
  EXPECT_EQ(v.GetSelectionSpan(v.Caret()), (CVeloView::SelectionSpan{3, 5, false}));
  v.ApplyTabSize(8);  // column 26 is right of the 12-column window
  EXPECT_LE(v.Caret().column, v.Origin().column + v.VisibleColumns() - 2);
}

TEST(ViewState, OperationsBeforeTheInitialUpdateAreHarmless) {
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
  view.CenterCaret();
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
  EXPECT_EQ(view.Caret().node, nullptr);
}

}  // namespace

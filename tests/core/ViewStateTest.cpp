// Construction of the editor view, its font and metrics, and the shared display settings.
#include <gtest/gtest.h>

#include <algorithm>

#include "ViewFakes.h"

namespace {

TEST(ViewState, SettingsGetTheirDefaultsOnlyIfNotReadYet) {
  Settings settings;
  settings.colors[ColorTable::Margin] = 0x123456;
  settings.tabSize = 3;
  CVeloDoc doc(settings);
  FakeViewHost host;
  {
    CVeloView unread(doc, settings, host);
    EXPECT_EQ(settings.colors, kDefaultColors);
    EXPECT_EQ(settings.tabSize, kDefaultTabSize);
  }
  settings.colors[ColorTable::Margin] = 0x123456;
  settings.tabSize = 3;
  settings.settingsLoaded = true;
  CVeloView read(doc, settings, host);
  EXPECT_EQ(settings.colors[ColorTable::Margin], 0x123456u);
  EXPECT_EQ(settings.tabSize, 3);
}

TEST(ViewState, ConstructionAndInitialUpdate) {
  Settings settings;
  CVeloDoc doc(settings);
  doc.lines.Append(ByteString("second"));
  FakeViewHost host;
  host.client = Rect{0, 0, 803, 250};
  host.metrics = TextMetrics{17, 9};
  auto view = std::make_unique<CVeloView>(doc, settings, host);
  EXPECT_EQ(doc.Views(), std::vector<DocView*>{view.get()});
  EXPECT_EQ(view->caret.node, nullptr);  // placed only by the initial update
  EXPECT_TRUE(view->undoList.empty());
  EXPECT_TRUE(view->bookmarks.empty());
  EXPECT_TRUE(view->bookmarkCursor == view->bookmarks.end());
  EXPECT_TRUE(view->moveTable[CVeloView::kLineEnd] == &CVeloView::LineEnd);
  EXPECT_TRUE(view->moveTable[CVeloView::kWordLeft] == &CVeloView::WordLeft);

  view->OnInitialUpdate();
  ASSERT_EQ(host.fontsSelected.size(), 1u);
  const FontRequest& font = host.fontsSelected[0];
  EXPECT_EQ(font.height, 18);
  EXPECT_EQ(font.weight, 400);
  EXPECT_EQ(font.charSet, 128);
  EXPECT_EQ(font.pitchAndFamily, 1);
  EXPECT_EQ(host.imeFonts.back(), font);  // the input method composes in the same font
  EXPECT_EQ(view->lineHeight, 17);
  EXPECT_EQ(view->charWidth, 9);
  EXPECT_EQ(view->marginWidth, 18);
  EXPECT_EQ(view->visibleLines, 14);    // 250 / 17, whole lines only
  EXPECT_EQ(view->visibleColumns, 89);  // 803 / 9, the margin not subtracted
  EXPECT_EQ(view->caret.node, doc.FirstLine());
  EXPECT_EQ(view->origin.node, doc.FirstLine());
  EXPECT_TRUE(host.InvalidatedAll());

  view.reset();
  EXPECT_TRUE(doc.Views().empty());
}

TEST(ViewState, SizesThatHoldNoWholeCell) {
  ViewRig rig({"abc"}, 0, 0, 15);  // 0 wide, 15 pixels high: less than a line
  EXPECT_EQ(rig.view->visibleLines, 0);
  EXPECT_EQ(rig.view->visibleColumns, 0);

  rig.host.metrics = TextMetrics{0, 0};  // a host reporting an empty font
  rig.view->CreateViewFont();
  rig.host.client = Rect{0, 0, 40, 30};
  rig.view->OnSize();
  EXPECT_EQ(rig.view->lineHeight, 1);
  EXPECT_EQ(rig.view->charWidth, 1);
  EXPECT_EQ(rig.view->visibleLines, 30);
  EXPECT_EQ(rig.view->visibleColumns, 40);
}

TEST(ViewState, ApplyTabSizeRecomputesColumnsAndBringsTheCaretIntoView) {
  ViewRig rig({"\t\t\tabc", "\tx"});
  CVeloView& v = *rig.view;
  rig.Select(0, 3, 0, 5);  // "ab" after three tabs: columns 24 to 26
  v.caret = v.selEnd;
  rig.host.ClearLog();
  v.ApplyTabSize(2);
  EXPECT_EQ(rig.settings.tabSize, 2);
  EXPECT_EQ(v.caret.column, 8);
  // The selection ends are ordered by column: both must use the new width, or the anchor
  // (24 by the old width) would sort after the end (8 by the new one).
  EXPECT_EQ(v.selAnchor.column, 6);
  EXPECT_TRUE(PosBefore(v.selAnchor, v.selEnd));
  EXPECT_EQ(v.GetSelectionSpan(v.caret), (CVeloView::SelectionSpan{3, 5, false}));
  EXPECT_TRUE(rig.host.InvalidatedAll());
  EXPECT_TRUE(rig.host.HasScrollInfo(ScrollBarKind::Horizontal));  // ranges recomputed
  EXPECT_EQ(rig.host.LastScroll(ScrollBarKind::Horizontal).mask & kScrollRange, kScrollRange);

  v.ApplyTabSize(8);  // column 26 is off to the right of the 12-column window
  EXPECT_EQ(v.caret.column, 26);
  EXPECT_LE(v.caret.column, v.origin.column + v.visibleColumns - 2);
}

TEST(ViewState, ApplyColorsRepaintsWithoutRecomputingRanges) {
  ViewRig rig({"abc"});
  ColorTable colors = kTestColors;
  colors[ColorTable::Text] = 0x00ABCDEF;
  rig.host.ClearLog();
  rig.view->ApplyColors(colors);
  EXPECT_EQ(rig.settings.colors, colors);
  EXPECT_TRUE(rig.host.InvalidatedAll());
  EXPECT_EQ(rig.host.imeFonts.size(), 1u);
  EXPECT_EQ(rig.host.LastScroll(ScrollBarKind::Vertical).mask, kScrollPos | kScrollDisableNoScroll);
  const Picture pic = rig.Paint();
  EXPECT_EQ(pic.At(16, 0).fore, 0x00ABCDEFu);
}

TEST(ViewState, OperationsBeforeTheInitialUpdateAreHarmless) {
  Settings settings;
  CVeloDoc doc(settings);
  FakeViewHost host;
  CVeloView view(doc, settings, host);
  view.OnSize();
  view.OnSetFocus();
  view.OnVScroll(SB_PAGEDOWN, 0);
  view.OnHScroll(SB_THUMBTRACK, 30);
  view.EnsureCaretVisible(true);
  view.CenterCaret();
  view.InvalidateSelection();
  Picture pic(host.client.Width(), host.client.Height());
  FakeSurface surface(pic, host.client, 8, 16);
  view.OnDraw(surface);
  EXPECT_EQ(pic.At(50, 50).back, settings.colors[ColorTable::Ground]);
  EXPECT_EQ(view.caret.node, nullptr);
}

}  // namespace

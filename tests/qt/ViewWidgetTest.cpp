// The view's window: painted pixels, caret, input method position and scroll bars, through
// the real CVeloView on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <QScreen>
#include <QScrollBar>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ImageProbe.h"
#include "doc/CVeloDoc.h"
#include "platform/ViewWidget.h"

namespace {

// Six colours that no two slots share, so every pixel tells where it came from.
constexpr ColorTable kColors{{{0xE0F0FF, 0x800000, 0x000080, 0x00FFFF, 0x00C000, 0xC0C0FF}}};

void LoadText(CVeloDoc& doc, std::string_view text) {
  ByteBlock* block = ByteBlock::Allocate(std::max<std::size_t>(text.size(), 1));
  if (!text.empty()) std::memcpy(block->Data(), text.data(), text.size());
  doc.LoadLines(block, text.size());
  block->Unref();
}

std::string NumberedLines(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += "line " + std::to_string(i) + "\n";
  return text;
}

// Records what the view asks of the scroll bars and the content.
class RecordingWidget : public ViewWidget {
 public:
  using ViewWidget::ViewWidget;
  void ScrollContent(int dx, int dy) override {
    scrolls.push_back({dx, dy});
    ViewWidget::ScrollContent(dx, dy);
  }
  void SetScrollBar(ScrollBarKind bar, const ScrollRange* range, int pos) override {
    // A bar that answers the view's own update with an action would nest here.
    ++depth;
    maxDepth = std::max(maxDepth, depth);
    ViewWidget::SetScrollBar(bar, range, pos);
    --depth;
  }
  std::vector<QPoint> scrolls;
  int depth = 0;
  int maxDepth = 0;
};

class ViewWidgetTest : public ::testing::Test {
 protected:
  ViewWidgetTest() {
    settings.colors = kColors;
    settings.settingsLoaded = true;
  }

  RecordingWidget& Open(std::string_view text, int width = 640, int height = 400) {
    LoadText(doc, text);
    widget = std::make_unique<RecordingWidget>(doc, settings);
    widget->resize(width, height);
    widget->show();
    QApplication::processEvents();
    // Showing may give it the focus; tests that want the caret ask for it.
    widget->clearFocus();
    QApplication::processEvents();
    return *widget;
  }

  void Focus() {
    QApplication::setActiveWindow(widget.get());
    widget->setFocus();
    QApplication::processEvents();
  }

  CVeloView& V() { return widget->View(); }

  void PutCaret(int line, int byteIndex) {
    V().PlaceCaret(line, byteIndex, false);
    V().EnsureCaretVisible(false);
  }

  // Selects from the anchor to the end without scrolling.
  void Select(int anchorLine, int anchorByte, int endLine, int endByte) {
    V().PlaceCaret(anchorLine, anchorByte, false);
    V().PlaceCaret(endLine, endByte, true);
  }

  void SetBookmark(int line) {
    const TextPos caret = V().Caret();
    V().PlaceCaret(line, 0, false);
    V().ToggleBookmark();
    V().PlaceCaret(caret.line, caret.byteIndex, false);
  }

  // A full repaint of the viewport.
  QImage Grab() { return widget->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
  // What the window shows now, built from the invalidations so far.
  QImage OnScreen() {
    QApplication::processEvents();
    const QImage window = widget->screen()->grabWindow(widget->winId()).toImage();
    return window.copy(widget->viewport()->geometry()).convertToFormat(QImage::Format_RGB32);
  }

  // Display columns [column, column + cells) of a screen row, in viewport pixels.
  QRect Cells(int row, int column, int cells = 1) {
    const CVeloView& v = V();
    return QRect(v.MarginWidth() + (column - v.Origin().column) * v.CharWidth(), row * v.LineHeight(),
                 cells * v.CharWidth(), v.LineHeight());
  }
  // Glyphs reach every edge of their cells, but ink covers less than half of any cell.
  static bool BackgroundIs(const QImage& img, const QRect& cells, QRgb color) {
    return 2 * CountColor(img, cells, color) > cells.width() * cells.height();
  }

  QRgb C(int slot) { return Rgb(kColors[slot]); }

  Settings settings;
  CVeloDoc doc{settings};
  std::unique_ptr<RecordingWidget> widget;
};

TEST_F(ViewWidgetTest, PaintsEachColourWhereTheViewPutsIt) {
  Open("abc\ndefgh\nij\n");
  CVeloView& v = V();
  SetBookmark(2);
  Select(1, 2, 0, 1);  // made backwards: the anchor after the end
  const QImage img = Grab();
  const int w = img.width();

  EXPECT_TRUE(IsUniform(img, QRect(0, 0, v.MarginWidth(), 2 * v.LineHeight()), C(ColorTable::Margin)));
  EXPECT_GT(CountColor(img, QRect(0, 2 * v.LineHeight(), v.CharWidth(), v.LineHeight()), C(ColorTable::Text)),
            0)
      << "the bookmark mark has no ink";

  // Row 0: "a" unselected, "bc" selected, then the selected line break, then ground.
  EXPECT_TRUE(BackgroundIs(img, Cells(0, 0), C(ColorTable::Bk)));
  EXPECT_GT(CountColor(img, Cells(0, 0), C(ColorTable::Text)), 0);
  for (int col : {1, 2}) {
    EXPECT_TRUE(BackgroundIs(img, Cells(0, col), C(ColorTable::SelBk))) << col;
    EXPECT_GT(CountColor(img, Cells(0, col), C(ColorTable::SelText)), 0) << col;
  }
  EXPECT_TRUE(IsUniform(img, Cells(0, 3), C(ColorTable::SelBk)));
  EXPECT_TRUE(
      IsUniform(img, QRect(Cells(0, 4).topLeft(), QPoint(w - 1, v.LineHeight() - 1)), C(ColorTable::Ground)));

  // Row 1: "de" selected, "fgh" not, and no break cell on the selection's last line.
  EXPECT_TRUE(BackgroundIs(img, Cells(1, 0, 2), C(ColorTable::SelBk)));
  EXPECT_TRUE(BackgroundIs(img, Cells(1, 2, 3), C(ColorTable::Bk)));
  EXPECT_TRUE(IsUniform(img, QRect(Cells(1, 5).topLeft(), QPoint(w - 1, 2 * v.LineHeight() - 1)),
                        C(ColorTable::Ground)));
}

TEST_F(ViewWidgetTest, CharactersStayInTheirCells) {
  // 表 (95 5C) has a backslash for its trail byte; あ is 82 A0; the face draws Α (83 9F)
  // narrower than two cells and has no ≒ (81 E0), which comes from another face.
  std::string text = "\x95\x5C\n\x82\xA0\n\x83\x9F\n\x81\xE0\n";
  std::string kanji, ascii;
  for (int i = 0; i < 30; ++i) kanji += "\x95\x5C";
  ascii.assign(60, 'M');
  text += kanji + "\n" + ascii + "\n";
  Open(text, 800, 400);
  const CVeloView& v = V();
  ASSERT_GE(v.VisibleColumns(), 64);
  const QImage img = Grab();
  const QRgb bk = C(ColorTable::Bk);

  for (int row : {0, 1, 2, 3}) {
    const QRect cells = Cells(row, 0, 2);
    const QRect row_(v.MarginWidth(), row * v.LineHeight(), img.width() - v.MarginWidth(), v.LineHeight());
    // Ground right of the character is not ink either.
    QImage probe = img.copy(row_);
    for (int y = 0; y < probe.height(); ++y)
      for (int x = cells.width(); x < probe.width(); ++x)
        if ((probe.pixel(x, y) & 0xFFFFFF) == (C(ColorTable::Ground) & 0xFFFFFF)) probe.setPixel(x, y, bk);
    const QRect ink = InkBox(probe, probe.rect(), bk).translated(row_.topLeft());
    ASSERT_FALSE(ink.isEmpty()) << row;
    EXPECT_TRUE(cells.contains(ink)) << row << ": ink " << Describe(ink) << " cells " << Describe(cells);
    // A full-width glyph: ink in both cells, centred within a pixel or two.
    EXPECT_LT(ink.left(), cells.left() + v.CharWidth()) << row;
    EXPECT_GE(ink.right(), cells.left() + v.CharWidth()) << row;
    EXPECT_LE(std::abs((ink.left() - cells.left()) - (cells.right() - ink.right())), 2) << row;
  }

  // Whole cells only: a fractional advance would drift by the end of the row.
  EXPECT_EQ(FirstDifference(img.copy(Cells(4, 58, 2)), img.copy(Cells(4, 0, 2))), "");
  EXPECT_EQ(FirstDifference(img.copy(Cells(5, 59)), img.copy(Cells(5, 0))), "");
}

TEST_F(ViewWidgetTest, TheCaretFollowsTheCaretPoint) {
  RecordingWidget& w = Open("abc\n\x95\x5C\x82\xA0xyz\n\tq\n");
  QStringList statuses;
  QObject::connect(&w, &ViewWidget::statusTextChanged, [&](const QString& s) { statuses << s; });
  EXPECT_TRUE(w.CaretRect().isEmpty()) << "a caret without focus";
  Focus();
  CVeloView& v = V();
  ASSERT_TRUE(w.hasFocus());
  auto expectAtCaretPoint = [&](int width) {
    const Point p = v.CaretPoint();
    const QRect expected(p.x, p.y, width, v.LineHeight());
    EXPECT_EQ(w.CaretRect(), expected);
  };
  expectAtCaretPoint(2);
  PutCaret(1, 4);  // after 表あ
  expectAtCaretPoint(2);
  PutCaret(2, 1);  // after the tab
  expectAtCaretPoint(2);
  EXPECT_EQ(statuses.value(statuses.size() - 1), "3: 9");

  v.ToggleOverwrite();
  expectAtCaretPoint(v.CharWidth());

  w.clearFocus();
  QApplication::processEvents();
  EXPECT_TRUE(w.CaretRect().isEmpty()) << "a caret after the focus went";
  EXPECT_TRUE(w.inputMethodQuery(Qt::ImEnabled).toBool());
}

TEST_F(ViewWidgetTest, ScrollBarsAndViewFollowEachOther) {
  RecordingWidget& w = Open(NumberedLines(100), 640, 400);
  Focus();
  CVeloView& v = V();
  QScrollBar* vbar = w.verticalScrollBar();
  ASSERT_GT(v.VisibleLines(), 4);
  EXPECT_EQ(vbar->maximum(), 99 - v.VisibleLines() + 1);
  EXPECT_EQ(vbar->pageStep(), v.VisibleLines());
  PutCaret(60, 0);
  EXPECT_GT(v.Origin().line, 0);
  EXPECT_EQ(vbar->value(), v.Origin().line);
  EXPECT_TRUE(w.scrolls.empty()) << "jumps repaint, they do not scroll the content";

  // One action, one scroll: the bar's own update must not come back as a second action.
  vbar->setValue(0);
  w.scrolls.clear();
  vbar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(v.Origin().line, 1);
  ASSERT_EQ(w.scrolls.size(), 1u);
  EXPECT_EQ(w.scrolls[0], QPoint(0, -v.LineHeight()));
  vbar->setSliderDown(true);
  vbar->setSliderPosition(42);
  vbar->setSliderDown(false);
  EXPECT_EQ(v.Origin().line, 42);
  EXPECT_EQ(w.maxDepth, 1) << "the bar answered the view's own update";
  // Horizontally a line step is two columns.
  w.horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(v.Origin().column, 2);
}

TEST_F(ViewWidgetTest, TheScreenAfterScrollingAndCaretMovesEqualsAFullRepaint) {
  std::string text;
  for (int i = 0; i < 200; ++i)
    text +=
        "\x95\x5C"
        "abc\tdef " +
        std::to_string(i) + "\x82\xA0\n";
  RecordingWidget& w = Open(text, 640, 400);
  Focus();
  CVeloView& v = V();
  SetBookmark(5);
  OnScreen();
  QScrollBar* vbar = w.verticalScrollBar();
  vbar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(FirstDifference(OnScreen(), Grab()), "") << "after one line down";
  // The caret moves with the content while scrolling; its old picture must not stay behind.
  PutCaret(v.Origin().line + 2, 3);
  OnScreen();
  vbar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  vbar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(FirstDifference(OnScreen(), Grab()), "") << "after scrolling with the caret shown";
  EXPECT_GE(w.scrolls.size(), 3u);
  w.clearFocus();
  EXPECT_EQ(FirstDifference(OnScreen(), Grab()), "") << "after the focus went";
}

TEST_F(ViewWidgetTest, RowsFromCachedCellsMatchRowsDrawnAsGlyphRuns) {
  std::string text;
  for (int i = 0; i < 30; ++i) text += "\\section{\x95\x5C\x82\xA0}\t% " + std::to_string(i) + "\x80\n";
  RecordingWidget& w = Open(text, 500, 300);
  SetBookmark(1);
  Select(2, 3, 4, 9);
  w.SetBufferedRows(false);
  const QImage replayed = Grab();
  w.SetBufferedRows(true);
  EXPECT_EQ(FirstDifference(Grab(), replayed), "");
}

}  // namespace

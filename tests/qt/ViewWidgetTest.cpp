// The view on the offscreen platform, from the font's cells and the row surface up to the real
// window: painted pixels, caret, scroll bars, repaints, the input method and the wheel.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGlyphRun>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QStyleHints>
#include <QTextCharFormat>
#include <QWheelEvent>
#include <memory>
#include <string>
#include <vector>

#include "../core/FileFixtures.h"
#include "doc/CVeloDoc.h"
#include "platform/QtSurface.h"
#include "platform/ViewFont.h"
#include "platform/ViewWidget.h"

namespace {

// Six colours that no two slots share, so every pixel tells where it came from.
constexpr ColorTable kColors{{{0xE0F0FF, 0x800000, 0x000080, 0x00FFFF, 0x00C000, 0xC0C0FF}}};
QRgb Rgb(Color c) { return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }
QRgb C(int slot) { return Rgb(kColors[slot]); }
constexpr QRgb kWhite = 0xFFFFFFFF;

// Calls f(x, y, same) for every pixel of area, same when it is color.
template <class F>
void ForPixels(const QImage& image, const QRect& area, QRgb color, F f) {
  const QRect r = area & image.rect();
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) f(x, y, (image.pixel(x, y) & 0xFFFFFF) == (color & 0xFFFFFF));
}
int CountColor(const QImage& image, const QRect& area, QRgb color) {
  int n = 0;
  ForPixels(image, area, color, [&](int, int, bool same) { n += same; });
  return n;
}
// The bounding box of the pixels that are not back.
QRect InkBox(const QImage& image, QRgb back) {
  QRect box;
  ForPixels(image, image.rect(), back,
            [&](int x, int y, bool same) { box |= same ? QRect() : QRect(x, y, 1, 1); });
  return box;
}

// Every zoom step: cells as high as asked and half as wide, holding all a glyph's ink but at most
// the edge of its anti-aliasing, ASCII descenders kept, full-width characters centred (表 ends
// in 5C; the face draws Α narrow; ≒ comes from another face).
TEST(ViewFontTest, EveryZoomStepKeepsGlyphsWholeInTheirCells) {
  for (int height = 12; height <= 24; height += 2) {
    ViewFont font(FontRequest{height, 400});
    ASSERT_EQ(font.Metrics().height, height);
    ASSERT_EQ(font.Metrics().aveCharWidth, height / 2);
    EXPECT_NEAR(font.Baseline(), 0.88 * height, 1.0) << height;
    ViewFont::CellCache& cells = font.Cells(qRgb(0, 0, 0), kWhite);
    for (unsigned code : {0x8ABFu, 0x82A0u, 0x8175u, 0x955Cu, 0x839Fu, 0x81E0u, 0xB6u, unsigned{'g'},
                          unsigned{'j'}, unsigned{'y'}, unsigned{'f'}, unsigned{'Q'}}) {
      const int wide = code > 0xFF ? 2 : 1;
      const QImage& image = cells.For(code);
      ASSERT_EQ(image.size(), QSize(wide * font.CellWidth(), height));
      const QRect ink = InkBox(image, kWhite);
      ASSERT_FALSE(ink.isEmpty()) << std::hex << code;
      if (wide == 2 && code != 0x8175) {  // 「 stands aside
        EXPECT_LE(std::abs(ink.left() - (image.width() - 1 - ink.right())), 2) << height << std::hex << code;
      }
      const ViewFont::Glyph& g = font.GlyphFor(code);
      if (g.kind != ViewFont::GlyphKind::Glyph) continue;
      // The glyph drawn freely: what lies outside the cells is cut off, one pixel line at most.
      const int lh = font.LineHeight();
      QImage free(image.width() + 2 * lh, 3 * lh, QImage::Format_RGB32);
      free.fill(Qt::white);
      QGlyphRun run;
      run.setRawFont(font.RawFont());
      const QPointF at(lh + g.dx, lh + g.baseline);
      run.setRawData(&g.index, &at, 1);
      QPainter(&free).drawGlyphRun(QPointF(0, 0), run);
      const QRect freeInk = InkBox(free, kWhite).translated(-lh, -lh);
      EXPECT_TRUE(image.rect().contains(freeInk.marginsRemoved(QMargins(1, 1, 1, 1))))
          << height << std::hex << code;
      EXPECT_EQ(ink, freeInk & image.rect()) << height << " " << std::hex << code;
      if (code == 'g' || code == 'j' || code == 'y') {
        EXPECT_GE(ink.bottom() - font.AsciiBaseline(), height / 8) << height << " " << char(code);
      }
    }
  }
}

// The row surface on its own, composing rows as images and as glyph runs.
class RowSurfaceTest : public ::testing::TestWithParam<bool> {
 protected:
  // Draws one run from x on a fresh row and returns the width advanced.
  int Draw(int x, std::string_view bytes, int tabPx, int tabOrigin) {
    screen.fill(Qt::white);
    QPainter painter(&screen);
    QtSurface surface(painter, font, screen.rect(), GetParam() ? &row : nullptr);
    surface.PrepareRow(screen.width(), font.LineHeight());
    surface.FillRow(Rect{0, 0, screen.width(), font.LineHeight()}, 0xFFFFFF);
    const int advanced = surface.DrawRowText(x, bytes, 0, kBack, font.CellWidth(), tabPx, tabOrigin);
    surface.CopyRowToScreen(0, screen.width(), 0);
    return advanced;
  }
  // Where the run's background lies on the row's last pixel line, below any letters.
  QRect BackSpan() {
    QRect span;
    ForPixels(screen, QRect(0, font.LineHeight() - 1, screen.width(), 1), Rgb(kBack),
              [&](int x, int, bool same) { span |= same ? QRect(x, 0, 1, 1) : QRect(); });
    return span;
  }
  static constexpr Color kBack = 0x80FFFF;
  ViewFont font{FontRequest{}};
  QImage screen{1200, 2 * font.LineHeight(), QImage::Format_RGB32};
  QImage row;
};

TEST_P(RowSurfaceTest, AdvancesByCellsAndTabStopsAndSurvivesHostileRuns) {
  const int cw = font.CellWidth(), tab = 8 * cw, origin = 2 * cw;
  EXPECT_EQ(Draw(origin, "a\tb", tab, origin), 9 * cw);
  EXPECT_EQ(BackSpan(), QRect(origin, 0, 9 * cw, 1));
  EXPECT_EQ(Draw(origin, "a\x95", tab, origin), 2 * cw);  // a lone lead byte at the end: one cell
  // Pens left of the tab origin (runs begun under the margin): stops lie below it too.
  EXPECT_EQ(Draw(origin - cw, "\tX", tab, origin), 2 * cw);
  EXPECT_EQ(Draw(-3 * cw, "abcdef", tab, origin), 6 * cw);
  EXPECT_EQ(BackSpan(), QRect(0, 0, 3 * cw, 1));
  // No tab distance: a cell, not a division by zero.
  EXPECT_EQ(Draw(0, "\t\t", 0, 0), 2 * cw);
  // A megabyte in one run: the width exact, nothing drawn past the row.
  EXPECT_EQ(Draw(0, std::string(1 << 20, '\x82'), tab, 0), (1 << 19) * 2 * cw);
  EXPECT_EQ(BackSpan(), QRect(0, 0, screen.width(), 1));
  std::string all;  // every byte value, begun left of the row
  for (int b = 0; b < 256; ++b)
    if (b != '\t') all += static_cast<char>(b);
  EXPECT_EQ(Draw(-50 * cw, all, tab, 0), 255 * cw);
}

INSTANTIATE_TEST_SUITE_P(Composition, RowSurfaceTest, ::testing::Values(true, false),
                         [](const auto& param) { return param.param ? "RowImage" : "GlyphRuns"; });

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
    maxDepth = std::max(maxDepth, ++depth);
    ViewWidget::SetScrollBar(bar, range, pos);
    --depth;
  }
  std::vector<QPoint> scrolls;
  int depth = 0, maxDepth = 0;
};

class ViewWidgetTest : public ::testing::Test {
 protected:
  // A shown window on text with the focus and a steady caret.
  RecordingWidget& Open(std::string_view text, int width = 480, int height = 300) {
    QGuiApplication::styleHints()->setCursorFlashTime(0);
    widget.reset();
    settings.colors = kColors;
    settings.settingsLoaded = true;
    doc = std::make_unique<CVeloDoc>(settings);
    LoadText(*doc, text);
    widget = std::make_unique<RecordingWidget>(*doc, settings);
    widget->resize(width, height);
    widget->show();
    QApplication::setActiveWindow(widget.get());
    widget->setFocus();
    QApplication::processEvents();
    // Qt keeps the modifiers of the last key sent; a Ctrl left by an earlier test would zoom.
    QKeyEvent noModifiers(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier);
    QCoreApplication::sendEvent(widget.get(), &noModifiers);
    QObject::connect(widget.get(), &ViewWidget::messageShown, [this](const QString& m) { messages << m; });
    return *widget;
  }
  CVeloView& V() { return widget->View(); }
  std::string Bytes() { return doc->ToFileImage(); }
  // A full repaint of the viewport, and what the window shows from the repaints asked for.
  QImage Grab() { return widget->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
  QImage OnScreen() {
    QApplication::processEvents();
    const QImage window = widget->screen()->grabWindow(widget->winId()).toImage();
    return window.copy(widget->viewport()->geometry()).convertToFormat(QImage::Format_RGB32);
  }
  // Display columns [column, column + cells) of a screen row, in viewport pixels.
  QRect Cells(int row, int column, int cells = 1) {
    return QRect(V().MarginWidth() + (column - V().Origin().column) * V().CharWidth(), row * V().LineHeight(),
                 cells * V().CharWidth(), V().LineHeight());
  }
  // What an input method sends: a composition, underlined, with its cursor; finished text.
  void Compose(const QString& preedit, int cursor = -1) {
    QTextCharFormat format;
    format.setUnderlineStyle(QTextCharFormat::SingleUnderline);
    const int length = static_cast<int>(preedit.size());
    QInputMethodEvent event(preedit, {{QInputMethodEvent::TextFormat, 0, length, QVariant(format)},
                                      {QInputMethodEvent::Cursor, cursor < 0 ? length : cursor, 1, {}}});
    QCoreApplication::sendEvent(widget.get(), &event);
  }
  void Commit(const QString& text, int replaceFrom = 0, int replaceLength = 0) {
    QInputMethodEvent event;
    event.setCommitString(text, replaceFrom, replaceLength);
    QCoreApplication::sendEvent(widget.get(), &event);
  }
  QVariant Query(Qt::InputMethodQuery q) { return widget->inputMethodQuery(q); }
  void Wheel(QPoint delta) {
    QWheelEvent event(QPointF(50, 50), QPointF(50, 50), QPoint(), delta, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(widget->viewport(), &event);
  }

  Settings settings;
  std::unique_ptr<CVeloDoc> doc;
  std::unique_ptr<RecordingWidget> widget;
  QStringList messages;
};

// Each colour where the view puts it; cached cells and glyph runs, with a bookmark, a backwards
// selection, a fallback face and a byte with no character, give the same picture.
TEST_F(ViewWidgetTest, PaintsEachColourAndCachedCellsMatchGlyphRuns) {
  std::string text;
  for (int i = 0; i < 30; ++i)
    text += "\\section{\x95\x5C\x82\xA0\x83\x9F\x81\xE0}\t% " + std::to_string(i) + "\x80\n";
  RecordingWidget& w = Open(text, 500, 300);
  w.clearFocus();
  V().PlaceCaret(1, 0, false);
  V().ToggleBookmark();
  V().PlaceCaret(3, 9, false);
  V().PlaceCaret(2, 3, true);
  const QImage img = Grab();
  const int lh = V().LineHeight();
  // Glyphs reach every edge of their cells, but ink covers less than half of any cell.
  auto expect = [&](QRect cells, int back, int ink) {
    EXPECT_GT(2 * CountColor(img, cells, C(back)), cells.width() * cells.height()) << back;
    EXPECT_GT(CountColor(img, cells, C(ink)), 0) << ink;
  };
  expect(Cells(2, 17, 8), ColorTable::SelBk, ColorTable::SelText);  // "}", the tab and "%"
  expect(Cells(3, 17, 8), ColorTable::Bk, ColorTable::Text);
  EXPECT_EQ(CountColor(img, QRect(0, 0, V().MarginWidth(), lh), C(ColorTable::Margin)),
            V().MarginWidth() * lh);
  const QRect ground(Cells(0, 40).topLeft(), QPoint(img.width() - 1, lh - 1));
  EXPECT_EQ(CountColor(img, ground, C(ColorTable::Ground)), ground.width() * ground.height());
  w.SetBufferedRows(false);
  EXPECT_TRUE(Grab() == img);
}

// The caret and the input method's place: the caret's cell, after a kanji, a tab, a sideways
// scroll, in overwrite mode and after a zoom; no caret without the focus.
TEST_F(ViewWidgetTest, TheCaretAndTheInputMethodFollowTheCaretPoint) {
  std::string wide;
  for (int i = 0; i < 60; ++i) wide += "\x95\x5C";
  RecordingWidget& w = Open("abc\n\x95\x5C\x82\xA0xyz\n\tq\n" + wide + "\n");
  const QPoint viewport = w.viewport()->geometry().topLeft();
  auto expectAtCaret = [&](int width) {
    const QRect expected(V().CaretPoint().x, V().CaretPoint().y, width, V().LineHeight());
    EXPECT_EQ(w.CaretRect(), expected);
    EXPECT_EQ(Query(Qt::ImCursorRectangle).toRect(), expected.translated(viewport));
  };
  for (auto [line, byte] : {std::pair{0, 0}, {1, 4}, {2, 1}, {3, 70}}) {
    V().PlaceCaret(line, byte, false);
    V().EnsureCaretVisible(false);
    expectAtCaret(2);
  }
  EXPECT_GT(V().Origin().column, 0);
  V().ToggleOverwrite();
  expectAtCaret(V().CharWidth());
  V().ZoomIn();
  EXPECT_EQ(Query(Qt::ImFont).value<QFont>().pixelSize(), 20);
  EXPECT_EQ(Query(Qt::ImCursorRectangle).toRect().height(), 20);
  w.clearFocus();
  QApplication::processEvents();
  EXPECT_TRUE(w.CaretRect().isEmpty()) << "a caret after the focus went";
}

// The bars and the view follow each other, and what the window shows after scrolls, caret
// moves and the focus going is a full repaint.
TEST_F(ViewWidgetTest, ScrollBarsFollowTheViewAndTheScreenEqualsAFullRepaint) {
  std::string text;
  for (int i = 0; i < 200; ++i)
    text += "\x95\x5C" + std::string("abc\tdef ") + std::to_string(i) + "\x82\xA0\n";
  RecordingWidget& w = Open(text, 640, 400);
  CVeloView& v = V();
  QScrollBar* vbar = w.verticalScrollBar();
  EXPECT_EQ(vbar->maximum(), 200 - v.VisibleLines());
  EXPECT_EQ(vbar->pageStep(), v.VisibleLines());
  v.PlaceCaret(60, 0, false);
  v.EnsureCaretVisible(false);
  EXPECT_GT(v.Origin().line, 0);
  EXPECT_EQ(vbar->value(), v.Origin().line);
  EXPECT_TRUE(w.scrolls.empty()) << "jumps repaint, they do not scroll the content";

  // One action, one scroll: the bar's own update must not come back as a second action.
  vbar->setValue(0);
  OnScreen();
  w.scrolls.clear();
  vbar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(v.Origin().line, 1);
  EXPECT_EQ(w.scrolls, std::vector<QPoint>{QPoint(0, -v.LineHeight())});
  EXPECT_TRUE(OnScreen() == Grab()) << "after one line down";
  // The caret moves with the content while scrolling; its old picture must not stay behind.
  v.PlaceCaret(3, 3, false);
  OnScreen();
  vbar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  vbar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_TRUE(OnScreen() == Grab()) << "after scrolling with the caret shown";
  w.clearFocus();
  EXPECT_TRUE(OnScreen() == Grab()) << "after the focus went";

  vbar->setSliderDown(true);
  vbar->setSliderPosition(42);
  vbar->setSliderDown(false);
  EXPECT_EQ(v.Origin().line, 42);
  EXPECT_EQ(w.maxDepth, 1) << "the bar answered the view's own update";
  w.horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(v.Origin().column, 2);  // a line step sideways is two columns
}

// The composition is drawn over the cells at the caret in the view's own glyphs, underlined;
// it follows the caret when the view scrolls and goes with the focus; the document holds only
// finished text in code page 932.
TEST_F(ViewWidgetTest, TheCompositionIsDrawnAtTheCaretAndNeverEntersTheDocument) {
  std::string text = "ab\x95\x5C" + std::string("cdef\n");
  for (int i = 0; i < 40; ++i) text += "line\n";
  RecordingWidget& w = Open(text);
  V().PlaceCaret(0, 2, false);
  const QImage before = OnScreen();

  Compose(QString::fromUtf8("にほ"), 1);
  EXPECT_EQ(w.CompositionRect(), Cells(0, 2, 4));
  const QImage composing = Grab();
  // An underline under に, whose last pixel column holds the cursor.
  const QRect ni = Cells(0, 2, 2);
  EXPECT_EQ(CountColor(composing, QRect(ni.left(), ni.bottom(), ni.width() - 1, 1), C(ColorTable::Text)),
            ni.width() - 1);
  EXPECT_EQ(Query(Qt::ImCursorRectangle).toRect().topLeft(),
            w.viewport()->geometry().topLeft() + Cells(0, 4).topLeft());
  Compose(QString::fromUtf8("にほんご"));
  EXPECT_EQ(w.CompositionRect(), Cells(0, 2, 8));
  EXPECT_TRUE(OnScreen() == Grab()) << "after the composition grew";
  Compose(QString());
  EXPECT_TRUE(OnScreen() == before) << "after it was cancelled";

  // Committed: the same glyphs, now the document's, in one step.
  Compose(QString::fromUtf8("にほ"));
  const QImage shown = Grab().copy(Cells(0, 2, 4).adjusted(0, 0, 0, -1));
  Commit(QString::fromUtf8("にほ"));
  EXPECT_FALSE(w.IsComposing());
  EXPECT_EQ(Bytes().substr(0, 11), "ab\x82\xC9\x82\xD9\x95\x5C" + std::string("cde"));
  EXPECT_TRUE(Grab().copy(Cells(0, 2, 4).adjusted(0, 0, 0, -1)) == shown);
  EXPECT_EQ(V().UndoList().size(), 1u);
  // What the code page cannot hold is refused whole, and the status bar says why.
  Commit(QString::fromUtf8("a\xF0\xA0\xAE\xB7"));
  EXPECT_EQ(V().UndoList().size(), 1u);
  EXPECT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages.value(0).contains("U+20BB7")) << messages.value(0).toStdString();

  V().PlaceCaret(4, 2, false);
  Compose(QString::fromUtf8("かな"));
  OnScreen();
  Wheel(QPoint(0, -120));
  EXPECT_TRUE(OnScreen() == Grab()) << "after scrolling while composing";
  EXPECT_EQ(w.CompositionRect(), Cells(V().Caret().line - V().Origin().line, 2, 4));
  w.clearFocus();
  EXPECT_FALSE(w.IsComposing()) << "the composition outlived the focus";
  EXPECT_TRUE(OnScreen() == Grab());
}

// The input method reads the caret line around the caret and may replace a span of it. A long
// line is read a kilobyte each way, from a sure character start (表 is 95 5C); after nothing but
// lead bytes (亜 is 88 9F) nothing before the caret can be told for sure, and nothing is read.
TEST_F(ViewWidgetTest, TheTextAroundTheCaretCanBeReadAndReconverted) {
  std::string hyo, kanji = "a";
  for (int i = 0; i < 3000; ++i) hyo += "\x95\x5C";
  for (int i = 0; i < 1500; ++i) kanji += "\x88\x9F";
  Open("xx\x93\xFA\x96\x7B\x8C\xEAyy\n" + hyo + "\n" + kanji + "\n");
  V().PlaceCaret(0, 8, false);
  V().PlaceCaret(0, 2, true);
  EXPECT_EQ(Query(Qt::ImSurroundingText).toString(), QString::fromUtf8("xx日本語yy"));
  EXPECT_EQ(Query(Qt::ImCursorPosition).toInt(), 2);
  EXPECT_EQ(Query(Qt::ImAnchorPosition).toInt(), 5);
  EXPECT_EQ(Query(Qt::ImCurrentSelection).toString(), QString::fromUtf8("日本語"));
  V().PlaceCaret(0, 8, false);
  Commit(QString::fromUtf8("ニホンゴ"), -3, 3);
  Commit(QString(), 1, 5);  // deleting past the line's end stops there
  EXPECT_EQ(Bytes().substr(0, 13), "xx\x83\x6A\x83\x7A\x83\x93\x83\x53y\r\n");
  EXPECT_EQ(V().Caret().byteIndex, 11);

  V().PlaceCaret(1, 2000, false);
  EXPECT_EQ(Query(Qt::ImCursorPosition).toInt(), 512);
  EXPECT_EQ(Query(Qt::ImSurroundingText).toString(), QString(1024, QChar(0x8868)));
  V().PlaceCaret(2, 2001, false);
  EXPECT_EQ(Query(Qt::ImCursorPosition).toInt(), 0);
  EXPECT_EQ(Query(Qt::ImSurroundingText).toString(), QString(500, QChar(0x4E9C)));
}

// Every 120 of delta is a step in its own direction: small ones add up, big ones split, a
// reversal starts afresh; sideways deltas scroll sideways.
TEST_F(ViewWidgetTest, WheelDeltasMakeStepsInTheirOwnDirection) {
  std::string text;
  for (int i = 0; i < 100; ++i) text += std::string(200, 'x') + "\n";
  Open(text);
  for (int delta : {-120, -360, -60, -30, 30, -60, -60, 240}) Wheel(QPoint(0, delta));
  EXPECT_EQ(V().Origin().line, 9);  // 3 + 9 + 3 (the reversal dropped -90) - 6
  Wheel(QPoint(-200, 0));
  Wheel(QPoint(-40, 0));
  EXPECT_EQ(V().Origin().column, 2 * (V().VisibleColumns() / 4));
}

}  // namespace

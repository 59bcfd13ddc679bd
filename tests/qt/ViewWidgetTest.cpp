// The view on the offscreen platform: font cells, row surface, the window's pixels and input method.
#include <gtest/gtest.h>

#include <QApplication>
#include <QInputMethodEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QStyleHints>
#include <memory>
#include <string>
#include <tuple>

#include "../core/FileFixtures.h"
#include "doc/CVeloDoc.h"
#include "platform/QtSurface.h"
#include "platform/ViewFont.h"
#include "platform/ViewWidget.h"

namespace {

constexpr ColorTable kColors{{{0xE0F0FF, 0x800000, 0x000080, 0x00FFFF, 0x00C000, 0xC0C0FF}}};
constexpr QRgb kWhite = 0xFFFFFFFF;

// The bounding box of the pixels of area that are color (with is false: are not).
QRect Find(const QImage& image, QRect area, QRgb color, bool is = true) {
  QRect found;
  area &= image.rect();
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if ((((image.pixel(x, y) ^ color) & 0xFFFFFF) == 0) == is) found |= QRect(x, y, 1, 1);
  return found;
}

// Cells as high as asked and half as wide, with ink in them (表 ends in 5C; the face draws Α
// narrow; ≒ comes from another face).
TEST(ViewFontTest, EveryZoomStepKeepsGlyphsWholeInTheirCells) {
  for (int height = 12; height <= 24; height += 4) {
    ViewFont font(FontRequest{height, 400});
    ASSERT_EQ(std::pair(font.Metrics().height, font.Metrics().aveCharWidth), std::pair(height, height / 2));
    for (unsigned code : {0x8ABFu, 0x955Cu, 0x839Fu, 0x81E0u, 0xB6u, unsigned{'g'}, unsigned{'f'}}) {
      const QImage& image = font.Cells(qRgb(0, 0, 0), kWhite).For(code);
      ASSERT_EQ(image.size(), QSize((code > 0xFF ? 2 : 1) * font.CellWidth(), height));
      EXPECT_FALSE(Find(image, image.rect(), kWhite, false).isEmpty()) << height << std::hex << code;
    }
  }
}

// A run's advance, and where its background lies on the row's last pixel line, as an image and as
// glyph runs.
TEST(RowSurfaceTest, AdvancesByCellsAndTabStopsAndSurvivesHostileRuns) {
  ViewFont font{FontRequest{}};
  const int cw = font.CellWidth(), lh = font.LineHeight(), tab = 8 * cw, at = 2 * cw;
  QImage screen(1200, lh, QImage::Format_RGB32), row;
  std::string all;  // every byte value
  for (int b = 0; b < 256; ++b)
    if (b != '\t') all += static_cast<char>(b);
  // Pen, bytes, tab distance and origin; the advance, the background's left and width.
  const std::tuple<int, std::string, int, int, std::tuple<int, int, int>> cases[] = {
      {at, "a\tb", tab, at, {9 * cw, at, 9 * cw}},
      {at, "a\x95", tab, at, {2 * cw, at, 2 * cw}},          // a lone lead byte at the end: one cell
      {at - cw, "\tX", tab, at, {2 * cw, at - cw, 2 * cw}},  // stops left of the tab origin too
      {-3 * cw, "abcdef", tab, at, {6 * cw, 0, 3 * cw}},
      {0, "\t\t", 0, 0, {2 * cw, 0, 2 * cw}},
      {0, std::string(1 << 20, '\x82'), tab, 0, {(1 << 19) * 2 * cw, 0, screen.width()}},
      {-50 * cw, all, tab, 0, {255 * cw, 0, screen.width()}},
  };
  for (QImage* rowImage : {&row, static_cast<QImage*>(nullptr)})
    for (const auto& [x, bytes, tabPx, tabOrigin, expected] : cases) {
      screen.fill(kWhite);
      QPainter painter(&screen);
      QtSurface surface(painter, font, screen.rect(), rowImage);
      surface.PrepareRow(screen.width(), lh);
      surface.FillRow(Rect{0, 0, screen.width(), lh}, 0xFFFFFF);
      const int advanced = surface.DrawRowText(x, bytes, 0, 0x80FFFF, cw, tabPx, tabOrigin);
      surface.CopyRowToScreen(0, screen.width(), 0);
      painter.end();
      const QRect back = Find(screen, QRect(0, lh - 1, screen.width(), 1), qRgb(255, 255, 128));
      EXPECT_EQ(std::tuple(advanced, back.left(), back.width()), expected) << !rowImage << bytes.substr(0, 8);
    }
}

class ViewWidgetTest : public ::testing::Test {
 protected:
  ViewWidget& Open(std::string_view text) {
    QGuiApplication::styleHints()->setCursorFlashTime(0);
    settings.colors = kColors;
    settings.settingsLoaded = true;
    doc = std::make_unique<CVeloDoc>(settings);
    LoadText(*doc, text);
    widget = std::make_unique<ViewWidget>(*doc, settings);
    widget->resize(480, 300);
    widget->show();
    QApplication::setActiveWindow(widget.get());
    widget->setFocus();
    QApplication::processEvents();
    QObject::connect(widget.get(), &ViewWidget::messageShown, [this](const QString& m) { messages << m; });
    return *widget;
  }
  CVeloView& V() { return widget->View(); }
  // A full repaint of the viewport, and what the window shows from the repaints asked for.
  QImage Grab() { return widget->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
  QImage OnScreen() {
    QApplication::processEvents();
    const QImage window = widget->screen()->grabWindow(widget->winId()).toImage();
    return window.copy(widget->viewport()->geometry()).convertToFormat(QImage::Format_RGB32);
  }
  QRect Cells(int row, int column, int cells = 1) {
    return QRect(V().MarginWidth() + (column - V().Origin().column) * V().CharWidth(), row * V().LineHeight(),
                 cells * V().CharWidth(), V().LineHeight());
  }
  void Compose(const QString& preedit) {
    QInputMethodEvent event(preedit, {{QInputMethodEvent::Cursor, static_cast<int>(preedit.size()), 1, {}}});
    QCoreApplication::sendEvent(widget.get(), &event);
  }
  void Commit(const QString& text, int replaceFrom = 0, int replaceLength = 0) {
    QInputMethodEvent event;
    event.setCommitString(text, replaceFrom, replaceLength);
    QCoreApplication::sendEvent(widget.get(), &event);
  }
  QVariant Query(Qt::InputMethodQuery q) { return widget->inputMethodQuery(q); }

  Settings settings;
  std::unique_ptr<CVeloDoc> doc;
  std::unique_ptr<ViewWidget> widget;
  QStringList messages;
};

// Cached cells and glyph runs, with a bookmark, a backwards selection, a fallback face and a byte
// with no character, give the same picture; what the window shows after scrolls, caret moves,
// compositions and the focus going is a full repaint. A composition is drawn at the caret in the
// view's own glyphs; the document gets only finished text, in code page 932.
TEST_F(ViewWidgetTest, TheScreenEqualsAFullRepaintAndCompositionsStayOutOfTheDocument) {
  std::string text;
  for (int i = 0; i < 200; ++i)
    text += "\\section{\x95\x5C\x82\xA0\x83\x9F\x81\xE0}\t% " + std::to_string(i) + "\x80\n";
  ViewWidget& w = Open(text);
  CVeloView& v = V();
  w.clearFocus();
  v.PlaceCaret(1, 0, false);
  v.ToggleBookmark();
  v.PlaceCaret(3, 9, false);
  v.PlaceCaret(2, 3, true);
  const QImage img = Grab();
  const QRgb selected = qRgb(0, 0, 0x80);  // the selection background 0x800000 is 0xBBGGRR
  EXPECT_FALSE(Find(img, Cells(2, 17, 8), selected).isEmpty());
  EXPECT_TRUE(Find(img, Cells(3, 17, 8), selected).isEmpty());
  w.SetBufferedRows(false);
  EXPECT_TRUE(Grab() == img);

  w.setFocus();
  QScrollBar* bar = w.verticalScrollBar();
  EXPECT_EQ(bar->maximum(), 200 - v.VisibleLines());
  // The caret moves with the content while scrolling; its old picture must not stay behind.
  v.PlaceCaret(3, 9, false);
  OnScreen();
  bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  const QImage before = OnScreen();
  EXPECT_TRUE(before == Grab()) << "after scrolling with the caret shown";
  ASSERT_EQ(v.Origin().line, 2);
  const int line = v.Caret().line, row = line - v.Origin().line;
  Compose(QString::fromUtf8("にほんご"));
  EXPECT_EQ(w.CompositionRect(), Cells(row, 9, 8));
  EXPECT_TRUE(OnScreen() == Grab()) << "after the composition grew";
  Compose(QString());
  EXPECT_TRUE(OnScreen() == before) << "after it was cancelled";
  // Committed: the same glyphs, now the document's, in one step.
  Compose(QString::fromUtf8("にほ"));
  const QImage shown = Grab().copy(Cells(row, 9, 4).adjusted(0, 0, 0, -1));
  Commit(QString::fromUtf8("にほ"));
  EXPECT_FALSE(w.IsComposing());
  EXPECT_NE(doc->ToFileImage().find(std::to_string(line - 1) + "\x80\r\n\\section{\x82\xC9\x82\xD9\x95\x5C"),
            std::string::npos);
  EXPECT_TRUE(Grab().copy(Cells(row, 9, 4).adjusted(0, 0, 0, -1)) == shown);
  EXPECT_EQ(v.UndoList().size(), 1u);
  // What the code page cannot hold is refused whole, and the status bar says why.
  Commit(QString::fromUtf8("a\xF0\xA0\xAE\xB7"));
  EXPECT_EQ(v.UndoList().size(), 1u);
  EXPECT_TRUE(messages.value(0).contains("U+20BB7")) << messages.value(0).toStdString();

  v.PlaceCaret(4, 2, false);
  Compose(QString::fromUtf8("かな"));
  OnScreen();
  QWheelEvent wheel(QPointF(50, 50), QPointF(50, 50), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(w.viewport(), &wheel);
  EXPECT_TRUE(OnScreen() == Grab()) << "after scrolling while composing";
  EXPECT_EQ(w.CompositionRect(), Cells(v.Caret().line - v.Origin().line, 2, 4));
  w.clearFocus();
  EXPECT_FALSE(w.IsComposing()) << "the composition outlived the focus";
  EXPECT_TRUE(OnScreen() == Grab()) << "after the focus went";
}

// Every whole 120 of the wheel is a step in its own direction: a touchpad's small deltas add up,
// a fast wheel's 240 is two steps up, and a reversal drops what was left over.
TEST_F(ViewWidgetTest, WheelDeltasMakeWholeStepsInTheirOwnDirection) {
  Open(std::string(400, '\n'));
  const auto wheel = [&](int delta) {
    QWheelEvent event(QPointF(50, 50), QPointF(50, 50), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(widget->viewport(), &event);
    return V().Origin().line;
  };
  const int step = wheel(-120);
  ASSERT_GT(step, 0);
  const int deltas[] = {-240, -40, -40, -40, 100, -120, 240, 60, 60};
  const int steps[] = {3, 3, 3, 4, 4, 5, 3, 3, 2};
  for (std::size_t i = 0; i < std::size(deltas); ++i) EXPECT_EQ(wheel(deltas[i]), steps[i] * step) << i;
}

// The input method reads and replaces text around the caret: a kilobyte each way from a sure
// character start (表 is 95 5C); after nothing but lead bytes (亜 is 88 9F), nothing before it.
TEST_F(ViewWidgetTest, TheTextAroundTheCaretCanBeReadAndReconverted) {
  std::string hyo, kanji = "a";
  for (int i = 0; i < 3000; ++i) hyo += "\x95\x5C";
  for (int i = 0; i < 1500; ++i) kanji += "\x88\x9F";
  Open("xx\x93\xFA\x96\x7B\x8C\xEAyy\n" + hyo + "\n" + kanji + "\n");
  V().PlaceCaret(0, 8, false);
  V().PlaceCaret(0, 2, true);
  EXPECT_EQ(Query(Qt::ImSurroundingText).toString(), QString::fromUtf8("xx日本語yy"));
  EXPECT_EQ(std::pair(Query(Qt::ImCursorPosition).toInt(), Query(Qt::ImAnchorPosition).toInt()),
            std::pair(2, 5));
  EXPECT_EQ(Query(Qt::ImCurrentSelection).toString(), QString::fromUtf8("日本語"));
  V().PlaceCaret(0, 8, false);
  Commit(QString::fromUtf8("ニホンゴ"), -3, 3);
  Commit(QString(), 1, 5);  // deleting past the line's end stops there
  EXPECT_EQ(doc->ToFileImage().substr(0, 13), "xx\x83\x6A\x83\x7A\x83\x93\x83\x53y\r\n");
  EXPECT_EQ(V().Caret().byteIndex, 11);
  V().PlaceCaret(1, 2000, false);
  EXPECT_EQ(Query(Qt::ImCursorPosition).toInt(), 512);
  EXPECT_EQ(Query(Qt::ImSurroundingText).toString(), QString(1024, QChar(0x8868)));
  V().PlaceCaret(2, 2001, false);
  EXPECT_EQ(Query(Qt::ImCursorPosition).toInt(), 0);
  EXPECT_EQ(Query(Qt::ImSurroundingText).toString(), QString(500, QChar(0x4E9C)));
}

}  // namespace

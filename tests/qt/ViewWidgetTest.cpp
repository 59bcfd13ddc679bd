// The view on the offscreen platform: the font's cells, the row surface and the real window's
// pixels, caret, scroll bars, repaints, input method, mouse and wheel.
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
#include <memory>
#include <string>
#include <tuple>

#include "../core/FileFixtures.h"
#include "doc/CVeloDoc.h"
#include "platform/QtSurface.h"
#include "platform/ViewFont.h"
#include "platform/ViewWidget.h"

namespace {

// Six colours that no two slots share, so every pixel tells where it came from.
constexpr ColorTable kColors{{{0xE0F0FF, 0x800000, 0x000080, 0x00FFFF, 0x00C000, 0xC0C0FF}}};
QRgb C(int slot) {
  const int c = static_cast<int>(kColors[slot]);
  return qRgb(c & 0xFF, (c >> 8) & 0xFF, c >> 16);
}
constexpr QRgb kWhite = 0xFFFFFFFF;

// The bounding box and the number of the pixels of area that are color (with is false: are not).
std::pair<QRect, int> Find(const QImage& image, QRect area, QRgb color, bool is = true) {
  std::pair<QRect, int> found;
  area &= image.rect();
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if ((((image.pixel(x, y) ^ color) & 0xFFFFFF) == 0) == is) {
        found.first |= QRect(x, y, 1, 1);
        ++found.second;
      }
  return found;
}

// Every zoom step: cells as high as asked and half as wide, holding all a glyph's ink but at most
// the edge of its anti-aliasing, descenders kept, full-width characters centred (表 ends in 5C;
// the face draws Α narrow; ≒ comes from another face).
TEST(ViewFontTest, EveryZoomStepKeepsGlyphsWholeInTheirCells) {
  for (int height = 12; height <= 24; height += 2) {
    ViewFont font(FontRequest{height, 400});
    ASSERT_EQ(font.Metrics().height, height);
    ASSERT_EQ(font.Metrics().aveCharWidth, height / 2);
    EXPECT_NEAR(font.Baseline(), 0.88 * height, 1.0) << height;
    for (unsigned code : {0x8ABFu, 0x82A0u, 0x8175u, 0x955Cu, 0x839Fu, 0x81E0u, 0xB6u, unsigned{'g'},
                          unsigned{'j'}, unsigned{'f'}, unsigned{'Q'}}) {
      const QImage& image = font.Cells(qRgb(0, 0, 0), kWhite).For(code);
      const int wide = code > 0xFF ? 2 : 1;
      ASSERT_EQ(image.size(), QSize(wide * font.CellWidth(), height));
      const QRect ink = Find(image, image.rect(), kWhite, false).first;
      ASSERT_FALSE(ink.isEmpty()) << std::hex << code;
      const int offCentre = std::abs(ink.left() - (image.width() - 1 - ink.right()));
      EXPECT_LE(wide == 1 || code == 0x8175 ? 0 : offCentre, 2)
          << height << std::hex << code;  // 「 stands aside
      const ViewFont::Glyph& g = font.GlyphFor(code);
      if (g.kind != ViewFont::GlyphKind::Glyph) continue;
      // The glyph drawn freely: what lies outside the cells is cut off, one pixel line at most.
      const int lh = font.LineHeight();
      QImage free(image.width() + 2 * lh, 3 * lh, QImage::Format_RGB32);
      free.fill(kWhite);
      QGlyphRun run;
      run.setRawFont(font.RawFont());
      const QPointF at(lh + g.dx, lh + g.baseline);
      run.setRawData(&g.index, &at, 1);
      QPainter(&free).drawGlyphRun(QPointF(0, 0), run);
      const QRect freeInk = Find(free, free.rect(), kWhite, false).first.translated(-lh, -lh);
      EXPECT_TRUE(image.rect().contains(freeInk.marginsRemoved(QMargins(1, 1, 1, 1))))
          << height << std::hex << code;
      EXPECT_EQ(ink, freeInk & image.rect()) << height << " " << std::hex << code;
    }
  }
}

// Rows composed as an image and as glyph runs: a run's advance, and where its background lies on
// the row's last pixel line, below any letters.
TEST(RowSurfaceTest, AdvancesByCellsAndTabStopsAndSurvivesHostileRuns) {
  ViewFont font{FontRequest{}};
  const int cw = font.CellWidth(), lh = font.LineHeight(), tab = 8 * cw, at = 2 * cw;
  QImage screen(1200, lh, QImage::Format_RGB32), row;
  std::string all;  // every byte value
  for (int b = 0; b < 256; ++b)
    if (b != '\t') all += static_cast<char>(b);
  const struct {
    int x;
    std::string bytes;
    int tabPx, tabOrigin;
    std::tuple<int, int, int> expected;
  } cases[] = {
      {at, "a\tb", tab, at, {9 * cw, at, 9 * cw}},
      {at, "a\x95", tab, at, {2 * cw, at, 2 * cw}},  // a lone lead byte at the end: one cell
      // Pens left of the tab origin (runs begun under the margin): stops lie below it too.
      {at - cw, "\tX", tab, at, {2 * cw, at - cw, 2 * cw}},
      {-3 * cw, "abcdef", tab, at, {6 * cw, 0, 3 * cw}},
      {0, "\t\t", 0, 0, {2 * cw, 0, 2 * cw}},  // no tab distance: a cell, not a division by zero
      {0, std::string(1 << 20, '\x82'), tab, 0, {(1 << 19) * 2 * cw, 0, screen.width()}},
      {-50 * cw, all, tab, 0, {255 * cw, 0, screen.width()}},
  };
  for (QImage* rowImage : {&row, static_cast<QImage*>(nullptr)})
    for (const auto& c : cases) {
      screen.fill(kWhite);
      QPainter painter(&screen);
      QtSurface surface(painter, font, screen.rect(), rowImage);
      surface.PrepareRow(screen.width(), lh);
      surface.FillRow(Rect{0, 0, screen.width(), lh}, 0xFFFFFF);
      const int advanced = surface.DrawRowText(c.x, c.bytes, 0, 0x80FFFF, cw, c.tabPx, c.tabOrigin);
      surface.CopyRowToScreen(0, screen.width(), 0);
      painter.end();
      const QRect back = Find(screen, QRect(0, lh - 1, screen.width(), 1), qRgb(255, 255, 128)).first;
      EXPECT_EQ(std::tuple(advanced, back.left(), back.width()), c.expected)
          << !rowImage << c.bytes.substr(0, 8);
    }
}

class ViewWidgetTest : public ::testing::Test {
 protected:
  // A shown window on text with the focus and a steady caret.
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
    Hold(Qt::NoModifier);  // a Ctrl left by an earlier test would zoom
    QObject::connect(widget.get(), &ViewWidget::messageShown, [this](const QString& m) { messages << m; });
    return *widget;
  }
  CVeloView& V() { return widget->View(); }
  // Qt takes the modifiers held from the last key sent.
  void Hold(Qt::KeyboardModifiers modifiers) {
    QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, modifiers);
    QCoreApplication::sendEvent(widget.get(), &key);
  }
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
  void Compose(const QString& preedit, int cursor = -1,
               QTextCharFormat::UnderlineStyle underline = QTextCharFormat::SingleUnderline) {
    QTextCharFormat format;
    format.setUnderlineStyle(underline);
    if (underline == QTextCharFormat::DashUnderline)
      format.setBackground(Qt::blue);  // a converting input method's
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
  void Send(QEvent&& event) { QCoreApplication::sendEvent(widget->viewport(), &event); }
  void Wheel(QPoint delta) {
    Send(QWheelEvent(QPointF(50, 50), QPointF(50, 50), QPoint(), delta, Qt::NoButton, Qt::NoModifier,
                     Qt::NoScrollPhase, false));
  }
  void Mouse(QEvent::Type type, QPoint at) {
    Send(QMouseEvent(type, at, widget->viewport()->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                     Qt::NoModifier));
  }

  Settings settings;
  std::unique_ptr<CVeloDoc> doc;
  std::unique_ptr<ViewWidget> widget;
  QStringList messages;
};

// Each colour where the view puts it; cached cells and glyph runs, with a bookmark, a backwards
// selection, a fallback face and a byte with no character, give the same picture. The bars and
// the view follow each other, and what the window shows after scrolls, caret moves and the focus
// going is a full repaint.
TEST_F(ViewWidgetTest, PaintsEachColourAndTheScreenEqualsAFullRepaint) {
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
  // Mostly the background, with some ink: "}", the tab and "%" selected, then the same unselected.
  for (auto [row, back, ink] : {std::tuple{2, ColorTable::SelBk, ColorTable::SelText},
                                std::tuple{3, ColorTable::Bk, ColorTable::Text}}) {
    EXPECT_GT(2 * Find(img, Cells(row, 17, 8), C(back)).second, 8 * v.CharWidth() * v.LineHeight()) << row;
    EXPECT_GT(Find(img, Cells(row, 17, 8), C(ink)).second, 0) << row;
  }
  const QRect margin(0, 0, v.MarginWidth(), v.LineHeight());
  EXPECT_EQ(Find(img, margin, C(ColorTable::Margin)).second, margin.width() * margin.height());
  const QRect ground(Cells(0, 40).topLeft(), QPoint(img.width() - 1, v.LineHeight() - 1));
  EXPECT_EQ(Find(img, ground, C(ColorTable::Ground)).second, ground.width() * ground.height());
  w.SetBufferedRows(false);
  EXPECT_TRUE(Grab() == img);

  w.setFocus();
  QScrollBar* bar = w.verticalScrollBar();
  EXPECT_EQ(bar->maximum(), 200 - v.VisibleLines());
  EXPECT_EQ(bar->pageStep(), v.VisibleLines());
  v.PlaceCaret(60, 0, false);
  v.EnsureCaretVisible(false);
  EXPECT_GT(v.Origin().line, 0);
  EXPECT_EQ(bar->value(), v.Origin().line);
  bar->setValue(0);
  OnScreen();
  bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(v.Origin().line, 1);
  EXPECT_TRUE(OnScreen() == Grab()) << "after one line down";
  // The caret moves with the content while scrolling; its old picture must not stay behind.
  v.PlaceCaret(3, 3, false);
  OnScreen();
  bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_TRUE(OnScreen() == Grab()) << "after scrolling with the caret shown";
  w.clearFocus();
  EXPECT_TRUE(OnScreen() == Grab()) << "after the focus went";
  bar->setSliderDown(true);
  bar->setSliderPosition(42);
  bar->setSliderDown(false);
  EXPECT_EQ(v.Origin().line, 42);
  w.horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(v.Origin().column, 2);  // a line step sideways is two columns
}

// The composition is drawn over the cells at the caret in the view's own glyphs, underlined;
// it follows the caret when the view scrolls and goes with the focus, as the caret does; the
// document holds only finished text in code page 932.
TEST_F(ViewWidgetTest, TheCompositionIsDrawnAtTheCaretAndNeverEntersTheDocument) {
  std::string text = "ab\x95\x5C" + std::string("cdef\n");
  for (int i = 0; i < 40; ++i) text += "line\n";
  ViewWidget& w = Open(text);
  V().PlaceCaret(0, 2, false);
  // The caret's cell, where the input method is told it is; a whole cell in overwrite mode.
  EXPECT_EQ(w.CaretRect(), QRect(V().CaretPoint().x, V().CaretPoint().y, 2, V().LineHeight()));
  EXPECT_EQ(Query(Qt::ImCursorRectangle).toRect(),
            w.CaretRect().translated(w.viewport()->geometry().topLeft()));
  V().ToggleOverwrite();
  EXPECT_EQ(w.CaretRect().width(), V().CharWidth());
  V().ToggleOverwrite();
  const QImage before = OnScreen();
  Compose(QString::fromUtf8("にほ"), 1);
  EXPECT_EQ(w.CompositionRect(), Cells(0, 2, 4));
  // An underline under に, whose last pixel column holds the cursor.
  const QRect ni = Cells(0, 2, 2);
  EXPECT_EQ(Find(Grab(), QRect(ni.left(), ni.bottom(), ni.width() - 1, 1), C(ColorTable::Text)).second,
            ni.width() - 1);
  EXPECT_EQ(Query(Qt::ImCursorRectangle).toRect().topLeft(),
            w.viewport()->geometry().topLeft() + Cells(0, 4).topLeft());
  Compose(QString::fromUtf8("にほんご"));
  EXPECT_EQ(w.CompositionRect(), Cells(0, 2, 8));
  EXPECT_TRUE(OnScreen() == Grab()) << "after the composition grew";
  // Being converted: in the selection's colours, the underline dashed.
  Compose(QString::fromUtf8("日本語"), -1, QTextCharFormat::DashUnderline);
  const QRect kanji = Cells(0, 2, 6);
  const QImage converting = Grab();
  EXPECT_GT(3 * Find(converting, kanji, C(ColorTable::SelBk)).second, kanji.width() * kanji.height());
  const int dashes =
      Find(converting, kanji.adjusted(0, kanji.height() - 1, 0, 0), C(ColorTable::SelText)).second;
  EXPECT_TRUE(dashes > kanji.width() / 3 && dashes < kanji.width() - 2) << dashes;
  Compose(QString());
  EXPECT_TRUE(OnScreen() == before) << "after it was cancelled";

  // Committed: the same glyphs, now the document's, in one step.
  Compose(QString::fromUtf8("にほ"));
  const QImage shown = Grab().copy(Cells(0, 2, 4).adjusted(0, 0, 0, -1));
  Commit(QString::fromUtf8("にほ"));
  EXPECT_FALSE(w.IsComposing());
  EXPECT_EQ(doc->ToFileImage().substr(0, 11), "ab\x82\xC9\x82\xD9\x95\x5C" + std::string("cde"));
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
  EXPECT_TRUE(w.CaretRect().isEmpty()) << "a caret after the focus went";
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
  EXPECT_EQ(doc->ToFileImage().substr(0, 13), "xx\x83\x6A\x83\x7A\x83\x93\x83\x53y\r\n");
  EXPECT_EQ(V().Caret().byteIndex, 11);
  V().PlaceCaret(1, 2000, false);
  EXPECT_EQ(Query(Qt::ImCursorPosition).toInt(), 512);
  EXPECT_EQ(Query(Qt::ImSurroundingText).toString(), QString(1024, QChar(0x8868)));
  V().PlaceCaret(2, 2001, false);
  EXPECT_EQ(Query(Qt::ImCursorPosition).toInt(), 0);
  EXPECT_EQ(Query(Qt::ImSurroundingText).toString(), QString(500, QChar(0x4E9C)));
}

// A drag selects; every 120 of wheel delta is a step in its own direction (small ones add up, big
// ones split, a reversal starts afresh), sideways deltas scroll sideways, and with Ctrl the
// wheel zooms.
TEST_F(ViewWidgetTest, TheMouseSelectsAndTheWheelScrollsAndZooms) {
  std::string text;
  for (int i = 0; i < 100; ++i) text += std::string(200, 'x') + "\n";
  Open(text);
  Mouse(QEvent::MouseButtonPress, Cells(0, 2).center());
  Mouse(QEvent::MouseMove, Cells(2, 5).center());
  Mouse(QEvent::MouseButtonRelease, Cells(2, 5).center());
  EXPECT_TRUE(V().IsSelecting());
  EXPECT_EQ(std::pair(V().SelAnchor().line, V().SelAnchor().byteIndex), std::pair(0, 2));
  EXPECT_EQ(std::pair(V().Caret().line, V().Caret().byteIndex), std::pair(2, 5));
  for (int delta : {-120, -360, -60, -30, 30, -60, -60, 240}) Wheel(QPoint(0, delta));
  EXPECT_EQ(V().Origin().line, 9);  // 3 + 9 + 3 (the reversal dropped -90) - 6
  Wheel(QPoint(-200, 0));
  Wheel(QPoint(-40, 0));
  EXPECT_EQ(V().Origin().column, 2 * (V().VisibleColumns() / 4));
  Hold(Qt::ControlModifier);
  for (int notch = 0; notch < 4; ++notch) Wheel(QPoint(0, 120));
  EXPECT_EQ(Query(Qt::ImFont).value<QFont>().pixelSize(), 24);
  EXPECT_EQ(V().LineHeight(), 24);
  EXPECT_EQ(V().Origin().line, 9);
}

}  // namespace

// The view widget's input method and wheel on the offscreen platform: events as Qt delivers
// them, checked by the document's bytes, the caret, the undo depth and the pixels.
#include <gtest/gtest.h>

#include <QApplication>
#include <QInputMethodEvent>
#include <QPainter>
#include <QScreen>
#include <QStyleHints>
#include <QTextCharFormat>
#include <QWheelEvent>
#include <cstring>
#include <memory>
#include <string>

#include "ImageProbe.h"
#include "ShellFixture.h"
#include "base/CommandIds.h"
#include "platform/ViewWidget.h"

namespace {

std::string Lines(const CVeloDoc& doc) { return doc.ToFileImage(); }

class ViewInputTest : public ::testing::Test {
 protected:
  ViewWidget& Open(std::string_view text) {
    QGuiApplication::styleHints()->setCursorFlashTime(0);  // a steady caret, for comparing pictures
    widget.reset();
    settings.colors = kDefaultColors;
    doc = std::make_unique<CVeloDoc>(settings);
    ByteBlock* block = ByteBlock::Allocate(std::max<std::size_t>(text.size(), 1));
    std::memcpy(block->Data(), text.data(), text.size());
    doc->LoadLines(block, text.size());
    block->Unref();
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
  void Wheel(QPoint delta) {
    QWheelEvent event(QPointF(50, 50), QPointF(50, 50), QPoint(), delta, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(widget->viewport(), &event);
  }

  // Display columns [column, column + cells) of a screen row, in viewport pixels.
  QRect Cells(int row, int column, int cells = 1) {
    return QRect(V().MarginWidth() + (column - V().Origin().column) * V().CharWidth(), row * V().LineHeight(),
                 cells * V().CharWidth(), V().LineHeight());
  }
  QImage Grab() { return widget->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
  // What the window shows, built from the repaints asked for so far.
  QImage OnScreen() {
    QApplication::processEvents();
    const QImage window = widget->screen()->grabWindow(widget->winId()).toImage();
    return window.copy(widget->viewport()->geometry()).convertToFormat(QImage::Format_RGB32);
  }
  QRect ImeRect() { return widget->inputMethodQuery(Qt::ImCursorRectangle).toRect(); }

  Settings settings;
  std::unique_ptr<CVeloDoc> doc;
  std::unique_ptr<ViewWidget> widget;
  QStringList messages;
};

// The composition is drawn over the cells at the caret in the view's own glyphs, underlined;
// it follows the caret when the view scrolls and goes with the focus, and the document never
// holds it.
TEST_F(ViewInputTest, TheCompositionIsDrawnAtTheCaretAndNeverEntersTheDocument) {
  std::string text =
      "ab\x95\x5C"
      "cdef\n";
  for (int i = 0; i < 40; ++i) text += "line\n";
  ViewWidget& w = Open(text);
  V().PlaceCaret(0, 2, false);
  const QImage before = OnScreen();

  Compose(QString::fromUtf8("にほ"), 1);
  EXPECT_EQ(w.CompositionRect(), Cells(0, 2, 4));
  const QImage composing = Grab();
  // An underline under に (its last pixel column holds the cursor, as the caret would).
  const QRect ni = Cells(0, 2, 2);
  EXPECT_EQ(CountColor(composing, QRect(ni.left(), ni.bottom(), ni.width() - 1, 1), Rgb(0)), ni.width() - 1);
  EXPECT_EQ(ImeRect().topLeft(), w.viewport()->geometry().topLeft() + Cells(0, 4).topLeft());
  // Outside its cells and the caret's place, the picture is as it was.
  QImage rest = composing;
  QPainter(&rest).drawImage(Cells(0, 1, 5).topLeft(), before.copy(Cells(0, 1, 5)));
  EXPECT_EQ(FirstDifference(rest, before), "");

  Compose(QString::fromUtf8("にほんご"));
  EXPECT_EQ(w.CompositionRect(), Cells(0, 2, 8));
  EXPECT_EQ(FirstDifference(OnScreen(), Grab()), "") << "after the composition grew";
  Compose(QString());
  EXPECT_EQ(FirstDifference(OnScreen(), before), "") << "after it was cancelled";

  // Committed: the same glyphs, now the document's.
  Compose(QString::fromUtf8("にほ"));
  const QImage shown = Grab().copy(Cells(0, 2, 4).adjusted(0, 0, 0, -1));
  Commit(QString::fromUtf8("にほ"));
  EXPECT_FALSE(w.IsComposing());
  EXPECT_EQ(Lines(*doc).substr(0, 11),
            "ab\x82\xC9\x82\xD9\x95\x5C"
            "cde");
  EXPECT_EQ(FirstDifference(Grab().copy(Cells(0, 2, 4).adjusted(0, 0, 0, -1)), shown), "");
  EXPECT_EQ(V().UndoList().size(), 1u);

  V().PlaceCaret(4, 2, false);
  Compose(QString::fromUtf8("かな"));
  OnScreen();
  Wheel(QPoint(0, -120));
  EXPECT_EQ(FirstDifference(OnScreen(), Grab()), "") << "after scrolling while composing";
  EXPECT_EQ(w.CompositionRect(), Cells(V().Caret().line - V().Origin().line, 2, 4));
  w.clearFocus();
  EXPECT_FALSE(w.IsComposing()) << "the composition outlived the focus";
  EXPECT_EQ(FirstDifference(OnScreen(), Grab()), "");
}

// Finished text: once, as code page 932, over the selection or the columns it overwrites;
// what the code page cannot hold is refused with the typed-text message, the document intact.
TEST_F(ViewInputTest, CommittedTextGoesInOnceAsCodePage932) {
  const struct {
    int selectFrom;  // -1: no selection
    bool overwrite;
    const char* commit;
    std::string bytes;
    int caret;
    std::size_t undo;
  } cases[] = {
      {-1, false, "日本",
       "a\x93\xFA\x96\x7B"
       "bcdef\r\n",
       5, 1},
      {4, false, "語",
       "a\x8C\xEA"
       "ef\r\n",
       3, 2},
      {-1, true, "日",
       "a\x93\xFA"
       "def\r\n",
       3, 2},
      {4, false, "\xF0\xA0\xAE\xB7", "abcdef\r\n", 4, 0},  // 𠮷
      {-1, false,
       "a\xE2\x98\x83"
       "b",
       "abcdef\r\n", 1, 0},  // a☃b
  };
  for (const auto& c : cases) {
    Open("abcdef\n");
    V().PlaceCaret(0, 1, false);
    if (c.selectFrom >= 0) V().PlaceCaret(0, c.selectFrom, true);
    if (c.overwrite) V().ToggleOverwrite();
    Compose(QString::fromUtf8(c.commit));
    Commit(QString::fromUtf8(c.commit));
    EXPECT_FALSE(widget->IsComposing()) << c.commit;
    EXPECT_EQ(Lines(*doc), c.bytes) << c.commit;
    EXPECT_EQ(V().Caret().byteIndex, c.caret) << c.commit;
    EXPECT_EQ(V().UndoList().size(), c.undo) << c.commit;
  }
  ASSERT_EQ(messages.size(), 2);
  EXPECT_TRUE(messages[0].contains(QStringLiteral("U+20BB7"))) << messages[0].toStdString();
  EXPECT_TRUE(messages[1].contains(QStringLiteral("U+2603"))) << messages[1].toStdString();
}

// The input method reads the caret line around the caret and may replace a span of it. A long
// line is read near the caret only; after nothing but lead bytes (亜 is 88 9F) nothing before
// the caret can be told for sure, and nothing is read.
TEST_F(ViewInputTest, TheTextAroundTheCaretCanBeReadAndReconverted) {
  std::string kanji = "a";
  for (int i = 0; i < 1500; ++i) kanji += "\x88\x9F";
  ViewWidget& w = Open("xx\x93\xFA\x96\x7B\x8C\xEAyy\n" + std::string(5000, 'x') + "\n" + kanji + "\n");
  auto query = [&](Qt::InputMethodQuery q) { return w.inputMethodQuery(q); };
  V().PlaceCaret(0, 8, false);
  V().PlaceCaret(0, 2, true);
  EXPECT_EQ(query(Qt::ImSurroundingText).toString(), QString::fromUtf8("xx日本語yy"));
  EXPECT_EQ(query(Qt::ImCursorPosition).toInt(), 2);
  EXPECT_EQ(query(Qt::ImAnchorPosition).toInt(), 5);
  EXPECT_EQ(query(Qt::ImCurrentSelection).toString(), QString::fromUtf8("日本語"));
  V().PlaceCaret(0, 8, false);
  Commit(QString::fromUtf8("ニホンゴ"), -3, 3);
  Commit(QString(), 1, 5);  // deleting past the line's end stops there
  EXPECT_EQ(Lines(*doc).substr(0, 13), "xx\x83\x6A\x83\x7A\x83\x93\x83\x53y\r\n");
  EXPECT_EQ(V().Caret().byteIndex, 11);

  V().PlaceCaret(1, 2500, false);
  EXPECT_EQ(query(Qt::ImCursorPosition).toInt(), 1024);
  EXPECT_EQ(query(Qt::ImSurroundingText).toString().size(), 2048);
  V().PlaceCaret(2, 2001, false);
  EXPECT_EQ(query(Qt::ImCursorPosition).toInt(), 0);
  EXPECT_EQ(query(Qt::ImSurroundingText).toString(), QString(500, QChar(0x4E9C)));
}

// The candidate window's place is the caret's cell, on a kanji and after a sideways scroll too,
// and the font is the view's at its zoom.
TEST_F(ViewInputTest, TheCursorRectangleAndFontFollowTheCaretAndTheZoom) {
  std::string line;
  for (int i = 0; i < 40; ++i) line += "\x95\x5C";
  ViewWidget& w = Open(line + "\n");
  const QPoint viewport = w.viewport()->geometry().topLeft();
  V().PlaceCaret(0, 6, false);
  EXPECT_EQ(ImeRect(), QRect(viewport + QPoint(V().CaretPoint().x, 0), QSize(2, 18)));
  V().PlaceCaret(0, 70, false);
  V().EnsureCaretVisible(false);
  ASSERT_GT(V().Origin().column, 0);
  EXPECT_EQ(ImeRect().topLeft(), viewport + Cells(0, 70).topLeft() - QPoint(1, 0));
  V().ZoomIn();
  EXPECT_EQ(w.inputMethodQuery(Qt::ImFont).value<QFont>().pixelSize(), 20);
  EXPECT_EQ(ImeRect().height(), 20);
}

// Every 120 of delta is a step in its own direction: small ones add up, big ones split, a
// reversal starts afresh; sideways deltas scroll sideways.
TEST_F(ViewInputTest, WheelDeltasMakeStepsInTheirOwnDirection) {
  std::string text;
  for (int i = 0; i < 100; ++i) text += std::string(200, 'x') + "\n";
  Open(text);
  for (int delta : {-120, -360, -60, -30, 30, -60, -60, 240}) Wheel(QPoint(0, delta));
  EXPECT_EQ(V().Origin().line, 9);  // 3 + 9 + 3 (the reversal dropped -90) - 6
  Wheel(QPoint(-200, 0));
  Wheel(QPoint(-40, 0));
  EXPECT_EQ(V().Origin().column, 2 * (V().VisibleColumns() / 4));
}

// While the input method composes, keys are its own: none reaches a table.
class ComposingKeysTest : public ShellFixture {};

TEST_F(ComposingKeysTest, NoKeyBecomesACommandWhileComposing) {
  ASSERT_TRUE(Start({WriteFile(QStringLiteral("a.tex"), "abc\r\n")}));
  ViewWidget* view = Frame().ActiveChild()->View();
  std::vector<int> routed;
  Frame().SetCommandObserver([&](int id, bool) { routed.push_back(id); });
  for (auto [key, modifiers] : {std::pair{Qt::Key_Return, Qt::NoModifier},
                                {Qt::Key_Backspace, Qt::NoModifier},
                                {Qt::Key_Z, Qt::ControlModifier}}) {
    QInputMethodEvent compose(QStringLiteral("ka"), {});
    QCoreApplication::sendEvent(view, &compose);
    PressKey(key, modifiers, view);
    EXPECT_TRUE(routed.empty()) << key;
  }
  EXPECT_EQ(Lines(view->View().GetDocument()), "abc\r\n");
  PressKey(Qt::Key_End, Qt::NoModifier, view);  // not composing: the table again
  EXPECT_EQ(routed, std::vector<int>{ID_LINE_END});
}

}  // namespace

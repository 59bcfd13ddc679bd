// The view widget's mouse, wheel and input method on the offscreen platform: events as Qt
// delivers them, checked by the document's bytes, the caret, the undo depth and the pixels.
#include <gtest/gtest.h>

#include <QApplication>
#include <QInputMethodEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QTextCharFormat>
#include <QWheelEvent>
#include <cstring>
#include <memory>
#include <string>

#include "ImageProbe.h"
#include "ShellFixture.h"
#include "base/CommandIds.h"
#include "doc/CVeloDoc.h"
#include "platform/ViewWidget.h"

namespace {

// The modifier keys as the test says they are held.
class KeyedWidget : public ViewWidget {
 public:
  using ViewWidget::ViewWidget;
  bool IsShiftDown() const override { return shift; }
  bool IsCtrlDown() const override { return ctrl; }
  bool shift = false;
  bool ctrl = false;
};

std::string Lines(const CVeloDoc& doc) {
  std::string text;
  for (const LineNode* n = doc.FirstLine(); n; n = n->next) text += std::string(n->text.View()) + "\n";
  return text;
}

class ViewInputTest : public ::testing::Test {
 protected:
  ViewInputTest() {
    settings.colors = kDefaultColors;
    settings.settingsLoaded = true;
  }

  KeyedWidget& Open(std::string_view text, int width = 480, int height = 300) {
    widget.reset();
    docPtr = std::make_unique<CVeloDoc>(settings);
    ByteBlock* block = ByteBlock::Allocate(std::max<std::size_t>(text.size(), 1));
    if (!text.empty()) std::memcpy(block->Data(), text.data(), text.size());
    docPtr->LoadLines(block, text.size());
    block->Unref();
    widget = std::make_unique<KeyedWidget>(*docPtr, settings);
    widget->resize(width, height);
    widget->show();
    QApplication::setActiveWindow(widget.get());
    widget->setFocus();
    QApplication::processEvents();
    QObject::connect(widget.get(), &ViewWidget::messageShown, [this](const QString& m) { messages << m; });
    return *widget;
  }

  CVeloView& V() { return widget->View(); }

  // What the input method sends: a composition with its format and cursor, and finished text.
  void Compose(const QString& preedit, int cursor = -1, bool highlighted = false) {
    QTextCharFormat format;
    format.setUnderlineStyle(QTextCharFormat::SingleUnderline);
    if (highlighted) format.setBackground(Qt::darkBlue);
    QList<QInputMethodEvent::Attribute> attributes{
        {QInputMethodEvent::TextFormat, 0, static_cast<int>(preedit.size()), QVariant(format)},
        {QInputMethodEvent::Cursor, cursor < 0 ? static_cast<int>(preedit.size()) : cursor, 1, QVariant()}};
    QInputMethodEvent event(preedit, attributes);
    QCoreApplication::sendEvent(widget.get(), &event);
  }
  void Commit(const QString& text, int replaceFrom = 0, int replaceLength = 0) {
    QInputMethodEvent event;
    event.setCommitString(text, replaceFrom, replaceLength);
    QCoreApplication::sendEvent(widget.get(), &event);
  }

  void Mouse(QEvent::Type type, QPoint at, Qt::MouseButtons buttons = Qt::LeftButton) {
    QMouseEvent event(type, at, widget->viewport()->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(widget->viewport(), &event);
  }
  void Wheel(QPoint delta) {
    const QPointF at(50, 50);
    QWheelEvent event(at, widget->viewport()->mapToGlobal(at), QPoint(), delta, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(widget->viewport(), &event);
  }

  // Display columns [column, column + cells) of a screen row, in viewport pixels.
  QRect Cells(int row, int column, int cells = 1) {
    const CVeloView& v = V();
    return QRect(v.MarginWidth() + (column - v.Origin().column) * v.CharWidth(), row * v.LineHeight(),
                 cells * v.CharWidth(), v.LineHeight());
  }
  QImage Grab() { return widget->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
  // What the window shows, built from the repaints asked for so far.
  QImage OnScreen() {
    QApplication::processEvents();
    const QImage window = widget->screen()->grabWindow(widget->winId()).toImage();
    return window.copy(widget->viewport()->geometry()).convertToFormat(QImage::Format_RGB32);
  }
  QRect ImeRect() { return widget->inputMethodQuery(Qt::ImCursorRectangle).toRect(); }

  CVeloDoc& Doc() { return *docPtr; }

  Settings settings;
  std::unique_ptr<CVeloDoc> docPtr;
  std::unique_ptr<KeyedWidget> widget;
  QStringList messages;
};

// The composition is drawn over the cells at the caret in the view's own glyphs, underlined,
// and goes away leaving the picture and the document as they were.
TEST_F(ViewInputTest, TheCompositionIsDrawnAtTheCaretAndNeverEntersTheDocument) {
  KeyedWidget& w = Open(
      "ab\x95\x5C"
      "cdef\nxyz\n");
  V().PlaceCaret(0, 2, false);
  QApplication::processEvents();
  const QImage before = Grab();
  const QRect oldCaret = w.CaretRect();

  Compose(QString::fromUtf8("にほ"), 1);
  EXPECT_TRUE(w.IsComposing());
  EXPECT_EQ(Lines(Doc()),
            "ab\x95\x5C"
            "cdef\nxyz\n");
  EXPECT_TRUE(V().UndoList().empty());
  EXPECT_EQ(w.CompositionRect(), Cells(0, 2, 4));
  EXPECT_TRUE(w.CaretRect().isEmpty() || w.CaretRect() == oldCaret);
  const QImage composing = Grab();
  const QRgb ink = Rgb(settings.colors[ColorTable::Text]);
  const QRect cells = Cells(0, 2, 4);
  // に, but for its last pixel column, where the cursor stands as the caret would.
  const QRect first = Cells(0, 2, 2).adjusted(0, 0, -1, 0);
  EXPECT_EQ(CountColor(composing, QRect(first.left(), first.bottom(), first.width(), 1), ink), first.width())
      << "no underline";
  // The cursor stands after に: its rectangle for the candidate window too.
  EXPECT_EQ(ImeRect().topLeft(), w.viewport()->geometry().topLeft() + Cells(0, 4).topLeft());
  // Everything else as it was, the caret's place aside.
  QImage rest = composing;
  for (const QRect& r : {cells, oldCaret}) {
    const QImage patch = before.copy(r);
    for (int y = 0; y < patch.height(); ++y)
      for (int x = 0; x < patch.width(); ++x) rest.setPixel(r.left() + x, r.top() + y, patch.pixel(x, y));
  }
  EXPECT_EQ(FirstDifference(rest, before), "");

  // Replaced by a longer one, which covers more; scrolling moves it along with the caret.
  Compose(QString::fromUtf8("にほんご"));
  EXPECT_EQ(w.CompositionRect(), Cells(0, 2, 8));
  EXPECT_EQ(FirstDifference(OnScreen(), Grab()), "") << "after the composition grew";

  // Cancelled: the picture is the one before it began.
  Compose(QString());
  EXPECT_FALSE(w.IsComposing());
  EXPECT_EQ(FirstDifference(OnScreen(), before), "");
  EXPECT_TRUE(V().UndoList().empty());

  // Committed: the same glyphs, now the document's, where the composition showed them.
  Compose(QString::fromUtf8("にほ"));
  const QImage shown = Grab().copy(cells.adjusted(0, 0, 0, -1));
  Commit(QString::fromUtf8("にほ"));
  EXPECT_FALSE(w.IsComposing());
  EXPECT_EQ(Lines(Doc()),
            "ab\x82\xC9\x82\xD9\x95\x5C"
            "cdef\nxyz\n");
  EXPECT_EQ(FirstDifference(Grab().copy(cells.adjusted(0, 0, 0, -1)), shown), "");
}

TEST_F(ViewInputTest, ScrollingWhileComposingRepaintsWhereTheCompositionWasAndIs) {
  std::string text;
  for (int i = 0; i < 60; ++i) text += "line " + std::to_string(i) + "\n";
  KeyedWidget& w = Open(text);
  V().PlaceCaret(4, 2, false);
  Compose(QString::fromUtf8("かな"));
  OnScreen();
  Wheel(QPoint(0, -120));
  EXPECT_EQ(V().Origin().line, 3);
  EXPECT_EQ(FirstDifference(OnScreen(), Grab()), "");
  EXPECT_EQ(w.CompositionRect().top(), (V().Caret().line - V().Origin().line) * V().LineHeight());
  w.clearFocus();
  EXPECT_FALSE(w.IsComposing()) << "the composition outlived the focus";
  EXPECT_EQ(FirstDifference(OnScreen(), Grab()), "");
}

// Finished text: once, as code page 932, over the selection or the columns it overwrites;
// what the code page cannot hold is refused with the typed-text message, the document intact.
TEST_F(ViewInputTest, CommittedTextGoesInOnceAsCodePage932) {
  const struct {
    const char* name;
    int selectFrom;  // -1: no selection
    bool overwrite;
    const char* commit;
    std::string bytes;
    int caret;
    std::size_t undo;
  } cases[] = {
      {"insert", -1, false, "日本",
       "a\x93\xFA\x96\x7B"
       "bcdef\n",
       5, 1},
      {"over a selection", 4, false, "語",
       "a\x8C\xEA"
       "ef\n",
       3, 2},
      {"overwrite", -1, true, "日",
       "a\x93\xFA"
       "def\n",
       3, 2},
      {"unencodable", 4, false, "\xF0\xA0\xAE\xB7", "abcdef\n", 4, 0},  // 𠮷
      {"partly unencodable", -1, false,
       "a\xE2\x98\x83"
       "b",
       "abcdef\n", 1, 0},  // a☃b
  };
  for (const auto& c : cases) {
    const qsizetype told = messages.size();
    Open("abcdef\n");
    V().PlaceCaret(0, 1, false);
    if (c.selectFrom >= 0) V().PlaceCaret(0, c.selectFrom, true);
    if (c.overwrite) V().ToggleOverwrite();
    Compose(QString::fromUtf8(c.commit));
    Commit(QString::fromUtf8(c.commit));
    EXPECT_FALSE(widget->IsComposing()) << c.name;
    EXPECT_EQ(Lines(Doc()), c.bytes) << c.name;
    EXPECT_EQ(V().Caret().byteIndex, c.caret) << c.name;
    EXPECT_EQ(V().UndoList().size(), c.undo) << c.name;
    EXPECT_EQ(messages.size() - told, c.undo == 0 ? 1 : 0) << c.name;
  }
  ASSERT_EQ(messages.size(), 2);
  EXPECT_TRUE(messages[0].contains(QStringLiteral("U+20BB7"))) << messages[0].toStdString();
  EXPECT_TRUE(messages[1].contains(QStringLiteral("U+2603"))) << messages[1].toStdString();
}

// The input method reads the caret line around the caret and may replace a span of it.
TEST_F(ViewInputTest, TheTextAroundTheCaretCanBeReadAndReconverted) {
  KeyedWidget& w = Open("xx\x93\xFA\x96\x7B\x8C\xEAyy\n");  // xx日本語yy
  V().PlaceCaret(0, 8, false);
  EXPECT_EQ(w.inputMethodQuery(Qt::ImSurroundingText).toString(), QString::fromUtf8("xx日本語yy"));
  EXPECT_EQ(w.inputMethodQuery(Qt::ImCursorPosition).toInt(), 5);
  V().PlaceCaret(0, 2, true);
  EXPECT_EQ(w.inputMethodQuery(Qt::ImAnchorPosition).toInt(), 5);
  EXPECT_EQ(w.inputMethodQuery(Qt::ImCursorPosition).toInt(), 2);
  EXPECT_EQ(w.inputMethodQuery(Qt::ImCurrentSelection).toString(), QString::fromUtf8("日本語"));
  V().PlaceCaret(0, 8, false);
  Commit(QString::fromUtf8("ニホンゴ"), -3, 3);
  EXPECT_EQ(Lines(Doc()), "xx\x83\x6A\x83\x7A\x83\x93\x83\x53yy\n");
  EXPECT_EQ(V().Caret().byteIndex, 10);
  Commit(QString(), 1, 5);  // deleting past the line's end stops there
  EXPECT_EQ(Lines(Doc()), "xx\x83\x6A\x83\x7A\x83\x93\x83\x53y\n");

  // A long line is read around the caret only; before a caret that follows nothing but lead
  // bytes (亜 is 88 9F) nothing can be told for sure, and nothing is read.
  std::string kanji = "a";
  for (int i = 0; i < 1500; ++i) kanji += "\x88\x9F";
  Open(std::string(5000, 'x') + "\n" + kanji + "\n");
  V().PlaceCaret(0, 2500, false);
  EXPECT_EQ(widget->inputMethodQuery(Qt::ImCursorPosition).toInt(), 1024);
  EXPECT_EQ(widget->inputMethodQuery(Qt::ImSurroundingText).toString().size(), 2048);
  V().PlaceCaret(1, 2001, false);
  EXPECT_EQ(widget->inputMethodQuery(Qt::ImCursorPosition).toInt(), 0);
  EXPECT_EQ(widget->inputMethodQuery(Qt::ImSurroundingText).toString(), QString(500, QChar(0x4E9C)));
}

// The candidate window's place: the caret's cell, also on a kanji and after a sideways scroll,
// in the view's font at its zoom.
TEST_F(ViewInputTest, TheCursorRectangleAndFontFollowTheCaretAndTheZoom) {
  std::string line;
  for (int i = 0; i < 40; ++i) line += "\x95\x5C";
  KeyedWidget& w = Open(line + "\n");
  const QPoint viewport = w.viewport()->geometry().topLeft();
  V().PlaceCaret(0, 6, false);
  V().EnsureCaretVisible(false);
  EXPECT_EQ(ImeRect(), QRect(viewport + QPoint(V().CaretPoint().x, 0), QSize(2, V().LineHeight())));
  V().PlaceCaret(0, 70, false);
  V().EnsureCaretVisible(false);
  ASSERT_GT(V().Origin().column, 0);
  EXPECT_EQ(ImeRect().topLeft(), viewport + Cells(0, 70).topLeft() - QPoint(1, 0));
  EXPECT_TRUE(w.viewport()->geometry().contains(ImeRect()));

  EXPECT_EQ(w.inputMethodQuery(Qt::ImFont).value<QFont>().pixelSize(), 18);
  w.ctrl = true;
  Wheel(QPoint(0, 120));
  EXPECT_EQ(V().LineHeight(), 20);
  EXPECT_EQ(V().CharWidth(), 10);
  EXPECT_EQ(w.inputMethodQuery(Qt::ImFont).value<QFont>().pixelSize(), 20);
  EXPECT_EQ(ImeRect().height(), 20);
}

// A press puts the caret, a drag selects and holds the mouse until the release; each move
// below the window scrolls a line.
TEST_F(ViewInputTest, DraggingSelectsAndHoldsTheMouse) {
  std::string text;
  for (int i = 0; i < 40; ++i) text += "line " + std::to_string(i) + "\n";
  KeyedWidget& w = Open(text);
  Mouse(QEvent::MouseButtonPress, Cells(1, 2).center());
  EXPECT_EQ(QWidget::mouseGrabber(), w.viewport());
  Mouse(QEvent::MouseMove, Cells(2, 3).center());
  Mouse(QEvent::MouseMove, QPoint(20, w.viewport()->height() + 30));
  Mouse(QEvent::MouseButtonRelease, QPoint(20, w.viewport()->height() + 30), Qt::NoButton);
  EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
  EXPECT_EQ(V().Origin().line, 1);
  EXPECT_EQ(V().GetSelectedText(), "ne 1\r\nline 2\r\nlin");
  // A double click is two presses: no word is selected.
  Mouse(QEvent::MouseButtonPress, Cells(0, 1).center());
  Mouse(QEvent::MouseButtonRelease, Cells(0, 1).center(), Qt::NoButton);
  Mouse(QEvent::MouseButtonDblClick, Cells(0, 1).center());
  Mouse(QEvent::MouseButtonRelease, Cells(0, 1).center(), Qt::NoButton);
  EXPECT_FALSE(V().IsSelecting());
  EXPECT_EQ(V().Caret().byteIndex, 1);
}

// Every 120 of delta is a step in its own direction: small ones add up, big ones split, a
// reversal starts afresh; sideways deltas scroll sideways, Shift turns the wheel sideways.
TEST_F(ViewInputTest, WheelDeltasMakeStepsInTheirOwnDirection) {
  std::string text;
  for (int i = 0; i < 100; ++i) text += std::string(200, 'x') + "\n";
  KeyedWidget& w = Open(text);
  const int quarter = V().VisibleColumns() / 4;
  Wheel(QPoint(0, -120));
  EXPECT_EQ(V().Origin().line, 3);
  Wheel(QPoint(0, -360));
  EXPECT_EQ(V().Origin().line, 12);
  for (int d : {-60, -30, 30, -60, -60}) Wheel(QPoint(0, d));  // the reversal drops the -90
  EXPECT_EQ(V().Origin().line, 15);
  Wheel(QPoint(0, 240));
  EXPECT_EQ(V().Origin().line, 9);
  Wheel(QPoint(-120, 0));
  EXPECT_EQ(V().Origin().column, quarter);
  w.shift = true;
  Wheel(QPoint(0, -240));
  EXPECT_EQ(V().Origin().column, 3 * quarter);
  EXPECT_EQ(V().Origin().line, 9);
}

// Keys pressed while the input method composes belong to it: none reaches a table.
class ComposingKeysTest : public ShellFixture {};

TEST_F(ComposingKeysTest, NoKeyBecomesACommandWhileComposing) {
  const QString path = WriteFile(QStringLiteral("a.tex"), "abc\r\n");
  ASSERT_TRUE(Start({path}));
  ViewWidget* view = Frame().ActiveChild()->View();
  QApplication::setActiveWindow(&Frame());
  view->setFocus();
  QApplication::processEvents();
  std::vector<int> routed;
  Frame().SetCommandObserver([&](int id, bool) { routed.push_back(id); });
  for (auto [key, modifiers] : {std::pair{Qt::Key_Return, Qt::NoModifier},
                                {Qt::Key_Backspace, Qt::NoModifier},
                                {Qt::Key_Z, Qt::ControlModifier},
                                {Qt::Key_Right, Qt::ShiftModifier}}) {
    QInputMethodEvent compose(QStringLiteral("ka"), {});
    QCoreApplication::sendEvent(view, &compose);
    ASSERT_TRUE(view->IsComposing());
    PressKey(key, modifiers, view);
    EXPECT_TRUE(routed.empty()) << key;
  }
  EXPECT_EQ(Lines(view->View().GetDocument()), "abc\n");
  PressKey(Qt::Key_End, Qt::NoModifier, view);  // not composing: the table again
  EXPECT_EQ(routed, std::vector<int>{ID_LINE_END});
}

}  // namespace

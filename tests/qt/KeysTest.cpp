// Keys on the real shell: both accelerator tables and the window system's own keys, typed text
// as code page 932, keys while the input method composes, and the clipboard through QClipboard.
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMimeData>

#include "ShellFixture.h"
#include "base/CommandIds.h"
#include "platform/ViewWidget.h"
#include "view/CVeloView.h"

namespace {

constexpr Qt::KeyboardModifiers kNo = Qt::NoModifier, kShift = Qt::ShiftModifier, kCtrl = Qt::ControlModifier,
                                kAlt = Qt::AltModifier;
using Routed = QList<std::pair<int, bool>>;

class KeysTest : public ShellFixture {
 protected:
  void Record() {
    Frame().SetCommandObserver([this](int id, bool handled) { routed.push_back({id, handled}); });
  }
  // The commands the keys reached.
  Routed Routes(std::initializer_list<std::pair<int, Qt::KeyboardModifiers>> keys) {
    routed.clear();
    for (auto [key, modifiers] : keys) Key(key, modifiers);
    return routed;
  }
  CVeloView& Open(const QByteArray& bytes) {
    EXPECT_TRUE(Start({WriteFile(QStringLiteral("edit.tex"), bytes)}));
    return Frame().ActiveChild()->View()->View();
  }
  QByteArray Text() { return QByteArray::fromStdString(ActiveDocument().Doc().ToFileImage()); }
  void Key(int key, Qt::KeyboardModifiers modifiers, const QString& text = {}) {
    PressKey(key, modifiers, nullptr, text);
  }
  // A key of a Japanese layout that types text and has no key code of its own.
  void Type(const QString& text) { Key(Qt::Key_unknown, kNo, text); }
  static QClipboard& Clipboard() { return *QGuiApplication::clipboard(); }
  Routed routed;
};

TEST_F(KeysTest, KeysReachTheirCommandsTheDocumentsTableFirstThenTheFramesThenTheWindowSystems) {
  Open("abc\r\n");
  Record();
  // By the commands' plain numbers: every modifier, keys that share a key or a command, and
  // document start and end, whose numbers do not follow the keys' order.
  for (auto [key, modifiers, command] : {std::tuple{Qt::Key_Up, kNo, 32773},
                                         {Qt::Key_Right, kCtrl | kShift, 32808},
                                         {Qt::Key_Home, kCtrl, 32812},
                                         {Qt::Key_Home, kCtrl | kShift, 32811},
                                         {Qt::Key_Delete, kShift, 32819},
                                         {Qt::Key_Insert, kCtrl, 57634},
                                         {Qt::Key_Insert, kShift, 57637},
                                         {Qt::Key_Backspace, kAlt, 57643},
                                         {Qt::Key_F9, kAlt, 32852}}) {
    EXPECT_EQ(Routes({{key, modifiers}}).value(0).first, command);
  }
  // Keypad keys count as the keys they stand for; other modifiers do not match.
  EXPECT_EQ(
      Routes({{Qt::Key_Left, kShift | Qt::KeypadModifier}, {Qt::Key_S, kCtrl | kShift}, {Qt::Key_Q, kNo}}),
      (Routed{{ID_CHAR_LEFT_EXTEND, true}}));

  // A document table entry wins over the frame's, but only while a document window is active.
  Template().Accelerators().Add({Qt::Key_N, kAccelCtrl, 40001});
  EXPECT_EQ(Routes({{Qt::Key_N, kCtrl}}), (Routed{{40001, false}}));
  ActiveDocument().Doc().SetModifiedFlag(false);
  ASSERT_TRUE(Frame().RouteCommand(ID_FILE_CLOSE));
  Settle();
  ASSERT_TRUE(Frame().Children().isEmpty());
  EXPECT_EQ(Routes({{Qt::Key_N, kCtrl}}), (Routed{{ID_FILE_NEW, true}}));

  // The window system's keys for document windows: Ctrl+F6 goes to the next, Ctrl+F4 closes.
  Frame().RouteCommand(ID_FILE_NEW);
  const QString second = Frame().ActiveChild()->windowTitle();
  Key(Qt::Key_F6, kCtrl);
  EXPECT_NE(Frame().ActiveChild()->windowTitle(), second);
  EXPECT_TRUE(Frame().ActiveChild()->isMaximized());
  Key(Qt::Key_F4, kCtrl);
  Settle();
  EXPECT_EQ(ChildTitles(), QStringList{second});

  // A dialog of the main window keeps its keys; a table key claims the shortcut check.
  routed.clear();
  QDialog dialog(&Frame());
  PressKey(Qt::Key_N, kCtrl, new QLineEdit(&dialog));
  EXPECT_TRUE(routed.empty());
  QKeyEvent tableKey(QEvent::ShortcutOverride, Qt::Key_S, kCtrl);
  tableKey.ignore();
  QCoreApplication::sendEvent(KeyTarget(), &tableKey);
  EXPECT_TRUE(tableKey.isAccepted());
}

// While the input method composes, keys are its own: none reaches a table.
TEST_F(KeysTest, NoKeyBecomesACommandWhileComposing) {
  Open("abc\r\n");
  ViewWidget* view = Frame().ActiveChild()->View();
  Record();
  for (auto [key, modifiers] :
       {std::pair{Qt::Key_Return, kNo}, {Qt::Key_Backspace, kNo}, {Qt::Key_Z, kCtrl}}) {
    QInputMethodEvent compose(QStringLiteral("ka"), {});
    QCoreApplication::sendEvent(view, &compose);
    PressKey(key, modifiers, view);
    EXPECT_TRUE(routed.empty()) << key;
  }
  EXPECT_EQ(Text(), "abc\r\n");
  PressKey(Qt::Key_End, kNo, view);  // not composing: the table again
  EXPECT_EQ(routed, (Routed{{ID_LINE_END, true}}));
}

TEST_F(KeysTest, KeysTypeAndEdit) {
  CVeloView& v = Open("abc\r\n");
  Key(Qt::Key_Right, kShift);
  Key(Qt::Key_X, kShift, QStringLiteral("X"));
  Key(Qt::Key_Return, kNo, QStringLiteral("\r"));
  Key(Qt::Key_Tab, kNo, QStringLiteral("\t"));
  Key(Qt::Key_Y, kNo, QStringLiteral("y"));
  Key(Qt::Key_Enter, Qt::KeypadModifier, QStringLiteral("\r"));
  Key(Qt::Key_Backspace, kNo, QStringLiteral("\b"));  // a command, never the character it types
  // Chords no table has type nothing; neither do control characters.
  Key(Qt::Key_Q, kCtrl, QStringLiteral("\x11"));
  Key(Qt::Key_Z, kAlt, QStringLiteral("z"));
  Key(Qt::Key_Escape, kNo, QStringLiteral("\x1b"));
  EXPECT_EQ(Text(), "X\r\n\tybc\r\n");

  // Japanese text goes in whole, one step a key; text the code page lacks changes nothing.
  Key(Qt::Key_End, kCtrl);
  const std::size_t steps = v.UndoList().size();
  Type(QStringLiteral("あ"));
  Type(QStringLiteral("ｱ"));  // half-width katakana is one byte
  Type(QStringLiteral("¥"));  // the yen sign of Japanese keyboards is the backslash
  Type(QStringLiteral("😀"));
  EXPECT_EQ(Text(), "X\r\n\tybc\x82\xA0\xB1\\\r\n");
  EXPECT_EQ(v.UndoList().size(), steps + 3);
  EXPECT_TRUE(Frame().MessageText().contains(QStringLiteral("U+1F600 😀"))) << Frame().MessageText();
}

TEST_F(KeysTest, ClipboardKeepsTheDocumentsBytesAndConvertsForeignText) {
  // 0x80 decodes to nothing; ED 40 is a duplicate whose character encodes as FA 5C; 表 ends in
  // a backslash; a lone CR is a byte of its line.
  const QByteArray lines = "a\x80z\xED\x40\x95\x5C\tc\rd\r\n\x82\xA0x";
  CVeloView& v = Open(lines + "\r\n");
  Key(Qt::Key_A, kCtrl);
  Key(Qt::Key_C, kCtrl);
  const QMimeData* data = Clipboard().mimeData();
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->data(QString::fromLatin1(ViewWidget::kCp932MimeType)), lines);
  // Other programs get Unicode with their line ends and a mark for what has no character.
  EXPECT_EQ(data->text(), QStringLiteral("a\uFFFDz\u7E8A表\tc\rd\nあx"));
  Key(Qt::Key_End, kCtrl);
  Key(Qt::Key_V, kCtrl);
  EXPECT_EQ(Text(), lines + lines + "\r\n");

  // Other programs separate lines with LF; CR LF stays one break, a lone CR stays a byte.
  Key(Qt::Key_A, kCtrl);
  Clipboard().setText(QStringLiteral("a\nb\r\n表\rd"));
  Key(Qt::Key_V, kCtrl);
  EXPECT_EQ(Text(), "a\r\nb\r\n\x95\x5C\rd\r\n");
  // A character the code page lacks refuses the whole text, the selection stays.
  Key(Qt::Key_Home, kCtrl | kShift);
  Clipboard().setText(QStringLiteral("x😀y"));
  Key(Qt::Key_V, kCtrl);
  EXPECT_EQ(Text(), "a\r\nb\r\n\x95\x5C\rd\r\n");
  EXPECT_TRUE(v.IsSelecting());
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_TRUE(dialogs.boxes[0].text.contains(QStringLiteral("U+1F600 😀"))) << dialogs.boxes[0].text;
  // No text: the selection goes.
  Clipboard().clear();
  Key(Qt::Key_Insert, kShift);
  EXPECT_EQ(Text(), "\r\n");
}

}  // namespace

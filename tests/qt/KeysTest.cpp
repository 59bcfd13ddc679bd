// Keys on the real shell: both accelerator tables and the window system's own keys, typed text
// as code page 932, and the clipboard through QClipboard. The input method: ViewInputTest.
#include <QClipboard>
#include <QLineEdit>
#include <QMimeData>

#include "ShellFixture.h"
#include "base/CommandIds.h"
#include "platform/ViewWidget.h"
#include "res/Resources.h"
#include "view/CVeloView.h"

namespace {

constexpr Qt::KeyboardModifiers kNo = Qt::NoModifier, kShift = Qt::ShiftModifier, kCtrl = Qt::ControlModifier,
                                kAlt = Qt::AltModifier;

class KeysTest : public ShellFixture {
 protected:
  void Record() {
    Frame().SetCommandObserver([this](int id, bool handled) { routed.push_back({id, handled}); });
  }
  // Starts with the file holding bytes in the active window.
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
  std::vector<std::pair<int, bool>> routed;
};

// Entries of both tables by their plain numbers: the corners of the arrow block, every
// modifier, keys that share a command and keys that share a key. The document's table first.
const struct {
  int key;
  Qt::KeyboardModifiers modifiers;
  int command;
} kKeys[] = {
    {Qt::Key_Up, kNo, 32773},
    {Qt::Key_Down, kCtrl | kShift, 32800},
    {Qt::Key_Right, kCtrl | kShift, 32808},
    {Qt::Key_Home, kCtrl, 32812},
    {Qt::Key_Home, kCtrl | kShift, 32811},
    {Qt::Key_End, kShift, 32815},
    {Qt::Key_End, kCtrl, 32814},
    {Qt::Key_PageDown, kShift, 32825},
    {Qt::Key_Backspace, kShift, 32817},
    {Qt::Key_Backspace, kCtrl, 32818},
    {Qt::Key_Delete, kShift, 32819},
    {Qt::Key_Insert, kNo, 32821},
    {Qt::Key_C, kCtrl, 57634},
    {Qt::Key_Insert, kCtrl, 57634},
    {Qt::Key_Insert, kShift, 57637},
    {Qt::Key_Backspace, kAlt, 57643},
    {Qt::Key_F9, kAlt, 32852},
    {Qt::Key_F12, kNo, 57604},
    {Qt::Key_L, kCtrl, 32864},
    {Qt::Key_F4, kNo, 32902},
    {Qt::Key_F4, kShift, 32903},
    {Qt::Key_N, kCtrl, 57600},
};

TEST_F(KeysTest, EveryKeyReachesItsCommandTheDocumentsTableFirst) {
  Open("abc\r\n");
  Record();
  dialogs.saveAnswers = {std::nullopt};  // F12
  for (const auto& key : kKeys) {
    routed.clear();
    Key(key.key, key.modifiers);
    ASSERT_EQ(routed.size(), 1u) << key.command;
    EXPECT_EQ(routed[0].first, key.command);
  }
  EXPECT_EQ(AcceleratorTable(IDR_TEXTYPE).Entries().size(), 35u);
  EXPECT_EQ(AcceleratorTable(IDR_MAINFRAME).Entries().size(), 29u);

  // Keypad keys count as the keys they stand for; other modifiers do not match.
  routed.clear();
  Key(Qt::Key_Left, kShift | Qt::KeypadModifier);
  Key(Qt::Key_S, kCtrl | kShift);
  Key(Qt::Key_Q, kNo);
  EXPECT_EQ(routed, (std::vector<std::pair<int, bool>>{{ID_CHAR_LEFT_EXTEND, true}}));

  // A document table entry wins over the frame's, but only while a document window is active.
  Template().Accelerators().Add({Qt::Key_N, kAccelCtrl, 40001});
  routed.clear();
  Key(Qt::Key_N, kCtrl);
  EXPECT_EQ(routed, (std::vector<std::pair<int, bool>>{{40001, false}}));
  while (!Frame().Children().isEmpty()) {
    ActiveDocument().Doc().SetModifiedFlag(false);
    ASSERT_TRUE(Frame().RouteCommand(ID_FILE_CLOSE));
    Settle();
  }
  routed.clear();
  Key(Qt::Key_N, kCtrl);
  EXPECT_EQ(routed, (std::vector<std::pair<int, bool>>{{ID_FILE_NEW, true}}));
}

TEST_F(KeysTest, WindowKeysAndKeysOfOtherWindows) {
  ASSERT_TRUE(Start());
  Key(Qt::Key_N, kCtrl);
  Key(Qt::Key_N, kCtrl);
  EXPECT_EQ(ChildTitles(), (QStringList{"TeX1", "TeX2", "TeX3"}));
  EXPECT_TRUE(Frame().ActiveChild()->isMaximized());
  EXPECT_EQ(Frame().windowTitle(), "Mirev - [TeX3]");
  Key(Qt::Key_F6, kCtrl);
  EXPECT_NE(Frame().ActiveChild()->windowTitle(), "TeX3");
  EXPECT_TRUE(Frame().ActiveChild()->isMaximized());
  Key(Qt::Key_F4, kCtrl);  // closes the active window; the numbers go on counting
  Settle();
  Key(Qt::Key_N, kCtrl);
  EXPECT_EQ(ChildTitles().size(), 3);
  EXPECT_EQ(ChildTitles().last(), "TeX4");
  Template().Accelerators().Add({Qt::Key_F4, kAccelCtrl, 40002});  // a table entry would win
  Key(Qt::Key_F4, kCtrl);
  Settle();
  EXPECT_EQ(ChildTitles().size(), 3);

  // A dialog of the main window keeps its keys; a table key claims the shortcut check.
  Record();
  QDialog dialog(&Frame());
  PressKey(Qt::Key_N, kCtrl, new QLineEdit(&dialog));
  EXPECT_TRUE(routed.empty());
  QKeyEvent tableKey(QEvent::ShortcutOverride, Qt::Key_S, kCtrl);
  tableKey.ignore();
  QCoreApplication::sendEvent(KeyTarget(), &tableKey);
  EXPECT_TRUE(tableKey.isAccepted());
}

TEST_F(KeysTest, KeysTypeAndEdit) {
  CVeloView& v = Open("abc\r\n");
  Clipboard().setText(QStringLiteral("kept"));
  Key(Qt::Key_Delete, kShift);  // deletes a character here instead of cutting
  EXPECT_EQ(Text(), "bc\r\n");
  EXPECT_EQ(Clipboard().text(), "kept");
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
  EXPECT_EQ(Text(), "X\r\n\tyc\r\n");
  Key(Qt::Key_Z, kCtrl, QStringLiteral("\x1a"));
  EXPECT_EQ(Text(), "X\r\n\ty\r\nc\r\n");
  Key(Qt::Key_Y, kCtrl, QStringLiteral("\x19"));
  EXPECT_EQ(Text(), "X\r\n\tyc\r\n");
  // Insert switches to overwriting; Tab then only moves.
  Key(Qt::Key_Insert, kNo);
  Key(Qt::Key_Home, kNo);
  Key(Qt::Key_Tab, kNo, QStringLiteral("\t"));
  Key(Qt::Key_Z, kShift, QStringLiteral("Z"));
  EXPECT_EQ(Text(), "X\r\n\tZc\r\n");

  // Japanese text goes in whole, one step a key; text the code page lacks changes nothing.
  Key(Qt::Key_Insert, kNo);
  Key(Qt::Key_End, kCtrl);
  const std::size_t steps = v.UndoList().size();
  Type(QStringLiteral("あ"));
  Type(QStringLiteral("ｱ"));  // half-width katakana is one byte
  Type(QStringLiteral("¥"));  // the yen sign of Japanese keyboards is the backslash
  Type(QStringLiteral("😀"));
  EXPECT_EQ(Text(), "X\r\n\tZc\x82\xA0\xB1\\\r\n");
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
  const std::size_t steps = v.UndoList().size();
  Key(Qt::Key_Home, kShift);
  Key(Qt::Key_X, kCtrl);  // one step
  EXPECT_EQ(Clipboard().mimeData()->text(), QStringLiteral("あx"));
  EXPECT_EQ(v.UndoList().size(), steps + 1);

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
  // No text: the selection goes. A large text in many lines goes in whole, as one step.
  Clipboard().clear();
  Key(Qt::Key_Insert, kShift);
  EXPECT_EQ(Text(), "\r\n");
  QString large;
  for (int i = 0; i < 200000; ++i) large += QStringLiteral("表%1\n").arg(i);
  Clipboard().setText(large);
  Key(Qt::Key_V, kCtrl);
  EXPECT_EQ(ActiveDocument().Doc().LineCount(), 200001);
  Key(Qt::Key_Z, kCtrl);
  EXPECT_EQ(Text(), "\r\n");
}

}  // namespace

// Editing from the keyboard on the real shell: both accelerator tables, typed text as code
// page 932, and the edit menu following the view. The input method: ViewInputTest.
#include <QClipboard>

#include "ShellFixture.h"
#include "base/CommandIds.h"
#include "platform/ViewWidget.h"
#include "res/Resources.h"
#include "view/CVeloView.h"

namespace {

struct KeyCase {
  int key;
  Qt::KeyboardModifiers modifiers;
  int command;
};

constexpr Qt::KeyboardModifiers kNo = Qt::NoModifier;
constexpr Qt::KeyboardModifiers kShift = Qt::ShiftModifier;
constexpr Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;
constexpr Qt::KeyboardModifiers kCtrlShift = Qt::ControlModifier | Qt::ShiftModifier;

// Entries of the document windows' table with the plain numbers: the corners of the arrow
// block, and the keys whose numbers do not run in table order or repeat.
const KeyCase kDocumentKeys[] = {
    {Qt::Key_Up, kNo, 32773},          {Qt::Key_Down, kCtrlShift, 32800}, {Qt::Key_Right, kCtrlShift, 32808},
    {Qt::Key_Home, kCtrl, 32812},      {Qt::Key_Home, kCtrlShift, 32811}, {Qt::Key_End, kShift, 32815},
    {Qt::Key_End, kCtrl, 32814},       {Qt::Key_PageDown, kShift, 32825}, {Qt::Key_Backspace, kShift, 32817},
    {Qt::Key_Backspace, kCtrl, 32818}, {Qt::Key_Delete, kShift, 32819},   {Qt::Key_Insert, kNo, 32821},
};

class EditKeysTest : public ShellFixture {
 protected:
  // Starts with the file holding bytes in the active window.
  CVeloView& Open(const QByteArray& bytes) {
    EXPECT_TRUE(Start({WriteFile(QStringLiteral("edit.tex"), bytes)}));
    EXPECT_EQ(KeyTarget(), &Window());
    return View();
  }
  ViewWidget& Window() { return *Frame().ActiveChild()->View(); }
  CVeloView& View() { return Window().View(); }
  QByteArray Text() {
    return QByteArray::fromStdString(Frame().ActiveChild()->Document().Doc().ToFileImage());
  }

  // A key as the window system sends it, with the text it types.
  void Key(int key, Qt::KeyboardModifiers modifiers, const QString& text = {}) {
    QWidget* target = KeyTarget();
    QKeyEvent override(QEvent::ShortcutOverride, key, modifiers, text);
    QCoreApplication::sendEvent(target, &override);
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QCoreApplication::sendEvent(target, &release);
  }
  // A key of a Japanese layout that types text and has no key code of its own.
  void Type(const QString& text) { Key(Qt::Key_unknown, kNo, text); }
};

TEST_F(EditKeysTest, EveryDocumentKeyReachesTheViewBeforeTheFrameTable) {
  Open("abc\r\n");
  std::vector<std::pair<int, bool>> routed;
  Frame().SetCommandObserver([&](int id, bool handled) { routed.push_back({id, handled}); });
  for (const KeyCase& key : kDocumentKeys) {
    routed.clear();
    Key(key.key, key.modifiers);
    ASSERT_EQ(routed.size(), 1u) << key.command;
    EXPECT_EQ(routed[0], std::make_pair(key.command, true));
  }
  EXPECT_EQ(AcceleratorTable(IDR_TEXTYPE).Entries().size(), 35u);

  // The frame's keys that share a key with the document's but not its modifiers still work,
  // and keypad keys count as the keys they stand for.
  routed.clear();
  Key(Qt::Key_Insert, kCtrl);
  Key(Qt::Key_Backspace, Qt::AltModifier);
  Key(Qt::Key_Left, kShift | Qt::KeypadModifier);
  ASSERT_EQ(routed.size(), 3u);
  EXPECT_EQ(routed[0].first, ID_EDIT_COPY);
  EXPECT_EQ(routed[1].first, ID_EDIT_UNDO);
  EXPECT_EQ(routed[2].first, ID_CHAR_LEFT_EXTEND);
}

TEST_F(EditKeysTest, KeysTypeAndEdit) {
  CVeloView& v = Open("abc\r\n");
  QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
  // Shift+Delete deletes a character here instead of cutting.
  Key(Qt::Key_Delete, kShift);
  EXPECT_EQ(Text(), "bc\r\n");
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "kept");

  Key(Qt::Key_Right, kShift);
  EXPECT_TRUE(v.IsSelecting());
  Key(Qt::Key_X, kShift, QStringLiteral("X"));
  Key(Qt::Key_Return, kNo, QStringLiteral("\r"));
  Key(Qt::Key_Tab, kNo, QStringLiteral("\t"));
  Key(Qt::Key_Y, kNo, QStringLiteral("y"));
  Key(Qt::Key_Enter, Qt::KeypadModifier, QStringLiteral("\r"));
  // Backspace is a command, never the character it also types.
  Key(Qt::Key_Backspace, kNo, QStringLiteral("\b"));
  EXPECT_EQ(Text(), "X\r\n\tyc\r\n");

  // Chords that no table has type nothing; neither do control characters.
  Key(Qt::Key_Q, kCtrl, QStringLiteral("\x11"));
  Key(Qt::Key_Z, Qt::AltModifier, QStringLiteral("z"));
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
}

TEST_F(EditKeysTest, JapaneseTextGoesInWholeAndTextTheCodePageLacksIsRefused) {
  CVeloView& v = Open("");
  Type(QStringLiteral("あ"));
  EXPECT_EQ(Text(), "\x82\xA0\r\n");
  EXPECT_EQ(v.UndoList().size(), 1u);
  Key(Qt::Key_Z, kCtrl);
  EXPECT_EQ(Text(), "\r\n");

  // Half-width katakana is one byte; the yen sign of Japanese keyboards is the backslash.
  Type(QStringLiteral("ｱ"));
  Type(QStringLiteral("¥"));
  EXPECT_EQ(Text(), "\xB1\\\r\n");

  const std::size_t steps = v.UndoList().size();
  Type(QStringLiteral("😀"));
  EXPECT_EQ(Text(), "\xB1\\\r\n");
  EXPECT_EQ(v.UndoList().size(), steps);
  EXPECT_TRUE(Frame().MessageText().contains(QStringLiteral("U+1F600 😀")))
      << Frame().MessageText().toStdString();
}

}  // namespace

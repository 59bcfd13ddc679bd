// The clipboard through the real QClipboard: the document's own bytes kept exactly inside the
// program, Unicode text for other programs, and foreign text converted or refused.
#include <QClipboard>
#include <QMimeData>

#include "ShellFixture.h"
#include "base/CommandIds.h"
#include "platform/ViewWidget.h"
#include "view/CVeloView.h"

namespace {

class EditClipboardTest : public ShellFixture {
 protected:
  CVeloView& Open(const QByteArray& bytes) {
    EXPECT_TRUE(Start({WriteFile(QStringLiteral("clip.tex"), bytes)}));
    return View();
  }
  CVeloView& View() { return Frame().ActiveChild()->View()->View(); }
  QByteArray Text() {
    return QByteArray::fromStdString(Frame().ActiveChild()->Document().Doc().ToFileImage());
  }
  static QClipboard& Clipboard() { return *QGuiApplication::clipboard(); }
};

TEST_F(EditClipboardTest, CopyAndPasteInsideTheProgramKeepEveryByte) {
  // 0x80 decodes to nothing; ED 40 is a duplicate whose character encodes as FA 5C; 表 ends in
  // a backslash; a lone CR is a byte of its line.
  const QByteArray lines = "a\x80z\xED\x40\x95\x5C\tc\rd\r\n\x82\xA0x";
  CVeloView& v = Open(lines + "\r\n");
  PressKey(Qt::Key_A, Qt::ControlModifier);
  PressKey(Qt::Key_C, Qt::ControlModifier);

  const QMimeData* data = Clipboard().mimeData();
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->data(QString::fromLatin1(ViewWidget::kCp932MimeType)), lines);
  // Other programs get Unicode with the platform's line ends and a mark for what has no
  // character.
  EXPECT_EQ(data->text(), QStringLiteral("a\uFFFDz\u7E8A表\tc\rd\nあx"));

  PressKey(Qt::Key_End, Qt::ControlModifier);
  PressKey(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Text(), lines + lines + "\r\n");

  // Cut goes the same way and takes the text out as one step.
  const std::size_t steps = v.UndoList().size();
  PressKey(Qt::Key_Home, Qt::ShiftModifier);
  PressKey(Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(Clipboard().mimeData()->text(), QStringLiteral("あx"));
  EXPECT_EQ(Text(), lines + lines.left(lines.size() - 3) + "\r\n");
  EXPECT_EQ(v.UndoList().size(), steps + 1);
}

TEST_F(EditClipboardTest, ForeignTextIsConvertedOrRefusedWhole) {
  CVeloView& v = Open("head\r\n");
  PressKey(Qt::Key_End, Qt::NoModifier);
  // Other programs separate lines with LF; CR LF stays one break, a lone CR stays a byte.
  Clipboard().setText(QStringLiteral("a\nb\r\n表\rd"));
  PressKey(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Text(), "heada\r\nb\r\n\x95\x5C\rd\r\n");

  // Text with a character the code page lacks changes nothing, not even the selection.
  PressKey(Qt::Key_Home, Qt::ControlModifier | Qt::ShiftModifier);
  const std::size_t steps = v.UndoList().size();
  Clipboard().setText(QStringLiteral("x😀y"));
  dialogs.Expect(DialogService::Answer::Ok);
  PressKey(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Text(), "heada\r\nb\r\n\x95\x5C\rd\r\n");
  EXPECT_TRUE(v.IsSelecting());
  EXPECT_EQ(v.UndoList().size(), steps);
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_TRUE(dialogs.boxes[0].text.contains(QStringLiteral("U+1F600 😀")))
      << dialogs.boxes[0].text.toStdString();

  // A clipboard without text pastes nothing over the selection, which goes.
  Clipboard().clear();
  PressKey(Qt::Key_Insert, Qt::ShiftModifier);
  EXPECT_EQ(Text(), "\r\n");

  // A large text in many lines goes in whole as one step.
  QString large;
  for (int i = 0; i < 200000; ++i) large += QStringLiteral("表%1\n").arg(i);
  Clipboard().setText(large);
  PressKey(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Frame().ActiveChild()->Document().Doc().LineCount(), 200001);
  PressKey(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Text(), "\r\n");
  EXPECT_EQ(dialogs.boxes.size(), 1u);
}

}  // namespace

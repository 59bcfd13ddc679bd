// Small things a user meets: NUL bytes through the program's own clipboard, Ctrl+I and
// Ctrl+M, Qt's dialogs in Japanese, the wait cursor while a file is read, and a name that does
// not exist typed into the Open dialog.
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>

#include "ShellFixture.h"
#include "app/FileCommands.h"
#include "platform/ViewWidget.h"
#include "res/Resources.h"
#include "sys/FileCalls.h"
#include "view/CVeloView.h"

namespace {

class ShellMendsTest : public ShellFixture {
 protected:
  bool Open(const QByteArray& bytes) { return Start({WriteFile(QStringLiteral("m.tex"), bytes)}); }
  QByteArray Text() {
    return QByteArray::fromStdString(Frame().ActiveChild()->Document().Doc().ToFileImage());
  }
};

TEST_F(ShellMendsTest, ANulByteTravelsThroughTheProgramsOwnClipboard) {
  const QByteArray line("a\0b\x95\x5C", 5);
  ASSERT_TRUE(Open(line + "\r\nz\r\n"));
  PressKey(Qt::Key_End, Qt::ShiftModifier);
  PressKey(Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(Text(), "\r\nz\r\n");
  PressKey(Qt::Key_Down);
  PressKey(Qt::Key_End);
  PressKey(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Text(), "\r\nz" + line + "\r\n");

  // Other programs' text ends at its first NUL.
  QGuiApplication::clipboard()->setText(QString::fromUtf8("c\0d", 3));
  PressKey(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Text(), "\r\nz" + line + "c\r\n");
}

TEST_F(ShellMendsTest, CtrlITypesATabAndCtrlMALineBreak) {
  ASSERT_TRUE(Open("ab\r\n"));
  PressKey(Qt::Key_Right);
  PressKey(Qt::Key_I, Qt::ControlModifier);
  PressKey(Qt::Key_M, Qt::ControlModifier);
  EXPECT_EQ(Text(), "a\t\r\nb\r\n");
  // Undone as typed keys are.
  PressKey(Qt::Key_Z, Qt::ControlModifier);
  PressKey(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Text(), "ab\r\n");
}

TEST_F(ShellMendsTest, QtsOwnDialogsSpeakJapaneseWhateverTheSystemsLanguage) {
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  ASSERT_TRUE(Start());
  QMessageBox box;
  box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
  EXPECT_EQ(box.button(QMessageBox::Yes)->text(), QStringLiteral("はい(&Y)"));
  EXPECT_EQ(box.button(QMessageBox::No)->text(), QStringLiteral("いいえ(&N)"));
  EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QStringLiteral("キャンセル"));
  QFileDialog files;
  files.setOption(QFileDialog::DontUseNativeDialog);
  auto* name = files.findChild<QLabel*>(QStringLiteral("fileNameLabel"));
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->text(), QStringLiteral("ファイル名(&N):"));
  EXPECT_EQ(QLocale().language(), QLocale::Japanese);
}

// The cursor Qt shows at each read of a file.
std::vector<int> cursorsAtRead;
long NotingRead(int fd, void* data, std::size_t size) {
  const QCursor* cursor = QGuiApplication::overrideCursor();
  cursorsAtRead.push_back(cursor ? cursor->shape() : -1);
  return SystemFileCalls().read(fd, data, size);
}

TEST_F(ShellMendsTest, AFileIsReadUnderTheWaitCursor) {
  ASSERT_TRUE(Start());
  const QString path = WriteFile("w.tex", "x\r\n");
  cursorsAtRead.clear();
  ActiveFileCalls().read = NotingRead;
  ShellDocument* doc = app->OpenDocumentFile(path);
  ActiveFileCalls() = SystemFileCalls();
  ASSERT_NE(doc, nullptr);
  ASSERT_FALSE(cursorsAtRead.empty());
  for (const int shape : cursorsAtRead) EXPECT_EQ(shape, Qt::WaitCursor);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

// The platform's dialogs, with the boxes noted instead of shown.
class RealFileDialogs : public QtDialogService {
 public:
  Answer MessageBox(QWidget*, const QString& caption, const QString& text, Buttons, Icon) override {
    boxes << caption + ": " + text;
    return Answer::Ok;
  }
  QStringList boxes;
};

TEST_F(ShellMendsTest, TheOpenDialogTakesANameThatDoesNotExistAndTheGateSaysWhy) {
  RealFileDialogs service;
  AppOptions options;
  options.profileLocation = ProfilePath();
  options.dialogs = &service;
  options.shellIntegration = false;
  app = std::make_unique<CMirevApp>(options);
  ASSERT_TRUE(app->InitInstance({"mirev"}));
  OnNextModal([this](QDialog* dialog) {
    auto* fileDialog = qobject_cast<QFileDialog*>(dialog);
    ASSERT_NE(fileDialog, nullptr);
    fileDialog->setDirectory(filesDir.path());
    Control<QLineEdit>(dialog, "fileNameEdit")->setText(QStringLiteral("missing.tex"));
    auto* buttons = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    ASSERT_NE(buttons, nullptr);
    buttons->button(QDialogButtonBox::Open)->click();
    RejectAllModals();  // only if the click left it open
  });
  OnFileOpen(*app);
  EXPECT_EQ(service.boxes, QStringList{"error: " + QString::fromUtf8(ResourceString(IDS_FILE_ERROR))});
  EXPECT_EQ(ChildTitles(), QStringList{"TeX1"});
  Finish();
}

}  // namespace

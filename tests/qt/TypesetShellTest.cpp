// Typesetting on the real shell, with commands that stand in for TeX (the recorded output of
// real runs, sh scripts): Ctrl+T saves first, the pane fills, F4 walks the entries through the
// open gate into the right window at the right line, F6 moves between the document and the
// pane, and the settings dialog. Real pLaTeX runs in the end-to-end tests.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QThread>
#include <functional>

#include "ShellFixture.h"
#include "app/TypesetCommands.h"
#include "app/TypesetPane.h"
#include "app/TypesetRunner.h"
#include "base/CommandIds.h"
#include "platform/ViewWidget.h"
#include "res/Resources.h"
#include "tex/TypesetCommand.h"
#include "view/CVeloView.h"

namespace {

QString Res(int id) { return QString::fromUtf8(ResourceString(id)); }

// The script of ShellFixture, with answers for the Save As dialog too.
class SaveDialogs : public ScriptedDialogs {
 public:
  std::optional<QString> GetSaveFileName(QWidget*, const FileDialogRequest&) override {
    ++saveRequests;
    return saveAnswer;
  }
  std::optional<QString> saveAnswer;
  int saveRequests = 0;
};

class TypesetShellTest : public ShellFixture {
 protected:
  bool StartWith(const QStringList& arguments = {}) {
    AppOptions options;
    options.profileLocation = ProfilePath();
    options.dialogs = &script;
    options.shellIntegration = false;
    app = std::make_unique<CMirevApp>(options);
    if (!app->InitInstance(QStringList{QStringLiteral("mirev")} + arguments)) return false;
    Typeset().SetPdfOpener([this](const QString& path) {
      opened << path;
      return opensPdf;
    });
    return true;
  }

  TypesetCommands& Typeset() { return Frame().Typeset(); }
  TypesetPane& Pane() { return Typeset().Pane(); }
  void SetCommand(const QString& command) { app->GetSettings().typesetCommand = command.toStdString(); }

  static bool WaitFor(const std::function<bool()>& done, int ms = 30000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
      if (clock.elapsed() > ms) return false;
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
      QThread::msleep(2);
    }
    return true;
  }
  // Ctrl+T, then until the run has ended and the pane shows all of it.
  bool TypesetAndWait() {
    PressKey(Qt::Key_T, Qt::ControlModifier);
    if (!WaitFor([this] { return !Typeset().Runner().IsRunning(); })) return false;
    Pane().FlushOutput();
    return true;
  }

  QStringList Rows() {
    QStringList rows;
    for (int i = 0; i < Pane().EntryList()->count(); ++i) rows << Pane().EntryList()->item(i)->text();
    return rows;
  }
  // Where a key goes now, and the document and line of the active window.
  QString ActiveName() { return QFileInfo(Frame().ActiveChild()->Document().PathName()).fileName(); }
  int CaretLine() { return Frame().ActiveChild()->View()->View().Caret().line + 1; }
  bool FocusInActiveView() { return KeyTarget() == Frame().ActiveChild()->View(); }

  // The test documents in a folder of their own (code page 932, Japanese names, spaces).
  QString CopyDocs() {
    const QString from = QStringLiteral(MIREV_TEST_DATA "/typeset/docs");
    QDirIterator it(from, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
      const QString source = it.next();
      const QString target = filesDir.filePath(QDir(from).relativeFilePath(source));
      QDir().mkpath(QFileInfo(target).absolutePath());
      QFile::copy(source, target);
    }
    return filesDir.path();
  }
  static QString Recorded(const char* name) {
    return QStringLiteral("cat '" MIREV_TEST_DATA "/typeset/%1'").arg(QString::fromLatin1(name));
  }

  SaveDialogs script;
  QStringList opened;
  bool opensPdf = true;
};

}  // namespace

TEST_F(TypesetShellTest, EntriesWalkErrorsFirstIntoTheirFilesAndLines) {
  const QString folder = CopyDocs();
  ASSERT_TRUE(StartWith({folder + "/nested.tex"}));
  SetCommand(Recorded("nested.stdout"));
  EXPECT_TRUE(Pane().isHidden());
  ASSERT_TRUE(TypesetAndWait());
  EXPECT_FALSE(Pane().isHidden());
  const QString deep = QStringLiteral(
      "日本語 フォルダ/a rather long folder name so that the path wraps past seventy-nine columns/章 1.tex");
  EXPECT_EQ(Rows(), (QStringList{
                        "sub dir/節 2.tex:3: Undefined control sequence.",
                        deep + ":3: Undefined control sequence.",
                        "sub dir/節 2.tex:2: Package mine Warning: in the sub file.",
                        deep + ":4: Package mine Warning: deep warning.",
                        "nested.tex:7: LaTeX Warning: Reference `nowhere' on page 1 undefined.",
                        "nested.tex: LaTeX Warning: There were undefined references.",
                    }));
  EXPECT_TRUE(Pane().Output()->toPlainText().contains("./sub dir/節 2.tex:3: Undefined control sequence."));
  EXPECT_EQ(Frame().MessageText(), Res(IDS_TYPESET_SUCCEEDED) + " エラー 2 件、警告 4 件、ボックス 0 件");

  // Each step: the file in front (opened by the gate, or its window activated), the caret at
  // the start of the line, the keys to the document, the message in the status bar.
  struct Step {
    int key;
    Qt::KeyboardModifiers modifiers;
    QString file;
    int line;
    QString message;
  };
  const Step steps[] = {
      {Qt::Key_F4, Qt::NoModifier, "節 2.tex", 3, "1/6 エラー: Undefined control sequence."},
      {Qt::Key_F4, Qt::NoModifier, "章 1.tex", 3, "2/6 エラー: Undefined control sequence."},
      {Qt::Key_F4, Qt::NoModifier, "節 2.tex", 2, "3/6 警告: Package mine Warning: in the sub file."},
      {Qt::Key_F4, Qt::ShiftModifier, "章 1.tex", 3, "2/6 エラー: Undefined control sequence."},
      {Qt::Key_F4, Qt::NoModifier, "節 2.tex", 2, "3/6 警告: Package mine Warning: in the sub file."},
      {Qt::Key_F4, Qt::NoModifier, "章 1.tex", 4, "4/6 警告: Package mine Warning: deep warning."},
      {Qt::Key_F4, Qt::NoModifier, "nested.tex", 7,
       "5/6 警告: LaTeX Warning: Reference `nowhere' on page 1 undefined."},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.message.toStdString());
    PressKey(step.key, step.modifiers);
    EXPECT_EQ(ActiveName(), step.file);
    EXPECT_EQ(CaretLine(), step.line);
    EXPECT_EQ(Frame().ActiveChild()->View()->View().Caret().byteIndex, 0);
    EXPECT_TRUE(FocusInActiveView());
    EXPECT_EQ(Frame().MessageText(), step.message);
  }
  EXPECT_EQ(Template().Documents().size(), 3) << "a file already open is activated, not read again";

  // An entry without a line activates its file and leaves the caret where it was.
  PressKey(Qt::Key_F4);
  EXPECT_EQ(ActiveName(), "nested.tex");
  EXPECT_EQ(CaretLine(), 7);
  PressKey(Qt::Key_F4);
  EXPECT_EQ(Frame().MessageText(), Res(IDS_TYPESET_NO_NEXT));
  EXPECT_EQ(Pane().Current(), 5);

  // A click on an entry goes there too.
  QListWidget* list = Pane().EntryList();
  emit list->itemClicked(list->item(1));
  EXPECT_EQ(ActiveName(), "章 1.tex");
  EXPECT_EQ(CaretLine(), 3);
  EXPECT_EQ(Pane().Current(), 1);
}

TEST_F(TypesetShellTest, CtrlTSavesFirstAndAnUntitledDocumentAsksForAName) {
  ASSERT_TRUE(StartWith());
  SetCommand("cat %f");
  // Untitled and unchanged: a name first; no name, no run.
  PressKey(Qt::Key_T, Qt::ControlModifier);
  EXPECT_EQ(script.saveRequests, 1);
  EXPECT_FALSE(Typeset().Runner().IsRunning());
  EXPECT_TRUE(Pane().isHidden());

  CVeloView& view = Frame().ActiveChild()->View()->View();
  view.OnTypedText("\x95\x5C typed");  // 表, whose trail byte is a backslash
  const QString path = filesDir.filePath("名前 付き.tex");
  script.saveAnswer = path;
  ASSERT_TRUE(TypesetAndWait());
  EXPECT_EQ(script.saveRequests, 2);
  EXPECT_EQ(Frame().ActiveChild()->Document().PathName(), path);
  EXPECT_FALSE(Frame().ActiveChild()->Document().IsModified());
  EXPECT_EQ(Typeset().Runner().LastResult().outcome, TypesetRunner::Outcome::Succeeded);
  EXPECT_TRUE(Pane().Output()->toPlainText().contains("表 typed"));

  // Modified with a name: saved without a question, and the program reads what was typed.
  view.OnTypedText(" more");
  ASSERT_TRUE(TypesetAndWait());
  EXPECT_EQ(script.saveRequests, 2);
  EXPECT_TRUE(Pane().Output()->toPlainText().contains("表 typed more"));
  EXPECT_TRUE(Pane().Output()->toPlainText().startsWith("> cat '名前 付き.tex'\n"));

  // A save that fails stops the command: nothing runs on what the file held before.
  view.OnTypedText(" lost");
  QFile::remove(path);
  QDir().mkpath(path);  // a folder where the file was: the write fails
  script.Expect(DialogService::Answer::Ok);
  PressKey(Qt::Key_T, Qt::ControlModifier);
  EXPECT_EQ(script.boxes.size(), 1u);
  EXPECT_TRUE(Frame().ActiveChild()->Document().IsModified());
  EXPECT_FALSE(Typeset().Runner().IsRunning());
}

TEST_F(TypesetShellTest, SecondCtrlTWhileRunningOnlySaysSoAndStopEndsTheRun) {
  ASSERT_TRUE(StartWith({WriteFile("a.tex", "text\r\n")}));
  SetCommand("sh -c 'echo started; sleep 30'");
  PressKey(Qt::Key_T, Qt::ControlModifier);
  ASSERT_TRUE(Typeset().Runner().IsRunning());
  ASSERT_TRUE(WaitFor([this] {
    Pane().FlushOutput();
    return Pane().Output()->toPlainText().contains("started");
  }));
  EXPECT_FALSE(Typeset().BusyIndicator()->isHidden());
  EXPECT_TRUE(Frame().statusBar()->isAncestorOf(Typeset().BusyIndicator()));
  EXPECT_TRUE(MenuItem(ID_TYPESET_STOP)->isEnabled());

  Frame().ActiveChild()->View()->View().OnTypedText("x");
  PressKey(Qt::Key_T, Qt::ControlModifier);
  EXPECT_EQ(Frame().MessageText(), Res(IDS_TYPESET_BUSY));
  EXPECT_TRUE(Frame().ActiveChild()->Document().IsModified()) << "nothing saved, nothing asked";
  EXPECT_TRUE(dialogs.boxes.empty() && script.boxes.empty());

  MenuItem(ID_TYPESET_STOP)->trigger();
  ASSERT_TRUE(WaitFor([this] { return !Typeset().Runner().IsRunning(); }, 10000));
  EXPECT_EQ(Typeset().Runner().LastResult().outcome, TypesetRunner::Outcome::Stopped);
  EXPECT_TRUE(Typeset().BusyIndicator()->isHidden());
  EXPECT_TRUE(Frame().MessageText().startsWith(Res(IDS_TYPESET_STOPPED)));
  EXPECT_FALSE(MenuItem(ID_TYPESET_STOP)->isEnabled());
}

TEST_F(TypesetShellTest, FailuresSayWhatWentWrong) {
  ASSERT_TRUE(StartWith({WriteFile("a.tex", "text\r\n")}));
  SetCommand("no-such-program-of-mirev %f");
  ASSERT_TRUE(TypesetAndWait());
  EXPECT_TRUE(Frame().MessageText().startsWith(Res(IDS_TYPESET_NOT_STARTED).arg("no-such-program-of-mirev")));

  SetCommand("sh -c 'exit 3'\necho never");
  ASSERT_TRUE(TypesetAndWait());
  EXPECT_TRUE(Frame().MessageText().startsWith(Res(IDS_TYPESET_EXIT_STATUS).arg("sh", "3")));
  EXPECT_TRUE(Pane().Output()->toPlainText().endsWith(Frame().MessageText()))
      << "the outcome stays in the pane";

  // A setting that cannot run is explained in a box, and nothing starts.
  SetCommand("# only a comment");
  script.Expect(DialogService::Answer::Ok);
  PressKey(Qt::Key_T, Qt::ControlModifier);
  SetCommand("echo fine\nsh -c 'unclosed");
  script.Expect(DialogService::Answer::Ok);
  PressKey(Qt::Key_T, Qt::ControlModifier);
  ASSERT_EQ(script.boxes.size(), 2u);
  EXPECT_EQ(script.boxes[0].text, Res(IDS_TYPESET_NO_COMMAND));
  EXPECT_EQ(script.boxes[1].text, Res(IDS_TYPESET_UNCLOSED_QUOTE).arg(2));
  EXPECT_FALSE(Typeset().Runner().IsRunning());

  // No entries to walk.
  PressKey(Qt::Key_F4);
  EXPECT_EQ(Frame().MessageText(), Res(IDS_TYPESET_NO_ENTRIES));
}

TEST_F(TypesetShellTest, PdfOpensFromTheMenuAndAfterARunWhenTheSettingSaysSo) {
  const QString file = WriteFile("論文 1.tex", "text\r\n");
  const QString pdf = filesDir.filePath("論文 1.pdf");
  ASSERT_TRUE(StartWith({file}));
  EXPECT_FALSE(MenuItem(ID_OPEN_PDF)->isEnabled());
  SetCommand("sh -c 'echo made > \"$1\"' zero %b.pdf");
  ASSERT_TRUE(TypesetAndWait());
  EXPECT_TRUE(opened.isEmpty()) << "the setting is off by default";
  ASSERT_TRUE(MenuItem(ID_OPEN_PDF)->isEnabled());
  MenuItem(ID_OPEN_PDF)->trigger();
  EXPECT_EQ(opened, QStringList{pdf});

  app->GetSettings().openPdfAfterTypeset = true;
  ASSERT_TRUE(TypesetAndWait());
  EXPECT_EQ(opened, (QStringList{pdf, pdf}));
  // Not after a failed run.
  SetCommand("false");
  ASSERT_TRUE(TypesetAndWait());
  EXPECT_EQ(opened.size(), 2);

  opensPdf = false;
  Frame().RouteCommand(ID_OPEN_PDF);
  EXPECT_EQ(Frame().MessageText(), Res(IDS_TYPESET_PDF_FAILED).arg(QDir::toNativeSeparators(pdf)));
}

TEST_F(TypesetShellTest, F6MovesBetweenDocumentAndPaneWhoseKeysStayItsOwn) {
  const QString folder = CopyDocs();
  ASSERT_TRUE(StartWith({folder + "/warn.tex"}));
  CVeloView& view = Frame().ActiveChild()->View()->View();
  // A hidden pane is no pane to go to.
  PressKey(Qt::Key_F6);
  EXPECT_TRUE(FocusInActiveView());

  SetCommand(Recorded("warn.stdout"));
  ASSERT_TRUE(TypesetAndWait());
  ASSERT_EQ(Pane().EntryCount(), 8);
  EXPECT_TRUE(FocusInActiveView()) << "a run does not take the keys from the document";
  PressKey(Qt::Key_F6);
  EXPECT_EQ(KeyTarget(), Pane().EntryList());

  // Arrows and Delete work in the list (which starts on its first row), not on the document;
  // Enter goes to the entry.
  const QByteArray before = QByteArray::fromStdString(Frame().ActiveChild()->Document().Doc().ToFileImage());
  PressKey(Qt::Key_Down);
  PressKey(Qt::Key_Down);
  PressKey(Qt::Key_Delete);
  PressKey(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Pane().EntryList()->currentRow(), 2);
  EXPECT_EQ(view.Caret().line, 0);
  EXPECT_EQ(QByteArray::fromStdString(Frame().ActiveChild()->Document().Doc().ToFileImage()), before);
  EXPECT_FALSE(MenuItem(ID_EDIT_PASTE)->isEnabled());

  // Select all and copy take the entries' texts.
  PressKey(Qt::Key_A, Qt::ControlModifier);
  PressKey(Qt::Key_C, Qt::ControlModifier);
  const QStringList copied = QApplication::clipboard()->text().split(u'\n');
  ASSERT_EQ(copied.size(), 8);
  EXPECT_EQ(copied[2], "warn.tex:5: Package mine Warning: 日本語の警告です.");

  PressKey(Qt::Key_Return);
  EXPECT_TRUE(FocusInActiveView());
  EXPECT_EQ(CaretLine(), 5);
  EXPECT_EQ(Pane().Current(), 2);

  // And back with Shift+F6; from the pane, F6 returns to the document.
  PressKey(Qt::Key_F6, Qt::ShiftModifier);
  EXPECT_TRUE(Pane().isAncestorOf(KeyTarget()));
  PressKey(Qt::Key_F6);
  EXPECT_TRUE(FocusInActiveView());

  // The pane's menu item shows and hides it; hidden with the keys in it, they go home.
  PressKey(Qt::Key_F6);
  EXPECT_TRUE(MenuItem(ID_VIEW_TYPESET_PANE)->isChecked());
  Frame().RouteCommand(ID_VIEW_TYPESET_PANE);
  EXPECT_TRUE(Pane().isHidden());
  EXPECT_TRUE(FocusInActiveView());
  EXPECT_FALSE(MenuItem(ID_VIEW_TYPESET_PANE)->isChecked());
  PressKey(Qt::Key_F4);
  EXPECT_EQ(CaretLine(), 9) << "F4 walks a hidden pane's entries too";
}

// The profile's values are what a run uses, and only a changed value is written back.
TEST_F(TypesetShellTest, CommandAndPdfSwitchLiveInTheTypesetGroup) {
  ASSERT_TRUE(Start());
  EXPECT_EQ(app->GetSettings().typesetCommand, typeset::kPlatexCommand) << "the default without a profile";
  EXPECT_FALSE(app->GetSettings().openPdfAfterTypeset);
  Finish();
  EXPECT_FALSE(ProfileValues().contains("Typeset/Command"));

  WriteProfile({{"Typeset/Command", "echo 'from the profile' %f\necho second"}, {"Typeset/OpenPdf", 1}});
  ASSERT_TRUE(Start());
  EXPECT_EQ(app->GetSettings().typesetCommand, "echo 'from the profile' %f\necho second");
  EXPECT_TRUE(app->GetSettings().openPdfAfterTypeset);
  app->GetSettings().openPdfAfterTypeset = false;
  Finish();
  const QMap<QString, QString> values = ProfileValues();
  EXPECT_EQ(values.value("Typeset/Command"), "echo 'from the profile' %f\necho second");
  EXPECT_EQ(values.value("Typeset/OpenPdf"), "0");
}

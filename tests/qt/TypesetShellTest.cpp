// Typesetting on the real shell with commands standing in for TeX (recorded output, sh).
// Real pLaTeX runs in tests/e2e/typeset_platex.sh.
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTextBlock>
#include <QThread>

#include "ShellFixture.h"
#include "app/TypesetCommands.h"
#include "app/TypesetPane.h"
#include "app/TypesetRunner.h"
#include "base/CommandIds.h"
#include "platform/ViewWidget.h"
#include "res/Resources.h"
#include "view/CVeloView.h"

namespace {

QString Res(int id) { return QString::fromUtf8(ResourceString(id)); }

bool WaitFor(const std::function<bool()>& done, int ms = 30000) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
  return true;
}

// Gone, or a zombie that no one has reaped yet.
bool Ended(const QString& pid) {
  QFile stat("/proc/" + pid + "/stat");
  return !stat.open(QIODevice::ReadOnly) || stat.readAll().contains(") Z ");
}

class TypesetShellTest : public ShellFixture {
 protected:
  void StartWith(const QStringList& arguments, const QString& command) {
    ASSERT_TRUE(Start(arguments, &script));
    Frame().Typeset().SetPdfOpener([this](const QString& path) { return opened << path, true; });
    app->GetSettings().typesetCommand = command.toStdString();
    // The window's activation and focus first: the view's caret text would cover the messages.
    Settle();
  }
  TypesetPane& Pane() { return Frame().Typeset().Pane(); }
  bool Running() { return Frame().Typeset().Runner().IsRunning(); }
  void TypesetAndWait() {
    PressKey(Qt::Key_T, Qt::ControlModifier);
    WaitFor([this] { return !Running(); });
    Pane().FlushOutput();
  }
  CVeloView& ActiveView() { return Frame().ActiveChild()->View()->View(); }
  QString ActiveName() { return QFileInfo(ActiveDocument().PathName()).fileName(); }
  // The recordings' documents (code page 932, Japanese names, blanks) in a folder of their own.
  QString Docs() {
    const QDir from(QStringLiteral(MIREV_TEST_DATA "/typeset/docs"));
    for (QDirIterator it(from.path(), QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
      const QString target = filesDir.filePath(from.relativeFilePath(it.next()));
      QDir().mkpath(QFileInfo(target).absolutePath());
      QFile::copy(it.filePath(), target);
    }
    return filesDir.path();
  }

  ScriptedDialogs script;
  QStringList opened;
};

TEST_F(TypesetShellTest, F4WalksErrorsFirstIntoTheirFilesAndThePaneKeysLeaveTheDocumentAlone) {
  // The recording's banner starts the entries over.
  StartWith({Docs() + "/nested.tex"},
            "echo 'LaTeX Warning: stale.'\ncat '" MIREV_TEST_DATA "/typeset/nested.stdout'");
  TypesetAndWait();
  ASSERT_EQ(Pane().EntryCount(), 6);
  EXPECT_EQ(Frame().MessageText(), Res(IDS_TYPESET_SUCCEEDED) + " エラー 2 件、警告 4 件、ボックス 0 件");

  const QString steps[] = {
      "節 2.tex:3:0 1/6 エラー: Undefined control sequence.",
      "章 1.tex:3:0 2/6 エラー: Undefined control sequence.",
      "節 2.tex:2:0 3/6 警告: Package mine Warning: in the sub file.",
      "章 1.tex:4:0 4/6 警告: Package mine Warning: deep warning.",
      "nested.tex:7:0 5/6 警告: LaTeX Warning: Reference `nowhere' on page 1 undefined.",
      "nested.tex:7:0 6/6 警告: LaTeX Warning: There were undefined references.",  // no line: the caret stays
  };
  const auto where = [this] {
    return ActiveName() + ":" + QString::number(ActiveView().Caret().line + 1) + ":" +
           QString::number(ActiveView().Caret().byteIndex) + " " + Frame().MessageText();
  };
  for (const QString& step : steps) {
    PressKey(Qt::Key_F4);
    EXPECT_EQ(where(), step);
  }
  EXPECT_EQ(Template().Documents().size(), 3) << "an open file is activated, not read again";

  // In the list, arrows, Delete and paste do not touch the document; Return goes to the entry.
  PressKey(Qt::Key_F6);
  EXPECT_EQ(KeyTarget(), Pane().EntryList());
  const std::string before = ActiveDocument().Doc().ToFileImage();
  for (int key : {Qt::Key_Up, Qt::Key_Up, Qt::Key_Delete}) PressKey(key);
  PressKey(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(ActiveDocument().Doc().ToFileImage(), before);
  PressKey(Qt::Key_Return);
  EXPECT_EQ(where(), steps[3]);
  EXPECT_EQ(KeyTarget(), Frame().ActiveChild()->View());
}

TEST_F(TypesetShellTest, CtrlTSavesFirstThenRunsTheChainInTheFolderUntilAStepFailsAndOpensOnlyAMadePdf) {
  StartWith({}, "cat %f\n# a comment\nsh -c 'printf \"%s|\" \"$@\"; pwd; exit 3' zero %b\necho never");
  app->GetSettings().openPdfAfterTypeset = true;
  script.saveAnswers = {std::nullopt, filesDir.filePath("名前 付き.tex")};
  PressKey(Qt::Key_T, Qt::ControlModifier);
  EXPECT_EQ(script.saveRequests.size(), 1u) << "an untitled document is named first";
  EXPECT_FALSE(Running());

  ActiveView().OnTypedText("\x95\x5C typed");  // 表, whose trail byte is a backslash
  TypesetAndWait();
  EXPECT_EQ(
      Pane().Output()->toPlainText().split(u'\n').filter(QRegularExpression("^[^>]")),
      (QStringList{"表 typed", "名前 付き|" + filesDir.path(),
                   Res(IDS_TYPESET_EXIT_STATUS).arg("sh", "3") + " エラー 0 件、警告 0 件、ボックス 0 件"}));
  app->GetSettings().typesetCommand = "touch %b.pdf\nno-such-program-of-mirev";
  TypesetAndWait();
  EXPECT_TRUE(Frame().MessageText().startsWith(Res(IDS_TYPESET_NOT_STARTED).arg("no-such-program-of-mirev")));
  app->GetSettings().typesetCommand = "true";
  TypesetAndWait();
  EXPECT_EQ(opened, QStringList{filesDir.filePath("名前 付き.pdf")}) << "after the successful run only";

  ActiveView().OnTypedText(" lost");
  const QString path = filesDir.filePath("名前 付き.tex");
  QFile::remove(path);
  QDir().mkpath(path);  // a folder in the file's place: the write fails
  script.Expect(DialogService::Answer::Ok);
  PressKey(Qt::Key_T, Qt::ControlModifier);
  EXPECT_EQ(script.boxes.size(), 1u);
  EXPECT_FALSE(Running());
}

// The command's programs ignore SIGTERM, as a busy pLaTeX under latexmk may: Stop ends the
// whole group, which the command leads, with the SIGKILL after the grace period.
TEST_F(TypesetShellTest, OutputShowsAsItArrivesCtrlTOnlySaysBusyAndStopEndsTheWholeGroup) {
  WriteFile(
      "run.sh",
      "trap '' TERM\necho 'LaTeX Warning: early.'\necho\nprintf '[1'\nsleep 300 & echo $! >pid\nwait\n");
  StartWith({WriteFile("a.tex", "text\r\n")}, "sh run.sh");
  PressKey(Qt::Key_T, Qt::ControlModifier);
  QString sleep;
  ASSERT_TRUE(WaitFor([&] {
    QFile file(filesDir.filePath("pid"));
    Pane().FlushOutput();
    return file.open(QIODevice::ReadOnly) && !(sleep = file.readAll().trimmed()).isEmpty() &&
           Pane().Output()->toPlainText().endsWith("\n[1");
  }));
  EXPECT_EQ(Pane().EntryCount(), 1) << "read while the command runs";
  PressKey(Qt::Key_T, Qt::ControlModifier);
  EXPECT_EQ(Frame().MessageText(), Res(IDS_TYPESET_BUSY));

  MenuItem(ID_TYPESET_STOP)->trigger();
  EXPECT_TRUE(WaitFor([&] { return !Running() && Ended(sleep); }, 10000));
  EXPECT_TRUE(Frame().MessageText().startsWith(Res(IDS_TYPESET_STOPPED)));
}

}  // namespace

TEST(TypesetPaneTest, AFloodKeepsTheLastLines) {
  TypesetPane pane;
  constexpr int kMax = TypesetPane::kMaxLines;
  for (int i = 0; i < 3 * kMax; ++i) pane.AppendLine(QString::number(i));
  pane.SetOpenLine("open");
  pane.FlushOutput();
  QTextDocument* text = pane.Output()->document();
  EXPECT_EQ(text->blockCount(), kMax);
  EXPECT_EQ(text->firstBlock().text(), QString::number(2 * kMax + 1));
  EXPECT_EQ(text->lastBlock().text(), "open");
}

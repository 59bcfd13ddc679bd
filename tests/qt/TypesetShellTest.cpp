// Typesetting on the real shell, with commands standing in for TeX (recorded output of real
// runs, sh): F4 walks the entries through the open gate to their lines, Ctrl+T saves first,
// a run in progress, F6 and the pane's own keys, the PDF, the settings and their dialog. Real
// pLaTeX runs in tests/e2e/typeset_platex.sh.
#include <QCheckBox>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPlainTextEdit>

#include "ShellFixture.h"
#include "app/CTypesetDlg.h"
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

class TypesetShellTest : public ShellFixture {
 protected:
  // An empty command keeps the profile's.
  void StartWith(const QStringList& arguments, const QString& command) {
    ASSERT_TRUE(Start(arguments, &script));
    Frame().Typeset().SetPdfOpener([this](const QString& path) { return opened << path, true; });
    if (!command.isEmpty()) app->GetSettings().typesetCommand = command.toStdString();
    // The window's activation and focus first: the view's caret text would cover the messages.
    Settle();
  }
  TypesetPane& Pane() { return Frame().Typeset().Pane(); }
  bool Running() { return Frame().Typeset().Runner().IsRunning(); }
  void TypesetAndWait() {
    PressKey(Qt::Key_T, Qt::ControlModifier);
    QElapsedTimer clock;
    clock.start();
    while (Running() && clock.elapsed() < 30000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    Pane().FlushOutput();
  }
  QString Output() { return Pane().Output()->toPlainText(); }
  CVeloView& ActiveView() { return Frame().ActiveChild()->View()->View(); }
  QString ActiveName() { return QFileInfo(Frame().ActiveChild()->Document().PathName()).fileName(); }
  bool KeysInActiveView() { return KeyTarget() == Frame().ActiveChild()->View(); }
  // The test documents (code page 932, Japanese names, blanks) in a folder of their own.
  QString Docs() {
    const QDir from(QStringLiteral(MIREV_TEST_DATA "/typeset/docs"));
    for (QDirIterator it(from.path(), QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
      const QString target = filesDir.filePath(from.relativeFilePath(it.next()));
      QDir().mkpath(QFileInfo(target).absolutePath());
      QFile::copy(it.filePath(), target);
    }
    return filesDir.path();
  }
  static QString Replay(const char* recording) {
    return QStringLiteral("cat '" MIREV_TEST_DATA "/typeset/%1'").arg(QString::fromLatin1(recording));
  }

  ScriptedDialogs script;
  QStringList opened;
};

}  // namespace

TEST_F(TypesetShellTest, F4WalksErrorsFirstIntoTheirFilesAndLines) {
  StartWith({Docs() + "/nested.tex"}, Replay("nested.stdout"));
  TypesetAndWait();
  const QString deep = QStringLiteral(
      "日本語 フォルダ/a rather long folder name so that the path wraps past seventy-nine columns/章 1.tex");
  ASSERT_EQ(Pane().EntryCount(), 6);
  EXPECT_EQ(Pane().EntryList()->item(1)->text(), deep + ":3: Undefined control sequence.");
  EXPECT_EQ(Pane().EntryList()->item(5)->text(),
            "nested.tex: LaTeX Warning: There were undefined references.");
  EXPECT_EQ(Frame().MessageText(), Res(IDS_TYPESET_SUCCEEDED) + " エラー 2 件、警告 4 件、ボックス 0 件");

  const struct {
    Qt::KeyboardModifiers modifiers;
    QString file;
    int line;
    QString message;
  } steps[] = {
      {Qt::NoModifier, "節 2.tex", 3, "1/6 エラー: Undefined control sequence."},
      {Qt::NoModifier, "章 1.tex", 3, "2/6 エラー: Undefined control sequence."},
      {Qt::NoModifier, "節 2.tex", 2, "3/6 警告: Package mine Warning: in the sub file."},
      {Qt::ShiftModifier, "章 1.tex", 3, "2/6 エラー: Undefined control sequence."},
      {Qt::NoModifier, "節 2.tex", 2, "3/6 警告: Package mine Warning: in the sub file."},
      {Qt::NoModifier, "章 1.tex", 4, "4/6 警告: Package mine Warning: deep warning."},
      {Qt::NoModifier, "nested.tex", 7, "5/6 警告: LaTeX Warning: Reference `nowhere' on page 1 undefined."},
      // No line: the file comes to the front, the caret stays.
      {Qt::NoModifier, "nested.tex", 7, "6/6 警告: LaTeX Warning: There were undefined references."},
      {Qt::NoModifier, "nested.tex", 7, Res(IDS_TYPESET_NO_NEXT)},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.message.toStdString());
    PressKey(Qt::Key_F4, step.modifiers);
    EXPECT_EQ(ActiveName(), step.file);
    EXPECT_EQ(ActiveView().Caret().line + 1, step.line);
    EXPECT_EQ(ActiveView().Caret().byteIndex, 0);
    EXPECT_TRUE(KeysInActiveView());
    EXPECT_EQ(Frame().MessageText(), step.message);
  }
  EXPECT_EQ(Template().Documents().size(), 3) << "an open file is activated, not read again";
  emit Pane().EntryList()->itemClicked(Pane().EntryList()->item(1));
  EXPECT_EQ(ActiveName(), "章 1.tex");
}

TEST_F(TypesetShellTest, CtrlTSavesFirstAndStopsWhenTheSaveDoesNot) {
  StartWith({}, "cat %f");
  script.saveAnswers = {std::nullopt, filesDir.filePath("名前 付き.tex")};
  PressKey(Qt::Key_T, Qt::ControlModifier);
  EXPECT_EQ(script.saveRequests.size(), 1u) << "an untitled document is named first";
  EXPECT_FALSE(Running());

  ActiveView().OnTypedText("\x95\x5C typed");  // 表, whose trail byte is a backslash
  TypesetAndWait();
  EXPECT_EQ(Output().section(u'\n', 0, 1), "> cat '名前 付き.tex'\n表 typed");

  ActiveView().OnTypedText(" lost");
  const QString path = filesDir.filePath("名前 付き.tex");
  QFile::remove(path);
  QDir().mkpath(path);  // a folder in the file's place: the write fails
  script.Expect(DialogService::Answer::Ok);
  PressKey(Qt::Key_T, Qt::ControlModifier);
  EXPECT_EQ(script.boxes.size(), 1u);
  EXPECT_FALSE(Running());
}

TEST_F(TypesetShellTest, WhileRunningCtrlTOnlySaysSoAndStopEndsIt) {
  StartWith({WriteFile("a.tex", "text\r\n")}, "sh -c 'sleep 30'");
  PressKey(Qt::Key_T, Qt::ControlModifier);
  EXPECT_FALSE(Frame().Typeset().BusyIndicator()->isHidden());
  ActiveView().OnTypedText("x");
  PressKey(Qt::Key_T, Qt::ControlModifier);
  EXPECT_EQ(Frame().MessageText(), Res(IDS_TYPESET_BUSY));
  EXPECT_TRUE(Frame().ActiveChild()->Document().IsModified()) << "nothing saved, nothing asked";

  MenuItem(ID_TYPESET_STOP)->trigger();
  TypesetAndWait();  // the Ctrl+T in it says "busy" until the run has ended
  EXPECT_TRUE(Frame().MessageText().startsWith(Res(IDS_TYPESET_STOPPED)));
  EXPECT_TRUE(Frame().Typeset().BusyIndicator()->isHidden());
  EXPECT_TRUE(script.boxes.empty());

  app->GetSettings().typesetCommand = "no-such-program-of-mirev";
  TypesetAndWait();
  EXPECT_TRUE(Frame().MessageText().startsWith(Res(IDS_TYPESET_NOT_STARTED).arg("no-such-program-of-mirev")));
  app->GetSettings().typesetCommand = "echo fine\nsh -c 'unclosed";
  script.Expect(DialogService::Answer::Ok);
  PressKey(Qt::Key_T, Qt::ControlModifier);
  ASSERT_EQ(script.boxes.size(), 1u);
  EXPECT_EQ(script.boxes[0].text, Res(IDS_TYPESET_UNCLOSED_QUOTE).arg(2));
}

TEST_F(TypesetShellTest, F6MovesBetweenDocumentAndPaneWhoseKeysStayItsOwn) {
  StartWith({Docs() + "/warn.tex"}, Replay("warn.stdout"));
  PressKey(Qt::Key_F6);
  EXPECT_TRUE(KeysInActiveView()) << "a hidden pane is no pane to go to";
  TypesetAndWait();
  ASSERT_EQ(Pane().EntryCount(), 8);
  EXPECT_TRUE(KeysInActiveView()) << "a run leaves the keys in the document";
  PressKey(Qt::Key_F6);
  EXPECT_EQ(KeyTarget(), Pane().EntryList());

  // The list starts on its first row; arrows, Delete and paste do not touch the document.
  const std::string before = Frame().ActiveChild()->Document().Doc().ToFileImage();
  for (int key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Delete}) PressKey(key);
  PressKey(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Frame().ActiveChild()->Document().Doc().ToFileImage(), before);
  EXPECT_EQ(ActiveView().Caret().line, 0);
  PressKey(Qt::Key_Return);
  EXPECT_TRUE(KeysInActiveView());
  EXPECT_EQ(ActiveView().Caret().line + 1, 5);

  PressKey(Qt::Key_F6, Qt::ShiftModifier);
  EXPECT_TRUE(Pane().isAncestorOf(KeyTarget()));
  Frame().RouteCommand(ID_VIEW_TYPESET_PANE);
  EXPECT_TRUE(Pane().isHidden());
  EXPECT_TRUE(KeysInActiveView());
  PressKey(Qt::Key_F4);
  EXPECT_EQ(ActiveView().Caret().line + 1, 9) << "the walk goes on from the entry chosen";
}

// The command and the PDF switch come from the profile's typesetting group and go back to it.
TEST_F(TypesetShellTest, PdfOpensAfterASuccessfulRunWhenAskedAndFromTheMenu) {
  WriteProfile({{"Typeset/Command", "sh -c 'echo made > \"$1\"' zero %b.pdf"}, {"Typeset/OpenPdf", 1}});
  StartWith({WriteFile("論文 1.tex", "text\r\n")}, QString());
  EXPECT_FALSE(MenuItem(ID_OPEN_PDF)->isEnabled());
  TypesetAndWait();
  const QStringList pdf{filesDir.filePath("論文 1.pdf")};
  EXPECT_EQ(opened, pdf);
  MenuItem(ID_OPEN_PDF)->trigger();
  EXPECT_EQ(opened, pdf + pdf);
  app->GetSettings().typesetCommand = "false";
  TypesetAndWait();
  EXPECT_EQ(opened, pdf + pdf) << "not after a failed run";
  app->GetSettings().openPdfAfterTypeset = false;
  app->GetSettings().typesetCommand = "true";
  TypesetAndWait();
  EXPECT_EQ(opened, pdf + pdf);
  Finish();
  EXPECT_EQ(ProfileValues().value("Typeset/OpenPdf"), "0");
  EXPECT_EQ(ProfileValues().value("Typeset/Command"), "true");
}

// The settings dialog: presets, a command that cannot run refused with the dialog left open and
// the faulty line selected, OK and Cancel.
TEST(DialogTypesetTest, PresetsFillTheCommandAndACommandThatCannotRunIsRefused) {
  Settings settings;
  settings.typesetCommand = "mine %f";
  ScriptedDialogs boxes;  // the dialog's only boxes are its refusals
  OnNextModal([](QDialog* dialog) {
    auto* edit = Control<QPlainTextEdit>(dialog, "1060");
    auto* openPdf = Control<QCheckBox>(dialog, "1064");
    if (!edit || !openPdf) return;
    EXPECT_EQ(edit->toPlainText(), "mine %f");
    edit->setPlainText("platex %f\n  dvipdfmx '%b.dvi\n");
    Press(dialog, "1");
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(edit->textCursor().selectedText(), "  dvipdfmx '%b.dvi");
    edit->setPlainText("# nothing but a comment\n");
    Press(dialog, "1");
    EXPECT_TRUE(dialog->isVisible());
    Press(dialog, "1063");
    openPdf->setChecked(true);
    Press(dialog, "1");
  });
  EXPECT_TRUE(RunTypesetSettingsCommand(settings, boxes));
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(boxes.boxes[0].text, Res(IDS_TYPESET_UNCLOSED_QUOTE).arg(2));
  EXPECT_EQ(boxes.boxes[1].text, Res(IDS_TYPESET_NO_COMMAND));
  EXPECT_EQ(settings.typesetCommand, typeset::kLatexmkCommand);
  EXPECT_TRUE(settings.openPdfAfterTypeset);

  OnNextModal([](QDialog* dialog) {
    Press(dialog, "1062");
    if (auto* openPdf = Control<QCheckBox>(dialog, "1064")) openPdf->setChecked(false);
    Press(dialog, "2");
  });
  EXPECT_FALSE(RunTypesetSettingsCommand(settings, boxes));
  EXPECT_EQ(settings.typesetCommand, typeset::kLatexmkCommand);
  EXPECT_TRUE(settings.openPdfAfterTypeset);
}

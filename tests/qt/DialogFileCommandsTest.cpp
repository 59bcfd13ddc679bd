#include <gtest/gtest.h>
#include <unistd.h>

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cerrno>

#include "DialogScript.h"
#include "app/CMirevApp.h"
#include "app/DocumentTemplate.h"
#include "app/FileCommands.h"
#include "app/ShellDocument.h"
#include "doc/CVeloDoc.h"
#include "res/Resources.h"
#include "sys/FileCalls.h"

namespace {

using namespace dialogtest;

QString Text(int id) { return QString::fromUtf8(ResourceString(id)); }

// Types text into the first line, which marks the document modified.
void Type(ShellDocument& doc, std::string_view text) {
  doc.Doc().InsertText(TextPos{doc.Doc().FirstLine(), 0, 0, 0}, text);
}

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return "<unreadable>";
  return file.readAll();
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The names Qt's file model shows for a glob list, case-sensitively as on Linux.
QStringList Matching(const QStringList& globs, const QStringList& names) {
  QStringList shown;
  for (const QString& name : names) {
    for (const QString& glob : globs) {
      const QRegularExpression re(QRegularExpression::wildcardToRegularExpression(glob));
      if (re.match(name).hasMatch()) {
        shown << name;
        break;
      }
    }
  }
  return shown;
}

// Presses the file dialog's Open or Save button.
void PressAccept(QFileDialog* dialog) {
  auto* box = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
  QPushButton* button =
      box ? box->button(dialog->acceptMode() == QFileDialog::AcceptOpen ? QDialogButtonBox::Open
                                                                        : QDialogButtonBox::Save)
          : nullptr;
  if (!button || !button->isEnabled()) {
    ADD_FAILURE() << "no accept button to press";
    RejectAllModals();
    return;
  }
  button->click();
}

// The commands on the untitled document of a started shell whose boxes the script answers.
class FileCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid() && profileDir.isValid());
    Start(dialogs);
  }
  ~FileCommandsTest() override { Finish(); }

  void Start(DialogService& service) {
    Finish();
    AppOptions options;
    options.profileLocation = profileDir.filePath(QStringLiteral("Mirev.conf"));
    options.dialogs = &service;
    options.shellIntegration = false;
    app = std::make_unique<CMirevApp>(options);
    ASSERT_TRUE(app->InitInstance({QStringLiteral("mirev")}));
    ASSERT_EQ(app->Template().Documents().size(), 1);
    doc = app->Template().Documents().front();
    ASSERT_EQ(doc->Title(), "TeX1");
  }
  void Finish() {
    if (!app) return;
    app->ExitInstance();
    app.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  QString Path(const QString& name) const { return dir.filePath(name); }
  Settings& AppSettings() { return app->GetSettings(); }

  QTemporaryDir dir;
  QTemporaryDir profileDir;
  ScriptedDialogs dialogs;
  std::unique_ptr<CMirevApp> app;
  ShellDocument* doc = nullptr;
};

TEST(OpenFilterTest, TranslatesTheListToCaseBlindGlobsAndAnAllFilesEntry) {
  const QList<FileFilter> filters = OpenDialogFilters("*.txt;*.tex");
  ASSERT_EQ(filters.size(), 2);
  EXPECT_EQ(filters[0].name, "plain txt");
  EXPECT_EQ(filters[1], FileFilter({"all files (*.*)", {"*"}}));
  const QStringList names = {"a.txt", "B.TEX", "c.Tex", "d.mac", "notes", "e.txt.bak", ".tex"};
  EXPECT_EQ(Matching(filters[0].patterns, names), QStringList({"a.txt", "B.TEX", "c.Tex", ".tex"}));

  // Blanks, empty pieces, and characters a Qt filter cannot hold stay harmless.
  EXPECT_EQ(OpenDialogFilters(" *.txt ;;*.tex;")[0].patterns.size(), 2);
  const QStringList globs = OpenDialogFilters("*.a b;*.(x);*.日本")[0].patterns;
  for (const QString& glob : globs) {
    EXPECT_FALSE(glob.contains(u' ') || glob.contains(u'(')) << glob.toStdString();
  }
  EXPECT_EQ(Matching(globs, {"f.a b", "f.(x)", "f.日本", "f.abc"}),
            QStringList({"f.a b", "f.(x)", "f.日本"}));
}

TEST_F(FileCommandsTest, OpenRepairsAnEmptyListAndHandsTheChosenPathToTheGate) {
  Settings settings;
  settings.readExtList = "";
  dialogs.openAnswers = {Path("a.txt")};
  QStringList opened;
  auto gate = [&](const QString& path) { opened << path; };
  OnFileOpen(settings, dialogs, nullptr, gate);
  EXPECT_EQ(settings.readExtList, "*.txt");  // lasting: it is the current value now
  ASSERT_EQ(dialogs.openRequests.size(), 1u);
  EXPECT_EQ(opened, QStringList({Path("a.txt")}));
}

TEST_F(FileCommandsTest, SaveWritesOnlyAModifiedDocumentAndAsksForAMissingPath) {
  EXPECT_TRUE(OnFileSave(*doc));  // unmodified and untitled
  EXPECT_TRUE(dialogs.saveRequests.empty());
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_TRUE(QDir(dir.path()).isEmpty());

  AppSettings().defaultExt = "tex";
  Type(*doc, "abc");
  dialogs.saveAnswers = {std::nullopt};
  EXPECT_FALSE(OnFileSave(*doc));
  ASSERT_EQ(dialogs.saveRequests.size(), 1u);
  EXPECT_EQ(dialogs.saveRequests[0].initialName, ".tex");
  EXPECT_TRUE(dialogs.saveRequests[0].confirmOverwrite);
  EXPECT_TRUE(doc->PathName().isEmpty());

  doc->SetPathName(Path("a.tex"), false);
  EXPECT_TRUE(OnFileSave(*doc));
  EXPECT_EQ(ReadAll(Path("a.tex")), "abc\r\n");
  EXPECT_FALSE(doc->IsModified());
}

// Through the real save dialog: a typed name without an extension gets the standard one.
TEST_F(FileCommandsTest, SaveAsAddsTheStandardExtensionToATypedName) {
  QtDialogService service;
  Start(service);
  AppSettings().defaultExt = "tex";
  Type(*doc, "abc");
  QString proposed;
  OnNextModal([&](QDialog* dialog) {
    auto* fileDialog = qobject_cast<QFileDialog*>(dialog);
    ASSERT_NE(fileDialog, nullptr);
    auto* name = Control<QLineEdit>(dialog, "fileNameEdit");
    proposed = name->text();
    fileDialog->setDirectory(dir.path());
    name->setText(QStringLiteral("chapter"));
    PressAccept(fileDialog);
  });
  EXPECT_TRUE(OnFileSaveAs(*doc));
  EXPECT_EQ(proposed, ".tex");
  EXPECT_EQ(ReadAll(Path("chapter.tex")), "abc\r\n");
  EXPECT_EQ(doc->Title(), "chapter.tex");
  EXPECT_EQ(app->RecentFiles().Paths(), QStringList({Path("chapter.tex")}));
  EXPECT_FALSE(doc->IsModified());
  Finish();  // before the service goes
}

// Runs body with the effective user of nobody when root, who may write anywhere.
template <class Body>
void AsUnprivileged(Body body) {
  const uid_t was = geteuid();
  if (was == 0) {
    ASSERT_EQ(seteuid(65534), 0) << "cannot drop privileges";
  }
  body();
  if (was == 0) {
    ASSERT_EQ(seteuid(0), 0);
  }
}

TEST_F(FileCommandsTest, WriteIntoAFolderThatMayNotBeWrittenTellsAccessDenied) {
  ASSERT_TRUE(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                    QFile::ReadOther | QFile::ExeOther | QFile::ReadGroup |
                                                    QFile::ExeGroup));
  const QString folder = Path("locked");
  ASSERT_TRUE(QDir().mkdir(folder));
  const QString file = folder + "/a.tex";
  ASSERT_TRUE(WriteFile(file, "old text\r\n"));
  ASSERT_TRUE(QFile::setPermissions(
      file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther | QFile::WriteOther));
  ASSERT_TRUE(
      QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
  doc->SetPathName(file, false);
  Type(*doc, "new text");
  // The file itself may be written in place, but not without a backup, and the state folder
  // takes none either.
  const QByteArray state = qgetenv("XDG_STATE_HOME");
  qputenv("XDG_STATE_HOME", (folder + "/state").toUtf8());
  bool saved = true;
  AsUnprivileged([&] { saved = OnFileSave(*doc); });
  qputenv("XDG_STATE_HOME", state);
  QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  EXPECT_FALSE(saved);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, file + QStringLiteral(" へのｱｸｾｽは拒否されました。"));
  EXPECT_EQ(ReadAll(file), "old text\r\n");
  EXPECT_TRUE(doc->IsModified());
}

// Makes every write report a full disk while it lives.
class FullDisk {
 public:
  FullDisk() {
    ActiveFileCalls().write = [](int, const void*, std::size_t) -> long {
      errno = ENOSPC;
      return -1;
    };
  }
  ~FullDisk() { ActiveFileCalls() = SystemFileCalls(); }
};

TEST_F(FileCommandsTest, FullDiskTellsSoAndKeepsTheOldFileAndTheModifiedFlag) {
  ASSERT_TRUE(WriteFile(Path("a.tex"), "old text\r\n"));
  doc->SetPathName(Path("a.tex"), false);
  Type(*doc, "new text");
  {
    FullDisk full;
    EXPECT_FALSE(OnFileSave(*doc));
  }
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text,
            Path("a.tex") + QStringLiteral(" へのｱｸｾｽ中にﾃﾞｨｽｸがいっぱいになりました。"));
  EXPECT_EQ(ReadAll(Path("a.tex")), "old text\r\n");
  EXPECT_TRUE(doc->IsModified());
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"a.tex"}));
}

TEST_F(FileCommandsTest, SaveAsRefusesANameThatCannotBeAFile) {
  Type(*doc, "text");
  // A name that cannot be a file is refused before anything is written.
  dialogs.saveAnswers = {dir.path() + "/.."};
  EXPECT_FALSE(OnFileSaveAs(*doc));
  EXPECT_EQ(dialogs.messages.back().text, Text(IDS_INVALID_FILENAME));
}

TEST_F(FileCommandsTest, CloseQuestionCancelKeepsTheDocumentAndNoDiscards) {
  EXPECT_TRUE(SaveModified(*doc));  // unmodified: no question
  EXPECT_TRUE(dialogs.messages.empty());

  doc->SetPathName(Path("a.tex"), false);
  ASSERT_TRUE(WriteFile(doc->PathName(), "old"));
  Type(*doc, "new");
  dialogs.answers = {DialogService::Answer::Cancel, DialogService::Answer::No};
  EXPECT_FALSE(SaveModified(*doc));
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("a.tex への変更を保存しますか?"));
  EXPECT_TRUE(doc->IsModified());

  EXPECT_TRUE(SaveModified(*doc));  // No discards
  EXPECT_EQ(ReadAll(doc->PathName()), "old");

  dialogs.answers = {DialogService::Answer::Yes};  // Yes writes in place
  EXPECT_TRUE(SaveModified(*doc));
  EXPECT_EQ(ReadAll(doc->PathName()), "new\r\n");
  EXPECT_TRUE(dialogs.saveRequests.empty());
}

TEST_F(FileCommandsTest, CloseQuestionYesOnAnUntitledDocumentAsksForATexName) {
  Type(*doc, "new");
  dialogs.answers = {DialogService::Answer::Yes, DialogService::Answer::Yes};
  dialogs.saveAnswers = {std::nullopt, Path("TeX1.tex")};
  EXPECT_FALSE(SaveModified(*doc));  // the save dialog cancelled: the close stops
  ASSERT_EQ(dialogs.saveRequests.size(), 1u);
  EXPECT_EQ(dialogs.saveRequests[0].initialName, "TeX1.tex");
  EXPECT_EQ(Matching(dialogs.saveRequests[0].filters[0].patterns, {"a.tex", "b.TEX", "c.txt"}),
            QStringList({"a.tex", "b.TEX"}));
  EXPECT_TRUE(SaveModified(*doc));
  EXPECT_EQ(ReadAll(Path("TeX1.tex")), "new\r\n");
}

TEST_F(FileCommandsTest, CloseQuestionStopsTheCloseWhenTheSaveFails) {
  doc->SetPathName(Path("gone/a.tex"), false);  // the folder does not exist
  Type(*doc, "new");
  dialogs.answers = {DialogService::Answer::Yes};
  dialogs.saveAnswers = {Path("gone/a.tex")};
  EXPECT_FALSE(SaveModified(*doc));
  ASSERT_EQ(dialogs.saveRequests.size(), 1u);  // a vanished file is asked for anew
  EXPECT_EQ(dialogs.saveRequests[0].initialName, Path("gone/a.tex"));
  EXPECT_EQ(dialogs.messages.back().text, Text(IDS_FILE_NOT_FOUND).replace("%1", Path("gone/a.tex")));
  EXPECT_TRUE(doc->IsModified());
}

TEST_F(FileCommandsTest, ProposedNameIsTheTitleUpToTheFirstStopCharacter) {
  for (const auto& [title, proposed] : {std::pair{"my doc", "my.tex"}, {"a;b", "a.tex"}, {"", ".tex"}}) {
    doc->SetTitle(QString::fromUtf8(title));
    EXPECT_EQ(ProposedSaveName(*doc), QString::fromUtf8(proposed)) << title;
  }
}

TEST(FileMessageTest, CausesNameTheFileOnceAndCauselessFailuresFallBack) {
  // A path holding "%1" is not expanded twice.
  EXPECT_EQ(ReadFailureMessage({FileErrorCause::AccessDenied, EACCES, ""}, "/a%1"),
            QStringLiteral("/a%1 へのｱｸｾｽは拒否されました。"));
  EXPECT_EQ(SaveFailureMessage({FileErrorCause::TooLarge, 0, ""}, "/a"), Text(IDS_FAILED_TO_SAVE_DOC));
}

}  // namespace

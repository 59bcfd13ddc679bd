// The File commands on the shell's documents: the open filters, Save and Save As (once through
// the real file dialog), the question before a modified document closes, what the user is told
// when a file cannot be written, and names whose bytes are not UTF-8.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <cerrno>
#include <random>

#include "ShellFixture.h"
#include "app/FileCommands.h"
#include "app/FilePath.h"
#include "doc/CVeloDoc.h"
#include "res/Resources.h"
#include "sys/FileCalls.h"

namespace {

using Answer = DialogService::Answer;

QString Text(int id) { return QString::fromUtf8(ResourceString(id)); }

// Types text into the first line, which marks the document modified.
void Type(ShellDocument& doc, std::string_view text) {
  doc.Doc().InsertText(TextPos{doc.Doc().FirstLine(), 0, 0, 0}, text);
}

// The names Qt's file model shows for a glob list, case-sensitively as on Linux.
QStringList Matching(const QStringList& globs, const QStringList& names) {
  QStringList shown;
  for (const QString& name : names)
    for (const QString& glob : globs)
      if (QRegularExpression(QRegularExpression::wildcardToRegularExpression(glob)).match(name).hasMatch()) {
        shown << name;
        break;
      }
  return shown;
}

class FileCommandsTest : public ShellFixture {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Start());
    doc = &ActiveDocument();
  }
  QString Path(const QString& name) const { return filesDir.filePath(name); }
  ShellDocument* doc = nullptr;
};

TEST(OpenFilterTest, TranslatesTheListToCaseBlindGlobsAndAnAllFilesEntry) {
  const QList<FileFilter> filters = OpenDialogFilters("*.txt;*.tex");
  ASSERT_EQ(filters.size(), 2);
  EXPECT_EQ(filters[1], FileFilter({"all files (*.*)", {"*"}}));
  EXPECT_EQ(Matching(filters[0].patterns, {"a.txt", "B.TEX", "c.Tex", "d.mac", "e.txt.bak", ".tex"}),
            QStringList({"a.txt", "B.TEX", "c.Tex", ".tex"}));
  // Blanks, empty pieces, and characters a Qt filter cannot hold stay harmless.
  EXPECT_EQ(OpenDialogFilters(" *.txt ;;*.tex;")[0].patterns.size(), 2);
  const QStringList globs = OpenDialogFilters("*.a b;*.(x);*.日本")[0].patterns;
  for (const QString& glob : globs) EXPECT_FALSE(glob.contains(u' ') || glob.contains(u'(')) << glob;
  EXPECT_EQ(Matching(globs, {"f.a b", "f.(x)", "f.日本", "f.abc"}),
            QStringList({"f.a b", "f.(x)", "f.日本"}));
}

TEST_F(FileCommandsTest, SaveWritesOnlyAModifiedDocumentAndAsksForAMissingPath) {
  app->GetSettings().readExtList = "";  // Open repairs an empty list
  dialogs.openAnswers = {Path("a.tex")};
  QStringList opened;
  OnFileOpen(app->GetSettings(), dialogs, nullptr, [&](const QString& path) { opened << path; });
  EXPECT_EQ(app->GetSettings().readExtList, "*.txt");
  EXPECT_EQ(opened, QStringList({Path("a.tex")}));

  EXPECT_TRUE(OnFileSave(*doc));  // unmodified and untitled
  EXPECT_TRUE(dialogs.saveRequests.empty());
  app->GetSettings().defaultExt = "tex";
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
  Type(*doc, "new ");
  EXPECT_TRUE(OnFileSave(*doc));
  EXPECT_EQ(ReadAll(Path("a.tex")), "new abc\r\n");
  EXPECT_TRUE(QDir(filesDir.path()).entryList(QDir::Files | QDir::Hidden) == QStringList{"a.tex"});
  EXPECT_TRUE(dialogs.boxes.empty());
}

// Through the real save dialog: a typed name without an extension gets the standard one.
TEST_F(FileCommandsTest, SaveAsAddsTheStandardExtensionToATypedName) {
  QtDialogService service;
  Finish();
  ASSERT_TRUE(Start({}, &service));
  doc = &ActiveDocument();
  app->GetSettings().defaultExt = "tex";
  Type(*doc, "abc");
  QString proposed;
  OnNextModal([&](QDialog* dialog) {
    auto* name = Control<QLineEdit>(dialog, "fileNameEdit");
    proposed = name->text();
    qobject_cast<QFileDialog*>(dialog)->setDirectory(filesDir.path());
    name->setText(QStringLiteral("chapter"));
    dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Save)->click();
  });
  EXPECT_TRUE(OnFileSaveAs(*doc));
  EXPECT_EQ(proposed, ".tex");
  EXPECT_EQ(ReadAll(Path("chapter.tex")), "abc\r\n");
  EXPECT_EQ(doc->Title(), "chapter.tex");
  EXPECT_EQ(app->RecentFiles().Paths(), QStringList({Path("chapter.tex")}));
  Finish();  // before the service goes
}

// The user is told why, the old file and the modified flag stay.
TEST_F(FileCommandsTest, AFailedSaveSaysWhyAndKeepsTheOldFile) {
  const QString folder = Path("locked"), file = folder + "/a.tex";
  ASSERT_TRUE(QDir().mkdir(folder));
  ASSERT_TRUE(QFile(file).open(QIODevice::WriteOnly));
  ASSERT_TRUE(QFile::setPermissions(
      file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther | QFile::WriteOther));
  ASSERT_TRUE(
      QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
  ASSERT_TRUE(QFile::setPermissions(filesDir.path(), QFile::permissions(filesDir.path()) | QFile::ExeOther));
  doc->SetPathName(file, false);
  Type(*doc, "new text");
  const uid_t was = geteuid();  // root may write anywhere: save as nobody
  ASSERT_TRUE(was != 0 || seteuid(65534) == 0);
  const bool saved = OnFileSave(*doc);
  ASSERT_TRUE(was != 0 || seteuid(0) == 0);
  QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  EXPECT_FALSE(saved);

  ASSERT_TRUE(QFile(Path("b.tex")).open(QIODevice::WriteOnly));
  doc->SetPathName(Path("b.tex"), false);
  ActiveFileCalls().write = [](int, const void*, std::size_t) -> long {
    errno = ENOSPC;
    return -1;
  };
  EXPECT_FALSE(OnFileSave(*doc));
  ActiveFileCalls() = SystemFileCalls();
  dialogs.saveAnswers = {filesDir.path() + "/.."};  // a name that cannot be a file
  EXPECT_FALSE(OnFileSaveAs(*doc));
  ASSERT_EQ(dialogs.boxes.size(), 3u);
  EXPECT_EQ(dialogs.boxes[0].text, file + QStringLiteral(" へのｱｸｾｽは拒否されました。"));
  EXPECT_EQ(dialogs.boxes[1].text,
            Path("b.tex") + QStringLiteral(" へのｱｸｾｽ中にﾃﾞｨｽｸがいっぱいになりました。"));
  EXPECT_EQ(dialogs.boxes[2].text, Text(IDS_INVALID_FILENAME));
  EXPECT_EQ(ReadAll(file), "");
  EXPECT_EQ(ReadAll(Path("b.tex")), "");
  EXPECT_TRUE(doc->IsModified());
  EXPECT_EQ(QDir(filesDir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"b.tex"}));
  // A path holding "%1" is not expanded twice; a cause without a message of its own falls back.
  EXPECT_EQ(ReadFailureMessage({FileErrorCause::AccessDenied, EACCES, ""}, "/a%1"),
            QStringLiteral("/a%1 へのｱｸｾｽは拒否されました。"));
  EXPECT_EQ(SaveFailureMessage({FileErrorCause::TooLarge, 0, ""}, "/a"), Text(IDS_FAILED_TO_SAVE_DOC));
}

TEST_F(FileCommandsTest, TheCloseQuestionCancelsDiscardsOrSaves) {
  EXPECT_TRUE(SaveModified(*doc));  // unmodified: no question
  doc->SetPathName(Path("a.tex"), false);
  ASSERT_TRUE(QFile(Path("a.tex")).open(QIODevice::WriteOnly));
  Type(*doc, "new");
  dialogs.answers = {Answer::Cancel, Answer::No, Answer::Yes};
  EXPECT_FALSE(SaveModified(*doc));
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].caption + "|" + dialogs.boxes[0].text,
            QStringLiteral("Mirev|a.tex への変更を保存しますか?"));
  EXPECT_TRUE(dialogs.boxes[0].owned);
  EXPECT_TRUE(doc->IsModified());
  EXPECT_TRUE(SaveModified(*doc));  // No discards
  EXPECT_EQ(ReadAll(Path("a.tex")), "");
  EXPECT_TRUE(SaveModified(*doc));  // Yes writes in place
  EXPECT_EQ(ReadAll(Path("a.tex")), "new\r\n");
  EXPECT_TRUE(dialogs.saveRequests.empty());

  // A cancelled Save As leaves path and title alone.
  Type(*doc, "x");
  dialogs.saveAnswers = {std::nullopt};
  EXPECT_FALSE(OnFileSaveAs(*doc));
  EXPECT_EQ(doc->Title(), "a.tex");
  // A file whose folder went is asked for anew; the failed save stops the close.
  doc->SetPathName(Path("gone/a.tex"), false);
  dialogs.answers = {Answer::Yes};
  dialogs.saveAnswers = {Path("gone/a.tex")};
  EXPECT_FALSE(SaveModified(*doc));
  EXPECT_EQ(dialogs.saveRequests.back().initialName, Path("gone/a.tex"));
  EXPECT_EQ(dialogs.boxes.back().text, Text(IDS_FILE_NOT_FOUND).replace("%1", Path("gone/a.tex")));
  EXPECT_TRUE(doc->IsModified());

  // Untitled, Yes asks for a TeX name; a cancelled dialog stops the close.
  doc->SetPathName(QString(), false);
  doc->SetTitle("TeX1");
  dialogs.answers = {Answer::Yes, Answer::Yes};
  dialogs.saveAnswers = {std::nullopt, Path("TeX1.tex")};
  EXPECT_FALSE(SaveModified(*doc));
  EXPECT_EQ(dialogs.saveRequests.back().initialName, "TeX1.tex");
  EXPECT_EQ(Matching(dialogs.saveRequests.back().filters[0].patterns, {"a.tex", "b.TEX", "c.txt"}),
            QStringList({"a.tex", "b.TEX"}));
  EXPECT_TRUE(SaveModified(*doc));
  EXPECT_EQ(ReadAll(Path("TeX1.tex")), "xnew\r\n");
  for (const auto& [title, proposed] : {std::pair{"my doc", "my.tex"}, {"a;b", "a.tex"}, {"", ".tex"}}) {
    doc->SetPathName(QString(), false);
    doc->SetTitle(QString::fromUtf8(title));
    EXPECT_EQ(ProposedSaveName(*doc), QString::fromUtf8(proposed)) << title;
  }
}

// A name's bytes travel whole through the shell's strings.
TEST(FilePathTest, EveryByteStringComesBackAndUtf8ReadsAsText) {
  std::mt19937 rng(20240612);
  for (int round = 0; round < 2000; ++round) {
    QByteArray bytes;
    const int length = static_cast<int>(rng() % 12);
    for (int i = 0; i < length; ++i) {
      // Mostly the bytes of UTF-8 and code page 932 names, some of them anything.
      static const char pool[] =
          "a/.\\\x95\x5C\x82\xA0\xE3\x81\x82\xC3\xA9\xF0\x9F\x98\x80\xED\xA0\x80\xC0\xFF";
      bytes += rng() % 4 ? pool[rng() % (sizeof pool - 1)] : static_cast<char>(rng() % 255 + 1);
    }
    const QString path = PathFromBytes(bytes);
    ASSERT_EQ(PathBytes(path), bytes) << bytes.toHex().toStdString();
    if (bytes.isValidUtf8()) {
      EXPECT_EQ(path, QString::fromUtf8(bytes));
    }
    EXPECT_TRUE(DisplayPath(path).toUtf8().isValidUtf8());
  }
  EXPECT_EQ(DisplayPath(PathFromBytes("/d/\x95\x5C.tex")), QStringLiteral("/d/\uFFFD\\.tex"));
  // A surrogate encoded in UTF-8 is no text: its bytes are kept one by one.
  EXPECT_EQ(DisplayPath(PathFromBytes("\xED\xA0\x80")), QStringLiteral("\uFFFD\uFFFD\uFFFD"));
}

}  // namespace

// Documents and their windows: the open gate, the recent files, windows on one document,
// closing, the command line and dropped files.
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "ShellFixture.h"
#include "base/CommandIds.h"
#include "platform/ViewWidget.h"
#include "res/Resources.h"

namespace {

const char* const kFileError =
    "ファイルエラーが発生しました。 \nファイルのパスが通っていないか、 "
    "\nファイルに読み取り属性がありません。";

class ShellDocumentTest : public ShellFixture {
 protected:
  void ExpectErrorBox(std::size_t index) {
    ASSERT_GT(dialogs.boxes.size(), index);
    const ScriptedDialogs::Box& box = dialogs.boxes[index];
    EXPECT_EQ(box.caption, "error");
    EXPECT_EQ(box.text.toStdString(), kFileError);
  }

  static QString TextOf(ShellDocument* doc) {
    QString text;
    for (LineNode* node = doc->Doc().FirstLine(); node; node = node->next) {
      text += QString::fromLatin1(node->text.View().data(), static_cast<qsizetype>(node->text.View().size()));
      if (node->next) text += u'|';
    }
    return text;
  }
};

}  // namespace

TEST_F(ShellDocumentTest, OpenReadsTheFileAndTitlesItsWindow) {
  const QString path = WriteFile("chapter.tex", "\\section{A}\r\nline two\n");
  ASSERT_TRUE(Start());
  ShellDocument* doc = app->OpenDocumentFile(path);
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(TextOf(doc), "\\section{A}|line two");
  EXPECT_FALSE(doc->IsModified());
  EXPECT_EQ(Frame().windowTitle(), "Mirev - [chapter.tex]");
  EXPECT_EQ(app->RecentFiles().Paths(), QStringList{path});
  EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(ShellDocumentTest, OpeningAnOpenFileActivatesItsWindow) {
  const QString a = WriteFile("a.tex", "a\n");
  const QString b = WriteFile("b.tex", "b\n");
  ASSERT_TRUE(QFile::link(a, filesDir.filePath("link.tex")));
  ASSERT_TRUE(Start());
  ShellDocument* docA = app->OpenDocumentFile(a);
  ShellDocument* docB = app->OpenDocumentFile(b);
  ASSERT_TRUE(docA && docB);
  ASSERT_EQ(&Frame().ActiveChild()->Document(), docB);

  // Another spelling of the same file, and a link to it.
  const QString dirName = QFileInfo(filesDir.path()).fileName();
  EXPECT_EQ(app->OpenDocumentFile(filesDir.path() + "/../" + dirName + "/./a.tex"), docA);
  EXPECT_EQ(&Frame().ActiveChild()->Document(), docA);
  app->OpenDocumentFile(b);
  EXPECT_EQ(app->OpenDocumentFile(filesDir.filePath("link.tex")), docA);
  EXPECT_EQ(&Frame().ActiveChild()->Document(), docA);
  EXPECT_EQ(ChildTitles().size(), 3);
}

TEST_F(ShellDocumentTest, AFileThatCannotBeOpenedShowsTheErrorBoxAndNothingElse) {
  ASSERT_TRUE(Start());
  dialogs.Expect(DialogService::Answer::Ok);
  EXPECT_EQ(app->OpenDocumentFile(filesDir.filePath("missing.tex")), nullptr);
  ExpectErrorBox(0);
  dialogs.Expect(DialogService::Answer::Ok);
  EXPECT_EQ(app->OpenDocumentFile(filesDir.path()), nullptr);  // a directory
  ExpectErrorBox(1);
  EXPECT_EQ(ChildTitles(), QStringList{"TeX1"});
  EXPECT_TRUE(app->RecentFiles().IsEmpty());
}

TEST_F(ShellDocumentTest, AFileThatPassesTheGateButCannotBeReadIsReportedWithItsCause) {
  // Larger than the 32-bit positions can hold; sparse, so it costs no disk.
  const QString path = WriteFile("huge.tex", "x");
  {
    QFile file(path);
    ASSERT_TRUE(file.resize((qint64{1} << 31) + 1));
  }
  ASSERT_TRUE(Start());
  dialogs.Expect(DialogService::Answer::Ok);
  EXPECT_EQ(app->OpenDocumentFile(path), nullptr);
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].text.toStdString(), "ﾄﾞｷｭﾒﾝﾄを開くことに失敗しました。");
  EXPECT_EQ(Template().Documents().size(), 1);
  EXPECT_TRUE(app->RecentFiles().IsEmpty());
}

TEST_F(ShellDocumentTest, ARecentEntryWhoseFileIsGoneShowsTheBoxAndLeavesTheList) {
  const QString a = WriteFile("a.tex", "a\n");
  const QString b = WriteFile("b.tex", "b\n");
  ASSERT_TRUE(Start());
  ASSERT_TRUE(app->OpenDocumentFile(a));
  ASSERT_TRUE(app->OpenDocumentFile(b));
  Frame().RouteCommand(ID_FILE_CLOSE);
  Settle();
  ASSERT_TRUE(QFile::remove(b));
  ASSERT_EQ(app->RecentFiles().Paths(), (QStringList{b, a}));

  dialogs.Expect(DialogService::Answer::Ok);
  QAction* entry = MenuItem(ID_FILE_MRU_FIRST);
  ASSERT_NE(entry, nullptr);
  entry->trigger();
  ExpectErrorBox(0);
  EXPECT_EQ(app->RecentFiles().Paths(), QStringList{a});
  EXPECT_EQ(ChildTitles(), (QStringList{"TeX1", "a.tex"}));

  // The list is written at exit as it is now.
  Finish();
  EXPECT_EQ(ProfileValues(), (QMap<QString, QString>{{"Recent File List/File1", a}}));
}

TEST_F(ShellDocumentTest, NewWindowNumbersTheWindowsAndClosingTheDocumentClosesThemAll) {
  ASSERT_TRUE(Start());
  ASSERT_TRUE(Frame().RouteCommand(ID_WINDOW_NEW));
  EXPECT_EQ(Frame().windowTitle(), "Mirev - [TeX1:2]");
  Frame().RouteCommand(ID_WINDOW_NEW);
  const auto children = Frame().Children();
  EXPECT_EQ(&children[0]->View()->View().GetDocument(), &children[2]->View()->View().GetDocument());
  children[1]->close();
  Settle();
  EXPECT_EQ(ChildTitles(), (QStringList{"TeX1:1", "TeX1:2"}));

  Frame().RouteCommand(ID_FILE_NEW);
  Frame().ActivateChild(Frame().Children()[0]);
  ASSERT_TRUE(Frame().RouteCommand(ID_FILE_CLOSE));
  Settle();
  EXPECT_EQ(ChildTitles(), QStringList{"TeX2"});
}

TEST_F(ShellDocumentTest, AModifiedDocumentAsksBeforeItsLastWindowCloses) {
  const QString path = WriteFile("kept.tex", "old\n");
  ASSERT_TRUE(Start());
  ShellDocument* doc = app->OpenDocumentFile(path);
  ASSERT_NE(doc, nullptr);
  Frame().RouteCommand(ID_WINDOW_NEW);
  doc->Doc().SetModifiedFlag();

  // One of two windows closes without a question.
  Frame().ActiveChild()->close();
  Settle();
  EXPECT_TRUE(dialogs.boxes.empty());
  // The window used before the closed one is active again.
  ASSERT_NE(Frame().ActiveChild(), nullptr);
  EXPECT_EQ(Frame().ActiveChild()->windowTitle(), "kept.tex");

  dialogs.Expect(DialogService::Answer::Cancel);
  Frame().RouteCommand(ID_FILE_CLOSE);
  Settle();
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].text.toStdString(), "kept.tex への変更を保存しますか?");
  EXPECT_EQ(Template().Documents().size(), 2);

  dialogs.Expect(DialogService::Answer::Cancel);  // quitting asks too
  EXPECT_FALSE(Frame().close());

  // No discards.
  dialogs.Expect(DialogService::Answer::No);
  EXPECT_TRUE(Frame().close());
  Settle();
  EXPECT_TRUE(Template().Documents().isEmpty());
}

TEST_F(ShellDocumentTest, CommandLineOpensTheFileInsteadOfANewDocument) {
  ASSERT_TRUE(Start({"--", WriteFile("-dash.tex", "x\n")}));
  EXPECT_EQ(ChildTitles(), QStringList{"-dash.tex"});
}

TEST_F(ShellDocumentTest, CommandLineFileThatCannotBeOpenedEndsTheStart) {
  dialogs.Expect(DialogService::Answer::Ok);
  EXPECT_FALSE(Start({filesDir.filePath("missing.tex")}));
  ExpectErrorBox(0);
  EXPECT_FALSE(Frame().isVisible());
  EXPECT_TRUE(Template().Documents().isEmpty());
}

TEST_F(ShellDocumentTest, DroppedFilesAreOpenedThroughTheGate) {
  const QString a = WriteFile("a.tex", "a\n");
  const QString b = WriteFile("b.tex", "b\n");
  ASSERT_TRUE(Start());
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(a), QUrl("https://example.org/x.tex"), QUrl::fromLocalFile(b),
                QUrl::fromLocalFile(filesDir.filePath("gone.tex"))});
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&Frame(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  dialogs.Expect(DialogService::Answer::Ok);
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&Frame(), &drop);
  EXPECT_EQ(ChildTitles(), (QStringList{"TeX1", "a.tex", "b.tex"}));
  ExpectErrorBox(0);
}

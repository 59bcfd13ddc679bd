// The shell around the documents: the open gate and the windows on a document, closing and
// quitting, the command line, dropped files, the recent files, the menus and the status bar,
// the dialogs' controls, small things a user meets (NUL bytes through the program's own
// clipboard, Ctrl+I and Ctrl+M, Qt's dialogs in Japanese, the wait cursor while reading), and
// the File commands: the open filters, Save and Save As (once through the real file dialog),
// the question before a modified document closes, what the user is told when a file cannot be
// written, and names whose bytes are not UTF-8.
#include <unistd.h>

#include <QClipboard>
#include <QDialogButtonBox>
#include <QDir>
#include <QDropEvent>
#include <QFileDialog>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QUrl>
#include <cerrno>
#include <random>

#include "ShellFixture.h"
#include "app/FileCommands.h"
#include "app/FilePath.h"
#include "app/RecentFileList.h"
#include "base/CommandIds.h"
#include "doc/CVeloDoc.h"
#include "platform/ViewWidget.h"
#include "res/Resources.h"
#include "sys/FileCalls.h"

namespace {

const QString kFileError = QString::fromUtf8(ResourceString(IDS_FILE_ERROR));

class ShellTest : public ShellFixture {
 protected:
  void ExpectErrorBoxes(std::size_t count) {
    EXPECT_EQ(dialogs.boxes.size(), count);
    for (const auto& box : dialogs.boxes) EXPECT_EQ(box.caption + "|" + box.text, "error|" + kFileError);
  }
  QByteArray Text() { return QByteArray::fromStdString(ActiveDocument().Doc().ToFileImage()); }
};

// The cursor Qt shows at each read of a file.
std::vector<int> cursorsAtRead;
long NotingRead(int fd, void* data, std::size_t size) {
  const QCursor* cursor = QGuiApplication::overrideCursor();
  cursorsAtRead.push_back(cursor ? cursor->shape() : -1);
  return SystemFileCalls().read(fd, data, size);
}

// What cannot be opened shows the error box and nothing else; a file is read under the wait
// cursor; a file open already has its window activated.
TEST_F(ShellTest, OpenRefusesWhatItCannotReadReadsTheFileAndActivatesAnOpenOne) {
  const QString huge = WriteFile("huge.tex", "x");  // past 32-bit positions; sparse, no disk
  ASSERT_TRUE(QFile(huge).resize((qint64{1} << 31) + 1));
  const QString a = WriteFile("a.tex", "\\section{A}\r\nline two\n");
  const QString b = WriteFile("b.tex", "b\n");
  ASSERT_TRUE(QFile::link(a, filesDir.filePath("link.tex")));
  ASSERT_TRUE(Start());
  EXPECT_EQ(app->OpenDocumentFile(filesDir.filePath("missing.tex")), nullptr);
  EXPECT_EQ(app->OpenDocumentFile(filesDir.path()), nullptr);  // a folder
  ExpectErrorBoxes(2);
  EXPECT_EQ(app->OpenDocumentFile(huge), nullptr);  // passes the gate, cannot be read
  ASSERT_EQ(dialogs.boxes.size(), 3u);
  EXPECT_EQ(dialogs.boxes[2].text, QStringLiteral("ﾄﾞｷｭﾒﾝﾄを開くことに失敗しました。"));
  EXPECT_EQ(ChildTitles(), QStringList{"TeX1"});
  EXPECT_TRUE(app->RecentFiles().IsEmpty());

  dialogs.boxes.clear();
  ActiveFileCalls().read = NotingRead;
  ShellDocument* docA = app->OpenDocumentFile(a);
  ActiveFileCalls() = SystemFileCalls();
  ASSERT_NE(docA, nullptr);
  ASSERT_FALSE(cursorsAtRead.empty());
  for (const int shape : cursorsAtRead) EXPECT_EQ(shape, Qt::WaitCursor);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(docA->Doc().ToFileImage(), "\\section{A}\r\nline two\r\n");
  EXPECT_FALSE(docA->IsModified());
  EXPECT_EQ(Frame().windowTitle(), "Mirev - [a.tex]");
  ASSERT_NE(app->OpenDocumentFile(b), nullptr);
  EXPECT_EQ(app->OpenDocumentFile(filesDir.filePath("link.tex")), docA);  // by a link
  EXPECT_EQ(&ActiveDocument(), docA);
  EXPECT_EQ(ChildTitles(), (QStringList{"TeX1", "a.tex", "b.tex"}));
  EXPECT_EQ(app->RecentFiles().Paths(), (QStringList{b, a}));

  // A recent entry whose file is gone shows the box and leaves the list.
  app->OpenDocumentFile(b);
  Frame().RouteCommand(ID_FILE_CLOSE);
  Settle();
  ASSERT_TRUE(QFile::remove(b));
  ASSERT_NE(MenuItem(ID_FILE_MRU_FIRST), nullptr);
  MenuItem(ID_FILE_MRU_FIRST)->trigger();
  ExpectErrorBoxes(1);
  EXPECT_EQ(app->RecentFiles().Paths(), QStringList{a});
  Finish();  // the list is written at exit as it is now
  EXPECT_EQ(ProfileValues(), (QMap<QString, QString>{{"Recent File List/File1", a}}));
}

TEST_F(ShellTest, WindowsOnOneDocumentAndTheQuestionBeforeTheLastCloses) {
  ASSERT_TRUE(Start({WriteFile("kept.tex", "old\n")}));
  ASSERT_TRUE(Frame().RouteCommand(ID_WINDOW_NEW));
  EXPECT_EQ(Frame().windowTitle(), "Mirev - [kept.tex:2]");
  Frame().RouteCommand(ID_WINDOW_NEW);
  const auto children = Frame().Children();
  EXPECT_EQ(&children[0]->View()->View().GetDocument(), &children[2]->View()->View().GetDocument());
  children[1]->close();
  Settle();
  EXPECT_EQ(ChildTitles(), (QStringList{"kept.tex:1", "kept.tex:2"}));
  ActiveDocument().Doc().SetModifiedFlag();
  Frame().ActiveChild()->close();  // one of two windows closes without a question
  Settle();
  EXPECT_TRUE(dialogs.boxes.empty());
  EXPECT_EQ(Frame().ActiveChild()->windowTitle(), "kept.tex");  // the one used before is active again

  Frame().RouteCommand(ID_FILE_NEW);
  Frame().ActivateChild(Frame().Children()[0]);
  dialogs.answers = {DialogService::Answer::Cancel, DialogService::Answer::Cancel, DialogService::Answer::No};
  Frame().RouteCommand(ID_FILE_CLOSE);
  Settle();
  EXPECT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_FALSE(Frame().close());  // quitting asks too
  EXPECT_EQ(ChildTitles(), (QStringList{"kept.tex", "TeX1"}));
  EXPECT_TRUE(Frame().close());
  Settle();
  EXPECT_TRUE(Template().Documents().isEmpty());
}

TEST_F(ShellTest, TheCommandLineAndDroppedFilesGoThroughTheGate) {
  ASSERT_TRUE(Start({"--", WriteFile("-dash.tex", "x\n")}));
  EXPECT_EQ(ChildTitles(), QStringList{"-dash.tex"});
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(WriteFile("a.tex", "a\n")), QUrl("https://example.org/x.tex"),
                QUrl::fromLocalFile(filesDir.filePath("gone.tex"))});
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&Frame(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&Frame(), &drop);
  EXPECT_EQ(ChildTitles(), (QStringList{"-dash.tex", "a.tex"}));
  ExpectErrorBoxes(1);
  Finish();
  // A file on the command line that cannot be opened ends the start.
  EXPECT_FALSE(Start({filesDir.filePath("missing.tex")}));
  EXPECT_FALSE(Frame().isVisible());
  EXPECT_TRUE(Template().Documents().isEmpty());
}

TEST(RecentFileListTest, NewestFirstWithoutDuplicatesUpToTenShortenedForTheMenu) {
  RecentFileList list;
  for (int i = 0; i < 12; ++i) list.Add(QStringLiteral("/w/r&d/f%1.tex").arg(i));
  list.Add("/w/r&d/f5.tex");
  EXPECT_EQ(list.Paths().size(), 10);
  EXPECT_EQ(list.Paths().mid(0, 3), (QStringList{"/w/r&d/f5.tex", "/w/r&d/f11.tex", "/w/r&d/f10.tex"}));
  EXPECT_EQ(list.Paths().back(), "/w/r&d/f2.tex");
  EXPECT_EQ(list.MenuText(9, "/elsewhere"), "1&0 /w/r&&d/f2.tex");
  EXPECT_EQ(list.MenuText(1, "/w/r&d"), "&2 f11.tex");  // in the current folder: by its name
  EXPECT_EQ(list.MenuText(10, "/"), "");
  list.SetPaths({"", "/a", "/b", "/a", "/c", "/d", "/e", "/f", "/g", "/h", "/i", "/j", "/k"});
  EXPECT_EQ(list.Paths(), (QStringList{"/a", "/b", "/c", "/d", "/e", "/f", "/g", "/h", "/i", "/j"}));
  for (const auto& [path, shown] :
       {std::pair{"/home/user/docs/thesis/chapter1.tex", "/home/.../thesis/chapter1.tex"},
        {"/home/averyveryverylongdirectory/a.tex", "/home/.../a.tex"},
        {"/averyveryverylongrootdirectory/a.tex", "a.tex"}})
    EXPECT_EQ(RecentFileList::AbbreviatePath(QString::fromUtf8(path), 30), QString::fromUtf8(shown));
}

TEST_F(ShellTest, MenusFollowTheDocumentsAndTheObjectsThatHandleTheirItems) {
  ASSERT_TRUE(Start());
  EXPECT_EQ(MenuItem(ID_WINDOW_CHILD_FIRST)->text(), "&1 TeX1");
  // A shortcut a menu item shows is, where a table has that key, the key of its command.
  for (QAction* action : Frame().findChildren<QAction*>()) {
    const QKeySequence keys(action->text().section(u'\t', 1), QKeySequence::PortableText);
    if (keys.count() != 1) continue;
    const Qt::KeyboardModifiers held = keys[0].keyboardModifiers();
    const unsigned modifiers = (held & Qt::ShiftModifier ? kAccelShift : 0u) |
                               (held & Qt::ControlModifier ? kAccelCtrl : 0u) |
                               (held & Qt::AltModifier ? kAccelAlt : 0u);
    std::optional<int> command = Template().Accelerators().Translate(keys[0].key(), modifiers);
    if (!command) command = Frame().Accelerators().Translate(keys[0].key(), modifiers);
    EXPECT_EQ(command.value_or(action->data().toInt()), action->data().toInt()) << action->text();
  }
  // Greyed: the recent files' placeholder, and what nobody handles.
  EXPECT_FALSE(Frame().FindAction(ID_FILE_MRU_FIRST)->isEnabled());
  EXPECT_FALSE(Frame().QueryCommandState(ID_MACRO_LAST + 1).enabled);
  QAction* statusItem = Frame().FindAction(ID_VIEW_STATUS_BAR);
  EXPECT_TRUE(statusItem->isChecked());
  statusItem->trigger();
  EXPECT_TRUE(Frame().statusBar()->isHidden());
  Frame().UpdatePopup(qobject_cast<QMenu*>(statusItem->parent()));
  EXPECT_FALSE(statusItem->isChecked());

  // Without a document the document's commands grey.
  Frame().RouteCommand(ID_FILE_CLOSE);
  Settle();
  EXPECT_EQ(Frame().MenuId(), IDR_MAINFRAME);
  for (const int id : {ID_WINDOW_NEW, ID_SETTINGS, ID_JUMP_TO_LINE})
    EXPECT_FALSE(Frame().QueryCommandState(id).enabled) << id;
  EXPECT_TRUE(Frame().RouteCommand(ID_WINDOW_NEW));
  EXPECT_TRUE(Frame().Children().isEmpty());

  // The status bar: the idle text after a prompt, the lock keys.
  Frame().FindAction(ID_FILE_MRU_FIRST)->showStatusText(Frame().menuBar());
  QStatusTipEvent leave{QString()};
  QCoreApplication::sendEvent(Frame().menuBar(), &leave);
  EXPECT_EQ(Frame().MessageText(), "ﾚﾃﾞｨ");
  Frame().ShowLockIndicators({true, true, false, true});
  EXPECT_EQ(Frame().Indicator(ID_INDICATOR_CAPS)->text() + "|" + Frame().Indicator(ID_INDICATOR_NUM)->text() +
                "|" + Frame().Indicator(ID_INDICATOR_SCRL)->text(),
            "CAP||SCRL");
}

TEST_F(ShellTest, NulBytesTravelThroughTheProgramsOwnClipboardAndCtrlIAndCtrlMType) {
  const QByteArray line("a\0b\x95\x5C", 5);
  ASSERT_TRUE(Start({WriteFile("m.tex", line + "\r\nz\r\n")}));
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

  PressKey(Qt::Key_Left);
  PressKey(Qt::Key_I, Qt::ControlModifier);
  PressKey(Qt::Key_M, Qt::ControlModifier);
  EXPECT_EQ(Text(), "\r\nz" + line + "\t\r\nc\r\n");
  // Undone as typed keys are.
  PressKey(Qt::Key_Z, Qt::ControlModifier);
  PressKey(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Text(), "\r\nz" + line + "c\r\n");
}

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
  EXPECT_TRUE(dialogs.boxes.empty());
}

// The real file dialogs, in Japanese whatever the system's language: Open takes a name that
// does not exist and the gate says why; Save As gives a typed name the standard extension.
TEST_F(ShellTest, TheRealFileDialogsSpeakJapaneseAndTheirNamesGoThroughTheGate) {
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  struct : QtDialogService {
    Answer MessageBox(QWidget*, const QString&, const QString& text, Buttons, Icon) override {
      told << text;
      return Answer::Ok;
    }
    QStringList told;
  } service;
  ASSERT_TRUE(Start({}, &service));
  QMessageBox box;
  box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(box.button(QMessageBox::Yes)->text() + box.button(QMessageBox::No)->text(),
            QStringLiteral("はい(&Y)いいえ(&N)"));
  OnNextModal([this](QDialog* dialog) {
    EXPECT_EQ(Control<QLabel>(dialog, "fileNameLabel")->text(), QStringLiteral("ファイル名(&N):"));
    qobject_cast<QFileDialog*>(dialog)->setDirectory(filesDir.path());
    Control<QLineEdit>(dialog, "fileNameEdit")->setText(QStringLiteral("missing.tex"));
    dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open)->click();
    RejectAllModals();  // only if the click left it open
  });
  OnFileOpen(*app);
  EXPECT_EQ(service.told, QStringList{kFileError});
  EXPECT_EQ(ChildTitles(), QStringList{"TeX1"});
  ShellDocument& doc = ActiveDocument();
  app->GetSettings().defaultExt = "tex";
  Type(doc, "abc");
  QString proposed;
  OnNextModal([&](QDialog* dialog) {
    auto* name = Control<QLineEdit>(dialog, "fileNameEdit");
    proposed = name->text();
    qobject_cast<QFileDialog*>(dialog)->setDirectory(filesDir.path());
    name->setText(QStringLiteral("chapter"));
    dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Save)->click();
  });
  EXPECT_TRUE(OnFileSaveAs(doc));
  EXPECT_EQ(proposed + "|" + doc.Title(), ".tex|chapter.tex");
  EXPECT_EQ(ReadAll(filesDir.filePath("chapter.tex")), "abc\r\n");
  EXPECT_EQ(app->RecentFiles().Paths(), QStringList({filesDir.filePath("chapter.tex")}));
  Finish();  // before the service goes
}

// The user is told why, the old file and the modified flag stay (every other cause is in the
// save matrix).
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

  dialogs.saveAnswers = {filesDir.path() + "/.."};  // a name that cannot be a file
  EXPECT_FALSE(OnFileSaveAs(*doc));
  ASSERT_EQ(dialogs.boxes.size(), 2u);
  EXPECT_EQ(dialogs.boxes[0].text, file + QStringLiteral(" へのｱｸｾｽは拒否されました。"));
  EXPECT_EQ(dialogs.boxes[1].text, Text(IDS_INVALID_FILENAME));
  EXPECT_EQ(ReadAll(file), "");
  EXPECT_TRUE(doc->IsModified());
  EXPECT_TRUE(QDir(filesDir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
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

// A name's bytes travel whole through the shell's strings (a name with ".." after a link runs
// end to end in tests/e2e).
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

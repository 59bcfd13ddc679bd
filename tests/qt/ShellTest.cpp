// The shell around the documents: the open gate and the windows on a document, closing and
// quitting, the command line, dropped files, the recent files, the menus and the status bar,
// the texts a user reads first, and the channel files are handed over on (the hand-off itself
// runs end to end in tests/e2e).
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QKeySequence>
#include <QLabel>
#include <QLocalSocket>
#include <QMimeData>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QUrl>
#include <QtEndian>
#include <future>

#include "ShellFixture.h"
#include "app/CJumpDlg.h"
#include "app/CNewExtDlg.h"
#include "app/CReadExtDlg.h"
#include "app/CSettingsDlg.h"
#include "app/CTypesetDlg.h"
#include "app/OpenRequest.h"
#include "app/RecentFileList.h"
#include "app/ShellRegistration.h"
#include "base/CommandIds.h"
#include "platform/ViewWidget.h"
#include "res/Resources.h"

namespace {

const QString kFileError = QStringLiteral(
    "ファイルエラーが発生しました。 \nファイルのパスが通っていないか、 "
    "\nファイルに読み取り属性がありません。");

class ShellTest : public ShellFixture {
 protected:
  void ExpectErrorBoxes(std::size_t count) {
    ASSERT_EQ(dialogs.boxes.size(), count);
    for (const ScriptedDialogs::Box& box : dialogs.boxes)
      EXPECT_EQ(box.caption + "|" + box.text, "error|" + kFileError);
  }
};

TEST_F(ShellTest, OpenReadsTheFileAndAnOpenFileActivatesItsWindow) {
  const QString a = WriteFile("a.tex", "\\section{A}\r\nline two\n");
  const QString b = WriteFile("b.tex", "b\n");
  ASSERT_TRUE(QFile::link(a, filesDir.filePath("link.tex")));
  ASSERT_TRUE(Start());
  ShellDocument* docA = app->OpenDocumentFile(a);
  ASSERT_NE(docA, nullptr);
  EXPECT_EQ(docA->Doc().ToFileImage(), "\\section{A}\r\nline two\r\n");
  EXPECT_FALSE(docA->IsModified());
  EXPECT_EQ(Frame().windowTitle(), "Mirev - [a.tex]");
  ASSERT_NE(app->OpenDocumentFile(b), nullptr);
  // Another spelling of the same file, and a link to it.
  const QString dirName = QFileInfo(filesDir.path()).fileName();
  EXPECT_EQ(app->OpenDocumentFile(filesDir.path() + "/../" + dirName + "/./a.tex"), docA);
  EXPECT_EQ(&ActiveDocument(), docA);
  app->OpenDocumentFile(b);
  EXPECT_EQ(app->OpenDocumentFile(filesDir.filePath("link.tex")), docA);
  EXPECT_EQ(&ActiveDocument(), docA);
  EXPECT_EQ(ChildTitles(), (QStringList{"TeX1", "a.tex", "b.tex"}));
  EXPECT_EQ(app->RecentFiles().Paths(), (QStringList{b, a}));
  EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(ShellTest, WhatCannotBeOpenedShowsTheErrorBoxAndNothingElse) {
  // Larger than 32-bit positions can hold; sparse, so it costs no disk.
  const QString huge = WriteFile("huge.tex", "x");
  ASSERT_TRUE(QFile(huge).resize((qint64{1} << 31) + 1));
  ASSERT_TRUE(Start());
  EXPECT_EQ(app->OpenDocumentFile(filesDir.filePath("missing.tex")), nullptr);
  EXPECT_EQ(app->OpenDocumentFile(filesDir.path()), nullptr);  // a folder
  ExpectErrorBoxes(2);
  EXPECT_EQ(app->OpenDocumentFile(huge), nullptr);  // passes the gate, cannot be read
  ASSERT_EQ(dialogs.boxes.size(), 3u);
  EXPECT_EQ(dialogs.boxes[2].text, QStringLiteral("ﾄﾞｷｭﾒﾝﾄを開くことに失敗しました。"));
  EXPECT_EQ(ChildTitles(), QStringList{"TeX1"});
  EXPECT_TRUE(app->RecentFiles().IsEmpty());
}

TEST_F(ShellTest, ARecentEntryWhoseFileIsGoneShowsTheBoxAndLeavesTheList) {
  const QString a = WriteFile("a.tex", "a\n");
  const QString b = WriteFile("b.tex", "b\n");
  ASSERT_TRUE(Start());
  ASSERT_TRUE(app->OpenDocumentFile(a) && app->OpenDocumentFile(b));
  Frame().RouteCommand(ID_FILE_CLOSE);
  Settle();
  ASSERT_TRUE(QFile::remove(b));
  QAction* entry = MenuItem(ID_FILE_MRU_FIRST);
  ASSERT_NE(entry, nullptr);
  entry->trigger();
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
  dialogs.Expect(DialogService::Answer::Cancel);
  Frame().RouteCommand(ID_FILE_CLOSE);
  Settle();
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("kept.tex への変更を保存しますか?"));
  dialogs.Expect(DialogService::Answer::Cancel);  // quitting asks too
  EXPECT_FALSE(Frame().close());
  EXPECT_EQ(ChildTitles(), (QStringList{"kept.tex", "TeX1"}));
  dialogs.Expect(DialogService::Answer::No);
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
  EXPECT_EQ(list.MenuText(0, "/elsewhere"), "&1 /w/r&&d/f5.tex");
  EXPECT_EQ(list.MenuText(9, "/elsewhere"), "1&0 /w/r&&d/f2.tex");
  EXPECT_EQ(list.MenuText(1, "/w/r&d"), "&2 f11.tex");  // in the current folder: by its name
  EXPECT_EQ(list.MenuText(10, "/"), "");
  list.Remove(0);
  list.Remove(42);
  EXPECT_EQ(list.Size(), 9);
  list.SetPaths({"", "/a", "/b", "/a", "/c", "/d", "/e", "/f", "/g", "/h", "/i", "/j", "/k"});
  EXPECT_EQ(list.Paths(), (QStringList{"/a", "/b", "/c", "/d", "/e", "/f", "/g", "/h", "/i", "/j"}));
  for (const auto& [path, shown] :
       {std::pair{"/home/user/docs/a/b.tex", "/home/user/docs/a/b.tex"},
        {"/home/user/docs/thesis/chapter1.tex", "/home/.../thesis/chapter1.tex"},
        {"/home/averyveryverylongdirectory/a.tex", "/home/.../a.tex"},
        {"/averyveryverylongrootdirectory/a.tex", "a.tex"},
        {"/home/u/an-extremely-long-file-name-beyond.tex", "an-extremely-long-file-name-beyond.tex"}})
    EXPECT_EQ(RecentFileList::AbbreviatePath(QString::fromUtf8(path), 30), QString::fromUtf8(shown));
}

// The visible titles of a menu bar's popups.
QStringList Titles(CMainFrame& frame) {
  QStringList titles;
  for (QAction* action : frame.menuBar()->actions())
    if (action->isVisible()) titles << action->text();
  return titles;
}

TEST_F(ShellTest, MenusFollowTheDocumentsAndTheObjectsThatHandleTheirItems) {
  ASSERT_TRUE(Start());
  EXPECT_EQ(Titles(Frame()), (QStringList{"ﾌｧｲﾙ(&F)", "編集(&E)", "表示・設定(&V)", "ｳｨﾝﾄﾞｳ(&W)",
                                          "ブックマーク", "タイプセット(&T)"}));
  ASSERT_NE(MenuItem(ID_SETTINGS), nullptr);
  EXPECT_EQ(MenuItem(ID_SETTINGS)->text(), "各種設定");
  EXPECT_EQ(MenuItem(ID_APP_EXIT)->text(), "ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)");
  EXPECT_EQ(MenuItem(ID_WINDOW_CHILD_FIRST)->text(), "&1 TeX1");
  // A shortcut a menu item shows is, where a table has that key, the key of its command.
  for (QAction* action : Frame().findChildren<QAction*>()) {
    const QString shortcut = action->text().section(u'\t', 1);
    const QKeySequence keys(shortcut, QKeySequence::PortableText);
    if (keys.count() != 1) continue;
    const QKeyCombination key = keys[0];
    unsigned modifiers = 0;
    if (key.keyboardModifiers() & Qt::ShiftModifier) modifiers |= kAccelShift;
    if (key.keyboardModifiers() & Qt::ControlModifier) modifiers |= kAccelCtrl;
    if (key.keyboardModifiers() & Qt::AltModifier) modifiers |= kAccelAlt;
    std::optional<int> command = Template().Accelerators().Translate(key.key(), modifiers);
    if (!command) command = Frame().Accelerators().Translate(key.key(), modifiers);
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

  // Every item of both menus prompts in one line; without a document the window commands grey.
  for (int pass = 0; pass < 2; ++pass) {
    QList<QAction*> pending = Frame().menuBar()->actions();
    while (!pending.isEmpty()) {
      QAction* action = pending.takeFirst();
      if (QMenu* popup = action->menu())
        pending += popup->actions();
      else
        EXPECT_TRUE(action->isSeparator() || action->data().toInt() >= ID_WINDOW_CHILD_FIRST ||
                    (!action->statusTip().isEmpty() && !action->statusTip().contains(u'\n')))
            << action->text();
    }
    Frame().RouteCommand(ID_FILE_CLOSE);
    Settle();
  }
  EXPECT_EQ(Frame().MenuId(), IDR_MAINFRAME);
  EXPECT_EQ(Titles(Frame()), (QStringList{"ﾌｧｲﾙ(&F)", "表示(&V)"}));
  EXPECT_FALSE(Frame().QueryCommandState(ID_WINDOW_NEW).enabled);
  EXPECT_TRUE(Frame().RouteCommand(ID_WINDOW_NEW));
  EXPECT_TRUE(Frame().Children().isEmpty());
}

TEST_F(ShellTest, TheStatusBarShowsPromptsLockKeysAndTheIdleText) {
  ASSERT_TRUE(Start());
  Frame().FindAction(ID_FILE_MRU_FIRST)->showStatusText(Frame().menuBar());
  EXPECT_EQ(Frame().MessageText(), "指定のﾌｧｲﾙを開く");
  QStatusTipEvent leave{QString()};
  QCoreApplication::sendEvent(Frame().menuBar(), &leave);
  EXPECT_EQ(Frame().MessageText(), "ﾚﾃﾞｨ");
  Frame().ShowLockIndicators({true, true, false, true});
  EXPECT_EQ(Frame().Indicator(ID_INDICATOR_CAPS)->text() + "|" + Frame().Indicator(ID_INDICATOR_NUM)->text() +
                "|" + Frame().Indicator(ID_INDICATOR_SCRL)->text(),
            "CAP||SCRL");
}

bool IsHalfWidthKatakana(const QString& text) {
  return !text.isEmpty() &&
         std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'\uFF61' && c <= u'\uFF9F'; });
}

// The dialogs' titles and buttons as a user reads them; each control named after its id.
TEST(DialogTextsTest, TitlesButtonsAndControls) {
  ScriptedDialogs dialogs;
  CJumpDlg jump(dialogs);
  CSettingsDlg settings(dialogs);
  CReadExtDlg readExt;
  CNewExtDlg newExt;
  CTypesetDlg typeset(dialogs);
  EXPECT_EQ(jump.windowTitle(), "ﾀﾞｲｱﾛｸﾞ");
  EXPECT_EQ(settings.windowTitle(), "各種設定");
  EXPECT_EQ(typeset.windowTitle(), "タイプセットの設定");
  for (QDialog* dialog : std::initializer_list<QDialog*>{&jump, &settings, &readExt, &newExt, &typeset}) {
    auto* ok = dialog->findChild<QAbstractButton*>("1");
    auto* cancel = dialog->findChild<QAbstractButton*>("2");
    ASSERT_TRUE(ok && cancel) << dialog->windowTitle();
    EXPECT_EQ(ok->text(), "OK");
    EXPECT_TRUE(IsHalfWidthKatakana(cancel->text())) << cancel->text();
  }
  for (const auto& [id, dialog] : {std::pair<int, QDialog*>{IDD_JUMP, &jump},
                                   {IDD_SETTINGS, &settings},
                                   {IDD_READ_EXT, &readExt},
                                   {IDD_NEW_EXT, &newExt},
                                   {IDD_TYPESET, &typeset}})
    for (const DialogItem& item : DialogTemplate(id).items)
      EXPECT_TRUE(item.id <= 0 || dialog->findChild<QWidget*>(QString::number(item.id)))
          << id << " " << item.id;
}

// Files handed over from the desktop: the channel between instances and the desktop entry.
class OpenRequestTest : public ShellFixture {
 protected:
  QString Channel() const { return profileDir.filePath(QStringLiteral("open.sock")); }
  // Runs blocking client work on another thread while this one serves.
  template <class Work>
  static auto Serving(Work work) {
    auto result = std::async(std::launch::async, std::move(work));
    QElapsedTimer box;
    box.start();
    while (result.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready &&
           box.elapsed() < 20000)
      QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    return result.get();
  }
  HandOffResult Send(const QString& path) {
    return Serving([channel = Channel(), path] { return SendOpenRequest(channel, path, 5000); });
  }
  // Raw bytes to the channel; the answer.
  QByteArray Exchange(const QByteArray& path, const QByteArray& tail = {}) {
    char length[4];
    qToBigEndian<quint32>(static_cast<quint32>(path.size()), length);
    const QByteArray message = "MIREV-OPEN\n" + QByteArray(length, 4) + path + tail;
    return Serving([channel = Channel(), message] {
      QLocalSocket socket;
      socket.connectToServer(channel);
      if (!socket.waitForConnected(5000)) return QByteArray("no connection");
      socket.write(message);
      socket.waitForBytesWritten(5000);
      QByteArray reply;
      while (socket.waitForReadyRead(5000)) reply += socket.readAll();
      return reply;
    });
  }
};

TEST_F(OpenRequestTest, MalformedRequestsAreRefusedAndAStaleSocketIsTakenOver) {
  {  // a socket file nobody listens on, as a killed instance leaves it
    const QByteArray name = QFile::encodeName(Channel());
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(static_cast<std::size_t>(name.size()), sizeof(address.sun_path));
    std::memcpy(address.sun_path, name.constData(), static_cast<std::size_t>(name.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ::close(fd);
  }
  EXPECT_EQ(Send("/a.tex"), HandOffResult::NoInstance);
  OpenRequestServer server(Channel());
  ASSERT_TRUE(server.Listen());
  QStringList requested;
  QObject::connect(&server, &OpenRequestServer::openRequested,
                   [&](const QString& path) { requested << path; });
  EXPECT_EQ(Exchange("relative/a.tex"), "NO\n");
  EXPECT_EQ(Exchange("/a.tex", "trailing"), "NO\n");
  EXPECT_EQ(Exchange(QByteArray(70000, '/')), "NO\n");
  EXPECT_EQ(Send("/tmp/ü ber/a.tex"), HandOffResult::Delivered);
  QCoreApplication::processEvents();
  EXPECT_EQ(requested, QStringList{"/tmp/ü ber/a.tex"});
  EXPECT_FALSE(OpenRequestServer(Channel()).Listen());  // a live one is not taken over
}

// The desktop entry runs the program, however odd its path, with the file to hand over.
TEST_F(OpenRequestTest, TheDesktopEntryQuotesTheProgram) {
  const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
  qputenv("XDG_DATA_HOME", profileDir.filePath("data").toUtf8());
  EXPECT_EQ(DesktopEntryPath(), profileDir.filePath("data/applications/mirev.desktop"));
  ASSERT_TRUE(EnsureDesktopEntry("/opt/my apps/100%/mi\"rev"));
  const QString text = QString::fromUtf8(ReadAll(DesktopEntryPath()));
  qputenv("XDG_DATA_HOME", dataHome);
  EXPECT_TRUE(text.startsWith("[Desktop Entry]\n") && text.contains("\nMimeType=text/x-tex;\n")) << text;
  EXPECT_TRUE(text.contains("\nExec=\"/opt/my apps/100%%/mi\\\\\"rev\" --open %f\n")) << text;
}

}  // namespace

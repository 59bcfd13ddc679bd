// The shell around the documents: the open gate (command line, drops, recent files), windows and
// titles, the close question, Save and Save As, names that are not UTF-8, the keys and their
// tables, typed and pasted text, and the find and replace dialog.
#include <QClipboard>
#include <QDialogButtonBox>
#include <QDir>
#include <QDropEvent>
#include <QFileDialog>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <random>

#include "ShellFixture.h"
#include "app/FileCommands.h"
#include "app/FilePath.h"
#include "app/FindReplaceDialog.h"
#include "app/RecentFileList.h"
#include "base/CommandIds.h"
#include "doc/CVeloDoc.h"
#include "platform/ViewWidget.h"
#include "res/Resources.h"
#include "view/CVeloView.h"

namespace {

using Answer = DialogService::Answer;

QString Res(int id) { return QString::fromUtf8(ResourceString(id)); }

class ShellTest : public ShellFixture {
 protected:
  // The texts of the boxes shown since the last call.
  QStringList Told() {
    QStringList texts;
    for (const auto& box : dialogs.boxes) texts << box.text;
    dialogs.boxes.clear();
    return texts;
  }
  // Types text into the first line, which marks the document modified.
  static void Type(ShellDocument& doc, std::string_view text) {
    doc.Doc().InsertText(TextPos{doc.Doc().FirstLine(), 0, 0, 0}, text);
  }
  QByteArray Text() { return QByteArray::fromStdString(ActiveDocument().Doc().ToFileImage()); }
  CVeloView& View() { return Frame().ActiveChild()->View()->View(); }
  // A key of a Japanese layout that types text and has no key code of its own.
  void Type(const QString& text) { PressKey(Qt::Key_unknown, Qt::NoModifier, nullptr, text); }
};

TEST_F(ShellTest, EveryWayInGoesThroughTheGateAndTheRecentFilesFollow) {
  const QString kError = Res(IDS_FILE_ERROR);
  const QString huge = WriteFile("huge.tex", "x");  // past 32-bit positions; sparse, no disk
  ASSERT_TRUE(QFile(huge).resize((qint64{1} << 31) + 1));
  const QString a = WriteFile("a.tex", "a\r\n"), b = WriteFile("b.tex", "b\r\n");
  ASSERT_TRUE(QFile::link(a, filesDir.filePath("link.tex")));
  EXPECT_FALSE(Start({filesDir.filePath("missing.tex")}));  // ends the start
  EXPECT_TRUE(Template().Documents().isEmpty());
  Finish();
  ASSERT_TRUE(Start({"--", WriteFile("-dash.tex", "x\n")}));
  for (const QString& bad : {filesDir.filePath("missing.tex"), filesDir.path(), huge})
    EXPECT_EQ(app->OpenDocumentFile(bad), nullptr) << bad;
  EXPECT_EQ(Told(), QStringList({kError, kError, kError, "ﾄﾞｷｭﾒﾝﾄを開くことに失敗しました。"}));

  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(a), QUrl("https://example.org/x.tex"), QUrl::fromLocalFile(b)});
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&Frame(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&Frame(), &drop);
  ShellDocument& docB = ActiveDocument();
  ASSERT_NE(app->OpenDocumentFile(filesDir.filePath("link.tex")), nullptr);  // a.tex, activated
  EXPECT_EQ(Frame().windowTitle(), "Mirev - [a.tex]");
  EXPECT_EQ(ChildTitles(), (QStringList{"-dash.tex", "a.tex", "b.tex"}));
  EXPECT_EQ(app->RecentFiles().Paths(), (QStringList{b, a, filesDir.filePath("-dash.tex")}));
  EXPECT_TRUE(Told().isEmpty());

  // A recent file that is gone shows the box and leaves the list, which is written at exit.
  Frame().ActivateChild(Frame().Children()[2]);
  ASSERT_EQ(&ActiveDocument(), &docB);
  Frame().RouteCommand(ID_FILE_CLOSE);
  Settle();
  ASSERT_TRUE(QFile::remove(b));
  MenuItem(ID_FILE_MRU_FIRST)->trigger();
  EXPECT_EQ(Told(), QStringList{kError});
  Finish();
  EXPECT_EQ(ProfileValues(),
            (QMap<QString, QString>{{"Recent File List/File1", a},
                                    {"Recent File List/File2", filesDir.filePath("-dash.tex")}}));
}

TEST_F(ShellTest, WindowsOnOneDocumentAndTheQuestionBeforeTheLastCloses) {
  ASSERT_TRUE(Start({WriteFile("kept.tex", "old\n")}));
  Frame().RouteCommand(ID_WINDOW_NEW);
  EXPECT_EQ(Frame().windowTitle(), "Mirev - [kept.tex:2]");
  Frame().RouteCommand(ID_WINDOW_NEW);
  Frame().Children()[1]->close();
  Settle();
  EXPECT_EQ(ChildTitles(), (QStringList{"kept.tex:1", "kept.tex:2"}));
  ActiveDocument().Doc().SetModifiedFlag();
  Frame().ActiveChild()->close();  // one of two windows closes without a question
  Settle();
  EXPECT_TRUE(dialogs.boxes.empty());
  EXPECT_EQ(Frame().ActiveChild()->windowTitle(), "kept.tex");

  Frame().RouteCommand(ID_FILE_NEW);
  Frame().ActivateChild(Frame().Children()[0]);
  dialogs.answers = {Answer::Cancel, Answer::Cancel, Answer::No};
  Frame().RouteCommand(ID_FILE_CLOSE);
  Settle();
  EXPECT_FALSE(Frame().close());  // quitting asks too
  EXPECT_EQ(ChildTitles(), (QStringList{"kept.tex", "TeX1"}));
  Frame().RouteCommand(ID_FILE_CLOSE);
  Frame().RouteCommand(ID_FILE_CLOSE);  // the new one, unmodified: no question
  Settle();
  EXPECT_EQ(dialogs.boxes.size(), 3u);
  EXPECT_TRUE(Template().Documents().isEmpty());
  // Without a document its commands grey and do nothing.
  for (const int id : {ID_WINDOW_NEW, ID_SETTINGS, ID_JUMP_TO_LINE, ID_FILE_SAVE})
    EXPECT_FALSE(Frame().QueryCommandState(id).enabled) << id;
  EXPECT_TRUE(Frame().RouteCommand(ID_WINDOW_NEW));
  EXPECT_TRUE(Frame().Children().isEmpty());
}

TEST(RecentFileListTest, NewestFirstWithoutDuplicatesUpToTenShortenedForTheMenu) {
  RecentFileList list;
  for (int i = 0; i < 12; ++i) list.Add(QStringLiteral("/w/r&d/f%1.tex").arg(i));
  list.Add("/w/r&d/f5.tex");
  EXPECT_EQ(list.Paths().mid(0, 2), (QStringList{"/w/r&d/f5.tex", "/w/r&d/f11.tex"}));
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

TEST(OpenFilterTest, TheListBecomesCaseBlindGlobsThatQtCanHold) {
  const QList<FileFilter> filters = OpenDialogFilters(" *.txt ;;*.TeX;*.a b;*.(x);*.日本");
  EXPECT_EQ(filters,
            QList<FileFilter>(
                {{"plain txt", {"*.[tT][xX][tT]", "*.[tT][eE][xX]", "*.[aA]?[bB]", "*.?[xX]?", "*.??"}},
                 {"all files (*.*)", {"*"}}}));
}

TEST_F(ShellTest, SaveAndTheCloseQuestionWriteOnlyWhatTheUserChose) {
  ASSERT_TRUE(Start());
  ShellDocument& doc = ActiveDocument();
  const QString a = filesDir.filePath("a.tex"), gone = filesDir.filePath("gone/a.tex");
  auto close = [&](std::initializer_list<Answer> answers,
                   std::initializer_list<std::optional<QString>> names) {
    dialogs.answers.assign(answers.begin(), answers.end());
    dialogs.saveAnswers = names;
    return SaveModified(doc);
  };
  EXPECT_TRUE(OnFileSave(doc));  // unmodified: nothing asked, nothing written
  EXPECT_TRUE(close({}, {}));
  Type(doc, "new");
  app->GetSettings().defaultExt = "tex";
  dialogs.saveAnswers = {std::nullopt};
  EXPECT_FALSE(OnFileSave(doc));  // untitled: Save As, cancelled
  ASSERT_EQ(dialogs.saveRequests.size(), 1u);
  EXPECT_EQ(dialogs.saveRequests[0].initialName + "|" + dialogs.saveRequests[0].defaultSuffix, ".tex|tex");
  EXPECT_TRUE(dialogs.saveRequests[0].confirmOverwrite);

  EXPECT_FALSE(close({Answer::Cancel}, {}));
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].caption + "|" + dialogs.boxes[0].text, "Mirev|TeX1 への変更を保存しますか?");
  dialogs.boxes.clear();
  EXPECT_FALSE(close({Answer::Yes}, {std::nullopt}));  // untitled: a TeX name is asked for
  EXPECT_EQ(dialogs.saveRequests.back().initialName, "TeX1.tex");
  EXPECT_EQ(dialogs.saveRequests.back().filters[0].patterns, QStringList{"*.[tT][eE][xX]"});
  EXPECT_FALSE(close({Answer::Yes}, {gone}));
  EXPECT_EQ(Told().back(), Res(IDS_FILE_NOT_FOUND).replace("%1", gone));
  EXPECT_FALSE(close({Answer::Yes}, {filesDir.path() + "/.."}));
  EXPECT_EQ(Told().back(), Res(IDS_INVALID_FILENAME));
  EXPECT_TRUE(doc.IsModified());
  EXPECT_TRUE(QDir(filesDir.path()).isEmpty(QDir::Files | QDir::Hidden));
  EXPECT_TRUE(close({Answer::Yes}, {a}));
  EXPECT_EQ(doc.Title(), "a.tex");
  Type(doc, "x");
  EXPECT_TRUE(close({Answer::No}, {}));  // discards
  EXPECT_EQ(ReadAll(a), "new\r\n");
  EXPECT_TRUE(close({Answer::Yes}, {}));  // titled: written in place
  EXPECT_EQ(ReadAll(a), "xnew\r\n");
  EXPECT_FALSE(doc.IsModified());
  Type(doc, "y");
  EXPECT_TRUE(OnFileSave(doc));
  EXPECT_EQ(ReadAll(a), "yxnew\r\n");
  // A file whose folder went is asked for anew, by its old name.
  doc.SetPathName(gone, false);
  Type(doc, "z");
  EXPECT_FALSE(close({Answer::Yes}, {std::nullopt}));
  EXPECT_EQ(dialogs.saveRequests.back().initialName, gone);
  for (const auto& [title, proposed] : {std::pair{"my doc", "my.tex"}, {"a;b", "a.tex"}, {"", ".tex"}}) {
    doc.SetPathName(QString(), false);
    doc.SetTitle(QString::fromUtf8(title));
    EXPECT_EQ(ProposedSaveName(doc), QString::fromUtf8(proposed)) << title;
  }
}

// Qt's own file dialog, in Japanese whatever the system's language, gives a typed name the
// standard extension.
TEST_F(ShellTest, TheRealFileDialogSpeaksJapaneseAndAddsTheExtension) {
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  QtDialogService service;
  ASSERT_TRUE(Start({}, &service));
  ShellDocument& doc = ActiveDocument();
  app->GetSettings().defaultExt = "tex";
  Type(doc, "abc");
  QString proposed;
  OnNextModal([&](QDialog* dialog) {
    EXPECT_EQ(Control<QLabel>(dialog, "fileNameLabel")->text(), QStringLiteral("ファイル名(&N):"));
    auto* name = Control<QLineEdit>(dialog, "fileNameEdit");
    proposed = name->text();
    qobject_cast<QFileDialog*>(dialog)->setDirectory(filesDir.path());
    name->setText(QStringLiteral("chapter"));
    dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Save)->click();
    RejectAllModals();  // only if the click left it open
  });
  EXPECT_TRUE(OnFileSaveAs(doc));
  EXPECT_EQ(proposed + "|" + doc.Title(), ".tex|chapter.tex");
  EXPECT_EQ(ReadAll(filesDir.filePath("chapter.tex")), "abc\r\n");
  EXPECT_EQ(app->RecentFiles().Paths(), QStringList({filesDir.filePath("chapter.tex")}));
  Finish();  // before the service goes
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

using Routed = QList<std::pair<int, bool>>;
constexpr Qt::KeyboardModifiers kNo = Qt::NoModifier, kShift = Qt::ShiftModifier, kCtrl = Qt::ControlModifier;

TEST_F(ShellTest, KeysReachTheDocumentsTableFirstThenTheFramesThenTheWindowSystems) {
  ASSERT_TRUE(Start({WriteFile("keys.tex", "abc\r\n")}));
  Routed routed;
  Frame().SetCommandObserver([&](int id, bool handled) { routed.push_back({id, handled}); });
  auto routes = [&](int key, Qt::KeyboardModifiers modifiers, QWidget* target = nullptr) {
    routed.clear();
    PressKey(key, modifiers, target);
    return routed;
  };
  // While the input method composes, keys are its own.
  ViewWidget* view = Frame().ActiveChild()->View();
  for (const int key : {Qt::Key_Return, Qt::Key_Backspace, Qt::Key_End}) {
    QInputMethodEvent compose(QStringLiteral("ka"), {});
    QCoreApplication::sendEvent(view, &compose);
    EXPECT_EQ(routes(key, kNo, view), Routed{}) << key;
  }
  EXPECT_EQ(Text(), "abc\r\n");
  QInputMethodEvent commit;
  QCoreApplication::sendEvent(view, &commit);
  // A few by the commands' plain numbers; keypad keys count as the keys they stand for.
  EXPECT_EQ(routes(Qt::Key_Home, kCtrl | kShift), (Routed{{32811, true}}));
  EXPECT_EQ(routes(Qt::Key_Insert, kShift), (Routed{{57637, true}}));
  EXPECT_EQ(routes(Qt::Key_Backspace, Qt::AltModifier), (Routed{{57643, true}}));
  EXPECT_EQ(routes(Qt::Key_Left, kShift | Qt::KeypadModifier), (Routed{{ID_CHAR_LEFT_EXTEND, true}}));
  EXPECT_EQ(routes(Qt::Key_S, kCtrl | kShift), Routed{});

  // A dialog of the main window keeps its keys; a table key claims the shortcut check.
  QDialog dialog(&Frame());
  EXPECT_EQ(routes(Qt::Key_N, kCtrl, new QLineEdit(&dialog)), Routed{});
  QKeyEvent tableKey(QEvent::ShortcutOverride, Qt::Key_S, kCtrl);
  tableKey.ignore();
  QCoreApplication::sendEvent(KeyTarget(), &tableKey);
  EXPECT_TRUE(tableKey.isAccepted());
  // A document table entry wins over the frame's while a document window is active.
  Template().Accelerators().Add({Qt::Key_N, kAccelCtrl, 40001});
  EXPECT_EQ(routes(Qt::Key_N, kCtrl), (Routed{{40001, false}}));
  Frame().RouteCommand(ID_FILE_NEW);
  const QString second = Frame().ActiveChild()->windowTitle();
  PressKey(Qt::Key_F6, kCtrl);  // the window system's: next window, then close it
  EXPECT_NE(Frame().ActiveChild()->windowTitle(), second);
  ActiveDocument().Doc().SetModifiedFlag(false);
  PressKey(Qt::Key_F4, kCtrl);
  Settle();
  EXPECT_EQ(ChildTitles(), QStringList{second});
  Frame().ActiveChild()->close();
  Settle();
  EXPECT_EQ(routes(Qt::Key_N, kCtrl), (Routed{{ID_FILE_NEW, true}}));
}

TEST_F(ShellTest, TypedAndPastedTextIsCodePage932AndCopiesKeepEveryByte) {
  // 0x80 decodes to nothing; ED 40 is a duplicate whose character encodes as FA 5C; 表 ends in a
  // backslash; a lone CR is a byte of its line; NUL is a byte like any other.
  const QByteArray lines("a\x80z\xED\x40\x95\x5C\tc\rd\r\n\x82\xA0\0x", 17);
  ASSERT_TRUE(Start({WriteFile("edit.tex", lines + "\r\n")}));
  PressKey(Qt::Key_A, kCtrl);
  PressKey(Qt::Key_C, kCtrl);
  QClipboard& clipboard = *QGuiApplication::clipboard();
  ASSERT_NE(clipboard.mimeData(), nullptr);
  EXPECT_EQ(clipboard.mimeData()->data(ViewWidget::kCp932MimeType), lines);
  // Other programs get Unicode with their line ends and a mark for what has no character.
  EXPECT_EQ(clipboard.text(), QString::fromUtf16(u"a\uFFFDz\u7E8A表\tc\rd\nあ\0x", 13));
  PressKey(Qt::Key_End, kCtrl);
  PressKey(Qt::Key_V, kCtrl);
  EXPECT_EQ(Text(), lines + lines + "\r\n");

  // From other programs: LF separates lines, a lone CR stays a byte, a NUL ends the text.
  PressKey(Qt::Key_A, kCtrl);
  clipboard.setText(QString::fromUtf16(u"a\nb\r\n表\rd\0e", 10));
  PressKey(Qt::Key_V, kCtrl);
  EXPECT_EQ(Text(), "a\r\nb\r\n\x95\x5C\rd\r\n");
  PressKey(Qt::Key_Home, kCtrl | kShift);
  clipboard.setText(QStringLiteral("x😀y"));  // refused whole, the selection stays
  PressKey(Qt::Key_V, kCtrl);
  EXPECT_TRUE(View().IsSelecting());
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_TRUE(dialogs.boxes[0].text.contains(QStringLiteral("U+1F600 😀"))) << dialogs.boxes[0].text;
  clipboard.clear();
  PressKey(Qt::Key_Insert, kShift);  // nothing to paste: the selection goes
  EXPECT_EQ(Text(), "\r\n");

  // Keys type as the user sees them; Backspace and the chords no table has type nothing.
  const std::tuple<int, Qt::KeyboardModifiers, const char*> keys[] = {
      {Qt::Key_X, kShift, "X"},
      {Qt::Key_Return, kNo, "\r"},
      {Qt::Key_I, kCtrl, "\t"},
      {Qt::Key_Y, kNo, "y"},
      {Qt::Key_Enter, Qt::KeypadModifier, "\r"},
      {Qt::Key_M, kCtrl, "\r"},
      {Qt::Key_Backspace, kNo, "\b"},
      {Qt::Key_Q, kCtrl, "\x11"},
      {Qt::Key_Z, Qt::AltModifier, "z"},
      {Qt::Key_Escape, kNo, "\x1b"}};
  for (const auto& [key, modifiers, text] : keys)
    PressKey(key, modifiers, nullptr, QString::fromLatin1(text));
  const std::size_t steps = View().UndoList().size();
  for (const char16_t* text : {u"あ", u"ｱ", u"¥", u"😀"}) Type(QString::fromUtf16(text));
  EXPECT_EQ(Text(), "X\r\n\ty\r\n\x82\xA0\xB1\\\r\n");
  EXPECT_EQ(View().UndoList().size(), steps + 3);
  EXPECT_TRUE(Frame().MessageText().contains(QStringLiteral("U+1F600 😀"))) << Frame().MessageText();
  PressKey(Qt::Key_Z, kCtrl);  // undone as typed keys are
  PressKey(Qt::Key_Z, kCtrl);
  PressKey(Qt::Key_Z, kCtrl);
  EXPECT_EQ(Text(), "X\r\n\ty\r\n\r\n");
}

// Where the view's selection runs: "line:anchor-caret" in bytes, the anchor "-" without one.
std::string Sel(const CVeloView& v) {
  return std::to_string(v.Caret().line) + ":" +
         (v.IsSelecting() ? std::to_string(v.SelAnchor().byteIndex) : "-") + "-" +
         std::to_string(v.Caret().byteIndex);
}

class FindReplaceTest : public ShellTest {
 protected:
  FindReplaceDialog* TheDialog() {
    Settle();
    const QList<FindReplaceDialog*> open = Frame().findChildren<FindReplaceDialog*>();
    EXPECT_EQ(open.size(), 1);
    return open.value(0);
  }
  static QLineEdit* Field(QWidget* dialog, int id) {
    return dialog->findChild<QLineEdit*>(QString::number(id));
  }
  static void Click(QWidget* dialog, int id) {
    dialog->findChild<QAbstractButton*>(QString::number(id))->click();
  }
  void Set(QWidget* dialog, const char* find, const char* replace = nullptr) {
    Field(dialog, IDC_FIND_WHAT)->setText(QString::fromUtf8(find));
    if (replace) Field(dialog, IDC_REPLACE_WITH)->setText(QString::fromUtf8(replace));
  }
  // Types into the find field and presses Return there.
  void FindFromField(FindReplaceDialog* dialog, const char* text) {
    Set(dialog, text);
    PressKey(Qt::Key_Return, kNo, Field(dialog, IDC_FIND_WHAT));
  }
};

TEST_F(FindReplaceTest, OneDialogAViewSearchingEitherWayWithF3GoingOnForward) {
  ASSERT_TRUE(Start({WriteFile("find.tex", "ab\r\nab ab\r\nx\r\n")}));
  PressKey(Qt::Key_F3);  // no search text yet: nothing
  PressKey(Qt::Key_F, kCtrl);
  FindReplaceDialog* dialog = TheDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(dialog->isModal());
  EXPECT_EQ(dialog->pos(), Frame().screen()->geometry().topLeft());
  EXPECT_EQ(QApplication::focusWidget(), Field(dialog, IDC_FIND_WHAT));
  EXPECT_FALSE(dialog->findChild<QPushButton*>(QString::number(IDC_OK))->isEnabled());  // nothing to find
  PressKey(Qt::Key_F, kCtrl);
  Frame().RouteCommand(ID_EDIT_REPLACE);  // a dialog of this view is open: nothing
  EXPECT_EQ(TheDialog(), dialog);
  EXPECT_FALSE(dialog->IsReplaceForm());

  FindFromField(dialog, "ab");
  EXPECT_EQ(Sel(View()), "0:0-2");
  Frame().RouteCommand(ID_DOC_END);
  Click(dialog, IDC_UP);
  FindFromField(dialog, "ab");
  EXPECT_EQ(Sel(View()), "1:0-2");
  PressKey(Qt::Key_F3);  // forward, whichever way the dialog searched
  EXPECT_EQ(Sel(View()), "1:3-5");

  // A second window has a dialog of its own, and each goes with its view; the next one opens
  // with the view's last text selected.
  CChildFrame* first = Frame().ActiveChild();
  Frame().RouteCommand(ID_WINDOW_NEW);
  Frame().RouteCommand(ID_EDIT_FIND);
  Settle();
  EXPECT_EQ(Frame().findChildren<FindReplaceDialog*>().size(), 2);
  first->CloseWithoutAsking();
  dialog = TheDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(Field(dialog, IDC_FIND_WHAT)->text().isEmpty());
  FindFromField(dialog, "b");
  PressKey(Qt::Key_Escape, kNo, Field(dialog, IDC_FIND_WHAT));
  Settle();
  EXPECT_TRUE(Frame().findChildren<FindReplaceDialog*>().isEmpty());
  PressKey(Qt::Key_F, kCtrl);
  ASSERT_NE(TheDialog(), nullptr);
  EXPECT_EQ(Field(TheDialog(), IDC_FIND_WHAT)->selectedText(), "b");
}

TEST_F(FindReplaceTest, ReplaceFindsOnReplaceAllKeepsTheSearchTextAndForeignTextIsRefused) {
  ASSERT_TRUE(Start({WriteFile("find.tex", "a-b-c\r\n-d\r\n")}));
  PressKey(Qt::Key_H, kCtrl);
  FindReplaceDialog* dialog = TheDialog();
  ASSERT_TRUE(dialog && dialog->IsReplaceForm());
  Set(dialog, "-", "+");
  Click(dialog, IDC_REPLACE);  // nothing selected: nothing replaced, the next one found
  EXPECT_EQ(Sel(View()), "0:1-2");
  Click(dialog, IDC_REPLACE);
  EXPECT_EQ(Sel(View()), "0:3-4");
  Set(dialog, "b", "表");
  Frame().RouteCommand(ID_DOC_START);
  Click(dialog, IDC_REPLACE_ALL);
  EXPECT_EQ(Text(), "a+\x95\x5C-c\r\n-d\r\n");
  Frame().RouteCommand(ID_DOC_START);
  Frame().RouteCommand(ID_FIND_NEXT);  // still the "-" of the last Replace
  EXPECT_EQ(Sel(View()), "0:4-5");
  // U+1F600 to find, the euro to put in: refused, each with a box, nothing changed.
  const std::size_t steps = View().UndoList().size();
  for (const auto& [find, replace] : {std::pair{"a\xF0\x9F\x98\x80", "+"}, {"a", "\xE2\x82\xAC"}}) {
    Set(dialog, find, replace);
    Click(dialog, IDC_REPLACE_ALL);
  }
  ASSERT_EQ(dialogs.boxes.size(), 2u);
  EXPECT_TRUE(dialogs.boxes[0].owned);
  EXPECT_TRUE(dialogs.boxes[0].text.contains("U+1F600") && dialogs.boxes[1].text.contains("U+20AC"));
  EXPECT_EQ(View().UndoList().size(), steps);
}

}  // namespace

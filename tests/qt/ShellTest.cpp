// The shell around the documents: the open gate, windows and titles, the close question, Save and
// Save As, names that are not UTF-8, the key tables, typed and pasted text, the find dialog.
#include <QClipboard>
#include <QDialogButtonBox>
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
using Routed = QList<std::pair<int, bool>>;
constexpr Qt::KeyboardModifiers kNo = Qt::NoModifier, kShift = Qt::ShiftModifier, kCtrl = Qt::ControlModifier;

class ShellTest : public ShellFixture {
 protected:
  // The texts of the boxes shown since the last call.
  QStringList Told() {
    QStringList texts;
    for (const auto& box : dialogs.boxes) texts << box.text;
    dialogs.boxes.clear();
    return texts;
  }
  QByteArray Text() { return QByteArray::fromStdString(ActiveDocument().Doc().ToFileImage()); }
  CVeloView& View() { return Frame().ActiveChild()->View()->View(); }
  // Where the selection runs: "line:anchor-caret" in bytes.
  std::string Sel() {
    const CVeloView& v = View();
    return std::to_string(v.Caret().line) + ":" +
           std::to_string(v.IsSelecting() ? v.SelAnchor().byteIndex : -1) + "-" +
           std::to_string(v.Caret().byteIndex);
  }
  // Types text into the first line, which marks the document modified.
  void Type(std::string_view text) {
    ActiveDocument().Doc().InsertText(TextPos{ActiveDocument().Doc().FirstLine(), 0, 0, 0}, text);
  }
};

TEST_F(ShellTest, EveryWayInGoesThroughTheGateAndTheRecentFilesFollow) {
  const QString kError = QString::fromUtf8(ResourceString(IDS_FILE_ERROR));
  const QString huge = WriteFile("huge.tex", "x");  // past 32-bit positions; sparse, no disk
  ASSERT_TRUE(QFile(huge).resize((qint64{1} << 31) + 1));
  const QString a = WriteFile("a.tex", "a\r\n"), b = WriteFile("b.tex", "b\r\n"),
                dash = WriteFile("-d.tex", "");
  ASSERT_TRUE(QFile::link(a, filesDir.filePath("link.tex")));
  EXPECT_FALSE(Start({filesDir.filePath("missing.tex")}));  // ends the start
  Finish();
  ASSERT_TRUE(Start({"--", dash}));
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
  ASSERT_NE(app->OpenDocumentFile(filesDir.filePath("link.tex")), nullptr);  // a.tex, activated
  EXPECT_EQ(Frame().windowTitle(), "Mirev - [a.tex]");
  EXPECT_EQ(ChildTitles(), (QStringList{"-d.tex", "a.tex", "b.tex"}));
  EXPECT_EQ(app->RecentFiles().Paths(), (QStringList{b, a, dash}));

  // A recent file that is gone shows the box and leaves the list, which is written at exit.
  Frame().ActivateChild(Frame().Children()[2]);
  Frame().RouteCommand(ID_FILE_CLOSE);
  Settle();
  ASSERT_TRUE(QFile::remove(b));
  MenuItem(ID_FILE_MRU_FIRST)->trigger();
  EXPECT_EQ(Told(), QStringList{kError});
  Finish();
  EXPECT_EQ(ProfileValues(),
            (QMap<QString, QString>{{"Recent File List/File1", a}, {"Recent File List/File2", dash}}));
}

TEST_F(ShellTest, WindowsOnOneDocumentAndTheQuestionBeforeTheLastCloses) {
  ASSERT_TRUE(Start({WriteFile("kept.tex", "old\n")}));
  Frame().RouteCommand(ID_WINDOW_NEW);
  Frame().RouteCommand(ID_WINDOW_NEW);
  EXPECT_EQ(Frame().windowTitle(), "Mirev - [kept.tex:3]");
  Frame().Children()[1]->close();
  Settle();
  EXPECT_EQ(ChildTitles(), (QStringList{"kept.tex:1", "kept.tex:2"}));
  ActiveDocument().Doc().SetModifiedFlag();
  Frame().ActiveChild()->close();  // one of two windows closes without a question
  Settle();
  EXPECT_EQ(ChildTitles(), QStringList{"kept.tex"});
  dialogs.answers = {Answer::Cancel, Answer::No};
  EXPECT_FALSE(Frame().close());  // quitting asks
  Frame().RouteCommand(ID_FILE_CLOSE);
  Settle();
  EXPECT_EQ(dialogs.boxes.size(), 2u);
  EXPECT_TRUE(Template().Documents().isEmpty());
  for (const int id : {ID_WINDOW_NEW, ID_SETTINGS, ID_JUMP_TO_LINE, ID_FILE_SAVE})
    EXPECT_FALSE(Frame().QueryCommandState(id).enabled) << id;  // without a document: greyed
}

TEST(RecentFileListTest, NewestFirstWithoutDuplicatesUpToTenShortenedForTheMenu) {
  RecentFileList list;
  for (int i = 0; i < 12; ++i) list.Add(QStringLiteral("/w/r&d/f%1.tex").arg(i));
  list.Add("/w/r&d/f5.tex");
  EXPECT_EQ(list.Paths().mid(0, 2), (QStringList{"/w/r&d/f5.tex", "/w/r&d/f11.tex"}));
  EXPECT_EQ(list.MenuText(9, "/elsewhere"), "1&0 /w/r&&d/f2.tex");
  EXPECT_EQ(list.MenuText(1, "/w/r&d"), "&2 f11.tex");  // in the current folder: by its name
  list.SetPaths({"", "/a", "/b", "/a", "/c", "/d", "/e", "/f", "/g", "/h", "/i", "/j", "/k"});
  EXPECT_EQ(list.Paths(), (QStringList{"/a", "/b", "/c", "/d", "/e", "/f", "/g", "/h", "/i", "/j"}));
  for (const auto& [path, shown] :
       {std::pair{"/home/user/docs/thesis/chapter1.tex", "/home/.../thesis/chapter1.tex"},
        {"/averyveryverylongrootdirectory/a.tex", "a.tex"}})
    EXPECT_EQ(RecentFileList::AbbreviatePath(path, 30), shown);
}

TEST(OpenFilterTest, TheListBecomesCaseBlindGlobsThatQtCanHold) {
  EXPECT_EQ(OpenDialogFilters(" *.txt ;;*.TeX;*.a b;*.(x);*.日本"),
            QList<FileFilter>(
                {{"plain txt", {"*.[tT][xX][tT]", "*.[tT][eE][xX]", "*.[aA]?[bB]", "*.?[xX]?", "*.??"}},
                 {"all files (*.*)", {"*"}}}));
}

TEST_F(ShellTest, SaveAndTheCloseQuestionWriteOnlyWhatTheUserChose) {
  ASSERT_TRUE(Start());
  ShellDocument& doc = ActiveDocument();
  const QString a = filesDir.filePath("a.tex"), gone = filesDir.filePath("gone/a.tex");
  auto close = [&](Answer answer, std::initializer_list<std::optional<QString>> names) {
    dialogs.answers = {answer};
    dialogs.saveAnswers = names;
    return SaveModified(doc);
  };
  EXPECT_TRUE(OnFileSave(doc));  // unmodified: nothing asked, nothing written
  EXPECT_TRUE(SaveModified(doc));
  Type("new");
  dialogs.saveAnswers = {std::nullopt};
  EXPECT_FALSE(OnFileSave(doc));  // untitled: Save As, cancelled
  EXPECT_FALSE(close(Answer::Cancel, {}));
  EXPECT_EQ(dialogs.boxes.back().caption + "|" + dialogs.boxes.back().text,
            "Mirev|TeX1 への変更を保存しますか?");
  EXPECT_FALSE(close(Answer::Yes, {std::nullopt}));  // untitled: a TeX name is asked for
  EXPECT_EQ(dialogs.saveRequests.back().initialName, "TeX1.tex");
  EXPECT_EQ(dialogs.saveRequests.back().filters[0].patterns, QStringList{"*.[tT][eE][xX]"});
  Told();
  EXPECT_FALSE(close(Answer::Yes, {gone}));
  EXPECT_EQ(Told().back(), QString::fromUtf8(ResourceString(IDS_FILE_NOT_FOUND)).replace("%1", gone));
  EXPECT_FALSE(close(Answer::Yes, {filesDir.path() + "/.."}));
  EXPECT_EQ(Told().back(), QString::fromUtf8(ResourceString(IDS_INVALID_FILENAME)));
  EXPECT_TRUE(doc.IsModified());
  EXPECT_TRUE(close(Answer::Yes, {a}));
  EXPECT_EQ(doc.Title(), "a.tex");
  Type("x");
  EXPECT_TRUE(close(Answer::No, {}));  // discards
  EXPECT_EQ(ReadAll(a), "new\r\n");
  EXPECT_TRUE(close(Answer::Yes, {}));  // titled: written in place
  Type("y");
  EXPECT_TRUE(OnFileSave(doc));
  EXPECT_EQ(ReadAll(a), "yxnew\r\n");
  EXPECT_FALSE(doc.IsModified());
  // A file whose folder went is asked for anew, by its old name.
  doc.SetPathName(gone, false);
  Type("z");
  EXPECT_FALSE(close(Answer::Yes, {std::nullopt}));
  EXPECT_EQ(dialogs.saveRequests.back().initialName, gone);
  doc.SetPathName(QString(), false);
  doc.SetTitle("my doc;2");  // a name ends at a blank or a ";"
  EXPECT_EQ(ProposedSaveName(doc), "my.tex");
}

TEST_F(ShellTest, TheRealFileDialogSpeaksJapaneseAndAddsTheExtension) {
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  QtDialogService service;
  ASSERT_TRUE(Start({}, &service));
  app->GetSettings().defaultExt = "tex";
  Type("abc");
  OnNextModal([&](QDialog* dialog) {
    EXPECT_EQ(Control<QLabel>(dialog, "fileNameLabel")->text(), "ファイル名(&N):");
    EXPECT_EQ(Control<QLineEdit>(dialog, "fileNameEdit")->text(), ".tex");
    qobject_cast<QFileDialog*>(dialog)->setDirectory(filesDir.path());
    Control<QLineEdit>(dialog, "fileNameEdit")->setText("chapter");
    dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Save)->click();
    RejectAllModals();  // only if the click left it open
  });
  EXPECT_TRUE(OnFileSaveAs(ActiveDocument()));
  EXPECT_EQ(ReadAll(filesDir.filePath("chapter.tex")), "abc\r\n");
  EXPECT_EQ(app->RecentFiles().Paths(), QStringList({filesDir.filePath("chapter.tex")}));
  Finish();  // before the service goes
}

TEST(FilePathTest, EveryByteStringComesBackAndUtf8ReadsAsText) {
  std::mt19937 rng(20240612);
  // Mostly the bytes of UTF-8 and code page 932 names, some of them anything.
  static const char pool[] = "a/.\\\x95\x5C\x82\xA0\xE3\x81\x82\xC3\xA9\xF0\x9F\x98\x80\xED\xA0\x80\xC0\xFF";
  for (int round = 0; round < 2000; ++round) {
    QByteArray bytes;
    for (auto i = rng() % 12; i > 0; --i)
      bytes += rng() % 4 ? pool[rng() % (sizeof pool - 1)] : static_cast<char>(rng() % 255 + 1);
    const QString path = PathFromBytes(bytes);
    ASSERT_EQ(PathBytes(path), bytes) << bytes.toHex().toStdString();
    EXPECT_TRUE(!bytes.isValidUtf8() || path == QString::fromUtf8(bytes)) << bytes.toHex().toStdString();
    EXPECT_TRUE(DisplayPath(path).toUtf8().isValidUtf8());
  }
  // A surrogate encoded in UTF-8 is no text: its bytes are kept one by one.
  EXPECT_EQ(DisplayPath(PathFromBytes("/\x95\x5C\xED\xA0\x80")),
            QString::fromUtf16(u"/\uFFFD\\\uFFFD\uFFFD\uFFFD"));
}

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
    QInputMethodEvent compose("ka", {});
    QCoreApplication::sendEvent(view, &compose);
    EXPECT_EQ(routes(key, kNo, view), Routed{}) << key;
  }
  EXPECT_EQ(Text(), "abc\r\n");
  QInputMethodEvent commit;
  QCoreApplication::sendEvent(view, &commit);
  // A few by the commands' plain numbers; keypad keys count as the keys they stand for.
  EXPECT_EQ(routes(Qt::Key_Home, kCtrl | kShift), (Routed{{32811, true}}));
  EXPECT_EQ(routes(Qt::Key_Insert, kShift), (Routed{{57637, true}}));
  EXPECT_EQ(routes(Qt::Key_Left, kShift | Qt::KeypadModifier), (Routed{{ID_CHAR_LEFT_EXTEND, true}}));
  EXPECT_EQ(routes(Qt::Key_S, kCtrl | kShift), Routed{});
  // A dialog of the main window keeps its keys.
  QDialog dialog(&Frame());
  EXPECT_EQ(routes(Qt::Key_N, kCtrl, new QLineEdit(&dialog)), Routed{});
  // A document table entry wins over the frame's while a document window is active.
  Template().Accelerators().Add({Qt::Key_N, kAccelCtrl, 40001});
  EXPECT_EQ(routes(Qt::Key_N, kCtrl), (Routed{{40001, false}}));
  Frame().RouteCommand(ID_FILE_NEW);
  const QString second = Frame().ActiveChild()->windowTitle();
  PressKey(Qt::Key_F6, kCtrl);  // the window system's: next window, then close it
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
  QClipboard& clipboard = *QGuiApplication::clipboard();
  PressKey(Qt::Key_A, kCtrl);
  PressKey(Qt::Key_C, kCtrl);
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
  clipboard.setText("x😀y");  // refused whole, the selection stays
  PressKey(Qt::Key_V, kCtrl);
  EXPECT_TRUE(View().IsSelecting());
  EXPECT_TRUE(Told().value(0).contains("U+1F600 😀"));
  clipboard.clear();
  PressKey(Qt::Key_Insert, kShift);  // nothing to paste: the selection goes
  EXPECT_EQ(Text(), "\r\n");

  // Keys type as the user sees them; Backspace and chords no table has type nothing.
  const std::tuple<int, Qt::KeyboardModifiers, const char*> keys[] = {
      {Qt::Key_X, kShift, "X"},         {Qt::Key_Enter, Qt::KeypadModifier, "\r"},
      {Qt::Key_I, kCtrl, "\t"},         {Qt::Key_M, kCtrl, "\r"},
      {Qt::Key_Backspace, kNo, "\b"},   {Qt::Key_Q, kCtrl, "\x11"},
      {Qt::Key_Z, Qt::AltModifier, "z"}};
  for (const auto& [key, modifiers, text] : keys) PressKey(key, modifiers, nullptr, text);
  // Japanese text goes in whole, one step a key; text the code page lacks changes nothing.
  const std::size_t steps = View().UndoList().size();
  for (const char* text : {"あ", "ｱ", "¥", "😀"}) PressKey(Qt::Key_unknown, kNo, nullptr, text);
  EXPECT_EQ(Text(), "X\r\n\t\x82\xA0\xB1\\\r\n");
  EXPECT_EQ(View().UndoList().size(), steps + 3);
  EXPECT_TRUE(Frame().MessageText().contains("U+1F600 😀")) << Frame().MessageText();
}

TEST_F(ShellTest, OneFindDialogAViewAndF3GoesOnWithTheLastFindOrReplace) {
  ASSERT_TRUE(Start({WriteFile("find.tex", "ab\r\nab ab\r\na-b-\r\n")}));
  auto dialogsUp = [this] {
    Settle();
    return Frame().findChildren<FindReplaceDialog*>();
  };
  auto field = [&](int id) { return dialogsUp().value(0)->findChild<QLineEdit*>(QString::number(id)); };
  auto click = [&](int id) {
    dialogsUp().value(0)->findChild<QAbstractButton*>(QString::number(id))->click();
  };
  auto find = [&](const char* text) {
    field(IDC_FIND_WHAT)->setText(text);
    PressKey(Qt::Key_Return, kNo, field(IDC_FIND_WHAT));
  };
  PressKey(Qt::Key_F3);  // no search text yet: nothing
  PressKey(Qt::Key_F, kCtrl);
  PressKey(Qt::Key_F, kCtrl);
  Frame().RouteCommand(ID_EDIT_REPLACE);  // this view's dialog is open: nothing
  ASSERT_EQ(dialogsUp().size(), 1);
  FindReplaceDialog* dialog = dialogsUp()[0];
  EXPECT_FALSE(dialog->isModal() || dialog->IsReplaceForm());
  EXPECT_EQ(dialog->pos(), Frame().screen()->geometry().topLeft());
  EXPECT_EQ(QApplication::focusWidget(), field(IDC_FIND_WHAT));
  EXPECT_FALSE(dialog->findChild<QPushButton*>(QString::number(IDC_OK))->isEnabled());  // nothing to find
  find("ab");
  EXPECT_EQ(Sel(), "0:0-2");
  Frame().RouteCommand(ID_DOC_END);
  click(IDC_UP);
  find("ab");
  EXPECT_EQ(Sel(), "1:0-2");
  PressKey(Qt::Key_F3);  // forward, whichever way the dialog searched
  EXPECT_EQ(Sel(), "1:3-5");
  // A second window has a dialog of its own, and each goes with its view.
  CChildFrame* first = Frame().ActiveChild();
  Frame().RouteCommand(ID_WINDOW_NEW);
  PressKey(Qt::Key_H, kCtrl);
  EXPECT_EQ(dialogsUp().size(), 2);
  first->CloseWithoutAsking();
  ASSERT_EQ(dialogsUp().size(), 1);
  EXPECT_TRUE(dialogsUp()[0]->IsReplaceForm() && field(IDC_FIND_WHAT)->text().isEmpty());

  // Replace with nothing selected finds first; Replace All from the caret on; F3 then goes on
  // with the last Replace's text.
  field(IDC_FIND_WHAT)->setText("-");
  field(IDC_REPLACE_WITH)->setText("+");
  Frame().RouteCommand(ID_DOC_END);
  Frame().RouteCommand(ID_LINE_START);
  click(IDC_REPLACE);
  EXPECT_EQ(Sel(), "2:1-2");
  click(IDC_REPLACE);
  EXPECT_EQ(Sel(), "2:3-4");
  field(IDC_FIND_WHAT)->setText("b");
  field(IDC_REPLACE_WITH)->setText("表");
  Frame().RouteCommand(ID_LINE_START);
  click(IDC_REPLACE_ALL);
  EXPECT_EQ(Text(), "ab\r\nab ab\r\na+\x95\x5C-\r\n");
  Frame().RouteCommand(ID_LINE_START);
  PressKey(Qt::Key_F3);
  EXPECT_EQ(Sel(), "2:4-5");
  // U+1F600 to find, the euro to put in: refused, each with a box, nothing changed.
  for (const auto& [what, with] : {std::pair{"a😀", "+"}, {"a", "€"}}) {
    field(IDC_FIND_WHAT)->setText(what);
    field(IDC_REPLACE_WITH)->setText(with);
    click(IDC_REPLACE_ALL);
  }
  EXPECT_EQ(Text(), "ab\r\nab ab\r\na+\x95\x5C-\r\n");
  ASSERT_EQ(dialogs.boxes.size(), 2u);
  EXPECT_TRUE(dialogs.boxes[0].owned && dialogs.boxes[0].text.contains("U+1F600"));
  EXPECT_TRUE(dialogs.boxes[1].text.contains("U+20AC"));
  // Escape closes it; the next one opens with the last text selected.
  PressKey(Qt::Key_Escape, kNo, field(IDC_FIND_WHAT));
  EXPECT_TRUE(dialogsUp().isEmpty());
  PressKey(Qt::Key_F, kCtrl);
  EXPECT_EQ(field(IDC_FIND_WHAT)->selectedText(), "-");
}

}  // namespace

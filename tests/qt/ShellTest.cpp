// The shell around the documents: the open gate, the close question, Save, names that are not
// UTF-8, keys while the input method composes, typed and pasted text, the find dialog.
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMimeData>
#include <random>

#include "ShellFixture.h"
#include "app/FileCommands.h"
#include "app/FilePath.h"
#include "app/FindReplaceDialog.h"
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
  void Type(std::string_view text) {
    ActiveDocument().Doc().InsertText(TextPos{ActiveDocument().Doc().FirstLine(), 0, 0, 0}, text);
  }
};

TEST_F(ShellTest, EveryWayInGoesThroughTheGateAndALinkFindsTheOpenDocument) {
  const QString kError = QString::fromUtf8(ResourceString(IDS_FILE_ERROR));
  const QString huge = WriteFile("huge.tex", "x");  // past 32-bit positions; sparse, no disk
  ASSERT_TRUE(QFile(huge).resize((qint64{1} << 31) + 1));
  const QString a = WriteFile("a.tex", "a\r\n"), dash = WriteFile("-d.tex", "");
  ASSERT_TRUE(QFile::link(a, filesDir.filePath("link.tex")));
  EXPECT_FALSE(Start({filesDir.filePath("missing.tex")}));  // ends the start
  Finish();
  ASSERT_TRUE(Start({"--", dash}));
  for (const QString& bad : {filesDir.filePath("missing.tex"), filesDir.path(), huge})
    EXPECT_EQ(app->OpenDocumentFile(bad), nullptr) << bad;
  EXPECT_EQ(Told(), QStringList({kError, kError, kError, "ﾄﾞｷｭﾒﾝﾄを開くことに失敗しました。"}));
  ASSERT_NE(app->OpenDocumentFile(a), nullptr);
  Frame().RouteCommand(ID_FILE_NEW);
  ASSERT_NE(app->OpenDocumentFile(filesDir.filePath("link.tex")), nullptr);  // a.tex, activated
  EXPECT_EQ(Frame().windowTitle(), "Mirev - [a.tex]");
  EXPECT_EQ(ChildTitles(), (QStringList{"-d.tex", "a.tex", "TeX1"}));
}

TEST_F(ShellTest, OnlyTheLastWindowOfAModifiedDocumentAsksBeforeClosing) {
  ASSERT_TRUE(Start({WriteFile("kept.tex", "old\n")}));
  Frame().RouteCommand(ID_WINDOW_NEW);
  ActiveDocument().Doc().SetModifiedFlag();
  Frame().ActiveChild()->close();
  Settle();
  EXPECT_EQ(ChildTitles(), QStringList{"kept.tex"});
  dialogs.answers = {Answer::Cancel, Answer::Cancel, Answer::No};
  EXPECT_FALSE(Frame().close());
  EXPECT_FALSE(Frame().ActiveChild()->close());
  Frame().RouteCommand(ID_FILE_CLOSE);
  Settle();
  EXPECT_EQ(dialogs.boxes.size(), 3u);
  EXPECT_TRUE(Template().Documents().isEmpty());
  for (const int id : {ID_WINDOW_NEW, ID_SETTINGS, ID_JUMP_TO_LINE, ID_FILE_SAVE})
    EXPECT_FALSE(Frame().QueryCommandState(id).enabled) << id;  // without a document: greyed
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
  Type("new");
  dialogs.saveAnswers = {std::nullopt};
  EXPECT_FALSE(OnFileSave(doc));  // untitled: Save As, cancelled
  EXPECT_FALSE(close(Answer::Cancel, {}));
  EXPECT_EQ(dialogs.boxes.back().text, "TeX1 への変更を保存しますか?");
  EXPECT_FALSE(close(Answer::Yes, {std::nullopt}));  // the name asked for, cancelled
  Told();
  EXPECT_FALSE(close(Answer::Yes, {gone}));
  EXPECT_EQ(Told().back(), QString::fromUtf8(ResourceString(IDS_FILE_NOT_FOUND)).replace("%1", gone));
  EXPECT_TRUE(doc.IsModified());
  EXPECT_TRUE(close(Answer::Yes, {a}));
  Type("x");
  EXPECT_TRUE(close(Answer::No, {}));  // discards
  EXPECT_EQ(ReadAll(a), "new\r\n");
  EXPECT_TRUE(close(Answer::Yes, {}));  // titled: written in place
  Type("y");
  EXPECT_TRUE(OnFileSave(doc));
  EXPECT_EQ(ReadAll(a), "yxnew\r\n");
  EXPECT_FALSE(doc.IsModified());
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
}

TEST_F(ShellTest, WhileTheInputMethodComposesKeysAreItsOwn) {
  ASSERT_TRUE(Start({WriteFile("keys.tex", "abc\r\n")}));
  Routed routed;
  Frame().SetCommandObserver([&](int id, bool handled) { routed.push_back({id, handled}); });
  ViewWidget* view = Frame().ActiveChild()->View();
  for (const int key : {Qt::Key_Return, Qt::Key_Backspace, Qt::Key_End}) {
    QInputMethodEvent compose("ka", {});
    QCoreApplication::sendEvent(view, &compose);
    PressKey(key, kNo, view);
  }
  EXPECT_EQ(Text(), "abc\r\n");
  QInputMethodEvent commit;
  QCoreApplication::sendEvent(view, &commit);
  PressKey(Qt::Key_Home, kCtrl | kShift);
  EXPECT_EQ(routed, (Routed{{ID_DOC_START_EXTEND, true}}));
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

  // Keys type as the user sees them; Backspace and chords no table has type nothing.
  const std::tuple<int, Qt::KeyboardModifiers, const char*> keys[] = {
      {Qt::Key_X, kShift, "X"},
      {Qt::Key_Enter, Qt::KeypadModifier, "\r"},
      {Qt::Key_Backspace, kNo, "\b"},
      {Qt::Key_Q, kCtrl, "\x11"}};
  for (const auto& [key, modifiers, text] : keys) PressKey(key, modifiers, nullptr, text);
  // Japanese text goes in whole, one step a key; text the code page lacks changes nothing.
  const std::size_t steps = View().UndoList().size();
  for (const char* text : {"あ", "ｱ", "¥", "😀"}) PressKey(Qt::Key_unknown, kNo, nullptr, text);
  EXPECT_EQ(Text(), "X\x82\xA0\xB1\\\r\n");
  EXPECT_EQ(View().UndoList().size(), steps + 3);
}

// Each view has a dialog of its own that goes with it; Replace with nothing selected finds first.
TEST_F(ShellTest, TheFindDialogOfAViewFindsReplacesAndRefusesWhatTheCodePageLacks) {
  ASSERT_TRUE(Start({WriteFile("find.tex", "ab\r\nab ab\r\na-b-\r\n")}));
  PressKey(Qt::Key_F3);  // no search text yet: nothing
  PressKey(Qt::Key_F, kCtrl);
  CChildFrame* first = Frame().ActiveChild();
  Frame().RouteCommand(ID_WINDOW_NEW);
  PressKey(Qt::Key_H, kCtrl);
  first->CloseWithoutAsking();
  Settle();
  const QList<FindReplaceDialog*> up = Frame().findChildren<FindReplaceDialog*>();
  ASSERT_EQ(up.size(), 1);
  auto run = [&](int button, const char* what, const char* with) {
    up[0]->findChild<QLineEdit*>(QString::number(IDC_FIND_WHAT))->setText(QString::fromUtf8(what));
    up[0]->findChild<QLineEdit*>(QString::number(IDC_REPLACE_WITH))->setText(QString::fromUtf8(with));
    up[0]->findChild<QAbstractButton*>(QString::number(button))->click();
  };
  run(IDC_OK, "ab", "");
  PressKey(Qt::Key_F3);
  EXPECT_EQ(Sel(), "1:0-2");
  Frame().RouteCommand(ID_DOC_END);
  Frame().RouteCommand(ID_LINE_START);
  run(IDC_REPLACE, "-", "+");
  EXPECT_EQ(Sel(), "2:1-2");
  run(IDC_REPLACE, "-", "+");
  EXPECT_EQ(Sel(), "2:3-4");
  Frame().RouteCommand(ID_LINE_START);
  run(IDC_REPLACE_ALL, "b", "表");
  const QByteArray replaced = "ab\r\nab ab\r\na+\x95\x5C-\r\n";
  EXPECT_EQ(Text(), replaced);
  run(IDC_REPLACE_ALL, "a😀", "+");
  run(IDC_REPLACE_ALL, "a", "€");
  EXPECT_EQ(Text(), replaced);
  EXPECT_EQ(dialogs.boxes.size(), 2u);
}

}  // namespace

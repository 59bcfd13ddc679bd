// The find and replace dialog on the real shell: one per view, opened by Ctrl+F and Ctrl+H at
// the screen's top-left corner with the view's last search text, its buttons' reports reaching
// the view, F3 repeating the last Find Next or Replace forward, and the dialog going with its
// view. Keys go where a real key would: the dialog's focused field, or the main window.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include "ShellFixture.h"
#include "app/FindReplaceDialog.h"
#include "base/CommandIds.h"
#include "platform/ViewWidget.h"
#include "res/Resources.h"
#include "view/CVeloView.h"

namespace {

// The view's lines, "‸" at the caret, "⁁" at the selection's anchor, bytes other than printable
// ASCII as <hh>.
std::string RenderView(const CVeloView& v) {
  std::string out;
  int line = 0;
  for (LineNode* n = v.GetDocument().FirstLine(); n; n = n->next, ++line) {
    const std::string_view s = n->text.View();
    for (int i = 0; i <= static_cast<int>(s.size()); ++i) {
      if (v.IsSelecting() && v.SelAnchor().line == line && v.SelAnchor().byteIndex == i) out += "⁁";
      if (v.Caret().line == line && v.Caret().byteIndex == i) out += "‸";
      if (i == static_cast<int>(s.size())) break;
      const auto b = static_cast<unsigned char>(s[static_cast<std::size_t>(i)]);
      out += b >= 0x20 && b < 0x7F
                 ? std::string(1, static_cast<char>(b))
                 : QStringLiteral("<%1>").arg(b, 2, 16, QChar(u'0')).toUpper().toStdString();
    }
    out += "\n";
  }
  return out;
}

template <class T>
T* Control(QWidget* dialog, int id) {
  return dialog->findChild<T*>(QString::number(id));
}

class FindReplaceDialogTest : public ShellFixture {
 protected:
  bool Open(const QByteArray& text) { return Start({WriteFile("find.tex", text)}); }
  CVeloView& View() { return Frame().ActiveChild()->View()->View(); }
  QList<FindReplaceDialog*> Dialogs() {
    Settle();
    return Frame().findChildren<FindReplaceDialog*>();
  }
  FindReplaceDialog* TheDialog() {
    const QList<FindReplaceDialog*> open = Dialogs();
    EXPECT_EQ(open.size(), 1);
    return open.isEmpty() ? nullptr : open.front();
  }
  // Types into the dialog's find field and presses Return there.
  void FindFromField(FindReplaceDialog* dialog, const QString& text) {
    QLineEdit* edit = Control<QLineEdit>(dialog, IDC_FIND_WHAT);
    edit->setText(text);
    PressKey(Qt::Key_Return, Qt::NoModifier, edit);
  }
  void Click(QWidget* dialog, int id) { Control<QPushButton>(dialog, id)->click(); }
  std::string Shown() { return RenderView(View()); }
};

// Each form shows exactly the texts of its template in res/, and names its controls after them.
TEST(FindReplaceDialogForms, EachFormShowsItsTemplate) {
  for (const int id : {IDD_FIND, IDD_REPLACE}) {
    FindReplaceDialog dialog(id == IDD_REPLACE, QString(), nullptr);
    QStringList shown;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) shown << label->text();
    for (const QAbstractButton* button : dialog.findChildren<QAbstractButton*>()) shown << button->text();
    for (const QGroupBox* group : dialog.findChildren<QGroupBox*>()) shown << group->title();
    shown.sort();
    QStringList expected;
    for (const DialogItem& item : DialogTemplate(id).items) {
      if (!item.text.empty()) expected << QString::fromUtf8(item.text);
      if (item.id > 0) {
        EXPECT_NE(dialog.findChild<QWidget*>(QString::number(item.id)), nullptr) << id << " " << item.id;
      }
    }
    expected.sort();
    EXPECT_EQ(shown.join(u'|').toStdString(), expected.join(u'|').toStdString());
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8(DialogTemplate(id).title));
  }
}

TEST_F(FindReplaceDialogTest, CtrlFOpensOneFindDialogAtTheTopLeftWithTheFindFieldReady) {
  ASSERT_TRUE(Open("abc\r\nxabc\r\n"));
  PressKey(Qt::Key_F, Qt::ControlModifier);
  FindReplaceDialog* dialog = TheDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(dialog->IsReplaceForm());
  EXPECT_FALSE(dialog->isModal());
  EXPECT_EQ(dialog->windowTitle(), QStringLiteral("検索"));
  EXPECT_EQ(dialog->pos(), Frame().screen()->geometry().topLeft());
  EXPECT_EQ(QApplication::focusWidget(), Control<QLineEdit>(dialog, IDC_FIND_WHAT));
  EXPECT_TRUE(Control<QRadioButton>(dialog, IDC_DOWN)->isChecked());
  // Nothing to find: no button that would search.
  EXPECT_FALSE(Control<QPushButton>(dialog, IDC_OK)->isEnabled());
  EXPECT_TRUE(Control<QPushButton>(dialog, IDC_OK)->isDefault());
  EXPECT_EQ(Control<QPushButton>(dialog, IDC_REPLACE), nullptr);

  PressKey(Qt::Key_F, Qt::ControlModifier);
  Frame().RouteCommand(ID_EDIT_REPLACE);  // a find dialog stays one
  EXPECT_EQ(TheDialog(), dialog);
  EXPECT_FALSE(dialog->IsReplaceForm());

  FindFromField(dialog, QStringLiteral("abc"));
  EXPECT_EQ(Shown(), "⁁abc‸\nxabc\n");
  FindFromField(dialog, QStringLiteral("abc"));
  EXPECT_EQ(Shown(), "abc\nx⁁abc‸\n");

  // Escape closes it; the next one starts with the last text, selected.
  PressKey(Qt::Key_Escape, Qt::NoModifier, Control<QLineEdit>(dialog, IDC_FIND_WHAT));
  EXPECT_TRUE(Dialogs().isEmpty());
  PressKey(Qt::Key_F, Qt::ControlModifier);
  dialog = TheDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(Control<QLineEdit>(dialog, IDC_FIND_WHAT)->selectedText(), QStringLiteral("abc"));
  EXPECT_TRUE(Control<QPushButton>(dialog, IDC_OK)->isEnabled());
  Click(dialog, IDC_CANCEL);
  EXPECT_TRUE(Dialogs().isEmpty());
}

TEST_F(FindReplaceDialogTest, DirectionAndTextReachTheViewAndF3AlwaysGoesForward) {
  ASSERT_TRUE(Open("ab\r\nab ab\r\nab\r\n"));
  Frame().RouteCommand(ID_EDIT_FIND);
  FindReplaceDialog* dialog = TheDialog();
  ASSERT_NE(dialog, nullptr);
  PressKey(Qt::Key_F3);  // no search text yet: nothing
  EXPECT_EQ(Shown(), "‸ab\nab ab\nab\n");
  Frame().RouteCommand(ID_LINE_DOWN);
  Frame().RouteCommand(ID_LINE_END);
  Control<QRadioButton>(dialog, IDC_UP)->click();
  FindFromField(dialog, QStringLiteral("ab"));
  EXPECT_EQ(Shown(), "⁁ab‸\nab ab\nab\n");
  PressKey(Qt::Key_F3, Qt::NoModifier, Frame().ActiveChild()->View());
  EXPECT_EQ(Shown(), "ab\n⁁ab‸ ab\nab\n");
  PressKey(Qt::Key_F3, Qt::NoModifier, Frame().ActiveChild()->View());
  EXPECT_EQ(Shown(), "ab\nab ⁁ab‸\nab\n");
  // The boxes are there and change nothing: the search stays exact and inside words.
  Control<QCheckBox>(dialog, IDC_MATCH_CASE)->click();
  Control<QCheckBox>(dialog, IDC_WHOLE_WORD)->click();
  Control<QRadioButton>(dialog, IDC_DOWN)->click();
  EXPECT_EQ(dialog->Flags(),
            FindReplaceDialog::kDown | FindReplaceDialog::kMatchCase | FindReplaceDialog::kWholeWord);
  FindFromField(dialog, QStringLiteral("b"));
  EXPECT_EQ(Shown(), "ab\nab ab\na⁁b‸\n");
  FindFromField(dialog, QStringLiteral("AB"));
  EXPECT_EQ(Shown(), "ab\nab ab\nab‸\n");
}

TEST_F(FindReplaceDialogTest, ReplaceFormReplacesAndFindsOnAndReplaceAllKeepsTheSearchText) {
  ASSERT_TRUE(Open("a-b-c\r\n-d\r\n"));
  PressKey(Qt::Key_H, Qt::ControlModifier);
  FindReplaceDialog* dialog = TheDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(dialog->IsReplaceForm());
  EXPECT_EQ(dialog->windowTitle(), QStringLiteral("置換"));
  EXPECT_EQ(Control<QRadioButton>(dialog, IDC_UP), nullptr);
  // Tab goes from the find field to the replace field, then the boxes, then the buttons.
  QStringList chain;
  QWidget* w = Control<QLineEdit>(dialog, IDC_FIND_WHAT);
  for (int i = 0; i < 8; ++i, w = w->nextInFocusChain()) {
    while (!(w->focusPolicy() & Qt::TabFocus)) w = w->nextInFocusChain();
    chain << w->objectName();
  }
  EXPECT_EQ(chain.join(u' ').toStdString(), "1152 1153 1040 1041 1 1024 1025 2");

  Control<QLineEdit>(dialog, IDC_FIND_WHAT)->setText(QStringLiteral("-"));
  Control<QLineEdit>(dialog, IDC_REPLACE_WITH)->setText(QStringLiteral("+"));
  Click(dialog, IDC_REPLACE);  // nothing selected: nothing replaced, the next one found
  EXPECT_EQ(Shown(), "a⁁-‸b-c\n-d\n");
  Click(dialog, IDC_REPLACE);
  EXPECT_EQ(Shown(), "a+b⁁-‸c\n-d\n");
  EXPECT_EQ(View().UndoList().size(), 2u);

  Control<QLineEdit>(dialog, IDC_FIND_WHAT)->setText(QStringLiteral("b"));
  Control<QLineEdit>(dialog, IDC_REPLACE_WITH)->setText(QString());
  Frame().RouteCommand(ID_DOC_START);
  Click(dialog, IDC_REPLACE_ALL);
  EXPECT_EQ(Shown(), "a+-c\n-d‸\n");
  EXPECT_EQ(View().UndoList().size(), 4u);
  Frame().RouteCommand(ID_DOC_START);
  Frame().RouteCommand(ID_FIND_NEXT);  // still the "-" of the last Replace
  EXPECT_EQ(Shown(), "a+⁁-‸c\n-d\n");
}

TEST_F(FindReplaceDialogTest, TextOutsideCodePage932IsRefusedWithAMessage) {
  ASSERT_TRUE(Open("ab\r\n"));
  Frame().RouteCommand(ID_EDIT_REPLACE);
  FindReplaceDialog* dialog = TheDialog();
  ASSERT_NE(dialog, nullptr);
  dialogs.Expect(DialogService::Answer::Ok);
  FindFromField(dialog, QString::fromUtf8("a\xF0\x9F\x98\x80"));  // a U+1F600
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_TRUE(dialogs.boxes[0].owned);
  EXPECT_TRUE(dialogs.boxes[0].text.contains(QStringLiteral("U+1F600")))
      << dialogs.boxes[0].text.toStdString();
  EXPECT_EQ(Shown(), "‸ab\n");
  Frame().RouteCommand(ID_FIND_NEXT);
  EXPECT_EQ(Shown(), "‸ab\n");

  dialogs.Expect(DialogService::Answer::Ok);
  Control<QLineEdit>(dialog, IDC_FIND_WHAT)->setText(QStringLiteral("a"));
  Control<QLineEdit>(dialog, IDC_REPLACE_WITH)->setText(QString::fromUtf8("\xE2\x82\xAC"));  // the euro sign
  Click(dialog, IDC_REPLACE_ALL);
  EXPECT_EQ(dialogs.boxes.size(), 2u);
  EXPECT_EQ(Shown(), "‸ab\n");
  EXPECT_FALSE(View().GetDocument().IsModified());
  // Kanji go in as code page 932.
  Control<QLineEdit>(dialog, IDC_REPLACE_WITH)->setText(QString::fromUtf8("\xE8\xA1\xA8"));  // 表
  Click(dialog, IDC_REPLACE_ALL);
  EXPECT_EQ(Shown(), "<95>\\b‸\n");
}

TEST_F(FindReplaceDialogTest, EachWindowHasItsOwnDialogAndTextAndADialogGoesWithItsWindow) {
  ASSERT_TRUE(Open("one two\r\n"));
  CChildFrame* first = Frame().ActiveChild();
  Frame().RouteCommand(ID_WINDOW_NEW);
  CChildFrame* second = Frame().ActiveChild();
  ASSERT_NE(first, second);
  Frame().RouteCommand(ID_EDIT_FIND);
  FindFromField(TheDialog(), QStringLiteral("two"));
  Frame().ActivateChild(first);
  Frame().RouteCommand(ID_EDIT_FIND);
  ASSERT_EQ(Dialogs().size(), 2);
  QPointer<FindReplaceDialog> firstDialog;
  for (FindReplaceDialog* d : Dialogs())
    if (Control<QLineEdit>(d, IDC_FIND_WHAT)->text().isEmpty()) firstDialog = d;
  ASSERT_NE(firstDialog, nullptr);
  FindFromField(firstDialog, QStringLiteral("one"));
  EXPECT_EQ(RenderView(first->View()->View()), "⁁one‸ two\n");
  EXPECT_EQ(RenderView(second->View()->View()), "one ⁁two‸\n");

  // The view can be edited while its dialog is open; the dialog searches the text as it is now.
  Frame().RouteCommand(ID_LINE_END);
  for (const QChar c : QStringLiteral(" one")) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QCoreApplication::sendEvent(first->View(), &press);
  }
  Frame().RouteCommand(ID_DOC_START);
  Frame().RouteCommand(ID_CHAR_RIGHT);
  Click(firstDialog, IDC_OK);
  EXPECT_EQ(RenderView(first->View()->View()), "one two ⁁one‸\n");

  first->CloseWithoutAsking();
  ASSERT_EQ(Dialogs().size(), 1);
  EXPECT_TRUE(firstDialog.isNull());
  second->CloseWithoutAsking();
  EXPECT_TRUE(Dialogs().isEmpty());
}

}  // namespace

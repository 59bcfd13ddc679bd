// The find and replace dialog on the real shell: one per view, opened by Ctrl+F and Ctrl+H at
// the screen's top-left corner with the view's last search text, its reports reaching the view,
// F3 repeating the last Find Next or Replace forward, and the dialog going with its view. Keys go
// where a real key would: the dialog's focused field, or the main window.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <algorithm>

#include "ShellFixture.h"
#include "app/FindReplaceDialog.h"
#include "base/CommandIds.h"
#include "platform/ViewWidget.h"
#include "res/Resources.h"
#include "view/CVeloView.h"

namespace {

// The view's lines with "‸" at the caret and "⁁" at the selection's anchor.
std::string Shown(const CVeloView& v) {
  std::string out;
  int line = 0;
  for (LineNode* n = v.GetDocument().FirstLine(); n; n = n->next, ++line) {
    std::string s(n->text.View());
    std::vector<std::pair<int, const char*>> marks;
    if (v.Caret().line == line) marks.emplace_back(v.Caret().byteIndex, "‸");
    if (v.IsSelecting() && v.SelAnchor().line == line) marks.emplace_back(v.SelAnchor().byteIndex, "⁁");
    std::sort(marks.rbegin(), marks.rend());  // the later first, so the earlier stays in place
    for (const auto& [at, sign] : marks) s.insert(static_cast<std::size_t>(at), sign);
    out += s + "\n";
  }
  return out;
}

template <class T>
T* Control(QWidget* dialog, int id) {
  return dialog->findChild<T*>(QString::number(id));
}

TEST(FindReplaceDialogForms, TextsOfTheTemplateFocusOrderAndButtons) {
  for (const int id : {IDD_FIND, IDD_REPLACE}) {
    FindReplaceDialog dialog(id == IDD_REPLACE, QString(), nullptr);
    QStringList shown, expected;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) shown << label->text();
    for (const QAbstractButton* button : dialog.findChildren<QAbstractButton*>()) shown << button->text();
    for (const QGroupBox* group : dialog.findChildren<QGroupBox*>()) shown << group->title();
    for (const DialogItem& item : DialogTemplate(id).items)
      if (!item.text.empty()) expected << QString::fromUtf8(item.text);
    shown.sort();
    expected.sort();
    EXPECT_EQ(shown.join(u'|').toStdString(), expected.join(u'|').toStdString());
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8(DialogTemplate(id).title));
    // Tab goes from field to field, then the boxes, then the buttons; Find Next is the default,
    // and no button that searches is on while there is nothing to find.
    QStringList chain;
    QWidget* w = Control<QLineEdit>(&dialog, IDC_FIND_WHAT);
    for (int i = 0; i < 8; ++i, w = w->nextInFocusChain()) {
      while (!(w->focusPolicy() & Qt::TabFocus)) w = w->nextInFocusChain();
      chain << w->objectName();
    }
    EXPECT_EQ(chain.join(u' ').toStdString(),
              id == IDD_FIND ? "1152 1040 1041 1056 1057 1 2 1152" : "1152 1153 1040 1041 1 1024 1025 2");
    EXPECT_TRUE(Control<QPushButton>(&dialog, IDC_OK)->isDefault());
    for (const int button : {IDC_OK, IDC_REPLACE, IDC_REPLACE_ALL}) {
      if (auto* b = Control<QPushButton>(&dialog, button)) {
        EXPECT_FALSE(b->isEnabled()) << button;
      }
    }
    Control<QLineEdit>(&dialog, IDC_FIND_WHAT)->setText(QStringLiteral("x"));
    EXPECT_TRUE(Control<QPushButton>(&dialog, IDC_OK)->isEnabled());
  }
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
  // Types into the find field and presses Return there.
  void FindFromField(FindReplaceDialog* dialog, const QString& text) {
    QLineEdit* edit = Control<QLineEdit>(dialog, IDC_FIND_WHAT);
    edit->setText(text);
    PressKey(Qt::Key_Return, Qt::NoModifier, edit);
  }
  void Set(QWidget* dialog, int field, const char* text) {
    Control<QLineEdit>(dialog, field)->setText(QString::fromUtf8(text));
  }
  void Click(QWidget* dialog, int id) { Control<QAbstractButton>(dialog, id)->click(); }
};

TEST_F(FindReplaceDialogTest, FindDialogSearchesEitherWayAndF3GoesOnForward) {
  ASSERT_TRUE(Open("ab\r\nab ab\r\nAb\r\n"));
  PressKey(Qt::Key_F3);  // no search text yet: nothing
  PressKey(Qt::Key_F, Qt::ControlModifier);
  FindReplaceDialog* dialog = TheDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(dialog->IsReplaceForm());
  EXPECT_FALSE(dialog->isModal());
  EXPECT_EQ(dialog->pos(), Frame().screen()->geometry().topLeft());
  EXPECT_EQ(QApplication::focusWidget(), Control<QLineEdit>(dialog, IDC_FIND_WHAT));
  PressKey(Qt::Key_F, Qt::ControlModifier);
  Frame().RouteCommand(ID_EDIT_REPLACE);  // a dialog of this view is open: nothing
  EXPECT_EQ(TheDialog(), dialog);
  EXPECT_FALSE(dialog->IsReplaceForm());

  FindFromField(dialog, QStringLiteral("ab"));
  EXPECT_EQ(Shown(View()), "⁁ab‸\nab ab\nAb\n");
  Frame().RouteCommand(ID_DOC_END);
  Click(dialog, IDC_UP);
  FindFromField(dialog, QStringLiteral("ab"));
  EXPECT_EQ(Shown(View()), "ab\n⁁ab‸ ab\nAb\n");
  PressKey(Qt::Key_F3);  // forward, whichever way the dialog searched
  EXPECT_EQ(Shown(View()), "ab\nab ⁁ab‸\nAb\n");
  // The boxes are reported and change nothing: case counts, matches lie inside words.
  Click(dialog, IDC_DOWN);
  Click(dialog, IDC_MATCH_CASE);
  Click(dialog, IDC_WHOLE_WORD);
  EXPECT_EQ(dialog->Flags(),
            FindReplaceDialog::kDown | FindReplaceDialog::kMatchCase | FindReplaceDialog::kWholeWord);
  FindFromField(dialog, QStringLiteral("b"));
  EXPECT_EQ(Shown(View()), "ab\nab ab\nA⁁b‸\n");

  // Escape closes it; the next one opens with the last text selected.
  PressKey(Qt::Key_Escape, Qt::NoModifier, Control<QLineEdit>(dialog, IDC_FIND_WHAT));
  EXPECT_TRUE(Dialogs().isEmpty());
  PressKey(Qt::Key_F, Qt::ControlModifier);
  ASSERT_EQ(Dialogs().size(), 1);
  EXPECT_EQ(Control<QLineEdit>(TheDialog(), IDC_FIND_WHAT)->selectedText(), QStringLiteral("b"));
}

TEST_F(FindReplaceDialogTest, ReplaceFindsOnReplaceAllKeepsTheSearchTextAndForeignTextIsRefused) {
  ASSERT_TRUE(Open("a-b-c\r\n-d\r\n"));
  PressKey(Qt::Key_H, Qt::ControlModifier);
  FindReplaceDialog* dialog = TheDialog();
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(dialog->IsReplaceForm());
  Set(dialog, IDC_FIND_WHAT, "-");
  Set(dialog, IDC_REPLACE_WITH, "+");
  Click(dialog, IDC_REPLACE);  // nothing selected: nothing replaced, the next one found
  EXPECT_EQ(Shown(View()), "a⁁-‸b-c\n-d\n");
  Click(dialog, IDC_REPLACE);
  EXPECT_EQ(Shown(View()), "a+b⁁-‸c\n-d\n");

  Set(dialog, IDC_FIND_WHAT, "b");
  Set(dialog, IDC_REPLACE_WITH, "表");  // in as code page 932
  Frame().RouteCommand(ID_DOC_START);
  Click(dialog, IDC_REPLACE_ALL);
  EXPECT_EQ(Shown(View()), "a+\x95\x5C-c\n-d‸\n");
  Frame().RouteCommand(ID_DOC_START);
  Frame().RouteCommand(ID_FIND_NEXT);  // still the "-" of the last Replace
  EXPECT_EQ(Shown(View()), "a+\x95\x5C⁁-‸c\n-d\n");

  const std::size_t steps = View().UndoList().size();
  for (const char* field : {"a\xF0\x9F\x98\x80", "\xE2\x82\xAC"}) {  // U+1F600 to find, the euro to put in
    Set(dialog, IDC_FIND_WHAT, "a");
    Set(dialog, field[0] == 'a' ? IDC_FIND_WHAT : IDC_REPLACE_WITH, field);
    dialogs.Expect(DialogService::Answer::Ok);
    Click(dialog, IDC_REPLACE_ALL);
  }
  ASSERT_EQ(dialogs.boxes.size(), 2u);
  EXPECT_TRUE(dialogs.boxes[0].owned);
  EXPECT_TRUE(dialogs.boxes[0].text.contains(QStringLiteral("U+1F600")))
      << dialogs.boxes[0].text.toStdString();
  EXPECT_TRUE(dialogs.boxes[1].text.contains(QStringLiteral("U+20AC")))
      << dialogs.boxes[1].text.toStdString();
  EXPECT_EQ(View().UndoList().size(), steps);
}

TEST_F(FindReplaceDialogTest, EachWindowHasItsOwnDialogWhichGoesWithIt) {
  ASSERT_TRUE(Open("one two\r\n"));
  CChildFrame* first = Frame().ActiveChild();
  Frame().RouteCommand(ID_WINDOW_NEW);
  CChildFrame* second = Frame().ActiveChild();
  ASSERT_NE(first, second);
  Frame().RouteCommand(ID_EDIT_FIND);
  QPointer<FindReplaceDialog> secondDialog = TheDialog();
  FindFromField(secondDialog, QStringLiteral("two"));
  Frame().ActivateChild(first);
  Frame().RouteCommand(ID_EDIT_FIND);
  ASSERT_EQ(Dialogs().size(), 2);
  QPointer<FindReplaceDialog> firstDialog =
      Dialogs().front() == secondDialog ? Dialogs().back() : Dialogs().front();
  EXPECT_TRUE(Control<QLineEdit>(firstDialog, IDC_FIND_WHAT)->text().isEmpty());

  // The view takes keys while its dialog is open, and the dialog searches the text as it is.
  Frame().RouteCommand(ID_LINE_END);
  for (const QChar c : QStringLiteral(" one")) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QCoreApplication::sendEvent(first->View(), &press);
  }
  Frame().RouteCommand(ID_DOC_START);
  Frame().RouteCommand(ID_CHAR_RIGHT);
  FindFromField(firstDialog, QStringLiteral("one"));
  EXPECT_EQ(Shown(first->View()->View()), "one two ⁁one‸\n");
  EXPECT_EQ(Shown(second->View()->View()), "one ⁁two‸ one\n");

  first->CloseWithoutAsking();
  Settle();
  EXPECT_TRUE(firstDialog.isNull());
  EXPECT_FALSE(secondDialog.isNull());
  second->CloseWithoutAsking();
  EXPECT_TRUE(Dialogs().isEmpty());
}

}  // namespace

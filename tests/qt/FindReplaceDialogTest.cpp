// The find and replace dialog on the real shell: one per view, opened by Ctrl+F and Ctrl+H at
// the screen's top-left corner with the view's last search text, its reports reaching the view,
// F3 repeating the last Find Next or Replace forward, and the dialog going with its view.
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
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

class FindReplaceDialogTest : public ShellFixture {
 protected:
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
  template <class T = QLineEdit>
  static T* Field(QWidget* dialog, int id) {
    return dialog->findChild<T*>(QString::number(id));
  }
  void Set(QWidget* dialog, int field, const char* text) {
    Field(dialog, field)->setText(QString::fromUtf8(text));
  }
  void Click(QWidget* dialog, int id) { Field<QAbstractButton>(dialog, id)->click(); }
  // Types into the find field and presses Return there.
  void FindFromField(FindReplaceDialog* dialog, const char* text) {
    Set(dialog, IDC_FIND_WHAT, text);
    PressKey(Qt::Key_Return, Qt::NoModifier, Field(dialog, IDC_FIND_WHAT));
  }
};

TEST_F(FindReplaceDialogTest, FindDialogSearchesEitherWayAndF3GoesOnForward) {
  ASSERT_TRUE(Start({WriteFile("find.tex", "ab\r\nab ab\r\nAb\r\n")}));
  PressKey(Qt::Key_F3);  // no search text yet: nothing
  PressKey(Qt::Key_F, Qt::ControlModifier);
  FindReplaceDialog* dialog = TheDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(dialog->isModal());
  EXPECT_EQ(dialog->pos(), Frame().screen()->geometry().topLeft());
  EXPECT_EQ(QApplication::focusWidget(), Field(dialog, IDC_FIND_WHAT));
  // Nothing to find: Find Next, the default, is off.
  EXPECT_TRUE(Field<QPushButton>(dialog, IDC_OK)->isDefault());
  EXPECT_FALSE(Field<QPushButton>(dialog, IDC_OK)->isEnabled());
  PressKey(Qt::Key_F, Qt::ControlModifier);
  Frame().RouteCommand(ID_EDIT_REPLACE);  // a dialog of this view is open: nothing
  EXPECT_EQ(TheDialog(), dialog);
  EXPECT_FALSE(dialog->IsReplaceForm());

  FindFromField(dialog, "ab");
  EXPECT_EQ(Shown(View()), "⁁ab‸\nab ab\nAb\n");
  Frame().RouteCommand(ID_DOC_END);
  Click(dialog, IDC_UP);
  FindFromField(dialog, "ab");
  EXPECT_EQ(Shown(View()), "ab\n⁁ab‸ ab\nAb\n");
  PressKey(Qt::Key_F3);  // forward, whichever way the dialog searched
  EXPECT_EQ(Shown(View()), "ab\nab ⁁ab‸\nAb\n");
  // The boxes change nothing: case counts, matches lie inside words.
  Click(dialog, IDC_DOWN);
  Click(dialog, IDC_MATCH_CASE);
  Click(dialog, IDC_WHOLE_WORD);
  FindFromField(dialog, "b");
  EXPECT_EQ(Shown(View()), "ab\nab ab\nA⁁b‸\n");

  // Escape closes it; the next one opens with the last text selected.
  PressKey(Qt::Key_Escape, Qt::NoModifier, Field(dialog, IDC_FIND_WHAT));
  EXPECT_TRUE(Dialogs().isEmpty());
  PressKey(Qt::Key_F, Qt::ControlModifier);
  ASSERT_EQ(Dialogs().size(), 1);
  EXPECT_EQ(Field(TheDialog(), IDC_FIND_WHAT)->selectedText(), QStringLiteral("b"));
}

TEST_F(FindReplaceDialogTest, ReplaceFindsOnReplaceAllKeepsTheSearchTextAndForeignTextIsRefused) {
  ASSERT_TRUE(Start({WriteFile("find.tex", "a-b-c\r\n-d\r\n")}));
  PressKey(Qt::Key_H, Qt::ControlModifier);
  FindReplaceDialog* dialog = TheDialog();
  ASSERT_TRUE(dialog && dialog->IsReplaceForm());
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

  // U+1F600 to find, the euro to put in: refused, each with a box, nothing changed.
  const std::size_t steps = View().UndoList().size();
  for (const auto& [find, replace] : {std::pair{"a\xF0\x9F\x98\x80", "+"}, {"a", "\xE2\x82\xAC"}}) {
    Set(dialog, IDC_FIND_WHAT, find);
    Set(dialog, IDC_REPLACE_WITH, replace);
    Click(dialog, IDC_REPLACE_ALL);
  }
  ASSERT_EQ(dialogs.boxes.size(), 2u);
  EXPECT_TRUE(dialogs.boxes[0].owned);
  EXPECT_TRUE(dialogs.boxes[0].text.contains(QStringLiteral("U+1F600"))) << dialogs.boxes[0].text;
  EXPECT_TRUE(dialogs.boxes[1].text.contains(QStringLiteral("U+20AC"))) << dialogs.boxes[1].text;
  EXPECT_EQ(View().UndoList().size(), steps);
}

TEST_F(FindReplaceDialogTest, EachWindowHasItsOwnDialogWhichGoesWithIt) {
  ASSERT_TRUE(Start({WriteFile("find.tex", "one two\r\n")}));
  CChildFrame* first = Frame().ActiveChild();
  Frame().RouteCommand(ID_WINDOW_NEW);
  CChildFrame* second = Frame().ActiveChild();
  ASSERT_NE(first, second);
  Frame().RouteCommand(ID_EDIT_FIND);
  QPointer<FindReplaceDialog> secondDialog = TheDialog();
  FindFromField(secondDialog, "two");
  Frame().ActivateChild(first);
  Frame().RouteCommand(ID_EDIT_FIND);
  ASSERT_EQ(Dialogs().size(), 2);
  QPointer<FindReplaceDialog> firstDialog =
      Dialogs().front() == secondDialog ? Dialogs().back() : Dialogs().front();
  EXPECT_TRUE(Field(firstDialog, IDC_FIND_WHAT)->text().isEmpty());

  // The view takes keys while its dialog is open, and the dialog searches the text as it is.
  Frame().RouteCommand(ID_LINE_END);
  PressKey(Qt::Key_unknown, Qt::NoModifier, first->View(), QStringLiteral(" one"));
  Frame().RouteCommand(ID_DOC_START);
  Frame().RouteCommand(ID_CHAR_RIGHT);
  FindFromField(firstDialog, "one");
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

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>

#include "DialogScript.h"
#include "app/CNewExtDlg.h"
#include "app/CReadExtDlg.h"

namespace {

using namespace dialogtest;

QStringList Entries(QWidget* dialog) {
  QStringList entries;
  if (auto* list = Control<QListWidget>(dialog, "1001")) {
    for (int i = 0; i < list->count(); ++i) entries << list->item(i)->text();
  }
  return entries;
}

int SelectedRow(QWidget* dialog) {
  auto* list = Control<QListWidget>(dialog, "1001");
  if (!list || list->selectedItems().isEmpty()) return -1;
  return list->row(list->selectedItems().first());
}

void Select(QWidget* dialog, int row) {
  if (auto* list = Control<QListWidget>(dialog, "1001"))
    list->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

// Runs the list dialog on extList with script driving it; returns the result and the list.
std::pair<int, QString> RunListDialog(const QString& extList, std::function<void(QDialog*)> script) {
  CReadExtDlg dialog;
  dialog.extList = extList;
  OnNextModal(std::move(script));
  const int result = dialog.Run();
  return {result, dialog.extList};
}

// Registers text through the new-extension dialog, answering it with button id.
void Register(QDialog* listDialog, const QString& text, const char* button = "1") {
  OnNextModal([text, button](QDialog* newExt) {
    if (auto* edit = Control<QLineEdit>(newExt, "1038")) {
      EXPECT_TRUE(edit->text().isEmpty());
      edit->setText(text);
    }
    Press(newExt, button);
  });
  Press(listDialog, "1004");
}

TEST(ExtListTest, EntriesDropStarsAndDotsAndKeepEmptyPiecesBeforeASemicolon) {
  EXPECT_EQ(ExtListEntries("*.txt;;*.tex"), QStringList({"txt", "", "tex"}));
  EXPECT_EQ(ExtListEntries("*.tex;"), QStringList({"tex"}));
  EXPECT_TRUE(ExtListEntries("*.").isEmpty());
  EXPECT_EQ(ExtListEntries("*.a;b"), QStringList({"a", "b"}));
  EXPECT_EQ(ExtListFromEntries({"htm", "", "txt"}), "*.htm;*.;*.txt");
}

TEST(ExtListDialogTest, ShowsTheListSortedUnselectedAndOkStoresThatOrder) {
  struct Case {
    QString stored;
    QStringList shown;
    QString back;
  };
  const Case cases[] = {
      {"*.txt;*.tex;*.htm;*.html;*.mac",
       {"htm", "html", "mac", "tex", "txt"},
       "*.htm;*.html;*.mac;*.tex;*.txt"},
      {"*.TeX;*.zip;*.Mac", {"Mac", "TeX", "zip"}, "*.Mac;*.TeX;*.zip"},  // case-blind
      {"*.tar.gz;;*.tex", {"", "targz", "tex"}, "*.;*.targz;*.tex"},      // dotted, empty entry
  };
  for (const Case& c : cases) {
    const auto [result, extList] = RunListDialog(c.stored, [&](QDialog* dialog) {
      EXPECT_EQ(Entries(dialog), c.shown);
      EXPECT_EQ(SelectedRow(dialog), -1);
      Press(dialog, "1");
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(extList, c.back);
  }
}

TEST(ExtListDialogTest, DeletingFollowsTheSelection) {
  const auto [result, extList] = RunListDialog("*.a;*.b;*.c", [](QDialog* dialog) {
    Press(dialog, "1005");  // nothing selected: nothing happens
    EXPECT_EQ(Entries(dialog), QStringList({"a", "b", "c"}));

    Select(dialog, 2);
    Press(dialog, "1005");  // the last entry: the new last one is selected
    EXPECT_EQ(Entries(dialog), QStringList({"a", "b"}));
    EXPECT_EQ(SelectedRow(dialog), 1);

    Select(dialog, 0);
    Press(dialog, "1005");  // a middle entry: the one that moved up is selected
    EXPECT_EQ(Entries(dialog), QStringList({"b"}));
    EXPECT_EQ(SelectedRow(dialog), 0);

    Press(dialog, "1005");  // the only entry: empty, nothing selected
    EXPECT_EQ(SelectedRow(dialog), -1);
    Press(dialog, "1005");
    Press(dialog, "1");
  });
  EXPECT_EQ(result, QDialog::Accepted);
  EXPECT_EQ(extList, "");
}

TEST(ExtListDialogTest, RegisteredTextGoesToItsSortedPlaceUnchecked) {
  const auto [result, extList] = RunListDialog("*.txt;*.tex", [](QDialog* dialog) {
    Register(dialog, "sty");
    Register(dialog, "a;b");  // nothing is validated
    Register(dialog, "");     // an empty text adds nothing
    Register(dialog, "cls", "2");
    EXPECT_EQ(Entries(dialog), QStringList({"a;b", "sty", "tex", "txt"}));
    Press(dialog, "1");
  });
  EXPECT_EQ(extList, "*.a;b;*.sty;*.tex;*.txt");

  // The part after the ";" stands bare in the list and comes back as an entry of its own.
  const auto [again, rebuilt] = RunListDialog(extList, [](QDialog* dialog) {
    EXPECT_EQ(Entries(dialog), QStringList({"a", "b", "sty", "tex", "txt"}));
    Press(dialog, "1");
  });
  EXPECT_EQ(rebuilt, "*.a;*.b;*.sty;*.tex;*.txt");
}

TEST(ExtListDialogTest, CancelKeepsTheListAsItWas) {
  const auto [result, extList] = RunListDialog("*.txt;*.tex", [](QDialog* dialog) {
    Register(dialog, "sty");
    Press(dialog, "2");
  });
  EXPECT_EQ(result, QDialog::Rejected);
  EXPECT_EQ(extList, "*.txt;*.tex");
}

}  // namespace

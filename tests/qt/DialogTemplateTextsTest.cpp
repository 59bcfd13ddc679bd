// Each dialog shows exactly the title and texts of its template in res/, and names its
// controls after their ids.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <algorithm>
#include <memory>

#include "app/CJumpDlg.h"
#include "app/CNewExtDlg.h"
#include "app/CReadExtDlg.h"
#include "app/CSettingsDlg.h"
#include "app/CTypesetDlg.h"
#include "app/DialogService.h"
#include "res/Resources.h"

namespace {

// Every text the dialog's widgets show, sorted.
QStringList ShownTexts(const QWidget& dialog) {
  QStringList texts;
  for (const QLabel* label : dialog.findChildren<QLabel*>()) texts << label->text();
  for (const QAbstractButton* button : dialog.findChildren<QAbstractButton*>()) texts << button->text();
  for (const QGroupBox* group : dialog.findChildren<QGroupBox*>()) texts << group->title();
  texts.removeAll(QString());
  texts.sort();
  return texts;
}

// The dialogs are only built here, never run: no box may come up.
class NoDialogs : public DialogService {
 public:
  Answer MessageBox(QWidget*, const QString&, const QString& text, Buttons, Icon) override {
    ADD_FAILURE() << "unexpected message box: " << text.toStdString();
    return Answer::Cancel;
  }
};

bool IsHalfWidthKatakana(QChar c) { return c.unicode() >= 0xFF61 && c.unicode() <= 0xFF9F; }

TEST(DialogTemplateTextsTest, EachDialogShowsItsTemplate) {
  NoDialogs dialogs;
  struct Case {
    int id;
    std::unique_ptr<QWidget> dialog;
  };
  Case cases[] = {
      {IDD_READ_EXT, std::make_unique<CReadExtDlg>()},
      {IDD_NEW_EXT, std::make_unique<CNewExtDlg>()},
      {IDD_JUMP, std::make_unique<CJumpDlg>(dialogs)},
      {IDD_SETTINGS, std::make_unique<CSettingsDlg>(dialogs)},
      {IDD_TYPESET, std::make_unique<CTypesetDlg>(dialogs)},
  };
  for (const Case& c : cases) {
    const DialogResource resource = DialogTemplate(c.id);
    ASSERT_FALSE(resource.title.empty()) << c.id;
    EXPECT_EQ(c.dialog->windowTitle(), QString::fromUtf8(resource.title)) << c.id;
    QStringList expected;
    for (const DialogItem& item : resource.items) {
      if (!item.text.empty()) expected << QString::fromUtf8(item.text);
      if (item.id > 0) {
        EXPECT_NE(c.dialog->findChild<QWidget*>(QString::number(item.id)), nullptr) << c.id << " " << item.id;
      }
    }
    expected.sort();
    EXPECT_EQ(ShownTexts(*c.dialog).join(u'|').toStdString(), expected.join(u'|').toStdString()) << c.id;

    // OK and Cancel in every dialog; Cancel in half-width katakana.
    const QString cancel = QString::fromUtf8(DialogItemText(c.id, IDC_CANCEL));
    EXPECT_EQ(QString::fromUtf8(DialogItemText(c.id, IDC_OK)), "OK") << c.id;
    EXPECT_FALSE(cancel.isEmpty()) << c.id;
    EXPECT_TRUE(std::all_of(cancel.begin(), cancel.end(), IsHalfWidthKatakana)) << c.id;
  }
  const QString jumpTitle = QString::fromUtf8(DialogTemplate(IDD_JUMP).title);
  EXPECT_TRUE(std::all_of(jumpTitle.begin(), jumpTitle.end(), IsHalfWidthKatakana));

  EXPECT_TRUE(DialogTemplate(129).title.empty());
  EXPECT_TRUE(DialogTemplate(129).items.empty());
  EXPECT_TRUE(DialogItemText(IDD_JUMP, IDC_TAB_SIZE).empty());
}

}  // namespace

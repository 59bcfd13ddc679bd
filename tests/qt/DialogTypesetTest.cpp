// The typesetting settings dialog: presets, a command that cannot run refused with the dialog
// left open and the faulty line selected, OK and Cancel.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPlainTextEdit>

#include "ShellFixture.h"
#include "app/CTypesetDlg.h"
#include "res/Resources.h"
#include "tex/TypesetCommand.h"

namespace {


QString Res(int id) { return QString::fromUtf8(ResourceString(id)); }

// The dialog's only boxes are its refusals.
class RefusalBoxes : public DialogService {
 public:
  Answer MessageBox(QWidget*, const QString&, const QString& text, Buttons, Icon) override {
    texts << text;
    return Answer::Ok;
  }
  QStringList texts;
};

}  // namespace

TEST(DialogTypesetTest, PresetsFillTheCommandAndACommandThatCannotRunIsRefused) {
  Settings settings;
  settings.typesetCommand = "mine %f";
  RefusalBoxes boxes;
  OnNextModal([](QDialog* dialog) {
    auto* edit = Control<QPlainTextEdit>(dialog, "1060");
    auto* openPdf = Control<QCheckBox>(dialog, "1064");
    if (!edit || !openPdf) return;
    EXPECT_EQ(edit->toPlainText(), "mine %f");
    edit->setPlainText("platex %f\n  dvipdfmx '%b.dvi\n");
    Press(dialog, "1");
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(edit->textCursor().selectedText(), "  dvipdfmx '%b.dvi");
    edit->setPlainText("# nothing but a comment\n");
    Press(dialog, "1");
    EXPECT_TRUE(dialog->isVisible());
    Press(dialog, "1063");
    openPdf->setChecked(true);
    Press(dialog, "1");
  });
  EXPECT_TRUE(RunTypesetSettingsCommand(settings, boxes));
  EXPECT_EQ(boxes.texts, (QStringList{Res(IDS_TYPESET_UNCLOSED_QUOTE).arg(2), Res(IDS_TYPESET_NO_COMMAND)}));
  EXPECT_EQ(settings.typesetCommand, typeset::kLatexmkCommand);
  EXPECT_TRUE(settings.openPdfAfterTypeset);

  OnNextModal([](QDialog* dialog) {
    Press(dialog, "1062");
    if (auto* openPdf = Control<QCheckBox>(dialog, "1064")) openPdf->setChecked(false);
    Press(dialog, "2");
  });
  EXPECT_FALSE(RunTypesetSettingsCommand(settings, boxes));
  EXPECT_EQ(settings.typesetCommand, typeset::kLatexmkCommand);
  EXPECT_TRUE(settings.openPdfAfterTypeset);
}

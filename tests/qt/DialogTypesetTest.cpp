// The typesetting settings dialog: presets, a command that cannot run refused with the dialog
// left open, OK and Cancel.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPlainTextEdit>

#include "DialogScript.h"
#include "app/CTypesetDlg.h"
#include "res/Resources.h"
#include "tex/TypesetCommand.h"

namespace {

QString Res(int id) { return QString::fromUtf8(ResourceString(id)); }

QString FromView(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The dialog's only boxes are its refusals, each with an OK button.
class RefusalBoxes : public DialogService {
 public:
  Answer MessageBox(QWidget*, const QString&, const QString& text, Buttons buttons, Icon) override {
    EXPECT_EQ(buttons, Buttons::Ok);
    texts << text;
    return Answer::Ok;
  }
  QStringList texts;
};

class DialogTypesetTest : public ::testing::Test {
 protected:
  bool Run(std::function<void(QDialog*)> script) {
    dialogtest::OnNextModal(std::move(script));
    return RunTypesetSettingsCommand(settings, dialogs);
  }

  Settings settings;
  RefusalBoxes dialogs;
};

}  // namespace

TEST_F(DialogTypesetTest, PresetsFillTheCommandAndACommandThatCannotRunIsRefused) {
  using dialogtest::Control;
  using dialogtest::Press;
  settings.typesetCommand = "mine %f";
  const bool accepted = Run([this](QDialog* dialog) {
    auto* edit = Control<QPlainTextEdit>(dialog, "1060");
    auto* openPdf = Control<QCheckBox>(dialog, "1064");
    if (!edit || !openPdf) return;
    EXPECT_EQ(edit->toPlainText(), "mine %f");
    EXPECT_FALSE(openPdf->isChecked());
    Press(dialog, "1062");
    EXPECT_EQ(edit->toPlainText(), FromView(typeset::kUplatexCommand));

    // The line with the open quote is selected, for the user to mend.
    edit->setPlainText("platex %f\n  dvipdfmx '%b.dvi\n");
    Press(dialog, "1");
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(edit->textCursor().selectedText(), "  dvipdfmx '%b.dvi");
    edit->setPlainText("# nothing but a comment\n\n");
    Press(dialog, "1");
    EXPECT_TRUE(dialog->isVisible());

    Press(dialog, "1063");
    openPdf->setChecked(true);
    Press(dialog, "1");
  });
  EXPECT_TRUE(accepted);
  EXPECT_EQ(dialogs.texts,
            (QStringList{Res(IDS_TYPESET_UNCLOSED_QUOTE).arg(2), Res(IDS_TYPESET_NO_COMMAND)}));
  EXPECT_EQ(settings.typesetCommand, typeset::kLatexmkCommand);
  EXPECT_TRUE(settings.openPdfAfterTypeset);

  EXPECT_FALSE(Run([](QDialog* dialog) {
    if (auto* edit = Control<QPlainTextEdit>(dialog, "1060")) edit->setPlainText("other");
    if (auto* openPdf = Control<QCheckBox>(dialog, "1064")) openPdf->setChecked(false);
    Press(dialog, "2");
  }));
  EXPECT_EQ(settings.typesetCommand, typeset::kLatexmkCommand);
  EXPECT_TRUE(settings.openPdfAfterTypeset);
}

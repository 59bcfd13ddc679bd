#include "app/CTypesetDlg.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QVBoxLayout>
#include <string_view>

#include "app/DialogService.h"
#include "app/DialogTexts.h"
#include "res/Resources.h"
#include "tex/TypesetCommand.h"

namespace {

QString Text(int control) { return DialogText(IDD_TYPESET, control); }

QPushButton* MakeButton(int id, QWidget* parent) { return MakeDialogButton(IDD_TYPESET, id, parent); }

}  // namespace

CTypesetDlg::CTypesetDlg(DialogService& dialogService, QWidget* parent)
    : QDialog(parent), dialogs(dialogService) {
  setWindowTitle(DialogTitle(IDD_TYPESET));

  auto* commandLabel = new QLabel(Text(IDC_LABEL_TYPESET_COMMAND), this);
  commandLabel->setWordWrap(true);
  commandEdit = new QPlainTextEdit(this);
  SetControlId(commandEdit, IDC_TYPESET_COMMAND);
  commandEdit->setTabChangesFocus(true);
  commandEdit->setLineWrapMode(QPlainTextEdit::NoWrap);
  commandEdit->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  commandEdit->setMinimumWidth(commandEdit->fontMetrics().horizontalAdvance(QString(80, u'x')));
  commandLabel->setBuddy(commandEdit);

  auto* presetLabel = new QLabel(Text(IDC_LABEL_PRESETS), this);
  auto* presets = new QHBoxLayout;
  presets->addWidget(presetLabel);
  const struct {
    int id;
    std::string_view command;
  } kPresets[] = {
      {IDC_PRESET_PLATEX, typeset::kPlatexCommand},
      {IDC_PRESET_UPLATEX, typeset::kUplatexCommand},
      {IDC_PRESET_LATEXMK, typeset::kLatexmkCommand},
  };
  for (const auto& preset : kPresets) {
    QPushButton* button = MakeButton(preset.id, this);
    const QString command = QString::fromUtf8(preset.command);
    connect(button, &QPushButton::clicked, this, [this, command] {
      commandEdit->setPlainText(command);
      commandEdit->setFocus();
    });
    presets->addWidget(button);
  }
  presets->addStretch();

  openPdfCheck = new QCheckBox(Text(IDC_TYPESET_OPEN_PDF), this);
  SetControlId(openPdfCheck, IDC_TYPESET_OPEN_PDF);

  QPushButton* ok = MakeButton(IDC_OK, this);
  ok->setDefault(true);
  QPushButton* cancel = MakeButton(IDC_CANCEL, this);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  auto* closing = new QHBoxLayout;
  closing->addStretch();
  closing->addWidget(ok);
  closing->addWidget(cancel);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(commandLabel);
  layout->addWidget(commandEdit, 1);
  layout->addLayout(presets);
  layout->addWidget(openPdfCheck);
  layout->addLayout(closing);
}

int CTypesetDlg::Run() {
  commandEdit->setPlainText(commandField);
  openPdfCheck->setChecked(openPdfField);
  commandEdit->setFocus();
  return exec();
}

void CTypesetDlg::accept() {
  const QString command = commandEdit->toPlainText();
  // Any path will do: only the form of the lines is checked here.
  const typeset::CommandChain chain = typeset::ExpandCommands(command.toStdString(), "/a/b.tex");
  if (chain.problem != typeset::CommandProblem::None) {
    const QString text = chain.problem == typeset::CommandProblem::UnclosedQuote
                             ? ResText(IDS_TYPESET_UNCLOSED_QUOTE).arg(chain.problemLine)
                             : ResText(IDS_TYPESET_NO_COMMAND);
    dialogs.MessageBox(this, ResText(IDS_APP_TITLE), text, DialogService::Buttons::Ok,
                       DialogService::Icon::Warning);
    commandEdit->setFocus();
    if (chain.problemLine > 0) {
      const QTextBlock block = commandEdit->document()->findBlockByNumber(chain.problemLine - 1);
      if (block.isValid()) {
        QTextCursor cursor(block);
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        commandEdit->setTextCursor(cursor);
      }
    }
    return;
  }
  commandField = command;
  openPdfField = openPdfCheck->isChecked();
  QDialog::accept();
}

bool RunTypesetSettingsCommand(Settings& settings, DialogService& dialogs, QWidget* parent) {
  CTypesetDlg dialog(dialogs, parent);
  dialog.commandField = QString::fromStdString(settings.typesetCommand);
  dialog.openPdfField = settings.openPdfAfterTypeset;
  if (dialog.Run() != QDialog::Accepted) return false;
  settings.typesetCommand = dialog.commandField.toStdString();
  settings.openPdfAfterTypeset = dialog.openPdfField;
  return true;
}

#include "app/CJumpDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/DialogService.h"
#include "app/DialogTexts.h"
#include "app/IntegerField.h"
#include "res/Resources.h"

namespace {}  // namespace

CJumpDlg::CJumpDlg(DialogService& dialogService, QWidget* parent) : QDialog(parent), dialogs(dialogService) {
  setWindowTitle(DialogTitle(IDD_JUMP));
  auto* label = new QLabel(DialogText(IDD_JUMP, IDC_LABEL_LINE_NUMBER), this);
  lineEdit = new QLineEdit(this);
  SetControlId(lineEdit, IDC_LINE_NUMBER);
  label->setBuddy(lineEdit);
  auto* ok = new QPushButton(DialogText(IDD_JUMP, IDC_OK), this);
  SetControlId(ok, IDC_OK);
  ok->setDefault(true);
  auto* cancel = new QPushButton(DialogText(IDD_JUMP, IDC_CANCEL), this);
  SetControlId(cancel, IDC_CANCEL);
  cancel->setAutoDefault(false);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* field = new QHBoxLayout;
  field->addWidget(label);
  field->addWidget(lineEdit, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(field);
  layout->addLayout(buttons);
}

int CJumpDlg::Run() {
  lineEdit->setText(QString::number(lineNumber));
  lineEdit->selectAll();
  lineEdit->setFocus();
  return exec();
}

void CJumpDlg::accept() {
  const std::optional<int> value = ParseIntegerField(lineEdit->text());
  if (!value) {
    dialogs.MessageBox(this, ResText(IDS_APP_TITLE), ResText(IDS_PARSE_INT), DialogService::Buttons::Ok,
                       DialogService::Icon::Warning);
    lineEdit->setFocus();
    lineEdit->selectAll();
    return;
  }
  lineNumber = *value;
  QDialog::accept();
}

std::optional<int> AskJumpLine(int proposedLine, DialogService& dialogs, QWidget* parent) {
  CJumpDlg dialog(dialogs, parent);
  dialog.lineNumber = proposedLine;
  if (dialog.Run() != QDialog::Accepted) return std::nullopt;
  return dialog.lineNumber;
}

#include "app/CNewExtDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/DialogTexts.h"

CNewExtDlg::CNewExtDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(DialogTitle(IDD_NEW_EXT));
  auto* label = new QLabel(DialogText(IDD_NEW_EXT, IDC_LABEL_NEW_EXT), this);
  extEdit = new QLineEdit(this);
  SetControlId(extEdit, IDC_NEW_EXT);
  label->setBuddy(extEdit);
  auto* ok = new QPushButton(DialogText(IDD_NEW_EXT, IDC_OK), this);
  SetControlId(ok, IDC_OK);
  ok->setDefault(true);
  auto* cancel = new QPushButton(DialogText(IDD_NEW_EXT, IDC_CANCEL), this);
  SetControlId(cancel, IDC_CANCEL);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* field = new QHBoxLayout;
  field->addWidget(label);
  field->addWidget(extEdit, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(field);
  layout->addStretch();
  layout->addLayout(buttons);
}

int CNewExtDlg::Run() {
  extEdit->setText(newExt);
  extEdit->setFocus();
  return exec();
}

void CNewExtDlg::accept() {
  newExt = extEdit->text();
  QDialog::accept();
}

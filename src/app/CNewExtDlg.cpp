#include "app/CNewExtDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CNewExtDlg::CNewExtDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("新規登録"));
  auto* label = new QLabel(QStringLiteral("新しい拡張子"), this);
  extEdit = new QLineEdit(this);
  extEdit->setObjectName(QStringLiteral("1038"));
  label->setBuddy(extEdit);
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("1"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
  cancel->setObjectName(QStringLiteral("2"));
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

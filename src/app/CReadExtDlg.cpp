#include "app/CReadExtDlg.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/CNewExtDlg.h"

QStringList ExtListEntries(const QString& extList) {
  QString bare = extList;
  bare.remove(u'*');
  bare.remove(u'.');
  QStringList entries = bare.split(u';');
  if (entries.last().isEmpty()) entries.removeLast();
  return entries;
}

QString ExtListFromEntries(const QStringList& entries) {
  QStringList patterns;
  patterns.reserve(entries.size());
  for (const QString& entry : entries) patterns << QStringLiteral("*.") + entry;
  return patterns.join(u';');
}

CReadExtDlg::CReadExtDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("読みこみの際の拡張子"));
  list = new QListWidget(this);
  list->setObjectName(QStringLiteral("1001"));
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  auto* registerButton = new QPushButton(QStringLiteral("新規登録"), this);
  registerButton->setObjectName(QStringLiteral("1004"));
  registerButton->setAutoDefault(false);
  auto* deleteButton = new QPushButton(QStringLiteral("削除"), this);
  deleteButton->setObjectName(QStringLiteral("1005"));
  deleteButton->setAutoDefault(false);
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("1"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
  cancel->setObjectName(QStringLiteral("2"));
  cancel->setAutoDefault(false);
  connect(registerButton, &QPushButton::clicked, this, &CReadExtDlg::OnRegister);
  connect(deleteButton, &QPushButton::clicked, this, &CReadExtDlg::OnDelete);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* side = new QVBoxLayout;
  side->addWidget(registerButton);
  side->addWidget(deleteButton);
  side->addStretch();
  auto* closing = new QHBoxLayout;
  closing->addWidget(ok);
  closing->addWidget(cancel);
  side->addLayout(closing);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(list, 1);
  layout->addLayout(side);
}

int CReadExtDlg::Run() {
  list->clear();
  for (const QString& entry : ExtListEntries(extList)) AddEntry(entry);
  list->clearSelection();
  list->setCurrentItem(nullptr);
  list->setFocus();
  return exec();
}

void CReadExtDlg::accept() {
  QStringList entries;
  for (int i = 0; i < list->count(); ++i) entries << list->item(i)->text();
  extList = ExtListFromEntries(entries);
  QDialog::accept();
}

void CReadExtDlg::AddEntry(const QString& entry) {
  int at = 0;
  while (at < list->count() && QString::compare(list->item(at)->text(), entry, Qt::CaseInsensitive) <= 0)
    ++at;
  list->insertItem(at, entry);
}

void CReadExtDlg::OnRegister() {
  CNewExtDlg dialog(this);
  if (dialog.Run() == QDialog::Accepted && !dialog.newExt.isEmpty()) AddEntry(dialog.newExt);
}

void CReadExtDlg::OnDelete() {
  const QList<QListWidgetItem*> selected = list->selectedItems();
  if (selected.isEmpty()) return;
  int row = list->row(selected.first());
  delete list->takeItem(row);
  if (row > list->count() - 1) row = list->count() - 1;
  if (row < 0) {
    list->clearSelection();
    return;
  }
  list->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

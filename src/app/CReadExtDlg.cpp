#include "app/CReadExtDlg.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/CNewExtDlg.h"
#include "app/DialogTexts.h"

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
  setWindowTitle(DialogTitle(IDD_READ_EXT));
  list = new QListWidget(this);
  SetControlId(list, IDC_EXT_LIST);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  auto* registerButton = new QPushButton(DialogText(IDD_READ_EXT, IDC_REGISTER_EXT), this);
  SetControlId(registerButton, IDC_REGISTER_EXT);
  registerButton->setAutoDefault(false);
  auto* deleteButton = new QPushButton(DialogText(IDD_READ_EXT, IDC_DELETE_EXT), this);
  SetControlId(deleteButton, IDC_DELETE_EXT);
  deleteButton->setAutoDefault(false);
  auto* ok = new QPushButton(DialogText(IDD_READ_EXT, IDC_OK), this);
  SetControlId(ok, IDC_OK);
  ok->setDefault(true);
  auto* cancel = new QPushButton(DialogText(IDD_READ_EXT, IDC_CANCEL), this);
  SetControlId(cancel, IDC_CANCEL);
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

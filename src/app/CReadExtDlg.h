#pragma once
// Edits the read-extension list ("*.txt;*.tex;...") as a sorted list of bare extensions.
#include <QDialog>
#include <QString>
#include <QStringList>

class QListWidget;

// The entries the dialog shows for a list: every "*" and "." removed, then split at ";".
// Empty pieces before a ";" stay; an empty piece after the last ";" does not. Stored order.
QStringList ExtListEntries(const QString& extList);
// The list back from entries in their order: "*.entry" joined with ";".
QString ExtListFromEntries(const QStringList& entries);

class CReadExtDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CReadExtDlg(QWidget* parent = nullptr);

  // Shows extList's entries sorted, runs modally, and on OK rebuilds extList from the
  // entries in their shown order. Cancel leaves extList as it was.
  int Run();
  void accept() override;

  QString extList;

 private:
  // Inserts at the entry's sorted place (case-insensitive, after equal entries).
  void AddEntry(const QString& entry);
  void OnRegister();
  void OnDelete();

  QListWidget* list;
};

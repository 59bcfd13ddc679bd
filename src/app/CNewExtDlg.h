#pragma once
// Asks for one new extension for the read-extension list. Nothing is validated.
#include <QDialog>
#include <QString>

class QLineEdit;

class CNewExtDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CNewExtDlg(QWidget* parent = nullptr);

  // Shows newExt in the field, runs modally, and on OK takes the field's text back.
  int Run();
  void accept() override;

  QString newExt;

 private:
  QLineEdit* extEdit;
};

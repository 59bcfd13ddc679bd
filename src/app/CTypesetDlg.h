#pragma once
// The typesetting settings: the command (one program a line, with presets to start from) and
// whether a successful run opens the PDF.
#include <QDialog>
#include <QString>

#include "base/Settings.h"

class DialogService;
class QCheckBox;
class QPlainTextEdit;

class CTypesetDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CTypesetDlg(DialogService& dialogService, QWidget* parent = nullptr);

  // Shows the fields, runs modally, and on OK takes them back. A command with no program or
  // an unclosed quote is refused with a message and the dialog stays open.
  int Run();
  void accept() override;

  QString commandField;
  bool openPdfField = false;

 private:
  DialogService& dialogs;
  QPlainTextEdit* commandEdit;
  QCheckBox* openPdfCheck;
};

// The settings command: runs the dialog on settings' values and stores what OK gives. Returns
// whether the dialog ended with OK.
bool RunTypesetSettingsCommand(Settings& settings, DialogService& dialogs, QWidget* parent = nullptr);

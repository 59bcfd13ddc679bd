#pragma once
// The settings dialog (tab width, standard extension, auto-indent, the six colours, and the
// read-extension list through its own dialog) and the settings command that runs it.
#include <QDialog>
#include <QString>
#include <vector>

#include "base/Settings.h"

class CVeloView;
class DialogService;
class QCheckBox;
class QLineEdit;
class QListWidget;

class CSettingsDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CSettingsDlg(DialogService& dialogService, QWidget* parent = nullptr);

  // Shows the fields, runs modally, and on OK takes them back. A tab width that is no
  // integer from 1 to 64 is refused with a message and the dialog stays open.
  int Run();
  void accept() override;

  int tabSizeField = 0;
  QString extField;
  int autoIndentField = 0;
  ColorTable workColors{};
  QString workReadExtList;
  // Entry i of the colour list edits slot colorTargets[i] of workColors.
  std::vector<ColorTable::Slot> colorTargets;

 private:
  void OnChooseColor();
  void OnReadExtList();

  DialogService& dialogs;
  QLineEdit* tabSizeEdit;
  QLineEdit* extEdit;
  QCheckBox* autoIndentCheck;
  QListWidget* colorList;
};

// The settings command: runs the dialog on settings' values and, on OK, applies what changed
// through view (only it repaints now; a new tab width under the wait cursor) and stores the
// rest in settings. Cancel changes nothing. Returns whether the dialog ended with OK.
bool RunSettingsCommand(Settings& settings, CVeloView& view, DialogService& dialogs,
                        QWidget* parent = nullptr);

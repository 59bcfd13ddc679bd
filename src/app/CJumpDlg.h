#pragma once
// Asks for a line number to jump to. The caller checks the range.
#include <QDialog>
#include <optional>

class DialogService;
class QLineEdit;

class CJumpDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CJumpDlg(DialogService& dialogService, QWidget* parent = nullptr);

  // Shows lineNumber, runs modally, and on OK takes the field back as an integer; a field
  // that holds no integer is refused with a message and the dialog stays open.
  int Run();
  void accept() override;

  int lineNumber = 0;

 private:
  DialogService& dialogs;
  QLineEdit* lineEdit;
};

// The jump command's question: the one-based line proposed, the one-based line chosen.
std::optional<int> AskJumpLine(int proposedLine, DialogService& dialogs, QWidget* parent = nullptr);

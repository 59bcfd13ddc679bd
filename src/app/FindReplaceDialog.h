#pragma once
// The modeless find and replace dialog, in a find-only and a find-and-replace form, as users
// know it from the platform: the find field has the focus, Return means Find Next, Escape and
// Cancel close it, the buttons are off while there is nothing to find. It searches nothing
// itself: each button press is reported to its owner with the dialog's flags, and so is its
// closing, after which it deletes itself. The match-case and whole-word boxes are shown and
// reported, as the platform's are.
#include <QDialog>
#include <QString>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

class FindReplaceDialog : public QDialog {
  Q_OBJECT

 public:
  // The flags of a report: the dialog's settings, and which button brought it.
  enum Flag : unsigned {
    kDown = 0x1,
    kWholeWord = 0x2,
    kMatchCase = 0x4,
    kFindNext = 0x8,
    kReplace = 0x10,
    kReplaceAll = 0x20,
    kDialogTerm = 0x40,
  };

  // Opens with findText, direction down, the boxes clear. parent: the window it stays above.
  FindReplaceDialog(bool withReplace, const QString& findText, QWidget* parent);

  bool IsReplaceForm() const { return replaceEdit != nullptr; }
  // The settings without a button's flag.
  unsigned Flags() const;
  QString FindText() const;
  QString ReplaceText() const;

  // Escape and Cancel close the dialog, as its close box does.
  void reject() override;

 signals:
  // One button press, or the closing (kDialogTerm): the flags with the texts as they stand.
  void notified(unsigned flags);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void Report(unsigned action);
  void UpdateButtons();

  QLineEdit* findEdit = nullptr;
  QLineEdit* replaceEdit = nullptr;  // the replace form only
  QCheckBox* wholeWord = nullptr;
  QCheckBox* matchCase = nullptr;
  QRadioButton* down = nullptr;  // the find form only; the replace form always searches down
  QPushButton* findNext = nullptr;
  QPushButton* replace = nullptr;
  QPushButton* replaceAll = nullptr;
  bool closed = false;
};

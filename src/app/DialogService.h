#pragma once
// Every message box of the shell goes through this one interface, so that tests can answer
// them from a script. The real one shows Qt's boxes.
#include <QString>

class QWidget;

class DialogService {
 public:
  enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
  enum class Icon { None, Information, Warning, Question, Critical };
  enum class Answer { Ok, Cancel, Yes, No };

  virtual ~DialogService() = default;

  // A modal message box. owner null: a box of its own, tied to no window.
  // Closing the box without a button counts as Cancel (or No when there is no Cancel, OK
  // when OK is the only button).
  virtual Answer MessageBox(QWidget* owner, const QString& caption, const QString& text, Buttons buttons,
                            Icon icon) = 0;
};

class QtDialogService : public DialogService {
 public:
  Answer MessageBox(QWidget* owner, const QString& caption, const QString& text, Buttons buttons,
                    Icon icon) override;
};

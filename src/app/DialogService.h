#pragma once
// Every message box of the shell goes through this one interface, so that tests can answer
// them from a script. The real one shows Qt's boxes.
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

#include "base/Settings.h"

class QColor;
class QWidget;

// One entry of a file dialog's type list.
struct FileFilter {
  QString name;          // as shown, e.g. "plain txt"
  QStringList patterns;  // globs in Qt's syntax, e.g. "*.txt"; "*" is every file
  friend bool operator==(const FileFilter&, const FileFilter&) = default;
};

struct FileDialogRequest {
  QString title;                  // empty: the platform's own
  QList<FileFilter> filters;      // the first is selected when the dialog opens
  QString initialName;            // proposed file name or path
  QString defaultSuffix;          // without a dot; added to a name typed without one
  bool confirmOverwrite = false;  // ask before an existing file is chosen for writing
  bool mustExist = true;          // opening: only an existing file can be chosen
};

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

  // The platform's file and colour dialogs; nothing when cancelled. The defaults answer as if
  // cancelled, so a script that expects none of them need not provide them.
  // Full path of one file, an existing one unless the request says otherwise.
  virtual std::optional<QString> GetOpenFileName(QWidget* owner, const FileDialogRequest& request);
  // Full path to write, the default suffix added and overwriting confirmed as requested.
  virtual std::optional<QString> GetSaveFileName(QWidget* owner, const FileDialogRequest& request);
  // Starts at initial.
  virtual std::optional<Color> ChooseColor(QWidget* owner, Color initial);
};

class QtDialogService : public DialogService {
 public:
  Answer MessageBox(QWidget* owner, const QString& caption, const QString& text, Buttons buttons,
                    Icon icon) override;
  std::optional<QString> GetOpenFileName(QWidget* owner, const FileDialogRequest& request) override;
  std::optional<QString> GetSaveFileName(QWidget* owner, const FileDialogRequest& request) override;
  std::optional<Color> ChooseColor(QWidget* owner, Color initial) override;
};

// Colours travel as 0x00BBGGRR, red in the low byte; the top byte is ignored.
QColor ToQColor(Color color);
Color FromQColor(const QColor& color);

// The entry in Qt's "name (pattern pattern)" form.
QString QtNameFilter(const FileFilter& filter);

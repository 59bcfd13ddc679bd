#pragma once
// Find and replace for one view: its modeless dialog, opened by Ctrl+F (find) or Ctrl+H
// (replace), the text it last searched for, which F3 searches for again (always forward), and
// what the dialog's buttons do to the view. Texts typed into the dialog go in as code page 932;
// one that the code page cannot hold is refused with a message and nothing is searched.
#include <QPointer>
#include <QString>
#include <optional>
#include <string>

class CMirevApp;
class CVeloView;
class FindReplaceDialog;

class FindReplace {
 public:
  FindReplace(CMirevApp& app, CVeloView& view);
  // Closes the dialog: it goes with its view.
  ~FindReplace();
  FindReplace(const FindReplace&) = delete;
  FindReplace& operator=(const FindReplace&) = delete;

  // Opens the dialog at the screen's top-left corner with the last search text, unless one of
  // this view's is open already (a find dialog stays one).
  void OpenDialog(bool withReplace);
  void FindNext();
  // One report of the dialog: its flags and its texts. Closing is acted on first, then Find
  // Next, Replace and Replace All; only the first flag set counts.
  void OnNotify(unsigned flags, const QString& findText, const QString& replaceText);

  const std::string& SearchText() const { return searchText; }
  FindReplaceDialog* Dialog() const;

 private:
  std::optional<std::string> ToCp932(const QString& text);

  CMirevApp& app;
  CVeloView& view;
  std::string searchText;
  QPointer<FindReplaceDialog> findDialog;
};

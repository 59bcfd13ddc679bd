#pragma once
// The File commands: Open with its pattern list, Save, Save As, the question before a
// modified document is closed, and the messages for files that cannot be read or written.
#include <QList>
#include <QString>
#include <functional>
#include <string>

#include "app/DialogService.h"
#include "base/Settings.h"
#include "doc/TextFile.h"

class CMirevApp;
class QWidget;
class ShellDocument;

// The Open dialog's entries for a read-extension list such as "*.txt;*.tex": "plain txt"
// with those patterns, then "all files (*.*)" with every file.
QList<FileFilter> OpenDialogFilters(const std::string& readExtList);
// A pattern as the read-extension list holds it ("*.TeX") as a Qt glob that matches the same
// names: letters match either case, and characters Qt cannot carry in a filter match any one.
QString QtGlobFromPattern(QStringView pattern);

// Open: an empty read-extension list becomes "*.txt" for good; the chosen file goes to
// openByPath, the one gate for opening files. Dialogs and messages belong to owner.
void OnFileOpen(Settings& settings, DialogService& dialogs, QWidget* owner,
                const std::function<void(const QString&)>& openByPath);
// Open as the shell runs it: with the application's settings and dialogs, owned by its main
// window, the chosen file handed to the application's gate.
void OnFileOpen(CMirevApp& app);

// The commands below work on a document of the shell, with the application's settings and
// dialogs; their dialogs and messages belong to the main window.

// Save: nothing for an unmodified document, Save As for one without a path, else a write to
// its path. Returns whether the document is saved.
bool OnFileSave(ShellDocument& doc);
// Save As: asks for a name (".ext" proposed, the standard extension added to a name without
// one, overwriting confirmed) and writes there. The document takes the chosen path even when
// the write fails. Returns whether it was written.
bool OnFileSaveAs(ShellDocument& doc);

// Before a document is closed or the program quits: asks whether to save a modified
// document and saves it if told to. True when the document may close; false when the user
// cancelled or the save failed, which stops the close or the quit.
bool SaveModified(ShellDocument& doc);
// The name the close-time save dialog proposes: the path, or the title cut at the first
// blank, "#", "%", ";", "/" or "\" with ".tex" added.
QString ProposedSaveName(const ShellDocument& doc);

// Messages for a failed read or write of path: the cause's message naming the file, or the
// operation's own when the cause has none.
QString ReadFailureMessage(const FileResult& result, const QString& path);
QString SaveFailureMessage(const FileResult& result, const QString& path);
// Shows the read failure in the warning box; the caller then drops the new document.
void ReportReadFailure(DialogService& dialogs, QWidget* owner, const FileResult& result, const QString& path);

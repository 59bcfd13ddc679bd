#pragma once
// Making TeX documents openable from the desktop: on Linux a desktop entry for text/x-tex in
// the user's applications directory; on Windows the "TeX.Document" file type under the
// current user. The user's default application is left as it is.
#include <QString>

// The command line that hands a file to Mirev: the program, the option that asks a running
// instance to open the file, and the desktop's file placeholder.
inline constexpr const char* kShellOpenOption = "--open";

// Writes $XDG_DATA_HOME/applications/mirev.desktop (default ~/.local/share) when there is no
// such file; an existing one is the user's and is kept. False when it could not be written.
bool EnsureDesktopEntry(const QString& programPath);
// The desktop entry's text for the given program.
QString DesktopEntryText(const QString& programPath);
// Where the desktop entry lives.
QString DesktopEntryPath();

#ifdef Q_OS_WIN
// ".tex" -> "TeX.Document" ("TeX Document"), opened with the program; under the current user.
void RegisterShellFileTypes(const QString& programPath);
#endif

#pragma once
// File names are bytes, and not always UTF-8 (a name written in code page 932 is not). The
// shell keeps paths in QStrings that carry every byte: valid UTF-8 as its characters, each
// other byte 0x80..0xFF as the lone surrogate U+DC80..U+DCFF, which no text decodes to. Such a
// path reaches the file system only through PathBytes, never through Qt's file classes, which
// would turn those bytes into question marks.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <string>

class QUrl;

QString PathFromBytes(QByteArrayView bytes);
QByteArray PathBytes(QStringView path);
std::string PathStdBytes(QStringView path);
// The command line as the system gave it, each argument a path string as above.
QStringList ArgumentsFromArgv(int argc, char** argv);

// For people: each byte that is not text shows as U+FFFD.
QString DisplayPath(QStringView path);
// The last part of the path.
QString PathFileName(QStringView path);

// The working folder as a path string.
QString CurrentFolder();
// The path made absolute with its folder resolved through the file system; ".." is never
// tidied by reading the text, which would name another file when a link stands before it.
QString ResolvedPath(const QString& path);
// Whether the path names an existing regular file the user may read, or write.
bool IsReadableFile(const QString& path);
bool IsWritableFile(const QString& path);
// The local file a dropped file's address names, its bytes as they were; empty for other
// addresses.
QString PathOfLocalUrl(const QUrl& url);

#include "app/ShellRegistration.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>

#include "app/DialogTexts.h"
#include "res/Resources.h"

namespace {

// One argument of an Exec line: quoted, with the characters that stay special inside quotes
// escaped, then escaped once more as a desktop-entry string value; "%" is doubled so that it
// is not taken for a field code.
QString ExecArgument(const QString& argument) {
  QString quoted;
  for (const QChar c : argument) {
    if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') quoted += u'\\';
    quoted += c;
  }
  quoted.replace(u'\\', QStringLiteral("\\\\"));
  quoted.replace(u'%', QStringLiteral("%%"));
  return u'"' + quoted + u'"';
}

// Line breaks would end the value; the name comes from our own resources, but stay careful.
QString OneLine(QString text) {
  text.replace(u'\n', u' ');
  text.replace(u'\r', u' ');
  return text;
}

}  // namespace

QString DesktopEntryPath() {
  QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  if (dataHome.isEmpty()) dataHome = QDir::homePath() + QStringLiteral("/.local/share");
  return QDir(dataHome).filePath(QStringLiteral("applications/mirev.desktop"));
}

QString DesktopEntryText(const QString& programPath) {
  const QString typeName = QString::fromUtf8(StringField(IDR_TEXTYPE, kDocFieldRegFileTypeName));
  QString text;
  text += QStringLiteral("[Desktop Entry]\n");
  text += QStringLiteral("Type=Application\n");
  text += QStringLiteral("Name=%1\n").arg(OneLine(ResText(IDS_APP_TITLE)));
  text += QStringLiteral("Comment=%1\n").arg(OneLine(typeName));
  text +=
      QStringLiteral("Exec=%1 %2 %f\n").arg(ExecArgument(programPath), QString::fromLatin1(kShellOpenOption));
  text += QStringLiteral("MimeType=text/x-tex;\n");
  text += QStringLiteral("Terminal=false\n");
  text += QStringLiteral("Categories=Utility;TextEditor;\n");
  return text;
}

bool EnsureDesktopEntry(const QString& programPath) {
  const QString path = DesktopEntryPath();
  if (QFileInfo::exists(path)) return true;
  if (!QDir().mkpath(QFileInfo(path).absolutePath())) return false;
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  file.write(DesktopEntryText(programPath).toUtf8());
  return file.commit();
}

#ifdef Q_OS_WIN
void RegisterShellFileTypes(const QString& programPath) {
  const QString typeId = QString::fromUtf8(StringField(IDR_TEXTYPE, kDocFieldRegFileTypeId));
  const QString typeName = QString::fromUtf8(StringField(IDR_TEXTYPE, kDocFieldRegFileTypeName));
  const QString extension = QString::fromUtf8(StringField(IDR_TEXTYPE, kDocFieldFilterExt));
  QSettings classes(QStringLiteral("HKEY_CURRENT_USER\\Software\\Classes"), QSettings::NativeFormat);
  classes.setValue(extension + QStringLiteral("/."), typeId);
  classes.setValue(typeId + QStringLiteral("/."), typeName);
  const QString command = QStringLiteral("\"%1\" %2 \"%3\"")
                              .arg(QDir::toNativeSeparators(programPath),
                                   QString::fromLatin1(kShellOpenOption), QStringLiteral("%1"));
  classes.setValue(typeId + QStringLiteral("/shell/open/command/."), command);
}
#endif

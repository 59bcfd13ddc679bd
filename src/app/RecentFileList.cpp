#include "app/RecentFileList.h"

#include "app/FilePath.h"

namespace {

bool SameFile(const QString& a, const QString& b) {
#ifdef Q_OS_WIN
  return a.compare(b, Qt::CaseInsensitive) == 0;
#else
  return a == b;
#endif
}

bool IsSeparator(QChar c) {
#ifdef Q_OS_WIN
  return c == u'/' || c == u'\\';
#else
  return c == u'/';
#endif
}

}  // namespace

void RecentFileList::SetPaths(const QStringList& list) {
  paths.clear();
  for (const QString& path : list) {
    if (path.isEmpty()) continue;
    bool seen = false;
    for (const QString& kept : paths) seen = seen || SameFile(kept, path);
    if (!seen) paths.append(path);
    if (paths.size() == kCapacity) break;
  }
}

void RecentFileList::Add(const QString& path) {
  if (path.isEmpty()) return;
  for (qsizetype i = 0; i < paths.size(); ++i) {
    if (SameFile(paths[i], path)) {
      paths.removeAt(i);
      break;
    }
  }
  paths.prepend(path);
  while (paths.size() > kCapacity) paths.removeLast();
}

void RecentFileList::Remove(int index) {
  if (index >= 0 && index < paths.size()) paths.removeAt(index);
}

QString RecentFileList::MenuText(int index, const QString& currentDir) const {
  if (index < 0 || index >= paths.size()) return {};
  const QString& path = paths[index];
  // Paths are stored resolved: the folder is what stands before the last separator.
  qsizetype nameStart = path.size();
  while (nameStart > 0 && !IsSeparator(path[nameStart - 1])) --nameStart;
  QString name = path;
  if (!currentDir.isEmpty() && nameStart > 0) {
    QStringView folder = QStringView(path).left(nameStart > 1 ? nameStart - 1 : 1);
    QStringView current = currentDir;
    while (current.size() > 1 && IsSeparator(current.back())) current.chop(1);
    if (SameFile(folder.toString(), current.toString())) name = path.mid(nameStart);
  }
  name = AbbreviatePath(DisplayPath(name), kDisplayLength);
  name.replace(u'&', QStringLiteral("&&"));
  const int number = index + 1;
  const QString label = number < 10 ? QStringLiteral("&%1").arg(number)
                                    : QStringLiteral("%1&%2").arg(number / 10).arg(number % 10);
  return label + u' ' + name;
}

QString RecentFileList::AbbreviatePath(const QString& path, int maxLength) {
  if (path.size() <= maxLength) return path;

  qsizetype nameStart = path.size();
  while (nameStart > 0 && !IsSeparator(path[nameStart - 1])) --nameStart;
  QString name = path.mid(nameStart);  // not const: returned by move
  if (name.size() > maxLength || nameStart == 0) return name;

  // The root is kept: the first directory below "/" (or the drive and its first directory).
  qsizetype rootEnd = 0;
  while (rootEnd < path.size() && IsSeparator(path[rootEnd])) ++rootEnd;
  while (rootEnd < path.size() && !IsSeparator(path[rootEnd])) ++rootEnd;
  if (rootEnd >= nameStart - 1) return name;  // nothing between root and name to drop

  const QString root = path.left(rootEnd);
  const QString dots = QStringLiteral("/...");
  if (root.size() + dots.size() + 1 + name.size() > maxLength) return name;

  // Drop whole directories after the root until the rest fits.
  qsizetype restStart = rootEnd;
  while (root.size() + dots.size() + (path.size() - restStart) > maxLength) {
    ++restStart;
    while (restStart < nameStart && !IsSeparator(path[restStart])) ++restStart;
  }
  return root + dots + path.mid(restStart);
}

#pragma once
// The recent-file list: the last files opened, newest first, shown at the recent-file place
// of the File menu.
#include <QString>
#include <QStringList>

class RecentFileList {
 public:
  static constexpr int kCapacity = 10;
  static constexpr int kDisplayLength = 30;

  const QStringList& Paths() const { return paths; }
  int Size() const { return static_cast<int>(paths.size()); }
  bool IsEmpty() const { return paths.isEmpty(); }
  // From the profile: empty entries dropped, duplicates after the first dropped, cut to the
  // capacity.
  void SetPaths(const QStringList& list);
  // To the top; the same file further down moves up, the oldest falls off the end.
  void Add(const QString& path);
  void Remove(int index);

  // The menu text of entry index: "&1 name" .. "1&0 name", the name shortened for the menu
  // and its "&" doubled so that it shows as itself. A file in currentDir shows by its name.
  QString MenuText(int index, const QString& currentDir) const;

  // The path shortened to at most maxLength characters, root and file name kept, dropped
  // directories shown as "...": "/home/.../thesis/chapter1.tex". A path whose file name
  // alone is too long gives the file name.
  static QString AbbreviatePath(const QString& path, int maxLength);

 private:
  QStringList paths;
};

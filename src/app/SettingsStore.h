#pragma once
// The lasting settings: read once at start-up into the one Settings object, written once at
// exit, each value only where it differs from what was read. Stored through QSettings in its
// native format under "Harrowin"/"Mirev" (the registry on Windows, an INI file elsewhere).
#include <QSettings>
#include <QString>
#include <QStringList>
#include <memory>

#include "base/Settings.h"

class SettingsStore {
 public:
  // The user's profile.
  explicit SettingsStore(Settings& values);
  // A profile at a path of its own (an INI file on Linux, a registry path on Windows); for
  // tests and for pointing a run at a scratch profile.
  SettingsStore(Settings& values, const QString& location);
  SettingsStore(const SettingsStore&) = delete;
  SettingsStore& operator=(const SettingsStore&) = delete;
  ~SettingsStore();

  // Start-up, in this order.
  void LoadReadExtList();
  void LoadFileType();
  void LoadColorSettings();
  void LoadMacroSettings();
  void LoadTypesetSettings();
  // Shutdown, in this order.
  void SaveReadExtList();
  void SaveFileType();
  void SaveColorSettings();
  void SaveMacroSettings();
  void SaveTypesetSettings();

  // The recent-file list: "Recent File List", "File1".."File<count>". Reading stops at nothing:
  // an empty or missing entry is skipped. Writing replaces the whole section. A path whose
  // name is not UTF-8 is stored as its bytes.
  QStringList LoadRecentFiles(int count);
  void SaveRecentFiles(const QStringList& paths);

  // The file the profile lives in (empty where it is no file).
  QString FileName() const;
  // Before anything is written: a profile with lines that do not read back as they stand
  // (which the next write would drop) is copied beside itself with ".bad" added. The copy's
  // path when one was made, else empty.
  QString SetAsideUnreadableProfile();
  // Writes what is pending to the store now (the destructor does it too). False when it
  // could not be written.
  bool Flush();

 private:
  QString ReadString(const QString& key, const QString& fallback);
  // A number read back as text counts as the number; anything that is not a whole number
  // in the 32-bit range counts as missing.
  qint64 ReadInteger(const QString& key, qint64 fallback);

  Settings& settings;
  std::unique_ptr<QSettings> store;
};

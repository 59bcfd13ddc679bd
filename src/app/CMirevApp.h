#pragma once
// The application: start-up and shutdown, the one gate through which every file is opened by
// path, the recent-file list, and the settings of the run. One per process.
#include <QObject>
#include <QString>
#include <QStringList>
#include <deque>
#include <memory>
#include <span>

#include "app/RecentFileList.h"
#include "base/CommandMap.h"
#include "base/Settings.h"

class AcceleratorFilter;
class CMacroMenu;
class CMainFrame;
class DialogService;
class DocumentTemplate;
class OpenRequestServer;
class QTranslator;
class QtMenuBuilder;
class SettingsStore;
class ShellDocument;

struct AppOptions {
  // Where the settings live: empty for the user's profile, else a path of its own.
  QString profileLocation;
  // The message boxes; null for the real ones.
  DialogService* dialogs = nullptr;
  // Takes open requests from the desktop and writes the desktop entry (off in tests).
  bool shellIntegration = true;
  // The open-request channel's name; empty for the per-user default.
  QString channelName;
};

class CMirevApp : public QObject, public CommandTarget {
  Q_OBJECT

 public:
  explicit CMirevApp(AppOptions appOptions = {});
  ~CMirevApp() override;

  // The whole life of the program, given its command line (program name first; each argument
  // a path string of FilePath.h). Hands a file to a running instance when asked to, else
  // starts, runs the event loop and shuts down. Returns the exit status.
  static int Run(const QStringList& arguments);

  // Start-up: false when the program must end at once (its window never shown).
  bool InitInstance(const QStringList& arguments);
  // Shutdown: writes the changed settings and the recent-file list if it changed, and says so
  // when the profile cannot be written. Returns the exit code.
  int ExitInstance();

  // The one gate for opening a file by path: the file must exist and be readable; then it is
  // opened (or its open window activated). Null, after telling the user, when it cannot be.
  ShellDocument* OpenDocumentFile(const QString& path);

  Settings& GetSettings() { return settings; }
  DialogService& Dialogs() { return *dialogs; }
  DocumentTemplate& Template() { return *docTemplate; }
  CMainFrame* MainFrame() const { return mainFrame.get(); }
  RecentFileList& RecentFiles() { return recentFiles; }
  void AddToRecentFileList(const QString& path);

  // The macro menu of every view, for the whole run.
  const CMacroMenu& MacroMenu() const { return *macroMenu; }
  // Rebuilds the macro menu from the settings' macro file under the wait cursor. A file that
  // exists but could not be read, or read to its end, is named in the status bar.
  void ReloadMacroMenu();

  bool OnCmdMsg(int id, CommandUi* ui) override;

 private:
  static std::span<const CommandEntry<CMirevApp>> CommandTable();
  void OnFileNew();
  void OnFileOpen();
  void OnOpenRecentFile(int id);
  void OnUpdateRecentFileMenu(CommandUi& ui);
  void OnAppExit();
  // The "error" box of a path that fails the gate's test.
  void ShowFileErrorBox();
  void StartShellIntegration();
  void LoadQtTranslations();
  // Opens the files handed over by other starts, one at a time.
  void OnOpenRequest(const QString& path);

  AppOptions options;
  Settings settings;
  std::unique_ptr<DialogService> ownDialogs;
  DialogService* dialogs = nullptr;
  std::unique_ptr<SettingsStore> store;
  RecentFileList recentFiles;
  QStringList storedRecentFiles;  // as read at start-up
  std::unique_ptr<QtMenuBuilder> menuBuilder;
  std::unique_ptr<CMacroMenu> macroMenu;
  // What the last load of the macro menu has to say, until there is a status bar to say it.
  QString macroNotice;
  std::unique_ptr<DocumentTemplate> docTemplate;
  std::unique_ptr<CMainFrame> mainFrame;
  std::unique_ptr<AcceleratorFilter> keyFilter;
  std::unique_ptr<OpenRequestServer> openServer;
  std::deque<QString> pendingOpens;
  bool openingRequests = false;
  std::unique_ptr<QTranslator> qtTranslator;
};

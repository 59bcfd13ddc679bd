#include "app/CMirevApp.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>

#include "app/AcceleratorFilter.h"
#include "app/CMainFrame.h"
#include "app/DialogService.h"
#include "app/DocumentTemplate.h"
#include "app/FileCommands.h"
#include "app/OpenRequest.h"
#include "app/SettingsStore.h"
#include "app/ShellDocument.h"
#include "app/ShellRegistration.h"
#include "base/CommandIds.h"
#include "res/Resources.h"

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

// How long a second start waits for the running instance to take its file.
constexpr int kHandOffTimeoutMs = 3000;

struct CommandLine {
  QString file;
  bool shellOpen = false;  // started by the desktop to open a file
};

// Options start with "-"; "--" ends them. The first other argument is the file; the ones
// after it are ignored, as are options we do not know.
CommandLine ParseCommandLine(const QStringList& arguments) {
  CommandLine line;
  bool options = true;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    if (options && argument == QStringLiteral("--")) {
      options = false;
    } else if (options && argument == QString::fromLatin1(kShellOpenOption)) {
      line.shellOpen = true;
    } else if (options && argument.size() > 1 && argument.startsWith(u'-')) {
      continue;
    } else if (line.file.isEmpty()) {
      line.file = argument;
    }
  }
  return line;
}

// The read-permission test of the gate: an existing regular file the user may read.
bool IsReadableFile(const QString& path) {
  if (path.isEmpty()) return false;
  const QFileInfo info(path);
  if (!info.isFile()) return false;
#ifdef Q_OS_UNIX
  return ::access(QFile::encodeName(path).constData(), R_OK) == 0;
#else
  return info.isReadable();
#endif
}

}  // namespace

CMirevApp::CMirevApp(AppOptions appOptions) : options(std::move(appOptions)) {
  if (options.dialogs) {
    dialogs = options.dialogs;
  } else {
    ownDialogs = std::make_unique<QtDialogService>();
    dialogs = ownDialogs.get();
  }
}

CMirevApp::~CMirevApp() {
  openServer.reset();
  keyFilter.reset();
  // Windows (and their views) before the documents they show.
  mainFrame.reset();
  docTemplate.reset();
}

int CMirevApp::Run(const QStringList& arguments) {
  const CommandLine line = ParseCommandLine(arguments);
  if (line.shellOpen) {
    const QString path = line.file.isEmpty() ? QString() : QFileInfo(line.file).absoluteFilePath();
    if (SendOpenRequest(DefaultChannelName(), path, kHandOffTimeoutMs) == HandOffResult::Delivered) return 0;
  }
  CMirevApp app;
  if (!app.InitInstance(arguments)) {
    app.ExitInstance();
    return 1;
  }
  QApplication::exec();
  return app.ExitInstance();
}

bool CMirevApp::InitInstance(const QStringList& arguments) {
  // The profile: "Harrowin" / "Mirev".
  store = options.profileLocation.isEmpty()
              ? std::make_unique<SettingsStore>(settings)
              : std::make_unique<SettingsStore>(settings, options.profileLocation);
  recentFiles.SetPaths(store->LoadRecentFiles(RecentFileList::kCapacity));

  docTemplate = std::make_unique<DocumentTemplate>(*this);

  mainFrame = std::make_unique<CMainFrame>(*this);
  if (!mainFrame->LoadFrame()) return false;

  keyFilter = std::make_unique<AcceleratorFilter>(*mainFrame, *docTemplate);
  qApp->installEventFilter(keyFilter.get());
  if (options.shellIntegration) StartShellIntegration();

  // Settings before the first document and view exist: the views rely on them.
  store->LoadReadExtList();
  store->LoadFileType();
  store->LoadColorSettings();
  store->LoadMacroSettings();
  ReloadMacroMenu();
  store->LoadTypesetSettings();

  const CommandLine line = ParseCommandLine(arguments);
  if (line.file.isEmpty()) {
    OnFileNew();
  } else if (!OpenDocumentFile(line.file)) {
    return false;
  }

  mainFrame->show();
  return true;
}

int CMirevApp::ExitInstance() {
  if (!store) return 0;
  store->SaveReadExtList();
  store->SaveFileType();
  store->SaveColorSettings();
  store->SaveMacroSettings();
  store->SaveTypesetSettings();
  store->SaveRecentFiles(recentFiles.Paths());
  store->Flush();
  return 0;
}

void CMirevApp::ReloadMacroMenu() {
  // The popup macro menu is built from settings.macroFile here once the TeX view's macro
  // reader is part of the program.
}

void CMirevApp::StartShellIntegration() {
  const QString program = QCoreApplication::applicationFilePath();
#ifdef Q_OS_WIN
  RegisterShellFileTypes(program);
#else
  EnsureDesktopEntry(program);
#endif
  openServer = std::make_unique<OpenRequestServer>(options.channelName.isEmpty() ? DefaultChannelName()
                                                                                 : options.channelName);
  connect(openServer.get(), &OpenRequestServer::openRequested, this, &CMirevApp::OnOpenRequest);
  openServer->Listen();
}

void CMirevApp::OnOpenRequest(const QString& path) {
  if (!path.isEmpty()) OpenDocumentFile(path);
  if (!mainFrame) return;
  if (mainFrame->isMinimized()) mainFrame->showNormal();
  mainFrame->show();
  mainFrame->raise();
  mainFrame->activateWindow();
}

ShellDocument* CMirevApp::OpenDocumentFile(const QString& path) {
  if (!IsReadableFile(path)) {
    ShowFileErrorBox();
    return nullptr;
  }
  return docTemplate->OpenDocumentFile(path);
}

void CMirevApp::ShowFileErrorBox() {
  dialogs->MessageBox(nullptr, QStringLiteral("error"), QString::fromUtf8(ResourceString(IDS_FILE_ERROR)),
                      DialogService::Buttons::Ok, DialogService::Icon::None);
}

void CMirevApp::AddToRecentFileList(const QString& path) { recentFiles.Add(path); }

// --- Commands --------------------------------------------------------------------------------

std::span<const CommandEntry<CMirevApp>> CMirevApp::CommandTable() {
  static const CommandEntry<CMirevApp> table[] = {
      {ID_FILE_NEW, &CMirevApp::OnFileNew},
      {ID_FILE_OPEN, &CMirevApp::OnFileOpen},
      {ID_FILE_MRU_FIRST, ID_FILE_MRU_LAST, &CMirevApp::OnOpenRecentFile, &CMirevApp::OnUpdateRecentFileMenu},
      {ID_APP_EXIT, &CMirevApp::OnAppExit},
  };
  return table;
}

bool CMirevApp::OnCmdMsg(int id, CommandUi* ui) { return DispatchCommand(*this, CommandTable(), id, ui); }

void CMirevApp::OnFileNew() { docTemplate->NewDocument(); }

void CMirevApp::OnFileOpen() { ::OnFileOpen(*this); }

void CMirevApp::OnOpenRecentFile(int id) {
  const int index = id - ID_FILE_MRU_FIRST;
  if (index < 0 || index >= recentFiles.Size()) return;
  const QString path = recentFiles.Paths()[index];
  if (OpenDocumentFile(path)) return;
  // The list may have changed while the box was up; drop the entry by name.
  const int now = static_cast<int>(recentFiles.Paths().indexOf(path));
  if (now >= 0) recentFiles.Remove(now);
}

void CMirevApp::OnUpdateRecentFileMenu(CommandUi& ui) {
  ui.enabled = ui.id - ID_FILE_MRU_FIRST < recentFiles.Size();
}

void CMirevApp::OnAppExit() {
  if (mainFrame) mainFrame->close();
}

#include "app/CMirevApp.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "app/AcceleratorFilter.h"
#include "app/CMainFrame.h"
#include "app/DialogService.h"
#include "app/DialogTexts.h"
#include "app/DocumentTemplate.h"
#include "app/FileCommands.h"
#include "app/FilePath.h"
#include "app/OpenRequest.h"
#include "app/SettingsStore.h"
#include "app/ShellDocument.h"
#include "app/ShellRegistration.h"
#include "base/CommandIds.h"
#include "platform/QtMenuBuilder.h"
#include "res/Resources.h"
#include "sys/ProcessSignals.h"
#include "tex/CMacroMenu.h"

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

}  // namespace

CMirevApp::CMirevApp(AppOptions appOptions)
    : options(std::move(appOptions)),
      menuBuilder(std::make_unique<QtMenuBuilder>()),
      macroMenu(std::make_unique<CMacroMenu>(*menuBuilder)) {
  if (options.dialogs) {
    dialogs = options.dialogs;
  } else {
    ownDialogs = std::make_unique<QtDialogService>();
    dialogs = ownDialogs.get();
  }
}

CMirevApp::~CMirevApp() {
  if (qtTranslator) QCoreApplication::removeTranslator(qtTranslator.get());
  openServer.reset();
  keyFilter.reset();
  // Windows (and their views) before the documents they show.
  mainFrame.reset();
  docTemplate.reset();
}

int CMirevApp::Run(const QStringList& arguments) {
  IgnoreWriteSignals();
  const CommandLine line = ParseCommandLine(arguments);
  if (line.shellOpen) {
    const QString path = ResolvedPath(line.file);
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
  LoadQtTranslations();
  // The profile: "Harrowin" / "Mirev".
  store = options.profileLocation.isEmpty()
              ? std::make_unique<SettingsStore>(settings)
              : std::make_unique<SettingsStore>(settings, options.profileLocation);
  const QString setAside = store->SetAsideUnreadableProfile();
  recentFiles.SetPaths(store->LoadRecentFiles(RecentFileList::kCapacity));
  storedRecentFiles = recentFiles.Paths();

  docTemplate = std::make_unique<DocumentTemplate>(*this);

  mainFrame = std::make_unique<CMainFrame>(*this);
  if (!mainFrame->LoadFrame()) return false;
  if (!setAside.isEmpty()) {
    mainFrame->SetMessageText(ResText(IDS_PROFILE_SET_ASIDE)
                                  .replace(QStringLiteral("%1"), DisplayPath(store->FileName()))
                                  .replace(QStringLiteral("%2"), DisplayPath(setAside)));
  }

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
  // Said once the first document shows its caret position, which would cover it.
  if (!macroNotice.isEmpty()) mainFrame->ShowNotice(macroNotice);
  return true;
}

int CMirevApp::ExitInstance() {
  if (!store) return 0;
  store->SaveReadExtList();
  store->SaveFileType();
  store->SaveColorSettings();
  store->SaveMacroSettings();
  store->SaveTypesetSettings();
  if (recentFiles.Paths() != storedRecentFiles) store->SaveRecentFiles(recentFiles.Paths());
  if (!store->Flush()) {
    dialogs->MessageBox(
        nullptr, ResText(IDS_APP_TITLE),
        ResText(IDS_PROFILE_NOT_SAVED).replace(QStringLiteral("%1"), DisplayPath(store->FileName())),
        DialogService::Buttons::Ok, DialogService::Icon::Warning);
  }
  return 0;
}

void CMirevApp::LoadQtTranslations() {
  // The program speaks Japanese whatever the system's language: so do Qt's own dialogs.
  QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
  if (qtTranslator) return;
  auto translator = std::make_unique<QTranslator>();
  if (!translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    return;
  QCoreApplication::installTranslator(translator.get());
  qtTranslator = std::move(translator);
}

void CMirevApp::ReloadMacroMenu() {
  const QString name = QString::fromUtf8(settings.macroFile);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const MacroLoadResult& result = macroMenu->ReloadMacroMenu(PathStdBytes(name));
  QApplication::restoreOverrideCursor();
  // A missing file is the usual way to have no macro menu; it goes unremarked.
  macroNotice.clear();
  const bool missing = !result.loaded && result.error.cause == FileErrorCause::FileNotFound;
  if (result.error.Ok() || missing) return;
  macroNotice = ReadFailureMessage(result.error, ResolvedPath(name));
  if (result.loaded) macroNotice += u' ' + ResText(IDS_MACRO_READ_CUT_SHORT);
  if (mainFrame && mainFrame->isVisible()) mainFrame->ShowNotice(macroNotice);
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
  pendingOpens.push_back(path);
  // A request that arrives while an earlier one shows its box waits for the loop below, so
  // that boxes come one after another, never one inside the other.
  if (openingRequests) return;
  openingRequests = true;
  while (!pendingOpens.empty() && mainFrame) {
    const QString next = pendingOpens.front();
    pendingOpens.pop_front();
    if (!next.isEmpty()) OpenDocumentFile(next);
  }
  openingRequests = false;
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
  dialogs->MessageBox(nullptr, QStringLiteral("error"), ResText(IDS_FILE_ERROR), DialogService::Buttons::Ok,
                      DialogService::Icon::None);
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

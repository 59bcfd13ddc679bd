#include "app/TypesetCommands.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <QUrl>
#include <array>

#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/CMirevApp.h"
#include "app/CTypesetDlg.h"
#include "app/DialogService.h"
#include "app/DialogTexts.h"
#include "app/DocumentTemplate.h"
#include "app/ShellDocument.h"
#include "app/TypesetPane.h"
#include "app/TypesetRunner.h"
#include "base/CommandIds.h"
#include "platform/ViewWidget.h"
#include "res/Resources.h"
#include "tex/TypesetCommand.h"
#include "view/CVeloView.h"

namespace {

// A command as the user could type it again: words with blanks or quotes in quotes.
QString CommandLine(const typeset::Command& command) {
  QStringList words{QString::fromUtf8(command.program)};
  for (const std::string& argument : command.arguments) {
    const QString word = QString::fromUtf8(argument);
    if (!word.isEmpty() && !word.contains(u' ') && !word.contains(u'\t') && !word.contains(u'\'') &&
        !word.contains(u'"'))
      words << word;
    else if (word.contains(u'\''))
      words << u'"' + word + u'"';
    else
      words << u'\'' + word + u'\'';
  }
  return QStringLiteral("> ") + words.join(u' ');
}

QString KindText(typeset::EntryKind kind) {
  switch (kind) {
    case typeset::EntryKind::Error:
      return ResText(IDS_TYPESET_KIND_ERROR);
    case typeset::EntryKind::Warning:
      return ResText(IDS_TYPESET_KIND_WARNING);
    case typeset::EntryKind::BadBox:
      break;
  }
  return ResText(IDS_TYPESET_KIND_BAD_BOX);
}

}  // namespace

TypesetCommands::TypesetCommands(CMirevApp& application, CMainFrame& mainFrame)
    : app(application), frame(mainFrame), runner(new TypesetRunner(this)), pane(new TypesetPane(&mainFrame)) {
  frame.addDockWidget(Qt::BottomDockWidgetArea, pane);
  pane->hide();

  busy = new QWidget(frame.statusBar());
  busy->setObjectName(QStringLiteral("typesetBusy"));
  auto* layout = new QHBoxLayout(busy);
  layout->setContentsMargins(0, 0, 0, 0);
  busyText = new QLabel(busy);
  auto* bar = new QProgressBar(busy);
  bar->setRange(0, 0);  // busy, without a measure of progress
  bar->setTextVisible(false);
  bar->setMaximumWidth(80);
  bar->setMaximumHeight(busyText->sizeHint().height());
  layout->addWidget(busyText);
  layout->addWidget(bar);
  frame.statusBar()->insertPermanentWidget(0, busy);
  busy->hide();

  openPdf = [](const QString& path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };

  connect(runner, &TypesetRunner::stepStarted, this, &TypesetCommands::OnStepStarted);
  connect(runner, &TypesetRunner::lineRead, pane, &TypesetPane::AppendLine);
  connect(runner, &TypesetRunner::openLineChanged, pane, &TypesetPane::SetOpenLine);
  connect(runner, &TypesetRunner::entryAdded, this, &TypesetCommands::OnEntryAdded);
  connect(runner, &TypesetRunner::entriesCleared, pane, &TypesetPane::ClearEntries);
  connect(runner, &TypesetRunner::finished, this, &TypesetCommands::OnFinished);
  connect(pane, &TypesetPane::entryChosen, this, &TypesetCommands::GoToEntry);
}

TypesetCommands::~TypesetCommands() { runner->disconnect(this); }

CommandTarget* TypesetCommands::FocusTarget() const { return pane->HasFocusInside() ? pane : nullptr; }

QString TypesetCommands::PdfPath() const {
  QString source = typesetPath;
  if (source.isEmpty()) {
    if (CChildFrame* child = frame.ActiveChild()) source = child->Document().PathName();
  }
  if (source.isEmpty()) return {};
  return QString::fromUtf8(typeset::OutputPath(source.toStdString(), ".pdf"));
}

void TypesetCommands::ShowMessage(const QString& text) { frame.SetMessageText(text); }

// --- Commands --------------------------------------------------------------------------------

std::span<const CommandEntry<TypesetCommands>> TypesetCommands::CommandTable() {
  static const CommandEntry<TypesetCommands> table[] = {
      {ID_TYPESET, &TypesetCommands::OnTypeset, &TypesetCommands::OnUpdateNeedsDocument},
      {ID_TYPESET_STOP, &TypesetCommands::OnStop, &TypesetCommands::OnUpdateStop},
      {ID_NEXT_ERROR, &TypesetCommands::OnNextError},
      {ID_PREV_ERROR, &TypesetCommands::OnPrevError},
      {ID_OPEN_PDF, &TypesetCommands::OnOpenPdf, &TypesetCommands::OnUpdateOpenPdf},
      {ID_VIEW_TYPESET_PANE, &TypesetCommands::OnViewPane, &TypesetCommands::OnUpdateViewPane},
      {ID_TYPESET_SETTINGS, &TypesetCommands::OnSettings},
      {ID_NEXT_PANE, &TypesetCommands::OnNextPane},
      // Two panes: the previous one is the next one.
      {ID_PREV_PANE, &TypesetCommands::OnNextPane},
  };
  return table;
}

bool TypesetCommands::OnCmdMsg(int id, CommandUi* ui) {
  return DispatchCommand(*this, CommandTable(), id, ui);
}

void TypesetCommands::OnUpdateNeedsDocument(CommandUi& ui) { ui.enabled = frame.ActiveChild() != nullptr; }

void TypesetCommands::OnTypeset() {
  CChildFrame* child = frame.ActiveChild();
  if (!child) return;
  if (runner->IsRunning()) {
    ShowMessage(ResText(IDS_TYPESET_BUSY));
    return;
  }
  // The typesetter reads the file: it must hold what the window shows. The normal Save asks
  // an untitled document for a name; a save that fails or is cancelled ends the command.
  ShellDocument& doc = child->Document();
  if (doc.IsModified() || doc.PathName().isEmpty()) {
    frame.RouteCommand(doc.IsModified() ? ID_FILE_SAVE : ID_FILE_SAVE_AS);
    if (!frame.Children().contains(child) || doc.IsModified() || doc.PathName().isEmpty()) return;
  }

  const Settings& settings = app.GetSettings();
  const QString path = doc.PathName();
  switch (runner->Start(path, QString::fromUtf8(settings.typesetCommand))) {
    case TypesetRunner::StartResult::Busy:
      ShowMessage(ResText(IDS_TYPESET_BUSY));
      return;
    case TypesetRunner::StartResult::BadSetting: {
      const QString text = runner->SettingProblem() == typeset::CommandProblem::UnclosedQuote
                               ? ResText(IDS_TYPESET_UNCLOSED_QUOTE).arg(runner->SettingProblemLine())
                               : ResText(IDS_TYPESET_NO_COMMAND);
      app.Dialogs().MessageBox(&frame, ResText(IDS_APP_TITLE), text, DialogService::Buttons::Ok,
                               DialogService::Icon::Warning);
      return;
    }
    case TypesetRunner::StartResult::Started:
      break;
  }
  typesetPath = runner->DocumentPath();
  commandLines.clear();
  for (const typeset::Command& command : runner->Commands()) commandLines << CommandLine(command);
  pane->Clear();
  pane->show();
  busyText->clear();  // until the first program starts
  busy->show();
}

void TypesetCommands::OnStop() { runner->Stop(); }

void TypesetCommands::OnUpdateStop(CommandUi& ui) { ui.enabled = runner->IsRunning(); }

void TypesetCommands::OnNextError() { Walk(+1); }

void TypesetCommands::OnPrevError() { Walk(-1); }

void TypesetCommands::OnOpenPdf() {
  const QString path = PdfPath();
  if (path.isEmpty() || !QFileInfo(path).isFile()) {
    ShowMessage(ResText(IDS_TYPESET_NO_PDF).arg(QDir::toNativeSeparators(path)));
    return;
  }
  OpenPdf(path);
}

void TypesetCommands::OnUpdateOpenPdf(CommandUi& ui) {
  const QString path = PdfPath();
  ui.enabled = !path.isEmpty() && QFileInfo(path).isFile();
}

void TypesetCommands::OnViewPane() {
  const bool hide = !pane->isHidden();
  const bool hadFocus = pane->HasFocusInside();
  pane->setHidden(hide);
  if (hide && hadFocus) frame.ActivateChild(frame.ActiveChild());
}

void TypesetCommands::OnUpdateViewPane(CommandUi& ui) { ui.checked = !pane->isHidden(); }

void TypesetCommands::OnNextPane() {
  if (pane->HasFocusInside()) {
    frame.ActivateChild(frame.ActiveChild());
  } else if (!pane->isHidden()) {
    pane->FocusPane();
  }
}

void TypesetCommands::OnSettings() { RunTypesetSettingsCommand(app.GetSettings(), app.Dialogs(), &frame); }

// --- The run ---------------------------------------------------------------------------------

void TypesetCommands::OnStepStarted(int step, int steps, const QString& program) {
  busyText->setText(
      ResText(IDS_TYPESET_RUNNING).arg(program, QString::number(step + 1), QString::number(steps)));
  if (step >= 0 && step < commandLines.size()) pane->AppendLine(commandLines[step]);
}

void TypesetCommands::OnEntryAdded(int index) {
  const typeset::LogEntry& entry = runner->Entries()[static_cast<std::size_t>(index)];
  TypesetPane::Entry shown;
  shown.kind = entry.kind;
  shown.path = runner->EntryFilePath(entry);
  shown.line = entry.line;
  shown.message = QString::fromUtf8(entry.message);
  // Files of the document's folder by their relative names, as TeX gave them; others in full.
  QString name;
  if (!shown.path.isEmpty()) {
    name = QDir(QFileInfo(typesetPath).absolutePath()).relativeFilePath(shown.path);
    if (name.startsWith(QStringLiteral("../"))) name = shown.path;
    name = QDir::toNativeSeparators(name);
  }
  if (name.isEmpty())
    shown.text = shown.message;
  else if (shown.line > 0)
    shown.text = QStringLiteral("%1:%2: %3").arg(name).arg(shown.line).arg(shown.message);
  else
    shown.text = QStringLiteral("%1: %2").arg(name, shown.message);
  pane->AddEntry(std::move(shown));
}

void TypesetCommands::OnFinished() {
  busy->hide();
  const TypesetRunner::Result& result = runner->LastResult();
  QString text;
  switch (result.outcome) {
    case TypesetRunner::Outcome::Succeeded:
    case TypesetRunner::Outcome::None:
      text = ResText(IDS_TYPESET_SUCCEEDED);
      break;
    case TypesetRunner::Outcome::Stopped:
      text = ResText(IDS_TYPESET_STOPPED);
      break;
    case TypesetRunner::Outcome::Failed:
      switch (result.failure) {
        case TypesetRunner::Failure::NotStarted:
          text = ResText(IDS_TYPESET_NOT_STARTED).arg(result.program);
          break;
        case TypesetRunner::Failure::Crashed:
          text = ResText(IDS_TYPESET_CRASHED).arg(result.program);
          break;
        case TypesetRunner::Failure::ExitStatus:
        case TypesetRunner::Failure::None:
          text = ResText(IDS_TYPESET_EXIT_STATUS).arg(result.program, QString::number(result.exitStatus));
          break;
      }
      break;
  }
  std::array<int, 3> counts{};  // errors, warnings, bad boxes
  for (const typeset::LogEntry& entry : runner->Entries()) ++counts[static_cast<std::size_t>(entry.kind)];
  text += u' ' + ResText(IDS_TYPESET_COUNTS).arg(counts[0]).arg(counts[1]).arg(counts[2]);
  // The output keeps the outcome after the status bar has moved on.
  pane->AppendLine(text);
  pane->FlushOutput();
  ShowMessage(text);
  if (result.outcome == TypesetRunner::Outcome::Succeeded && app.GetSettings().openPdfAfterTypeset) {
    const QString path = PdfPath();
    if (QFileInfo(path).isFile()) OpenPdf(path);
  }
}

void TypesetCommands::OpenPdf(const QString& path) {
  if (!openPdf || !openPdf(path))
    ShowMessage(ResText(IDS_TYPESET_PDF_FAILED).arg(QDir::toNativeSeparators(path)));
}

// --- Walking the entries ---------------------------------------------------------------------

void TypesetCommands::Walk(int direction) {
  const int row = pane->StepFrom(direction);
  if (row >= 0) {
    GoToEntry(row);
    return;
  }
  if (pane->EntryCount() == 0)
    ShowMessage(ResText(IDS_TYPESET_NO_ENTRIES));
  else
    ShowMessage(ResText(direction > 0 ? IDS_TYPESET_NO_NEXT : IDS_TYPESET_NO_PREVIOUS));
}

void TypesetCommands::GoToEntry(int row) {
  if (row < 0 || row >= pane->EntryCount()) return;
  pane->SetCurrent(row);
  // A copy: opening a file runs the event loop's work, which may add entries.
  const TypesetPane::Entry entry = pane->EntryAt(row);
  const QString message = ResText(IDS_TYPESET_ENTRY)
                              .arg(row + 1)
                              .arg(pane->EntryCount())
                              .arg(KindText(entry.kind), entry.message);
  if (!entry.path.isEmpty()) {
    // The window in front stays when it shows the file; else the file is opened (or its
    // window activated) the way the user opens a file.
    CChildFrame* child = frame.ActiveChild();
    ShellDocument* open = app.Template().FindDocument(entry.path);
    if (!child || !open || &child->Document() != open) {
      if (!app.OpenDocumentFile(entry.path)) return;
      child = frame.ActiveChild();
    }
    if (child && child->View()) {
      if (entry.line > 0) child->View()->View().GoToLine(entry.line - 1, 0);
      frame.ActivateChild(child);
    }
  }
  ShowMessage(message);
}

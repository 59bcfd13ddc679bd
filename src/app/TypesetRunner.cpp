#include "app/TypesetRunner.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <string_view>

#include "sys/ProcessGroup.h"
#include "sys/ProcessSignals.h"

namespace {

std::string_view View(const QByteArray& bytes) {
  return std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace

TypesetRunner::TypesetRunner(QObject* parent)
    : QObject(parent), reader(std::make_unique<typeset::TypesetLogReader>()) {
  killTimer.setSingleShot(true);
  connect(&killTimer, &QTimer::timeout, this, [this] { KillProcessGroup(processGroup); });
}

TypesetRunner::~TypesetRunner() {
  if (process) {
    process->disconnect(this);
    if (process->state() != QProcess::NotRunning) {
      KillProcessGroup(processGroup);
      process->kill();
      process->waitForFinished(2000);
    }
  }
  if (killTimer.isActive()) KillProcessGroup(processGroup);
}

TypesetRunner::StartResult TypesetRunner::Start(const QString& filePath, const QString& setting) {
  if (running) return StartResult::Busy;
  const QString absolute = QFileInfo(filePath).absoluteFilePath();
  typeset::CommandChain chain =
      typeset::ExpandCommands(setting.toUtf8().toStdString(), absolute.toUtf8().toStdString());
  settingProblem = chain.problem;
  settingProblemLine = chain.problemLine;
  if (chain.problem != typeset::CommandProblem::None) return StartResult::BadSetting;

  // What the previous run left after Stop goes now, before its group id is forgotten.
  if (killTimer.isActive()) {
    killTimer.stop();
    KillProcessGroup(processGroup);
  }
  commands = std::move(chain.commands);
  step = 0;
  documentPath = absolute;
  folder = QFileInfo(absolute).absolutePath();
  splitter = typeset::LineSplitter();
  reader = std::make_unique<typeset::TypesetLogReader>([dir = QDir(folder)](const std::string& name) {
    return QFileInfo(dir, QString::fromUtf8(name)).isFile();
  });
  publishedEntries = 0;
  publishedRuns = 0;
  openLineShown = false;
  result = {};
  running = true;
  stopping = false;
  // Always from the event loop, so that the caller sees Started before anything else.
  QTimer::singleShot(0, this, &TypesetRunner::StartStep);
  return StartResult::Started;
}

void TypesetRunner::Stop() {
  if (!running || stopping) return;
  stopping = true;
  if (!process || process->state() == QProcess::NotRunning) return;  // StartStep ends the chain
  if (processGroup > 0 && TerminateProcessGroup(processGroup))
    killTimer.start(kGraceMs);
  else
    process->kill();
}

QString TypesetRunner::EntryFilePath(const typeset::LogEntry& entry) const {
  if (entry.file.empty()) return {};
  const QString name = QString::fromUtf8(entry.file);
  return QDir::cleanPath(QDir(folder).absoluteFilePath(name));
}

void TypesetRunner::StartStep() {
  if (stopping) {
    Finish(Outcome::Stopped, Failure::None, 0);
    return;
  }
  const typeset::Command& command = commands[step];
  process = std::make_unique<QProcess>();
  process->setWorkingDirectory(folder);
  process->setProcessChannelMode(QProcess::MergedChannels);
  process->setStandardInputFile(QProcess::nullDevice());
  process->setChildProcessModifier([] {
    RestoreWriteSignals();  // the typesetting programs expect SIGPIPE, as a shell gives it
    LeadNewProcessGroup();
  });
  connect(process.get(), &QProcess::readyReadStandardOutput, this, &TypesetRunner::ReadOutput);
  connect(process.get(), &QProcess::finished, this, [this](int exitCode, QProcess::ExitStatus status) {
    OnProcessFinished(exitCode, status == QProcess::CrashExit);
  });
  connect(process.get(), &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
    if (error == QProcess::FailedToStart) OnProcessError();
  });
  connect(process.get(), &QProcess::started, this, [this] { processGroup = process->processId(); });

  QStringList arguments;
  for (const std::string& argument : command.arguments) arguments << QString::fromUtf8(argument);
  const QString program = QString::fromUtf8(command.program);
  processGroup = 0;
  emit stepStarted(static_cast<int>(step), static_cast<int>(commands.size()), program);
  process->start(program, arguments);
  // A program that cannot start may have ended the chain already, inside start().
  if (process && process->processId() > 0) processGroup = process->processId();
}

void TypesetRunner::ReadOutput() {
  if (!process) return;
  const QByteArray bytes = process->readAll();
  if (bytes.isEmpty()) return;
  std::vector<std::string> lines;
  splitter.Feed(View(bytes), lines);
  for (const std::string& line : lines) {
    reader->AddLine(line);
    emit lineRead(QString::fromUtf8(typeset::DecodeLine(line)));
  }
  PublishEntries();
  const std::string open = splitter.OpenLineText();
  if (!open.empty() || (openLineShown && !lines.empty())) {
    openLineShown = !open.empty();
    emit openLineChanged(QString::fromUtf8(open));
  }
}

// The program ended: its last line, and whatever the reader still held.
void TypesetRunner::EndOutput() {
  ReadOutput();
  if (std::string last; splitter.Finish(last)) {
    reader->AddLine(last);
    emit lineRead(QString::fromUtf8(typeset::DecodeLine(last)));
  }
  reader->Finish();
  PublishEntries();
  if (openLineShown) {
    openLineShown = false;
    emit openLineChanged(QString());
  }
}

void TypesetRunner::PublishEntries() {
  const std::vector<typeset::LogEntry>& entries = reader->Entries();
  if (reader->Runs() != publishedRuns || entries.size() < publishedEntries) {
    publishedRuns = reader->Runs();
    if (publishedEntries > 0) {
      publishedEntries = 0;
      emit entriesCleared();
    }
  }
  while (publishedEntries < entries.size()) emit entryAdded(static_cast<int>(publishedEntries++));
}

void TypesetRunner::OnProcessFinished(int exitCode, bool crashed) {
  EndOutput();
  if (stopping)
    Finish(Outcome::Stopped, Failure::None, 0);
  else if (crashed)
    Finish(Outcome::Failed, Failure::Crashed, 0);
  else if (exitCode != 0)
    Finish(Outcome::Failed, Failure::ExitStatus, exitCode);
  else if (++step < commands.size())
    QTimer::singleShot(0, this, &TypesetRunner::StartStep);
  else
    Finish(Outcome::Succeeded, Failure::None, 0);
}

void TypesetRunner::OnProcessError() {
  EndOutput();
  Finish(stopping ? Outcome::Stopped : Outcome::Failed, Failure::NotStarted, 0);
}

void TypesetRunner::Finish(Outcome outcome, Failure failure, int exitStatus) {
  result.outcome = outcome;
  result.failure = failure;
  result.exitStatus = exitStatus;
  result.step = outcome == Outcome::Succeeded ? -1 : static_cast<int>(step);
  result.program = step < commands.size()
                       ? QString::fromUtf8(commands[step].program.data(),
                                           static_cast<qsizetype>(commands[step].program.size()))
                       : QString();
  running = false;
  // Finish may run inside one of the process's own signals: it goes from the event loop.
  if (process) {
    process->disconnect(this);
    process.release()->deleteLater();
  }
  emit finished();
}

#pragma once
// Runs the typesetting command chain for a document without blocking the window.
//
// Each command runs in the document's folder, with no terminal and an empty standard input,
// in a process group of its own: Stop ends the whole tree a command started (SIGTERM, then
// SIGKILL after kGraceMs). Standard output and error are read together, as the program wrote
// them, decoded line by line as they arrive (tex/TypesetOutput.h) and read for errors and
// warnings (tex/TypesetLog.h). A command that cannot start, crashes or ends with a status
// other than 0 stops the chain.
#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>
#include <vector>

#include "tex/TypesetCommand.h"
#include "tex/TypesetLog.h"
#include "tex/TypesetOutput.h"

class QProcess;

class TypesetRunner : public QObject {
  Q_OBJECT

 public:
  static constexpr int kGraceMs = 500;

  enum class StartResult {
    Started,
    Busy,        // a chain is running; nothing changes
    BadSetting,  // see SettingProblem
  };
  enum class Outcome { None, Succeeded, Failed, Stopped };
  enum class Failure {
    None,
    NotStarted,  // the program was not found or could not run
    Crashed,     // ended by a signal
    ExitStatus,  // ended with a status other than 0
  };
  struct Result {
    Outcome outcome = Outcome::None;
    int step = -1;    // the command that failed or was stopped (0-based); -1 on success
    QString program;  // its program
    Failure failure = Failure::None;
    int exitStatus = 0;
  };

  explicit TypesetRunner(QObject* parent = nullptr);
  // Kills what still runs, at once.
  ~TypesetRunner() override;

  // Runs the commands of setting (tex/TypesetCommand.h) for the document at filePath (an
  // absolute path). Entries, lines and the result of the previous run are dropped.
  StartResult Start(const QString& filePath, const QString& setting);
  // Ends the running chain; finished() follows once the running program has ended.
  void Stop();

  bool IsRunning() const { return running; }
  // The problem and its 1-based line when Start answered BadSetting.
  typeset::CommandProblem SettingProblem() const { return settingProblem; }
  int SettingProblemLine() const { return settingProblemLine; }

  const QString& DocumentPath() const { return documentPath; }
  // The commands of the chain started last, placeholders filled in.
  const std::vector<typeset::Command>& Commands() const { return commands; }
  const std::vector<typeset::LogEntry>& Entries() const { return reader->Entries(); }
  // The absolute, clean path of an entry's file; empty when the entry names none.
  QString EntryFilePath(const typeset::LogEntry& entry) const;
  const Result& LastResult() const { return result; }

 signals:
  void stepStarted(int step, int steps, const QString& program);
  // A complete output line, decoded.
  void lineRead(const QString& text);
  // The output line still being written (TeX prints "[1] [2]" page by page); it becomes the
  // next lineRead. Empty when a line has just ended.
  void openLineChanged(const QString& text);
  // Entries()[index] is new.
  void entryAdded(int index);
  // The engine started a new run (latexmk runs it again): the entries start over.
  void entriesCleared();
  // The chain ended; LastResult() tells how.
  void finished();

 private:
  void StartStep();
  void ReadOutput();
  void EndOutput();
  void PublishEntries();
  void OnProcessFinished(int exitCode, bool crashed);
  void OnProcessError();
  void Finish(Outcome outcome, Failure failure, int exitStatus);

  std::vector<typeset::Command> commands;
  std::size_t step = 0;
  QString documentPath;
  QString folder;
  std::unique_ptr<QProcess> process;
  long long processGroup = 0;
  bool running = false;
  bool stopping = false;
  QTimer killTimer;

  typeset::LineSplitter splitter;
  std::unique_ptr<typeset::TypesetLogReader> reader;
  std::size_t publishedEntries = 0;
  int publishedRuns = 0;
  bool openLineShown = false;

  typeset::CommandProblem settingProblem = typeset::CommandProblem::None;
  int settingProblemLine = 0;
  Result result;
};

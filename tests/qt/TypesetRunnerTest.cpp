// The typesetting runner: a chain of commands in the document's folder, output read as it
// arrives, a failed step stopping the chain, and Stop ending a real pLaTeX's process tree.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <functional>
#include <tuple>

#include "app/TypesetRunner.h"

namespace {

// Everything the runner said, in order.
struct Recorder {
  QStringList events, lines;
  int finished = 0;
  explicit Recorder(TypesetRunner& runner) {
    QObject::connect(&runner, &TypesetRunner::stepStarted,
                     [this](int step, int steps, const QString& program) {
                       events << QStringLiteral("step %1/%2 %3").arg(step).arg(steps).arg(program);
                     });
    QObject::connect(&runner, &TypesetRunner::lineRead, [this](const QString& text) {
      lines << text;
      events << "line " + text;
    });
    QObject::connect(&runner, &TypesetRunner::openLineChanged,
                     [this](const QString& text) { events << "open " + text; });
    QObject::connect(&runner, &TypesetRunner::entryAdded, [this, &runner](int index) {
      events << "entry " + QString::fromStdString(runner.Entries()[static_cast<std::size_t>(index)].message);
    });
    QObject::connect(&runner, &TypesetRunner::entriesCleared, [this] { events << "cleared"; });
    QObject::connect(&runner, &TypesetRunner::finished, [this] { ++finished; });
  }
};

bool WaitFor(const std::function<bool()>& done, int ms = 30000) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
  return true;
}

class TypesetRunnerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = root.filePath(QStringLiteral("日本語 フォルダ"));
    ASSERT_TRUE(QDir().mkpath(folder));
    document = folder + QStringLiteral("/誤り 文書.tex");
    Write(document, "\\documentclass{jsarticle}\n");
  }
  static void Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }
  // Runs chain on the document to its end.
  void Run(const QString& chain, int runs = 1) {
    ASSERT_EQ(runner.Start(document, chain), TypesetRunner::StartResult::Started);
    ASSERT_TRUE(WaitFor([&] { return recorder.finished == runs; }))
        << recorder.lines.join('\n').toStdString();
  }
  QTemporaryDir root;
  QString folder, document;
  TypesetRunner runner;
  Recorder recorder{runner};
};

TEST_F(TypesetRunnerTest, TheChainRunsInTheDocumentsFolderUntilAStepFails) {
  ASSERT_EQ(runner.Start(document,
                         "sh -c 'printf \"%s|\" \"$@\"; pwd' zero %f %b\n# a comment\nsh -c 'echo second'\n"),
            TypesetRunner::StartResult::Started);
  EXPECT_EQ(runner.Start(document, "true"), TypesetRunner::StartResult::Busy);
  ASSERT_TRUE(WaitFor([&] { return recorder.finished > 0; }));
  EXPECT_EQ(runner.LastResult().outcome, TypesetRunner::Outcome::Succeeded);
  EXPECT_EQ(
      recorder.events.filter(QRegularExpression("^(step|line) ")),
      (QStringList{"step 0/2 sh", "line 誤り 文書.tex|誤り 文書|" + folder, "step 1/2 sh", "line second"}));

  recorder.lines.clear();
  Run("sh -c 'echo before; exit 3'\nsh -c 'echo never'", 2);
  EXPECT_EQ(recorder.lines, QStringList{"before"});
  const TypesetRunner::Result& failed = runner.LastResult();
  EXPECT_TRUE(failed.outcome == TypesetRunner::Outcome::Failed &&
              failed.failure == TypesetRunner::Failure::ExitStatus && failed.exitStatus == 3 &&
              failed.step == 0);
  Run("echo first\nno-such-program-of-mirev %f\necho never", 3);
  EXPECT_EQ(runner.LastResult().failure, TypesetRunner::Failure::NotStarted);
  EXPECT_EQ(runner.LastResult().step, 1);
  EXPECT_EQ(runner.LastResult().program, "no-such-program-of-mirev");
  EXPECT_EQ(recorder.lines, (QStringList{"before", "first"}));
  EXPECT_EQ(runner.Start(document, "ok\nsh -c 'unclosed"), TypesetRunner::StartResult::BadSetting);
  EXPECT_FALSE(runner.IsRunning());
}

// The output arrives in two parts; the second waits until the test has seen the first.
TEST_F(TypesetRunnerTest, OutputIsDecodedAndReadAsItArrives) {
  Write(folder + "/first.txt",
        "This is e-pTeX, Version 3.14 (sjis.euc)\n(./\x8C\xEB\x82\xE8 \x95\xB6\x8F\x91.tex\n"
        "LaTeX Warning: first run on input line 1.\n\n[1");
  Write(
      folder + "/second.txt",
      "]\nThis is e-pTeX, Version 3.14 (sjis.euc)\n(./\xE8\xAA\xA4\xE3\x82\x8A \xE6\x96\x87\xE6\x9B\xB8.tex\n"
      "./\xB8\xED\xA4\xEA \xCA\xB8\xBD\xF1.tex:7: Undefined control sequence.\nl.7 \\undefined\n)\n");
  Write(folder + "/steps.sh", "cat first.txt; while [ ! -e go ]; do sleep 0.02; done; cat second.txt\n");
  ASSERT_EQ(runner.Start(document, "sh steps.sh"), TypesetRunner::StartResult::Started);
  ASSERT_TRUE(WaitFor([&] { return recorder.events.contains("open [1"); }));
  EXPECT_TRUE(recorder.events.contains("entry LaTeX Warning: first run.")) << "read before the run goes on";
  Write(folder + "/go", "");
  ASSERT_TRUE(WaitFor([&] { return recorder.finished > 0; }));
  EXPECT_EQ(recorder.lines,
            (QStringList{"This is e-pTeX, Version 3.14 (sjis.euc)", "(./誤り 文書.tex",
                         "LaTeX Warning: first run on input line 1.", "", "[1]",
                         "This is e-pTeX, Version 3.14 (sjis.euc)", "(./誤り 文書.tex",
                         "./誤り 文書.tex:7: Undefined control sequence.", "l.7 \\undefined", ")"}));
  EXPECT_EQ(recorder.events.filter(QRegularExpression("^(entry|cleared)")),
            (QStringList{"entry LaTeX Warning: first run.", "cleared", "entry Undefined control sequence."}));
  EXPECT_LT(recorder.events.indexOf("open [1"), recorder.events.indexOf("line [1]"));
  ASSERT_EQ(runner.Entries().size(), 1u);
  EXPECT_EQ(runner.EntryFilePath(runner.Entries()[0]), document);
  EXPECT_EQ(runner.Entries()[0].line, 7);
}

QByteArray TestDocument(const char* name) {
  QFile file(QStringLiteral(MIREV_TEST_DATA "/typeset/docs/") + name);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString Setting(std::string_view chain) {
  return QString::fromUtf8(chain.data(), static_cast<qsizetype>(chain.size()));
}

void ExpectInstalled(std::initializer_list<const char*> programs) {
  for (const char* program : programs)
    ASSERT_FALSE(QStandardPaths::findExecutable(program).isEmpty())
        << program << " is missing: see scripts/deps.sh";
}

// The default chain on a real pLaTeX, in a folder and under a name with blanks and Japanese.
TEST_F(TypesetRunnerTest, TheDefaultChainTypesetsCodePage932ToPdfAndReportsTheErrorLine) {
  ExpectInstalled({"platex", "pdftotext"});
  Write(document, TestDocument("good.tex"));
  Run(Setting(typeset::kPlatexCommand));
  ASSERT_EQ(runner.LastResult().outcome, TypesetRunner::Outcome::Succeeded)
      << recorder.lines.join('\n').toStdString();
  EXPECT_TRUE(runner.Entries().empty());
  QProcess text;
  text.start("pdftotext", {QString::fromStdString(typeset::OutputPath(document.toStdString(), ".pdf")), "-"});
  ASSERT_TRUE(text.waitForFinished(30000));
  EXPECT_TRUE(QString::fromUtf8(text.readAllStandardOutput()).contains("これは日本語の文書です。表示と能力"));

  Write(document, TestDocument("bad.tex"));
  Run(Setting(typeset::kPlatexCommand), 2);
  EXPECT_EQ(runner.LastResult().step, 0) << "dvipdfmx does not run after a failed pLaTeX";
  ASSERT_EQ(runner.Entries().size(), 1u);
  EXPECT_EQ(runner.EntryFilePath(runner.Entries()[0]), document);
  EXPECT_EQ(runner.Entries()[0].line, 7);
  EXPECT_EQ(runner.Entries()[0].message, "Undefined control sequence.");
  EXPECT_TRUE(recorder.lines.contains("l.7 表示\\undefinedcommand"));
}

// The live processes (by /proc) as name, process, parent and group.
std::vector<std::tuple<QString, long long, long long, long long>> Processes() {
  std::vector<std::tuple<QString, long long, long long, long long>> all;
  for (const QString& pid : QDir("/proc").entryList(QDir::Dirs)) {
    QFile stat("/proc/" + pid + "/stat");
    if (!stat.open(QIODevice::ReadOnly)) continue;
    const QByteArray text = stat.readAll();
    const qsizetype open = text.indexOf('('), close = text.lastIndexOf(')');
    const QList<QByteArray> fields = text.mid(close + 2).split(' ');
    if (open < 0 || close < 0 || fields.size() < 3 || fields[0] == "Z") continue;
    all.emplace_back(QString::fromUtf8(text.mid(open + 1, close - open - 1)), pid.toLongLong(),
                     fields[1].toLongLong(), fields[2].toLongLong());
  }
  return all;
}

// The runner's command leads a group of its own.
long long ChildGroup() {
  for (const auto& [name, pid, parent, group] : Processes())
    if (parent == getpid() && group == pid) return pid;
  return 0;
}

QStringList Members(long long group) {
  QStringList names;
  for (const auto& [name, pid, parent, inGroup] : Processes())
    if (group && inGroup == group) names << name;
  return names;
}

// pLaTeX looping on \loop\iftrue\repeat, under latexmk, and under a shell whose programs
// ignore SIGTERM (ended by the SIGKILL after the grace period): Stop ends them all.
TEST_F(TypesetRunnerTest, StopEndsTheWholeProcessTreeOfALoopingPlatex) {
  ExpectInstalled({"platex", "latexmk"});
  Write(document, TestDocument("loop.tex"));
  for (const QString& chain :
       {Setting(typeset::kLatexmkCommand),
        QString("sh -c 'trap \"\" TERM; platex -kanji=sjis -interaction=nonstopmode \"$1\"; "
                "echo after' zero %f")}) {
    SCOPED_TRACE(chain.toStdString());
    recorder.finished = 0;
    ASSERT_EQ(runner.Start(document, chain), TypesetRunner::StartResult::Started);
    long long group = 0;
    ASSERT_TRUE(WaitFor([&] { return Members(group = ChildGroup()).contains("platex"); }))
        << recorder.lines.join('\n').toStdString();
    runner.Stop();
    EXPECT_TRUE(WaitFor([&] { return recorder.finished > 0 && Members(group).isEmpty(); }, 10000))
        << Members(group).join(' ').toStdString();
    EXPECT_EQ(runner.LastResult().outcome, TypesetRunner::Outcome::Stopped);
    EXPECT_FALSE(recorder.lines.contains("after"));
  }
}

}  // namespace

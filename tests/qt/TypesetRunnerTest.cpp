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

#include "app/TypesetRunner.h"

namespace {

// Everything the runner said, in order.
struct Recorder {
  QStringList events;
  QStringList lines;
  int finished = 0;

  explicit Recorder(TypesetRunner& runner) {
    QObject::connect(&runner, &TypesetRunner::stepStarted,
                     [this](int step, int steps, const QString& program) {
                       events << QStringLiteral("step %1/%2 %3").arg(step).arg(steps).arg(program);
                     });
    QObject::connect(&runner, &TypesetRunner::lineRead, [this](const QString& text) {
      lines << text;
      events << QStringLiteral("line ") + text;
    });
    QObject::connect(&runner, &TypesetRunner::openLineChanged,
                     [this](const QString& text) { events << QStringLiteral("open ") + text; });
    QObject::connect(&runner, &TypesetRunner::entryAdded, [this, &runner](int index) {
      events << QStringLiteral("entry ") +
                    QString::fromStdString(runner.Entries()[static_cast<std::size_t>(index)].message);
    });
    QObject::connect(&runner, &TypesetRunner::entriesCleared,
                     [this] { events << QStringLiteral("cleared"); });
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
    ASSERT_TRUE(root.isValid());
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

  QTemporaryDir root;
  QString folder;
  QString document;
};

TEST_F(TypesetRunnerTest, ChainRunsInTheDocumentsFolderWithEachNameOneArgument) {
  TypesetRunner runner;
  Recorder recorder(runner);
  ASSERT_EQ(runner.Start(document,
                         "sh -c 'printf \"%s|\" \"$@\"; pwd' zero %f %b\n"
                         "# the second command\n"
                         "sh -c 'echo second; exit 0'\n"),
            TypesetRunner::StartResult::Started);
  EXPECT_TRUE(runner.IsRunning());
  EXPECT_EQ(runner.Start(document, "true"), TypesetRunner::StartResult::Busy);
  ASSERT_TRUE(WaitFor([&] { return recorder.finished > 0; }));
  EXPECT_EQ(recorder.finished, 1);
  EXPECT_EQ(runner.LastResult().outcome, TypesetRunner::Outcome::Succeeded);
  EXPECT_EQ(
      recorder.events.filter(QRegularExpression("^(step|line) ")),
      (QStringList{"step 0/2 sh", "line 誤り 文書.tex|誤り 文書|" + folder, "step 1/2 sh", "line second"}));
}

TEST_F(TypesetRunnerTest, FailedStepStopsTheChain) {
  TypesetRunner runner;
  Recorder recorder(runner);
  ASSERT_EQ(runner.Start(document, "sh -c 'echo before; exit 3'\nsh -c 'echo never'"),
            TypesetRunner::StartResult::Started);
  ASSERT_TRUE(WaitFor([&] { return recorder.finished > 0; }));
  EXPECT_EQ(recorder.lines, QStringList{"before"});
  EXPECT_EQ(runner.LastResult().outcome, TypesetRunner::Outcome::Failed);
  EXPECT_EQ(runner.LastResult().failure, TypesetRunner::Failure::ExitStatus);
  EXPECT_EQ(runner.LastResult().exitStatus, 3);
  EXPECT_EQ(runner.LastResult().step, 0);

  ASSERT_EQ(runner.Start(document, "echo first\nno-such-program-of-mirev %f\necho never"),
            TypesetRunner::StartResult::Started);
  ASSERT_TRUE(WaitFor([&] { return recorder.finished > 1; }));
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
  TypesetRunner runner;
  Recorder recorder(runner);
  ASSERT_EQ(runner.Start(document, "sh steps.sh"), TypesetRunner::StartResult::Started);
  ASSERT_TRUE(WaitFor([&] { return recorder.events.contains("open [1"); }));
  EXPECT_TRUE(recorder.events.contains("entry LaTeX Warning: first run.")) << "read before the run goes on";
  Write(folder + "/go", "");
  ASSERT_TRUE(WaitFor([&] { return recorder.finished > 0; }));
  // How the pipe cut the output decides where the open-line events fall among the lines.
  EXPECT_EQ(recorder.lines,
            (QStringList{"This is e-pTeX, Version 3.14 (sjis.euc)", "(./誤り 文書.tex",
                         "LaTeX Warning: first run on input line 1.", "", "[1]",
                         "This is e-pTeX, Version 3.14 (sjis.euc)", "(./誤り 文書.tex",
                         "./誤り 文書.tex:7: Undefined control sequence.", "l.7 \\undefined", ")"}));
  EXPECT_EQ(recorder.events.filter(QRegularExpression("^(entry|cleared)")),
            (QStringList{"entry LaTeX Warning: first run.", "cleared", "entry Undefined control sequence."}));
  EXPECT_LT(recorder.events.indexOf("open [1"), recorder.events.indexOf("line [1]"));
  EXPECT_EQ(recorder.events.filter(QRegularExpression("^open ")).last(), "open ");
  ASSERT_EQ(runner.Entries().size(), 1u);
  EXPECT_EQ(runner.EntryFilePath(runner.Entries()[0]), document);
  EXPECT_EQ(runner.Entries()[0].line, 7);
}

QByteArray ReadTestDocument(const char* name) {
  QFile file(QStringLiteral(MIREV_TEST_DATA "/typeset/docs/") + name);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The default chain on a real pLaTeX, for a document whose name and folder have spaces and
// Japanese characters.
TEST_F(TypesetRunnerTest, DefaultChainTypesetsCodePage932ToPdfAndReportsTheErrorLine) {
  ASSERT_FALSE(QStandardPaths::findExecutable("platex").isEmpty())
      << "platex is not installed: scripts/deps.sh installs texlive-lang-japanese";
  ASSERT_FALSE(QStandardPaths::findExecutable("pdftotext").isEmpty())
      << "pdftotext is not installed: scripts/deps.sh installs poppler-utils";
  const QString setting = QString::fromUtf8(typeset::kPlatexCommand.data(),
                                            static_cast<qsizetype>(typeset::kPlatexCommand.size()));
  TypesetRunner runner;
  Recorder recorder(runner);

  Write(document, ReadTestDocument("good.tex"));
  ASSERT_EQ(runner.Start(document, setting), TypesetRunner::StartResult::Started);
  ASSERT_TRUE(WaitFor([&] { return recorder.finished == 1; }));
  ASSERT_EQ(runner.LastResult().outcome, TypesetRunner::Outcome::Succeeded)
      << recorder.lines.join('\n').toStdString();
  EXPECT_TRUE(runner.Entries().empty());
  const QString pdf = QString::fromStdString(typeset::OutputPath(document.toStdString(), ".pdf"));
  QProcess text;
  text.start("pdftotext", {pdf, "-"});
  ASSERT_TRUE(text.waitForFinished(30000));
  EXPECT_TRUE(QString::fromUtf8(text.readAllStandardOutput()).contains("これは日本語の文書です。表示と能力"));

  Write(document, ReadTestDocument("bad.tex"));
  ASSERT_EQ(runner.Start(document, setting), TypesetRunner::StartResult::Started);
  ASSERT_TRUE(WaitFor([&] { return recorder.finished == 2; }));
  EXPECT_EQ(runner.LastResult().outcome, TypesetRunner::Outcome::Failed);
  EXPECT_EQ(runner.LastResult().step, 0) << "dvipdfmx does not run after a failed pLaTeX";
  ASSERT_EQ(runner.Entries().size(), 1u);
  EXPECT_EQ(runner.EntryFilePath(runner.Entries()[0]), document);
  EXPECT_EQ(runner.Entries()[0].line, 7);
  EXPECT_EQ(runner.Entries()[0].message, "Undefined control sequence.");
  EXPECT_TRUE(recorder.lines.contains("./誤り 文書.tex:7: Undefined control sequence."));
  EXPECT_TRUE(recorder.lines.contains("l.7 表示\\undefinedcommand"));
}

// The processes of a group (by /proc), zombies left out.
QStringList GroupMembers(long long group) {
  QStringList members;
  for (const QString& pid : QDir("/proc").entryList(QDir::Dirs)) {
    QFile stat("/proc/" + pid + "/stat");
    if (!stat.open(QIODevice::ReadOnly)) continue;
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    const QList<QByteArray> fields = text.mid(close + 2).split(' ');
    if (close < 0 || fields.size() < 3 || fields[0] == "Z") continue;
    if (fields[2].toLongLong() == group)
      members << QString::fromUtf8(text.mid(text.indexOf('(') + 1, close - text.indexOf('(') - 1));
  }
  return members;
}

// Our child's group: the runner's command leads one of its own.
long long ChildGroup() {
  for (const QString& pid : QDir("/proc").entryList(QDir::Dirs)) {
    QFile stat("/proc/" + pid + "/stat");
    if (!stat.open(QIODevice::ReadOnly)) continue;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() >= 3 && fields[1].toLongLong() == getpid() &&
        fields[2].toLongLong() == pid.toLongLong())
      return pid.toLongLong();
  }
  return 0;
}

// pLaTeX looping on \loop\iftrue\repeat, started by another program: Stop ends them all.
// The second chain's programs ignore SIGTERM (an ignored signal stays ignored across exec):
// they end at the SIGKILL after the grace period.
TEST_F(TypesetRunnerTest, StopEndsTheWholeProcessTreeOfALoopingPlatex) {
  ASSERT_FALSE(QStandardPaths::findExecutable("platex").isEmpty())
      << "platex is not installed: scripts/deps.sh installs texlive-lang-japanese";
  ASSERT_FALSE(QStandardPaths::findExecutable("latexmk").isEmpty())
      << "latexmk is not installed: see scripts/deps.sh";
  Write(document, ReadTestDocument("loop.tex"));

  const QString chains[] = {
      QString::fromUtf8(typeset::kLatexmkCommand.data(),
                        static_cast<qsizetype>(typeset::kLatexmkCommand.size())),
      "sh -c 'trap \"\" TERM; platex -kanji=sjis -interaction=nonstopmode \"$1\"; echo after' zero %f",
  };
  for (const QString& chain : chains) {
    SCOPED_TRACE(chain.toStdString());
    TypesetRunner runner;
    Recorder recorder(runner);
    ASSERT_EQ(runner.Start(document, chain), TypesetRunner::StartResult::Started);
    long long group = 0;
    ASSERT_TRUE(WaitFor([&] {
      group = ChildGroup();
      return group > 0 && GroupMembers(group).contains("platex");
    })) << "platex never ran: "
        << recorder.lines.join('\n').toStdString();
    EXPECT_TRUE(runner.IsRunning());

    QElapsedTimer clock;
    clock.start();
    runner.Stop();
    EXPECT_TRUE(WaitFor([&] { return recorder.finished > 0 && GroupMembers(group).isEmpty(); }, 10000))
        << GroupMembers(group).join(' ').toStdString();
    std::printf("  process tree ended %lld ms after Stop\n", static_cast<long long>(clock.elapsed()));
    EXPECT_EQ(runner.LastResult().outcome, TypesetRunner::Outcome::Stopped);
    EXPECT_FALSE(recorder.lines.contains("after"));
  }
}

}  // namespace

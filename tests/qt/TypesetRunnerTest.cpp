// The typesetting runner: a chain of commands in the document's folder, output read as it
// arrives, a failed step stopping the chain, and Stop ending the command's process group.
// Real pLaTeX runs in tests/e2e/typeset_platex.sh.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QThread>
#include <functional>

#include "app/TypesetPane.h"
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

// The live (not zombie) processes of a process group, by name, from /proc.
QStringList Members(long long group) {
  QStringList names;
  for (const QString& pid : QDir("/proc").entryList(QDir::Dirs)) {
    QFile stat("/proc/" + pid + "/stat");
    if (!stat.open(QIODevice::ReadOnly)) continue;
    const QByteArray text = stat.readAll();
    const qsizetype open = text.indexOf('('), close = text.lastIndexOf(')');
    const QList<QByteArray> fields = text.mid(close + 2).split(' ');  // state, parent, group
    if (open >= 0 && close > open && fields.size() > 2 && fields[0] != "Z" && fields[2].toLongLong() == group)
      names << QString::fromUtf8(text.mid(open + 1, close - open - 1));
  }
  return names;
}

// A command whose programs ignore SIGTERM, as a busy pLaTeX under latexmk may: Stop ends the
// whole group with the SIGKILL after the grace period, the programs the command started too.
// The command leads the group, so its process id is the group's.
TEST_F(TypesetRunnerTest, StopEndsTheWholeProcessGroup) {
  ASSERT_EQ(runner.Start(document,
                         "sh -c 'echo $$ >group; trap \"\" TERM; sh -c \"sleep 30; echo in\"; echo after'"),
            TypesetRunner::StartResult::Started);
  long long group = 0;
  ASSERT_TRUE(WaitFor([&] {
    QFile file(folder + "/group");
    group = file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().toLongLong() : 0;
    return group > 0 && Members(group).contains("sleep");
  }));
  runner.Stop();
  EXPECT_TRUE(WaitFor([&] { return recorder.finished > 0 && Members(group).isEmpty(); }, 10000))
      << Members(group).join(' ').toStdString();
  EXPECT_EQ(runner.LastResult().outcome, TypesetRunner::Outcome::Stopped);
  EXPECT_TRUE(recorder.lines.isEmpty()) << recorder.lines.join('\n').toStdString();
}

QString Shown(const TypesetPane& pane) { return pane.Output()->toPlainText(); }

}  // namespace

// The pane alone: the line still being written, the cap on a flood of lines, and the walk
// keeping its entry while entries arrive in walking order.
TEST(TypesetPaneTest, OpenLineShowsUntilItsLineEnds) {
  TypesetPane pane;
  pane.SetOpenLine("[1");
  pane.FlushOutput();
  EXPECT_EQ(Shown(pane), "[1");
  // The complete line takes the open line's place, without a blank line before it.
  pane.AppendLine("[1] [2]");
  pane.SetOpenLine(QString());
  pane.FlushOutput();
  EXPECT_EQ(Shown(pane), "[1] [2]");
  pane.SetOpenLine("(./a");
  pane.FlushOutput();
  pane.SetOpenLine("(./a.aux");
  pane.FlushOutput();
  pane.AppendLine("(./a.aux)");
  pane.AppendLine("done");
  pane.FlushOutput();
  EXPECT_EQ(Shown(pane), "[1] [2]\n(./a.aux)\ndone");
}

TEST(TypesetPaneTest, FloodKeepsOnlyTheLastLines) {
  TypesetPane pane;
  constexpr int kMax = TypesetPane::kMaxLines;
  for (int i = 0; i < 10; ++i) pane.AppendLine(QString::number(i));
  pane.FlushOutput();
  for (int i = 10; i < 3 * kMax; ++i) pane.AppendLine(QString::number(i));
  pane.SetOpenLine("open");
  pane.FlushOutput();
  QTextDocument* text = pane.Output()->document();
  EXPECT_EQ(text->blockCount(), kMax);
  EXPECT_EQ(text->firstBlock().text(), QString::number(2 * kMax + 1));
  EXPECT_EQ(text->lastBlock().previous().text(), QString::number(3 * kMax - 1));
  EXPECT_EQ(text->lastBlock().text(), "open");
}

TEST(TypesetPaneTest, WalkKeepsItsEntryWhenAnEarlierOneArrives) {
  using typeset::EntryKind;
  TypesetPane pane;
  for (auto [kind, text] :
       {std::pair{EntryKind::Warning, "w1"}, {EntryKind::Error, "e1"}, {EntryKind::Warning, "w2"}})
    pane.AddEntry({kind, {}, 0, text, text});
  pane.SetCurrent(1);
  pane.AddEntry({EntryKind::Error, {}, 0, "e2", "e2"});
  EXPECT_EQ(pane.EntryAt(pane.Current()).text, "w1");
  EXPECT_EQ(pane.EntryList()->currentRow(), 2);
  EXPECT_EQ(pane.EntryAt(pane.StepFrom(-1)).text, "e2");
  EXPECT_EQ(pane.EntryAt(pane.StepFrom(+1)).text, "w2");
  pane.SetCurrent(3);
  EXPECT_EQ(pane.StepFrom(+1), -1);
}

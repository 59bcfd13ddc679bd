// The output pane alone: lines as they arrive with the line still being written, the cap on a
// flood of lines, and the entries kept in walking order while they arrive.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTextBlock>

#include "app/TypesetPane.h"

namespace {

QString Shown(const TypesetPane& pane) { return pane.Output()->toPlainText(); }

TypesetPane::Entry Make(typeset::EntryKind kind, const QString& text) {
  TypesetPane::Entry entry;
  entry.kind = kind;
  entry.text = text;
  entry.message = text;
  return entry;
}

QStringList Rows(const TypesetPane& pane) {
  QStringList rows;
  for (int i = 0; i < pane.EntryList()->count(); ++i) rows << pane.EntryList()->item(i)->text();
  return rows;
}

}  // namespace

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

  pane.AppendLine("Output written");
  pane.SetOpenLine("(./a");
  pane.FlushOutput();
  pane.SetOpenLine("(./a.aux");
  pane.FlushOutput();
  EXPECT_EQ(Shown(pane), "[1] [2]\nOutput written\n(./a.aux");
  pane.AppendLine("(./a.aux)");
  pane.AppendLine("done");
  pane.FlushOutput();
  EXPECT_EQ(Shown(pane), "[1] [2]\nOutput written\n(./a.aux)\ndone");

  // Without a flush of its own, the pane shows what arrived within a moment.
  pane.AppendLine("later");
  QElapsedTimer clock;
  clock.start();
  while (!Shown(pane).endsWith("later") && clock.elapsed() < 5000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_EQ(Shown(pane), "[1] [2]\nOutput written\n(./a.aux)\ndone\nlater");

  pane.Clear();
  EXPECT_EQ(Shown(pane), "");
  pane.AppendLine("fresh");
  pane.FlushOutput();
  EXPECT_EQ(Shown(pane), "fresh");
}

TEST(TypesetPaneTest, FloodKeepsOnlyTheLastLines) {
  TypesetPane pane;
  constexpr int kMax = TypesetPane::kMaxLines;
  // Some lines arrive between ticks, most in one burst.
  for (int i = 0; i < 10; ++i) pane.AppendLine(QString::number(i));
  pane.FlushOutput();
  for (int i = 10; i < 3 * kMax; ++i) pane.AppendLine(QString::number(i));
  pane.SetOpenLine("open");
  pane.FlushOutput();
  QTextDocument* text = pane.Output()->document();
  EXPECT_EQ(text->blockCount(), kMax);
  EXPECT_EQ(text->lastBlock().text(), "open");
  EXPECT_EQ(text->lastBlock().previous().text(), QString::number(3 * kMax - 1));
  EXPECT_EQ(text->firstBlock().text(), QString::number(2 * kMax + 1));
}

TEST(TypesetPaneTest, EntriesStayInWalkingOrderWhileTheyArrive) {
  using typeset::EntryKind;
  TypesetPane pane;
  EXPECT_EQ(pane.StepFrom(+1), -1);
  EXPECT_EQ(pane.StepFrom(-1), -1);

  pane.AddEntry(Make(EntryKind::Warning, "w1"));
  pane.AddEntry(Make(EntryKind::BadBox, "b1"));
  pane.AddEntry(Make(EntryKind::Error, "e1"));
  pane.AddEntry(Make(EntryKind::Warning, "w2"));
  EXPECT_EQ(Rows(pane), (QStringList{"e1", "w1", "w2", "b1"}));
  EXPECT_EQ(pane.StepFrom(+1), 0);
  EXPECT_EQ(pane.StepFrom(-1), 3) << "back from nothing is the last";

  // The walk stays on its entry when another is put before it.
  pane.SetCurrent(1);
  pane.AddEntry(Make(EntryKind::Error, "e2"));
  EXPECT_EQ(Rows(pane), (QStringList{"e1", "e2", "w1", "w2", "b1"}));
  EXPECT_EQ(pane.Current(), 2);
  EXPECT_EQ(pane.EntryAt(pane.Current()).text, "w1");
  EXPECT_EQ(pane.EntryList()->currentRow(), 2);
  EXPECT_EQ(pane.StepFrom(+1), 3);
  EXPECT_EQ(pane.StepFrom(-1), 1);
  pane.SetCurrent(4);
  EXPECT_EQ(pane.StepFrom(+1), -1);
  pane.SetCurrent(0);
  EXPECT_EQ(pane.StepFrom(-1), -1);

  pane.ClearEntries();
  EXPECT_EQ(pane.EntryCount(), 0);
  EXPECT_EQ(pane.Current(), -1);
  EXPECT_EQ(pane.StepFrom(+1), -1);
}

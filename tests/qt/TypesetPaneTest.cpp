// The output pane alone: the line still being written, the cap on a flood of lines, and the
// walk keeping its entry while entries arrive in walking order.
#include <gtest/gtest.h>

#include <QListWidget>
#include <QPlainTextEdit>
#include <QTextBlock>

#include "app/TypesetPane.h"

namespace {

QString Shown(const TypesetPane& pane) { return pane.Output()->toPlainText(); }

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

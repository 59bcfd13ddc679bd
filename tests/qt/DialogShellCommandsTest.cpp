#include <gtest/gtest.h>

#include "ShellFixture.h"
#include "app/FileCommands.h"
#include "doc/CVeloDoc.h"

namespace {

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void Type(ShellDocument& doc, std::string_view text) {
  doc.Doc().InsertText(TextPos{doc.Doc().FirstLine(), 0, 0, 0}, text);
}

// The commands on the shell's own documents use its dialogs, main window and recent files.
using FileCommandsOnShellTest = ShellFixture;

TEST_F(FileCommandsOnShellTest, SaveWritesTheOpenFileAndTheCloseQuestionNamesIt) {
  const QString path = WriteFile("a.tex", "old\r\n");
  ASSERT_TRUE(Start({path}));
  ShellDocument* doc = Template().FindDocument(path);
  ASSERT_NE(doc, nullptr);

  EXPECT_TRUE(OnFileSave(*doc));  // unmodified: nothing to do
  Type(*doc, "new ");
  EXPECT_TRUE(OnFileSave(*doc));
  EXPECT_EQ(ReadAll(path), "new old\r\n");
  EXPECT_FALSE(doc->IsModified());

  Type(*doc, "x");
  dialogs.Expect(DialogService::Answer::Cancel);
  EXPECT_FALSE(SaveModified(*doc));
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("a.tex への変更を保存しますか?"));
  EXPECT_EQ(dialogs.boxes[0].caption, "Mirev");
  EXPECT_TRUE(dialogs.boxes[0].owned);
  EXPECT_TRUE(doc->IsModified());
  EXPECT_EQ(ReadAll(path), "new old\r\n");

  // A cancelled Save As leaves path and title alone.
  EXPECT_FALSE(OnFileSaveAs(*doc));
  EXPECT_EQ(doc->PathName(), path);
  EXPECT_EQ(doc->Title(), "a.tex");
  doc->Doc().SetModifiedFlag(false);
}

}  // namespace

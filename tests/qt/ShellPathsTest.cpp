// Paths as the kernel reads them: ".." after a link leads where the link leads, and a name's
// bytes travel whole through the shell's strings.
#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <random>

#include "ShellFixture.h"
#include "app/FileCommands.h"
#include "app/FilePath.h"

namespace {

QByteArray Bytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

class ShellPathsTest : public ShellFixture {
 protected:
  // x/sub/deeper, x/lnk -> sub/deeper, x/sub/f.tex and, beside the link, x/f.tex.
  void SetUp() override {
    const QDir files(filesDir.path());
    ASSERT_TRUE(files.mkpath("x/sub/deeper"));
    ASSERT_TRUE(QFile::link("sub/deeper", filesDir.filePath("x/lnk")));
    WriteFile("x/sub/f.tex", "read me\r\n");
    WriteFile("x/f.tex", "beside the link\r\n");
  }
  QString Real(const QString& name) const { return filesDir.filePath(name); }
};

TEST_F(ShellPathsTest, TheFileReadThroughALinkAndDotDotIsTheFileWritten) {
  // Given relative to the working folder, as on a command line.
  const QString working = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(filesDir.path()));
  const bool started = Start({"x/lnk/../f.tex"});
  QDir::setCurrent(working);
  ASSERT_TRUE(started);
  ASSERT_EQ(Template().Documents().size(), 1);
  ShellDocument& doc = *Template().Documents().front();
  EXPECT_EQ(doc.Title(), "f.tex");
  EXPECT_EQ(doc.PathName(), Real("x/sub/f.tex"));
  EXPECT_EQ(app->RecentFiles().Paths(), QStringList{Real("x/sub/f.tex")});

  doc.Doc().InsertText(TextPos{doc.Doc().FirstLine(), 0, 0, 0}, "new ");
  ASSERT_TRUE(OnFileSave(doc));
  EXPECT_EQ(Bytes(Real("x/sub/f.tex")), "new read me\r\n");
  EXPECT_EQ(Bytes(Real("x/f.tex")), "beside the link\r\n");
  Finish();
  EXPECT_EQ(ProfileValues().value("Recent File List/File1"), Real("x/sub/f.tex"));

  // The same file under its own name is the same document.
  ASSERT_TRUE(Start({Real("x/lnk/../f.tex")}));
  EXPECT_EQ(app->OpenDocumentFile(Real("x/sub/f.tex")), Template().Documents().front());
  EXPECT_NE(app->OpenDocumentFile(Real("x/f.tex")), Template().Documents().front());
}

TEST(FilePathTest, EveryByteStringComesBackAndUtf8ReadsAsText) {
  std::mt19937 rng(20240612);
  for (int round = 0; round < 2000; ++round) {
    QByteArray bytes;
    const int length = static_cast<int>(rng() % 12);
    for (int i = 0; i < length; ++i) {
      // Mostly the bytes of UTF-8 and code page 932 names, some of them anything.
      static const char pool[] =
          "a/.\\\x95\x5C\x82\xA0\xE3\x81\x82\xC3\xA9\xF0\x9F\x98\x80\xED\xA0\x80\xC0\xFF";
      bytes += rng() % 4 ? pool[rng() % (sizeof pool - 1)] : static_cast<char>(rng() % 255 + 1);
    }
    const QString path = PathFromBytes(bytes);
    ASSERT_EQ(PathBytes(path), bytes) << bytes.toHex().toStdString();
    if (bytes.isValidUtf8()) {
      EXPECT_EQ(path, QString::fromUtf8(bytes));
    }
    EXPECT_EQ(DisplayPath(path).toUtf8().isValidUtf8(), true);
  }
  EXPECT_EQ(DisplayPath(PathFromBytes("/d/\x95\x5C.tex")), QStringLiteral("/d/\uFFFD\\.tex"));
  // A surrogate encoded in UTF-8 is no text: its bytes are kept one by one.
  EXPECT_EQ(DisplayPath(PathFromBytes("\xED\xA0\x80")), QStringLiteral("\uFFFD\uFFFD\uFFFD"));
}

}  // namespace

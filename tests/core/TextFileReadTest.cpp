#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "FileFixtures.h"
#include "base/Settings.h"
#include "doc/CVeloDoc.h"
#include "doc/TextFile.h"
#include "sys/FileCalls.h"
#include "sys/WholeFileReader.h"

namespace {

using Lines = std::vector<std::string>;

// What a file's lines are, worked out the long way: CR LF becomes LF, LF separates lines, a
// final LF ends the last line instead of starting another.
Lines ExpectedLines(const std::string& file) {
  std::string text;
  for (std::size_t i = 0; i < file.size(); ++i) {
    if (file[i] == '\r' && i + 1 < file.size() && file[i + 1] == '\n') continue;
    text += file[i];
  }
  Lines lines(1);
  for (char c : text) {
    if (c == '\n')
      lines.emplace_back();
    else
      lines.back() += c;
  }
  if (!text.empty() && text.back() == '\n') lines.pop_back();
  return lines;
}

// Bytes that stress the line reader and the code page rules: CR and LF in every company,
// NUL, lead bytes left without their trail byte, 0x5C as a trail byte (95 5C).
std::string RandomFile(std::mt19937& rng) {
  static const std::vector<std::string> pieces = {"\r\n",
                                                  "\n",
                                                  "\r",
                                                  "\r\r\n",
                                                  std::string(1, '\0'),
                                                  "\x81",
                                                  "\x95\x5C",
                                                  "\x5C",
                                                  "\x82\xA0",
                                                  "\xFC",
                                                  "\x81\r\n",
                                                  "\x95\n",
                                                  "a",
                                                  "\\begin{document}",
                                                  "\t",
                                                  " ",
                                                  "\xE0\x40",
                                                  "\xFF"};
  std::uniform_int_distribution<int> pick(0, static_cast<int>(pieces.size()) - 1);
  std::uniform_int_distribution<int> length(0, 300);
  std::string file;
  const int count = length(rng);
  for (int i = 0; i < count; ++i) {
    file += pieces[static_cast<std::size_t>(pick(rng))];
    if (rng() % 97 == 0) file += std::string(rng() % 5000, static_cast<char>('A' + rng() % 26));
  }
  return file;
}

class TextFileRead : public ::testing::Test {
 protected:
  // Reads path into doc, first giving it unsaved text that a failed read must not touch.
  FileResult ReadIntoDirtyDoc(const std::string& path) {
    doc.InsertText(TextPos{doc.FirstLine(), 0, 0, 0}, "unsaved");
    return ReadTextFile(path, doc);
  }
  void ExpectDocUntouched() {
    EXPECT_EQ(DocLines(doc), Lines{"unsaved"});
    EXPECT_TRUE(doc.IsModified());
  }

  ScratchDir dir;
  Settings settings;
  CVeloDoc doc{settings};
};

TEST_F(TextFileRead, BreaksLinesAtLfAndCrLfOnlyAndKeepsEveryOtherByte) {
  struct Case {
    std::string file;
    Lines lines;
  };
  const std::vector<Case> cases = {
      {"", {""}},
      {"\n", {""}},
      {"\r\n", {""}},
      {"\n\n", {"", ""}},
      {"one", {"one"}},
      {"one\r\n", {"one"}},
      {"one\ntwo\r\nthree", {"one", "two", "three"}},
      {"a\rb\r", {"a\rb\r"}},        // a lone CR is an ordinary byte
      {"a\r\r\n\r", {"a\r", "\r"}},  // only the CR right before LF belongs to the break
      {std::string("x\0y\n\0", 5), {std::string("x\0y", 3), std::string(1, '\0')}},
      {"\x81\r\n\x95\x5C\n\x95", {"\x81", "\x95\x5C", "\x95"}},  // cut characters stay cut
  };
  for (const Case& c : cases) {
    const std::string path = dir / "case.tex";
    WriteFileBytes(path, c.file);
    CVeloDoc fresh(settings);
    fresh.SetModifiedFlag(true);
    ASSERT_TRUE(ReadTextFile(path, fresh).Ok());
    EXPECT_EQ(DocLines(fresh), c.lines) << "file: " << ::testing::PrintToString(c.file);
    EXPECT_EQ(fresh.LineCount(), static_cast<int>(c.lines.size()));
    EXPECT_FALSE(fresh.IsModified());
  }
}

TEST_F(TextFileRead, LfAndCrLfFilesGiveTheSameLinesAndBothSaveAsCrLf) {
  const Lines lines = {"\\documentclass{jarticle}", "", "\x95\x5C\x8E\xA6", "\t\\end{document}"};
  std::string lf, crlf;
  for (const std::string& line : lines) {
    lf += line + "\n";
    crlf += line + "\r\n";
  }
  WriteFileBytes(dir / "lf.tex", lf);
  WriteFileBytes(dir / "crlf.tex", crlf);
  CVeloDoc fromCrLf(settings);
  ASSERT_TRUE(ReadTextFile(dir / "lf.tex", doc).Ok());
  ASSERT_TRUE(ReadTextFile(dir / "crlf.tex", fromCrLf).Ok());
  EXPECT_EQ(DocLines(doc), lines);
  EXPECT_EQ(DocLines(fromCrLf), lines);
  ASSERT_TRUE(WriteTextFile(dir / "lf.tex", doc).Ok());
  EXPECT_EQ(FileBytes(dir / "lf.tex"), crlf);
}

TEST_F(TextFileRead, EmptyFileIsOneEmptyLineAndSavesAsCrLf) {
  WriteFileBytes(dir / "empty.tex", "");
  ASSERT_TRUE(ReadIntoDirtyDoc(dir / "empty.tex").Ok());
  EXPECT_EQ(DocLines(doc), Lines{""});
  EXPECT_FALSE(doc.IsModified());
  ASSERT_TRUE(WriteTextFile(dir / "empty.tex", doc).Ok());
  EXPECT_EQ(FileBytes(dir / "empty.tex"), "\r\n");
}

// Read, write, read: the lines survive exactly and the written file is their CR LF image.
TEST_F(TextFileRead, RandomBytesSurviveReadWriteRead) {
  std::mt19937 rng(20240611);
  const std::string original = dir / "original.tex";
  const std::string copy = dir / "copy.tex";
  for (int round = 0; round < 150; ++round) {
    std::string file = RandomFile(rng);
    if (round == 0) file += std::string(3 << 20, '\x88') + "\x81";  // longer than any write buffer
    WriteFileBytes(original, file);
    CVeloDoc first(settings);
    ASSERT_TRUE(ReadTextFile(original, first).Ok());
    const Lines lines = DocLines(first);
    ASSERT_EQ(lines, ExpectedLines(file)) << "round " << round;

    first.SetModifiedFlag(true);
    const FileResult written = WriteTextFile(copy, first);
    ASSERT_TRUE(written.Ok()) << ::testing::PrintToString(written);
    EXPECT_FALSE(first.IsModified());
    ASSERT_EQ(FileBytes(copy), CrLfImage(lines)) << "round " << round;

    CVeloDoc second(settings);
    ASSERT_TRUE(ReadTextFile(copy, second).Ok());
    ASSERT_EQ(DocLines(second), lines) << "round " << round;
  }
  EXPECT_EQ(Listing(dir.Path()), (Lines{"copy.tex", "original.tex"}));
}

TEST_F(TextFileRead, PathsThatNameNoReadableFileGiveTheirCause) {
  WriteFileBytes(dir / "file.tex", "x");
  ASSERT_EQ(::mkdir((dir / "folder").c_str(), 0755), 0);
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
  ASSERT_EQ(::symlink("loop", (dir / "loop").c_str()), 0);
  struct Case {
    std::string path;
    FileErrorCause cause;
    int osError;
  };
  const std::vector<Case> cases = {
      {dir / "missing.tex", FileErrorCause::FileNotFound, ENOENT},
      {dir / "missing/file.tex", FileErrorCause::FileNotFound, ENOENT},
      {"", FileErrorCause::FileNotFound, ENOENT},
      {dir / "file.tex/inner.tex", FileErrorCause::BadPath, ENOTDIR},
      {dir / std::string(5000, 'n'), FileErrorCause::BadPath, ENAMETOOLONG},
      {dir / "loop", FileErrorCause::BadPath, ELOOP},
      {dir / "folder", FileErrorCause::AccessDenied, EISDIR},
      {dir / "fifo", FileErrorCause::AccessDenied, 0},  // refused, not waited on
      {"/dev/null", FileErrorCause::AccessDenied, 0},
  };
  for (const Case& c : cases) {
    CVeloDoc fresh(settings);
    fresh.InsertText(TextPos{fresh.FirstLine(), 0, 0, 0}, "unsaved");
    const FileResult result = ReadTextFile(c.path, fresh);
    EXPECT_EQ(result.cause, c.cause) << c.path.substr(0, 200) << ": " << ::testing::PrintToString(result);
    EXPECT_EQ(result.osError, c.osError) << c.path.substr(0, 200);
    EXPECT_FALSE(result.detail.empty());
    EXPECT_EQ(DocLines(fresh), Lines{"unsaved"});
    EXPECT_TRUE(fresh.IsModified());
  }
}

// Counts reads and makes them as awkward as the system may: interrupted, and short.
struct AwkwardReads {
  static inline int calls = 0;
  static long Read(int fd, void* data, std::size_t size) {
    ++calls;
    if (calls % 3 == 1) {
      errno = EINTR;
      return -1;
    }
    return SystemFileCalls().read(fd, data, std::min<std::size_t>(size, 1 + calls % 13));
  }
};

TEST_F(TextFileRead, InterruptedAndShortReadsLoseNothing) {
  FileCallsRestorer restore;
  std::mt19937 rng(7);
  std::string file;
  for (int i = 0; i < 40; ++i) file += RandomFile(rng);
  WriteFileBytes(dir / "f.tex", file);
  AwkwardReads::calls = 0;
  ActiveFileCalls().read = AwkwardReads::Read;
  ASSERT_TRUE(ReadTextFile(dir / "f.tex", doc).Ok());
  EXPECT_GT(AwkwardReads::calls, 100);
  EXPECT_EQ(DocLines(doc), ExpectedLines(file));
}

// Every read fails at once, so that a reader that should not read at all fails fast.
struct FailingReads {
  static inline int calls = 0;
  static long Read(int, void*, std::size_t) {
    ++calls;
    errno = EIO;
    return -1;
  }
};

TEST_F(TextFileRead, TwoGigabyteFileIsRefusedBeforeAnyRead) {
  FileCallsRestorer restore;
  const std::string path = dir / "huge.tex";
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::ftruncate(fd, off_t{1} << 31), 0);  // sparse: it takes no disk
  ::close(fd);
  FailingReads::calls = 0;
  ActiveFileCalls().read = FailingReads::Read;
  const FileResult result = ReadIntoDirtyDoc(path);
  EXPECT_EQ(result.cause, FileErrorCause::TooLarge) << ::testing::PrintToString(result);
  EXPECT_EQ(FailingReads::calls, 0);
  ExpectDocUntouched();
}

// A file that another program changes while it is read: the reader takes what it finds up
// to the end, without writing past its buffer and without keeping stale bytes.
struct ChangingFile {
  static inline std::string path;
  static inline std::string appended;
  static inline off_t truncateTo = -1;
  static inline int calls = 0;
  static long Read(int fd, void* data, std::size_t size) {
    if (calls++ == 0) {
      if (truncateTo >= 0 && ::truncate(path.c_str(), truncateTo) != 0) return -1;
      if (!appended.empty()) {
        const int out = ::open(path.c_str(), O_WRONLY | O_APPEND);
        if (out < 0 ||
            ::write(out, appended.data(), appended.size()) != static_cast<ssize_t>(appended.size()))
          return -1;
        ::close(out);
      }
    }
    return SystemFileCalls().read(fd, data, std::min<std::size_t>(size, 1000));
  }
  static void Reset(std::string filePath) {
    path = std::move(filePath);
    appended.clear();
    truncateTo = -1;
    calls = 0;
    ActiveFileCalls().read = Read;
  }
};

TEST_F(TextFileRead, FileThatGrowsOrShrinksWhileReadGivesWhatIsThere) {
  FileCallsRestorer restore;
  const std::string path = dir / "changing.tex";
  std::string start;
  for (int i = 0; i < 500; ++i) start += "line " + std::to_string(i) + "\r\n";

  WriteFileBytes(path, start);
  ChangingFile::Reset(path);
  ChangingFile::appended = std::string(20000, 'g') + "\nlast";
  ASSERT_TRUE(ReadTextFile(path, doc).Ok());
  EXPECT_EQ(DocLines(doc), ExpectedLines(start + ChangingFile::appended));

  WriteFileBytes(path, start);
  ChangingFile::Reset(path);
  ChangingFile::truncateTo = 3000;
  CVeloDoc shrunk(settings);
  ASSERT_TRUE(ReadTextFile(path, shrunk).Ok());
  EXPECT_EQ(DocLines(shrunk), ExpectedLines(start.substr(0, 3000)));
}

TEST_F(TextFileRead, FileThatGrowsPastTheLimitWhileReadIsRefused) {
  FileCallsRestorer restore;
  const std::string path = dir / "growing.tex";
  WriteFileBytes(path, std::string(60000, 'x'));
  ChangingFile::Reset(path);
  ChangingFile::appended = std::string(10000, 'y');
  FileImage image;
  const FileResult tooLarge = ReadWholeFile(path, 65536, image);
  EXPECT_EQ(tooLarge.cause, FileErrorCause::TooLarge) << ::testing::PrintToString(tooLarge);
  EXPECT_EQ(image.block, nullptr);
  EXPECT_EQ(image.size, 0u);

  // One byte below the limit is still a file; the limit itself is not.
  ActiveFileCalls().read = SystemFileCalls().read;
  WriteFileBytes(path, std::string(65535, 'x'));
  ASSERT_TRUE(ReadWholeFile(path, 65536, image).Ok());
  EXPECT_EQ(image.size, 65535u);
  WriteFileBytes(path, std::string(65536, 'x'));
  FileImage atLimit;
  EXPECT_EQ(ReadWholeFile(path, 65536, atLimit).cause, FileErrorCause::TooLarge);
}

TEST_F(TextFileRead, ReadErrorIsReportedWithItsCauseAndLeavesTheDocument) {
  FileCallsRestorer restore;
  WriteFileBytes(dir / "f.tex", "some text\r\n");
  ActiveFileCalls().read = FailingReads::Read;
  const FileResult result = ReadIntoDirtyDoc(dir / "f.tex");
  EXPECT_EQ(result.cause, FileErrorCause::HardIO);
  EXPECT_EQ(result.osError, EIO);
  ExpectDocUntouched();
}

}  // namespace

#include <errno.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "FileFixtures.h"
#include "base/Settings.h"
#include "doc/TextFile.h"
#include "sys/FileCalls.h"
#include "sys/WholeFileReader.h"

namespace {

using Lines = std::vector<std::string>;

class TextFile : public ::testing::Test {
 protected:
  ~TextFile() override { ActiveFileCalls() = SystemFileCalls(); }
  ScratchDir dir;
  Settings settings;
  CVeloDoc doc{settings};
};

// A file's lines worked out the long way: CR LF becomes LF, LF ends a line.
Lines ExpectedLines(std::string file) {
  for (std::size_t at = 0; (at = file.find("\r\n", at)) != std::string::npos;) file.erase(at, 1);
  std::istringstream in(file);
  Lines lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines.empty() ? Lines{""} : lines;
}

// Interrupted every third call, and short.
std::size_t awkwardCalls = 0;
std::size_t AwkwardSize(std::size_t size) {
  if (++awkwardCalls % 3 == 1) errno = EINTR;
  return awkwardCalls % 3 == 1 ? 0 : std::min<std::size_t>(size, 1 + awkwardCalls * 7919 % 70000);
}

TEST_F(TextFile, FilesSurviveReadWriteReadThroughAwkwardCalls) {
  // CR and LF in every company, NUL, lead bytes without their trail byte, 0x5C as a trail byte.
  const std::string pieces[] = {
      "\r\n",     "\n",   "\r", "\r\r\n",   std::string(1, '\0'), "\x81", "\x81\r\n", "\x95\n",
      "\x95\x5C", "\x5C", "a",  "\xE0\x40", "\\begin{document}"};
  std::vector<std::string> files = {"", std::string(3 << 20, '\x88') + "\x81"};  // longer than any buffer
  std::mt19937 rng(20240611);
  for (int round = 0; round < 150; ++round) {
    std::string& file = files.emplace_back();
    for (int i = static_cast<int>(rng() % 300); i > 0; --i) {
      file += pieces[rng() % std::size(pieces)];
      if (rng() % 97 == 0) file += std::string(rng() % 5000, 'L');
    }
  }
  ActiveFileCalls().read = [](int fd, void* data, std::size_t size) {
    return (size = AwkwardSize(size)) ? SystemFileCalls().read(fd, data, size) : -1L;
  };
  ActiveFileCalls().write = [](int fd, const void* data, std::size_t size) {
    return (size = AwkwardSize(size)) ? SystemFileCalls().write(fd, data, size) : -1L;
  };
  for (const std::string& file : files) {
    SCOPED_TRACE(::testing::PrintToString(file.substr(0, 300)));
    WriteFileBytes(dir / "original.tex", file);
    LoadText(doc, "unsaved");
    ASSERT_TRUE(ReadTextFile(dir / "original.tex", doc).Ok());
    const Lines lines = DocLines(doc);
    ASSERT_EQ(lines, ExpectedLines(file));
    EXPECT_EQ(doc.LineCount(), static_cast<int>(lines.size()));
    EXPECT_FALSE(doc.IsModified());
    doc.SetModifiedFlag(true);
    ASSERT_TRUE(WriteTextFile(dir / "copy.tex", doc).Ok());
    EXPECT_FALSE(doc.IsModified());
    std::string image;
    for (const std::string& line : lines) image += line + "\r\n";
    ASSERT_EQ(FileBytes(dir / "copy.tex"), image);
  }
  EXPECT_GT(awkwardCalls, 500u);
}

// Another program adds to the file at the next read.
std::string growing, appended;

TEST_F(TextFile, AFileIsReadWholeOrNotAtAllAndAFailedReadLeavesTheDocument) {
  ActiveFileCalls().read = [](int fd, void* data, std::size_t size) {
    if (!appended.empty()) std::ofstream(growing, std::ios::app) << std::exchange(appended, "");
    return SystemFileCalls().read(fd, data, std::min<std::size_t>(size, 1000));
  };
  growing = dir / "growing.tex";
  for (const std::size_t limit : {std::size_t{25001}, std::size_t{25000}}) {  // the file grows to 25000
    WriteFileBytes(growing, std::string(5000, 's'));
    appended = std::string(20000, 'g');
    FileImage image;
    EXPECT_EQ(ReadWholeFile(growing, limit, image).cause,
              limit > 25000 ? FileErrorCause::None : FileErrorCause::TooLarge);
    EXPECT_EQ(image.block ? std::string(image.block->Data(), image.size) : "",
              limit > 25000 ? std::string(5000, 's') + std::string(20000, 'g') : "");
  }
  ActiveFileCalls().read = [](int, void*, std::size_t) { return errno = EIO, -1L; };
  WriteFileBytes(dir / "huge.tex", "");
  ASSERT_EQ(::truncate((dir / "huge.tex").c_str(), off_t{1} << 31), 0);  // sparse: it takes no disk
  WriteFileBytes(dir / "file.tex", "text\r\n");
  LoadText(doc, "unsaved");
  EXPECT_EQ(ReadTextFile(dir / "huge.tex", doc).cause, FileErrorCause::TooLarge);
  const FileResult failed = ReadTextFile(dir / "file.tex", doc);  // an error, not the end of the file
  EXPECT_TRUE(failed.cause == FileErrorCause::HardIO && failed.osError == EIO) << failed.detail;
  EXPECT_EQ(DocLines(doc), Lines{"unsaved"});
  EXPECT_TRUE(doc.IsModified());
}

// A new file gets the usual bits less the umask, not the temporary file's private ones.
TEST_F(TextFile, SavesThroughLinksWithTheUmaskAndNeverOverAFolderOrAPipe) {
  LoadText(doc, "\\section{\x95\x5C}\n\x81");
  WriteFileBytes(dir / "paper.tex", std::string(10000, 'o'));  // longer than the new text
  ASSERT_EQ(::symlink("paper.tex", (dir / "near").c_str()) | ::symlink("near", (dir / "far").c_str()) |
                ::symlink("fresh.tex", (dir / "dangling").c_str()),
            0);
  const mode_t umask = ::umask(027);
  const bool saved = WriteTextFile(dir / "far", doc).Ok() && WriteTextFile(dir / "dangling", doc).Ok();
  ::umask(umask);
  ASSERT_TRUE(saved);
  for (const char* name : {"paper.tex", "fresh.tex"})
    EXPECT_EQ(FileBytes(dir / name), "\\section{\x95\x5C}\r\n\x81\r\n") << name;
  struct stat st {};
  ASSERT_EQ(::stat((dir / "fresh.tex").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  for (const char* link : {"near", "far", "dangling"})
    EXPECT_TRUE(::lstat((dir / link).c_str(), &st) == 0 && S_ISLNK(st.st_mode)) << link;
  ASSERT_EQ(::mkdir((dir / "folder").c_str(), 0755) | ::mkfifo((dir / "fifo").c_str(), 0644), 0);
  for (const char* name : {"folder", "fifo"})  // the pipe refused, not waited on
    for (const FileResult& result : {WriteTextFile(dir / name, doc), ReadTextFile(dir / name, doc)})
      EXPECT_EQ(result.cause, FileErrorCause::AccessDenied) << name << ": " << result.detail;
  EXPECT_EQ(DocLines(doc), (Lines{"\\section{\x95\x5C}", "\x81"}));
  EXPECT_TRUE(::lstat((dir / "fifo").c_str(), &st) == 0 && S_ISFIFO(st.st_mode));
  EXPECT_TRUE(std::filesystem::is_empty(dir / "folder"));
}

}  // namespace

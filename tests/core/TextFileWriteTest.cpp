#include <errno.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ostream>
#include <string>
#include <vector>

#include "FileFixtures.h"
#include "base/Settings.h"
#include "doc/CVeloDoc.h"
#include "doc/TextFile.h"
#include "sys/FileCalls.h"

namespace {

using Lines = std::vector<std::string>;

std::string Bytes(const std::string& path) { return FileBytes(path).value_or("<unreadable>"); }

class TextFileWrite : public ::testing::Test {
 protected:
  void SetUp() override { SetText({"\\section{\x95\x5C}", "", "\x81", "end"}); }

  // Replaces the text through the primitives, leaving the document modified.
  void SetText(const Lines& lines) {
    while (doc.JoinNextLine(TextPos{doc.FirstLine(), 0, 0, 0})) {
    }
    doc.DeleteBytes(TextPos{doc.FirstLine(), 0, 0, 0}, doc.FirstLine()->text.Length());
    TextPos pos{doc.FirstLine(), 0, 0, 0};
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (i > 0) {
        doc.SplitLine(pos);
        CVeloDoc::NextLine(pos);
        pos.byteIndex = 0;
      }
      doc.InsertText(pos, lines[i]);
      pos.byteIndex = static_cast<int>(lines[i].size());
    }
    ASSERT_EQ(DocLines(doc), lines);
    ASSERT_TRUE(doc.IsModified());
  }

  mode_t Mode(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
  }

  ScratchDir dir;
  Settings settings;
  CVeloDoc doc{settings};
};

TEST_F(TextFileWrite, WritesEveryLineWithCrLfAndClearsTheModifiedFlag) {
  const std::string path = dir / "out.tex";
  const FileResult result = WriteTextFile(path, doc);
  ASSERT_TRUE(result.Ok()) << ::testing::PrintToString(result);
  EXPECT_EQ(Bytes(path), "\\section{\x95\x5C}\r\n\r\n\x81\r\nend\r\n");
  EXPECT_FALSE(doc.IsModified());

  // Over an existing, longer file: nothing of the old bytes is left behind.
  SetText({"a"});
  ASSERT_TRUE(WriteTextFile(path, doc).Ok());
  EXPECT_EQ(Bytes(path), "a\r\n");
  EXPECT_EQ(Listing(dir.Path()), Lines{"out.tex"});
}

TEST_F(TextFileWrite, KeepsThePermissionBitsAndOwnerOfTheOldFile) {
  const std::string path = dir / "kept.tex";
  WriteFileBytes(path, "old\r\n");
  ASSERT_EQ(::chmod(path.c_str(), 0751), 0);
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
  }
  struct stat before {};
  ASSERT_EQ(::stat(path.c_str(), &before), 0);
  ASSERT_TRUE(WriteTextFile(path, doc).Ok());
  struct stat after {};
  ASSERT_EQ(::stat(path.c_str(), &after), 0);
  EXPECT_EQ(after.st_mode & 07777, 0751u);
  EXPECT_EQ(after.st_uid, before.st_uid);
  EXPECT_EQ(after.st_gid, before.st_gid);
  EXPECT_NE(after.st_ino, before.st_ino);  // a new file took the old one's place

  ASSERT_EQ(::chmod(path.c_str(), 0604), 0);
  ASSERT_TRUE(WriteTextFile(path, doc).Ok());
  EXPECT_EQ(Mode(path), 0604u);
}

TEST_F(TextFileWrite, NewFileGetsTheDefaultBitsLessTheUmask) {
  const mode_t old = ::umask(027);
  const FileResult result = WriteTextFile(dir / "new.tex", doc);
  ::umask(old);
  ASSERT_TRUE(result.Ok());
  EXPECT_EQ(Mode(dir / "new.tex"), 0640u);
}

TEST_F(TextFileWrite, SavingThroughALinkReplacesItsFinalTargetAndKeepsTheLinks) {
  ASSERT_EQ(::mkdir((dir / "real").c_str(), 0755), 0);
  WriteFileBytes(dir / "real/doc.tex", "old\r\n");
  ASSERT_EQ(::symlink("real/doc.tex", (dir / "near").c_str()), 0);
  ASSERT_EQ(::symlink((dir / "near").c_str(), (dir / "far").c_str()), 0);  // a link to a link
  ASSERT_TRUE(WriteTextFile(dir / "far", doc).Ok());
  const std::string image = CrLfImage(DocLines(doc));
  EXPECT_EQ(Bytes(dir / "real/doc.tex"), image);
  struct stat st {};
  ASSERT_EQ(::lstat((dir / "far").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(::lstat((dir / "near").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  char link[256] = {};
  ASSERT_GT(::readlink((dir / "near").c_str(), link, sizeof link - 1), 0);
  EXPECT_STREQ(link, "real/doc.tex");
  EXPECT_EQ(Listing(dir.Path()), (Lines{"far", "near", "real"}));
  EXPECT_EQ(Listing(dir / "real"), Lines{"doc.tex"});

  // A link whose target does not exist yet: the target is made, the link stays.
  ASSERT_EQ(::symlink("real/fresh.tex", (dir / "dangling").c_str()), 0);
  ASSERT_TRUE(WriteTextFile(dir / "dangling", doc).Ok());
  EXPECT_EQ(Bytes(dir / "real/fresh.tex"), image);
  ASSERT_EQ(::lstat((dir / "dangling").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
}

TEST_F(TextFileWrite, TargetsThatCannotBeReplacedAreRefusedUntouched) {
  ASSERT_EQ(::mkdir((dir / "folder").c_str(), 0755), 0);
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
  WriteFileBytes(dir / "file.tex", "x");
  ASSERT_EQ(::symlink("loop", (dir / "loop").c_str()), 0);
  struct Case {
    std::string path;
    FileErrorCause cause;
    int osError;
  };
  const std::vector<Case> cases = {
      {dir / "folder", FileErrorCause::AccessDenied, EISDIR},
      {dir / "fifo", FileErrorCause::AccessDenied, 0},
      {dir / "missing/new.tex", FileErrorCause::FileNotFound, ENOENT},
      {dir / "file.tex/new.tex", FileErrorCause::BadPath, ENOTDIR},
      {dir / "loop", FileErrorCause::BadPath, ELOOP},
      {dir / std::string(300, 'n'), FileErrorCause::BadPath, ENAMETOOLONG},
      {dir / "folder/", FileErrorCause::AccessDenied, EISDIR},
      {"", FileErrorCause::FileNotFound, ENOENT},
  };
  for (const Case& c : cases) {
    const FileResult result = WriteTextFile(c.path, doc);
    EXPECT_EQ(result.cause, c.cause) << c.path.substr(0, 100) << ": " << ::testing::PrintToString(result);
    EXPECT_EQ(result.osError, c.osError) << c.path.substr(0, 100);
    EXPECT_TRUE(doc.IsModified());
  }
  EXPECT_EQ(Listing(dir.Path()), (Lines{"fifo", "file.tex", "folder", "loop"}));
  EXPECT_TRUE(Listing(dir / "folder").empty());
  struct stat st {};
  ASSERT_EQ(::lstat((dir / "fifo").c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  EXPECT_EQ(Bytes(dir / "file.tex"), "x");
}

// Writes that come up short and get interrupted, as a full pipe or a signal make them.
struct AwkwardWrites {
  static inline int calls = 0;
  static long Write(int fd, const void* data, std::size_t size) {
    ++calls;
    if (calls % 4 == 2) {
      errno = EINTR;
      return -1;
    }
    return SystemFileCalls().write(fd, data, std::min<std::size_t>(size, 1 + (calls * 7919) % 70000));
  }
};

TEST_F(TextFileWrite, ShortAndInterruptedWritesStillWriteEveryByte) {
  FileCallsRestorer restore;
  Lines lines;
  for (int i = 0; i < 3000; ++i)
    lines.push_back(std::string(static_cast<std::size_t>(i % 90), static_cast<char>('!' + i % 90)));
  lines.push_back(std::string(3 << 20, '\x95'));  // longer than the write buffer
  lines.push_back("\x95\x5C");
  SetText(lines);
  AwkwardWrites::calls = 0;
  ActiveFileCalls().write = AwkwardWrites::Write;
  const FileResult result = WriteTextFile(dir / "out.tex", doc);
  ASSERT_TRUE(result.Ok()) << ::testing::PrintToString(result);
  EXPECT_GT(AwkwardWrites::calls, 50);
  EXPECT_EQ(Bytes(dir / "out.tex"), CrLfImage(lines));
}

// One failure injected at a time into the steps of a save.
struct Injected {
  static inline int writes = 0;
  static long WriteHalfThenFail(int fd, const void* data, std::size_t size) {
    if (writes++ == 0) return SystemFileCalls().write(fd, data, size / 2);
    errno = ENOSPC;
    return -1;
  }
  static long WriteNothingButSayAll(int, const void*, std::size_t size) { return static_cast<long>(size); }
  static int FailFsync(int) {
    errno = EIO;
    return -1;
  }
  // The descriptor is gone after a failed close too, as on Linux.
  static int FailClose(int fd) {
    SystemFileCalls().close(fd);
    errno = EIO;
    return -1;
  }
  static int FailRename(const char*, const char*) {
    errno = EBUSY;
    return -1;
  }
};

struct FailureCase {
  const char* name;
  void (*inject)(FileCalls&);
  FileErrorCause cause;
  int osError;
};

void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.name; }

class TextFileWriteFailure : public TextFileWrite, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(TextFileWriteFailure, LeavesTheOldFileAndNoTemporaryBehind) {
  FileCallsRestorer restore;
  const std::string path = dir / "paper.tex";
  const std::string old = "old text\r\n\x95\x5C\r\n";
  WriteFileBytes(path, old);
  ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
  Injected::writes = 0;
  GetParam().inject(ActiveFileCalls());

  const FileResult result = WriteTextFile(path, doc);
  EXPECT_EQ(result.cause, GetParam().cause) << ::testing::PrintToString(result);
  EXPECT_EQ(result.osError, GetParam().osError);
  EXPECT_FALSE(result.detail.empty());
  EXPECT_EQ(Bytes(path), old);
  EXPECT_EQ(Mode(path), 0644u);
  EXPECT_EQ(Listing(dir.Path()), Lines{"paper.tex"});
  EXPECT_TRUE(doc.IsModified());

  // Saving under a new name fails the same way and leaves no file at all.
  const FileResult fresh = WriteTextFile(dir / "fresh.tex", doc);
  EXPECT_EQ(fresh.cause, GetParam().cause);
  EXPECT_EQ(Listing(dir.Path()), Lines{"paper.tex"});

  // With the calls whole again, the same document saves.
  ActiveFileCalls() = SystemFileCalls();
  ASSERT_TRUE(WriteTextFile(path, doc).Ok());
  EXPECT_EQ(Bytes(path), CrLfImage(DocLines(doc)));
  EXPECT_FALSE(doc.IsModified());
}

INSTANTIATE_TEST_SUITE_P(
    EachStep, TextFileWriteFailure,
    ::testing::Values(FailureCase{"WriteDiskFull",
                                  [](FileCalls& c) { c.write = Injected::WriteHalfThenFail; },
                                  FileErrorCause::DiskFull, ENOSPC},
                      FailureCase{"WriteLies",
                                  [](FileCalls& c) { c.write = Injected::WriteNothingButSayAll; },
                                  FileErrorCause::Generic, 0},
                      FailureCase{"Fsync", [](FileCalls& c) { c.fsync = Injected::FailFsync; },
                                  FileErrorCause::HardIO, EIO},
                      FailureCase{"Close", [](FileCalls& c) { c.close = Injected::FailClose; },
                                  FileErrorCause::HardIO, EIO},
                      FailureCase{"Rename", [](FileCalls& c) { c.rename = Injected::FailRename; },
                                  FileErrorCause::SharingViolation, EBUSY}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

}  // namespace

#include <errno.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "FileFixtures.h"
#include "Isolation.h"
#include "base/Settings.h"
#include "doc/CVeloDoc.h"
#include "doc/TextFile.h"
#include "sys/FileCalls.h"
#include "sys/SafeFileWriter.h"
#include "sys/WholeFileReader.h"

namespace {

using Lines = std::vector<std::string>;

// The fixture's text as a file.
constexpr char kImage[] = "\\section{\x95\x5C}\r\n\r\n\x81\r\nend\r\n";

class TextFile : public ::testing::Test {
 protected:
  void SetUp() override { LoadText(doc, "\\section{\x95\x5C}\n\n\x81\nend"); }

  ScratchDir dir;
  Settings settings;
  CVeloDoc doc{settings};
};

int Failed(int error) {
  errno = error;
  return -1;
}

// What a file's lines are, worked out the long way: CR LF becomes LF, LF separates lines, a
// final LF ends the last line instead of starting another.
Lines ExpectedLines(const std::string& file) {
  Lines lines(1);
  for (std::size_t i = 0; i < file.size(); ++i) {
    if (file[i] == '\r' && i + 1 < file.size() && file[i + 1] == '\n') continue;
    if (file[i] == '\n')
      lines.emplace_back();
    else
      lines.back() += file[i];
  }
  if (!file.empty() && file.back() == '\n') lines.pop_back();
  return lines;
}

// Bytes that stress the line reader and the code page rules: CR and LF in every company,
// NUL, lead bytes left without their trail byte, 0x5C as a trail byte (95 5C).
std::string RandomFile(std::mt19937& rng) {
  static const std::string pieces[] = {"\r\n", "\n",   "\r",       "\r\r\n",   std::string(1, '\0'),
                                       "\x81", "\xFC", "\x81\r\n", "\x95\n",   "\x95\x5C",
                                       "\x5C", "a",    "\t",       "\xE0\x40", "\\begin{document}"};
  std::string file;
  for (int i = static_cast<int>(rng() % 300); i > 0; --i) {
    file += pieces[rng() % std::size(pieces)];
    if (rng() % 97 == 0) file += std::string(rng() % 5000, static_cast<char>('A' + rng() % 26));
  }
  return file;
}

// As awkward as the system may make them: interrupted every third call, and short.
std::size_t awkwardCalls = 0;
std::size_t AwkwardSize(std::size_t size) {
  if (++awkwardCalls % 3 == 1) errno = EINTR;
  return awkwardCalls % 3 == 1 ? 0 : std::min<std::size_t>(size, 1 + awkwardCalls * 7919 % 70000);
}
long AwkwardRead(int fd, void* data, std::size_t size) {
  const std::size_t n = AwkwardSize(size);
  return n ? SystemFileCalls().read(fd, data, n) : -1;
}
long AwkwardWrite(int fd, const void* data, std::size_t size) {
  const std::size_t n = AwkwardSize(size);
  return n ? SystemFileCalls().write(fd, data, n) : -1;
}

TEST_F(TextFile, FilesSurviveReadWriteReadThroughAwkwardCalls) {
  const std::pair<std::string, Lines> known[] = {
      {"", {""}},
      {"one\r\ntwo\n", {"one", "two"}},
      {"a\r\r\n\rb\r", {"a\r", "\rb\r"}},  // only the CR right before LF belongs to the break
      {std::string("x\0y\n\0", 5), {std::string("x\0y", 3), std::string(1, '\0')}},
  };
  std::vector<std::string> files = {std::string(3 << 20, '\x88') + "\x81"};  // longer than any buffer
  for (const auto& [file, lines] : known) {
    EXPECT_EQ(ExpectedLines(file), lines) << ::testing::PrintToString(file);
    files.push_back(file);
  }
  std::mt19937 rng(20240611);
  for (int round = 0; round < 150; ++round) files.push_back(RandomFile(rng));

  FileCallsRestorer restore;
  ActiveFileCalls().read = AwkwardRead;
  ActiveFileCalls().write = AwkwardWrite;
  const std::string original = dir / "original.tex", copy = dir / "copy.tex";
  for (const std::string& file : files) {
    SCOPED_TRACE(::testing::PrintToString(file.substr(0, 300)));
    WriteFileBytes(original, file);
    LoadText(doc, "unsaved");
    ASSERT_TRUE(ReadTextFile(original, doc).Ok());
    const Lines lines = DocLines(doc);
    ASSERT_EQ(lines, ExpectedLines(file));
    EXPECT_EQ(doc.LineCount(), static_cast<int>(lines.size()));
    EXPECT_FALSE(doc.IsModified());
    doc.SetModifiedFlag(true);
    ASSERT_TRUE(WriteTextFile(copy, doc).Ok());
    EXPECT_FALSE(doc.IsModified());
    std::string image;
    for (const std::string& line : lines) image += line + "\r\n";
    ASSERT_EQ(FileBytes(copy), image);
  }
  EXPECT_GT(awkwardCalls, 500);
  EXPECT_EQ(Listing(dir.Path()), "copy.tex,original.tex");
}

int failedReads = 0;

TEST_F(TextFile, ReadErrorsAndTheTwoGigabyteRefusalLeaveTheDocumentAsItWas) {
  FileCallsRestorer restore;
  ActiveFileCalls().read = [](int, void*, std::size_t) { return ++failedReads, long{Failed(EIO)}; };
  WriteFileBytes(dir / "huge.tex", "");
  ASSERT_EQ(::truncate((dir / "huge.tex").c_str(), off_t{1} << 31), 0);  // sparse: it takes no disk
  WriteFileBytes(dir / "file.tex", "text\r\n");
  LoadText(doc, "unsaved");
  EXPECT_EQ(ReadTextFile(dir / "huge.tex", doc).cause, FileErrorCause::TooLarge);
  EXPECT_EQ(failedReads, 0);                                      // refused before any read
  const FileResult failed = ReadTextFile(dir / "file.tex", doc);  // an error, not the end of the file
  EXPECT_EQ(failed.cause, FileErrorCause::HardIO) << ::testing::PrintToString(failed);
  EXPECT_EQ(failed.osError, EIO);
  EXPECT_EQ(DocLines(doc), Lines{"unsaved"});
  EXPECT_TRUE(doc.IsModified());
}

// Another program adds to the file, or cuts it down, at the next read.
std::string changingPath, appended;
off_t cutTo = -1;
long ChangingRead(int fd, void* data, std::size_t size) {
  if (cutTo >= 0 && ::truncate(changingPath.c_str(), std::exchange(cutTo, -1)) != 0) return -1;
  if (!appended.empty())
    std::ofstream(changingPath, std::ios::binary | std::ios::app) << std::exchange(appended, "");
  return SystemFileCalls().read(fd, data, std::min<std::size_t>(size, 1000));
}

TEST_F(TextFile, FileThatChangesWhileReadGivesWhatIsThereUpToTheLimit) {
  FileCallsRestorer restore;
  ActiveFileCalls().read = ChangingRead;
  changingPath = dir / "changing.tex";
  const std::string start(5000, 's'), more(20000, 'g');
  FileImage grown, cut, tooLarge;
  WriteFileBytes(changingPath, start);
  appended = more;
  ASSERT_TRUE(ReadWholeFile(changingPath, 1 << 20, grown).Ok());
  EXPECT_EQ(std::string_view(grown.block->Data(), grown.size), start + more);
  WriteFileBytes(changingPath, start);
  cutTo = 3000;
  ASSERT_TRUE(ReadWholeFile(changingPath, 1 << 20, cut).Ok());
  EXPECT_EQ(cut.size, 3000u);
  WriteFileBytes(changingPath, start);
  appended = more;
  EXPECT_EQ(ReadWholeFile(changingPath, 10000, tooLarge).cause, FileErrorCause::TooLarge);
  EXPECT_EQ(tooLarge.block, nullptr);
}

// A save through links replaces what they finally lead to, and keeps the links; a new file
// gets the usual bits less the umask, not the temporary file's private ones. (Owners and bits
// of replaced files are the save fault matrix's.)
TEST_F(TextFile, SavesThroughLinksAndWithTheUmask) {
  WriteFileBytes(dir / "paper.tex", std::string(10000, 'o'));  // longer than the new text
  ASSERT_EQ(::symlink("paper.tex", (dir / "near").c_str()), 0);
  ASSERT_EQ(::symlink((dir / "near").c_str(), (dir / "far").c_str()), 0);  // a link to a link
  ASSERT_EQ(::symlink("fresh.tex", (dir / "dangling").c_str()), 0);        // its target is made
  const mode_t umask = ::umask(027);
  const FileResult result = WriteTextFile(dir / "far", doc), fresh = WriteTextFile(dir / "dangling", doc);
  ::umask(umask);
  ASSERT_TRUE(result.Ok() && fresh.Ok())
      << ::testing::PrintToString(result) << ::testing::PrintToString(fresh);
  EXPECT_EQ(FileBytes(dir / "paper.tex"), kImage);
  EXPECT_EQ(FileBytes(dir / "fresh.tex"), kImage);
  EXPECT_FALSE(doc.IsModified());
  struct stat st {};
  ASSERT_EQ(::stat((dir / "fresh.tex").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  for (const char* link : {"near", "far", "dangling"})
    EXPECT_TRUE(::lstat((dir / link).c_str(), &st) == 0 && S_ISLNK(st.st_mode)) << link;
  EXPECT_EQ(Listing(dir.Path()), "dangling,far,fresh.tex,near,paper.tex");
}

TEST_F(TextFile, NoRegularFileIsReadOrReplaced) {
  ASSERT_EQ(::mkdir((dir / "folder").c_str(), 0755), 0);
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
  const std::tuple<const char*, FileErrorCause, int> cases[] = {
      {"folder", FileErrorCause::AccessDenied, EISDIR},
      {"folder/", FileErrorCause::AccessDenied, EISDIR},
      {"fifo", FileErrorCause::AccessDenied, 0},  // refused, not waited on nor replaced
      {"missing/new.tex", FileErrorCause::FileNotFound, ENOENT},
  };
  for (const auto& [name, cause, osError] : cases)
    for (const FileResult& result : {WriteTextFile(dir / name, doc), ReadTextFile(dir / name, doc)}) {
      EXPECT_EQ(result.cause, cause) << name << ": " << ::testing::PrintToString(result);
      EXPECT_EQ(result.osError, osError) << name;
    }
  EXPECT_EQ(DocLines(doc), (Lines{"\\section{\x95\x5C}", "", "\x81", "end"}));
  EXPECT_TRUE(doc.IsModified());
  EXPECT_EQ(Listing(dir.Path()), "fifo,folder");
  EXPECT_EQ(Listing(dir / "folder"), "");
  struct stat st {};
  EXPECT_TRUE(::lstat((dir / "fifo").c_str(), &st) == 0 && S_ISFIFO(st.st_mode));
}

int writes = 0;

TEST_F(TextFile, AFailedStepLeavesTheOldFileAndNoTemporary) {
  const std::string path = dir / "paper.tex", old = "old text\r\n\x95\x5C\r\n";
  WriteFileBytes(path, old);
  const std::tuple<const char*, void (*)(FileCalls&), FileErrorCause, int> cases[] = {
      {"write",
       [](FileCalls& c) {
         c.write = [](int fd, const void* data, std::size_t n) {
           return writes++ == 0 ? SystemFileCalls().write(fd, data, n / 2) : Failed(ENOSPC);
         };
       },
       FileErrorCause::DiskFull, ENOSPC},
      {"lying write",
       [](FileCalls& c) { c.write = [](int, const void*, std::size_t n) { return static_cast<long>(n); }; },
       FileErrorCause::Generic, 0},
      {"fsync", [](FileCalls& c) { c.fsync = [](int) { return Failed(EIO); }; }, FileErrorCause::HardIO, EIO},
      // The descriptor is gone after a failed close too, as on Linux.
      {"close",
       [](FileCalls& c) { c.close = [](int fd) { return SystemFileCalls().close(fd), Failed(EIO); }; },
       FileErrorCause::HardIO, EIO},
      {"rename", [](FileCalls& c) { c.rename = [](const char*, const char*) { return Failed(EPERM); }; },
       FileErrorCause::AccessDenied, EPERM},
  };
  for (const auto& [name, inject, cause, osError] : cases) {
    FileCallsRestorer restore;
    writes = 0;
    inject(ActiveFileCalls());
    const FileResult result = WriteTextFile(path, doc);
    EXPECT_EQ(result.cause, cause) << name << ": " << ::testing::PrintToString(result);
    EXPECT_EQ(result.osError, osError) << name;
    EXPECT_EQ(FileBytes(path), old) << name;
    EXPECT_EQ(Listing(dir.Path()), "paper.tex") << name;
    EXPECT_TRUE(doc.IsModified()) << name;
  }
}

// Saves in worlds the test process may not make for itself: no write access, no /proc, a
// process that ends mid-save. Each runs in a forked child that reports back in text. (A full
// disk is a row of the save fault matrix.)
std::string Outcome(const FileResult& result, const CVeloDoc& doc) {
  return std::to_string(static_cast<int>(result.cause)) + " errno " + std::to_string(result.osError) +
         (doc.IsModified() ? " modified" : " saved");
}

// How saving doc to path went, with what is in its folder and whether the file changed.
std::string Save(CVeloDoc& doc, const std::string& folder, const std::string& name) {
  const std::string path = folder + "/" + name;
  const auto old = FileBytes(path);
  const std::string outcome = Outcome(WriteTextFile(path, doc), doc);
  return outcome + " [" + Listing(folder) + "] " + (FileBytes(path) == old ? "same" : "changed") + "\n";
}

TEST(TextFileIsolated, WithoutWriteAccessNothingIsReplacedAndUnreadableFilesAreRefused) {
  ScratchDir dir;
  // A folder that may not be written, holding a file that may.
  const std::string locked = dir / "locked";
  ASSERT_EQ(::mkdir(locked.c_str(), 0755), 0);
  WriteFileBytes(locked + "/paper.tex", "old\r\n");
  WriteFileBytes(dir / "readonly.tex", "old\r\n");
  WriteFileBytes(dir / "secret.tex", "secret\r\n");
  for (const auto& [path, mode] : {std::pair{dir.Path(), 0777},
                                   {locked, 0555},
                                   {locked + "/paper.tex", 0666},
                                   {dir / "readonly.tex", 0444},
                                   {dir / "secret.tex", 0}})
    ASSERT_EQ(::chmod(path.c_str(), static_cast<mode_t>(mode)), 0) << path;
  const std::string report = InChild(DropPrivileges, [&] {
    // The locked folder's file may be written, but only in place behind a backup, and there
    // is no place for one: the folder is locked and so is the state folder.
    ::setenv("XDG_STATE_HOME", (locked + "/state").c_str(), 1);
    Settings settings;
    CVeloDoc doc(settings), reader(settings);
    LoadText(doc, "new text");
    LoadText(reader, "unsaved");
    const FileResult read = ReadTextFile(dir / "secret.tex", reader);
    std::string out = Outcome(read, reader) + " " + DocLines(reader)[0] + "\n";
    out += Save(doc, locked, "paper.tex");
    return out + Save(doc, dir.Path(), "readonly.tex");
  });
  const std::string refused = std::to_string(static_cast<int>(FileErrorCause::AccessDenied)) + " errno " +
                              std::to_string(EACCES) + " modified";
  EXPECT_EQ(report, refused + " unsaved\n" + refused + " [paper.tex] same\n" + refused +
                        " [locked,readonly.tex,secret.tex] same\n");
}

// The new file has no name until it is complete: a save cut short by the end of the process
// (a crash, a kill) leaves nothing behind. On a tmpfs, which can make unnamed files.
TEST(TextFileIsolated, ASaveCutShortLeavesNoFileBehind) {
  std::string folder;
  const std::string report = InChild([&] { return SmallTmpfs(16 << 20, folder); },
                                     [&] {
                                       WriteFileBytes(folder + "/paper.tex", "old\r\n");
                                       SafeFileWriter writer(folder + "/paper.tex");
                                       if (!writer.Open().Ok()) return std::string("not opened");
                                       writer.Append(std::string(3 << 20, 'x'));  // on disk already
                                       // What the folder holds if the process ended here.
                                       return Listing(folder);
                                     });
  EXPECT_EQ(report, "paper.tex");
}

// Without /proc an unnamed file could never be named: the save makes a named one instead.
TEST(TextFileIsolated, WithoutProcTheSaveStillSucceeds) {
  ScratchDir dir;
  const std::string report = InChild(
      [] {
        if (std::string error = PrivateMountNamespace(); !error.empty()) return error;
        return ::mount("none", "/proc", "tmpfs", 0, nullptr) == 0 ? "" : SystemError("hide /proc");
      },
      [&] {
        Settings settings;
        CVeloDoc doc(settings);
        LoadText(doc, "new");
        WriteFileBytes(dir / "paper.tex", "old\r\n");
        const std::string saved = Save(doc, dir.Path(), "paper.tex");
        return saved + FileBytes(dir / "paper.tex").value_or("?");
      });
  EXPECT_EQ(report, "0 errno 0 saved [paper.tex] changed\nnew\r\n");
}

}  // namespace

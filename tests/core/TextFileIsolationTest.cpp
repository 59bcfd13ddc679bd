// Saves in worlds the test process may not make for itself: no write access, no /proc, a
// process that ends mid-save. Each runs in a forked child that reports back in text. (A full
// disk is a row of the save fault matrix.)
#include <errno.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <string>

#include "FileFixtures.h"
#include "Isolation.h"
#include "base/Settings.h"
#include "doc/CVeloDoc.h"
#include "doc/TextFile.h"
#include "sys/SafeFileWriter.h"

namespace {

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

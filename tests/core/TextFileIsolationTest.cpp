// Saves that fail for real, in a world the test process could not make for itself: a full
// file system and a folder it may not write.
#include <errno.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "FileFixtures.h"
#include "IsolatedChild.h"
#include "base/Settings.h"
#include "doc/CVeloDoc.h"
#include "doc/TextFile.h"

namespace {

std::string Joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ",") + name;
  return text;
}

// Saves doc to path and says how it went and what was left in folder.
void ReportSave(ChildReport& report, const std::string& key, CVeloDoc& doc, const std::string& path,
                const std::string& folder, const std::string& oldBytes) {
  const FileResult result = WriteTextFile(path, doc);
  report[key + ".cause"] = CauseName(result.cause);
  report[key + ".errno"] = std::to_string(result.osError);
  report[key + ".modified"] = doc.IsModified() ? "yes" : "no";
  report[key + ".left"] = Joined(Listing(folder));
  if (!oldBytes.empty()) report[key + ".old-intact"] = FileBytes(path) == oldBytes ? "yes" : "no";
}

std::string FillToTheBrim(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return "cannot create";
  const std::string chunk(4096, 'f');
  while (std::fwrite(chunk.data(), 1, chunk.size(), file) == chunk.size()) {
  }
  std::fclose(file);
  return "full";
}

std::string Get(const ChildReport& report, const std::string& key) {
  const auto it = report.find(key);
  return it == report.end() ? "<not reported>" : it->second;
}

void ExpectSetUp(const ChildOutcome& outcome, const char* what) {
  ASSERT_TRUE(outcome.setupError.empty())
      << what << " could not be set up: " << outcome.setupError << "\nThis test needs it and does not skip.";
  ASSERT_EQ(outcome.exitCode, 0) << what << ": the child failed: " << Get(outcome.report, "exception");
}

TEST(TextFileIsolated, SaveOnAFullFileSystemLeavesTheOldFileAndNoTemporary) {
  ScratchDir dir;
  const std::string mount = dir / "small";
  ASSERT_EQ(::mkdir(mount.c_str(), 0755), 0);
  const ChildOutcome outcome = RunOnPrivateTmpfs(mount, 64 * 1024, [&]() {
    ChildReport report;
    Settings settings;
    CVeloDoc doc(settings);
    std::string big;
    for (int i = 0; i < 4000; ++i) big += "\\item \x95\x5C\x8E\xA6 line " + std::to_string(i) + "\n";
    doc.InsertText(TextPos{doc.FirstLine(), 0, 0, 0}, big);  // one long line, 100 KB: more than fits

    const std::string old = "old text\r\n\x95\x5C\r\n";
    const std::string path = mount + "/paper.tex";
    WriteFileBytes(path, old);
    ReportSave(report, "big", doc, path, mount, old);
    ReportSave(report, "new", doc, mount + "/fresh.tex", mount, "");

    // Nothing at all fits any more: even a small text fails on its first write.
    report["filler"] = FillToTheBrim(mount + "/filler");
    CVeloDoc small(settings);
    small.InsertText(TextPos{small.FirstLine(), 0, 0, 0}, "short");
    ReportSave(report, "small", small, path, mount, old);
    return report;
  });
  ASSERT_NO_FATAL_FAILURE(ExpectSetUp(outcome, "a private tmpfs (unshare -Urm)"));
  const ChildReport& r = outcome.report;
  for (const std::string key : {"big", "new", "small"}) {
    SCOPED_TRACE(key);
    EXPECT_EQ(Get(r, key + ".cause"), "DiskFull");
    EXPECT_EQ(Get(r, key + ".errno"), std::to_string(ENOSPC));
    EXPECT_EQ(Get(r, key + ".modified"), "yes");
  }
  EXPECT_EQ(Get(r, "big.old-intact"), "yes");
  EXPECT_EQ(Get(r, "big.left"), "paper.tex");
  EXPECT_EQ(Get(r, "new.left"), "paper.tex");
  EXPECT_EQ(Get(r, "filler"), "full");
  EXPECT_EQ(Get(r, "small.old-intact"), "yes");
  EXPECT_EQ(Get(r, "small.left"), "filler,paper.tex");
  EXPECT_TRUE(Listing(mount).empty()) << "the tmpfs leaked into the test's own namespace";
}

TEST(TextFileIsolated, WithoutWriteAccessNothingIsReplacedAndUnreadableFilesAreRefused) {
  ScratchDir dir;
  ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
  const std::string locked = dir / "locked";  // the file may be written, its folder may not
  const std::string open = dir / "open";      // the folder may be written, the file may not
  ASSERT_EQ(::mkdir(locked.c_str(), 0755), 0);
  ASSERT_EQ(::mkdir(open.c_str(), 0777), 0);
  ASSERT_EQ(::chmod(open.c_str(), 0777), 0);
  const std::string old = "old\r\n";
  WriteFileBytes(locked + "/paper.tex", old);
  WriteFileBytes(open + "/paper.tex", old);
  WriteFileBytes(dir / "secret.tex", "secret\r\n");
  ASSERT_EQ(::chmod((locked + "/paper.tex").c_str(), 0666), 0);
  ASSERT_EQ(::chmod(locked.c_str(), 0555), 0);
  ASSERT_EQ(::chmod((open + "/paper.tex").c_str(), 0444), 0);
  ASSERT_EQ(::chmod((dir / "secret.tex").c_str(), 0), 0);

  const ChildOutcome outcome = RunUnprivileged([&]() {
    ChildReport report;
    report["euid"] = std::to_string(::geteuid());
    Settings settings;
    CVeloDoc doc(settings);
    doc.InsertText(TextPos{doc.FirstLine(), 0, 0, 0}, "new text");
    ReportSave(report, "locked", doc, locked + "/paper.tex", locked, old);
    ReportSave(report, "locked-new", doc, locked + "/fresh.tex", locked, "");
    ReportSave(report, "readonly", doc, open + "/paper.tex", open, old);

    CVeloDoc reader(settings);
    reader.InsertText(TextPos{reader.FirstLine(), 0, 0, 0}, "unsaved");
    const FileResult read = ReadTextFile(dir / "secret.tex", reader);
    report["read.cause"] = CauseName(read.cause);
    report["read.errno"] = std::to_string(read.osError);
    report["read.doc"] = DocLines(reader) == std::vector<std::string>{"unsaved"} ? "unchanged" : "changed";
    return report;
  });
  ASSERT_NO_FATAL_FAILURE(ExpectSetUp(outcome, "an unprivileged child (setuid 65534)"));
  const ChildReport& r = outcome.report;
  EXPECT_NE(Get(r, "euid"), "0");
  for (const std::string key : {"locked", "locked-new", "readonly"}) {
    SCOPED_TRACE(key);
    EXPECT_EQ(Get(r, key + ".cause"), "AccessDenied");
    EXPECT_EQ(Get(r, key + ".errno"), std::to_string(EACCES));
    EXPECT_EQ(Get(r, key + ".modified"), "yes");
    EXPECT_EQ(Get(r, key + ".left"), "paper.tex");
  }
  EXPECT_EQ(Get(r, "locked.old-intact"), "yes");
  EXPECT_EQ(Get(r, "readonly.old-intact"), "yes");
  EXPECT_EQ(Get(r, "read.cause"), "AccessDenied");
  EXPECT_EQ(Get(r, "read.errno"), std::to_string(EACCES));
  EXPECT_EQ(Get(r, "read.doc"), "unchanged");
}

}  // namespace

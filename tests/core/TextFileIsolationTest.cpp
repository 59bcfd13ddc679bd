// Saves that fail for real, in a world the test process may not make for itself: a full file
// system and a folder it may not write. Each runs in a forked child that sets that world up
// and reports back in text.
#include <errno.h>
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <string.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <string>

#include "FileFixtures.h"
#include "base/Settings.h"
#include "doc/CVeloDoc.h"
#include "doc/TextFile.h"

namespace {

std::string SystemError(const char* what) { return std::string("setup: ") + what + ": " + ::strerror(errno); }

// What body returns, run in a child after setup; or why setup failed.
std::string InChild(const std::function<std::string()>& setup, const std::function<std::string()>& body) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return SystemError("pipe");
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid < 0) return SystemError("fork");
  if (pid == 0) {
    std::string text = setup();
    if (text.empty()) text = body();
    // Reports are short: one write to the pipe takes them whole.
    ::_exit(::write(fds[1], text.data(), text.size()) == static_cast<ssize_t>(text.size()) ? 0 : 1);
  }
  ::close(fds[1]);
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
    text.append(buffer, static_cast<std::size_t>(n));
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) text += "(the child ended abnormally)";
  return text;
}

// The kernel takes these files in one write, which the stream's flush is.
bool WriteProcFile(const char* path, const std::string& text) {
  return static_cast<bool>(std::ofstream(path) << text << std::flush);
}

// A tmpfs of size bytes that is never attached anywhere, reached as folder through
// /proc/self/fd: with no mount point nothing can travel back into the test's own namespace,
// and nothing depends on / being a mount point (in a chroot it is not). Mounting needs a new
// user namespace where that is allowed, otherwise root.
std::string SmallTmpfs(std::size_t size, std::string& folder) {
  const std::string uid = std::to_string(::getuid()), gid = std::to_string(::getgid());
  if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) == 0) {
    // Files made inside must belong to someone the kernel can name.
    if (!WriteProcFile("/proc/self/setgroups", "deny") ||
        !WriteProcFile("/proc/self/uid_map", "0 " + uid + " 1") ||
        !WriteProcFile("/proc/self/gid_map", "0 " + gid + " 1"))
      return SystemError("map the user namespace");
  }
  const int fs = ::fsopen("tmpfs", FSOPEN_CLOEXEC);
  if (fs < 0) return SystemError("open a tmpfs");
  const std::string bytes = std::to_string(size);
  const bool made = ::fsconfig(fs, FSCONFIG_SET_STRING, "size", bytes.c_str(), 0) == 0 &&
                    ::fsconfig(fs, FSCONFIG_SET_STRING, "mode", "0755", 0) == 0 &&
                    ::fsconfig(fs, FSCONFIG_CMD_CREATE, nullptr, nullptr, 0) == 0;
  const int root = made ? ::fsmount(fs, FSMOUNT_CLOEXEC, MOUNT_ATTR_NOSUID | MOUNT_ATTR_NODEV) : -1;
  const int error = errno;
  ::close(fs);
  errno = error;
  if (root < 0) return SystemError("make a tmpfs");
  folder = "/proc/self/fd/" + std::to_string(root);
  return {};
}

// Root ignores permission bits: as root, become the unprivileged user 65534.
std::string DropPrivileges() {
  if (::geteuid() != 0) return {};
  if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
    return SystemError("setuid");
  return ::geteuid() == 0 ? "setup: still root" : "";
}

std::string Outcome(FileErrorCause cause, int error, bool modified) {
  return std::to_string(static_cast<int>(cause)) + " errno " + std::to_string(error) +
         (modified ? " modified" : " saved");
}

// How saving doc to path went, with what is in its folder and whether the file changed.
std::string Save(CVeloDoc& doc, const std::string& folder, const std::string& name) {
  const std::string path = folder + "/" + name;
  const auto old = FileBytes(path);
  const FileResult result = WriteTextFile(path, doc);
  return Outcome(result.cause, result.osError, doc.IsModified()) + " [" + Listing(folder) + "] " +
         (FileBytes(path) == old ? "same" : "changed") + "\n";
}

std::string Refused(FileErrorCause cause, int error, const std::string& left) {
  return Outcome(cause, error, true) + " [" + left + "] same\n";
}

TEST(TextFileIsolated, SaveOnAFullFileSystemLeavesTheOldFileAndNoTemporary) {
  std::string small;
  auto saveTooMuch = [&] {
    Settings settings;
    CVeloDoc doc(settings);
    LoadText(doc, std::string(100000, 'x'));  // more than fits
    WriteFileBytes(small + "/paper.tex", "old text\r\n\x95\x5C\r\n");
    std::string report = Save(doc, small, "paper.tex");
    return report + Save(doc, small, "fresh.tex");
  };
  const std::string report = InChild([&] { return SmallTmpfs(64 * 1024, small); }, saveTooMuch);
  const std::string full = Refused(FileErrorCause::DiskFull, ENOSPC, "paper.tex");
  EXPECT_EQ(report, full + full);
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
    Settings settings;
    CVeloDoc doc(settings), reader(settings);
    LoadText(doc, "new text");
    LoadText(reader, "unsaved");
    const FileResult read = ReadTextFile(dir / "secret.tex", reader);
    std::string out =
        Outcome(read.cause, read.osError, reader.IsModified()) + " " + DocLines(reader)[0] + "\n";
    out += Save(doc, locked, "paper.tex");
    return out + Save(doc, dir.Path(), "readonly.tex");
  });
  EXPECT_EQ(report, Outcome(FileErrorCause::AccessDenied, EACCES, true) + " unsaved\n" +
                        Refused(FileErrorCause::AccessDenied, EACCES, "paper.tex") +
                        Refused(FileErrorCause::AccessDenied, EACCES, "locked,readonly.tex,secret.tex"));
}

}  // namespace

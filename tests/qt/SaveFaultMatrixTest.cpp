// Saving under faults, one row of tests/data/save/matrix.txt at a time, each in a forked child
// that makes the row's world (users, mounts and a full disk a test process may not make for
// itself), becomes the saver, saves and describes the file before and after, reporting back
// in text. Needs root (it plays several users); without it the rows fail, they do not pass.
#include <errno.h>
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <QString>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <vector>

#include "../core/FileFixtures.h"
#include "app/FileCommands.h"
#include "doc/TextFile.h"
#include "sys/FileAttributes.h"
#include "sys/FileCalls.h"
#include "sys/ProcessSignals.h"

namespace {

constexpr uid_t kOwner = 4242;
constexpr gid_t kGroup = 4243;
constexpr std::size_t kLimit = 64 * 1024;  // the small disk, and the file size limit
// A write that claims bytes it did not write; one the process dies at.
constexpr int kLie = -1, kCrash = -2;
const std::string kOld = "old text\r\n\x95\x5C\r\n";

std::string SystemError(const std::string& what) { return "setup: " + what + ": " + ::strerror(errno); }

// What work returns, run in a forked child.
template <class Work>
std::string InChild(Work work) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return SystemError("pipe");
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    const std::string text = work();
    ::_exit(::write(fds[1], text.data(), text.size()) == static_cast<ssize_t>(text.size()) ? 0 : 1);
  }
  ::close(fds[1]);
  std::string text;
  char buffer[4096];
  for (ssize_t n; pid > 0 && (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
    text.append(buffer, static_cast<std::size_t>(n));
  ::close(fds[0]);
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    text += "(the child ended abnormally)";
  return text;
}

struct Row {
  std::string name, world, folderMode, fileMode, saver, fail, result, bytes, inode, left;
};

// Every call by kind ("write#2" is the second write); the calls in faults fail with their error.
std::vector<std::string> calls;
std::map<std::string, int> counts, faults;
std::string savedFolder, namedAtCrash = "-";  // what is in the folder if the process dies

// The names in folder other than the world's own, or "-".
std::string Extra(const std::string& folder) {
  std::string extra;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error))
    if (!std::set<std::string>{"paper.tex", "other.tex", "inner"}.count(entry.path().filename()))
      extra += (extra.empty() ? "" : ",") + entry.path().filename().string();
  return extra.empty() ? "-" : extra;
}

int Fault(const char* kind) {
  calls.push_back(kind + ("#" + std::to_string(++counts[kind])));
  const auto fault = faults.find(calls.back());
  return fault == faults.end() ? 0 : (errno = fault->second);
}

const FileCalls kCountedCalls{
    [](auto... a) { return Fault("open") ? -1 : SystemFileCalls().open(a...); },
    [](auto... a) { return Fault("read") ? -1L : SystemFileCalls().read(a...); },
    [](int fd, const void* data, std::size_t size) {
      const int fault = Fault("write");
      if (fault == kCrash) namedAtCrash = Extra(savedFolder);
      return fault == kLie ? static_cast<long>(size)
             : fault > 0   ? -1L
                           : SystemFileCalls().write(fd, data, size);
    },
    [](auto... a) { return Fault("lseek") ? -1LL : SystemFileCalls().lseek(a...); },
    [](auto... a) { return Fault("ftruncate") ? -1 : SystemFileCalls().ftruncate(a...); },
    [](auto... a) { return Fault("fsync") ? -1 : SystemFileCalls().fsync(a...); },
    [](int fd) {
      const int rc = SystemFileCalls().close(fd);  // the descriptor is gone after a failed close too
      return Fault("close") ? -1 : rc;
    },
    [](auto... a) { return Fault("rename") ? -1 : SystemFileCalls().rename(a...); },
    [](auto... a) { return Fault("unlink") ? -1 : SystemFileCalls().unlink(a...); },
};

// "write#2=EIO,ftruncate#1=EIO"; "-" for none.
std::map<std::string, int> ParseFaults(const std::string& text) {
  static const std::map<std::string, int> errors = {{"EIO", EIO},       {"ENOSPC", ENOSPC}, {"EBUSY", EBUSY},
                                                    {"EACCES", EACCES}, {"EPERM", EPERM},   {"LIE", kLie},
                                                    {"CRASH", kCrash}};
  std::map<std::string, int> parsed;
  std::istringstream list(text == "-" ? "" : text);
  for (std::string item; std::getline(list, item, ',');) {
    const auto error = errors.find(item.substr(item.find('=') + 1));
    EXPECT_TRUE(error != errors.end()) << "bad fault: " << item;
    if (error != errors.end()) parsed[item.substr(0, item.find('='))] = error->second;
  }
  return parsed;
}

// A folder, or a file holding the old text, with the given owner and bits.
bool Make(const std::string& path, uid_t uid, gid_t gid, mode_t mode, bool file = false) {
  if (file) std::ofstream(path, std::ios::binary) << kOld;
  return (file || ::mkdir(path.c_str(), 0700) == 0) && ::chown(path.c_str(), uid, gid) == 0 &&
         ::chmod(path.c_str(), mode) == 0;
}

struct World {
  std::string folder, backups;      // holds paper.tex; the state folder's backup folder
  std::vector<std::string> others;  // other names of the same file
  bool big = false;                 // more text than the disk or the limit takes
};

// Makes the row's world under base (as root) and becomes the saver.
std::string MakeWorld(const Row& row, const std::string& base, World& world) {
  const auto has = [&](const char* part) { return row.world.find(part) != std::string::npos; };
  world = {base + "/w", base + "/state/mirev/backup", {}, has("full-disk") || has("fsize-limit")};
  const std::string paper = world.folder + "/paper.tex", inner = world.folder + "/inner";
  if (has("hard-link")) world.others = {world.folder + "/other.tex"};
  if (has("bind-mount")) world.others = {inner + "/real.tex"};
  ::setenv("XDG_STATE_HOME", (base + "/state").c_str(), 1);
  // Root's files on the small disk and under mounts: their user namespaces know no one else.
  const bool rootsOnly = has("tmpfs") || has("full-disk") || has("mount") || has("no-proc");
  // A mount namespace of the child's own, made with a user namespace in which root is root:
  // its mounts are slaves of the test's, so nothing mounted inside travels back.
  if (rootsOnly && ::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return SystemError("unshare");
  for (const auto& [file, text] : {std::pair{"/proc/self/setgroups", "deny"},
                                   {"/proc/self/uid_map", "0 0 1"},
                                   {"/proc/self/gid_map", "0 0 1"}})
    if (rootsOnly && !(std::ofstream(file) << text << std::flush))
      return SystemError("map the user namespace");
  const std::string disk = "size=" + std::to_string(kLimit) + ",mode=0755";
  if ((has("tmpfs") || has("full-disk")) && ::mount("tmpfs", base.c_str(), "tmpfs", 0, disk.c_str()) != 0)
    return SystemError("mount a small disk");
  const uid_t uid = rootsOnly ? 0 : kOwner;
  const gid_t gid = rootsOnly ? 0 : kGroup;
  const auto mode = [](const std::string& octal) {
    return static_cast<mode_t>(std::stoul(octal, nullptr, 8));
  };
  if (!Make(base + "/state", 0, 0, has("no-backup-place") ? 0755 : 01777) ||
      !Make(world.folder, uid, gid, mode(row.folderMode)) ||
      !Make(paper, uid, gid, mode(row.fileMode), true) ||
      (has("bind-mount") && (!Make(inner, uid, gid, 0755) || !Make(world.others[0], uid, gid, 0640, true))))
    return SystemError("make the world");
  if (has("hard-link") && ::link(paper.c_str(), world.others[0].c_str()) != 0) return SystemError("link");
  if (has("bind-mount") && ::mount(world.others[0].c_str(), paper.c_str(), nullptr, MS_BIND, nullptr) != 0)
    return SystemError("bind a file onto paper.tex");
  if (has("no-proc") && ::mount("none", "/proc", "tmpfs", 0, nullptr) != 0) return SystemError("hide /proc");
  // An access list as the kernel stores it: version 2, then tag, permissions, id (~0: none).
  std::string acl("\x02\0\0\0", 4);
  for (const auto& entry :
       {std::array{1u, 6u, ~0u}, {2u, 6u, 4244u}, {4u, 4u, ~0u}, {16u, 6u, ~0u}, {32u, 0u, ~0u}})
    for (const auto& [x, size] : {std::pair{entry[0], 2}, {entry[1], 2}, {entry[2], 4}})
      for (int i = 0; i < size; ++i) acl += static_cast<char>((x >> (8 * i)) & 0xFF);
  if (has("acl-xattr") &&
      (::setxattr(paper.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) != 0 ||
       ::setxattr(paper.c_str(), "user.mirev.note", "keep me", 7, 0) != 0))
    return SystemError("give paper.tex an access list and an attribute");
  if (has("security-xattr") && ::setxattr(paper.c_str(), "security.mirev", "label", 5, 0) != 0)
    return SystemError("give paper.tex a security attribute");
  const rlimit limit{kLimit, kLimit};
  if (has("fsize-limit") && ::setrlimit(RLIMIT_FSIZE, &limit) != 0) return SystemError("limit the file size");
  if (row.saver == "root") return {};
  // The owner, a member of the group (nobody in it), or nobody; without root this fails.
  const uid_t saver = row.saver == "owner" ? kOwner : 65534;
  const std::vector<gid_t> groups(row.saver == "nobody" ? 0 : 1, kGroup);
  if (::setgroups(groups.size(), groups.data()) != 0 || ::setgid(saver == kOwner ? kGroup : 65534) != 0 ||
      ::setuid(saver) != 0 || ::geteuid() != saver)
    return SystemError("become the saver " + row.saver);
  return {};
}

// Owner, group, bits, link count and attributes of the file at path; its inode number.
std::string Identity(const std::string& path, ino_t& inode) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return "missing";
  inode = st.st_ino;
  std::ostringstream text;
  text << st.st_uid << ":" << st.st_gid << " " << std::oct << (st.st_mode & 07777) << std::dec << " links "
       << st.st_nlink;
  FileAttributes attributes;
  if (!ReadFileAttributes(path, attributes)) return text.str() + " attributes unreadable";
  for (const auto& [name, value] : attributes) text << " " << name << "=" << value;
  return text.str();
}

// Saves as the saver. The report's first line reads as the row's result, bytes, inode and left
// columns, followed by what went wrong beyond them; its second line lists the calls made.
std::string SaveInWorld(const World& world) {
  IgnoreWriteSignals();  // as the program does at start-up
  const std::string path = (savedFolder = world.folder) + "/paper.tex";
  ino_t before = 0, after = 0;
  const std::string identity = Identity(path, before);
  Settings settings;
  CVeloDoc doc(settings);
  std::string text;
  for (int i = 0; i < (world.big ? 1000 : 2); ++i)
    text += std::string(98, static_cast<char>('a' + i % 26)) + "\r\n";
  LoadText(doc, text);
  ActiveFileCalls() = kCountedCalls;
  const FileResult result = WriteTextFile(path, doc);
  ActiveFileCalls() = SystemFileCalls();

  const auto bytes = FileBytes(path);
  const std::string now = Identity(path, after);
  static const std::map<FileErrorCause, std::string> kOutcomes = {
      {FileErrorCause::None, "ok"},
      {FileErrorCause::Generic, "generic"},
      {FileErrorCause::DiskFull, "disk-full"},
      {FileErrorCause::HardIO, "hard-io"},
      {FileErrorCause::AccessDenied, "access-denied"}};
  const auto outcome = kOutcomes.find(result.cause);
  std::ostringstream report;
  report << (outcome == kOutcomes.end() ? "cause-" + std::to_string(static_cast<int>(result.cause))
                                        : outcome->second)
         << (bytes == kOld   ? " old"
             : bytes == text ? " new"
                             : " other")
         << (after == before ? " same" : " new");
  // Nothing is left, or the old text in a backup beside the file, which a failure names.
  const std::string extra = Extra(world.folder), backups = Extra(world.backups),
                    backup = world.folder + "/" + extra;
  if (extra == "-" && backups == "-" && result.keptBackup.empty())
    report << " -";
  else if (extra.rfind(".paper.tex.", 0) == 0 && extra.ends_with(".bak") && backups == "-" &&
           FileBytes(backup) == kOld && (result.Ok() || result.keptBackup == backup))
    report << " backup";
  else
    report << " " << extra << "|" << backups << "|kept " << result.keptBackup;
  if (namedAtCrash != "-") report << " named while written " << namedAtCrash;
  if (now != identity) report << " identity " << identity << " became " << now;
  for (const std::string& other : world.others)
    if (FileBytes(other) != bytes) report << " differs at " << other;
  if (doc.IsModified() == result.Ok()) report << " modified flag wrong";
  // A failure that keeps the backup names it: it holds the only copy of the old text.
  const QString message = SaveFailureMessage(result, QString::fromStdString(path));
  if (!message.contains(QString::fromStdString(result.keptBackup)))
    report << " message " << message.toStdString();
  report << "\ncalls";
  for (const std::string& call : calls) report << " " << call;
  return report.str();
}

TEST(SaveFaultMatrix, EveryRowKeepsTheFileWholeAndItsIdentity) {
  std::ifstream in(std::string(MIREV_TEST_DATA) + "/save/matrix.txt");
  std::vector<Row> rows;
  std::set<std::string> injected;  // every call of a write in place has a row that fails it
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    Row& row = rows.emplace_back();
    fields >> row.name >> row.world >> row.folderMode >> row.fileMode >> row.saver >> row.fail >>
        row.result >> row.bytes >> row.inode >> row.left;
    if (line.empty() || line[0] == '#')
      rows.pop_back();
    else if (row.world == "hard-link" && row.saver == "root")
      for (const auto& fault : ParseFaults(row.fail)) injected.insert(fault.first);
  }
  ASSERT_GE(rows.size(), 30u);
  std::string inPlaceCalls;
  for (const Row& row : rows) {
    SCOPED_TRACE("row " + row.name);
    ScratchDir scratch;
    ASSERT_EQ(::chmod(scratch.Path().c_str(), 0755), 0);
    World world;
    const std::string report = InChild([&] {
      faults = ParseFaults(row.fail);
      const std::string error = MakeWorld(row, scratch.Path(), world);
      return error.empty() ? SaveInWorld(world) : error;
    });
    const std::size_t at = report.find("\ncalls");
    ASSERT_TRUE(at != std::string::npos && report.find("abnormally") == std::string::npos) << report;
    EXPECT_EQ(report.substr(0, at), row.result + " " + row.bytes + " " + row.inode + " " + row.left)
        << report;
    if (row.world == "hard-link" && row.fail == "-" && row.saver == "root")
      inPlaceCalls = report.substr(at + 6);
  }
  std::istringstream called(inPlaceCalls);
  std::string missing;
  int count = 0;
  for (std::string call; called >> call; ++count)
    if (!injected.count(call)) missing += " " + call;
  EXPECT_GE(count, 12) << inPlaceCalls;
  EXPECT_EQ(missing, "") << "calls of a write in place that no row makes fail";
}

}  // namespace

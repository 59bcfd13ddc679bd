// Each row of tests/data/save/matrix.txt saves in a forked child that makes the row's world
// (users, mounts, a full disk), becomes the saver and reports back in text. Needs root.
#include <errno.h>
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
#include <map>
#include <set>
#include <sstream>

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
constexpr int kLie = -1;                   // a write that claims bytes it did not write
const std::string kOld = "old text\r\n\x95\x5C\r\n";

std::string SystemError(const std::string& what) { return "setup: " + what + ": " + ::strerror(errno); }

template <class Work>
std::string InChild(Work work) {
  std::FILE* out = std::tmpfile();
  if (!out) return SystemError("tmpfile");
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(std::fputs(work().c_str(), out) < 0 || std::fflush(out) != 0);
  int status = 0;
  std::string text = ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0
                         ? ""
                         : "(the child ended abnormally)";
  std::rewind(out);
  for (int c; (c = std::fgetc(out)) != EOF;) text += static_cast<char>(c);
  std::fclose(out);
  return text;
}

struct Row {
  std::string name, world;
  mode_t folderMode, fileMode;
  std::string saver, fail, expected;
};

std::map<std::string, int> counts;  // calls made by kind
std::string failing;

// The names in folder other than the world's own, or "-".
std::string Extra(const std::string& folder) {
  std::string extra;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error))
    if (!std::set<std::string>{"paper.tex", "other.tex", "inner"}.count(entry.path().filename()))
      extra += (extra.empty() ? "" : ",") + entry.path().filename().string();
  return extra.empty() ? "-" : extra;
}

// Fails a call the row's fail column names ("write#2=EIO,ftruncate#1=EIO": the second write,
// the first ftruncate) with its error; an unknown error ends the child.
int Fault(const char* kind) {
  static const std::map<std::string, int> errors = {
      {"EIO", EIO}, {"ENOSPC", ENOSPC}, {"EPERM", EPERM}, {"LIE", kLie}};
  const std::string call = kind + ("#" + std::to_string(++counts[kind])) + "=";
  const std::size_t at = ("," + failing).find("," + call), from = at + call.size();
  return at == std::string::npos ? 0
                                 : (errno = errors.at(failing.substr(from, failing.find(',', at) - from)));
}

const FileCalls kCountedCalls{
    [](auto... a) { return Fault("open") ? -1 : SystemFileCalls().open(a...); },
    [](auto... a) { return Fault("read") ? -1L : SystemFileCalls().read(a...); },
    [](int fd, const void* data, std::size_t size) {
      const int fault = Fault("write");
      if (fault == kLie) return static_cast<long>(size);
      return fault ? -1L : SystemFileCalls().write(fd, data, size);
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

// A folder, or a file holding the old text, with the given owner and bits.
bool Make(const std::string& path, uid_t uid, gid_t gid, mode_t mode, bool file = false) {
  if (file) std::ofstream(path, std::ios::binary) << kOld;
  return (file || ::mkdir(path.c_str(), 0700) == 0) && ::chown(path.c_str(), uid, gid) == 0 &&
         ::chmod(path.c_str(), mode) == 0;
}

bool Has(const Row& row, const char* part) { return row.world.find(part) != std::string::npos; }

std::string OtherName(const Row& row, const std::string& folder) {
  return Has(row, "hard-link")    ? folder + "/other.tex"
         : Has(row, "bind-mount") ? folder + "/inner/real.tex"
                                  : "";
}

// Makes the row's world under base (as root) and becomes the saver.
std::string MakeWorld(const Row& row, const std::string& base) {
  const auto has = [&](const char* part) { return Has(row, part); };
  const std::string folder = base + "/w", paper = folder + "/paper.tex", other = OtherName(row, folder);
  ::setenv("XDG_STATE_HOME", (base + "/state").c_str(), 1);
  // Root's files on the small disk and under mounts: their user namespaces know no one else.
  const bool rootsOnly = has("full-disk") || has("mount") || has("no-proc");
  // Mounts in a namespace of the child's own (root is root in its user namespace) stay there.
  if (rootsOnly && ::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return SystemError("unshare");
  for (const auto& [file, text] : {std::pair{"/proc/self/setgroups", "deny"},
                                   {"/proc/self/uid_map", "0 0 1"},
                                   {"/proc/self/gid_map", "0 0 1"}})
    if (rootsOnly && !(std::ofstream(file) << text << std::flush))
      return SystemError("map the user namespace");
  const std::string disk = "size=" + std::to_string(kLimit) + ",mode=0755";
  if (has("full-disk") && ::mount("tmpfs", base.c_str(), "tmpfs", 0, disk.c_str()) != 0)
    return SystemError("mount a small disk");
  const uid_t uid = rootsOnly ? 0 : kOwner;
  const gid_t gid = rootsOnly ? 0 : kGroup;
  if (!Make(base + "/state", 0, 0, has("no-backup-place") ? 0755 : 01777) ||
      !Make(folder, uid, gid, row.folderMode) || !Make(paper, uid, gid, row.fileMode, true) ||
      (has("bind-mount") && (!Make(folder + "/inner", uid, gid, 0755) || !Make(other, uid, gid, 0640, true))))
    return SystemError("make the world");
  // An access list as the kernel stores it: version 2, then tag, permissions, id (~0: none).
  std::string acl("\x02\0\0\0", 4);
  for (const auto& entry :
       {std::array{1u, 6u, ~0u}, {2u, 6u, 4244u}, {4u, 4u, ~0u}, {16u, 6u, ~0u}, {32u, 0u, ~0u}})
    for (const auto& [x, size] : {std::pair{entry[0], 2}, {entry[1], 2}, {entry[2], 4}})
      for (int i = 0; i < size; ++i) acl += static_cast<char>((x >> (8 * i)) & 0xFF);
  const rlimit limit{kLimit, kLimit};
  if ((has("hard-link") && ::link(paper.c_str(), other.c_str()) != 0) ||
      (has("bind-mount") && ::mount(other.c_str(), paper.c_str(), nullptr, MS_BIND, nullptr) != 0) ||
      (has("no-proc") && ::mount("none", "/proc", "tmpfs", 0, nullptr) != 0) ||
      (has("acl-xattr") &&
       (::setxattr(paper.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) != 0 ||
        ::setxattr(paper.c_str(), "user.mirev.note", "keep me", 7, 0) != 0)) ||
      (has("security-xattr") && ::setxattr(paper.c_str(), "security.mirev", "label", 5, 0) != 0) ||
      (has("fsize-limit") && ::setrlimit(RLIMIT_FSIZE, &limit) != 0))
    return SystemError("give paper.tex the world's links, mounts, attributes and limits");
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

// Saves as the saver; the report reads as the row's last four columns, then any other harm.
std::string SaveInWorld(const Row& row, const std::string& base) {
  IgnoreWriteSignals();  // as the program does at start-up
  const std::string folder = base + "/w", path = folder + "/paper.tex", other = OtherName(row, folder);
  ino_t before = 0, after = 0;
  const std::string identity = Identity(path, before);
  Settings settings;
  CVeloDoc doc(settings);
  std::string text;
  for (int i = 0; i < (Has(row, "full-disk") || Has(row, "fsize-limit") ? 1000 : 2); ++i)
    text += std::string(98, static_cast<char>('a' + i % 26)) + "\r\n";
  LoadText(doc, text);
  ActiveFileCalls() = kCountedCalls;
  const FileResult result = WriteTextFile(path, doc);
  ActiveFileCalls() = SystemFileCalls();

  const auto bytes = FileBytes(path);
  const std::string now = Identity(path, after);
  std::map<FileErrorCause, std::string> outcomes = {{FileErrorCause::None, "ok"},
                                                    {FileErrorCause::Generic, "generic"},
                                                    {FileErrorCause::DiskFull, "disk-full"},
                                                    {FileErrorCause::HardIO, "hard-io"},
                                                    {FileErrorCause::AccessDenied, "access-denied"}};
  std::ostringstream report;
  report << (outcomes.count(result.cause) ? outcomes[result.cause] : "other")
         << (bytes == kOld   ? " old"
             : bytes == text ? " new"
                             : " other")
         << (after == before ? " same" : " new");
  // Nothing is left, or the old text in a backup beside the file, which a failure names.
  const std::string extra = Extra(folder), backups = Extra(base + "/state/mirev/backup"),
                    backup = folder + "/" + extra;
  if (extra == "-" && backups == "-" && result.keptBackup.empty())
    report << " -";
  else if (extra.rfind(".paper.tex.", 0) == 0 && extra.ends_with(".bak") && backups == "-" &&
           FileBytes(backup) == kOld && (result.Ok() || result.keptBackup == backup))
    report << " backup";
  else
    report << " " << extra << "|" << backups << "|kept " << result.keptBackup;
  if (now != identity) report << " identity " << identity << " became " << now;
  if (!other.empty() && FileBytes(other) != bytes) report << " differs at " << other;
  if (doc.IsModified() == result.Ok()) report << " modified flag wrong";
  // A failure that keeps the backup names it: it holds the only copy of the old text.
  const QString message = SaveFailureMessage(result, QString::fromStdString(path));
  if (!message.contains(QString::fromStdString(result.keptBackup)))
    report << " message " << message.toStdString();
  return report.str();
}

TEST(SaveFaultMatrix, EveryRowKeepsTheFileWholeAndItsIdentity) {
  std::ifstream in(std::string(MIREV_TEST_DATA) + "/save/matrix.txt");
  std::vector<Row> rows;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    Row& row = rows.emplace_back();
    fields >> row.name >> row.world >> std::oct >> row.folderMode >> row.fileMode >> row.saver >> row.fail;
    for (std::string word; fields >> word;) row.expected += (row.expected.empty() ? "" : " ") + word;
  }
  ASSERT_GE(rows.size(), 25u);
  for (const Row& row : rows) {
    SCOPED_TRACE("row " + row.name);
    ScratchDir scratch;
    ASSERT_EQ(::chmod(scratch.Path().c_str(), 0755), 0);
    EXPECT_EQ(InChild([&] {
                failing = row.fail;
                const std::string error = MakeWorld(row, scratch.Path());
                return error.empty() ? SaveInWorld(row, scratch.Path()) : error;
              }),
              row.expected);
  }
}

}  // namespace

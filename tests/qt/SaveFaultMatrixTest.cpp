// Saving under faults, one row of tests/data/save/matrix.txt at a time: each row is run in a
// forked child that makes its world (owners, a read-only folder, a bind mount, a full disk, a
// file size limit, failing system calls), becomes the saver and saves; the child describes the
// file before and after, and the test compares that, and the message the user would see, with
// the row. Needs root (it plays several users); without it the rows fail, they do not pass.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <QString>
#include <cstdint>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <tuple>
#include <vector>

#include "../core/FileFixtures.h"
#include "../core/Isolation.h"
#include "app/FileCommands.h"
#include "res/Resources.h"
#include "sys/FileAttributes.h"
#include "sys/FileCalls.h"
#include "sys/ProcessSignals.h"

namespace {

constexpr uid_t kOwner = 4242;
constexpr gid_t kGroup = 4243;
constexpr uid_t kOther = 4244;
constexpr uid_t kNobody = 65534;
constexpr std::size_t kLimit = 64 * 1024;  // the small disk, and the file size limit
const std::string kOld = "old text\r\n\x95\x5C\r\n";

struct Row {
  std::string name, world, saver, fail, result, bytes, inode, left;
};

std::vector<Row> ReadMatrix() {
  std::vector<Row> rows;
  std::ifstream in(std::string(MIREV_TEST_DATA) + "/save/matrix.txt");
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    Row row;
    fields >> row.name >> row.world >> row.saver >> row.fail >> row.result >> row.bytes >> row.inode >>
        row.left;
    EXPECT_FALSE(row.left.empty()) << "short row: " << line;
    rows.push_back(row);
  }
  return rows;
}

// --- System calls that fail on cue ------------------------------------------------------------

// Counts every call by kind ("write#2" is the second write); the calls named in faults fail
// with their error.
struct CallLog {
  std::vector<std::string> calls;
  std::map<std::string, int> counts;
  std::map<std::string, int> faults;
} callLog;

bool Fails(const char* kind) {
  const std::string call = kind + ("#" + std::to_string(++callLog.counts[kind]));
  callLog.calls.push_back(call);
  const auto fault = callLog.faults.find(call);
  if (fault == callLog.faults.end()) return false;
  errno = fault->second;
  return true;
}

const FileCalls kCountedCalls{
    [](auto... a) { return Fails("open") ? -1 : SystemFileCalls().open(a...); },
    [](auto... a) { return Fails("read") ? -1L : SystemFileCalls().read(a...); },
    [](auto... a) { return Fails("write") ? -1L : SystemFileCalls().write(a...); },
    [](auto... a) { return Fails("lseek") ? -1LL : SystemFileCalls().lseek(a...); },
    [](auto... a) { return Fails("ftruncate") ? -1 : SystemFileCalls().ftruncate(a...); },
    [](auto... a) { return Fails("fsync") ? -1 : SystemFileCalls().fsync(a...); },
    [](int fd) {
      const int rc = SystemFileCalls().close(fd);  // the descriptor is gone after a failed close too
      return Fails("close") ? -1 : rc;
    },
    [](auto... a) { return Fails("rename") ? -1 : SystemFileCalls().rename(a...); },
    [](auto... a) { return Fails("unlink") ? -1 : SystemFileCalls().unlink(a...); },
};

// "write#2=EIO,ftruncate#1=EIO"; "-" for none.
std::map<std::string, int> ParseFaults(const std::string& text) {
  static const std::map<std::string, int> errors = {
      {"EIO", EIO}, {"ENOSPC", ENOSPC}, {"EBUSY", EBUSY}, {"EACCES", EACCES}, {"EPERM", EPERM}};
  std::map<std::string, int> faults;
  std::istringstream list(text == "-" ? "" : text);
  for (std::string item; std::getline(list, item, ',');) {
    const std::size_t equals = item.find('=');
    const auto error = errors.find(item.substr(equals + 1));
    EXPECT_TRUE(equals != std::string::npos && error != errors.end()) << "bad fault: " << item;
    if (error != errors.end()) faults[item.substr(0, equals)] = error->second;
  }
  return faults;
}

// --- Worlds -------------------------------------------------------------------------------------

struct World {
  std::string folder;               // holds paper.tex
  std::set<std::string> names;      // what belongs in the folder
  std::vector<std::string> others;  // other names of the same file
  std::string backups;              // the state folder's backup folder
  bool big = false;                 // more text than the disk or the limit takes
};

// A folder, or a file holding the old text, with the given owner and bits.
std::string Make(const std::string& path, uid_t uid, gid_t gid, mode_t mode, bool file = false) {
  if (file) WriteFileBytes(path, kOld);
  if ((!file && ::mkdir(path.c_str(), 0700) != 0) || ::chown(path.c_str(), uid, gid) != 0 ||
      ::chmod(path.c_str(), mode) != 0)
    return SystemError("make " + path);
  return {};
}

// Makes the row's world under base (as root) and fills in world.
std::string MakeWorld(const Row& row, const std::string& base, World& world) {
  world.folder = base + "/w";
  const std::string paper = world.folder + "/paper.tex";
  world.names = {"paper.tex"};
  world.backups = base + "/state/mirev/backup";
  ::setenv("XDG_STATE_HOME", (base + "/state").c_str(), 1);
  std::string error;
  if (!(error = Make(base + "/state", 0, 0, 01777)).empty()) return error;
  const std::string& w = row.world;
  const bool onTmpfs = w.rfind("full-disk", 0) == 0;
  world.big = onTmpfs || w.rfind("fsize-limit", 0) == 0;
  // Root's files on the small disk and under a mount (their user namespaces know no one
  // else); else the owner's, which the group may read.
  const bool rootsOnly = onTmpfs || w == "bind-mount";
  const uid_t uid = rootsOnly ? 0 : kOwner;
  const gid_t gid = rootsOnly ? 0 : kGroup;
  const mode_t folderMode = w == "read-only-folder" ? 0555 : w == "group-shared" ? 0775 : 0755;
  const mode_t fileMode = w == "read-only-folder" ? 0666 : w == "group-shared" ? 0664 : 0640;
  if (!(error = Make(world.folder, uid, gid, folderMode)).empty()) return error;
  if (!(error = Make(paper, uid, gid, fileMode, true)).empty()) return error;

  if (w.find("hard-link") != std::string::npos) {
    if (::link(paper.c_str(), (world.folder + "/other.tex").c_str()) != 0) return SystemError("link");
    world.names.insert("other.tex");
    world.others.push_back(world.folder + "/other.tex");
  } else if (w == "bind-mount") {
    const std::string inner = world.folder + "/inner";
    if (!(error = Make(inner, uid, gid, 0755)).empty()) return error;
    if (!(error = Make(inner + "/real.tex", uid, gid, fileMode, true)).empty()) return error;
    if (!(error = PrivateMountNamespace()).empty()) return error;
    if (::mount((inner + "/real.tex").c_str(), paper.c_str(), nullptr, MS_BIND, nullptr) != 0)
      return SystemError("bind a file onto paper.tex");
    world.names.insert("inner");
    world.others.push_back(inner + "/real.tex");
  } else if (w == "acl-xattr") {
    // An access list as the kernel stores it: version 2, then tag, permissions, id (~0: none).
    std::string acl("\x02\0\0\0", 4);
    for (const auto& entry :
         {std::array{1u, 6u, ~0u}, {2u, 6u, kOther}, {4u, 4u, ~0u}, {16u, 6u, ~0u}, {32u, 0u, ~0u}})
      for (const auto& [x, size] : {std::pair{entry[0], 2}, {entry[1], 2}, {entry[2], 4}})
        for (int i = 0; i < size; ++i) acl += static_cast<char>((x >> (8 * i)) & 0xFF);
    if (::setxattr(paper.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) != 0 ||
        ::setxattr(paper.c_str(), "user.mirev.note", "keep me", 7, 0) != 0)
      return SystemError("give paper.tex an access list and an attribute (does the file system take them?)");
  } else if (w == "security-xattr") {
    if (::setxattr(paper.c_str(), "security.mirev", "label", 5, 0) != 0)
      return SystemError("give paper.tex a security attribute");
  }
  if (w.rfind("fsize-limit", 0) == 0) {
    const rlimit limit{kLimit, kLimit};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return SystemError("limit the file size");
  }
  return {};
}

std::string BecomeSaver(const std::string& saver) {
  if (saver == "root") return ::geteuid() == 0 ? "" : "setup: the saver root needs root";
  if (saver == "owner") return BecomeUser(kOwner, kGroup, {kGroup});
  if (saver == "member") return BecomeUser(kNobody, kNobody, {kGroup});
  if (saver == "nobody") return BecomeUser(kNobody, kNobody);
  return "setup: no saver " + saver;
}

// --- What the child sees ------------------------------------------------------------------------

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
  for (const auto& [name, value] : attributes)
    text << " " << name << "=" << QByteArray::fromStdString(value).toHex().toStdString();
  return text.str();
}

// The names in folder other than the expected ones, or "-".
std::string Extra(const std::string& folder, const std::set<std::string>& expected) {
  std::string extra;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error))
    if (!expected.count(entry.path().filename()))
      extra += (extra.empty() ? "" : ",") + entry.path().filename().string();
  return extra.empty() ? "-" : extra;
}

const std::map<std::string, std::pair<FileErrorCause, int>> kOutcomes = {
    {"ok", {FileErrorCause::None, 0}},
    {"disk-full", {FileErrorCause::DiskFull, IDS_FILE_DISK_FULL}},
    {"hard-io", {FileErrorCause::HardIO, IDS_FILE_HARD_IO}},
    {"access-denied", {FileErrorCause::AccessDenied, IDS_FILE_ACCESS_DENIED}}};

QString Text(int id) { return QString::fromUtf8(ResourceString(id)); }

// Saves in the world as the saver. The report's first line reads as the row's columns (result
// bytes inode left) followed by what every row wants the same; its second the calls made.
std::string SaveInWorld(const Row& row, const World& world) {
  IgnoreWriteSignals();  // as the program does at start-up
  const std::string path = world.folder + "/paper.tex";
  ino_t before = 0, after = 0;
  const std::string identity = Identity(path, before);
  Settings settings;
  CVeloDoc doc(settings);
  std::string text;
  for (int i = 0; i < (world.big ? 1000 : 2); ++i)
    text += std::string(98, static_cast<char>('a' + i % 26)) + "\r\n";
  LoadText(doc, text);
  callLog.faults = ParseFaults(row.fail);
  ActiveFileCalls() = kCountedCalls;
  const FileResult result = WriteTextFile(path, doc);
  ActiveFileCalls() = SystemFileCalls();

  const auto bytes = FileBytes(path);
  const std::string now = Identity(path, after);
  std::string outcome = "cause-" + std::to_string(static_cast<int>(result.cause)), others = "same";
  int messageId = 0;
  for (const auto& [name, expected] : kOutcomes)
    if (expected.first == result.cause) std::tie(outcome, messageId) = std::pair(name, expected.second);
  for (const std::string& other : world.others)
    if (FileBytes(other) != bytes) others = "differ at " + other;
  // Nothing is left, or the backup beside the file, which a failure names: it holds the old text.
  const std::string extra = Extra(world.folder, world.names), backups = Extra(world.backups, {});
  const bool backup =
      extra.rfind(".paper.tex.", 0) == 0 && extra.size() > 15 &&
      extra.compare(extra.size() - 4, 4, ".bak") == 0 && backups == "-" &&
      FileBytes(world.folder + "/" + extra) == kOld &&
      (result.cause == FileErrorCause::None || result.keptBackup == world.folder + "/" + extra);
  const std::string left = extra == "-" && backups == "-" && result.keptBackup.empty() ? "-"
                           : backup                                                    ? "backup"
                                    : extra + "|" + backups + "|kept " + result.keptBackup;
  // The message the user sees names the cause, and the backup when one is kept.
  std::string message = "ok";
  if (result.cause != FileErrorCause::None) {
    FileResult failure(result.cause, result.osError, "");
    failure.keptBackup = result.keptBackup;
    QString expected = Text(messageId).replace("%1", QString::fromStdString(path));
    if (!failure.keptBackup.empty())
      expected += "\n" + Text(IDS_FILE_BACKUP_KEPT).replace("%1", QString::fromStdString(failure.keptBackup));
    const QString shown = SaveFailureMessage(failure, QString::fromStdString(path));
    if (shown != expected) message = shown.toStdString();
  }
  std::ostringstream report;
  report << outcome << " "
         << (bytes == kOld   ? "old"
             : bytes == text ? "new"
                             : "other")
         << " " << (after == before ? "same" : "new") << " " << left << " identity "
         << (now == identity ? "same" : identity + " became " + now) << " others " << others << " message "
         << message << "\ncalls";
  for (const std::string& call : callLog.calls) report << " " << call;
  return report.str() + "\n";
}

std::string RunRow(const Row& row, const std::string& scratch) {
  World world;
  return InChild(
      [&]() -> std::string {
        std::string base = scratch;
        if (row.world.rfind("full-disk", 0) == 0) {
          if (std::string error = SmallTmpfs(kLimit, base); !error.empty()) return error;
        }
        if (std::string error = MakeWorld(row, base, world); !error.empty()) return error;
        return BecomeSaver(row.saver);
      },
      [&] { return SaveInWorld(row, world); });
}

// The saving process lives to tell (a setup failure or a crash reports no calls).
std::string CallsOf(const std::string& report) {
  const std::size_t at = report.find("\ncalls");
  EXPECT_TRUE(at != std::string::npos && report.find("abnormally") == std::string::npos) << report;
  return at == std::string::npos ? "" : report.substr(at + 6);
}

void CheckRow(const Row& row) {
  SCOPED_TRACE("row " + row.name);
  ScratchDir scratch;
  ASSERT_EQ(::chmod(scratch.Path().c_str(), 0755), 0);
  const std::string report = RunRow(row, scratch.Path());
  ASSERT_FALSE(CallsOf(report).empty());
  EXPECT_EQ(report.substr(0, report.find('\n')), row.result + " " + row.bytes + " " + row.inode + " " +
                                                     row.left + " identity same others same message ok")
      << report;
}

TEST(SaveFaultMatrix, EveryRowKeepsTheFileWholeAndItsIdentity) {
  const std::vector<Row> rows = ReadMatrix();
  ASSERT_GE(rows.size(), 20u);
  for (const Row& row : rows) CheckRow(row);
}

// Every system call of a write in place has a row that makes it fail.
TEST(SaveFaultMatrix, EveryCallOfAWriteInPlaceHasItsRow) {
  std::set<std::string> injected;
  for (const Row& row : ReadMatrix()) {
    if (row.world != "hard-link" || row.saver != "root") continue;
    for (const auto& fault : ParseFaults(row.fail)) injected.insert(fault.first);
  }
  ScratchDir scratch;
  ASSERT_EQ(::chmod(scratch.Path().c_str(), 0755), 0);
  const Row clean{"clean", "hard-link", "root", "-", "ok", "new", "same", "-"};
  const std::string report = RunRow(clean, scratch.Path());
  std::istringstream calls(CallsOf(report));
  std::string missing;
  int count = 0;
  for (std::string call; calls >> call; ++count)
    if (!injected.count(call)) missing += " " + call;
  EXPECT_GE(count, 12) << report;
  EXPECT_EQ(missing, "") << "calls of a write in place that no row makes fail";
}

}  // namespace

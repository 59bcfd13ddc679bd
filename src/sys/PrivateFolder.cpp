#include "sys/PrivateFolder.h"

#include <errno.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "sys/OsErrorCause.h"

namespace {

constexpr mode_t kPrivate = 0700;

std::string Environment(const char* name) {
  const char* value = ::getenv(name);
  return value ? std::string(value) : std::string();
}

std::string HomeFolder() {
  std::string home = Environment("HOME");
  if (!home.empty()) return home;
  if (const passwd* entry = ::getpwuid(::geteuid()); entry && entry->pw_dir) return entry->pw_dir;
  return {};
}

bool IsOwnRealFolder(const struct stat& st) { return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid(); }

}  // namespace

FileResult MakePrivateFolder(const std::string& path) {
  if (path.empty() || path[0] != '/') return OsFailure(EINVAL, "a private folder needs an absolute path");
  // Parents first, each made private when it is missing.
  for (std::size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    const std::string parent = path.substr(0, slash);
    if (::mkdir(parent.c_str(), kPrivate) != 0 && errno != EEXIST) return OsFailure(errno, "make a folder");
  }
  if (::mkdir(path.c_str(), kPrivate) != 0 && errno != EEXIST)
    return OsFailure(errno, "make a private folder");
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return OsFailure(errno, "examine a private folder");
  if (!IsOwnRealFolder(st)) return OsFailure(EACCES, "the private folder is a link or another user's");
  if ((st.st_mode & 077) != 0 && ::chmod(path.c_str(), kPrivate) != 0)
    return OsFailure(errno, "narrow a private folder");
  return {};
}

std::string PrivateRuntimeFolder() {
  std::string runtime = Environment("XDG_RUNTIME_DIR");
  struct stat st {};
  if (!runtime.empty() && runtime[0] == '/' && ::lstat(runtime.c_str(), &st) == 0 && IsOwnRealFolder(st) &&
      (st.st_mode & 0777) == kPrivate)
    return runtime;
  std::string temp = Environment("TMPDIR");
  if (temp.empty() || temp[0] != '/') temp = "/tmp";
  while (temp.size() > 1 && temp.back() == '/') temp.pop_back();
  std::string own = temp + "/mirev-" + std::to_string(::geteuid());
  if (!MakePrivateFolder(own).Ok()) return {};
  return own;
}

FileResult PrivateBackupFolder(std::string& folder) {
  std::string state = Environment("XDG_STATE_HOME");
  if (state.empty() || state[0] != '/') {
    const std::string home = HomeFolder();
    if (home.empty() || home[0] != '/') return OsFailure(ENOENT, "no home folder for the backup");
    state = home + "/.local/state";
  }
  while (state.size() > 1 && state.back() == '/') state.pop_back();
  folder = state + "/mirev/backup";
  return MakePrivateFolder(folder);
}

#pragma once
// Worlds a test process may not make for itself (a full disk, another user, mounts of its
// own), each made in a forked child that reports back in text and ends with _exit.
#include <errno.h>
#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <string.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

inline std::string SystemError(const std::string& what) {
  return "setup: " + what + ": " + ::strerror(errno);
}

// What body returns, run in a child after setup; or why setup failed.
inline std::string InChild(const std::function<std::string()>& setup,
                           const std::function<std::string()>& body) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return SystemError("pipe");
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    std::string text = setup();
    if (text.empty()) text = body();
    for (std::size_t at = 0; at < text.size();) {
      const ssize_t n = ::write(fds[1], text.data() + at, text.size() - at);
      if (n <= 0) ::_exit(1);
      at += static_cast<std::size_t>(n);
    }
    ::_exit(0);
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

// A mount namespace made together with a user namespace in which root is the test's user: its
// mounts are slaves of the test's, so nothing mounted inside travels back. Files to be mounted
// should be root's, as no other owner has a name inside.
inline std::string PrivateMountNamespace() {
  const std::string uid = std::to_string(::getuid()), gid = std::to_string(::getgid());
  if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return SystemError("make a user and mount namespace");
  for (const auto& [file, text] : {std::pair<const char*, std::string>{"/proc/self/setgroups", "deny"},
                                   {"/proc/self/uid_map", "0 " + uid + " 1"},
                                   {"/proc/self/gid_map", "0 " + gid + " 1"}})
    if (!(std::ofstream(file) << text << std::flush)) return SystemError("map the user namespace");
  return {};
}

// A tmpfs of size bytes attached nowhere, reached as folder through /proc/self/fd.
inline std::string SmallTmpfs(std::size_t size, std::string& folder) {
  if (std::string error = PrivateMountNamespace(); !error.empty() && ::geteuid() != 0) return error;
  const int fs = ::fsopen("tmpfs", FSOPEN_CLOEXEC);
  const std::string bytes = std::to_string(size);
  const bool made = fs >= 0 && ::fsconfig(fs, FSCONFIG_SET_STRING, "size", bytes.c_str(), 0) == 0 &&
                    ::fsconfig(fs, FSCONFIG_SET_STRING, "mode", "0755", 0) == 0 &&
                    ::fsconfig(fs, FSCONFIG_CMD_CREATE, nullptr, nullptr, 0) == 0;
  const int root = made ? ::fsmount(fs, FSMOUNT_CLOEXEC, MOUNT_ATTR_NOSUID | MOUNT_ATTR_NODEV) : -1;
  if (root < 0) return SystemError("make a tmpfs");
  folder = "/proc/self/fd/" + std::to_string(root);
  return {};
}

// Root becomes the user uid with primary group gid and the given other groups; without root
// the world cannot be made, which fails the test rather than pass it.
inline std::string BecomeUser(uid_t uid, gid_t gid, const std::vector<gid_t>& groups = {}) {
  if (::geteuid() != 0) return "setup: switching users needs root";
  if (::setgroups(groups.size(), groups.data()) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
    return SystemError("switch to user " + std::to_string(uid));
  return ::geteuid() == uid ? "" : "setup: still root";
}

// Root ignores permission bits: it plays nobody.
inline std::string DropPrivileges() { return ::geteuid() == 0 ? BecomeUser(65534, 65534) : ""; }

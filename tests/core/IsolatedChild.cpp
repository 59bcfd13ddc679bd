#include "IsolatedChild.h"

#include <errno.h>
#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <string.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <sstream>

namespace {

constexpr int kUnprivilegedId = 65534;

bool WriteAll(int fd, const std::string& text) {
  const char* p = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

std::string SystemError(const char* what) { return std::string(what) + ": " + ::strerror(errno); }

bool WriteProcFile(const char* path, const std::string& text) {
  const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = WriteAll(fd, text);
  ::close(fd);
  return ok;
}

// Values may not hold line breaks; the bodies report names and numbers.
std::string Serialize(const ChildReport& report) {
  std::string text;
  for (const auto& [key, value] : report) text += key + "=" + value + "\n";
  return text;
}

ChildReport Parse(const std::string& text) {
  ChildReport report;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    const std::size_t eq = line.find('=');
    if (eq != std::string::npos) report[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return report;
}

// Forks a child that runs setup (an error text when it fails), then body, and sends back
// what it reports through a pipe.
ChildOutcome RunInChild(const std::function<std::string()>& setup, const std::function<ChildReport()>& body) {
  int fds[2];
  ChildOutcome outcome;
  if (::pipe2(fds, O_CLOEXEC) != 0) {
    outcome.setupError = SystemError("pipe");
    return outcome;
  }
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid < 0) {
    outcome.setupError = SystemError("fork");
    ::close(fds[0]);
    ::close(fds[1]);
    return outcome;
  }
  if (pid == 0) {
    ::close(fds[0]);
    const std::string error = setup();
    if (!error.empty()) {
      WriteAll(fds[1], "!" + error);
      ::_exit(3);
    }
    std::string text;
    int code = 0;
    try {
      text = Serialize(body());
    } catch (const std::exception& e) {
      text = std::string("exception=") + e.what() + "\n";
      code = 4;
    }
    WriteAll(fds[1], text);
    ::_exit(code);
  }
  ::close(fds[1]);
  std::string text;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fds[0]);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  if (!text.empty() && text[0] == '!') {
    outcome.setupError = text.substr(1);
  } else {
    outcome.report = Parse(text);
    if (outcome.exitCode != 0 && outcome.report.empty()) outcome.setupError = "the child ended abnormally";
  }
  return outcome;
}

std::string EnterPrivateMountNamespace() {
  const uid_t uid = ::getuid();
  const gid_t gid = ::getgid();
  if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) == 0) {
    // Files made inside must belong to someone the kernel can name.
    if (!WriteProcFile("/proc/self/setgroups", "deny") ||
        !WriteProcFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
        !WriteProcFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1")) {
      return SystemError("map the user namespace");
    }
  } else {
    const std::string userError = SystemError("unshare(CLONE_NEWUSER|CLONE_NEWNS)");
    if (::unshare(CLONE_NEWNS) != 0) return userError + "; " + SystemError("unshare(CLONE_NEWNS)");
  }
  // Without this a mount made as root could travel back into the test's own namespace.
  if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return SystemError("make / private");
  return {};
}

}  // namespace

ChildOutcome RunOnPrivateTmpfs(const std::string& folder, std::size_t size,
                               const std::function<ChildReport()>& body) {
  return RunInChild(
      [&]() -> std::string {
        if (std::string error = EnterPrivateMountNamespace(); !error.empty()) return error;
        const std::string options = "size=" + std::to_string(size) + ",mode=0755";
        if (::mount("none", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0)
          return SystemError("mount a tmpfs");
        return {};
      },
      body);
}

ChildOutcome RunUnprivileged(const std::function<ChildReport()>& body) {
  return RunInChild(
      []() -> std::string {
        if (::geteuid() != 0) return {};
        if (::setgroups(0, nullptr) != 0) return SystemError("setgroups");
        if (::setgid(kUnprivilegedId) != 0) return SystemError("setgid");
        if (::setuid(kUnprivilegedId) != 0) return SystemError("setuid");
        if (::geteuid() == 0) return "still root after setuid";
        return {};
      },
      body);
}

#pragma once
// Running a piece of a test in a forked child that sees a world the test process may not
// change for itself: a tiny private file system, or a user without privileges.
#include <cstddef>
#include <functional>
#include <map>
#include <string>

using ChildReport = std::map<std::string, std::string>;

struct ChildOutcome {
  std::string setupError;  // why the child could not be set up; empty when it was
  ChildReport report;      // what the body reported
  int exitCode = -1;       // -1 when the child did not exit normally
};

// Mounts a tmpfs of size bytes on folder in a private mount namespace (a new user namespace
// when that is allowed, plain when running as root), then runs body. The mount is gone when
// the child ends; the test process never sees it.
ChildOutcome RunOnPrivateTmpfs(const std::string& folder, std::size_t size,
                               const std::function<ChildReport()>& body);

// Runs body as the unprivileged user 65534 when the test runs as root (root ignores permission
// bits), as the current user otherwise.
ChildOutcome RunUnprivileged(const std::function<ChildReport()>& body);

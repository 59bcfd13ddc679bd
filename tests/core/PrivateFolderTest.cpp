// The open channel's private folder: never a link, never someone else's, never open to others.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <optional>
#include <string>

#include "FileFixtures.h"
#include "sys/PrivateFolder.h"

namespace {

// XDG_RUNTIME_DIR and TMPDIR set for the life of the object (nullopt: unset), then put back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = ::getenv(name)) old_ = old;
    value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
  }
  ~ScopedEnv() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// A folder's bits and owner, "700 0".
std::string Mode(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return "no folder";
  char text[32];
  std::snprintf(text, sizeof text, "%o %u", st.st_mode & 0777, st.st_uid);
  return text;
}

// Each XDG_RUNTIME_DIR that is not the user's own closed folder, then each thing someone may
// have left at our own folder's name in the temporary folder.
TEST(PrivateFolders, OnlyAFolderOfTheUsersOwnClosedToOthersIsTaken) {
  ASSERT_EQ(::geteuid(), 0u) << "folders of another user need root";
  ScratchDir dir;
  const std::string tmp = dir / "tmp", own = tmp + "/mirev-0", run = dir / "run";
  ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
  ASSERT_EQ(::mkdir(tmp.c_str(), 0777) | ::chmod(tmp.c_str(), 01777), 0);
  ScopedEnv tmpdir("TMPDIR", tmp);
  ASSERT_EQ(::mkdir(run.c_str(), 0700) | ::mkdir((dir / "others").c_str(), 0700), 0);
  ASSERT_EQ(::chown((dir / "others").c_str(), 65534, 65534) | ::mkdir((dir / "open").c_str(), 0755), 0);
  ASSERT_EQ(::symlink(run.c_str(), (dir / "link").c_str()), 0);
  {
    ScopedEnv env("XDG_RUNTIME_DIR", run);
    EXPECT_EQ(PrivateRuntimeFolder(), run);
  }
  for (const std::optional<std::string>& runtime :
       {std::optional<std::string>(dir / "open"), std::optional<std::string>(dir / "link"),
        std::optional<std::string>(dir / "others"), std::optional<std::string>("relative"),
        std::optional<std::string>()}) {
    ScopedEnv env("XDG_RUNTIME_DIR", runtime);
    EXPECT_EQ(PrivateRuntimeFolder(), own) << runtime.value_or("unset");
    EXPECT_EQ(Mode(own), "700 0");
  }

  ScopedEnv runtime("XDG_RUNTIME_DIR", std::nullopt);
  // Another user's folder by that name, or a link to one of ours: no channel at all rather
  // than a shared one.
  ASSERT_EQ(::rmdir(own.c_str()) | ::mkdir(own.c_str(), 0777) | ::chown(own.c_str(), 65534, 65534), 0);
  EXPECT_EQ(PrivateRuntimeFolder(), "");
  ASSERT_EQ(::rmdir(own.c_str()) | ::symlink(run.c_str(), own.c_str()), 0);
  EXPECT_EQ(PrivateRuntimeFolder(), "");
  // Ours but open to others: closed before it is used.
  ASSERT_EQ(::unlink(own.c_str()) | ::mkdir(own.c_str(), 0777) | ::chmod(own.c_str(), 0777), 0);
  EXPECT_EQ(PrivateRuntimeFolder(), own);
  EXPECT_EQ(Mode(own), "700 0");
}

}  // namespace

// The open channel's private folder: never a link, never someone else's, never open to others.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>
#include <string>

#include "FileFixtures.h"
#include "sys/PrivateFolder.h"

namespace {

// Sets an environment variable for the life of the object, or unsets it.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = ::getenv(name)) old_ = old;
    value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;
  ~ScopedEnv() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// A folder's bits and owner, "700 0".
std::string Mode(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return "no folder";
  return std::to_string((st.st_mode & 0700) >> 6) + std::to_string((st.st_mode & 070) >> 3) +
         std::to_string(st.st_mode & 07) + " " + std::to_string(st.st_uid);
}

class PrivateFolders : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(::geteuid(), 0u) << "folders of another user need root";
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(tmp.c_str(), 0777), 0);
    ASSERT_EQ(::chmod(tmp.c_str(), 01777), 0);
  }
  std::string Own() const { return tmp + "/mirev-0"; }

  ScratchDir dir;
  std::string tmp = dir / "tmp";
  ScopedEnv tmpdir{"TMPDIR", tmp};
};

TEST_F(PrivateFolders, TheRuntimeFolderIsTakenOnlyWhenItIsTheUsersAndClosed) {
  const std::string run = dir / "run";
  ASSERT_EQ(::mkdir(run.c_str(), 0700), 0);
  {
    ScopedEnv runtime("XDG_RUNTIME_DIR", run);
    EXPECT_EQ(PrivateRuntimeFolder(), run);
  }
  // Open to others, a link, another user's, or none at all: a folder of our own instead.
  const std::string link = dir / "link";
  ASSERT_EQ(::symlink(run.c_str(), link.c_str()), 0);
  const std::string others = dir / "others";
  ASSERT_EQ(::mkdir(others.c_str(), 0700), 0);
  ASSERT_EQ(::chown(others.c_str(), 65534, 65534), 0);
  const std::string open = dir / "open";
  ASSERT_EQ(::mkdir(open.c_str(), 0755), 0);
  for (const std::optional<std::string>& runtime :
       {std::optional<std::string>(open), std::optional<std::string>(link),
        std::optional<std::string>(others), std::optional<std::string>("relative"),
        std::optional<std::string>()}) {
    ScopedEnv env("XDG_RUNTIME_DIR", runtime);
    EXPECT_EQ(PrivateRuntimeFolder(), Own()) << runtime.value_or("unset");
    EXPECT_EQ(Mode(Own()), "700 0");
  }
}

TEST_F(PrivateFolders, AFolderOfOurOwnThatSomeoneElsePreparedIsNeverTaken) {
  ScopedEnv runtime("XDG_RUNTIME_DIR", std::nullopt);
  // Another user's folder by that name: no channel at all rather than a shared one.
  ASSERT_EQ(::mkdir(Own().c_str(), 0777), 0);
  ASSERT_EQ(::chown(Own().c_str(), 65534, 65534), 0);
  EXPECT_EQ(PrivateRuntimeFolder(), "");
  // A link to a folder of ours is not ours either.
  ASSERT_EQ(::rmdir(Own().c_str()), 0);
  const std::string mine = dir / "mine";
  ASSERT_EQ(::mkdir(mine.c_str(), 0700), 0);
  ASSERT_EQ(::symlink(mine.c_str(), Own().c_str()), 0);
  EXPECT_EQ(PrivateRuntimeFolder(), "");
  // Ours but open to others: closed before it is used.
  ASSERT_EQ(::unlink(Own().c_str()), 0);
  ASSERT_EQ(::mkdir(Own().c_str(), 0777), 0);
  ASSERT_EQ(::chmod(Own().c_str(), 0777), 0);
  EXPECT_EQ(PrivateRuntimeFolder(), Own());
  EXPECT_EQ(Mode(Own()), "700 0");
}

}  // namespace

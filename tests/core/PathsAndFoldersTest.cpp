// Paths resolved the way the kernel reads them, and the private folders of the open channel and
// of backups: never a link, never someone else's, never open to others.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>
#include <string>

#include "FileFixtures.h"
#include "sys/PathNames.h"
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

std::string Mode(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return "missing";
  char text[32];
  std::snprintf(text, sizeof text, "%s %o %u",
                S_ISDIR(st.st_mode)   ? "dir"
                : S_ISLNK(st.st_mode) ? "link"
                                      : "file",
                st.st_mode & 07777, st.st_uid);
  return text;
}

class PathNames : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(::mkdir((dir / "x").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir((dir / "x/sub").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir((dir / "x/sub/deeper").c_str(), 0755), 0);
    ASSERT_EQ(::symlink("sub/deeper", (dir / "x/lnk").c_str()), 0);
    ASSERT_EQ(::symlink("sub/f.tex", (dir / "x/named.tex").c_str()), 0);
    real = ::realpath(dir.Path().c_str(), nullptr);
  }
  void TearDown() override { ::free(real); }

  ScratchDir dir;
  char* real = nullptr;
};

TEST_F(PathNames, DotDotIsResolvedWhereTheLinkLeadsAndAFilesOwnNameIsKept) {
  const std::string base = real;
  EXPECT_EQ(ResolvedFilePath(dir / "x/lnk/../f.tex"), base + "/x/sub/f.tex");
  EXPECT_EQ(ResolvedFilePath(dir / "x/./sub//f.tex"), base + "/x/sub/f.tex");
  // A link to a file keeps its name: it is what the user opened.
  EXPECT_EQ(ResolvedFilePath(dir / "x/named.tex"), base + "/x/named.tex");
  // A folder that is not there cannot be resolved: the path stays as given.
  EXPECT_EQ(ResolvedFilePath(dir / "gone/../f.tex"), dir / "gone/../f.tex");

  const std::string working = WorkingFolder();
  ASSERT_EQ(::chdir((dir / "x").c_str()), 0);
  EXPECT_EQ(AbsolutePath("lnk/../f.tex"), base + "/x/lnk/../f.tex");
  EXPECT_EQ(ResolvedFilePath("lnk/../f.tex"), base + "/x/sub/f.tex");
  EXPECT_EQ(AbsolutePath("/a/../b"), "/a/../b");
  ASSERT_EQ(::chdir(working.c_str()), 0);
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
    EXPECT_EQ(Mode(Own()), "dir 700 0");
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
  EXPECT_EQ(Mode(Own()), "dir 700 0");
}

TEST_F(PrivateFolders, BackupsGoToTheStateFolderMadePrivate) {
  {
    ScopedEnv state("XDG_STATE_HOME", dir / "state");
    std::string folder;
    ASSERT_TRUE(PrivateBackupFolder(folder).Ok());
    EXPECT_EQ(folder, dir / "state/mirev/backup");
    EXPECT_EQ(Mode(folder), "dir 700 0");
  }
  ScopedEnv state("XDG_STATE_HOME", std::nullopt);
  ScopedEnv home("HOME", dir / "home");
  std::string folder;
  ASSERT_TRUE(PrivateBackupFolder(folder).Ok());
  EXPECT_EQ(folder, dir / "home/.local/state/mirev/backup");
  EXPECT_EQ(Mode(dir / "home/.local"), "dir 700 0");
}

}  // namespace

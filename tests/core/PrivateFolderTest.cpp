// The open channel's private folder: never a link, never someone else's, never open to others.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "FileFixtures.h"
#include "sys/PrivateFolder.h"

namespace {

// The folder PrivateRuntimeFolder gives, and the bits and owner it then has: "path 700 0".
std::string Taken() {
  const std::string path = PrivateRuntimeFolder();
  struct stat st {};
  if (path.empty()) return "none";
  if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return path + " not a folder";
  return path + " " + std::to_string(st.st_mode & 0777) + " " + std::to_string(st.st_uid);
}

TEST(PrivateFolders, OnlyAFolderOfTheUsersOwnClosedToOthersIsTaken) {
  ASSERT_EQ(::geteuid(), 0u) << "folders of another user need root";
  ScratchDir dir;
  const std::string tmp = dir / "tmp", own = tmp + "/mirev-0", run = dir / "run";
  const std::string closed = own + " " + std::to_string(0700) + " 0";
  ASSERT_TRUE(::mkdir(tmp.c_str(), 0777) == 0 && ::chmod(tmp.c_str(), 01777) == 0 &&
              ::mkdir(run.c_str(), 0700) == 0 && ::mkdir((dir / "others").c_str(), 0700) == 0 &&
              ::chown((dir / "others").c_str(), 65534, 65534) == 0 &&
              ::mkdir((dir / "open").c_str(), 0755) == 0 &&
              ::symlink(run.c_str(), (dir / "link").c_str()) == 0);
  const char* const runtimeEnv = ::getenv("XDG_RUNTIME_DIR");
  const char* const tmpEnv = ::getenv("TMPDIR");
  const bool hadRuntime = runtimeEnv != nullptr, hadTmp = tmpEnv != nullptr;
  const std::string savedRuntime = hadRuntime ? runtimeEnv : "", savedTmp = hadTmp ? tmpEnv : "";
  ::setenv("TMPDIR", tmp.c_str(), 1);
  ::setenv("XDG_RUNTIME_DIR", run.c_str(), 1);
  EXPECT_EQ(Taken(), run + " " + std::to_string(0700) + " 0");
  // Each runtime folder that is not the user's own closed one gives way to one in TMPDIR.
  for (const std::string& runtime :
       {dir / "open", dir / "link", dir / "others", std::string("relative"), std::string()}) {
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    EXPECT_EQ(Taken(), closed) << runtime;
  }
  // Another user's folder by that name or a link: no channel. Ours but open: closed first.
  ASSERT_TRUE(::rmdir(own.c_str()) == 0 && ::mkdir(own.c_str(), 0777) == 0 &&
              ::chown(own.c_str(), 65534, 65534) == 0);
  EXPECT_EQ(Taken(), "none");
  ASSERT_TRUE(::rmdir(own.c_str()) == 0 && ::symlink(run.c_str(), own.c_str()) == 0);
  EXPECT_EQ(Taken(), "none");
  ASSERT_TRUE(::unlink(own.c_str()) == 0 && ::mkdir(own.c_str(), 0777) == 0 &&
              ::chmod(own.c_str(), 0777) == 0);
  EXPECT_EQ(Taken(), closed);
  hadRuntime ? ::setenv("XDG_RUNTIME_DIR", savedRuntime.c_str(), 1) : ::unsetenv("XDG_RUNTIME_DIR");
  hadTmp ? ::setenv("TMPDIR", savedTmp.c_str(), 1) : ::unsetenv("TMPDIR");
}

}  // namespace

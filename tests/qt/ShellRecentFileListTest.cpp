// The recent-file list: order, capacity and the shortened names of the menu.
#include <gtest/gtest.h>

#include "app/RecentFileList.h"

TEST(ShellRecentFileList, PathsAreShortenedKeepingRootAndName) {
  struct Case {
    const char* path;
    const char* shown;
  };
  const Case cases[] = {
      {"/home/user/docs/a/b.tex", "/home/user/docs/a/b.tex"},  // 23, fits
      {"/home/user/docs/thesis/chapter1.tex", "/home/.../thesis/chapter1.tex"},
      {"/home/averyveryverylongdirectory/a.tex", "/home/.../a.tex"},
      {"/averyveryverylongrootdirectory/a.tex", "a.tex"},
      {"/home/u/an-extremely-long-file-name-beyond.tex", "an-extremely-long-file-name-beyond.tex"},
      {"relative-without-any-directory-at-all.tex", "relative-without-any-directory-at-all.tex"},
  };
  for (const Case& c : cases) {
    const QString shown = RecentFileList::AbbreviatePath(QString::fromUtf8(c.path), 30);
    EXPECT_EQ(shown.toStdString(), c.shown) << c.path;
    EXPECT_TRUE(shown.size() <= 30 || !shown.contains(u'/')) << c.path;
  }
}

TEST(ShellRecentFileList, NewestFirstWithoutDuplicatesUpToTen) {
  RecentFileList list;
  for (int i = 0; i < 12; ++i) list.Add(QStringLiteral("/d/f%1.tex").arg(i));
  ASSERT_EQ(list.Size(), 10);
  EXPECT_EQ(list.Paths().front(), "/d/f11.tex");
  EXPECT_EQ(list.Paths().back(), "/d/f2.tex");
  list.Add("/d/f5.tex");
  EXPECT_EQ(list.Paths().front(), "/d/f5.tex");
  EXPECT_EQ(list.Paths().count("/d/f5.tex"), 1);
  list.Remove(0);
  list.Remove(42);
  EXPECT_EQ(list.Size(), 9);
  EXPECT_EQ(list.Paths().front(), "/d/f11.tex");

  list.SetPaths({"", "/a", "/b", "/a", "/c", "/d", "/e", "/f", "/g", "/h", "/i", "/j", "/k"});
  EXPECT_EQ(list.Paths(), (QStringList{"/a", "/b", "/c", "/d", "/e", "/f", "/g", "/h", "/i", "/j"}));
}

TEST(ShellRecentFileList, MenuTextsAreNumberedAndShowAmpersands) {
  RecentFileList list;
  for (int i = 10; i >= 1; --i) list.Add(QStringLiteral("/work/r&d/f%1.tex").arg(i));
  EXPECT_EQ(list.MenuText(0, "/elsewhere"), "&1 /work/r&&d/f1.tex");
  EXPECT_EQ(list.MenuText(9, "/elsewhere"), "1&0 /work/r&&d/f10.tex");
  // A file in the current directory shows by its name.
  EXPECT_EQ(list.MenuText(1, "/work/r&d"), "&2 f2.tex");
  EXPECT_EQ(list.MenuText(10, "/"), "");
}

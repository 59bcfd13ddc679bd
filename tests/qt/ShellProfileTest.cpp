// The profile file itself: left alone when nothing changed, set aside before a rewrite would
// drop what could not be read, written so that every value reads back, and a failure to
// write it told at exit.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include "ShellFixture.h"
#include "app/FilePath.h"
#include "res/Resources.h"

namespace {

QString Text(int id) { return QString::fromUtf8(ResourceString(id)); }

class ShellProfileTest : public ShellFixture {
 protected:
  Settings& Current() { return app->GetSettings(); }

  QByteArray ProfileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
  }
  void WriteProfileBytes(const QByteArray& bytes) {
    QFile file(ProfilePath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
  }
  // Sets the profile's modification time, which also makes the next reader read it from disk.
  void SetMtime(time_t when) {
    const utimbuf times{when, when};
    ASSERT_EQ(::utime(ProfilePath().toUtf8().constData(), &times), 0);
  }
  time_t Mtime() {
    struct stat st {};
    return ::stat(ProfilePath().toUtf8().constData(), &st) == 0 ? st.st_mtime : -1;
  }
};

TEST_F(ShellProfileTest, AnUnchangedProfileIsNotWrittenAtExit) {
  Finish();
  ASSERT_TRUE(Start());
  Finish();
  EXPECT_FALSE(QFile::exists(ProfilePath())) << "nothing to write, nothing made";

  const QString a = WriteFile("a.tex", "a\r\n");
  WriteProfile({{"Settings/TabStops", 4}, {"Color/Text", 255}, {"Recent File List/File1", a}});
  SetMtime(1000000000);
  const QByteArray before = ProfileBytes(ProfilePath());
  ASSERT_TRUE(Start());
  // Opening the newest recent file again leaves the list as it was; values changed and
  // changed back count as unchanged.
  ASSERT_TRUE(app->OpenDocumentFile(a));
  Current().tabSize = 2;
  Current().tabSize = 4;
  Finish();
  EXPECT_EQ(Mtime(), 1000000000);
  EXPECT_EQ(ProfileBytes(ProfilePath()), before);

  // A change of the list alone is written.
  const QString b = WriteFile("b.tex", "b\r\n");
  ASSERT_TRUE(Start());
  ASSERT_TRUE(app->OpenDocumentFile(b));
  Finish();
  EXPECT_NE(Mtime(), 1000000000);
  EXPECT_EQ(ProfileValues().value("Recent File List/File1"), b);
  EXPECT_EQ(ProfileValues().value("Recent File List/File2"), a);
}

TEST_F(ShellProfileTest, AProfileThatDoesNotReadWholeIsSetAsideOnceAndWhatWasReadIsKept) {
  // A line without a value, and a list whose ";" starts a comment when it is not quoted.
  const QByteArray broken = "[Settings]\nTabStops=4\nnot a setting\nReadFileType=*.tex;*.sty\n";
  WriteProfileBytes(broken);
  ASSERT_TRUE(Start());
  const QString copy = ProfilePath() + ".bad";
  EXPECT_EQ(Frame().MessageText(),
            Text(IDS_PROFILE_SET_ASIDE).replace("%1", ProfilePath()).replace("%2", copy));
  EXPECT_EQ(ProfileBytes(copy), broken);
  EXPECT_EQ(Current().tabSize, 4);
  EXPECT_EQ(Current().readExtList, "*.tex");
  Current().autoIndent = 1;
  Finish();
  // The rewrite has only what was read, the copy still all there was.
  EXPECT_EQ(ProfileBytes(copy), broken);
  EXPECT_FALSE(ProfileBytes(ProfilePath()).contains("not a setting"));

  // Rewritten, it reads whole: no note, and the copy is not touched again.
  ASSERT_TRUE(Start());
  EXPECT_NE(Frame().MessageText(),
            Text(IDS_PROFILE_SET_ASIDE).replace("%1", ProfilePath()).replace("%2", copy));
  EXPECT_EQ(Current().autoIndent, 1);
  Finish();
  EXPECT_EQ(ProfileBytes(copy), broken);

  // Nor is a profile in order set aside, whatever its values hold.
  QFile::remove(copy);
  WriteProfileBytes(
      "; a comment\n[Settings]\nReadFileType=\"*.tex;*.sty\"\nMacroName=a\\\\b\n\n[Color]\nText=255\n");
  ASSERT_TRUE(Start());
  EXPECT_EQ(Current().readExtList, "*.tex;*.sty");
  EXPECT_EQ(Current().macroFile, "a\\b");
  Finish();
  EXPECT_FALSE(QFile::exists(copy));
}

TEST_F(ShellProfileTest, ValuesWithTheFormatsOwnCharactersReadBackTheSame) {
  const QString a = WriteFile("a;b, c=d #e.tex", "x\r\n");
  const QByteArray sjis = filesDir.path().toUtf8() + "/\x95\x5C.tex";
  // Qt cannot name it: made through the system.
  ASSERT_EQ(::close(::open(sjis.constData(), O_WRONLY | O_CREAT, 0644)), 0);
  ASSERT_TRUE(Start());
  Settings& s = Current();
  s.readExtList = "*.tex;*.sty";
  s.defaultExt = " tex ";
  s.macroFile = "a;b,c \"d\" #e =f\\g @at\tend";
  ASSERT_TRUE(app->OpenDocumentFile(a));
  ASSERT_TRUE(app->OpenDocumentFile(PathFromBytes(sjis)));
  Finish();
  SetMtime(1000000000);  // read from disk, not from Qt's memory of what it wrote

  ASSERT_TRUE(Start());
  EXPECT_EQ(Current().readExtList, "*.tex;*.sty");
  EXPECT_EQ(Current().defaultExt, " tex ");
  EXPECT_EQ(Current().macroFile, "a;b,c \"d\" #e =f\\g @at\tend");
  ASSERT_EQ(app->RecentFiles().Size(), 2);
  EXPECT_EQ(PathBytes(app->RecentFiles().Paths()[0]), sjis);
  EXPECT_EQ(app->RecentFiles().Paths()[1], a);
  Finish();
  EXPECT_FALSE(QFile::exists(ProfilePath() + ".bad"));
  EXPECT_EQ(::unlink(sjis.constData()), 0);
}

TEST_F(ShellProfileTest, AProfileThatCannotBeWrittenIsToldOnceAtExit) {
  // Its folder is a file: nothing can be made there.
  const QString blocked = WriteFile("not-a-folder", "") + "/Mirev.conf";
  AppOptions options;
  options.profileLocation = blocked;
  options.dialogs = &dialogs;
  options.shellIntegration = false;
  app = std::make_unique<CMirevApp>(options);
  ASSERT_TRUE(app->InitInstance({"mirev"}));
  Finish();
  EXPECT_TRUE(dialogs.boxes.empty()) << "nothing changed, nothing to write";

  app = std::make_unique<CMirevApp>(options);
  ASSERT_TRUE(app->InitInstance({"mirev"}));
  Current().tabSize = 3;
  dialogs.Expect(DialogService::Answer::Ok);
  Finish();
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].text, Text(IDS_PROFILE_NOT_SAVED).replace("%1", blocked));
  EXPECT_FALSE(dialogs.boxes[0].owned);
}

}  // namespace

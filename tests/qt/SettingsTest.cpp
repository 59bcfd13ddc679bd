// The settings from the dialog to the profile: the tab width field, the store that writes only
// what changed, and the profile file itself (set aside when it does not read whole, a failed write
// told at exit).
#include <QCheckBox>
#include <QLineEdit>
#include <sstream>

#include "ShellFixture.h"
#include "app/SettingsStore.h"
#include "base/CommandIds.h"
#include "platform/ViewWidget.h"
#include "res/Resources.h"
#include "view/CVeloView.h"

namespace {

using Values = QMap<QString, QString>;

QString Res(int id) { return QString::fromUtf8(ResourceString(id)); }
std::string Shown(const Settings& s) {
  std::ostringstream out;
  out << s.readExtList << "|" << s.defaultExt << "|" << s.tabSize << "|" << s.macroFile << "|" << s.autoIndent
      << std::hex;
  for (const Color color : s.colors.values) out << "|" << color;
  return out.str();
}
QLineEdit* Edit(QWidget* dialog, const char* id) { return Control<QLineEdit>(dialog, id); }

class SettingsTest : public ShellFixture {
 protected:
  void RunSettings(std::function<void(QDialog*)> script) {
    OnNextModal(std::move(script));
    MenuItem(ID_SETTINGS)->trigger();
  }
  // A fresh Settings read from the profile on disk, not from Qt's memory of what it wrote.
  Settings Loaded() {
    Backdate();
    Settings settings;
    SettingsStore store(settings, ProfilePath());
    store.LoadReadExtList();
    store.LoadFileType();
    store.LoadColorSettings();
    store.LoadMacroSettings();
    return settings;
  }
  // Dates the profile long ago, which also makes the next reader read it from disk.
  void Backdate() {
    QFile file(ProfilePath());
    if (file.open(QIODevice::ReadWrite))
      file.setFileTime(QDateTime::fromSecsSinceEpoch(1000000000), QFileDevice::FileModificationTime);
  }
};

// Cancel keeps nothing; refused values keep the dialog open on the field; the active view takes a
// new tab width at once.
TEST_F(SettingsTest, OnlyOkKeepsATabWidthFrom1To64AndTheActiveViewTakesItAtOnce) {
  ASSERT_TRUE(Start({WriteFile("tabs.tex", "\tb\r\n")}));
  Frame().RouteCommand(ID_CHAR_RIGHT);
  const std::string before = Shown(app->GetSettings());
  RunSettings([&](QDialog* dialog) {
    Edit(dialog, "1024")->setText("2");
    Edit(dialog, "1022")->clear();
    Control<QCheckBox>(dialog, "1036")->click();
    Press(dialog, "2");
  });
  EXPECT_EQ(Shown(app->GetSettings()), before);
  const QString notInteger = "整数を入力してください。",
                outOfRange = "1 から 64 までの整数を入力してください。";
  const std::pair<QString, QString> refused[] = {
      {"4a", notInteger}, {"0", outOfRange}, {"99999999999", outOfRange}};
  RunSettings([&](QDialog* dialog) {
    QLineEdit* edit = Edit(dialog, "1024");
    for (const auto& [text, told] : refused) {
      edit->setText(text);
      Press(dialog, "1");
      EXPECT_TRUE(dialog->isVisible() && dialog->focusWidget() == edit && edit->selectedText() == text)
          << text;
      EXPECT_EQ(dialogs.boxes.back().text, told);
    }
    edit->setText(" 2 ");
    Press(dialog, "1");
  });
  EXPECT_EQ(Frame().ActiveChild()->View()->StatusText(), "1: 3");  // the caret column counted anew
}

// Unchanged, even nonsense, stays as it was; what the user changed is written and reads back as
// the program had it.
TEST_F(SettingsTest, TheStoreWritesOnlyWhatChangedAndItReadsBack) {
  WriteProfile({{"Color/Text", 255}, {"Color/Bk", "red"}, {"Settings/FileType", ""}});
  ASSERT_TRUE(Start());
  Settings& s = app->GetSettings();
  EXPECT_EQ(s.defaultExt, "txt");  // an empty one reads as txt, and is not written back
  s.colors[ColorTable::Text] = kDefaultColors[ColorTable::Text];
  s.readExtList = "*.tex;*.sty";
  s.tabSize = 4;
  s.colors[ColorTable::Ground] = 0x010203;
  s.macroFile = "/u/マクロ;b,c \"d\" #e =f\\g @at\tend";  // ";" starts a comment, "," a list
  s.autoIndent = 1;
  const Settings had = s;
  Finish();
  EXPECT_EQ(ProfileValues(), (Values{{"Color/Text", QString::number(kDefaultColors[ColorTable::Text])},
                                     {"Color/Bk", "red"},
                                     {"Settings/FileType", ""},
                                     {"Settings/ReadFileType", "*.tex;*.sty"},
                                     {"Settings/TabStops", "4"},
                                     {"Color/Ground", QString::number(0x010203)},
                                     {"Settings/MacroName", QString::fromStdString(had.macroFile)},
                                     {"Settings/AutoIndent", "1"}}));
  Settings back = Loaded();
  back.defaultExt = "txt";
  EXPECT_EQ(Shown(back), Shown(had));
  // Settings never read are never written.
  QFile::remove(ProfilePath());
  Settings unread;
  SettingsStore(unread, ProfilePath()).SaveColorSettings();
  EXPECT_FALSE(QFile::exists(ProfilePath()));
}

TEST_F(SettingsTest, HandEditedValuesAreReadWithoutHarm) {
  QFile file(ProfilePath());
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("[Settings]\nReadFileType=*.txt, *.tex\nMacroName=" + QByteArray(100000, 'm') +
             "\nFileType=\xff\xfe\x01\nTabStops=@Variant(\\0\\0\\0\\x7f\\0\\0\\0)\nAutoIndent=yes\n"
             "[Color]\nBk=red\nSelBk=0x00FF00\nText=-1\nGround=4294967296\nMargin=@ByteArray(xyz)\n"
             "[Recent%20File%20List]\nFile1=\nFile2=/x/a.tex\nFile3=/x/a.tex\nFile11=/x/b.tex\n");
  file.close();
  ASSERT_TRUE(Start());
  Settings read = app->GetSettings();
  EXPECT_EQ(read.macroFile.size(), 100000u);
  read.macroFile = read.defaultExt = "";
  // Only the colour bytes count.
  EXPECT_EQ(Shown(read), "*.txt, *.tex||8||0|ffff80|ff00|ffffff|ffffff|ff00|ffffff");
  EXPECT_EQ(app->RecentFiles().Paths(), QStringList{"/x/a.tex"});
}

TEST_F(SettingsTest, AProfileThatDoesNotReadWholeIsSetAsideOnceAndWhatWasReadIsKept) {
  // A line without a value, and a list whose ";" starts a comment when it is not quoted.
  const QByteArray broken = "[Settings]\nTabStops=4\nnot a setting\nReadFileType=*.tex;*.sty\n";
  ASSERT_TRUE(QFile::copy(WriteFile("p", broken), ProfilePath()));
  const QString odd = WriteFile("a;b, c=d #e.tex", "x\r\n");
  ASSERT_TRUE(Start());
  const QString copy = ProfilePath() + ".bad";
  const QString note = Res(IDS_PROFILE_SET_ASIDE).replace("%1", ProfilePath()).replace("%2", copy);
  EXPECT_EQ(Frame().MessageText(), note);
  EXPECT_EQ(app->GetSettings().tabSize, 4);
  EXPECT_EQ(app->GetSettings().readExtList, "*.tex");
  app->GetSettings().autoIndent = 1;
  ASSERT_TRUE(app->OpenDocumentFile(odd));
  Finish();
  // Rewritten, it reads whole, a name odd to the format too: no note, and the copy still holds
  // all there was.
  Backdate();
  ASSERT_TRUE(Start());
  EXPECT_NE(Frame().MessageText(), note);
  EXPECT_EQ(app->GetSettings().autoIndent, 1);
  EXPECT_EQ(app->RecentFiles().Paths(), QStringList{odd});
  Finish();
  EXPECT_EQ(ReadAll(copy), broken);
}

TEST_F(SettingsTest, AProfileThatCannotBeWrittenIsToldOnceAtExit) {
  const QString profile = WriteFile("not-a-folder", "") + "/Mirev.conf";
  for (int tabSize : {8, 3}) {  // unchanged: nothing to write, nothing told
    ASSERT_TRUE(Start({}, nullptr, [&](AppOptions& options) { options.profileLocation = profile; }));
    app->GetSettings().tabSize = tabSize;
    Finish();
  }
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].text, Res(IDS_PROFILE_NOT_SAVED).replace("%1", profile));
  EXPECT_FALSE(dialogs.boxes[0].owned);
}

}  // namespace

// The settings store: defaults, what is read, and that only what changed is written.
#include "ShellFixture.h"
#include "app/SettingsStore.h"

namespace {

class ShellSettingsTest : public ShellFixture {
 protected:
  Settings& Current() { return app->GetSettings(); }

  // Loads a fresh Settings from the profile the way start-up does.
  Settings LoadedSettings() {
    Settings settings;
    SettingsStore store(settings, ProfilePath());
    store.LoadReadExtList();
    store.LoadFileType();
    store.LoadColorSettings();
    store.LoadMacroSettings();
    return settings;
  }
};

}  // namespace

TEST_F(ShellSettingsTest, NoProfileRunsOnDefaultsAndWritesOnlyTheRecentFiles) {
  ASSERT_TRUE(Start());
  EXPECT_EQ(Current().readExtList, "*.txt;*.tex;*.htm;*.html;*.mac");
  EXPECT_EQ(Current().colors[ColorTable::Bk], 0xFFFF80u);
  EXPECT_TRUE(Current().settingsLoaded);
  Finish();
  EXPECT_TRUE(ProfileValues().isEmpty());

  // With a file opened, the recent list is all there is.
  const QString path = WriteFile("a.tex", "x\n");
  ASSERT_TRUE(Start());
  ASSERT_TRUE(app->OpenDocumentFile(path));
  Finish();
  EXPECT_EQ(ProfileValues(), (QMap<QString, QString>{{"Recent File List/File1", path}}));
}

TEST_F(ShellSettingsTest, OnlyTheChangedValueIsWrittenAsANumber) {
  ASSERT_TRUE(Start());
  Current().colors[ColorTable::Text] = 0x0000FF;  // red
  Finish();
  EXPECT_EQ(ProfileValues(), (QMap<QString, QString>{{"Color/Text", "255"}}));

  // Read back, and changed back to what was read: nothing more is written.
  ASSERT_TRUE(Start());
  EXPECT_EQ(Current().colors[ColorTable::Text], 0x0000FFu);
  Current().colors[ColorTable::Text] = 0x00FF00;
  Current().colors[ColorTable::Text] = 0x0000FF;
  Current().tabSize = 4;
  Current().tabSize = 8;
  Finish();
  EXPECT_EQ(ProfileValues(), (QMap<QString, QString>{{"Color/Text", "255"}}));
}

TEST_F(ShellSettingsTest, EveryValueRoundTripsUnderItsSectionAndName) {
  ASSERT_TRUE(Start());
  Settings& s = Current();
  s.readExtList = "*.tex;*.sty";
  s.defaultExt = "tex";
  s.tabSize = 4;
  s.colors = ColorTable{{{0x010203, 0x040506, 0x070809, 0x0A0B0C, 0x0D0E0F, 0x101112}}};
  s.macroFile = "/home/u/マクロ.mac";
  s.autoIndent = 1;
  const ColorTable colors = s.colors;
  Finish();
  const QMap<QString, QString> expected = {
      {"Settings/ReadFileType", "*.tex;*.sty"},
      {"Settings/FileType", "tex"},
      {"Settings/TabStops", "4"},
      {"Settings/MacroName", "/home/u/マクロ.mac"},
      {"Settings/AutoIndent", "1"},
      {"Color/Bk", QString::number(0x010203)},
      {"Color/SelBk", QString::number(0x040506)},
      {"Color/Text", QString::number(0x070809)},
      {"Color/SelText", QString::number(0x0A0B0C)},
      {"Color/Margin", QString::number(0x0D0E0F)},
      {"Color/Ground", QString::number(0x101112)},
  };
  EXPECT_EQ(ProfileValues(), expected);

  const Settings back = LoadedSettings();
  EXPECT_EQ(back.colors, colors);
  EXPECT_EQ(back.storedColors, colors);
  EXPECT_EQ(back.macroFile, "/home/u/マクロ.mac");
}

TEST_F(ShellSettingsTest, AnEmptyFileTypeBecomesTxtAndIsNotWrittenAnEmptyReadListIsKept) {
  WriteProfile({{"Settings/FileType", ""}, {"Settings/ReadFileType", ""}});
  ASSERT_TRUE(Start());
  EXPECT_EQ(Current().defaultExt, "txt");
  EXPECT_EQ(Current().readExtList, "");
  Finish();
  EXPECT_EQ(ProfileValues(),
            (QMap<QString, QString>{{"Settings/FileType", ""}, {"Settings/ReadFileType", ""}}));
}

TEST_F(ShellSettingsTest, NumbersWrittenAsTextAreReadAndNonsenseCountsAsMissing) {
  struct Case {
    const char* stored;
    int tabSize;
  };
  const Case cases[] = {
      {" 12 ", 12}, {"64", 64}, {"0", 8}, {"65", 8}, {"4x", 8}, {"0x10", 16}, {"99999999999", 8},
  };
  for (const Case& c : cases) {
    WriteProfile({{"Settings/TabStops", QString::fromLatin1(c.stored)}});
    const Settings s = LoadedSettings();
    EXPECT_EQ(s.tabSize, c.tabSize) << '"' << c.stored << '"';
    EXPECT_EQ(s.storedTabSize, c.tabSize) << '"' << c.stored << '"';
  }

  WriteProfile({{"Color/SelBk", "0x00FF00"},
                {"Color/Text", "red"},
                {"Color/SelText", "-1"},
                {"Color/Ground", "4294967296"},
                {"Settings/AutoIndent", "yes"},
                {"Settings/TabStops", "8"}});
  const Settings s = LoadedSettings();
  EXPECT_EQ(s.colors[ColorTable::SelBk], 0x00FF00u);
  EXPECT_EQ(s.colors[ColorTable::Text], kDefaultColors[ColorTable::Text]);
  EXPECT_EQ(s.colors[ColorTable::SelText], 0xFFFFFFu);  // only the colour bytes count
  EXPECT_EQ(s.colors[ColorTable::Ground], kDefaultColors[ColorTable::Ground]);
  EXPECT_EQ(s.autoIndent, 0);

  // Bad values stay as they are unless the user changes the setting.
  ASSERT_TRUE(Start());
  Finish();
  EXPECT_EQ(ProfileValues().value("Color/Text"), "red");
}

TEST_F(ShellSettingsTest, HostileValuesAreReadWithoutHarm) {
  QFile file(ProfilePath());
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  QByteArray text = "[Settings]\nReadFileType=*.txt, *.tex\nMacroName=";
  text += QByteArray(100000, 'm');
  text +=
      "\nFileType=\xff\xfe\x01\nTabStops=@Variant(\\0\\0\\0\\x7f\\0\\0\\0)\n[Color]\nText=@ByteArray(xyz)\n";
  text += "[Recent%20File%20List]\nFile1=\nFile2=/x/a.tex\nFile3=/x/a.tex\nFile11=/x/b.tex\n";
  file.write(text);
  file.close();

  ASSERT_TRUE(Start());
  EXPECT_EQ(Current().readExtList, "*.txt, *.tex");
  EXPECT_EQ(Current().macroFile.size(), 100000u);
  EXPECT_EQ(Current().tabSize, 8);
  EXPECT_EQ(Current().colors[ColorTable::Text], kDefaultColors[ColorTable::Text]);
  EXPECT_EQ(app->RecentFiles().Paths(), QStringList{"/x/a.tex"});
  Finish();
  EXPECT_EQ(LoadedSettings().macroFile.size(), 100000u);
}

TEST_F(ShellSettingsTest, TwoRunsEachWriteOnlyTheirOwnChanges) {
  WriteProfile({{"Settings/MacroName", "mine.mac"}});
  ShellFixture::Start();
  std::unique_ptr<CMirevApp> first = std::move(app);
  ASSERT_TRUE(Start());
  std::unique_ptr<CMirevApp> second = std::move(app);

  first->GetSettings().colors[ColorTable::Ground] = 0x123456;
  second->GetSettings().tabSize = 2;
  first->ExitInstance();
  second->ExitInstance();
  first.reset();
  second.reset();
  Settle();

  const QMap<QString, QString> values = ProfileValues();
  EXPECT_EQ(values.value("Color/Ground"), QString::number(0x123456));
  EXPECT_EQ(values.value("Settings/TabStops"), "2");
  EXPECT_EQ(values.value("Settings/MacroName"), "mine.mac");
  EXPECT_EQ(values.size(), 3);
}

TEST_F(ShellSettingsTest, SavingBeforeLoadingWritesNoColours) {
  Settings settings;
  settings.colors[ColorTable::Text] = 0x0000FF;
  settings.tabSize = 3;
  {
    SettingsStore store(settings, ProfilePath());
    store.SaveColorSettings();
  }
  EXPECT_TRUE(ProfileValues().isEmpty());
}

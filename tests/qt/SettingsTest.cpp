// The settings from the menu to the profile: the settings, extension list and jump dialogs, the
// integer fields they share, the store that writes only what changed, and the profile file
// itself (left alone, set aside when it does not read whole, a failed write told at exit).
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <QCheckBox>
#include <QColorDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <climits>
#include <sstream>

#include "ShellFixture.h"
#include "app/CReadExtDlg.h"
#include "app/IntegerField.h"
#include "app/SettingsStore.h"
#include "base/CommandIds.h"
#include "platform/ViewWidget.h"
#include "res/Resources.h"
#include "view/CVeloView.h"

namespace {

using Values = QMap<QString, QString>;

QString Text(int id) { return QString::fromUtf8(ResourceString(id)); }
// The user's values on one line: list, extension, tab, macro file, auto-indent, colours.
std::string Shown(const Settings& s) {
  std::ostringstream out;
  out << s.readExtList << "|" << s.defaultExt << "|" << s.tabSize << "|" << s.macroFile << "|" << s.autoIndent
      << std::hex;
  for (const Color color : s.colors.values) out << "|" << color;
  return out.str();
}
void SetField(QWidget* dialog, const char* id, const QString& text) {
  if (auto* edit = Control<QLineEdit>(dialog, id)) edit->setText(text);
}
void Select(QWidget* dialog, const char* list, int row) {
  if (auto* widget = Control<QListWidget>(dialog, list))
    widget->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

class SettingsTest : public ShellFixture {
 protected:
  // Runs the settings command from its menu item with script driving the dialog.
  void RunSettings(std::function<void(QDialog*)> script) {
    QAction* item = MenuItem(ID_SETTINGS);
    ASSERT_TRUE(item && item->isEnabled());
    OnNextModal(std::move(script));
    item->trigger();
  }
  void ChooseColor(QWidget* dialog, int row, std::optional<Color> color) {
    Select(dialog, "1023", row);
    dialogs.colorAnswers.push_back(color);
    Press(dialog, "1034");
  }
  // A fresh Settings read from the profile the way start-up reads it.
  Settings Loaded() {
    Settings settings;
    SettingsStore store(settings, ProfilePath());
    store.LoadReadExtList();
    store.LoadFileType();
    store.LoadColorSettings();
    store.LoadMacroSettings();
    return settings;
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
  ViewWidget& ActiveView() { return *Frame().ActiveChild()->View(); }
};

// The dialog shows the values; each colour entry edits its own slot; the extension list shows
// its entries sorted, deletes following the selection and adds what it is given unchecked;
// only OK keeps any of it.
TEST_F(SettingsTest, TheDialogAndItsExtensionListChangeOnlyWithOk) {
  const QString extList = "*.TeX;*.zip;*.a;*.b;*.tar.gz;;*.Mac";
  WriteProfile({{"Settings/TabStops", 4},
                {"Settings/FileType", "tex"},
                {"Settings/AutoIndent", 5},
                {"Settings/ReadFileType", extList}});
  ASSERT_TRUE(Start());
  auto entries = [](QWidget* dialog) {
    QStringList all;
    if (auto* list = Control<QListWidget>(dialog, "1001"))
      for (int i = 0; i < list->count(); ++i) all << list->item(i)->text();
    return all;
  };
  auto selected = [](QWidget* dialog) { return Control<QListWidget>(dialog, "1001")->currentRow(); };
  auto add = [](QDialog* list, const QString& text, const char* button) {
    OnNextModal([text, button](QDialog* newExt) {
      SetField(newExt, "1038", text);
      Press(newExt, button);
    });
    Press(list, "1004");
  };
  auto editAll = [&](QDialog* dialog) {
    for (int row = 0; row < 6; ++row) ChooseColor(dialog, row, 0x010203u * static_cast<Color>(row + 1));
    ChooseColor(dialog, 0, std::nullopt);  // a cancelled chooser changes nothing
    OnNextModal([&](QDialog* d) {
      EXPECT_EQ(entries(d), QStringList({"", "a", "b", "Mac", "targz", "TeX", "zip"}));
      Press(d, "1005");  // nothing selected: nothing happens
      Select(d, "1001", 6);
      Press(d, "1005");  // the last entry: the new last one is selected
      EXPECT_EQ(selected(d), 5);
      Select(d, "1001", 0);
      Press(d, "1005");  // a middle entry: the one that moved up is selected
      EXPECT_EQ(selected(d), 0);
      add(d, "sty", "1");
      add(d, "c;d", "1");  // nothing is validated
      add(d, "", "1");     // an empty text adds nothing
      add(d, "cls", "2");
      EXPECT_EQ(entries(d), QStringList({"a", "b", "c;d", "Mac", "sty", "targz", "TeX"}));
      Press(d, "1");
    });
    Press(dialog, "1037");
  };
  RunSettings([&](QDialog* dialog) {
    EXPECT_EQ(dialog->parentWidget(), &Frame());
    EXPECT_EQ(Control<QLineEdit>(dialog, "1024")->text(), "4");
    EXPECT_EQ(Control<QLineEdit>(dialog, "1022")->text(), "tex");
    EXPECT_TRUE(Control<QCheckBox>(dialog, "1036")->isChecked());  // any non-zero value ticks it
    editAll(dialog);
    SetField(dialog, "1024", "3");
    Press(dialog, "2");
  });
  const Settings& s = app->GetSettings();
  EXPECT_EQ(Shown(s), extList.toStdString() + "|tex|4|plind.mac|5|ffff80|ff0000|0|ffffff|ff00|ffffff");
  RunSettings([&](QDialog* dialog) {
    editAll(dialog);
    Control<QLineEdit>(dialog, "1022")->clear();  // an empty extension is taken
    Press(dialog, "1");
  });
  EXPECT_EQ(dialogs.colorRequests, std::vector<Color>(14, 0x000000));  // the chooser starts at black
  // The list shows text, background, selected text, selection, ground, margin; auto-indent stays.
  EXPECT_EQ(Shown(s),
            "*.a;*.b;*.c;d;*.Mac;*.sty;*.targz;*.TeX||4|plind.mac|5|20406|4080c|10203|30609|60c12|50a0f");
  EXPECT_EQ(ExtListFromEntries({"htm", "", "txt"}), "*.htm;*.;*.txt");
  for (const int autoIndent : {0, 1}) {
    RunSettings([&](QDialog* dialog) {
      Control<QCheckBox>(dialog, "1036")->click();
      Press(dialog, "1");
    });
    EXPECT_EQ(s.autoIndent, autoIndent);
  }
  Finish();
  EXPECT_EQ(ProfileValues().size(), 10);
}

// What a pixel row of the view shows on screen now, from its repaints so far, or after a
// full repaint.
QImage ScreenRow(CMainFrame& frame, ViewWidget& view, int line, bool full) {
  QCoreApplication::processEvents();
  QWidget* viewport = view.viewport();
  QImage image = full ? viewport->grab().toImage()
                      : frame.screen()
                            ->grabWindow(frame.winId())
                            .toImage()
                            .copy(QRect(viewport->mapTo(&frame, QPoint(0, 0)), viewport->size()));
  const int height = view.View().LineHeight();
  return image.copy(0, line * height, image.width(), height).convertToFormat(QImage::Format_RGB32);
}

TEST_F(SettingsTest, ATabWidthIsAnIntegerFrom1To64AndTheActiveViewTakesItAtOnce) {
  ASSERT_TRUE(Start({WriteFile("second.tex", "\tb\r\n\tz\r\n")}));
  ViewWidget& active = ActiveView();
  Frame().RouteCommand(ID_CHAR_RIGHT);
  ASSERT_EQ(active.StatusText(), "1: 9");
  const QImage rowBefore = ScreenRow(Frame(), active, 1, false);

  const QStringList bad = {"4a", "", "65", "0", "99999999999"};
  QStringList refusedWhileOpen;
  RunSettings([&](QDialog* dialog) {
    auto* edit = Control<QLineEdit>(dialog, "1024");
    for (const QString& text : bad) {
      SetField(dialog, "1024", text);
      Press(dialog, "1");
      // Still open, with the field active and its text selected.
      if (dialog->isVisible() && dialog->focusWidget() == edit && edit->selectedText() == text)
        refusedWhileOpen << text;
    }
    SetField(dialog, "1024", " 2 ");
    Press(dialog, "1");
  });
  EXPECT_EQ(refusedWhileOpen, bad);
  QStringList told;
  for (const auto& box : dialogs.boxes) told << box.text;
  const QString notInteger = QStringLiteral("整数を入力してください。");
  const QString outOfRange = QStringLiteral("1 から 64 までの整数を入力してください。");
  EXPECT_EQ(told, QStringList({notInteger, notInteger, outOfRange, outOfRange, outOfRange}));
  EXPECT_EQ(active.StatusText(), "1: 3");  // the caret column counted anew at once
  // The second line, away from the caret, shows what a full repaint shows, and that changed.
  const QImage rowAfter = ScreenRow(Frame(), active, 1, false);
  EXPECT_TRUE(rowAfter == ScreenRow(Frame(), active, 1, true));
  EXPECT_FALSE(rowAfter == rowBefore);
}

// Each case: the profile before, what the user changes, the profile after. Whatever is written
// reads back as what the program had; a profile with nothing to write is not touched.
TEST_F(SettingsTest, TheStoreWritesOnlyWhatChanged) {
  const int text = ColorTable::Text;
  const struct {
    const char* what;
    QMap<QString, QVariant> before;
    std::function<void(Settings&)> change;
    Values after;
    bool untouched = false;  // the file is not written at all
  } cases[] = {
      {"nothing changed", {{"Settings/TabStops", 4}}, [](Settings&) {}, {{"Settings/TabStops", "4"}}, true},
      {"changed and changed back",
       {{"Color/Text", 255}},
       [&](Settings& s) {
         s.colors[text] = 0x00FF00;
         s.colors[text] = 0x0000FF;
         s.tabSize = 4;
         s.tabSize = 8;
       },
       {{"Color/Text", "255"}},
       true},
      {"back to the default",
       {{"Color/Text", 255}},
       [&](Settings& s) { s.colors[text] = kDefaultColors[text]; },
       {{"Color/Text", QString::number(kDefaultColors[text])}}},
      {"every value",
       {},
       [](Settings& s) {
         s.readExtList = "*.tex;*.sty";
         s.defaultExt = "tex";
         s.tabSize = 4;
         s.colors = ColorTable{{{0x010203, 0x040506, 0x070809, 0x0A0B0C, 0x0D0E0F, 0x101112}}};
         s.macroFile = "/home/u/マクロ.mac";
         s.autoIndent = 1;
       },
       {{"Settings/ReadFileType", "*.tex;*.sty"},
        {"Settings/FileType", "tex"},
        {"Settings/TabStops", "4"},
        {"Settings/MacroName", "/home/u/マクロ.mac"},
        {"Settings/AutoIndent", "1"},
        {"Color/Bk", QString::number(0x010203)},
        {"Color/SelBk", QString::number(0x040506)},
        {"Color/Text", QString::number(0x070809)},
        {"Color/SelText", QString::number(0x0A0B0C)},
        {"Color/Margin", QString::number(0x0D0E0F)},
        {"Color/Ground", QString::number(0x101112)}}},
      {"an empty file type reads as txt",
       {{"Settings/FileType", ""}, {"Settings/ReadFileType", ""}},
       [](Settings& s) { EXPECT_EQ(s.defaultExt + "|" + s.readExtList, "txt|"); },
       {{"Settings/FileType", ""}, {"Settings/ReadFileType", ""}}},
      {"nonsense stays unless changed",
       {{"Color/Text", "red"}},
       [](Settings&) {},
       {{"Color/Text", "red"}},
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    QFile::remove(ProfilePath());
    WriteProfile(c.before);
    if (c.untouched) SetMtime(1000000000);
    ASSERT_TRUE(Start());
    EXPECT_TRUE(app->GetSettings().settingsLoaded);
    c.change(app->GetSettings());
    const Settings had = app->GetSettings();
    Finish();
    EXPECT_EQ(ProfileValues(), c.after);
    if (c.untouched) {
      EXPECT_EQ(Mtime(), 1000000000);
    }
    SetMtime(1000000000);  // read from disk, not from Qt's memory of what it wrote
    Settings back = Loaded();
    if (back.defaultExt.empty()) back.defaultExt = "txt";  // as start-up takes an empty one
    EXPECT_EQ(Shown(back), Shown(had));
  }
}

TEST_F(SettingsTest, NumbersWrittenAsTextAreReadAndNonsenseCountsAsMissing) {
  for (const auto& [stored, tabSize] :
       {std::pair{" 12 ", 12}, {"64", 64}, {"65", 8}, {"4x", 8}, {"0x10", 16}, {"99999999999", 8}}) {
    WriteProfile({{"Settings/TabStops", QString::fromLatin1(stored)}});
    EXPECT_EQ(Loaded().tabSize, tabSize) << stored;
  }
  WriteProfile({{"Color/Bk", "red"},
                {"Color/SelBk", "0x00FF00"},
                {"Color/Text", "-1"},  // only the colour bytes count
                {"Color/Ground", "4294967296"},
                {"Settings/AutoIndent", "yes"}});
  EXPECT_EQ(Shown(Loaded()),
            "*.txt;*.tex;*.htm;*.html;*.mac|txt|8|plind.mac|0|ffff80|ff00|ffffff|ffffff|ff00|ffffff");

  // Hand-edited, huge and binary values are read without harm.
  QFile file(ProfilePath());
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(
      "[Settings]\nReadFileType=*.txt, *.tex\nMacroName=" + QByteArray(100000, 'm') +
      "\nFileType=\xff\xfe\x01\nTabStops=@Variant(\\0\\0\\0\\x7f\\0\\0\\0)\n[Color]\nText=@ByteArray(xyz)\n"
      "[Recent%20File%20List]\nFile1=\nFile2=/x/a.tex\nFile3=/x/a.tex\nFile11=/x/b.tex\n");
  file.close();
  ASSERT_TRUE(Start());
  EXPECT_EQ(app->GetSettings().readExtList, "*.txt, *.tex");
  EXPECT_EQ(app->GetSettings().macroFile.size(), 100000u);
  EXPECT_EQ(app->GetSettings().tabSize, 8);
  EXPECT_EQ(app->RecentFiles().Paths(), QStringList{"/x/a.tex"});
}

TEST_F(SettingsTest, TwoRunsEachWriteOnlyTheirOwnChangesAndValuesOddToTheFormatReadBack) {
  const QString a = WriteFile("a.tex", "a\r\n");
  const QString macro = "a;b,c \"d\" #e =f\\g @at\tend";
  WriteProfile({{"Settings/MacroName", macro}, {"Recent File List/File1", a}});
  ASSERT_TRUE(Start());
  ASSERT_TRUE(app->OpenDocumentFile(a));  // the newest again: the list is as it was
  std::unique_ptr<CMirevApp> first = std::move(app);
  ASSERT_TRUE(Start());
  first->GetSettings().colors[ColorTable::Ground] = 0x123456;
  app->GetSettings().tabSize = 2;
  first->ExitInstance();
  first.reset();
  Finish();
  EXPECT_EQ(ProfileValues(), (Values{{"Color/Ground", QString::number(0x123456)},
                                     {"Settings/TabStops", "2"},
                                     {"Settings/MacroName", macro},
                                     {"Recent File List/File1", a}}));
  // A change of the list alone is written; names odd to the format read back (names not UTF-8
  // run end to end in tests/e2e).
  SetMtime(1000000000);
  const QString odd = WriteFile("a;b, c=d #e.tex", "x\r\n");
  ASSERT_TRUE(Start());
  ASSERT_TRUE(app->OpenDocumentFile(odd));
  Finish();
  EXPECT_NE(Mtime(), 1000000000);
  SetMtime(1000000000);
  ASSERT_TRUE(Start());
  EXPECT_EQ(app->GetSettings().macroFile, macro.toStdString());
  EXPECT_EQ(app->RecentFiles().Paths(), (QStringList{odd, a}));
  Finish();
  EXPECT_FALSE(QFile::exists(ProfilePath() + ".bad"));
  // Settings never read are never written.
  QFile::remove(ProfilePath());
  Settings unread;
  unread.colors[ColorTable::Text] = 0x0000FF;
  SettingsStore(unread, ProfilePath()).SaveColorSettings();
  EXPECT_FALSE(QFile::exists(ProfilePath()));
}

TEST_F(SettingsTest, AProfileThatDoesNotReadWholeIsSetAsideOnceAndWhatWasReadIsKept) {
  // A line without a value, and a list whose ";" starts a comment when it is not quoted.
  const QByteArray broken = "[Settings]\nTabStops=4\nnot a setting\nReadFileType=*.tex;*.sty\n";
  WriteFile("p", broken);
  ASSERT_TRUE(QFile::copy(filesDir.filePath("p"), ProfilePath()));
  ASSERT_TRUE(Start());
  const QString copy = ProfilePath() + ".bad";
  const QString note = Text(IDS_PROFILE_SET_ASIDE).replace("%1", ProfilePath()).replace("%2", copy);
  EXPECT_EQ(Frame().MessageText(), note);
  EXPECT_EQ(app->GetSettings().tabSize, 4);
  EXPECT_EQ(app->GetSettings().readExtList, "*.tex");
  app->GetSettings().autoIndent = 1;
  Finish();
  EXPECT_FALSE(ReadAll(ProfilePath()).contains("not a setting"));
  // Rewritten, it reads whole: no note, and the copy still holds all there was.
  ASSERT_TRUE(Start());
  EXPECT_NE(Frame().MessageText(), note);
  EXPECT_EQ(app->GetSettings().autoIndent, 1);
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
  EXPECT_EQ(dialogs.boxes[0].text, Text(IDS_PROFILE_NOT_SAVED).replace("%1", profile));
  EXPECT_FALSE(dialogs.boxes[0].owned);
}

// Only 31 characters fit in the field: blanks past them are ignored, other text is refused.
TEST(IntegerFieldTest, ReadsSignedDecimalsInTheFieldAndRefusesAnythingElse) {
  for (const auto& [text, value] : {std::pair<QString, int>{"\t+7\t", 7},
                                    {"-120", -120},
                                    {"  000 ", 0},
                                    {"-2147483648", INT_MIN},
                                    {"0000000000000000000002147483647", INT_MAX},
                                    {"5" + QString(34, u' '), 5}})
    EXPECT_EQ(ParseIntegerField(text), value) << '"' << text << '"';
  for (const QString& text :
       {QString("-0"), QString(), QString("4 5"), QString("- 4"), QString::fromUtf16(u"\uff14"),
        QString("2147483648"), QString(30, u' ') + " 5", QString(31, u'0') + "12"})
    EXPECT_EQ(ParseIntegerField(text), std::nullopt) << '"' << text << '"';
}

TEST_F(SettingsTest, CtrlGProposesTheCaretLineAndGoesToTheLineChosen) {
  QByteArray text;
  for (int i = 1; i <= 50; ++i) text += "line " + QByteArray::number(i) + "\r\n";
  ASSERT_TRUE(Start({WriteFile("long.tex", text)}));
  CVeloView& view = ActiveView().View();
  // Each answer, the line proposed and the line the caret is on after it (the dialog counts from 1).
  const struct {
    const char* answer;
    int proposed, line;
  } steps[] = {{"30", 1, 29}, {"-5", 30, 0}, {"1000", 1, 49}, {"12x", 50, 49}, {"-2147483648", 50, 0}};
  for (const auto& step : steps) {
    QString proposed;
    OnNextModal([&](QDialog* dialog) {
      auto* edit = Control<QLineEdit>(dialog, "1000");
      proposed = edit->text();
      edit->setText(QString::fromLatin1(step.answer));
      Press(dialog, "1");
      if (dialog->isVisible()) Press(dialog, "2");  // refused: still open
    });
    PressKey(Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(proposed, QString::number(step.proposed)) << step.answer;
    EXPECT_EQ(view.Caret().line, step.line) << step.answer;
  }
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].text, Text(IDS_PARSE_INT));
}

TEST(ColorDialogTest, PlatformChooserStartsAtTheGivenColourAndReturnsRedInTheLowByte) {
  QtDialogService service;
  OnNextModal([](QDialog* dialog) {
    auto* chooser = qobject_cast<QColorDialog*>(dialog);
    ASSERT_NE(chooser, nullptr);
    EXPECT_EQ(chooser->currentColor(), QColor(0x56, 0x34, 0x12));
    chooser->setCurrentColor(QColor(0x01, 0x80, 0xFE));
    chooser->accept();
  });
  EXPECT_EQ(service.ChooseColor(nullptr, 0x123456), std::optional<Color>(0xFE8001));
  EXPECT_EQ(FromQColor(ToQColor(0xFF00FF80)), 0x00FF80u);  // the top byte carries nothing
}

}  // namespace

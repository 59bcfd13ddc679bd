// The settings from the dialogs to the profile: the settings dialog and its extension list, the
// integer fields, the store that writes only what changed, and the profile file itself (set aside
// when it does not read whole, a failed write told at exit).
#include <sys/stat.h>
#include <utime.h>

#include <QCheckBox>
#include <QColorDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <climits>
#include <sstream>

#include "ShellFixture.h"
#include "app/IntegerField.h"
#include "app/SettingsStore.h"
#include "base/CommandIds.h"
#include "platform/ViewWidget.h"
#include "res/Resources.h"
#include "view/CVeloView.h"

namespace {

using Values = QMap<QString, QString>;

QString Res(int id) { return QString::fromUtf8(ResourceString(id)); }
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
  // A fresh Settings read from the profile, from disk rather than Qt's memory of what it wrote.
  Settings Loaded() {
    SetMtime(1000000000);
    Settings settings;
    SettingsStore store(settings, ProfilePath());
    store.LoadReadExtList();
    store.LoadFileType();
    store.LoadColorSettings();
    store.LoadMacroSettings();
    return settings;
  }
  void SetMtime(time_t when) {
    const utimbuf times{when, when};
    ::utime(ProfilePath().toUtf8().constData(), &times);
  }
  time_t Mtime() {
    struct stat st {};
    return ::stat(ProfilePath().toUtf8().constData(), &st) == 0 ? st.st_mtime : -1;
  }
};

// Each colour entry edits its own slot; the extension list shows its entries sorted, deletes
// following the selection and adds what it is given; only OK keeps any of it.
TEST_F(SettingsTest, TheDialogAndItsExtensionListChangeOnlyWithOk) {
  WriteProfile(
      {{"Settings/TabStops", 4}, {"Settings/AutoIndent", 5}, {"Settings/ReadFileType", "*.TeX;*.b;*.a"}});
  ASSERT_TRUE(Start());
  const std::string before = Shown(app->GetSettings());
  auto editAll = [&](QDialog* dialog) {
    for (int row = 0; row < 6; ++row) {
      Select(dialog, "1023", row);
      dialogs.colorAnswers.push_back(0x010203u * static_cast<Color>(row + 1));
      Press(dialog, "1034");
    }
    OnNextModal([&](QDialog* list) {
      Select(list, "1001", 2);  // the last: the new last one is selected
      Press(list, "1005");
      EXPECT_EQ(Control<QListWidget>(list, "1001")->currentRow(), 1);
      OnNextModal([](QDialog* newExt) {
        SetField(newExt, "1038", "c;d");  // nothing is validated
        Press(newExt, "1");
      });
      Press(list, "1004");
      Press(list, "1");
    });
    Press(dialog, "1037");
    Control<QLineEdit>(dialog, "1022")->clear();
  };
  RunSettings([&](QDialog* dialog) {
    EXPECT_EQ(Control<QLineEdit>(dialog, "1024")->text(), "4");
    EXPECT_TRUE(Control<QCheckBox>(dialog, "1036")->isChecked());  // any non-zero value ticks it
    editAll(dialog);
    Press(dialog, "2");
  });
  EXPECT_EQ(Shown(app->GetSettings()), before);
  RunSettings([&](QDialog* dialog) {
    editAll(dialog);
    Control<QCheckBox>(dialog, "1036")->click();
    Press(dialog, "1");
  });
  // The list shows text, background, selected text, selection, ground, margin.
  EXPECT_EQ(Shown(app->GetSettings()), "*.a;*.b;*.c;d||4|plind.mac|0|20406|4080c|10203|30609|60c12|50a0f");
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

// Refused text stays in the field, selected, with the reason told; a good width repaints at once.
TEST_F(SettingsTest, ATabWidthIsAnIntegerFrom1To64AndTheActiveViewTakesItAtOnce) {
  ASSERT_TRUE(Start({WriteFile("tabs.tex", "\tb\r\n\tz\r\n")}));
  ViewWidget& view = *Frame().ActiveChild()->View();
  Frame().RouteCommand(ID_CHAR_RIGHT);
  const QImage rowBefore = ScreenRow(Frame(), view, 1, false);
  const QString notInteger = QStringLiteral("整数を入力してください。");
  const QString outOfRange = QStringLiteral("1 から 64 までの整数を入力してください。");
  const std::pair<QString, QString> refused[] = {{"4a", notInteger},
                                                 {"", notInteger},
                                                 {"65", outOfRange},
                                                 {"0", outOfRange},
                                                 {"99999999999", outOfRange}};
  RunSettings([&](QDialog* dialog) {
    auto* edit = Control<QLineEdit>(dialog, "1024");
    for (const auto& [text, told] : refused) {
      SetField(dialog, "1024", text);
      Press(dialog, "1");
      EXPECT_TRUE(dialog->isVisible() && dialog->focusWidget() == edit && edit->selectedText() == text)
          << text;
      EXPECT_EQ(dialogs.boxes.back().text, told);
    }
    SetField(dialog, "1024", " 2 ");
    Press(dialog, "1");
  });
  EXPECT_EQ(view.StatusText(), "1: 3");  // the caret column counted anew
  const QImage rowAfter = ScreenRow(Frame(), view, 1, false);
  EXPECT_TRUE(rowAfter == ScreenRow(Frame(), view, 1, true));
  EXPECT_FALSE(rowAfter == rowBefore);
}

// Only 31 characters fit in a field: blanks past them are ignored, other text is refused.
TEST(IntegerFieldTest, ReadsSignedDecimalsInTheFieldAndRefusesAnythingElse) {
  for (const auto& [text, value] : {std::pair<QString, int>{"\t+7\t", 7},
                                    {"  000 ", 0},
                                    {"-2147483648", INT_MIN},
                                    {"0000000000000000000002147483647", INT_MAX},
                                    {"5" + QString(34, u' '), 5}})
    EXPECT_EQ(ParseIntegerField(text), value) << text;
  for (const QString& text : {QString("-0"), QString("4 5"), QString("- 4"), QString::fromUtf16(u"\uff14"),
                              QString("2147483648"), QString(30, u' ') + " 5"})
    EXPECT_EQ(ParseIntegerField(text), std::nullopt) << text;
}

TEST_F(SettingsTest, CtrlGProposesTheCaretLineAndGoesToTheLineChosen) {
  ASSERT_TRUE(Start({WriteFile("long.tex", QByteArray("line\r\n").repeated(50))}));
  const CVeloView& view = Frame().ActiveChild()->View()->View();
  // Each answer, the line proposed and the line the caret is on after it (the dialog counts from 1).
  const std::tuple<const char*, int, int> steps[] = {
      {"30", 1, 29}, {"-5", 30, 0}, {"1000", 1, 49}, {"12x", 50, 49}};
  for (const auto& [answer, proposed, line] : steps) {
    OnNextModal([&](QDialog* dialog) {
      auto* edit = Control<QLineEdit>(dialog, "1000");
      EXPECT_EQ(edit->text(), QString::number(proposed)) << answer;
      edit->setText(QString::fromLatin1(answer));
      Press(dialog, "1");
      if (dialog->isVisible()) Press(dialog, "2");  // refused: still open
    });
    PressKey(Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(view.Caret().line, line) << answer;
  }
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].text, Res(IDS_PARSE_INT));
}

// Each case: the profile before, what the user changes, the profile after, which reads back as
// what the program had. A profile with nothing to write is not touched.
TEST_F(SettingsTest, TheStoreWritesOnlyWhatChanged) {
  const int text = ColorTable::Text;
  const struct {
    QMap<QString, QVariant> before;
    std::function<void(Settings&)> change;
    Values after;
  } cases[] = {
      {{{"Color/Text", 255}, {"Color/Bk", "red"}},  // nonsense stays unless changed
       [&](Settings& s) {
         s.colors[text] = 0x00FF00;
         s.colors[text] = 0x0000FF;
         s.tabSize = 4;
         s.tabSize = 8;
       },
       {{"Color/Text", "255"}, {"Color/Bk", "red"}}},
      {{{"Color/Text", 255}},
       [&](Settings& s) { s.colors[text] = kDefaultColors[text]; },
       {{"Color/Text", QString::number(kDefaultColors[text])}}},
      {{{"Settings/FileType", ""}},
       [](Settings& s) {
         EXPECT_EQ(s.defaultExt, "txt");  // an empty one reads as txt, and is not written back
         s.readExtList = "*.tex;*.sty";
         s.tabSize = 4;
         s.colors = ColorTable{{{0x010203, 0x040506, 0x070809, 0x0A0B0C, 0x0D0E0F, 0x101112}}};
         s.macroFile = "/home/u/マクロ.mac";
         s.autoIndent = 1;
       },
       {{"Settings/ReadFileType", "*.tex;*.sty"},
        {"Settings/FileType", ""},
        {"Settings/TabStops", "4"},
        {"Settings/MacroName", "/home/u/マクロ.mac"},
        {"Settings/AutoIndent", "1"},
        {"Color/Bk", QString::number(0x010203)},
        {"Color/SelBk", QString::number(0x040506)},
        {"Color/Text", QString::number(0x070809)},
        {"Color/SelText", QString::number(0x0A0B0C)},
        {"Color/Margin", QString::number(0x0D0E0F)},
        {"Color/Ground", QString::number(0x101112)}}},
  };
  for (const auto& c : cases) {
    QFile::remove(ProfilePath());
    WriteProfile(c.before);
    SetMtime(1000000000);
    ASSERT_TRUE(Start());
    c.change(app->GetSettings());
    const Settings had = app->GetSettings();
    Finish();
    EXPECT_EQ(ProfileValues(), c.after);
    EXPECT_EQ(Mtime() == 1000000000, &c == cases) << "written, or left alone when nothing changed";
    Settings back = Loaded();
    if (back.defaultExt.empty()) back.defaultExt = "txt";
    EXPECT_EQ(Shown(back), Shown(had));
  }
  // Settings never read are never written.
  QFile::remove(ProfilePath());
  Settings unread;
  unread.colors[text] = 0x0000FF;
  SettingsStore(unread, ProfilePath()).SaveColorSettings();
  EXPECT_FALSE(QFile::exists(ProfilePath()));
}

TEST_F(SettingsTest, NumbersWrittenAsTextAreReadAndNonsenseCountsAsMissing) {
  for (const auto& [stored, tabSize] :
       {std::pair{" 12 ", 12}, {"64", 64}, {"65", 8}, {"4x", 8}, {"0x10", 16}, {"99999999999", 8}}) {
    WriteProfile({{"Settings/TabStops", QString::fromLatin1(stored)}});
    EXPECT_EQ(Loaded().tabSize, tabSize) << stored;
  }
  // Only the colour bytes count; hand-edited, huge and binary values are read without harm.
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
  EXPECT_EQ(Shown(read), "*.txt, *.tex||8||0|ffff80|ff00|ffffff|ffffff|ff00|ffffff");
  EXPECT_EQ(app->RecentFiles().Paths(), QStringList{"/x/a.tex"});
}

// Two runs at once each write only their own changes; values odd to the format (";" starts a
// comment, "," makes a list) read back, names not UTF-8 run end to end in tests/e2e.
TEST_F(SettingsTest, TwoRunsEachWriteOnlyTheirOwnChangesAndOddValuesReadBack) {
  const QString a = WriteFile("a.tex", "a\r\n"), odd = WriteFile("a;b, c=d #e.tex", "x\r\n");
  const QString macro = "a;b,c \"d\" #e =f\\g @at\tend";
  WriteProfile({{"Settings/MacroName", macro}, {"Recent File List/File1", a}});
  ASSERT_TRUE(Start());
  ASSERT_TRUE(app->OpenDocumentFile(a));  // the newest again: the list is as it was
  std::unique_ptr<CMirevApp> first = std::move(app);
  ASSERT_TRUE(Start());
  first->GetSettings().colors[ColorTable::Ground] = 0x123456;
  app->GetSettings().tabSize = 2;
  ASSERT_TRUE(app->OpenDocumentFile(odd));
  first->ExitInstance();
  first.reset();
  Finish();
  EXPECT_EQ(ProfileValues(), (Values{{"Color/Ground", QString::number(0x123456)},
                                     {"Settings/TabStops", "2"},
                                     {"Settings/MacroName", macro},
                                     {"Recent File List/File1", odd},
                                     {"Recent File List/File2", a}}));
  SetMtime(1000000000);
  ASSERT_TRUE(Start());
  EXPECT_EQ(app->GetSettings().macroFile, macro.toStdString());
  EXPECT_EQ(app->RecentFiles().Paths(), (QStringList{odd, a}));
  Finish();
  EXPECT_FALSE(QFile::exists(ProfilePath() + ".bad"));
}

TEST_F(SettingsTest, AProfileThatDoesNotReadWholeIsSetAsideOnceAndWhatWasReadIsKept) {
  // A line without a value, and a list whose ";" starts a comment when it is not quoted.
  const QByteArray broken = "[Settings]\nTabStops=4\nnot a setting\nReadFileType=*.tex;*.sty\n";
  ASSERT_TRUE(QFile::copy(WriteFile("p", broken), ProfilePath()));
  ASSERT_TRUE(Start());
  const QString copy = ProfilePath() + ".bad";
  const QString note = Res(IDS_PROFILE_SET_ASIDE).replace("%1", ProfilePath()).replace("%2", copy);
  EXPECT_EQ(Frame().MessageText(), note);
  EXPECT_EQ(app->GetSettings().tabSize, 4);
  EXPECT_EQ(app->GetSettings().readExtList, "*.tex");
  app->GetSettings().autoIndent = 1;
  Finish();
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
  EXPECT_EQ(dialogs.boxes[0].text, Res(IDS_PROFILE_NOT_SAVED).replace("%1", profile));
  EXPECT_FALSE(dialogs.boxes[0].owned);
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
}

}  // namespace

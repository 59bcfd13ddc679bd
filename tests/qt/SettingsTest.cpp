// The settings from the dialogs to the profile: the settings dialog and its extension list, the
// integer fields, the store that writes only what changed, and the profile file itself (set aside
// when it does not read whole, a failed write told at exit).
#include <QCheckBox>
#include <QColorDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
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
QLineEdit* Edit(QWidget* dialog, const char* id) { return Control<QLineEdit>(dialog, id); }
QListWidget* List(QWidget* dialog, const char* id) { return Control<QListWidget>(dialog, id); }

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
    if (file.open(QIODevice::ReadWrite)) file.setFileTime(kLongAgo, QFileDevice::FileModificationTime);
  }
  bool Untouched() { return QFileInfo(ProfilePath()).lastModified() == kLongAgo; }
  const QDateTime kLongAgo = QDateTime::fromSecsSinceEpoch(1000000000);
};

// Each colour entry edits its own slot; the extension list shows its entries sorted, keeps a
// selection after a delete and adds what it is given; only OK keeps any of it.
TEST_F(SettingsTest, TheDialogAndItsExtensionListChangeOnlyWithOk) {
  WriteProfile(
      {{"Settings/TabStops", 4}, {"Settings/AutoIndent", 5}, {"Settings/ReadFileType", "*.TeX;*.b;*.a"}});
  ASSERT_TRUE(Start());
  const std::string before = Shown(app->GetSettings());
  auto editAll = [&](QDialog* dialog) {
    for (int row = 0; row < 6; ++row) {
      List(dialog, "1023")->setCurrentRow(row);
      dialogs.colorAnswers.push_back(0x010203u * static_cast<Color>(row + 1));
      Press(dialog, "1034");
    }
    OnNextModal([&](QDialog* list) {
      List(list, "1001")->setCurrentRow(2);  // the last: the new last one is selected
      Press(list, "1005");
      EXPECT_EQ(List(list, "1001")->currentRow(), 1);
      OnNextModal([](QDialog* newExt) {
        Edit(newExt, "1038")->setText("c;d");  // nothing is validated
        Press(newExt, "1");
      });
      Press(list, "1004");
      Press(list, "1");
    });
    Press(dialog, "1037");
    Edit(dialog, "1022")->clear();
    Control<QCheckBox>(dialog, "1036")->click();
  };
  RunSettings([&](QDialog* dialog) {
    EXPECT_EQ(Edit(dialog, "1024")->text(), "4");
    EXPECT_TRUE(Control<QCheckBox>(dialog, "1036")->isChecked());  // any non-zero value ticks it
    editAll(dialog);
    Press(dialog, "2");
  });
  EXPECT_EQ(Shown(app->GetSettings()), before);
  RunSettings([&](QDialog* dialog) {
    editAll(dialog);
    Press(dialog, "1");
  });
  // The list shows text, background, selected text, selection, ground, margin.
  EXPECT_EQ(Shown(app->GetSettings()), "*.a;*.b;*.c;d||4|plind.mac|0|20406|4080c|10203|30609|60c12|50a0f");
}

TEST_F(SettingsTest, ATabWidthIsAnIntegerFrom1To64AndTheActiveViewTakesItAtOnce) {
  ASSERT_TRUE(Start({WriteFile("tabs.tex", "\tb\r\n")}));
  Frame().RouteCommand(ID_CHAR_RIGHT);
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

// Only 31 characters fit in a field: blanks past them are ignored, other text is refused.
TEST(IntegerFieldTest, ReadsSignedDecimalsInTheFieldAndRefusesAnythingElse) {
  for (const auto& [text, value] : {std::pair<QString, int>{"\t+7\t", 7},
                                    {"-2147483648", INT_MIN},
                                    {"0000000000000000000002147483647", INT_MAX},
                                    {"5" + QString(34, u' '), 5}})
    EXPECT_EQ(ParseIntegerField(text), value) << text;
  for (const QString& text : {QString("-0"), QString("4 5"), QString::fromUtf16(u"\uff14"),
                              QString("2147483648"), QString(30, u' ') + " 5"})
    EXPECT_EQ(ParseIntegerField(text), std::nullopt) << text;
}

TEST_F(SettingsTest, CtrlGProposesTheCaretLineAndGoesToTheLineChosen) {
  ASSERT_TRUE(Start({WriteFile("long.tex", QByteArray("line\r\n").repeated(50))}));
  // Each answer, the line proposed and the line the caret is on after it (the dialog counts from 1).
  const std::tuple<const char*, int, int> steps[] = {
      {"30", 1, 29}, {"-5", 30, 0}, {"1000", 1, 49}, {"12x", 50, 49}};
  for (const auto& [answer, proposed, line] : steps) {
    OnNextModal([&](QDialog* dialog) {
      EXPECT_EQ(Edit(dialog, "1000")->text(), QString::number(proposed)) << answer;
      Edit(dialog, "1000")->setText(answer);
      Press(dialog, "1");
      if (dialog->isVisible()) Press(dialog, "2");  // refused: still open
    });
    PressKey(Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(Frame().ActiveChild()->View()->View().Caret().line, line) << answer;
  }
  EXPECT_EQ(dialogs.boxes.back().text, Res(IDS_PARSE_INT));
}

// Each case: the profile before, what the user changes, the profile after, which reads back as
// what the program had. The first has nothing to write: the file is not touched.
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
      {{{"Color/Text", 255}, {"Settings/FileType", ""}},
       [&](Settings& s) {
         EXPECT_EQ(s.defaultExt, "txt");  // an empty one reads as txt, and is not written back
         s.colors[text] = kDefaultColors[text];
         s.readExtList = "*.tex;*.sty";
         s.tabSize = 4;
         s.colors[ColorTable::Ground] = 0x010203;
         s.macroFile = "/u/マクロ;b,c \"d\" #e =f\\g @at\tend";  // ";" starts a comment, "," a list
         s.autoIndent = 1;
       },
       {{"Color/Text", QString::number(kDefaultColors[text])},
        {"Settings/FileType", ""},
        {"Settings/ReadFileType", "*.tex;*.sty"},
        {"Settings/TabStops", "4"},
        {"Color/Ground", QString::number(0x010203)},
        {"Settings/MacroName", "/u/マクロ;b,c \"d\" #e =f\\g @at\tend"},
        {"Settings/AutoIndent", "1"}}},
  };
  for (const auto& c : cases) {
    QFile::remove(ProfilePath());
    WriteProfile(c.before);
    Backdate();
    ASSERT_TRUE(Start());
    c.change(app->GetSettings());
    const Settings had = app->GetSettings();
    Finish();
    EXPECT_EQ(ProfileValues(), c.after);
    EXPECT_EQ(Untouched(), &c == cases) << "written, or left alone when nothing changed";
    Settings back = Loaded();
    back.defaultExt = back.defaultExt.empty() ? "txt" : back.defaultExt;
    EXPECT_EQ(Shown(back), Shown(had));
  }
  // Settings never read are never written.
  QFile::remove(ProfilePath());
  Settings unread;
  SettingsStore(unread, ProfilePath()).SaveColorSettings();
  EXPECT_FALSE(QFile::exists(ProfilePath()));
}

TEST_F(SettingsTest, HandEditedValuesAreReadWithoutHarm) {
  for (const auto& [stored, tabSize] :
       {std::pair{" 12 ", 12}, {"64", 64}, {"65", 8}, {"0x10", 16}, {"4x", 8}}) {
    WriteProfile({{"Settings/TabStops", QString::fromLatin1(stored)}});
    EXPECT_EQ(Loaded().tabSize, tabSize) << stored;
  }
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

TEST(ColorDialogTest, PlatformChooserStartsAtTheGivenColourAndReturnsRedInTheLowByte) {
  OnNextModal([](QDialog* dialog) {
    auto* chooser = qobject_cast<QColorDialog*>(dialog);
    EXPECT_EQ(chooser->currentColor(), QColor(0x56, 0x34, 0x12));
    chooser->setCurrentColor(QColor(0x01, 0x80, 0xFE));
    chooser->accept();
  });
  EXPECT_EQ(QtDialogService().ChooseColor(nullptr, 0x123456), std::optional<Color>(0xFE8001));
}

}  // namespace

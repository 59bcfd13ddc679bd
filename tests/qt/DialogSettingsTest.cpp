#include <gtest/gtest.h>

#include <QCheckBox>
#include <QColorDialog>
#include <QLineEdit>
#include <QListWidget>
#include <string>
#include <vector>

#include "DialogScript.h"
#include "app/CJumpDlg.h"
#include "app/CSettingsDlg.h"
#include "doc/CVeloDoc.h"
#include "platform/ViewWidget.h"
#include "res/Resources.h"

namespace {

using namespace dialogtest;

// A real view in its window, which notes the repaints and the wait cursor the view asks for.
class RecordingWidget : public ViewWidget {
 public:
  using ViewWidget::ViewWidget;
  void Invalidate(const Rect* rect) override {
    if (calls.empty() || calls.back() != "repaint") calls.push_back("repaint");
    ViewWidget::Invalidate(rect);
  }
  void BeginWaitCursor() override {
    calls.push_back("wait");
    ViewWidget::BeginWaitCursor();
  }
  void EndWaitCursor() override {
    calls.push_back("end wait");
    ViewWidget::EndWaitCursor();
  }
  std::vector<std::string> calls;
};

struct SettingsSnapshot {
  explicit SettingsSnapshot(const Settings& s)
      : tabSize(s.tabSize),
        defaultExt(s.defaultExt),
        readExtList(s.readExtList),
        colors(s.colors),
        autoIndent(s.autoIndent) {}
  int tabSize;
  std::string defaultExt;
  std::string readExtList;
  ColorTable colors;
  int autoIndent;
  friend bool operator==(const SettingsSnapshot&, const SettingsSnapshot&) = default;
};

QString Text(int id) { return QString::fromUtf8(ResourceString(id)); }

class SettingsCommandTest : public ::testing::Test {
 protected:
  SettingsCommandTest() {
    window.InitialUpdate();
    window.calls.clear();
  }

  // Runs the settings command with script driving the dialog.
  bool Run(std::function<void(QDialog*)> script) {
    OnNextModal(std::move(script));
    return RunSettingsCommand(settings, window.View(), dialogs);
  }

  void SetField(QWidget* dialog, const char* id, const QString& text) {
    if (auto* edit = Control<QLineEdit>(dialog, id)) edit->setText(text);
  }

  // Picks colour-list entry row and answers the colour dialog with color.
  void ChooseColor(QWidget* dialog, int row, std::optional<Color> color) {
    if (auto* list = Control<QListWidget>(dialog, "1023"))
      list->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    dialogs.colorAnswers.push_back(color);
    Press(dialog, "1034");
  }

  Settings settings;
  CVeloDoc doc{settings};
  RecordingWidget window{doc, settings};
  ScriptedDialogs dialogs;
};

TEST_F(SettingsCommandTest, ShowsTheCurrentValuesAndOkWithoutChangesChangesNothing) {
  settings.tabSize = 4;
  settings.defaultExt = "tex";
  settings.autoIndent = 1;
  const SettingsSnapshot before(settings);
  EXPECT_TRUE(Run([](QDialog* dialog) {
    EXPECT_EQ(Control<QLineEdit>(dialog, "1024")->text(), "4");
    EXPECT_EQ(Control<QLineEdit>(dialog, "1022")->text(), "tex");
    EXPECT_TRUE(Control<QCheckBox>(dialog, "1036")->isChecked());
    EXPECT_TRUE(Control<QListWidget>(dialog, "1023")->item(0)->isSelected());
    Press(dialog, "1");
  }));
  EXPECT_TRUE(SettingsSnapshot(settings) == before);
  EXPECT_TRUE(window.calls.empty());
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(SettingsCommandTest, EachColourEntryEditsItsOwnSlot) {
  // Entry i of the list edits this slot; each gets a colour of its own.
  const ColorTable::Slot slotOfEntry[] = {ColorTable::Text,  ColorTable::Bk,     ColorTable::SelText,
                                          ColorTable::SelBk, ColorTable::Ground, ColorTable::Margin};
  EXPECT_TRUE(Run([this](QDialog* dialog) {
    for (int row = 0; row < 6; ++row) ChooseColor(dialog, row, 0x010203u * static_cast<Color>(row + 1));
    ChooseColor(dialog, 0, std::nullopt);  // a cancelled chooser changes nothing
    Press(dialog, "1");
  }));
  for (int row = 0; row < 6; ++row) {
    EXPECT_EQ(settings.colors[slotOfEntry[row]], 0x010203u * static_cast<Color>(row + 1)) << "entry " << row;
  }
  // The chooser always starts at black; colours alone repaint without the wait cursor.
  EXPECT_EQ(dialogs.colorRequests, std::vector<Color>(7, 0x000000));
  EXPECT_EQ(window.calls, std::vector<std::string>({"repaint"}));
}

TEST_F(SettingsCommandTest, CancelAfterAColourChangeKeepsTheColours) {
  const SettingsSnapshot before(settings);
  EXPECT_FALSE(Run([this](QDialog* dialog) {
    ChooseColor(dialog, 1, 0x123456);
    SetField(dialog, "1024", "3");
    Press(dialog, "2");
  }));
  EXPECT_TRUE(SettingsSnapshot(settings) == before);
  EXPECT_TRUE(window.calls.empty());
}

TEST_F(SettingsCommandTest, TabSizeMustBeAnIntegerInRangeAndIsTakenUnderTheWaitCursor) {
  QStringList refusedWhileOpen;
  EXPECT_TRUE(Run([&](QDialog* dialog) {
    auto* edit = Control<QLineEdit>(dialog, "1024");
    for (const QString bad : {"4a", "", "65", "0", "99999999999"}) {
      SetField(dialog, "1024", bad);
      Press(dialog, "1");
      // Still open, with the field active and its text selected.
      if (dialog->isVisible() && dialog->focusWidget() == edit && edit->selectedText() == bad)
        refusedWhileOpen << bad;
    }
    SetField(dialog, "1024", " 4 ");
    Press(dialog, "1");
  }));
  EXPECT_EQ(refusedWhileOpen, QStringList({"4a", "", "65", "0", "99999999999"}));
  ASSERT_EQ(dialogs.messages.size(), 5u);
  // Not an integer; an integer out of the range, however large.
  EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("整数を入力してください。"));
  EXPECT_EQ(dialogs.messages[1].text, QStringLiteral("整数を入力してください。"));
  for (std::size_t i = 2; i < 5; ++i)
    EXPECT_EQ(dialogs.messages[i].text, QStringLiteral("1 から 64 までの整数を入力してください。"));
  EXPECT_EQ(settings.tabSize, 4);
  EXPECT_EQ(window.View().TabWidth(), 4);
  EXPECT_EQ(window.calls, std::vector<std::string>({"wait", "repaint", "end wait"}));
}

TEST_F(SettingsCommandTest, StandardExtensionAndAutoIndentAreStored) {
  settings.autoIndent = 5;  // any non-zero value shows ticked and survives OK
  EXPECT_TRUE(Run([](QDialog* dialog) {
    EXPECT_TRUE(Control<QCheckBox>(dialog, "1036")->isChecked());
    Control<QLineEdit>(dialog, "1022")->setText("tex");
    Press(dialog, "1");
  }));
  EXPECT_EQ(settings.defaultExt, "tex");
  EXPECT_EQ(settings.autoIndent, 5);
  EXPECT_TRUE(window.calls.empty());

  // An empty extension is accepted; the next document puts "txt" back.
  EXPECT_TRUE(Run([](QDialog* dialog) {
    Control<QLineEdit>(dialog, "1022")->clear();
    Control<QCheckBox>(dialog, "1036")->click();
    Press(dialog, "1");
  }));
  EXPECT_EQ(settings.defaultExt, "");
  EXPECT_EQ(settings.autoIndent, 0);
}

TEST_F(SettingsCommandTest, ExtensionListEditsReachSettingsOnlyWithTheSettingsOk) {
  auto editList = [](QDialog* dialog) {
    OnNextModal([](QDialog* list) {
      if (auto* entries = Control<QListWidget>(list, "1001"))
        entries->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
      Press(list, "1005");
      Press(list, "1");
    });
    Press(dialog, "1037");
  };
  EXPECT_FALSE(Run([&](QDialog* dialog) {
    editList(dialog);
    Press(dialog, "2");
  }));
  EXPECT_EQ(settings.readExtList, "*.txt;*.tex;*.htm;*.html;*.mac");

  EXPECT_TRUE(Run([&](QDialog* dialog) {
    editList(dialog);
    Press(dialog, "1");
  }));
  EXPECT_EQ(settings.readExtList, "*.html;*.mac;*.tex;*.txt");
  EXPECT_TRUE(window.calls.empty());
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

TEST(JumpDialogTest, ProposesTheLineAndTakesOnlyAnIntegerBack) {
  ScriptedDialogs dialogs;
  bool stillOpen = false;
  OnNextModal([&](QDialog* dialog) {
    auto* edit = Control<QLineEdit>(dialog, "1000");
    EXPECT_EQ(edit->text(), "12");
    edit->setText("12x");
    Press(dialog, "1");
    stillOpen = dialog->isVisible();
    EXPECT_EQ(dialog->focusWidget(), edit);
    edit->setText("\t-5 ");  // no range check here: the view limits the line
    Press(dialog, "1");
  });
  EXPECT_EQ(AskJumpLine(12, dialogs), -5);
  EXPECT_TRUE(stillOpen);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, Text(IDS_PARSE_INT));

  OnNextModal([](QDialog* dialog) { Press(dialog, "2"); });
  EXPECT_EQ(AskJumpLine(3, dialogs), std::nullopt);
}

}  // namespace

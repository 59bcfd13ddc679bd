// Keys through the accelerator tables to the commands they stand for.
#include <QDialog>
#include <QLineEdit>

#include "ShellFixture.h"
#include "base/CommandIds.h"
#include "res/Resources.h"

namespace {

class ShellKeysTest : public ShellFixture {
 protected:
  void Record() {
    Frame().SetCommandObserver([this](int id, bool handled) { routed.push_back({id, handled}); });
  }
  std::vector<std::pair<int, bool>> routed;
};

struct KeyCase {
  int key;
  Qt::KeyboardModifiers modifiers;
  int command;
};

// Entries of the main window's table, by their plain numbers: every modifier, keys that share
// a command, and keys that share a key. New comes last.
const KeyCase kFrameKeys[] = {
    {Qt::Key_C, Qt::ControlModifier, 57634},     {Qt::Key_Insert, Qt::ControlModifier, 57634},
    {Qt::Key_Delete, Qt::ShiftModifier, 57635},  {Qt::Key_Insert, Qt::ShiftModifier, 57637},
    {Qt::Key_Backspace, Qt::AltModifier, 57643}, {Qt::Key_F6, Qt::NoModifier, 57680},
    {Qt::Key_F6, Qt::ShiftModifier, 57681},      {Qt::Key_F9, Qt::AltModifier, 32852},
    {Qt::Key_F12, Qt::NoModifier, 57604},        {Qt::Key_L, Qt::ControlModifier, 32864},
    {Qt::Key_T, Qt::ControlModifier, 32900},     {Qt::Key_F4, Qt::NoModifier, 32902},
    {Qt::Key_F4, Qt::ShiftModifier, 32903},      {Qt::Key_N, Qt::ControlModifier, 57600},
};

}  // namespace

TEST_F(ShellKeysTest, EveryFrameKeyReachesItsCommand) {
  ASSERT_TRUE(Start());
  // Without a document only the frame's table is in force, and nothing a view would do
  // with these keys can interfere.
  ASSERT_TRUE(Frame().RouteCommand(ID_FILE_CLOSE));
  Settle();
  ASSERT_TRUE(Frame().Children().isEmpty());
  Record();
  for (const KeyCase& key : kFrameKeys) {
    routed.clear();
    PressKey(key.key, key.modifiers);
    ASSERT_EQ(routed.size(), 1u) << key.command;
    EXPECT_EQ(routed[0].first, key.command);
  }
  // The last one was New.
  EXPECT_EQ(ChildTitles(), QStringList{"TeX2"});
  EXPECT_EQ(AcceleratorTable(IDR_MAINFRAME).Entries().size(), 29u);

  // Keypad keys count as the keys they stand for; other modifiers do not match.
  routed.clear();
  PressKey(Qt::Key_Insert, Qt::ShiftModifier | Qt::KeypadModifier);
  PressKey(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
  PressKey(Qt::Key_Q, Qt::NoModifier);
  ASSERT_EQ(routed.size(), 1u);
  EXPECT_EQ(routed[0].first, ID_EDIT_PASTE);
}

TEST_F(ShellKeysTest, CtrlNMakesNumberedUntitledDocumentsEachMaximised) {
  ASSERT_TRUE(Start());
  PressKey(Qt::Key_N, Qt::ControlModifier);
  PressKey(Qt::Key_N, Qt::ControlModifier);
  EXPECT_EQ(ChildTitles(), (QStringList{"TeX1", "TeX2", "TeX3"}));
  EXPECT_TRUE(Frame().ActiveChild()->isMaximized());
  EXPECT_EQ(Frame().windowTitle(), "Mirev - [TeX3]");
  // The number keeps counting after a close.
  PressKey(Qt::Key_F4, Qt::ControlModifier);
  Settle();
  PressKey(Qt::Key_N, Qt::ControlModifier);
  EXPECT_EQ(ChildTitles(), (QStringList{"TeX1", "TeX2", "TeX4"}));
}

TEST_F(ShellKeysTest, DocumentTableIsTriedBeforeTheFrameTable) {
  ASSERT_TRUE(Start());
  Record();
  constexpr int kProbe = 40001;
  Template().Accelerators().Add({Qt::Key_N, kAccelCtrl, kProbe});
  Template().Accelerators().Add({Qt::Key_F2, kAccelShift, kProbe + 1});

  PressKey(Qt::Key_N, Qt::ControlModifier);
  PressKey(Qt::Key_F2, Qt::ShiftModifier);
  ASSERT_EQ(routed.size(), 2u);
  EXPECT_EQ(routed[0], std::make_pair(kProbe, false));
  EXPECT_EQ(routed[1], std::make_pair(kProbe + 1, false));
  EXPECT_EQ(ChildTitles(), QStringList{"TeX1"});

  // The document windows' table is in force only while a document window is active.
  Frame().RouteCommand(ID_FILE_CLOSE);
  Settle();
  routed.clear();
  PressKey(Qt::Key_N, Qt::ControlModifier);
  EXPECT_EQ(routed, (std::vector<std::pair<int, bool>>{{ID_FILE_NEW, true}}));
}

TEST_F(ShellKeysTest, KeysOfOtherWindowsAndUnknownKeysAreLeftAlone) {
  ASSERT_TRUE(Start());
  Record();
  // A dialog of the main window keeps its keys.
  QDialog dialog(&Frame());
  auto* edit = new QLineEdit(&dialog);
  PressKey(Qt::Key_N, Qt::ControlModifier, edit);
  EXPECT_TRUE(routed.empty());
  EXPECT_EQ(ChildTitles(), QStringList{"TeX1"});

  // A table key claims its shortcut check so that no Qt shortcut can take it first.
  QKeyEvent tableKey(QEvent::ShortcutOverride, Qt::Key_S, Qt::ControlModifier);
  tableKey.ignore();
  QCoreApplication::sendEvent(KeyTarget(), &tableKey);
  EXPECT_TRUE(tableKey.isAccepted());
}

TEST_F(ShellKeysTest, WindowSystemKeysForDocumentWindowsComeLast) {
  ASSERT_TRUE(Start());
  PressKey(Qt::Key_N, Qt::ControlModifier);
  PressKey(Qt::Key_N, Qt::ControlModifier);
  ASSERT_EQ(Frame().ActiveChild()->windowTitle(), "TeX3");
  PressKey(Qt::Key_F6, Qt::ControlModifier);
  EXPECT_NE(Frame().ActiveChild()->windowTitle(), "TeX3");
  EXPECT_TRUE(Frame().ActiveChild()->isMaximized());
  // Ctrl+F4 closes the active window; a table entry for it would win.
  PressKey(Qt::Key_F4, Qt::ControlModifier);
  Settle();
  EXPECT_EQ(ChildTitles().size(), 2);
  Template().Accelerators().Add({Qt::Key_F4, kAccelCtrl, 40002});
  PressKey(Qt::Key_F4, Qt::ControlModifier);
  Settle();
  EXPECT_EQ(ChildTitles().size(), 2);
}

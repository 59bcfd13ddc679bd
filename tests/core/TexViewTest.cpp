// Command routing: the chain of targets and the TeX view's place in it (the macro range first,
// then its own table, the editor view's, the objects behind the view), with the popup it asks
// for. Insertion and auto-indent are edit cases.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "MacroFakes.h"
#include "ViewFakes.h"
#include "base/CommandIds.h"
#include "base/CommandMap.h"
#include "tex/CMirevView.h"

namespace {

std::vector<std::string> calls;

// Stands for the objects behind the view: every id from 1000 up runs and is noted; so does 11,
// whose update handler disables it while locked and checks it otherwise.
class Target : public CommandTarget {
 public:
  explicit Target(std::string targetName) : name(std::move(targetName)) {}
  bool OnCmdMsg(int id, CommandUi* ui) override { return DispatchCommand(*this, Table(), id, ui); }
  std::string name;
  bool locked = false;

 private:
  void Any(int id) { calls.push_back(name + " " + std::to_string(id)); }
  void UpdateEleven(CommandUi& ui) { ui.enabled = !locked, ui.checked = !locked; }
  static std::span<const CommandEntry<Target>> Table() {
    static const CommandEntry<Target> entries[] = {{11, 11, &Target::Any, &Target::UpdateEleven},
                                                   {1000, 99999, &Target::Any}};
    return entries;
  }
};

class TexViewTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(builder.faults, std::vector<std::string>{}); }
  bool LoadMacros(std::string_view file) {
    WriteFileBytes(scratch / "m.mac", file);
    return macros.LoadMacroFile(scratch / "m.mac", kMacroBaseId, kMacroEntryLimit);
  }
  CMirevView& Open(const std::vector<std::string>& lines) {
    rig = std::make_unique<ViewRig>(lines);
    rig->view.reset();  // the TeX view takes the editor view's place on the same window
    rig->view = std::make_unique<CMirevView>(rig->doc, rig->settings, rig->host, macros);
    rig->view->OnInitialUpdate();
    rig->view->OnSetFocus();
    return static_cast<CMirevView&>(*rig->view);
  }

  ScratchDir scratch;
  RecordingMenuBuilder builder;
  CMacroMenu macros{builder};
  std::unique_ptr<ViewRig> rig;
};

TEST_F(TexViewTest, MacroRangeFirstThenTheTexViewThenTheEditorViewThenWhatStandsBehind) {
  ASSERT_TRUE(LoadMacros("+ Sections\nsection \\section{*}\n-\nbf {\\bf *}\nhline \\hline\n"));
  CMirevView& view = Open({"x*"});
  calls.clear();
  Target locked("locked"), open("open");
  CommandTarget* chain[] = {&view, nullptr, &locked, &open};
  // Every entry is the view's and enabled; the ids around the range are not the view's.
  CommandUi ui{0, false, true};
  for (int id = ID_MACRO_FIRST; id < ID_MACRO_FIRST + 3; ++id)
    EXPECT_TRUE(QueryCommand(chain, id, ui) && ui.enabled && !ui.checked && calls.empty()) << id;
  for (int id : {ID_MACRO_FIRST + 3, ID_MACRO_FIRST - 1, ID_MACRO_LAST})
    EXPECT_FALSE(view.OnCmdMsg(id, &ui)) << id;
  EXPECT_TRUE(ExecuteCommand(chain, ID_MACRO_FIRST + 1));
  EXPECT_EQ(RenderView(view), "{\\bf ⁁*‸}x*\n");
  // F8 is the TeX view's; Copy is the editor view's.
  EXPECT_TRUE(ExecuteCommand(chain, ID_NEXT_ASTERISK) && ExecuteCommand(chain, ID_EDIT_COPY));
  EXPECT_EQ(RenderView(view), "{\\bf *}x⁁*‸\n");
  EXPECT_EQ(rig->host.clipboard, "*");
  // The first holder behind takes the rest, and keeps what it disables from those after it.
  locked.locked = true;
  EXPECT_TRUE(ExecuteCommand(chain, ID_MACRO_FIRST + 3) && ExecuteCommand(chain, ID_FILE_SAVE) &&
              ExecuteCommand(chain, 11) && QueryCommand(chain, 11, ui));
  EXPECT_TRUE(!ui.enabled && !ui.checked);
  EXPECT_FALSE(ExecuteCommand(chain, 31) || QueryCommand(chain, 31, ui) || ui.enabled);
  locked.locked = false;
  EXPECT_TRUE(ExecuteCommand(chain, 11) && QueryCommand(chain, 11, ui) && ui.enabled && ui.checked);
  EXPECT_EQ(calls, (std::vector<std::string>{"locked 33003", "locked 57603", "locked 11"}));
  // A reload renumbers: ids beyond the new file's entries belong to nobody in the view.
  ASSERT_TRUE(LoadMacros("hline \\hline\n"));
  EXPECT_FALSE(view.OnCmdMsg(ID_MACRO_FIRST + 1, &ui));
  EXPECT_TRUE(ExecuteCommand(chain, ID_MACRO_FIRST));
  EXPECT_EQ(RenderView(view), "{\\bf *}x\\hline‸\n");
}

TEST_F(TexViewTest, ContextPopupIsTheMacroMenusUnlessNoneIsLoadedOrShiftIsDown) {
  CMirevView& view = Open({""});
  EXPECT_EQ(view.ContextPopup(), nullptr) << "before any load";
  ASSERT_TRUE(LoadMacros(""));  // a file without entries still gives the popup, empty
  ASSERT_NE(macros.RootPopup(), nullptr);
  EXPECT_EQ(view.ContextPopup(), macros.RootPopup());
  rig->host.shiftDown = true;
  EXPECT_EQ(view.ContextPopup(), nullptr);
  rig->host.shiftDown = false;
  ASSERT_FALSE(macros.LoadMacroFile(scratch / "missing.mac", kMacroBaseId, kMacroEntryLimit));
  EXPECT_EQ(view.ContextPopup(), nullptr);
  CommandUi ui;  // without a macro menu the range is empty: nothing taken, nothing inserted
  EXPECT_FALSE(view.OnCmdMsg(ID_MACRO_FIRST, &ui) || view.OnCommand(ID_MACRO_FIRST));
  EXPECT_TRUE(view.UndoList().empty());
}

}  // namespace

// Command routing: tables of a class and its base, the chain of targets, and the TeX view's
// place in it (the macro range first, then its own table, the editor view's, the objects
// behind the view), with the popup it asks for. Insertion and auto-indent are edit cases.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "EditSupport.h"
#include "FileFixtures.h"
#include "MacroFakes.h"
#include "ViewFakes.h"
#include "base/CommandIds.h"
#include "base/CommandMap.h"
#include "tex/CMirevView.h"

namespace {

std::vector<std::string> calls;

class BaseTarget : public CommandTarget {
 public:
  explicit BaseTarget(std::string targetName) : name(std::move(targetName)) {}
  bool OnCmdMsg(int id, CommandUi* ui) override {
    if (!table) return DispatchCommand(*this, CommandTable(), id, ui);
    if (!ui) calls.push_back(name + " " + std::to_string(id));  // takes everything
    return true;
  }
  std::string name;
  bool locked = false;
  bool table = false;

 private:
  void Copy() { calls.push_back(name + " copy"); }
  void Paste() { calls.push_back(name + " paste"); }
  void Macro(int id) { calls.push_back(name + " macro " + std::to_string(id)); }
  void UpdatePaste(CommandUi& ui) { ui.enabled = !locked; }
  static std::span<const CommandEntry<BaseTarget>> CommandTable() {
    static const CommandEntry<BaseTarget> entries[] = {{10, &BaseTarget::Copy},
                                                       {11, &BaseTarget::Paste, &BaseTarget::UpdatePaste},
                                                       {100, 199, &BaseTarget::Macro}};
    return entries;
  }
};

class DerivedTarget : public BaseTarget {
 public:
  using BaseTarget::BaseTarget;
  bool OnCmdMsg(int id, CommandUi* ui) override {
    return DispatchCommand(*this, CommandTable(), id, ui) || BaseTarget::OnCmdMsg(id, ui);
  }
  bool marked = false;

 private:
  void OwnCopy() { calls.push_back(name + " own copy"); }
  void Mark() { calls.push_back(name + " mark"); }
  void UpdateMark(CommandUi& ui) { ui.checked = marked; }
  static std::span<const CommandEntry<DerivedTarget>> CommandTable() {
    static const CommandEntry<DerivedTarget> entries[] = {
        {10, &DerivedTarget::OwnCopy}, {20, &DerivedTarget::Mark, &DerivedTarget::UpdateMark}};
    return entries;
  }
};

// A derived table comes first; ranges pass their id; a query runs nothing; the first holder of a
// command in the chain gets it, and a holder that says it is disabled keeps it from the rest.
TEST(CommandMap, TablesAndTheChain) {
  calls.clear();
  BaseTarget view("view");
  DerivedTarget frame("frame");
  for (int id : {10, 11, 100, 199}) EXPECT_TRUE(frame.OnCmdMsg(id, nullptr)) << id;
  for (int id : {99, 200}) EXPECT_FALSE(frame.OnCmdMsg(id, nullptr)) << id;
  CommandTarget* chain[] = {nullptr, &view, &frame};
  view.locked = frame.marked = true;
  CommandUi paste, mark, none{31, true, true};
  EXPECT_TRUE(ExecuteCommand(chain, 11));
  EXPECT_TRUE(QueryCommand(chain, 11, paste) && QueryCommand(chain, 20, mark));
  EXPECT_FALSE(ExecuteCommand(chain, 31) || QueryCommand(chain, 31, none));
  EXPECT_TRUE(paste.id == 11 && !paste.enabled && !paste.checked);
  EXPECT_TRUE(mark.id == 20 && mark.enabled && mark.checked);
  EXPECT_TRUE(!none.enabled && !none.checked);
  view.locked = false;
  EXPECT_TRUE(ExecuteCommand(chain, 11) && ExecuteCommand(chain, 20) && ExecuteCommand(chain, 10));
  EXPECT_EQ(calls, (std::vector<std::string>{"frame own copy", "frame paste", "frame macro 100",
                                             "frame macro 199", "view paste", "frame mark", "view copy"}));
}

class TexViewTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(builder.faults, std::vector<std::string>{}); }
  bool LoadMacros(std::string_view file) {
    WriteFileBytes(scratch / "m.mac", file);
    return macros.LoadMacroFile(scratch / "m.mac", kMacroBaseId, kMacroEntryLimit);
  }
  CMirevView& Open(const std::vector<std::string>& lines) {
    rig = std::make_unique<ViewRig>(lines);
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
  BaseTarget document("document");
  document.table = true;
  CommandTarget* chain[] = {&view, nullptr, &document};
  // Every entry is the view's and enabled; the ids around the range are not the view's.
  for (int id = ID_MACRO_FIRST; id < ID_MACRO_FIRST + 3; ++id) {
    CommandUi ui{id, false, true};
    EXPECT_TRUE(view.OnCmdMsg(id, &ui) && ui.enabled && !ui.checked) << id;
  }
  CommandUi ui;
  for (int id : {ID_MACRO_FIRST + 3, ID_MACRO_FIRST - 1, ID_MACRO_LAST})
    EXPECT_FALSE(view.OnCmdMsg(id, &ui)) << id;
  EXPECT_TRUE(ExecuteCommand(chain, ID_MACRO_FIRST + 1));
  EXPECT_EQ(RenderView(view), "{\\bf ⁁*‸}x*\n");
  // F8 is the TeX view's; Copy is the editor view's.
  EXPECT_TRUE(ExecuteCommand(chain, ID_NEXT_ASTERISK) && ExecuteCommand(chain, ID_EDIT_COPY));
  EXPECT_EQ(RenderView(view), "{\\bf *}x⁁*‸\n");
  EXPECT_EQ(rig->host.clipboard, "*");
  EXPECT_TRUE(ExecuteCommand(chain, ID_MACRO_FIRST + 3) && ExecuteCommand(chain, ID_FILE_SAVE));
  EXPECT_EQ(calls, (std::vector<std::string>{"document 33003", "document 57603"}));
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

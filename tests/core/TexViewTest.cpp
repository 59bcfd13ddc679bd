// The TeX view's place in the command routing (the macro range before everything, then its own
// table, then the editor view's, then the objects behind the view) and the popup it asks for.
// Insertion and auto-indent are edit cases (tests/data/edit).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "EditSupport.h"
#include "FileFixtures.h"
#include "MacroFakes.h"
#include "ViewFakes.h"
#include "base/CommandIds.h"
#include "tex/CMirevView.h"

namespace {

// Stands for the document, the frames and the application: takes every command and notes it.
class CatchAll : public CommandTarget {
 public:
  CatchAll(std::string targetName, std::vector<std::string>& runLog)
      : name(std::move(targetName)), log(runLog) {}
  bool OnCmdMsg(int id, CommandUi* ui) override {
    if (!ui) log.push_back(name + " " + std::to_string(id));
    return true;
  }

 private:
  std::string name;
  std::vector<std::string>& log;
};

class ShiftHost : public FakeViewHost {
 public:
  bool IsShiftDown() const override { return shift; }
  bool shift = false;
};

class TexViewTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(builder.faults, std::vector<std::string>{}); }

  bool LoadMacros(std::string_view file) {
    WriteFileBytes(scratch / "m.mac", file);
    return macros.LoadMacroFile(scratch / "m.mac", kMacroBaseId, kMacroEntryLimit);
  }
  // A document of lines in a TeX view, the caret at the start.
  CMirevView& Open(const std::vector<std::string>& lines) {
    rig = std::make_unique<ViewRig>(lines);
    rig->view.reset();
    rig->view = std::make_unique<CMirevView>(rig->doc, rig->settings, host, macros);
    rig->view->OnInitialUpdate();
    rig->view->OnSetFocus();
    return static_cast<CMirevView&>(*rig->view);
  }

  ScratchDir scratch;
  RecordingMenuBuilder builder;
  CMacroMenu macros{builder};
  ShiftHost host;
  std::unique_ptr<ViewRig> rig;
};

TEST_F(TexViewTest, MacroRangeFirstThenTheTexViewThenTheEditorViewThenWhatStandsBehind) {
  ASSERT_TRUE(LoadMacros("+ Sections\nsection \\section{*}\n-\nbf {\\bf *}\nhline \\hline\n"));
  ASSERT_EQ(macros.EntryCount(), 3);
  CMirevView& view = Open({"x*"});
  std::vector<std::string> log;
  CatchAll document("document", log), frame("frame", log), mainFrame("main frame", log),
      application("application", log);
  CommandTarget* chain[] = {&view, nullptr, &document, &frame, &mainFrame, &application};

  // Asked about while the popup opens, every entry is the view's and enabled; the ids around
  // the range are not the view's.
  for (int id = ID_MACRO_FIRST; id < ID_MACRO_FIRST + 3; ++id) {
    CommandUi ui{id, false, true};
    EXPECT_TRUE(view.OnCmdMsg(id, &ui)) << id;
    EXPECT_TRUE(ui.enabled && !ui.checked && ui.id == id) << id;
  }
  CommandUi ui;
  EXPECT_FALSE(view.OnCmdMsg(ID_MACRO_FIRST + 3, &ui));
  EXPECT_FALSE(view.OnCmdMsg(ID_MACRO_FIRST - 1, &ui));
  EXPECT_FALSE(view.OnCmdMsg(ID_MACRO_LAST, &ui));

  EXPECT_TRUE(ExecuteCommand(chain, ID_MACRO_FIRST + 1));
  EXPECT_EQ(RenderView(view), "{\\bf ⁁*‸}x*\n");
  // F8 is the TeX view's, copying the editor view's: the asterisk after x goes to the clipboard.
  EXPECT_TRUE(ExecuteCommand(chain, ID_NEXT_ASTERISK));
  EXPECT_EQ(RenderView(view), "{\\bf *}x⁁*‸\n");
  EXPECT_TRUE(ExecuteCommand(chain, ID_EDIT_COPY));
  EXPECT_EQ(host.clipboard, "*");
  EXPECT_TRUE(log.empty());
  // What the views do not hold goes to the first object behind them.
  EXPECT_TRUE(ExecuteCommand(chain, ID_MACRO_FIRST + 3));
  EXPECT_TRUE(ExecuteCommand(chain, ID_FILE_SAVE));
  EXPECT_EQ(log, (std::vector<std::string>{"document 33003", "document 57603"}));

  // A reload renumbers: ids beyond the new file's entries belong to nobody in the view.
  ASSERT_TRUE(LoadMacros("hline \\hline\n"));
  EXPECT_TRUE(view.OnCmdMsg(ID_MACRO_FIRST, &ui));
  EXPECT_FALSE(view.OnCmdMsg(ID_MACRO_FIRST + 1, &ui));
  EXPECT_TRUE(ExecuteCommand(chain, ID_MACRO_FIRST));
  EXPECT_EQ(RenderView(view), "{\\bf *}x\\hline‸\n") << "the selected asterisk replaced";
  EXPECT_EQ(view.UndoList().size(), 3u);
}

TEST_F(TexViewTest, ContextPopupIsTheMacroMenusUnlessNoneIsLoadedOrShiftIsDown) {
  CMirevView& view = Open({""});
  EXPECT_EQ(view.ContextPopup(), nullptr) << "before any load";
  // A file without entries still gives the macro popup, empty.
  ASSERT_TRUE(LoadMacros(""));
  ASSERT_NE(macros.RootPopup(), nullptr);
  EXPECT_EQ(view.ContextPopup(), macros.RootPopup());
  host.shift = true;
  EXPECT_EQ(view.ContextPopup(), nullptr);
  host.shift = false;
  ASSERT_FALSE(macros.LoadMacroFile(scratch / "missing.mac", kMacroBaseId, kMacroEntryLimit));
  EXPECT_EQ(view.ContextPopup(), nullptr);
  // Without a macro menu the range is empty: nothing is taken, nothing inserted.
  CommandUi ui;
  EXPECT_FALSE(view.OnCmdMsg(ID_MACRO_FIRST, &ui));
  EXPECT_FALSE(view.OnCommand(ID_MACRO_FIRST));
  EXPECT_TRUE(view.UndoList().empty());
}

}  // namespace

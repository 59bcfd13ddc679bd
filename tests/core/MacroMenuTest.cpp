// The macro reader (its data cases at the end) and the TeX view's use of it: where commands go
// and the popup it asks for. Insertion and auto-indent are edit cases.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "FileFixtures.h"
#include "MacroFakes.h"
#include "ViewFakes.h"
#include "base/CommandIds.h"
#include "tex/CMirevView.h"

namespace {

std::string Repeat(std::string_view text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

std::string Indent(int depth) { return std::string(2 * static_cast<std::size_t>(depth), ' '); }

class MacroMenuTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(builder.faults, std::vector<std::string>{}); }
  std::string Load(std::string_view bytes, int limit = kMacroEntryLimit) {
    WriteFileBytes(scratch / "m.mac", bytes);
    menu.LoadMacroFile(scratch / "m.mac", kMacroBaseId, limit);
    return builder.Render(menu.RootPopup(), menu);
  }
  ScratchDir scratch;
  RecordingMenuBuilder builder;
  CMacroMenu menu{builder};
};

TEST_F(MacroMenuTest, NestingPopupsAndEntriesAreBoundedWithoutRecursion) {
  // Levels past the bound merge into the deepest, and their "-" lines close nothing. A million
  // of them: the stack would not hold a recursion per level.
  const int levels = 1000000;
  std::string deepest;
  for (int depth = 0; depth < kMacroMaxDepth; ++depth) deepest += Indent(depth) + "+ \"\"\n";
  EXPECT_EQ(Load(Repeat("+\n", levels) + "x 1\n" + Repeat("-\n", levels - kMacroMaxDepth) + "y 2\n-\nz 3\n"),
            deepest + Indent(kMacroMaxDepth) + "33000 \"x\" => \"1\"\n" + Indent(kMacroMaxDepth) +
                "33001 \"y\" => \"2\"\n" + Indent(kMacroMaxDepth - 1) + "33002 \"z\" => \"3\"\n");
  // So do sibling sub-popups past the limit, into their parent.
  EXPECT_TRUE(
      Load(Repeat("+ s\ni 1\n-\n", kMacroPopupLimit) + "+ over\nx 1\n-\nlast 2\n", 2 * kMacroPopupLimit)
          .ends_with("+ \"s\"\n  37999 \"i\" => \"1\"\n38000 \"x\" => \"1\"\n38001 \"last\" => \"2\"\n"));
  // Reading stops at the entry limit, and every popup still open ends there; with a limit of
  // none nothing is read, not even a sub-popup.
  const std::string file = "+ A\na 1\n+ B\nb 2\nc 3\nd 4\n-\ne 5\n-\nf 6\n";
  EXPECT_EQ(
      Load(file, 3),
      "+ \"A\"\n  33000 \"a\" => \"1\"\n  + \"B\"\n    33001 \"b\" => \"2\"\n    33002 \"c\" => \"3\"\n");
  EXPECT_EQ(Load(file, 0), "");
  EXPECT_NE(menu.RootPopup(), nullptr);
}

TEST_F(MacroMenuTest, WhatIsNotAMacroFileIsRefusedAtOnce) {
  ASSERT_EQ(::mkfifo((scratch / "fifo").c_str(), 0600), 0);
  WriteFileBytes(scratch / "big.mac", "a 1\n");
  ASSERT_EQ(::truncate((scratch / "big.mac").c_str(), static_cast<off_t>(kMacroFileLimit)), 0);
  const std::pair<std::string, FileErrorCause> cases[] = {
      {scratch.Path(), FileErrorCause::AccessDenied},
      {scratch / "fifo", FileErrorCause::AccessDenied},
      {scratch / "big.mac", FileErrorCause::TooLarge},
      {scratch / "none.mac", FileErrorCause::FileNotFound}};
  for (const auto& [path, cause] : cases) {
    Load("+ P\na 1\n");
    EXPECT_FALSE(menu.LoadMacroFile(path, kMacroBaseId, kMacroEntryLimit)) << path << " did not hang";
    EXPECT_EQ(menu.LastLoad().error.cause, cause) << path;
    EXPECT_TRUE(menu.RootPopup() == nullptr && menu.EntryCount() == 0 && builder.LivePopups() == 0) << path;
  }
}

TEST_F(MacroMenuTest, TheTexViewTakesTheMacroRangeAndAsksForTheMacroPopup) {
  ViewRig rig({"x*"});
  rig.view.reset();  // the TeX view takes the editor view's place on the same window
  rig.view = std::make_unique<CMirevView>(rig.doc, rig.settings, rig.host, menu);
  auto& view = static_cast<CMirevView&>(*rig.view);
  view.OnInitialUpdate();
  view.OnSetFocus();
  Load("+ Sections\nsection \\section{*}\n-\nbf {\\bf *}\nhline \\hline\n");
  EXPECT_TRUE(view.ContextPopup() == menu.RootPopup() && menu.RootPopup());
  rig.host.shiftDown = true;
  EXPECT_EQ(view.ContextPopup(), nullptr) << "with Shift down";
  rig.host.shiftDown = false;
  for (int id = ID_MACRO_FIRST; id < ID_MACRO_FIRST + 3; ++id) {
    CommandUi ui{0, false, true};
    EXPECT_TRUE(view.OnCmdMsg(id, &ui) && ui.id == id && ui.enabled && !ui.checked) << id;
  }
  CommandUi ui;
  for (int id : {ID_MACRO_FIRST + 3, ID_MACRO_FIRST - 1, ID_MACRO_LAST, ID_FILE_SAVE})
    EXPECT_FALSE(view.OnCmdMsg(id, &ui)) << id;
  EXPECT_TRUE(view.OnCommand(ID_MACRO_FIRST + 1));
  EXPECT_EQ(RenderView(view), "{\\bf ⁁*‸}x*\n");
  // A reload renumbers: ids beyond the new file's entries belong to nobody in the view.
  Load("hline \\hline\n");
  EXPECT_FALSE(view.OnCmdMsg(ID_MACRO_FIRST + 1, &ui));
  EXPECT_TRUE(view.OnCommand(ID_MACRO_FIRST));
  EXPECT_EQ(RenderView(view), "{\\bf \\hline‸}x*\n");
}

// Each tests/data/macro/NAME.menu holds the menu drawn from NAME.mac by
// RecordingMenuBuilder::Render ("#" starts a comment line), whether the file is read whole, a
// byte or seven bytes at a time.
class MacroCases : public MacroMenuTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(MacroCases, Load) {
  std::string expected;
  std::ifstream in(std::string(MIREV_TEST_DATA "/macro/") + GetParam() + ".menu", std::ios::binary);
  for (std::string line; std::getline(in, line);)
    if (!line.starts_with("#")) expected += line + "\n";
  const std::string bytes = FileBytes(std::string(MIREV_TEST_DATA "/macro/") + GetParam() + ".mac").value();
  for (const std::size_t piece : {0u, 1u, 7u}) {
    SteeredReads reads(piece, 0);
    EXPECT_EQ(Load(bytes), expected) << "read " << piece << " bytes at a time";
    EXPECT_TRUE(menu.LastLoad().error.Ok());
  }
}

INSTANTIATE_TEST_SUITE_P(Files, MacroCases, ::testing::Values("entries", "popups"),
                         [](const auto& param) { return param.param; });

}  // namespace

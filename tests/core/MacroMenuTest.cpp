// The macro reader: the data cases (at the end), and what data files cannot show.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "FileFixtures.h"
#include "MacroFakes.h"
#include "base/Cp932.h"
#include "tex/CMacroMenu.h"

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
  Load(Repeat("+ s\n-\n", kMacroPopupLimit) + "+ over\nx 1\n-\nlast 2\n");
  const auto& rootItems = builder.popups[builder.popups.size() - kMacroPopupLimit - 1].items;
  ASSERT_EQ(rootItems.size(), kMacroPopupLimit + 2u);
  EXPECT_EQ(rootItems[kMacroPopupLimit].id, 33000u);
  EXPECT_EQ(rootItems.back().label, "last");
  // Reading stops at the entry limit, and every popup still open ends there; with a limit of
  // none nothing is read, not even a sub-popup.
  const std::string file = "+ A\na 1\n+ B\nb 2\nc 3\nd 4\n-\ne 5\n-\nf 6\n";
  EXPECT_EQ(
      Load(file, 3),
      "+ \"A\"\n  33000 \"a\" => \"1\"\n  + \"B\"\n    33001 \"b\" => \"2\"\n    33002 \"c\" => \"3\"\n");
  EXPECT_EQ(Load(file, 0), "");
  EXPECT_NE(menu.RootPopup(), nullptr);
}

// A failed read keeps the lines before it, not the one it tore, and says why. The first line
// is longer than a read buffer.
TEST_F(MacroMenuTest, AReadFailingPartWayKeepsTheCompleteLines) {
  const std::string longText = Repeat("\\x{*}", 30000);
  const std::string file = "+ A\r\na " + longText + "\r\nb " + longText + "\r\nc\r\n";
  SteeredReads reads(0, file.find("b ") + 5);
  EXPECT_EQ(Load(file), "+ \"A\"\n  33000 \"a\" => \"" + longText + "\"\n");
  EXPECT_TRUE(menu.LastLoad().loaded);
  EXPECT_EQ(menu.LastLoad().error.cause, FileErrorCause::HardIO);
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
    Load("a 1\n");
    EXPECT_FALSE(menu.LoadMacroFile(path, kMacroBaseId, kMacroEntryLimit)) << path << " did not hang";
    EXPECT_EQ(menu.LastLoad().error.cause, cause) << path;
    EXPECT_EQ(menu.RootPopup(), nullptr);
    EXPECT_EQ(menu.EntryCount(), 0);
    EXPECT_EQ(builder.LivePopups(), 0);
  }
}

// The sample file shipped with the program: read to its end, every entry labelled, in code page
// 932; no starred name that would take the first asterisk from the places to type.
TEST(MacroSample, LoadsWholeWithEveryEntryLabelled) {
  RecordingMenuBuilder builder;
  CMacroMenu menu(builder);
  const MacroLoadResult& load = menu.ReloadMacroMenu(std::string(MIREV_TEST_DATA) + "/../../plind.mac");
  ASSERT_TRUE(load.loaded && load.error.Ok());
  ASSERT_GT(menu.EntryCount(), 100);
  EXPECT_EQ(menu.Entries().back().text, "\\quad") << "the file was read to its last line";
  for (const MacroEntry& entry : menu.Entries()) {
    const std::string text = entry.text.ToStdString();
    EXPECT_FALSE(entry.label.IsEmpty() || text.empty()) << text;
    for (const ByteString* bytes : {&entry.label, &entry.text})
      EXPECT_EQ(cp932::DecodeToUtf16(bytes->View()).find(u'\uFFFD'), std::u16string::npos) << bytes->View();
    EXPECT_EQ(text.find("*{"), std::string::npos) << text;
  }
}

// Each tests/data/macro/NAME.menu holds the menu drawn from NAME.mac by
// RecordingMenuBuilder::Render; lines starting with "#" are comments. Each file is read whole,
// a byte and seven bytes at a time, over the menu of an earlier file.
namespace fs = std::filesystem;

std::vector<fs::path> CaseFiles() {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(fs::path(MIREV_TEST_DATA) / "macro"))
    if (entry.path().extension() == ".menu") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

class MacroCases : public ::testing::TestWithParam<fs::path> {};

TEST_P(MacroCases, Load) {
  std::string expected;
  std::ifstream in(GetParam(), std::ios::binary);
  for (std::string line; std::getline(in, line);)
    if (!line.starts_with("#")) expected += line + "\n";
  const std::string macFile = fs::path(GetParam()).replace_extension(".mac").string();
  ScratchDir scratch;
  WriteFileBytes(scratch / "earlier.mac", "+ Old\nold \\old\n+ Older\nolder \\older\n");
  RecordingMenuBuilder builder;
  {
    CMacroMenu menu(builder);
    ASSERT_TRUE(menu.LoadMacroFile(scratch / "earlier.mac", kMacroBaseId, kMacroEntryLimit));
    ASSERT_EQ(builder.popups.size(), 3u);
    EXPECT_TRUE(menu.LoadMacroFile(macFile, kMacroBaseId, kMacroEntryLimit));
    EXPECT_TRUE(menu.LastLoad().error.Ok()) << menu.LastLoad().error.detail;
    EXPECT_EQ(builder.LivePopups(), static_cast<int>(builder.popups.size()) - 3)
        << "the earlier popups live on";
    EXPECT_EQ(builder.Render(menu.RootPopup(), menu), expected);
    // Every sub-popup made is in the tree, and ids stop where the entries do.
    for (std::size_t p = 4; p < builder.popups.size(); ++p) EXPECT_TRUE(builder.popups[p].appended) << p;
    const auto end = kMacroBaseId + static_cast<std::uint32_t>(menu.EntryCount());
    EXPECT_TRUE(menu.IsMacroId(end - 1));
    EXPECT_FALSE(menu.IsMacroId(end) || menu.IsMacroId(kMacroBaseId - 1) ||
                 !menu.GetMacroText(end).IsEmpty());

    for (const std::size_t piece : {1u, 7u}) {
      SteeredReads reads(piece, 0);
      EXPECT_TRUE(menu.LoadMacroFile(macFile, kMacroBaseId, kMacroEntryLimit));
      EXPECT_EQ(builder.Render(menu.RootPopup(), menu), expected) << "read " << piece << " bytes at a time";
    }
  }
  EXPECT_EQ(builder.LivePopups(), 0) << "the menu's destructor leaves popups behind";
  EXPECT_EQ(builder.faults, std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Files, MacroCases, ::testing::ValuesIn(CaseFiles()), [](const auto& param) {
  std::string name = param.param.stem().string();
  std::replace(name.begin(), name.end(), '-', '_');
  return name;
});

}  // namespace

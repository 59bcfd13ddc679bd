// The macro reader: the data cases (at the end), and what data files cannot show: nesting far
// past the depth bound, a read failing part way, files that are not macro files, relative
// names, and the sample file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
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

class MacroMenuTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(builder.faults, std::vector<std::string>{}); }
  std::string Load(std::string_view bytes) {
    WriteFileBytes(scratch / "m.mac", bytes);
    menu.LoadMacroFile(scratch / "m.mac", kMacroBaseId, kMacroEntryLimit);
    return builder.Render(menu.RootPopup(), menu);
  }
  ScratchDir scratch;
  RecordingMenuBuilder builder;
  CMacroMenu menu{builder};
};

TEST_F(MacroMenuTest, NestingAndPopupCountsAreBoundedWithoutRecursion) {
  // A million "+" lines: the stack would not hold a recursion per level.
  std::string deepest;
  for (int depth = 0; depth < kMacroMaxDepth; ++depth)
    deepest += std::string(2u * static_cast<unsigned>(depth), ' ') + "+ \"\"\n";
  EXPECT_EQ(Load(Repeat("+\n", 1000000) + "x 1\n"),
            deepest + std::string(2 * kMacroMaxDepth, ' ') + "33000 \"x\" => \"1\"\n");
  // Sibling sub-popups past the limit merge into their parent, and their "-" close nothing.
  Load(Repeat("+ s\n-\n", kMacroPopupLimit) + "+ over\nx 1\n-\nlast 2\n");
  const auto& rootItems = builder.popups[builder.popups.size() - kMacroPopupLimit - 1].items;
  ASSERT_EQ(rootItems.size(), kMacroPopupLimit + 2u);
  EXPECT_EQ(rootItems[kMacroPopupLimit].id, 33000u);
  EXPECT_EQ(rootItems.back().label, "last");
}

// A failed read keeps the lines before it, not the one it tore (longer than a read buffer),
// and says why.
TEST_F(MacroMenuTest, AReadFailingPartWayKeepsTheCompleteLines) {
  const std::string longText = Repeat("\\x{*}", 30000);
  const std::string file = "+ A\r\na " + longText + "\r\nb " + longText + "\r\nc\r\n";
  SteeredReads reads(0, file.find("b "));
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
  // A relative name is taken from the current folder at each load.
  const auto before = std::filesystem::current_path();
  std::string labels;
  for (const char* folder : {"one", "two"}) {
    std::filesystem::create_directory(scratch / folder);
    WriteFileBytes(scratch / folder + "/plind.mac", folder + std::string(" 1\n"));
    std::filesystem::current_path(scratch / folder);
    if (menu.ReloadMacroMenu("plind.mac").loaded) labels += menu.Entries().at(0).label.ToStdString();
  }
  std::filesystem::current_path(before);
  EXPECT_EQ(labels, "onetwo");
}

// The sample file shipped with the program: read to its end, every entry labelled, in code page
// 932, reachable; no starred name that would take the first asterisk from the places to type.
TEST(MacroSample, LoadsWholeWithEveryEntryLabelledAndReachable) {
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
    for (std::size_t j = text.find('*'); j != std::string::npos; j = text.find('*', j + 1))
      EXPECT_FALSE(j > 0 && std::isalpha(static_cast<unsigned char>(text[j - 1])) && j + 1 < text.size() &&
                   (text[j + 1] == '{' || text[j + 1] == '}'))
          << text;
  }
  for (std::size_t p = 1; p < builder.popups.size(); ++p) EXPECT_TRUE(builder.popups[p].appended) << p;
}

// Macro files as data: each tests/data/macro/NAME.menu holds the menu expected from NAME.mac
// (none for a file that is not there), drawn as RecordingMenuBuilder::Render draws it, after
// the header lines "loaded yes|no" and, optionally, "limit N" (the entry limit, 5000 when not
// given). Lines starting with "#" are comments. Each file is also read a byte and seven bytes
// at a time.
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
  int limit = kMacroEntryLimit;
  bool loaded = false;
  std::string expected;
  std::ifstream in(GetParam(), std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with("limit "))
      limit = std::stoi(line.substr(6));
    else if (line.starts_with("loaded "))
      loaded = line == "loaded yes";
    else if (!line.starts_with("#"))
      expected += line + "\n";
  }
  const std::string macFile = fs::path(GetParam()).replace_extension(".mac").string();
  ScratchDir scratch;
  // A menu of another file first, so that each case also shows that a load replaces everything
  // of the one before.
  WriteFileBytes(scratch / "earlier.mac", "+ Old\nold \\old\n+ Older\nolder \\older\n");
  RecordingMenuBuilder builder;
  {
    CMacroMenu menu(builder);
    ASSERT_TRUE(menu.LoadMacroFile(scratch / "earlier.mac", kMacroBaseId, kMacroEntryLimit));
    ASSERT_EQ(builder.popups.size(), 3u);
    EXPECT_EQ(menu.LoadMacroFile(macFile, kMacroBaseId, limit), loaded);
    EXPECT_EQ(menu.LastLoad().error.Ok(), loaded) << menu.LastLoad().error.detail;
    EXPECT_EQ(builder.destroyOrder, (std::vector<int>{2, 1, 0})) << "the earlier popups, the newest first";
    EXPECT_EQ(builder.Render(menu.RootPopup(), menu), expected);

    // Every sub-popup made is in the tree, and ids stop where the entries do. (The fuzzer,
    // seeded with these files, checks that entries and command items match one to one.)
    for (std::size_t p = 4; p < builder.popups.size(); ++p)
      EXPECT_TRUE(builder.popups[p].appended) << "popup " << p << " was left out";
    const auto end = kMacroBaseId + static_cast<std::uint32_t>(menu.EntryCount());
    EXPECT_TRUE(menu.EntryCount() == 0 || menu.IsMacroId(end - 1));
    EXPECT_FALSE(menu.IsMacroId(end) || menu.IsMacroId(kMacroBaseId - 1) ||
                 !menu.GetMacroText(end).IsEmpty());

    for (const std::size_t piece : {1u, 7u}) {
      SteeredReads reads(piece, 0);
      EXPECT_EQ(menu.LoadMacroFile(macFile, kMacroBaseId, limit), loaded);
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

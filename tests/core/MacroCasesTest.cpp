// Macro files as data: each tests/data/macro/NAME.menu holds the menu expected from NAME.mac
// (none for a file that is not there), drawn as RecordingMenuBuilder::Render draws it, after
// the header lines "loaded yes|no" and, optionally, "limit N" (the entry limit, 5000 when not
// given). Lines starting with "#" are comments.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "FileFixtures.h"
#include "MacroFakes.h"
#include "tex/CMacroMenu.h"

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> CaseFiles() {
  std::vector<fs::path> files;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(fs::path(MIREV_TEST_DATA) / "macro", ec))
    if (entry.path().extension() == ".menu") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

struct Expected {
  int limit = kMacroEntryLimit;
  bool loaded = false;
  std::string tree;
};

Expected ReadExpected(const fs::path& file) {
  Expected expected;
  std::ifstream in(file, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    if (line.rfind("limit ", 0) == 0) {
      expected.limit = std::stoi(line.substr(6));
    } else if (line.rfind("loaded ", 0) == 0) {
      expected.loaded = line.substr(7) == "yes";
    } else {
      expected.tree += line + "\n";
    }
  }
  return expected;
}

// A menu of another file, loaded first, so that each case also shows that a load replaces
// everything of the one before.
constexpr std::string_view kEarlierMenu = "+ Old\nold \\old\n+ Older\nolder \\older\n";

class MacroCases : public ::testing::TestWithParam<fs::path> {};

TEST_P(MacroCases, Load) {
  const fs::path menuFile = GetParam();
  const Expected expected = ReadExpected(menuFile);
  const std::string macFile = fs::path(menuFile).replace_extension(".mac").string();
  ScratchDir scratch;
  WriteFileBytes(scratch / "earlier.mac", kEarlierMenu);

  RecordingMenuBuilder builder;
  {
    CMacroMenu menu(builder);
    ASSERT_TRUE(menu.LoadMacroFile(scratch / "earlier.mac", kMacroBaseId, kMacroEntryLimit));
    const std::size_t earlierPopups = builder.popups.size();
    ASSERT_EQ(earlierPopups, 3u);

    EXPECT_EQ(menu.LoadMacroFile(macFile, kMacroBaseId, expected.limit), expected.loaded);
    EXPECT_EQ(menu.LastLoad().error.Ok(), expected.loaded) << menu.LastLoad().error.detail;
    EXPECT_EQ(builder.destroyOrder, (std::vector<int>{2, 1, 0})) << "the earlier popups, the newest first";
    EXPECT_EQ(menu.RootPopup() != nullptr, expected.loaded);

    const std::string tree = builder.Render(menu.RootPopup(), menu);
    EXPECT_EQ(tree, expected.tree);

    // Ids run without gaps from the base, each on one command item.
    std::size_t commands = 0;
    for (std::size_t p = earlierPopups; p < builder.popups.size(); ++p)
      for (const auto& item : builder.popups[p].items) commands += item.child < 0 ? 1u : 0u;
    EXPECT_EQ(commands, menu.Entries().size());
    ASSERT_EQ(menu.EntryCount(), static_cast<int>(menu.Entries().size()));
    for (std::size_t i = 0; i < menu.Entries().size(); ++i) EXPECT_EQ(menu.Entries()[i].id, kMacroBaseId + i);
    const auto end = kMacroBaseId + static_cast<std::uint32_t>(menu.EntryCount());
    EXPECT_TRUE(menu.EntryCount() == 0 || menu.IsMacroId(end - 1));
    EXPECT_FALSE(menu.IsMacroId(end));
    EXPECT_FALSE(menu.IsMacroId(kMacroBaseId - 1));
    EXPECT_TRUE(menu.GetMacroText(end).IsEmpty());

    // Every sub-popup made is in the tree, and a second load of the same file is the same.
    for (std::size_t p = earlierPopups + 1; p < builder.popups.size(); ++p)
      EXPECT_TRUE(builder.popups[p].appended) << "popup " << p << " was left out";
    EXPECT_EQ(menu.LoadMacroFile(macFile, kMacroBaseId, expected.limit), expected.loaded);
    EXPECT_EQ(builder.Render(menu.RootPopup(), menu), tree);
  }
  EXPECT_EQ(builder.LivePopups(), 0) << "the menu's destructor leaves popups behind";
  EXPECT_EQ(builder.faults, std::vector<std::string>{});
}

std::string CaseName(const ::testing::TestParamInfo<fs::path>& info) {
  std::string name = info.param.stem().string();
  std::replace_if(
      name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
  return name;
}

INSTANTIATE_TEST_SUITE_P(Files, MacroCases, ::testing::ValuesIn(CaseFiles()), CaseName);

}  // namespace

// Macro files as data: each tests/data/macro/NAME.menu holds the menu expected from NAME.mac
// (none for a file that is not there), drawn as RecordingMenuBuilder::Render draws it, after
// the header lines "loaded yes|no" and, optionally, "limit N" (the entry limit, 5000 when not
// given). Lines starting with "#" are comments. Each file is also read a byte and seven bytes
// at a time.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "FileFixtures.h"
#include "MacroFakes.h"
#include "tex/CMacroMenu.h"

namespace {

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

    // Ids run without gaps from the base, each on one command item; every sub-popup made is in
    // the tree.
    std::size_t commands = 0;
    for (std::size_t p = 3; p < builder.popups.size(); ++p) {
      EXPECT_TRUE(p == 3 || builder.popups[p].appended) << "popup " << p << " was left out";
      for (const auto& item : builder.popups[p].items) commands += item.child < 0 ? 1u : 0u;
    }
    ASSERT_EQ(menu.EntryCount(), static_cast<int>(commands));
    for (std::size_t i = 0; i < menu.Entries().size(); ++i) EXPECT_EQ(menu.Entries()[i].id, kMacroBaseId + i);
    const auto end = kMacroBaseId + static_cast<std::uint32_t>(menu.EntryCount());
    EXPECT_TRUE(menu.EntryCount() == 0 || menu.IsMacroId(end - 1));
    EXPECT_FALSE(menu.IsMacroId(end) || menu.IsMacroId(kMacroBaseId - 1));
    EXPECT_TRUE(menu.GetMacroText(end).IsEmpty());

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

// The macro reader where data files cannot show it: the entry limit, nesting far past the
// depth bound, short and failing reads, files that are not macro files, relative names, and
// the sample file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <string>

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
  std::string Load(std::string_view bytes, int limit = kMacroEntryLimit) {
    WriteFileBytes(scratch / "m.mac", bytes);
    menu.LoadMacroFile(scratch / "m.mac", kMacroBaseId, limit);
    return builder.Render(menu.RootPopup(), menu);
  }

  // Forgets what the builder recorded once the menu holds nothing of it.
  void Reset() {
    menu.ClearMacroMenu();
    EXPECT_EQ(builder.faults, std::vector<std::string>{});
    builder = RecordingMenuBuilder();
  }
  static std::string Indent(int depth) { return std::string(2 * static_cast<std::size_t>(depth), ' '); }

  ScratchDir scratch;
  RecordingMenuBuilder builder;
  CMacroMenu menu{builder};
};

TEST_F(MacroMenuTest, StopsAtTheEntryLimitWhereverTheLimitFalls) {
  std::string file = "+ First ten\n";
  for (int i = 0; i <= kMacroEntryLimit; ++i) {
    file += "e" + std::to_string(i) + " \\item{" + std::to_string(i) + "}\n";
    if (i == 9) file += "-\n";
  }
  WriteFileBytes(scratch / "m.mac", file);
  EXPECT_TRUE(menu.ReloadMacroMenu(scratch / "m.mac").loaded);
  ASSERT_EQ(menu.EntryCount(), 5000);
  EXPECT_EQ(menu.Entries().front().id, 33000u);
  EXPECT_EQ(menu.Entries().back().id, 37999u);
  EXPECT_EQ(menu.GetMacroText(37999), "\\item{4999}");
  EXPECT_TRUE(menu.GetMacroText(38000).IsEmpty());
  EXPECT_EQ(builder.popups[1].items.size(), 10u);
  EXPECT_EQ(builder.popups[0].items.size(), 1u + 4990u);

  // A limit reached inside a sub-popup still hands it to its parent.
  EXPECT_EQ(Load("a 1\n+ P\nb 2\nc 3\n", 2), "33000 \"a\" => \"1\"\n+ \"P\"\n  33001 \"b\" => \"2\"\n");
  EXPECT_EQ(Load("a 1\n+ P\n", 0), "");
  EXPECT_EQ(menu.EntryCount(), 0);
}

TEST_F(MacroMenuTest, NestingAndPopupCountsAreBoundedWithoutRecursion) {
  // A million "+" lines: the stack would not hold a recursion per level.
  std::string deepest;
  for (int depth = 0; depth < kMacroMaxDepth; ++depth) deepest += Indent(depth) + "+ \"\"\n";
  deepest += Indent(kMacroMaxDepth) + "33000 \"x\" => \"1\"\n";
  EXPECT_EQ(Load(Repeat("+\n", 1000000) + "x 1\n"), deepest);
  EXPECT_EQ(builder.popups.size(), 1u + kMacroMaxDepth);

  // Sibling sub-popups past the limit merge into their parent, and their "-" close nothing.
  Reset();
  Load(Repeat("+ s\n-\n", kMacroPopupLimit) + "+ over\nx 1\n-\nlast 2\n");
  ASSERT_EQ(builder.popups.size(), 1u + kMacroPopupLimit);
  const auto& rootItems = builder.popups[0].items;
  ASSERT_EQ(rootItems.size(), kMacroPopupLimit + 2u);
  EXPECT_GE(rootItems[kMacroPopupLimit - 1].child, 0);
  EXPECT_EQ(rootItems[kMacroPopupLimit].id, 33000u);
  EXPECT_EQ(rootItems.back().label, "last");
}

TEST_F(MacroMenuTest, ReadsInPiecesOrFailingPartWay) {
  const std::string longText = Repeat("\\x{*}", 30000);  // longer than one read buffer
  const std::string file = "+ A\r\na " + longText + "\r\nb %n\r\nc\rd e\r\n-\r\nf " + longText;
  const std::string whole = Load(file);
  ASSERT_EQ(menu.EntryCount(), 4);
  EXPECT_EQ(menu.GetMacroText(33003), longText);
  for (const std::size_t piece : {1u, 2u, 7u}) {
    SteeredReads reads(piece, 0);
    EXPECT_EQ(Load(file), whole) << "reads of " << piece;
  }

  // A failed read keeps the lines before it, not the one it tore, and says why.
  {
    SteeredReads reads(0, file.find("%n"));
    EXPECT_EQ(Load(file), "+ \"A\"\n  33000 \"a\" => \"" + longText + "\"\n");
  }
  EXPECT_TRUE(menu.LastLoad().loaded);
  EXPECT_EQ(menu.LastLoad().error.cause, FileErrorCause::HardIO);
}

TEST_F(MacroMenuTest, WhatIsNotAMacroFileIsRefusedAtOnce) {
  EXPECT_FALSE(menu.LoadMacroFile(scratch.Path(), kMacroBaseId, kMacroEntryLimit));
  EXPECT_EQ(menu.LastLoad().error.cause, FileErrorCause::AccessDenied);

  ASSERT_EQ(::mkfifo((scratch / "fifo").c_str(), 0600), 0);
  EXPECT_FALSE(menu.LoadMacroFile(scratch / "fifo", kMacroBaseId, kMacroEntryLimit)) << "and it did not hang";

  WriteFileBytes(scratch / "big.mac", "a 1\n");
  ASSERT_EQ(::truncate((scratch / "big.mac").c_str(), static_cast<off_t>(kMacroFileLimit)), 0);
  EXPECT_FALSE(menu.LoadMacroFile(scratch / "big.mac", kMacroBaseId, kMacroEntryLimit));
  EXPECT_EQ(menu.LastLoad().error.cause, FileErrorCause::TooLarge);
  EXPECT_EQ(menu.RootPopup(), nullptr);
  EXPECT_EQ(menu.EntryCount(), 0);

  EXPECT_FALSE(menu.LoadMacroFile(scratch / "none.mac", kMacroBaseId, kMacroEntryLimit));
  EXPECT_EQ(menu.LastLoad().error.cause, FileErrorCause::FileNotFound);
  EXPECT_EQ(builder.LivePopups(), 0);
}

TEST_F(MacroMenuTest, ARelativeNameIsTakenFromTheCurrentFolderAtEachLoad) {
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

}  // namespace

namespace {

// The sample file shipped with the program: sound structure, readable labels, and the
// commands a Japanese LaTeX writer reaches for.
TEST(MacroSample, LoadsWholeWithEveryEntryLabelledAndReachable) {
  RecordingMenuBuilder builder;
  CMacroMenu menu(builder);
  const MacroLoadResult& load = menu.ReloadMacroMenu(std::string(MIREV_TEST_DATA) + "/../../plind.mac");
  ASSERT_TRUE(load.loaded);
  EXPECT_TRUE(load.error.Ok());
  ASSERT_GT(menu.EntryCount(), 100);
  EXPECT_EQ(menu.Entries().back().text, "\\quad") << "the file was read to its last line";

  std::string allTexts;
  for (std::size_t i = 0; i < menu.Entries().size(); ++i) {
    const MacroEntry& entry = menu.Entries()[i];
    EXPECT_EQ(entry.id, kMacroBaseId + i);
    EXPECT_FALSE(entry.label.IsEmpty()) << entry.text.View();
    EXPECT_FALSE(entry.text.IsEmpty()) << entry.label.View();
    for (const ByteString* bytes : {&entry.label, &entry.text})
      EXPECT_EQ(cp932::DecodeToUtf16(bytes->View()).find(u'\uFFFD'), std::u16string::npos) << bytes->View();
    // A starred command or environment would take the first asterisk from the places to type.
    const std::string text = entry.text.ToStdString();
    for (std::size_t j = text.find('*'); j != std::string::npos; j = text.find('*', j + 1))
      EXPECT_FALSE(j > 0 && std::isalpha(static_cast<unsigned char>(text[j - 1])) && j + 1 < text.size() &&
                   (text[j + 1] == '{' || text[j + 1] == '}'))
          << text;
    allTexts += text + "\n";
  }
  std::size_t commands = 0;
  for (std::size_t p = 0; p < builder.popups.size(); ++p) {
    EXPECT_FALSE(builder.popups[p].items.empty()) << "popup " << p;
    EXPECT_TRUE(p == 0 || builder.popups[p].appended) << "popup " << p;
    for (const auto& item : builder.popups[p].items) {
      if (item.child < 0) {
        ++commands;
      } else {
        EXPECT_FALSE(item.label.empty());
      }
    }
  }
  EXPECT_EQ(commands, menu.Entries().size());

  for (const char* wanted : {"{jarticle}",        "{jsarticle}",   "\\chapter{",
                             "\\section{",        "\\subsection{", "\\subsubsection{",
                             "\\paragraph{",      "{itemize}",     "{enumerate}",
                             "{description}",     "{figure}",      "{table}",
                             "{tabular}",         "{equation}",    "{align}",
                             "{verbatim}",        "{quote}",       "{minipage}",
                             "{thebibliography}", "\\textbf{",     "\\large",
                             "\\label{",          "\\ref{",        "\\frac{",
                             "\\sqrt{",           "\\sum",         "\\int",
                             "{pmatrix}",         "\\ruby{",       "\\kintou{",
                             "\\rensuji{"})
    EXPECT_NE(allTexts.find(wanted), std::string::npos) << wanted;
}

}  // namespace

// The log reader on recorded runs of pLaTeX, upLaTeX and latexmk over our own documents
// (tests/data/typeset, made by record.sh there): NAME.entries lists the entries that both
// NAME.stdout (the terminal output) and NAME.log must give, one a line: kind, file, line and
// message, separated by tabs ('#' starts a comment). Each recording is fed in chunks
// of varying size, through the line splitter, with the caller's file test and without.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tex/TypesetLog.h"
#include "tex/TypesetOutput.h"

namespace {

using typeset::EntryKind;
using typeset::TypesetLogReader;
using Lines = std::vector<std::string>;

const std::filesystem::path kData = std::filesystem::path(MIREV_TEST_DATA) / "typeset";

std::string ReadBytes(const std::filesystem::path& path) {
  std::ostringstream bytes;
  bytes << std::ifstream(path, std::ios::binary).rdbuf();
  return bytes.str();
}

Lines Format(const std::vector<typeset::LogEntry>& entries) {
  Lines lines;
  for (const typeset::LogEntry& e : entries)
    lines.push_back(std::string(e.kind == EntryKind::Error     ? "error\t"
                                : e.kind == EntryKind::Warning ? "warning\t"
                                                               : "badbox\t") +
                    e.file + "\t" + std::to_string(e.line) + "\t" + e.message);
  return lines;
}

// The documents' folder is where the engine ran; the names it opened outside it are the
// system's own files, and the .aux files it wrote are not kept.
bool IsRecordedFile(const std::string& name) {
  return name.starts_with('/') || name.ends_with(".aux") ||
         std::filesystem::is_regular_file(kData / "docs" / name);
}

// Seed 0 feeds one byte at a time.
std::vector<typeset::LogEntry> ReadInChunks(const std::string& bytes, unsigned seed,
                                            TypesetLogReader::FileTest test) {
  TypesetLogReader reader(std::move(test));
  typeset::LineSplitter splitter;
  std::mt19937 random(seed);
  Lines lines;
  for (std::size_t at = 0, size = 1; at < bytes.size(); at += size) {
    if (seed) size = std::uniform_int_distribution<std::size_t>(1, 97)(random);
    lines.clear();
    splitter.Feed(std::string_view(bytes).substr(at, size), lines);
    for (const std::string& line : lines) reader.AddLine(line);
  }
  if (std::string last; splitter.Finish(last)) reader.AddLine(last);
  reader.Finish();
  return reader.Entries();
}

Lines RecordingNames() {
  Lines names;
  for (const auto& item : std::filesystem::directory_iterator(kData))
    if (item.path().extension() == ".entries") names.push_back(item.path().stem().string());
  std::sort(names.begin(), names.end());
  return names;
}

class RecordedLog : public ::testing::TestWithParam<std::string> {};

TEST_P(RecordedLog, GivesTheListedEntriesFromTerminalAndLogFile) {
  Lines expected;
  std::istringstream listed(ReadBytes(kData / (GetParam() + ".entries")));
  for (std::string line; std::getline(listed, line);)
    if (!line.empty() && line[0] != '#') expected.push_back(line);
  ASSERT_FALSE(expected.empty());
  for (const char* extension : {".stdout", ".log"}) {
    const std::string bytes = ReadBytes(kData / (GetParam() + extension));
    ASSERT_FALSE(bytes.empty()) << GetParam() << extension;
    for (const unsigned seed : {0u, 1u, 2u}) {
      SCOPED_TRACE(GetParam() + extension + " seed " + std::to_string(seed));
      EXPECT_EQ(Format(ReadInChunks(bytes, seed, IsRecordedFile)), expected);
      EXPECT_EQ(Format(ReadInChunks(bytes, seed, {})), expected) << "without a file test";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Typeset, RecordedLog, ::testing::ValuesIn(RecordingNames()), [](const auto& param) {
  std::string name = param.param;
  std::replace(name.begin(), name.end(), '-', '_');
  return name;
});

Lines ReadLines(const Lines& lines, TypesetLogReader::FileTest test = {}) {
  TypesetLogReader reader(std::move(test));
  for (const std::string& line : lines) reader.AddLine(line);
  reader.Finish();
  return Format(reader.Entries());
}

TEST(TypesetLog, BrokenLinesJoinOnlyWhereTexBrokeThem) {
  // A file name broken after 79 columns is one name; an error right after a line that
  // happened to fill 79 columns is still an error.
  const std::string a76(76, 'a'), w59(59, 'w');
  EXPECT_EQ(ReadLines({"(./" + a76, "b.tex", "! Undefined control sequence.", "l.3 \\x", ")",
                       "(" + std::string(78, 'x'), "./c.tex:4: Missing $ inserted."}),
            (Lines{"error\t./" + a76 + "b.tex\t3\tUndefined control sequence.",
                   "error\t./c.tex\t4\tMissing $ inserted."}));
  // 78 columns and a Japanese character that did not fit (two columns, three UTF-8 bytes);
  // a shorter line is never joined.
  EXPECT_EQ(ReadLines({"(./z.tex", "Package p Warning: " + w59, "日本語 on input line 9.", "",
                       "LaTeX Warning: short", "(./y.tex", "! Oops.", "l.2 x"}),
            (Lines{"warning\t./z.tex\t9\tPackage p Warning: " + w59 + "日本語.",
                   "warning\t./z.tex\t0\tLaTeX Warning: short", "error\t./y.tex\t2\tOops."}));
}

TEST(TypesetLog, OpenedFileNamesWithSpacesAndParenthesesInMessages) {
  const Lines lines = {"(./my doc.tex (./a b/c d.tex",
                       "(see the transcript file) (Font)   x",
                       "! Undefined control sequence.",
                       "l.5 \\foo (an unclosed parenthesis in the source",
                       "        ((((",
                       "Overfull \\hbox (3.0pt too wide) in paragraph at lines 8--9",
                       "[]\\OT1/cmr/m/n/10 text ( more ((",
                       "",
                       ")",
                       "! Missing number.",
                       "l.12 x"};
  const Lines expected = {
      "error\t./a b/c d.tex\t5\tUndefined control sequence.",
      "badbox\t./a b/c d.tex\t8\tOverfull \\hbox (3.0pt too wide) in paragraph at lines 8--9",
      "error\t./my doc.tex\t12\tMissing number."};
  EXPECT_EQ(
      ReadLines(lines,
                [](const std::string& name) { return name == "./my doc.tex" || name == "./a b/c d.tex"; }),
      expected);
  EXPECT_EQ(ReadLines(lines), expected) << "the first candidate with an extension";
}

TEST(TypesetLog, FileLineErrorNamesComeInTheEnginesInternalCode) {
  // pTeX writes the opened name as the terminal does (UTF-8) and the file:line:error name in
  // EUC-JP; 〜 (U+301C) in the real name has a code page 932 twin (U+FF5E) that the EUC-JP
  // name decodes to. The opened name is the one the file system knows.
  const std::string error = "./\xC7\xC8\xA1\xC1.tex:2: Undefined control sequence.";
  EXPECT_EQ(ReadLines({"(./波\xE3\x80\x9C.tex", error, "l.2 \\x"}),
            Lines{"error\t./波〜.tex\t2\tUndefined control sequence."});
  EXPECT_EQ(ReadLines({error}), Lines{"error\t./波～.tex\t2\tUndefined control sequence."});
}

TEST(TypesetLog, ContinuationLinesRerunsAndToolMessages) {
  const std::string banner = "This is e-pTeX, Version 3.141592653-p4.0.0 (sjis.euc)";
  EXPECT_EQ(
      ReadLines({banner, "(./a.tex", "LaTeX Warning: from the first run on input line 3.", "", banner,
                 "(./a.tex", "Package mine Warning: first part",
                 "(mine)                second part on input line 4.", "",
                 "./a.tex:6: Class jsarticle Error: You are running upLaTeX.",
                 "(jsarticle)              Please use pLaTeX instead.", "", "l.6 x", ")",
                 "dvipdfmx:fatal: Unable to open \"a.dvi\"."}),
      (Lines{"warning\t./a.tex\t4\tPackage mine Warning: first part second part.",
             "error\t./a.tex\t6\tClass jsarticle Error: You are running upLaTeX. Please use pLaTeX instead.",
             "error\t\t0\tdvipdfmx:fatal: Unable to open \"a.dvi\"."}));
}

// Whatever a program prints, the reader stays bounded and its messages are UTF-8.
TEST(TypesetLog, HostileOutputNeverBreaksTheReader) {
  std::mt19937 random(7);
  std::string bytes;
  const std::string pieces[] = {"(",         ")",  "! ", "l.", ":12: ", "./x.tex",
                                "Warning: ", "\n", "\r", " ",  "\x82",  "\xA0"};
  for (int i = 0; i < 200000; ++i)
    bytes +=
        random() % 3 ? pieces[random() % std::size(pieces)] : std::string(1, static_cast<char>(random()));
  bytes += std::string(300000, '(');
  for (const typeset::LogEntry& e : ReadInChunks(bytes, 3, {})) {
    EXPECT_EQ(typeset::DecodeLine(e.message), e.message);
    EXPECT_GE(e.line, 0);
  }
}

}  // namespace

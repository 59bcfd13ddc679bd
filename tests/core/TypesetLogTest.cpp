// The log reader on recorded runs of pLaTeX, upLaTeX and latexmk over our own documents
// (tests/data/typeset, made by record.sh there) and on hand-made logs (hand-*): NAME.entries
// lists the entries that NAME.stdout (the terminal output) and NAME.log, where there, must give,
// one a line: kind, file, line and message, separated by tabs ('#' starts a comment; "file"
// and a name: a file the file test knows besides the documents). Each output is fed in chunks
// of varying size, through the line splitter, with the file test and without.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <set>
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

TEST_P(RecordedLog, GivesTheListedEntries) {
  Lines expected;
  std::set<std::string> files;
  std::istringstream listed(ReadBytes(kData / (GetParam() + ".entries")));
  for (std::string line; std::getline(listed, line);)
    if (line.starts_with("file\t"))
      files.insert(line.substr(5));
    else if (!line.empty() && line[0] != '#')
      expected.push_back(line);
  ASSERT_FALSE(expected.empty());
  const auto isFile = [&](const std::string& name) { return files.contains(name) || IsRecordedFile(name); };
  int outputs = 0;
  for (const char* extension : {".stdout", ".log"}) {
    const std::string bytes = ReadBytes(kData / (GetParam() + extension));
    if (bytes.empty()) continue;
    ++outputs;
    for (const unsigned seed : {0u, 1u, 2u}) {
      SCOPED_TRACE(GetParam() + extension + " seed " + std::to_string(seed));
      EXPECT_EQ(Format(ReadInChunks(bytes, seed, isFile)), expected);
      EXPECT_EQ(Format(ReadInChunks(bytes, seed, {})), expected) << "without a file test";
    }
  }
  EXPECT_TRUE(outputs == 2 || GetParam().starts_with("hand-")) << "a recording without both outputs";
}

INSTANTIATE_TEST_SUITE_P(Typeset, RecordedLog, ::testing::ValuesIn(RecordingNames()), [](const auto& param) {
  std::string name = param.param;
  std::replace(name.begin(), name.end(), '-', '_');
  return name;
});

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

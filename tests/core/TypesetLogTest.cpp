// NAME.entries lists what the excerpts NAME.stdout and NAME.log (record.sh) or a hand-made log give:
// kind, file, line, message ('#' a comment). The file test knows docs/ and the names listed.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "FileFixtures.h"
#include "tex/TypesetCommand.h"
#include "tex/TypesetLog.h"
#include "tex/TypesetOutput.h"

namespace {

using namespace typeset;
using Lines = std::vector<std::string>;

const std::filesystem::path kData = std::filesystem::path(MIREV_TEST_DATA) / "typeset";

Lines Format(const std::vector<LogEntry>& entries) {
  Lines lines;
  const std::string kinds[] = {"error", "warning", "badbox"};
  for (const LogEntry& e : entries)
    lines.push_back(kinds[static_cast<int>(e.kind)] + "\t" + e.file + "\t" + std::to_string(e.line) + "\t" +
                    e.message);
  return lines;
}

// The engine ran in docs/; names outside it are the system's, and the .aux files are not kept.
bool IsRecordedFile(const std::string& name) {
  return name.starts_with('/') || name.ends_with(".aux") ||
         std::filesystem::is_regular_file(kData / "docs" / name);
}

// Seed 0 feeds one byte at a time.
std::vector<LogEntry> ReadInChunks(const std::string& bytes, unsigned seed, TypesetLogReader::FileTest test) {
  TypesetLogReader reader(std::move(test));
  LineSplitter splitter;
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
  std::istringstream listed(FileBytes(kData / (GetParam() + ".entries")).value_or(""));
  for (std::string line; std::getline(listed, line);) {
    if (line.empty() || line[0] == '#') continue;
    expected.push_back(line);
    const std::size_t file = line.find('\t') + 1;
    files.insert(line.substr(file, line.find('\t', file) - file));
  }
  ASSERT_FALSE(expected.empty());
  const auto isFile = [&](const std::string& name) { return files.contains(name) || IsRecordedFile(name); };
  int outputs = 0;
  for (const char* extension : {".stdout", ".log"}) {
    const std::string bytes = FileBytes(kData / (GetParam() + extension)).value_or("");
    if (bytes.empty()) continue;
    ++outputs;
    for (const unsigned seed : {0u, 1u, 2u}) {
      SCOPED_TRACE(GetParam() + extension + " seed " + std::to_string(seed));
      EXPECT_EQ(Format(ReadInChunks(bytes, seed, isFile)), expected);
      EXPECT_EQ(Format(ReadInChunks(bytes, seed, {})), expected) << "without a file test";
    }
  }
  EXPECT_GT(outputs, 0);
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
  for (const LogEntry& e : ReadInChunks(bytes, 3, {})) {
    EXPECT_EQ(DecodeLine(e.message), e.message);
    EXPECT_GE(e.line, 0);
  }
}

// Decoding the typesetter's output lines, and cutting a stream of chunks into lines.
// 表示 in each code: UTF-8, code page 932 (its trail byte 5C is a backslash), EUC-JP.
const std::string kUtf8 = "\xE8\xA1\xA8\xE7\xA4\xBA";
const std::string kCp932 = "\x95\x5C\x8E\xA6";
const std::string kEuc = "\xC9\xBD\xBC\xA8";

TEST(TypesetOutput, DecodesEachLineAndNameInTheCodeItCameIn) {
  const std::pair<std::string, std::string> lines[] = {
      // UTF-8 first: these bytes are valid code page 932 text too.
      {"l.7 " + kUtf8 + "\\undefined", "l.7 表示\\undefined"},
      {"l.7 " + kCp932 + "\\undefined", "l.7 表示\\undefined"},
      // pTeX's file:line:error name is EUC-JP whatever the message's code.
      {"./" + kEuc + ".tex:7: Package p Error: " + kUtf8 + ".", "./表示.tex:7: Package p Error: 表示."},
      {"./" + kUtf8 + ".tex:7: " + kCp932, "./表示.tex:7: 表示"},
      // Neither UTF-8 nor code page 932 as a whole: piece by piece, then character by character.
      {"(" + kEuc + " " + kUtf8 + ")\x80", "(表示 表示)\\x80"},
      {"a\x80z\xFF" + kUtf8, "a\\x80z\\xFF表示"},
      {"cut " + kUtf8.substr(0, 1), "cut \\xE8"},
      {"bell\x07\x1B[0m\ttab", "bell\\x07\\x1B[0m\ttab"},
  };
  for (const auto& [bytes, text] : lines) EXPECT_EQ(DecodeLine(bytes), text) << text;
  EXPECT_EQ(DecodeFileName("./" + kEuc + " 2.tex", NameSource::FileLineError), "./表示 2.tex");
  EXPECT_EQ(DecodeFileName("./" + kCp932 + ".tex", NameSource::Opened), "./表示.tex");
  EXPECT_EQ(DecodeFileName("\x8E\xB1\x8E\xB2", NameSource::FileLineError), "ｱｲ");  // half-width in EUC-JP
  EXPECT_EQ(DecodeFileName("\x80\xFF", NameSource::Opened), "\x80\xFF");  // a file may be called that
  // TeX broke after 77 columns and a two-column character, whatever code it wrote it in.
  for (const std::string wide : {"\xE6\x97\xA5", "\x93\xFA", "\xC6\xFC"})
    EXPECT_EQ(PrintedWidth(std::string(77, 'b') + wide), 79);
}

TEST(TypesetOutput, LineSplitterGivesTheSameLinesWhereverChunksEnd) {
  const std::string stream = "first " + kUtf8 + "\r\nsecond " + kCp932 + "\rthird\n\nfourth " + kUtf8 + "\r";
  const std::vector<std::string> expected = {"first " + kUtf8, "second " + kCp932, "third", "",
                                             "fourth " + kUtf8};
  for (std::size_t a = 0; a <= stream.size(); ++a) {
    for (std::size_t b = a; b <= stream.size(); ++b) {
      LineSplitter splitter;
      std::vector<std::string> lines;
      splitter.Feed(stream.substr(0, a), lines);
      splitter.Feed(stream.substr(a, b - a), lines);
      // What shows of an open line never has a character cut in two.
      EXPECT_EQ(splitter.OpenLineText().find("\\x"), std::string::npos) << a << " " << b;
      splitter.Feed(stream.substr(b), lines);
      std::string last;
      EXPECT_FALSE(splitter.Finish(last));
      EXPECT_EQ(lines, expected) << a << " " << b;
    }
  }
}

// A program that never ends its line: cut at the bound, never inside a character.
TEST(TypesetOutput, LineSplitterBoundsEndlessLines) {
  LineSplitter bounded;
  Lines lines;
  std::string last, endless, joined;
  while (endless.size() < 3 * LineSplitter::kMaxLine) endless += kUtf8 + " x";
  bounded.Feed(endless, lines);
  ASSERT_GE(lines.size(), 2u);
  for (const std::string& line : lines) {
    joined += line;
    EXPECT_LE(line.size(), LineSplitter::kMaxLine);
    EXPECT_EQ(DecodeLine(line).find("\\x"), std::string::npos);
  }
  if (bounded.Finish(last)) joined += last;
  EXPECT_EQ(joined, endless);
}

// The typesetting command setting: words, quotes, %f %b %d, several commands.
const std::string kDocument = "/home/ユーザー/日本語 フォルダ/誤り 文書.tex";

TEST(TypesetCommand, WordsQuotesPlaceholdersLinesAndComments) {
  const std::tuple<std::string, std::string, Command> cases[] = {
      {"\ta x\"b c\"'d  e' \"it's\" ''  ", kDocument, {"a", {"xb cd  e", "it's", ""}}},
      // No escapes: a backslash is TeX's, not ours.
      {"platex \\def\\x{1}\\input{%f}", kDocument, {"platex", {"\\def\\x{1}\\input{誤り 文書.tex}"}}},
      {"x '%d/%b.log'", kDocument, {"x", {"/home/ユーザー/日本語 フォルダ/誤り 文書.log"}}},
      {"x 100%% %%f %q %", kDocument, {"x", {"100%", "%f", "%q", "%"}}},
      // A folder with a % in its name is not expanded again.
      {"x %d %b", "/tmp/50%f off/a.b.tex", {"x", {"/tmp/50%f off", "a.b"}}},
      {"x %d %b", "/Makefile", {"x", {"/", "Makefile"}}},
  };
  for (const auto& [line, file, command] : cases)
    EXPECT_EQ(ExpandCommands(line, file).commands, std::vector<Command>{command}) << line;
  const CommandChain chain = ExpandCommands("# first\r\n\r\n  one a\r\n\t# two\n  \nthree %b.dvi", kDocument);
  EXPECT_EQ(chain.commands, (std::vector<Command>{{"one", {"a"}}, {"three", {"誤り 文書.dvi"}}}));
  EXPECT_EQ(chain.problem, CommandProblem::None);
  const CommandChain unclosed = ExpandCommands("echo fine\nsh -c 'unclosed", kDocument);
  EXPECT_EQ(std::pair(unclosed.problem, unclosed.problemLine), std::pair(CommandProblem::UnclosedQuote, 2));
}

}  // namespace

// Decoding the typesetter's output lines, and cutting a stream of chunks into lines.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tex/TypesetOutput.h"

namespace {

using typeset::DecodeFileName;
using typeset::DecodeLine;
using typeset::LineSplitter;
using typeset::NameSource;

// 表示 in each code: UTF-8, code page 932 (its trail byte 5C is a backslash), EUC-JP.
const std::string kUtf8 = "\xE8\xA1\xA8\xE7\xA4\xBA";
const std::string kCp932 = "\x95\x5C\x8E\xA6";
const std::string kEuc = "\xC9\xBD\xBC\xA8";

TEST(TypesetOutput, DecodesEachLineAndNameInTheCodeItCameIn) {
  const std::pair<std::string, std::string> lines[] = {
      // UTF-8 comes first: the same bytes are a valid code page 932 text too (E8 A1 and E7
      // A4 are pairs there, A8 and BA half-width katakana).
      {"l.7 " + kUtf8 + "\\undefined", "l.7 表示\\undefined"},
      {"l.7 " + kCp932 + "\\undefined", "l.7 表示\\undefined"},
      // pTeX's file:line:error name is EUC-JP, the rest of the line the terminal's or the
      // .log's code; upTeX's .log has a UTF-8 name and a code page 932 message.
      {"./" + kEuc + ".tex:7: Package p Error: " + kUtf8 + ".", "./表示.tex:7: Package p Error: 表示."},
      {"./" + kEuc + ".tex:7: Package p Error: " + kCp932 + ".", "./表示.tex:7: Package p Error: 表示."},
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
    EXPECT_EQ(typeset::PrintedWidth(std::string(77, 'b') + wide), 79);
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

TEST(TypesetOutput, LineSplitterOpenLineAndEndlessLines) {
  LineSplitter splitter;
  std::vector<std::string> lines;
  splitter.Feed("[1] [2" + kUtf8.substr(0, 4), lines);
  EXPECT_TRUE(lines.empty());
  EXPECT_EQ(splitter.OpenLineText(), "[1] [2表");
  splitter.Feed(kUtf8.substr(4), lines);
  EXPECT_EQ(splitter.OpenLineText(), "[1] [2表示");
  std::string last;
  ASSERT_TRUE(splitter.Finish(last));
  EXPECT_EQ(last, "[1] [2" + kUtf8);
  EXPECT_FALSE(splitter.Finish(last));

  LineSplitter cp932;
  cp932.Feed("[1] " + kCp932.substr(0, 3), lines);
  EXPECT_EQ(cp932.OpenLineText(), "[1] 表");
  EXPECT_TRUE(lines.empty());

  // A program that never ends its line: cut at the bound, after a space where there is one.
  std::string endless;
  while (endless.size() < 3 * LineSplitter::kMaxLine) endless += kUtf8 + " x";
  LineSplitter bounded;
  lines.clear();
  bounded.Feed(endless, lines);
  ASSERT_GE(lines.size(), 2u);
  std::string joined;
  for (const std::string& line : lines) joined += line;
  if (std::string rest; bounded.Finish(rest)) joined += rest;
  EXPECT_EQ(joined, endless);
  for (const std::string& line : lines) {
    EXPECT_LE(line.size(), LineSplitter::kMaxLine);
    EXPECT_EQ(DecodeLine(line).find("\\x"), std::string::npos);
  }
}

}  // namespace

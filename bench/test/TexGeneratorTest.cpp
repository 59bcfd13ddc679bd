// The benchmarks are only as good as their input: valid code page 932 with the traps in it,
// CR LF lines of the promised count and size, the same bytes every time.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "base/Cp932.h"
#include "common/TexGenerator.h"

namespace {

using mirev_bench::GenerateTexLines;
using mirev_bench::GenerateTexLongLine;

// Every character of the text between the breaks decodes; no break and no control byte but a tab.
void ExpectCleanLine(std::string_view line, int number) {
  for (std::size_t i = 0; i < line.size();) {
    const cp932::DecodedChar c = cp932::DecodeAt(line, i);
    ASSERT_NE(c.codePoint, cp932::kNoChar) << "line " << number << " byte " << i;
    ASSERT_TRUE(c.codePoint >= 0x20 || c.codePoint == U'\t') << "line " << number << " byte " << i;
    i += static_cast<std::size_t>(c.length);
  }
}

bool Contains(std::string_view text, std::string_view what) {
  return text.find(what) != std::string_view::npos;
}

TEST(TexGenerator, LineFilesAreCrLfCodePage932WithTheTraps) {
  for (int count : {1000, 20000}) {
    const std::string text = GenerateTexLines(count);
    int lines = 0;
    std::size_t start = 0;
    while (start < text.size()) {
      const std::size_t cr = text.find("\r\n", start);
      ASSERT_NE(cr, std::string::npos) << "last line without CR LF";
      ExpectCleanLine(std::string_view(text).substr(start, cr - start), lines);
      ++lines;
      start = cr + 2;
    }
    EXPECT_EQ(lines, count);
    EXPECT_TRUE(text.ends_with("\\end{document}\r\n"));

    // Kanji whose trail byte is a backslash, a brace, an at sign; hiragana, katakana, full-width
    // punctuation, half-width katakana; the TeX the editor is for.
    for (std::string_view bytes : {"\x95\x5C", "\x94\x5C", "\x97\x5C", "\x96\x7B", "\x90\x7D", "\x8B\x40",
                                   "\x82\xCC", "\x83\x66", "\x81\x42", "\xC3\xDE", "\\section{",
                                   "\\begin{itemize}", "\t\\item ", "\t\t\\item ", "$", "\r\n% "})
      EXPECT_TRUE(Contains(text, bytes)) << count << " lines lack " << bytes;
  }
}

TEST(TexGenerator, LinesAverageAbout68BytesWithTheirBreak) {
  const std::string text = GenerateTexLines(100000);
  const double average = static_cast<double>(text.size()) / 100000.0;
  EXPECT_GT(average, 64.0);
  EXPECT_LT(average, 72.0);
}

TEST(TexGenerator, SameSeedSameBytesOtherSeedOtherBytes) {
  EXPECT_EQ(GenerateTexLines(3000, 7), GenerateTexLines(3000, 7));
  EXPECT_NE(GenerateTexLines(3000, 7), GenerateTexLines(3000, 8));
  EXPECT_EQ(GenerateTexLongLine(5000, 7), GenerateTexLongLine(5000, 7));
  // A shorter file is not a prefix cut mid-line: it still closes the document.
  EXPECT_EQ(GenerateTexLines(1), "\\end{document}\r\n");
  EXPECT_EQ(GenerateTexLines(0), "\\end{document}\r\n");
}

TEST(TexGenerator, LongLineHasExactlyItsSizeAndNoBreakInside) {
  for (std::size_t size :
       {std::size_t{0}, std::size_t{1}, std::size_t{2}, std::size_t{4097}, std::size_t{300000}}) {
    const std::string text = GenerateTexLongLine(size);
    ASSERT_EQ(text.size(), size + 2);
    ASSERT_TRUE(text.ends_with("\r\n"));
    // The last character must not be a lead byte whose trail was cut off.
    ExpectCleanLine(std::string_view(text).substr(0, size), 0);
  }
  EXPECT_TRUE(Contains(GenerateTexLongLine(300000), "\x95\x5C"));
}

TEST(TexGenerator, KindsByName) {
  for (const char* name : {"small", "100k", "1m", "longline"}) {
    const auto kind = mirev_bench::ParseTexKind(name);
    ASSERT_TRUE(kind.has_value()) << name;
    EXPECT_STREQ(mirev_bench::TexKindName(*kind), name);
  }
  EXPECT_EQ(mirev_bench::TexKindLines(mirev_bench::TexKind::Lines1M), 1000000);
  EXPECT_FALSE(mirev_bench::ParseTexKind("1M").has_value());
  EXPECT_FALSE(mirev_bench::ParseTexKind("").has_value());
}

}  // namespace

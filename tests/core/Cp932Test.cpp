// Conversion on top of the code page tables (tools.cp932_tables holds those to the platform converter).
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "base/Cp932.h"

namespace {

// Every code that decodes re-encodes to a code of the same character; the canonical ones, as one text, too.
TEST(Cp932, EveryDecodableCodeRoundTrips) {
  int codes = 0;
  std::string canonical;
  std::u16string canonicalText;
  for (int code = 0; code < 0x10000; ++code) {
    const std::string bytes =
        code < 0x100 ? std::string(1, char(code)) : std::string{char(code >> 8), char(code)};
    const cp932::DecodedChar d = cp932::DecodeAt(bytes, 0);
    if (d.codePoint == cp932::kNoChar || d.length != static_cast<int>(bytes.size())) continue;
    ++codes;
    const cp932::EncodedChar e = cp932::EncodeChar(d.codePoint);
    const std::string again(reinterpret_cast<const char*>(e.bytes), static_cast<std::size_t>(e.length));
    EXPECT_EQ(cp932::DecodeAt(again, 0).codePoint, d.codePoint) << std::hex << code;
    if (again == bytes) canonical += bytes, canonicalText.push_back(static_cast<char16_t>(d.codePoint));
  }
  EXPECT_EQ(codes, 191 + 9604);
  EXPECT_EQ(cp932::DecodeToUtf16(canonical), canonicalText);
  EXPECT_EQ(cp932::EncodeUtf16(canonicalText).bytes, canonical);
  EXPECT_EQ(cp932::EncodeUtf32(std::u32string(canonicalText.begin(), canonicalText.end())).bytes, canonical);
}

// The first character that cannot be encoded is reported, with nothing partial; undecodable bytes are marked.
TEST(Cp932, UnconvertibleTextIsReportedNeverDropped) {
  const std::tuple<std::u16string, std::size_t, char32_t> cases[] = {
      {std::u16string(5000, u'a') + u'\u00E9', 5000, U'\u00E9'},  // after a chunk has gone out
      {u"あ𠮷い", 1, U'𠮷'},                                      // a surrogate pair, reported whole
      {u"a\xD800", 1, 0xD800},                                    // a high surrogate at the end
      {u"\xDC00\xD800", 0, 0xDC00},                               // a pair in the wrong order
  };
  for (const auto& [text, index, codePoint] : cases) {
    const cp932::EncodeResult r = cp932::EncodeUtf16(text);
    EXPECT_TRUE(!r.ok && r.index == index && r.codePoint == codePoint && r.bytes.empty()) << index;
  }
  const cp932::EncodeResult beyond = cp932::EncodeUtf32(std::u32string{U'a', U'b', 0x110000});
  EXPECT_TRUE(!beyond.ok && beyond.index == 2 && beyond.codePoint == 0x110000);

  // Each undecodable character is one byte, or a lead byte with whatever byte follows it.
  EXPECT_EQ(cp932::DecodeToUtf16("a\x80\xFD\x81\x7F\x81\x0A\xEB\x40\x82\xA0\x81"),
            u"a\uFFFD\uFFFD\uFFFD\uFFFD\uFFFDあ\uFFFD");
}

}  // namespace

#include <gtest/gtest.h>
#include <iconv.h>

#include <random>
#include <string>
#include <vector>

#include "base/Cp932.h"

namespace {

std::string Encoded(char32_t c) {
  const cp932::EncodedChar e = cp932::EncodeChar(c);
  return std::string(reinterpret_cast<const char*>(e.bytes), static_cast<std::size_t>(e.length));
}

// Stepping back from each character start finds the start that stepping forward came from, in
// runs of lead bytes (some also trail bytes), 5C trail bytes, half-width kana and lone lead bytes.
TEST(Cp932, StepsBackAndForthAgree) {
  EXPECT_EQ(cp932::PreviousCharStart("\x81\x81\x81\x41", 4), 2);  // three leads before 41
  EXPECT_EQ(cp932::PreviousCharStart("\x81\x81\x41\x41", 4), 3);  // two: 41 stands alone
  EXPECT_EQ(cp932::PreviousCharStart("a\x81", 2), 1);             // a lone lead byte at the end
  std::mt19937 random(932);
  const std::string alphabet = "\x81\x88\x9F\xE0\xFC\x41\x5C\x7E\xA0\xB1\x09\x80\xFD";
  for (int round = 0; round < 3000; ++round) {
    std::string line(random() % 24, '\0');
    for (char& ch : line) ch = alphabet[random() % alphabet.size()];
    for (int start = 0, next; start < static_cast<int>(line.size()); start = next) {
      next = cp932::NextCharStart(line, start);
      ASSERT_EQ(cp932::PreviousCharStart(line, next), start)
          << ::testing::PrintToString(line) << " @" << next;
    }
  }
}

// Every two-byte and one-byte code that decodes re-encodes to a code of the same character; the
// whole canonical set, as one text, survives decoding and encoding unchanged.
TEST(Cp932, EveryDecodableCodeRoundTrips) {
  int codes = 0;
  std::string canonical;
  std::u16string canonicalText;
  for (int code = 0; code < 0x10000; ++code) {
    const std::string bytes = code < 0x100
                                  ? std::string(1, static_cast<char>(code))
                                  : std::string{static_cast<char>(code >> 8), static_cast<char>(code)};
    const cp932::DecodedChar d = cp932::DecodeAt(bytes, 0);
    if (d.codePoint == cp932::kNoChar || d.length != static_cast<int>(bytes.size())) continue;
    ++codes;
    const std::string again = Encoded(d.codePoint);
    EXPECT_EQ(cp932::DecodeAt(again, 0).codePoint, d.codePoint) << "code " << std::hex << code;
    if (again == bytes) canonical += bytes, canonicalText.push_back(static_cast<char16_t>(d.codePoint));
  }
  EXPECT_EQ(codes, 191 + 9604);
  EXPECT_EQ(cp932::DecodeToUtf16(canonical), canonicalText);
  EXPECT_EQ(cp932::EncodeUtf16(canonicalText).bytes, canonical);
  EXPECT_EQ(cp932::EncodeUtf32(std::u32string(canonicalText.begin(), canonicalText.end())).bytes, canonical);
}

// The decoding tables are the platform converter's by construction (tools.cp932_tables); the
// encoder, which inverts them and applies the converter's own choices, is held against it.
TEST(Cp932, EncodingMatchesThePlatformConverter) {
  const iconv_t cd = iconv_open("CP932", "UTF-32LE");
  ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
  for (char32_t c = 0; c <= 0x10FFFF; ++c) {
    char buffer[32], *out = buffer;
    char* in = reinterpret_cast<char*>(&c);
    std::size_t inLeft = 4, outLeft = sizeof buffer;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    const bool ok = iconv(cd, &in, &inLeft, &out, &outLeft) != static_cast<std::size_t>(-1) && !inLeft &&
                    iconv(cd, nullptr, nullptr, &out, &outLeft) != static_cast<std::size_t>(-1);
    // glibc drops the tag characters without output; that is no encoding.
    ASSERT_EQ(Encoded(c), ok ? std::string(buffer, out) : "") << std::hex << +c;
  }
  iconv_close(cd);
}

// The first character that cannot be encoded is reported and nothing partial is returned;
// undecodable bytes are reported and marked, never dropped.
TEST(Cp932, UnconvertibleTextIsReportedNeverDropped) {
  const struct {
    std::u16string text;
    std::size_t index;
    char32_t codePoint;
  } cases[] = {
      {std::u16string(5000, u'a') + u'\u00E9', 5000, U'\u00E9'},  // after a chunk has gone out
      {u"あ𠮷い", 1, U'𠮷'},                                      // a surrogate pair, reported whole
      {u"a\xD800", 1, 0xD800},                                    // a high surrogate at the end
      {u"\xDC00\xD800", 0, 0xDC00},                               // a pair in the wrong order
      {u"表\U000E0041", 1, 0xE0041},                              // a tag character glibc swallows
  };
  for (const auto& c : cases) {
    const cp932::EncodeResult r = cp932::EncodeUtf16(c.text);
    EXPECT_TRUE(!r.ok && r.index == c.index && r.codePoint == c.codePoint && r.bytes.empty())
        << std::hex << static_cast<unsigned>(c.codePoint);
  }
  const cp932::EncodeResult beyond = cp932::EncodeUtf32(std::u32string{U'a', U'b', 0x110000});
  EXPECT_TRUE(!beyond.ok && beyond.index == 2 && beyond.codePoint == 0x110000);

  // Each undecodable character is one byte, or a lead byte with whatever byte follows it.
  const std::string text = "a\x80\xFD\x81\x7F\x81\x0A\xEB\x40\x82\xA0\x81";
  std::vector<std::pair<std::size_t, std::string>> seen;
  auto mark = [&](std::size_t offset, std::string_view bytes, std::u16string& out) {
    seen.emplace_back(offset, bytes);
    out += u"<?>";
  };
  EXPECT_EQ(cp932::DecodeToUtf16(text, mark), u"a<?><?><?><?><?>あ<?>");
  EXPECT_EQ(seen,
            (std::vector<std::pair<std::size_t, std::string>>{
                {1, "\x80"}, {2, "\xFD"}, {3, "\x81\x7F"}, {5, "\x81\x0A"}, {7, "\xEB\x40"}, {11, "\x81"}}));
  EXPECT_EQ(cp932::DecodeToUtf16(text), u"a\uFFFD\uFFFD\uFFFD\uFFFD\uFFFDあ\uFFFD");
  EXPECT_EQ(cp932::DecodeToUtf16("\x80x", U'\U0001F6AB'), u"\U0001F6ABx");  // a marker beyond the BMP
  EXPECT_EQ(cp932::DecodeToUtf16("\x80x", 0xDC00), u"\uFFFDx");             // not a scalar value
}

}  // namespace

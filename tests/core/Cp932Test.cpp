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

TEST(Cp932, CharacterStartsInRunsOfLeadBytes) {
  const unsigned char leads[] = {0x81, 0x9F, 0xE0, 0xFC};
  const unsigned char others[] = {0x80, 0xA0, 0xDF, 0xFD, 0x5C};
  for (unsigned char b : leads) EXPECT_TRUE(cp932::IsLeadByte(b)) << +b;
  for (unsigned char b : others) EXPECT_FALSE(cp932::IsLeadByte(b)) << +b;
  const struct {
    std::string line;
    int i;
    int start;
  } cases[] = {
      {"\x81\x81", 2, 0},          // a trail byte in the lead range
      {"\x95\x5C\x5C", 2, 0},      // 5C as a trail byte
      {"\x81\x81\x81\x41", 4, 2},  // three lead bytes before 41: the last of them leads it
      {"\x81\x81\x41\x41", 4, 3},  // two lead bytes before the first 41: it stands alone
      {"a\x81", 2, 1},             // a lone lead byte at the end keeps the character before it
      {"\x81\x81\x81\x81", 4, 2},  // an even run: pairs only
      {"\xB1\xB2", 2, 1},          // half-width katakana are single bytes
      {"abc", 9, 2},               // past the end counts as the end
  };
  for (const auto& c : cases)
    EXPECT_EQ(cp932::PreviousCharStart(c.line, c.i), c.start)
        << ::testing::PrintToString(c.line) << " @" << c.i;

  // Stepping back from each character start finds the start that stepping forward came from.
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

TEST(Cp932, EveryDecodableCodeReencodesToACodeOfTheSameCharacter) {
  int codes = 0, duplicates = 0;
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
    if (again == bytes) {
      canonical += bytes;
      canonicalText.push_back(static_cast<char16_t>(d.codePoint));
    } else {
      ++duplicates;
      EXPECT_EQ(cp932::DecodeAt(again, 0).codePoint, d.codePoint) << "code " << std::hex << code;
    }
  }
  EXPECT_EQ(codes, 191 + 9604);
  EXPECT_EQ(duplicates, 398);
  // The whole canonical set, as one text, survives decoding and encoding unchanged.
  EXPECT_EQ(cp932::DecodeToUtf16(canonical), canonicalText);
  EXPECT_EQ(cp932::EncodeUtf16(canonicalText).bytes, canonical);
  EXPECT_EQ(cp932::EncodeUtf32(std::u32string(canonicalText.begin(), canonicalText.end())).bytes, canonical);
}

// The platform converter's output, empty when it has none.
std::string Iconv(iconv_t cd, const void* input, std::size_t length) {
  char buffer[32];
  char *in = const_cast<char*>(static_cast<const char*>(input)), *out = buffer;
  std::size_t inLeft = length, outLeft = sizeof buffer;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  if (iconv(cd, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1) || inLeft ||
      iconv(cd, nullptr, nullptr, &out, &outLeft) == static_cast<std::size_t>(-1))
    return {};
  return std::string(buffer, out);
}

// The decoding tables are the converter's by construction (tools.cp932_tables); the encoder,
// which inverts them and applies the converter's own choices, is held against it here.
TEST(Cp932, EncodingMatchesThePlatformConverter) {
  const iconv_t encoder = iconv_open("CP932", "UTF-32LE");
  ASSERT_NE(encoder, reinterpret_cast<iconv_t>(-1));
  // glibc drops the tag characters without output; that is no encoding.
  for (char32_t c = 0; c <= 0x10FFFF; ++c) ASSERT_EQ(Encoded(c), Iconv(encoder, &c, 4)) << std::hex << +c;
  iconv_close(encoder);
}

TEST(Cp932, EncodingReportsTheFirstCharacterItCannotEncode) {
  const struct {
    std::u16string text;
    std::size_t index;
    char32_t codePoint;
  } cases[] = {
      {u"ab\u00E9c", 2, U'\u00E9'},
      {std::u16string(5000, u'a') + u'\u00E9', 5000,
       U'\u00E9'},  // after a chunk has gone out  {u"あ𠮷い", 1, U'𠮷'},  // a surrogate pair, reported whole
      {u"a\xD800", 1, 0xD800},        // a high surrogate at the end
      {u"\xDC00\xD800", 0, 0xDC00},   // a pair in the wrong order
      {u"表\U000E0041", 1, 0xE0041},  // a tag character glibc would swallow silently
  };
  for (const auto& c : cases) {
    const cp932::EncodeResult r = cp932::EncodeUtf16(c.text);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.index, c.index);
    EXPECT_EQ(r.codePoint, c.codePoint) << std::hex << static_cast<unsigned>(c.codePoint);
    EXPECT_EQ(r.bytes, "");  // a partial text must not be mistaken for the whole
  }
  const cp932::EncodeResult beyond = cp932::EncodeUtf32(std::u32string{U'a', U'b', 0x110000});
  EXPECT_TRUE(!beyond.ok && beyond.index == 2 && beyond.codePoint == 0x110000);
}

TEST(Cp932, UndecodableBytesAreReportedNeverDropped) {
  // Each undecodable character is one byte, or a lead byte with whatever byte follows it.
  const std::string text = "a\x80\xFD\x81\x7F\x81\x0A\xEB\x40\x82\xA0\x81";
  std::vector<std::pair<std::size_t, std::string>> seen;
  auto mark = [&](std::size_t offset, std::string_view bytes, std::u16string& out) {
    seen.emplace_back(offset, bytes);
    out += u"<?>";
  };
  EXPECT_EQ(cp932::DecodeToUtf16(text, mark), u"a<?><?><?><?><?>あ<?>");
  const std::vector<std::pair<std::size_t, std::string>> expected = {
      {1, "\x80"}, {2, "\xFD"}, {3, "\x81\x7F"}, {5, "\x81\x0A"}, {7, "\xEB\x40"}, {11, "\x81"}};
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(cp932::DecodeToUtf16(text), u"a\uFFFD\uFFFD\uFFFD\uFFFD\uFFFDあ\uFFFD");
  EXPECT_EQ(cp932::DecodeToUtf16("\x80x", U'\U0001F6AB'), u"\U0001F6ABx");  // a marker beyond the BMP
  EXPECT_EQ(cp932::DecodeToUtf16("\x80x", 0xDC00), u"\uFFFDx");             // not a scalar value
}

}  // namespace

#include <gtest/gtest.h>
#include <iconv.h>

#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "base/Cp932.h"

namespace {

// Every code that decodes, in ascending order (single bytes first), with its code point.
std::vector<std::pair<std::string, char32_t>> AllDecodableCodes() {
  std::vector<std::pair<std::string, char32_t>> codes;
  for (int b = 0; b < 256; ++b) {
    const char32_t c = cp932::DecodeByte(static_cast<unsigned char>(b));
    if (c != cp932::kNoChar) codes.emplace_back(std::string(1, static_cast<char>(b)), c);
  }
  for (int lead = 0; lead < 256; ++lead) {
    for (int trail = 0; trail < 256; ++trail) {
      const char32_t c =
          cp932::DecodePair(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail));
      if (c != cp932::kNoChar)
        codes.emplace_back(std::string{static_cast<char>(lead), static_cast<char>(trail)}, c);
    }
  }
  return codes;
}

std::string Bytes(const cp932::EncodedChar& e) {
  return std::string(reinterpret_cast<const char*>(e.bytes), static_cast<std::size_t>(e.length));
}

std::string Encoded(char32_t c) { return Bytes(cp932::EncodeChar(c)); }

// The platform converter, to hold the whole tables against.
class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Iconv() {
    if (Valid()) iconv_close(cd_);
  }
  bool Valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  bool Convert(const void* input, std::size_t length, std::string& output) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char buffer[32];
    char* in = const_cast<char*>(static_cast<const char*>(input));
    char* out = buffer;
    std::size_t inLeft = length, outLeft = sizeof buffer;
    if (iconv(cd_, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1) || inLeft) return false;
    if (iconv(cd_, nullptr, nullptr, &out, &outLeft) == static_cast<std::size_t>(-1)) return false;
    output.assign(buffer, static_cast<std::size_t>(out - buffer));
    return true;
  }

 private:
  iconv_t cd_;
};

TEST(Cp932, LeadByteTestAtItsBoundaries) {
  static_assert(cp932::IsLeadByte(0x81) && !cp932::IsLeadByte(0x80));
  const std::pair<int, bool> cases[] = {{0x00, false}, {0x40, false}, {0x5C, false}, {0x7F, false},
                                        {0x80, false}, {0x81, true},  {0x9F, true},  {0xA0, false},
                                        {0xA1, false}, {0xDF, false}, {0xE0, true},  {0xFC, true},
                                        {0xFD, false}, {0xFF, false}};
  for (auto [b, lead] : cases)
    EXPECT_EQ(cp932::IsLeadByte(static_cast<unsigned char>(b)), lead) << std::hex << b;
  int count = 0;
  for (int b = 0; b < 256; ++b) count += cp932::IsLeadByte(static_cast<unsigned char>(b));
  EXPECT_EQ(count, 31 + 29);
}

TEST(Cp932, PreviousCharacterRuleOnTrailBytesInTheLeadRange) {
  struct Case {
    std::string line;
    int i;
    int start;
  };
  const Case cases[] = {
      {"\x81\x81", 2, 0},          // trail byte in the lead range
      {"\x81\x41", 2, 0},          // one lead byte before the last byte: odd
      {"\x81\x41\x41", 3, 2},      // a pair, then a single byte
      {"\x95\x5C\x5C", 3, 2},      // table 95 5C, then a backslash
      {"\x95\x5C\x5C", 2, 0},      // 5C as a trail byte
      {"\x88\x9F\x88\x9F", 4, 2},  // a run of four lead bytes: two pairs
      {"\x88\x9F\x88\x9F", 2, 0},
      {"a\x88\x9F\x88\x9F", 5, 3},
      {"a\x88\x9F\x88\x9F", 1, 0},
      {"\x81\x81\x81\x41", 4, 2},  // three lead bytes before 41: the last of them leads it
      {"\x81\x81\x41\x41", 4, 3},  // two lead bytes before the first 41: it stands alone
      {"\x82\xA0"
       "a",
       3, 2},
      {"\x82\xA0"
       "a",
       2, 0},
      {"\xB1\xB2", 2, 1},  // half-width katakana are single bytes
      {"abc", 0, 0},
      {"abc", -3, 0},
      {"abc", 9, 2},  // past the end counts as the end
  };
  for (const Case& c : cases)
    EXPECT_EQ(cp932::PreviousCharStart(c.line, c.i), c.start) << c.line << " @" << c.i;
}

TEST(Cp932, PreviousCharacterRuleKeepsALoneLeadByteAtTheLineEnd) {
  // Going back over a truncated character must not also swallow the character before it.
  EXPECT_EQ(cp932::PreviousCharStart("a\x81", 2), 1);
  EXPECT_EQ(cp932::PreviousCharStart("\x81", 1), 0);
  EXPECT_EQ(cp932::PreviousCharStart("\x82\xA0\x81", 3), 2);
  EXPECT_EQ(cp932::PreviousCharStart("\x81\x81\x81", 3), 2);  // a pair, then the lone lead byte
  EXPECT_EQ(cp932::PreviousCharStart("\x81\x81\x81", 2), 0);
  EXPECT_EQ(cp932::PreviousCharStart("\x81\x81\x81\x81", 4), 2);  // even run: pairs only
  EXPECT_EQ(cp932::NextCharStart("a\x81", 1), 2);
  EXPECT_EQ(cp932::NextCharStart("a\x81", 2), 2);
}

TEST(Cp932, StepsBackAndForthAgreeOnRandomLinesFullOfLeadBytes) {
  std::mt19937 random(932);
  const unsigned char alphabet[] = {0x81, 0x88, 0x9F, 0xE0, 0xFC, 0x41, 0x5C,
                                    0x7E, 0xA0, 0xB1, 0x09, 0x80, 0xFD};
  for (int round = 0; round < 3000; ++round) {
    std::string line(random() % 24, '\0');
    for (char& ch : line) ch = static_cast<char>(alphabet[random() % sizeof alphabet]);
    std::vector<int> starts{0};
    while (starts.back() < static_cast<int>(line.size()))
      starts.push_back(cp932::NextCharStart(line, starts.back()));
    for (std::size_t k = 1; k < starts.size(); ++k)
      ASSERT_EQ(cp932::PreviousCharStart(line, starts[k]), starts[k - 1]) << "round " << round << " k " << k;
  }
}

TEST(Cp932, KnownCodePointsBothWays) {
  struct Case {
    std::string bytes;
    char32_t decoded;  // what the bytes decode to
    char32_t encoded;  // a code point that encodes to the bytes
  };
  const Case cases[] = {
      {"\x82\xA0", U'あ', U'あ'},
      {"\xB1", U'ｱ', U'ｱ'},
      {"\x87\x40", U'①', U'①'},
      {"\xFA\x40", U'ⅰ', U'ⅰ'},
      {"\x81\x60", U'\uFF5E', U'\u301C'},  // U+301C encodes one way; 81 60 reads back as U+FF5E
      {"\x81\x7C", U'\uFF0D', U'\u2212'},  // U+2212 likewise, reading back as U+FF0D
      {"\x81\x5F", U'\uFF3C', U'\uFF3C'},
      {"\x81\x40", U'\u3000', U'\u3000'},
      {"A", U'A', U'A'},
      {"\x5C", U'\\', U'\\'},
      {"\x5C", U'\\', U'\u00A5'},  // the yen sign is the backslash byte
      {"\x95\x5C", U'表', U'表'},
      {"~", U'~', U'~'},
      {std::string(1, '\0'), U'\0', U'\0'},
      {"\x7F", U'\x7F', U'\x7F'},
      {"\xDF", U'ﾟ', U'ﾟ'},
  };
  for (const Case& c : cases) {
    const cp932::DecodedChar d = cp932::DecodeAt(c.bytes, 0);
    EXPECT_EQ(d.length, static_cast<int>(c.bytes.size()));
    EXPECT_EQ(d.codePoint, c.decoded) << std::hex << static_cast<unsigned>(c.decoded);
    EXPECT_EQ(Encoded(c.encoded), c.bytes) << std::hex << static_cast<unsigned>(c.encoded);
  }
  EXPECT_EQ(cp932::DecodePair(0xEE, 0xEF), U'ⅰ');            // the NEC-selected duplicate of FA 40
  EXPECT_EQ(Encoded(U'\u2235'), "\x81\xE6");                 // not 87 9A nor FA 5B
  EXPECT_EQ(Encoded(U'\uFFE2'), "\x81\xCA");                 // not EE F9 nor FA 54
  EXPECT_EQ(cp932::DecodePair(0x41, 0x41), cp932::kNoChar);  // not a lead byte
  EXPECT_EQ(cp932::DecodeByte(0x81), cp932::kNoChar);
}

TEST(Cp932, EveryDecodableCodeReencodesToACodeOfTheSameCharacter) {
  const auto codes = AllDecodableCodes();
  int duplicates = 0;
  std::string canonical;
  std::u16string canonicalText;
  for (const auto& [bytes, c] : codes) {
    const std::string again = Encoded(c);
    ASSERT_FALSE(again.empty()) << "U+" << std::hex << static_cast<unsigned>(c);
    if (again == bytes) {
      canonical += bytes;
      canonicalText.push_back(static_cast<char16_t>(c));
      continue;
    }
    ++duplicates;
    const cp932::DecodedChar d = cp932::DecodeAt(again, 0);
    EXPECT_EQ(d.length, static_cast<int>(again.size()));
    EXPECT_EQ(d.codePoint, c) << "U+" << std::hex << static_cast<unsigned>(c);
  }
  EXPECT_EQ(codes.size(), 191u + 9604u);
  EXPECT_EQ(duplicates, 398);

  // The whole canonical set, as one text, survives decoding and encoding unchanged.
  EXPECT_EQ(cp932::DecodeToUtf16(canonical), canonicalText);
  const cp932::EncodeResult back = cp932::EncodeUtf16(canonicalText);
  ASSERT_TRUE(back.ok);
  EXPECT_EQ(back.bytes, canonical);
  const std::u32string wide(canonicalText.begin(), canonicalText.end());
  EXPECT_EQ(cp932::EncodeUtf32(wide).bytes, canonical);
}

TEST(Cp932, TablesMatchThePlatformConverter) {
  Iconv decoder("UTF-32LE", "CP932"), encoder("CP932", "UTF-32LE");
  ASSERT_TRUE(decoder.Valid() && encoder.Valid());
  std::string out;
  for (int b = 0; b < 256; ++b) {
    const auto byte = static_cast<unsigned char>(b);
    char32_t expected = cp932::kNoChar;
    if (decoder.Convert(&byte, 1, out) && out.size() == 4) std::memcpy(&expected, out.data(), 4);
    ASSERT_EQ(cp932::DecodeByte(byte), expected) << std::hex << b;
    for (int t = 0; t < 256 && cp932::IsLeadByte(byte); ++t) {
      const unsigned char pair[2] = {byte, static_cast<unsigned char>(t)};
      expected = cp932::kNoChar;
      if (decoder.Convert(pair, 2, out) && out.size() == 4) std::memcpy(&expected, out.data(), 4);
      ASSERT_EQ(cp932::DecodePair(byte, pair[1]), expected) << std::hex << b << " " << t;
    }
  }
  for (char32_t c = 0; c <= 0x10FFFF; ++c) {
    // glibc drops the tag characters without output; that is no encoding.
    if (!encoder.Convert(&c, 4, out)) out.clear();
    ASSERT_EQ(Encoded(c), out) << "U+" << std::hex << static_cast<unsigned>(c);
  }
}

TEST(Cp932, EncodingReportsTheFirstCharacterItCannotEncode) {
  struct Case {
    std::u16string text;
    std::size_t index;
    char32_t codePoint;
  };
  const Case cases[] = {
      {u"ab\u00E9c", 2, U'\u00E9'},
      {u"あ𠮷い", 1, U'𠮷'},  // a surrogate pair, reported whole
      {u"x😀", 1, U'😀'},
      {u"a\xD800", 1, 0xD800},  // high surrogate at the end
      {u"\xD800"
       "a",
       0, 0xD800},  // high surrogate before a non-surrogate
      {u"\xDC00"
       "a",
       0, 0xDC00},                    // low surrogate alone
      {u"\xDC00\xD800", 0, 0xDC00},   // a pair in the wrong order
      {u"表\U000E0041", 1, 0xE0041},  // a tag character glibc would swallow silently
      {u"é𠮷", 0, U'é'},              // the first one wins
  };
  for (const Case& c : cases) {
    const cp932::EncodeResult r = cp932::EncodeUtf16(c.text);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.index, c.index);
    EXPECT_EQ(r.codePoint, c.codePoint) << std::hex << static_cast<unsigned>(c.codePoint);
    EXPECT_TRUE(r.bytes.empty());  // a partial text must not be mistaken for the whole
  }
  const std::u32string wide[] = {
      U"ab\U0010FFFF", {U'a', U'b', char32_t{0x110000}}, U"ab\xD800", U"ab\U0001F600"};
  for (const auto& text : wide) {
    const cp932::EncodeResult r = cp932::EncodeUtf32(text);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.index, 2u);
    EXPECT_EQ(r.codePoint, text[2]);
  }
  const cp932::EncodeResult good = cp932::EncodeUtf16(u"\\section{表}\u301C\u2212\u00A5ｱ");
  ASSERT_TRUE(good.ok);
  EXPECT_EQ(good.bytes, "\\section{\x95\x5C}\x81\x60\x81\x7C\x5C\xB1");
  EXPECT_TRUE(cp932::EncodeUtf16(u"").ok);
}

TEST(Cp932, UndecodableBytesAreReportedNeverDropped) {
  // Each undecodable character is one byte, or a lead byte with whatever byte follows it.
  const std::string text =
      "a\x80"
      "b\xA0\xFD\xFE\xFF"
      "c\x81\x7F"
      "d\x81\x0A"
      "e\xEB\x40\xFC\xFC\x82\xA0\x81";
  std::vector<std::pair<std::size_t, std::string>> seen;
  const std::u16string shown =
      cp932::DecodeToUtf16(text, [&](std::size_t offset, std::string_view bytes, std::u16string& out) {
        seen.emplace_back(offset, std::string(bytes));
        out += u"<?>";
      });
  const std::vector<std::pair<std::size_t, std::string>> expected = {
      {1, "\x80"},     {3, "\xA0"},      {4, "\xFD"},      {5, "\xFE"},      {6, "\xFF"},
      {8, "\x81\x7F"}, {11, "\x81\x0A"}, {14, "\xEB\x40"}, {16, "\xFC\xFC"}, {20, "\x81"},
  };
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(shown, u"a<?>b<?><?><?><?>c<?>d<?>e<?><?>あ<?>");

  EXPECT_EQ(cp932::DecodeToUtf16(text),
            u"a\uFFFDb\uFFFD\uFFFD\uFFFD\uFFFDc\uFFFDd\uFFFDe\uFFFD\uFFFDあ\uFFFD");
  EXPECT_EQ(cp932::DecodeToUtf16("\x80x", U'\U0001F6AB'), u"\U0001F6ABx");  // a marker beyond the BMP
  EXPECT_EQ(cp932::DecodeToUtf16("\x80x", 0xDC00), u"\uFFFDx");             // not a scalar value
  EXPECT_EQ(cp932::DecodeToUtf16("\x80x", cp932::UndecodableHandler()), u"\uFFFDx");

  const cp932::DecodedChar lone = cp932::DecodeAt("\x82", 0);
  EXPECT_EQ(lone.codePoint, cp932::kNoChar);
  EXPECT_EQ(lone.length, 1);
  EXPECT_EQ(cp932::DecodeAt("\x81\x7F", 0).length, 2);
  EXPECT_EQ(cp932::DecodeAt("ab", 5).length, 0);
}

TEST(Cp932, LongTextsDecodeLikeTheirCharactersOneByOne) {
  std::mt19937 random(20);
  const std::string good[] = {"a", "\\", "\x95\x5C", "\x82\xA0", "\xB1", "\t"};
  const std::string bad[] = {"\x80", "\x81\x7F", "\xEB\x40"};
  for (int round = 0; round < 20; ++round) {
    // From mostly undecodable to none at all, so that runs of good characters of every length occur.
    const unsigned rarity[] = {1, 3, 1500, 0};
    std::string text;
    while (text.size() < 9000 + 997u * round) {
      const unsigned r = rarity[round % 4];
      text += r && random() % r == 0 ? bad[random() % std::size(bad)] : good[random() % std::size(good)];
    }
    if (round % 2) text += "\x81";  // a lone lead byte at the very end
    std::u16string expected;
    for (std::size_t i = 0; i < text.size();) {
      const cp932::DecodedChar d = cp932::DecodeAt(text, i);
      if (d.codePoint == cp932::kNoChar)
        expected += u"[" + std::u16string(static_cast<std::size_t>(d.length), u'?') + u"]";
      else
        expected.push_back(static_cast<char16_t>(d.codePoint));
      i += static_cast<std::size_t>(d.length);
    }
    const std::u16string decoded =
        cp932::DecodeToUtf16(text, [](std::size_t, std::string_view bytes, std::u16string& out) {
          out += u"[" + std::u16string(bytes.size(), u'?') + u"]";
        });
    ASSERT_EQ(decoded, expected) << "round " << round;
  }
}

TEST(Cp932, DecodesTextMadeOfCharactersWhoseBytesLookLikeTeX) {
  // Trail bytes 5C, 7B, 7D, 40, 5B, 5D are no commands or braces.
  const std::string text = "\\\x95\x5C{\x8F\x7B}\x83\x5B\x83\x5D\x83\x40";
  EXPECT_EQ(cp932::DecodeToUtf16(text), u"\\表{旬}ゼゾァ");
  const cp932::EncodeResult back = cp932::EncodeUtf16(u"\\表{旬}ゼゾァ");
  ASSERT_TRUE(back.ok);
  EXPECT_EQ(back.bytes, text);
}

}  // namespace

#pragma once
// Code page 932 (Shift-JIS): where characters start, and conversion to and from Unicode.
//
// Documents stay code page 932 bytes; these rules are the only place that knows the code
// page. Conversion is for the edges only (drawing glyphs, input method text, clipboard,
// menu labels). The tables come from the platform converter through tools/gen_cp932.cpp;
// nothing here calls a converter at run time.
//
// A character is a lead byte and the byte after it, or any other single byte. A lead byte
// that ends its text is a character of one byte. Every function that walks bytes uses
// this, so the converters agree with the editor about where characters start.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace cp932 {

constexpr bool IsLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// Start of the character after the one at byte index i, never past the end of line.
inline int NextCharStart(std::string_view line, int i) {
  const int size = static_cast<int>(line.size());
  if (i < 0) return 0;
  if (i >= size) return size;
  const int next = i + (IsLeadByte(static_cast<unsigned char>(line[static_cast<std::size_t>(i)])) ? 2 : 1);
  return next < size ? next : size;
}

// Start of the character that ends at byte index i (i > 0, on a character boundary): a lead
// byte before i is taken as a trail byte; otherwise the parity of the run of lead bytes
// before s[i-1] decides. At the end of the line, a last byte that is a lead byte and not
// paired by the run before it is a character of its own. 0 for i <= 0; never below 0.
int PreviousCharStart(std::string_view line, int i);

// What a byte or a pair decodes to when it decodes to nothing.
inline constexpr char32_t kNoChar = 0xFFFFFFFF;

// The code point of a single byte, or kNoChar (lead bytes, 0x80, 0xA0, 0xFD..0xFF).
char32_t DecodeByte(unsigned char b);
// The code point of a lead byte and a trail byte, or kNoChar.
char32_t DecodePair(unsigned char lead, unsigned char trail);

// The character at byte index i of s (0 <= i < s.size()): its length in bytes (1 or 2, as
// NextCharStart) and its code point, or kNoChar.
struct DecodedChar {
  char32_t codePoint;
  int length;
};
DecodedChar DecodeAt(std::string_view s, std::size_t i);

// One code point in code page 932: length 0 when it is not encodable, else length bytes.
// Where several codes decode to the code point, this is the one the platform encoder
// chooses; a few code points encode one way only (U+301C to 81 60, U+2212 to 81 7C,
// U+00A5 to 5C, ...).
struct EncodedChar {
  int length = 0;
  unsigned char bytes[2] = {};
};
EncodedChar EncodeChar(char32_t codePoint);

// Decoding whole texts to UTF-16. An undecodable character (one byte, or a lead byte with
// the byte after it) is never dropped silently: it becomes one marker code point, or
// whatever the handler appends for it (offset and bytes of the character within the text).
inline constexpr char32_t kReplacementChar = 0xFFFD;
using UndecodableHandler =
    std::function<void(std::size_t offset, std::string_view bytes, std::u16string& out)>;

// A marker that is not a Unicode scalar value is taken as kReplacementChar.
std::u16string DecodeToUtf16(std::string_view bytes, char32_t marker = kReplacementChar);
std::u16string DecodeToUtf16(std::string_view bytes, const UndecodableHandler& onUndecodable);

// Encoding whole texts. On failure, bytes is empty and index is where the first character
// that cannot be encoded starts (in code units of the input) and codePoint is that
// character: a surrogate pair counts as its code point; a lone surrogate, or a UTF-32 value
// beyond U+10FFFF, as its own value.
struct EncodeResult {
  std::string bytes;
  bool ok = true;
  std::size_t index = 0;
  char32_t codePoint = 0;
};
EncodeResult EncodeUtf16(std::u16string_view text);
EncodeResult EncodeUtf32(std::u32string_view text);

}  // namespace cp932

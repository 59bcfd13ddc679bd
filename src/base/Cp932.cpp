#include "base/Cp932.h"

#include <array>
#include <cstdint>

namespace cp932 {
namespace {

#include "base/Cp932Tables.inc"

constexpr std::uint16_t kNoCode = 0xFFFF;  // no code point in the tables, no code in the encoder

constexpr int LeadRow(unsigned char lead) { return lead <= 0x9F ? lead - 0x81 : lead - 0xE0 + 31; }

constexpr std::uint16_t PairCodePoint(unsigned char lead, unsigned char trail) {
  if (trail < 0x40 || trail > 0xFC) return kNoCode;
  return kCp932Pair[LeadRow(lead)][trail - 0x40];
}

// Code point to code (a single byte below 0x100, else lead << 8 | trail). The inverse of the
// decode tables with the lowest code winning, then the platform encoder's own choices.
constexpr std::array<std::uint16_t, 0x10000> BuildEncodeTable() {
  std::array<std::uint16_t, 0x10000> table{};
  for (auto& code : table) code = kNoCode;
  for (int lead = 0xFC; lead >= 0x81; --lead) {
    if (!IsLeadByte(static_cast<unsigned char>(lead))) continue;
    for (int trail = 0xFC; trail >= 0x40; --trail) {
      const std::uint16_t cp =
          PairCodePoint(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail));
      if (cp != kNoCode) table[cp] = static_cast<std::uint16_t>(lead << 8 | trail);
    }
  }
  for (int b = 0xFF; b >= 0; --b)
    if (kCp932Single[b] != kNoCode) table[kCp932Single[b]] = static_cast<std::uint16_t>(b);
  for (const auto& entry : kCp932EncodeOverrides) table[entry[0]] = entry[1];
  return table;
}

constexpr std::array<std::uint16_t, 0x10000> kEncode = BuildEncodeTable();

bool IsScalarValue(char32_t c) { return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF); }

void AppendUtf16(char32_t c, std::u16string& out) {
  if (c < 0x10000) {
    out.push_back(static_cast<char16_t>(c));
  } else {
    c -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
  }
}

// Table code points are all in the BMP and never surrogates, so each is one UTF-16 unit.
// Characters collect in a small buffer that is appended in one go; push_back per character
// costs several times the table lookups on a long line.
template <typename OnUndecodable>
std::u16string Decode(std::string_view bytes, OnUndecodable onUndecodable) {
  std::u16string out;
  out.reserve(bytes.size());
  const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t size = bytes.size();
  char16_t chunk[4096];
  std::size_t used = 0;
  std::size_t i = 0;
  while (i < size) {
    const unsigned char b = s[i];
    std::uint16_t cp;
    std::size_t length = 1;
    if (!IsLeadByte(b)) {
      cp = kCp932Single[b];
    } else if (i + 1 < size) {
      cp = PairCodePoint(b, s[i + 1]);
      length = 2;
    } else {
      cp = kNoCode;
    }
    if (cp != kNoCode) {
      chunk[used++] = static_cast<char16_t>(cp);
      if (used == std::size(chunk)) {
        out.append(chunk, used);
        used = 0;
      }
    } else {
      out.append(chunk, used);
      used = 0;
      onUndecodable(i, bytes.substr(i, length), out);
    }
    i += length;
  }
  out.append(chunk, used);
  return out;
}

// Appends the code of each character to out, or stops at the first that has none and
// reports where it starts (in code units) and what it is. next(text, i) yields the
// character at i and moves i past it.
template <typename Text, typename NextChar>
bool EncodeInto(Text text, std::string& out, std::size_t& failIndex, char32_t& failCodePoint, NextChar next) {
  char chunk[4096];
  std::size_t used = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t at = i;
    const char32_t c = next(text, i);
    const std::uint16_t code = c <= 0xFFFF ? kEncode[c] : kNoCode;
    if (code == kNoCode) {
      failIndex = at;
      failCodePoint = c;
      return false;
    }
    if (used + 2 > std::size(chunk)) {
      out.append(chunk, used);
      used = 0;
    }
    if (code > 0xFF) chunk[used++] = static_cast<char>(code >> 8);
    chunk[used++] = static_cast<char>(code & 0xFF);
  }
  out.append(chunk, used);
  return true;
}

// A surrogate pair counts as its code point, so that it is reported whole; a lone
// surrogate as itself.
char32_t NextUtf16(std::u16string_view text, std::size_t& i) {
  const char32_t c = text[i++];
  if (c >= 0xD800 && c <= 0xDBFF && i < text.size() && text[i] >= 0xDC00 && text[i] <= 0xDFFF)
    return 0x10000 + ((c - 0xD800) << 10) + (text[i++] - 0xDC00);
  return c;
}

char32_t NextUtf32(std::u32string_view text, std::size_t& i) { return text[i++]; }

}  // namespace

int PreviousCharStart(std::string_view line, int i) {
  const int size = static_cast<int>(line.size());
  if (i > size) i = size;
  if (i <= 0) return 0;
  const auto* s = reinterpret_cast<const unsigned char*>(line.data());
  auto leadRunBefore = [s](int end) {  // lead bytes in s[..end), counted back from end
    int k = 0;
    while (end - k > 0 && IsLeadByte(s[end - k - 1])) ++k;
    return k;
  };
  if (IsLeadByte(s[i - 1])) {
    // Inside the line a lead byte before a boundary is a trail byte. At the end it may be a
    // lone lead byte: stepping over it and the character before would lose that character.
    if (i < size || leadRunBefore(i) % 2 == 0) return i >= 2 ? i - 2 : 0;
    return i - 1;
  }
  return leadRunBefore(i - 1) % 2 ? i - 2 : i - 1;
}

char32_t DecodeByte(unsigned char b) {
  const std::uint16_t cp = kCp932Single[b];
  return cp == kNoCode ? kNoChar : cp;
}

char32_t DecodePair(unsigned char lead, unsigned char trail) {
  if (!IsLeadByte(lead)) return kNoChar;
  const std::uint16_t cp = PairCodePoint(lead, trail);
  return cp == kNoCode ? kNoChar : cp;
}

DecodedChar DecodeAt(std::string_view s, std::size_t i) {
  if (i >= s.size()) return {kNoChar, 0};
  const auto b = static_cast<unsigned char>(s[i]);
  if (!IsLeadByte(b)) return {DecodeByte(b), 1};
  if (i + 1 >= s.size()) return {kNoChar, 1};
  return {DecodePair(b, static_cast<unsigned char>(s[i + 1])), 2};
}

EncodedChar EncodeChar(char32_t codePoint) {
  EncodedChar result;
  if (codePoint > 0xFFFF) return result;
  const std::uint16_t code = kEncode[codePoint];
  if (code == kNoCode) return result;
  if (code > 0xFF) {
    result.length = 2;
    result.bytes[0] = static_cast<unsigned char>(code >> 8);
    result.bytes[1] = static_cast<unsigned char>(code & 0xFF);
  } else {
    result.length = 1;
    result.bytes[0] = static_cast<unsigned char>(code);
  }
  return result;
}

std::u16string DecodeToUtf16(std::string_view bytes, char32_t marker) {
  if (!IsScalarValue(marker)) marker = kReplacementChar;
  return Decode(bytes,
                [marker](std::size_t, std::string_view, std::u16string& out) { AppendUtf16(marker, out); });
}

std::u16string DecodeToUtf16(std::string_view bytes, const UndecodableHandler& onUndecodable) {
  if (!onUndecodable) return DecodeToUtf16(bytes);
  return Decode(bytes, std::ref(onUndecodable));
}

EncodeResult EncodeUtf16(std::u16string_view text) {
  EncodeResult result;
  result.bytes.reserve(text.size() * 2);
  result.ok = EncodeInto(text, result.bytes, result.index, result.codePoint, NextUtf16);
  if (!result.ok) result.bytes.clear();
  return result;
}

EncodeResult EncodeUtf32(std::u32string_view text) {
  EncodeResult result;
  result.bytes.reserve(text.size() * 2);
  result.ok = EncodeInto(text, result.bytes, result.index, result.codePoint, NextUtf32);
  if (!result.ok) result.bytes.clear();
  return result;
}

}  // namespace cp932

#include "tex/TypesetOutput.h"

#include <algorithm>

#include "base/Cp932.h"

namespace typeset {
namespace {

constexpr char32_t kBad = cp932::kNoChar;

unsigned char Byte(char c) { return static_cast<unsigned char>(c); }

struct Decoded {
  char32_t codePoint;
  std::size_t length;
};
using CharAt = Decoded (*)(std::string_view, std::size_t);

// Strict UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF.
Decoded Utf8At(std::string_view s, std::size_t i) {
  const unsigned char lead = Byte(s[i]);
  if (lead < 0x80) return {lead, 1};
  std::size_t length = 0;
  char32_t codePoint = 0;
  char32_t least = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, codePoint = lead & 0x1Fu, least = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, codePoint = lead & 0x0Fu, least = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, codePoint = lead & 0x07u, least = 0x10000;
  } else {
    return {kBad, 1};
  }
  if (s.size() - i < length) return {kBad, 1};
  for (std::size_t k = 1; k < length; ++k) {
    const unsigned char next = Byte(s[i + k]);
    if ((next & 0xC0) != 0x80) return {kBad, 1};
    codePoint = codePoint << 6 | (next & 0x3Fu);
  }
  if (codePoint < least || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
    return {kBad, 1};
  return {codePoint, length};
}

Decoded Cp932At(std::string_view s, std::size_t i) {
  const cp932::DecodedChar c = cp932::DecodeAt(s, i);
  return {c.codePoint, static_cast<std::size_t>(c.length)};
}

// EUC-JP as pTeX writes it: JIS X 0208 rows in two bytes A1..FE, half-width katakana after
// 8E. The JIS code goes to its Shift-JIS pair and through the code page 932 table, so both
// codes name a character the same way.
Decoded EucJpAt(std::string_view s, std::size_t i) {
  const unsigned char first = Byte(s[i]);
  if (first < 0x80) return {first, 1};
  if (i + 1 >= s.size()) return {kBad, 1};
  const unsigned char second = Byte(s[i + 1]);
  if (first == 0x8E) {
    if (second < 0xA1 || second > 0xDF) return {kBad, 1};
    return {0xFF61 + (second - 0xA1u), 2};
  }
  if (first < 0xA1 || first > 0xFE || second < 0xA1 || second > 0xFE) return {kBad, 1};
  const int row = first - 0x80;
  const int cell = second - 0x80;
  const int lead = (row + 1) / 2 + (row <= 0x5E ? 0x70 : 0xB0);
  const int trail = (row & 1) ? cell + (cell <= 0x5F ? 0x1F : 0x20) : cell + 0x7E;
  const char32_t codePoint =
      cp932::DecodePair(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail));
  return {codePoint, codePoint == kBad ? 1u : 2u};
}

void AppendEscape(unsigned char b, std::string& out) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out += "\\x";
  out += kHex[b >> 4];
  out += kHex[b & 0xF];
}

void AppendUtf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

bool IsControl(char32_t c) { return (c < 0x20 && c != '\t') || c == 0x7F; }

// Appends bytes decoded in one code; false (and nothing appended) when a character does not
// decode. Control characters become escapes when forDisplay, else stay as they are.
bool AppendIn(std::string_view bytes, CharAt at, std::string& out, bool forDisplay = true) {
  std::string piece;
  piece.reserve(bytes.size() + bytes.size() / 2);
  for (std::size_t i = 0; i < bytes.size();) {
    const Decoded d = at(bytes, i);
    if (d.codePoint == kBad) return false;
    if (forDisplay && IsControl(d.codePoint))
      AppendEscape(static_cast<unsigned char>(d.codePoint), piece);
    else
      AppendUtf8(d.codePoint, piece);
    i += d.length;
  }
  out += piece;
  return true;
}

bool IsValidUtf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const Decoded d = Utf8At(s, i);
    if (d.codePoint == kBad) return false;
    i += d.length;
  }
  return true;
}

bool IsAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return Byte(c) < 0x80; });
}

// Calls onPiece for each piece of s: each byte below 0x40 on its own, and each run of bytes
// from 0x40 up, which holds whole characters in UTF-8, code page 932 and EUC-JP alike.
template <typename OnPiece>
void ForEachPiece(std::string_view s, OnPiece onPiece) {
  for (std::size_t i = 0; i < s.size();) {
    std::size_t end = i + 1;
    if (Byte(s[i]) >= 0x40)
      while (end < s.size() && Byte(s[end]) >= 0x40) ++end;
    onPiece(s.substr(i, end - i));
    i = end;
  }
}

// A piece that decodes in none of the codes as a whole, character by character: a UTF-8
// sequence, else a code page 932 or EUC-JP pair, else the byte (escaped above 0x7F).
void AppendCharByChar(std::string_view piece, std::string& out) {
  for (std::size_t i = 0; i < piece.size();) {
    std::size_t length = 1;
    for (const CharAt at : {Utf8At, Cp932At, EucJpAt}) {
      const Decoded d = at(piece, i);
      if (d.codePoint != kBad && d.length > 1) {
        AppendIn(piece.substr(i, d.length), at, out);
        length = d.length;
        break;
      }
    }
    if (length == 1) {
      const unsigned char b = Byte(piece[i]);
      if (b >= 0x80 || IsControl(b))
        AppendEscape(b, out);
      else
        out += piece[i];
    }
    i += length;
  }
}

// EUC-JP text never has a byte from 80 to A0 but the 8E before half-width katakana; code
// page 932 text nearly always has (the lead bytes of kana, punctuation and most kanji), while
// much EUC-JP text would pass as code page 932 half-width katakana. So bytes without them that
// decode as EUC-JP are EUC-JP: pTeX's file name, broken over two lines.
bool AppendIfEucJp(std::string_view bytes, std::string& out) {
  if (std::any_of(bytes.begin(), bytes.end(),
                  [](char c) { return Byte(c) >= 0x80 && Byte(c) <= 0xA0 && Byte(c) != 0x8E; }))
    return false;
  return AppendIn(bytes, EucJpAt, out);
}

void AppendPieceByPiece(std::string_view bytes, std::string& out) {
  ForEachPiece(bytes, [&out](std::string_view piece) {
    if (!AppendIn(piece, Utf8At, out) && !AppendIfEucJp(piece, out) && !AppendIn(piece, Cp932At, out))
      AppendCharByChar(piece, out);
  });
}

// Rules 1, 3, 4 and 5 of the header.
void AppendLine(std::string_view bytes, std::string& out) {
  if (AppendIn(bytes, Utf8At, out) || (!IsAscii(bytes) && AppendIfEucJp(bytes, out)) ||
      AppendIn(bytes, Cp932At, out))
    return;
  AppendPieceByPiece(bytes, out);
}

}  // namespace

std::size_t FileLineErrorNameEnd(std::string_view line) {
  for (std::size_t colon = line.find(':'); colon != std::string_view::npos;
       colon = line.find(':', colon + 1)) {
    std::size_t end = colon + 1;
    while (end < line.size() && end - colon <= 9 && line[end] >= '0' && line[end] <= '9') ++end;
    if (end == colon + 1 || end >= line.size() || line[end] != ':') continue;
    if (end + 1 < line.size() && line[end + 1] != ' ') continue;
    const std::string_view name = line.substr(0, colon);
    if (name.empty() || name.front() == ' ' || name.find(": ") != std::string_view::npos)
      return std::string_view::npos;
    const bool rooted = name.starts_with("./") || name.starts_with("../") || name.starts_with('/');
    const std::size_t slash = name.rfind('/');
    const std::size_t dot = name.rfind('.');
    const bool hasExtension = dot != std::string_view::npos &&
                              (slash == std::string_view::npos || dot > slash) && dot + 1 < name.size();
    return rooted || hasExtension ? colon : std::string_view::npos;
  }
  return std::string_view::npos;
}

std::string DecodeLine(std::string_view bytes) {
  std::string out;
  if (AppendIn(bytes, Utf8At, out)) return out;
  const std::size_t nameEnd = FileLineErrorNameEnd(bytes);
  if (nameEnd != std::string_view::npos) {
    const std::string name = DecodeFileName(bytes.substr(0, nameEnd), NameSource::FileLineError);
    if (IsValidUtf8(name)) {
      AppendIn(name, Utf8At, out);
      AppendLine(bytes.substr(nameEnd), out);
      return out;
    }
  }
  AppendLine(bytes, out);
  return out;
}

std::string DecodeFileName(std::string_view bytes, NameSource where) {
  if (IsAscii(bytes) || IsValidUtf8(bytes)) return std::string(bytes);
  std::string out;
  if (where == NameSource::FileLineError && AppendIn(bytes, EucJpAt, out, false)) return out;
  if (AppendIn(bytes, Cp932At, out, false)) return out;
  return std::string(bytes);
}

std::string ToCodePage932(std::string_view utf8) {
  std::u32string codePoints;
  for (std::size_t i = 0; i < utf8.size();) {
    const Decoded d = Utf8At(utf8, i);
    if (d.codePoint == kBad) return {};
    codePoints += d.codePoint;
    i += d.length;
  }
  cp932::EncodeResult encoded = cp932::EncodeUtf32(codePoints);
  return encoded.ok ? std::move(encoded.bytes) : std::string();
}

int PrintedWidth(std::string_view bytes) {
  std::size_t width = 0;
  ForEachPiece(bytes, [&width](std::string_view piece) {
    if (!IsValidUtf8(piece)) {
      width += piece.size();
      return;
    }
    for (std::size_t i = 0; i < piece.size();) {
      const Decoded d = Utf8At(piece, i);
      width += d.codePoint < 0x80 ? 1 : 2;
      i += d.length;
    }
  });
  return static_cast<int>(std::min<std::size_t>(width, 1u << 30));
}

void LineSplitter::EndLine(std::vector<std::string>& lines) {
  lines.push_back(std::move(open));
  open.clear();
}

void LineSplitter::Feed(std::string_view chunk, std::vector<std::string>& lines) {
  std::size_t i = 0;
  while (i < chunk.size()) {
    if (afterCr) {
      afterCr = false;
      if (chunk[i] == '\n') {
        ++i;
        continue;
      }
    }
    const std::size_t stop = chunk.find_first_of("\r\n", i);
    const std::size_t end = stop == std::string_view::npos ? chunk.size() : stop;
    std::size_t take = std::min(end - i, kMaxLine - open.size());
    open.append(chunk.substr(i, take));
    i += take;
    if (open.size() == kMaxLine) {
      // Cut just after a byte below 0x40 near the end, so that no character is cut in two.
      std::size_t cut = kMaxLine;
      for (std::size_t back = 1; back <= 8; ++back) {
        if (Byte(open[kMaxLine - back]) < 0x40) {
          cut = kMaxLine - back + 1;
          break;
        }
      }
      std::string rest = open.substr(cut);
      open.resize(cut);
      EndLine(lines);
      open = std::move(rest);
      continue;
    }
    if (i < chunk.size() && i == end) {
      afterCr = chunk[i] == '\r';
      EndLine(lines);
      ++i;
    }
  }
}

bool LineSplitter::Finish(std::string& line) {
  afterCr = false;
  if (open.empty()) return false;
  line = std::move(open);
  open.clear();
  return true;
}

std::string LineSplitter::OpenLineText() const {
  std::string_view s = open;
  // A UTF-8 sequence still arriving: its lead byte is among the last three bytes.
  std::size_t start = s.size();
  while (start > 0 && s.size() - start < 3 && (Byte(s[start - 1]) & 0xC0) == 0x80) --start;
  if (start > 0) {
    const unsigned char lead = Byte(s[start - 1]);
    const std::size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 1;
    if (lead >= 0xC2 && lead <= 0xF4 && s.size() - (start - 1) < need && IsValidUtf8(s.substr(0, start - 1)))
      return DecodeLine(s.substr(0, start - 1));
  }
  if (IsValidUtf8(s)) return DecodeLine(s);
  // A code page 932 lead byte waiting for its trail byte.
  std::size_t last = 0;
  for (std::size_t i = 0; i < s.size();) {
    last = i;
    i = static_cast<std::size_t>(cp932::NextCharStart(s, static_cast<int>(i)));
  }
  if (!s.empty() && last == s.size() - 1 && cp932::IsLeadByte(Byte(s.back()))) s.remove_suffix(1);
  return DecodeLine(s);
}

}  // namespace typeset

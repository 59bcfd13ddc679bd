// Writes src/base/Cp932Tables.inc from the platform converter (glibc iconv "CP932").
//
//   gen_cp932 OUTPUT        write the tables to OUTPUT
//   gen_cp932 --check FILE  exit 1 unless FILE holds exactly what would be written
//
// The core never calls iconv; it reads the tables this program writes. The encoder of the
// core inverts the decode table (the lowest code decoding to a code point wins) and then
// applies the overrides written here, which record every code point where iconv's own
// encoder chooses otherwise: a different duplicate, a one-way mapping, or a refusal.
#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr std::uint16_t kNone = 0xFFFF;
constexpr char32_t kLastCodePoint = 0x10FFFF;

bool IsLeadByte(unsigned b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

[[noreturn]] void Fail(const std::string& message) {
  std::fprintf(stderr, "gen_cp932: %s\n", message.c_str());
  std::exit(2);
}

std::string Hex(unsigned value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*X", digits, value);
  return text;
}

class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1))
      Fail(std::string("iconv_open ") + from + " -> " + to + " failed");
  }
  ~Converter() { iconv_close(cd_); }

  // Converts all of input, or returns false. The state is reset first, so calls are independent.
  bool Convert(const void* input, std::size_t length, std::string& output) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char buffer[64];
    char* in = const_cast<char*>(static_cast<const char*>(input));
    std::size_t inLeft = length;
    char* out = buffer;
    std::size_t outLeft = sizeof buffer;
    if (iconv(cd_, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0) return false;
    if (iconv(cd_, nullptr, nullptr, &out, &outLeft) == static_cast<std::size_t>(-1)) return false;
    output.assign(buffer, static_cast<std::size_t>(out - buffer));
    return true;
  }

 private:
  iconv_t cd_;
};

struct Tables {
  std::uint16_t single[256];
  std::uint16_t pair[60][189];  // rows: leads 0x81..0x9F, 0xE0..0xFC; columns: trails 0x40..0xFC
  std::vector<std::pair<std::uint32_t, std::uint16_t>> overrides;
  int pairCount = 0;
  int duplicateCount = 0;
};

int LeadRow(unsigned lead) {
  return lead <= 0x9F ? static_cast<int>(lead - 0x81) : static_cast<int>(lead - 0xE0 + 31);
}

// One decoded character, or kNone; anything outside the tables' shape stops the generator.
std::uint16_t DecodeOne(Converter& decoder, const unsigned char* bytes, std::size_t length) {
  std::string out;
  if (!decoder.Convert(bytes, length, out)) return kNone;
  if (out.size() != 4) Fail("bytes " + Hex(bytes[0], 2) + " decode to more than one character");
  char32_t cp;
  std::memcpy(&cp, out.data(), 4);
  if (cp >= kNone || (cp >= 0xD800 && cp <= 0xDFFF))
    Fail("bytes " + Hex(bytes[0], 2) + " decode to U+" + Hex(cp, 4) + ", which the tables cannot hold");
  return static_cast<std::uint16_t>(cp);
}

Tables Build() {
  Converter decoder("UTF-32LE", "CP932");
  Converter encoder("CP932", "UTF-32LE");
  Tables t;

  for (unsigned b = 0; b < 256; ++b) {
    const unsigned char byte = static_cast<unsigned char>(b);
    t.single[b] = DecodeOne(decoder, &byte, 1);
    if (t.single[b] != kNone && IsLeadByte(b)) Fail("lead byte " + Hex(b, 2) + " decodes on its own");
  }
  for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsLeadByte(lead)) continue;
    for (unsigned trail = 0; trail < 256; ++trail) {
      const unsigned char bytes[2] = {static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)};
      const std::uint16_t cp = DecodeOne(decoder, bytes, 2);
      if (trail < 0x40 || trail > 0xFC) {
        if (cp != kNone) Fail("pair " + Hex(lead, 2) + Hex(trail, 2) + " decodes outside the trail range");
        continue;
      }
      t.pair[LeadRow(lead)][trail - 0x40] = cp;
      if (cp != kNone) ++t.pairCount;
    }
  }

  // The core's default encoder: the lowest code that decodes to the code point.
  std::vector<std::uint16_t> lowest(0x10000, kNone);
  std::vector<int> codesPerCodePoint(0x10000, 0);
  for (unsigned b = 0; b < 256; ++b) {
    if (t.single[b] == kNone) continue;
    if (lowest[t.single[b]] == kNone) lowest[t.single[b]] = static_cast<std::uint16_t>(b);
    ++codesPerCodePoint[t.single[b]];
  }
  for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsLeadByte(lead)) continue;
    for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
      const std::uint16_t cp = t.pair[LeadRow(lead)][trail - 0x40];
      if (cp == kNone) continue;
      if (lowest[cp] == kNone) lowest[cp] = static_cast<std::uint16_t>(lead << 8 | trail);
      ++codesPerCodePoint[cp];
    }
  }
  for (int n : codesPerCodePoint)
    if (n > 1) t.duplicateCount += n - 1;

  // Every code point through iconv's encoder, supplementary ones and surrogates included.
  for (char32_t cp = 0; cp <= kLastCodePoint; ++cp) {
    std::string out;
    std::uint16_t code = kNone;
    // glibc swallows the tag characters U+E0000..U+E007F without output; for an editor
    // that is a loss, not an encoding, so they stay not encodable.
    if (encoder.Convert(&cp, sizeof cp, out) && !out.empty()) {
      const auto b0 = static_cast<unsigned char>(out[0]);
      if (out.size() == 1 && !IsLeadByte(b0)) {
        code = b0;
      } else if (out.size() == 2 && IsLeadByte(b0)) {
        code = static_cast<std::uint16_t>(b0 << 8 | static_cast<unsigned char>(out[1]));
      } else {
        Fail("U+" + Hex(cp, 4) + " encodes to a byte sequence the tables cannot hold");
      }
      if (cp > 0xFFFF) Fail("U+" + Hex(cp, 4) + " is encodable, but the encode table holds only the BMP");
    }
    if (cp <= 0xFFFF && code != lowest[cp]) t.overrides.emplace_back(cp, code);
  }
  return t;
}

std::string Render(const Tables& t) {
  std::ostringstream o;
  o << "// Generated by tools/gen_cp932.cpp from glibc iconv \"CP932\". Do not edit; regenerate.\n"
       "// "
    << t.pairCount << " double-byte codes decode, " << t.duplicateCount
    << " of them to a code point that another code decodes to as well.\n\n"
       "// Code point of each single byte; 0xFFFF where the byte decodes to nothing on its own.\n"
       "inline constexpr std::uint16_t kCp932Single[256] = {\n";
  for (int b = 0; b < 256; ++b)
    o << (b % 12 ? " " : "    ") << "0x" << Hex(t.single[b], 4) << (b % 12 == 11 || b == 255 ? ",\n" : ",");

  o << "};\n\n"
       "// Code point of each double-byte code, 0xFFFF where it decodes to nothing. Rows are the\n"
       "// lead bytes 0x81..0x9F then 0xE0..0xFC; columns the trail bytes 0x40..0xFC.\n"
       "inline constexpr std::uint16_t kCp932Pair[60][189] = {\n";
  for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsLeadByte(lead)) continue;
    o << "    {  // " << Hex(lead, 2) << "\n";
    for (int i = 0; i < 189; ++i)
      o << (i % 12 ? " " : "        ") << "0x" << Hex(t.pair[LeadRow(lead)][i], 4)
        << (i % 12 == 11 || i == 188 ? ",\n" : ",");
    o << "    },\n";
  }

  o << "};\n\n"
       "// Code points where the platform encoder does not pick the lowest code that decodes to\n"
       "// them: {code point, code}, code 0xFFFF for \"not encodable\". Sorted by code point.\n"
       "inline constexpr std::uint16_t kCp932EncodeOverrides["
    << t.overrides.size() << "][2] = {\n";
  for (std::size_t i = 0; i < t.overrides.size(); ++i)
    o << (i % 5 ? " " : "    ") << "{0x" << Hex(t.overrides[i].first, 4) << ", 0x"
      << Hex(t.overrides[i].second, 4) << "}," << (i % 5 == 4 || i + 1 == t.overrides.size() ? "\n" : "");
  o << "};\n";
  return o.str();
}

}  // namespace

int main(int argc, char** argv) {
  const bool check = argc == 3 && std::string(argv[1]) == "--check";
  if (!check && argc != 2) {
    std::fprintf(stderr, "usage: gen_cp932 OUTPUT | gen_cp932 --check FILE\n");
    return 2;
  }
  const std::string path = argv[argc - 1];
  const std::string text = Render(Build());
  if (check) {
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open()) Fail("cannot read " + path);
    const std::string existing((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) Fail("cannot read " + path);
    if (existing == text) return 0;
    std::size_t at = 0, line = 1;
    while (at < existing.size() && at < text.size() && existing[at] == text[at])
      line += existing[at++] == '\n';
    std::fprintf(stderr, "gen_cp932: %s differs from the platform converter's tables at line %zu\n",
                 path.c_str(), line);
    return 1;
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) Fail("cannot write " + path);
  return 0;
}

#pragma once
// Stand-in for the code page 932 rules until base/ provides them.
#include <string_view>

inline bool IsLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// The start of the character that ends at byte i > 0 of s: a lead byte just before i is a
// trail byte; otherwise an odd run of lead bytes before s[i - 1] pairs its last one with it.
inline int PrevCharStart(std::string_view s, int i) {
  auto at = [&](int k) { return static_cast<unsigned char>(s[static_cast<std::size_t>(k)]); };
  if (IsLeadByte(at(i - 1))) return i >= 2 ? i - 2 : 0;
  int k = 0;
  for (int j = i - 2; j >= 0 && IsLeadByte(at(j)); --j) ++k;
  return (k % 2 == 1) ? i - 2 : i - 1;
}

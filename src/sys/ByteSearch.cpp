#include "sys/ByteSearch.h"

#include <string.h>  // NOLINT: memmem is declared only in the C header

#include <algorithm>
#include <cstring>

const char* FindBytes(const char* data, std::size_t size, std::string_view needle) {
  if (needle.empty() || needle.size() > size) return nullptr;
  if (needle.size() == 1) return static_cast<const char*>(std::memchr(data, needle[0], size));
#if defined(__GLIBC__) || defined(__APPLE__) || defined(__FreeBSD__)
  return static_cast<const char*>(memmem(data, size, needle.data(), needle.size()));
#else
  const char* end = data + size;
  const char* hit = std::search(data, end, needle.begin(), needle.end());
  return hit == end ? nullptr : hit;
#endif
}

#pragma once
// The C library's substring search, which is much faster than a byte-by-byte loop on long
// texts. Standard C++ has no such call; this is the one place that reaches for it.
#include <cstddef>
#include <string_view>

// The first occurrence of needle (not empty) in [data, data + size), or null.
const char* FindBytes(const char* data, std::size_t size, std::string_view needle);

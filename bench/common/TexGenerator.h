#pragma once
// Deterministic code page 932 Japanese TeX sources for the benchmarks.
//
// The same seed gives the same bytes on every platform and compiler: the generator uses its own
// PRNG and its own range reduction, never the standard distributions.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace mirev_bench {

enum class TexKind { Small, Lines100k, Lines1M, LongLine };

inline constexpr std::uint64_t kDefaultTexSeed = 0x4D69726576ULL;
inline constexpr std::size_t kLongLineBytes = std::size_t{20} << 20;

// "small", "100k", "1m", "longline".
std::optional<TexKind> ParseTexKind(std::string_view name);
const char* TexKindName(TexKind kind);
// Lines of a line-count kind; 1 for the long line.
int TexKindLines(TexKind kind);

// Exactly lineCount lines (at least 1), each followed by CR LF.
std::string GenerateTexLines(int lineCount, std::uint64_t seed = kDefaultTexSeed);
// One line of exactly byteCount bytes with no CR or LF inside, followed by CR LF.
std::string GenerateTexLongLine(std::size_t byteCount, std::uint64_t seed = kDefaultTexSeed);
std::string GenerateTex(TexKind kind, std::uint64_t seed = kDefaultTexSeed);

// Writes bytes to path, replacing it. False with a message in *error on failure.
bool WriteFileBytes(const std::string& path, std::string_view bytes, std::string* error);

}  // namespace mirev_bench

#pragma once
// Counted, reference-counted byte strings of code page 932 text.
//
// A string is a slice of a shared block. Lines read from a file are slices of the one
// read buffer, so reading copies nothing per line; the first change to a shared slice
// gives the line a block of its own. A block that only one string refers to is edited
// in place, so typing into a long line does not copy it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class ByteBlock {
 public:
  // A block with room for capacity bytes and one reference. Throws std::bad_alloc.
  static ByteBlock* Allocate(std::size_t capacity);

  char* Data() { return reinterpret_cast<char*>(this + 1); }
  const char* Data() const { return reinterpret_cast<const char*>(this + 1); }
  std::size_t Capacity() const { return capacity_; }
  bool IsShared() const { return refs_ > 1; }
  void Ref() { ++refs_; }
  void Unref();

  // Grows the block to at least capacity bytes; the block may move. Only for unshared blocks.
  static ByteBlock* Grow(ByteBlock* block, std::size_t capacity);

 private:
  ByteBlock() = default;
  std::size_t capacity_ = 0;
  std::size_t refs_ = 1;
};

class ByteString {
 public:
  static constexpr int npos = -1;

  ByteString() noexcept = default;
  explicit ByteString(std::string_view bytes);
  // Shares [offset, offset + length) of block, taking a reference.
  ByteString(ByteBlock* block, std::size_t offset, std::size_t length);

  ByteString(const ByteString& other) noexcept;
  ByteString(ByteString&& other) noexcept;
  ByteString& operator=(const ByteString& other) noexcept;
  ByteString& operator=(ByteString&& other) noexcept;
  ~ByteString();

  int Length() const { return static_cast<int>(length_); }
  bool IsEmpty() const { return length_ == 0; }
  const char* Data() const { return block_ ? block_->Data() + offset_ : ""; }
  std::string_view View() const { return {Data(), length_}; }
  operator std::string_view() const { return View(); }  // NOLINT
  std::string ToStdString() const { return std::string(View()); }
  // Unchecked, as unsigned: the code page rules compare byte values.
  unsigned char At(int i) const { return static_cast<unsigned char>(Data()[i]); }

  // Index and count are clamped to the string (a negative index counts as 0); bytes may
  // alias this string.
  void Insert(int index, std::string_view bytes);
  void Erase(int index, int count);
  void Append(std::string_view bytes) { Insert(Length(), bytes); }
  void Truncate(int length);
  void Clear();

  // A slice sharing this string's storage.
  ByteString Mid(int start, int count = npos) const;

  bool SharesStorageWith(const ByteString& other) const {
    return block_ != nullptr && block_ == other.block_;
  }

  friend bool operator==(const ByteString& a, const ByteString& b) { return a.View() == b.View(); }
  friend bool operator==(const ByteString& a, std::string_view b) { return a.View() == b; }

 private:
  // Makes the string the only owner of a block that holds at least length bytes after offset_.
  char* MakeUnique(std::size_t length);

  ByteBlock* block_ = nullptr;
  std::uint32_t offset_ = 0;
  std::uint32_t length_ = 0;
};

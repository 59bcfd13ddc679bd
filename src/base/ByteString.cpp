#include "base/ByteString.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

ByteBlock* ByteBlock::Allocate(std::size_t capacity) {
  void* memory = std::malloc(sizeof(ByteBlock) + capacity);
  if (!memory) throw std::bad_alloc();
  auto* block = new (memory) ByteBlock();
  block->capacity_ = capacity;
  return block;
}

void ByteBlock::Unref() {
  if (--refs_ == 0) {
    this->~ByteBlock();
    std::free(this);
  }
}

ByteBlock* ByteBlock::Grow(ByteBlock* block, std::size_t capacity) {
  if (capacity <= block->capacity_) return block;
  // realloc of a large block remaps pages instead of copying them.
  void* memory = std::realloc(block, sizeof(ByteBlock) + capacity);
  if (!memory) throw std::bad_alloc();
  block = static_cast<ByteBlock*>(memory);
  block->capacity_ = capacity;
  return block;
}

ByteString::ByteString(std::string_view bytes) {
  if (bytes.empty()) return;
  block_ = ByteBlock::Allocate(bytes.size());
  std::memcpy(block_->Data(), bytes.data(), bytes.size());
  length_ = static_cast<std::uint32_t>(bytes.size());
}

ByteString::ByteString(ByteBlock* block, std::size_t offset, std::size_t length)
    : block_(length ? block : nullptr),
      offset_(static_cast<std::uint32_t>(offset)),
      length_(static_cast<std::uint32_t>(length)) {
  if (block_)
    block_->Ref();
  else
    offset_ = 0;
}

ByteString::ByteString(const ByteString& other) noexcept
    : block_(other.block_), offset_(other.offset_), length_(other.length_) {
  if (block_) block_->Ref();
}

ByteString::ByteString(ByteString&& other) noexcept
    : block_(other.block_), offset_(other.offset_), length_(other.length_) {
  other.block_ = nullptr;
  other.offset_ = other.length_ = 0;
}

ByteString& ByteString::operator=(const ByteString& other) noexcept {
  if (this != &other) {
    if (other.block_) other.block_->Ref();
    if (block_) block_->Unref();
    block_ = other.block_;
    offset_ = other.offset_;
    length_ = other.length_;
  }
  return *this;
}

ByteString& ByteString::operator=(ByteString&& other) noexcept {
  if (this != &other) {
    if (block_) block_->Unref();
    block_ = other.block_;
    offset_ = other.offset_;
    length_ = other.length_;
    other.block_ = nullptr;
    other.offset_ = other.length_ = 0;
  }
  return *this;
}

ByteString::~ByteString() {
  if (block_) block_->Unref();
}

char* ByteString::MakeUnique(std::size_t length) {
  if (block_ && !block_->IsShared()) {
    if (offset_ + length > block_->Capacity()) {
      if (offset_ != 0) {
        std::memmove(block_->Data(), block_->Data() + offset_, length_);
        offset_ = 0;
      }
      if (length > block_->Capacity()) block_ = ByteBlock::Grow(block_, length + length / 2 + 16);
    }
    return block_->Data() + offset_;
  }
  ByteBlock* fresh = ByteBlock::Allocate(std::max<std::size_t>(length + length / 4, 16));
  if (length_) std::memcpy(fresh->Data(), Data(), length_);
  if (block_) block_->Unref();
  block_ = fresh;
  offset_ = 0;
  return block_->Data();
}

void ByteString::Insert(int index, std::string_view bytes) {
  if (bytes.empty()) return;
  const std::size_t at = static_cast<std::size_t>(std::clamp(index, 0, Length()));
  // The inserted bytes may live in this string's own block, which may move.
  std::string copy;
  if (block_ && bytes.data() >= block_->Data() && bytes.data() < block_->Data() + block_->Capacity()) {
    copy.assign(bytes);
    bytes = copy;
  }
  const std::size_t newLength = length_ + bytes.size();
  char* data = MakeUnique(newLength);
  std::memmove(data + at + bytes.size(), data + at, length_ - at);
  std::memcpy(data + at, bytes.data(), bytes.size());
  length_ = static_cast<std::uint32_t>(newLength);
}

void ByteString::Erase(int index, int count) {
  index = std::max(index, 0);
  if (count <= 0 || index >= Length()) return;
  count = std::min(count, Length() - index);
  const auto at = static_cast<std::uint32_t>(index);
  const auto cut = static_cast<std::uint32_t>(count);
  if (at + cut == length_) {  // a tail cut needs no copy even when shared
    Truncate(index);
    return;
  }
  if (at == 0 && block_) {  // nor does a head cut
    offset_ += cut;
    length_ -= cut;
    return;
  }
  char* data = MakeUnique(length_);
  std::memmove(data + at, data + at + cut, length_ - at - cut);
  length_ -= cut;
}

void ByteString::Truncate(int length) {
  if (length <= 0) {
    Clear();
    return;
  }
  if (length < Length()) length_ = static_cast<std::uint32_t>(length);
}

void ByteString::Clear() {
  if (block_) block_->Unref();
  block_ = nullptr;
  offset_ = length_ = 0;
}

ByteString ByteString::Mid(int start, int count) const {
  start = std::clamp(start, 0, Length());
  const int available = Length() - start;
  if (count < 0 || count > available) count = available;
  return ByteString(block_, offset_ + static_cast<std::size_t>(start), static_cast<std::size_t>(count));
}

#include "doc/LineList.h"

#include <algorithm>
#include <utility>

LineList::~LineList() { Clear(); }

LineNode* LineList::NewNode() {
  if (!free_) Reserve(nextBlockSize_);
  LineNode* node = free_;
  free_ = node->next;
  node->next = nullptr;
  return node;
}

void LineList::Reserve(int n) {
  int spare = 0;
  for (LineNode* f = free_; f && spare < n; f = f->next) ++spare;
  if (spare >= n) return;
  const int size = n - spare;
  blocks_.push_back(std::make_unique<LineNode[]>(static_cast<std::size_t>(size)));
  LineNode* block = blocks_.back().get();
  // Chain in address order so that appended lines lie in order in memory.
  for (int i = size - 1; i >= 0; --i) {
    block[i].next = free_;
    free_ = &block[i];
  }
  // Just under 128 KiB a block: a larger one would be mapped apart and waste a page.
  nextBlockSize_ = std::min(nextBlockSize_ * 2, 4095);
}

LineNode* LineList::InsertAfter(LineNode* where, ByteString text) {
  LineNode* node = NewNode();
  node->text = std::move(text);
  node->prev = where;
  node->next = where ? where->next : first_;
  if (node->next)
    node->next->prev = node;
  else
    last_ = node;
  if (where)
    where->next = node;
  else
    first_ = node;
  ++count_;
  return node;
}

void LineList::Remove(LineNode* node) {
  if (node->prev)
    node->prev->next = node->next;
  else
    first_ = node->next;
  if (node->next)
    node->next->prev = node->prev;
  else
    last_ = node->prev;
  node->text.Clear();
  node->prev = nullptr;
  node->next = free_;
  free_ = node;
  --count_;
}

void LineList::Swap(LineList& other) noexcept {
  std::swap(first_, other.first_);
  std::swap(last_, other.last_);
  std::swap(free_, other.free_);
  std::swap(count_, other.count_);
  blocks_.swap(other.blocks_);
  std::swap(nextBlockSize_, other.nextBlockSize_);
}

void LineList::Clear() {
  for (LineNode* n = first_; n; n = n->next) n->text.Clear();
  first_ = last_ = free_ = nullptr;
  count_ = 0;
  blocks_.clear();
  nextBlockSize_ = 16;
}

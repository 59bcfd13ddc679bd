#pragma once
// The document's lines: a doubly linked list whose nodes stay put while their line exists.
// Nodes come from blocks, so a walk over consecutive lines touches consecutive memory.
#include <memory>
#include <vector>

#include "base/ByteString.h"

struct LineNode {
  LineNode* prev = nullptr;
  LineNode* next = nullptr;
  ByteString text;
};

class LineList {
 public:
  LineList() = default;
  LineList(const LineList&) = delete;
  LineList& operator=(const LineList&) = delete;
  ~LineList();

  int Count() const { return count_; }
  LineNode* First() const { return first_; }
  LineNode* Last() const { return last_; }

  // Inserts after where; a null where inserts at the front. Returns the new node.
  LineNode* InsertAfter(LineNode* where, ByteString text);
  LineNode* Append(ByteString text) { return InsertAfter(last_, std::move(text)); }
  void Remove(LineNode* node);
  void Clear();
  // Exchanges the whole contents; node handles move with their lines.
  void Swap(LineList& other) noexcept;
  // Room for n more nodes without further allocation.
  void Reserve(int n);

 private:
  LineNode* NewNode();

  LineNode* first_ = nullptr;
  LineNode* last_ = nullptr;
  LineNode* free_ = nullptr;  // chained through next
  int count_ = 0;
  std::vector<std::unique_ptr<LineNode[]>> blocks_;
  int nextBlockSize_ = 16;
};

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "base/ByteString.h"

// Edits of a shared slice leave the other sharers alone.
TEST(ByteString, SharedSlicesCopyOnWrite) {
  ByteBlock* block = ByteBlock::Allocate(11);
  std::memcpy(block->Data(), "hello world", 11);
  ByteString a(block, 0, 5), b(block, 6, 5);
  block->Unref();
  ByteString c = a;
  ASSERT_TRUE(c.SharesStorageWith(a));
  c.Insert(5, "!!");
  c.Erase(0, 1);
  a.Append(b.View());
  EXPECT_EQ(std::string(c.View()) + "|" + std::string(a.View()) + "|" + std::string(b.View()),
            "ello!!|helloworld|world");
}

// Random edits, the string's own bytes among what is inserted, against std::string; indexes
// out of range are clamped.
TEST(ByteString, EditsMatchAPlainString) {
  std::mt19937 rng(5);
  ByteString s;
  std::string model;
  for (int i = 0; i < 5000; ++i) {
    const int length = static_cast<int>(model.size());
    const int at = static_cast<int>(rng() % static_cast<unsigned>(length + 5)) - 2;
    const std::size_t clamped = static_cast<std::size_t>(std::clamp(at, 0, length));
    switch (rng() % 4) {
      case 0: {
        const std::string piece(1 + rng() % 3, static_cast<char>('a' + rng() % 26));
        s.Append(piece);
        model += piece;
        break;
      }
      case 1: {  // a piece of itself: the source may move while the string grows
        const std::string copy = model.substr(clamped, 4);
        s.Insert(at, s.View().substr(clamped, 4));
        model.insert(clamped, copy);
        break;
      }
      case 2: {
        const int count = static_cast<int>(rng() % 4);
        s.Erase(at, count);
        if (at < length && count > 0) model.erase(clamped, static_cast<std::size_t>(count));
        break;
      }
      default:
        EXPECT_EQ(s.Mid(at, 3), model.substr(clamped, 3));
    }
    ASSERT_EQ(s.View(), model) << i;
    if (model.size() > 200) {
      s.Truncate(10);
      model.resize(10);
    }
  }
}

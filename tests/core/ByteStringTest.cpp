#include <gtest/gtest.h>

#include <cstring>

#include "base/ByteString.h"

TEST(ByteString, EditsOfASharedSliceLeaveTheOtherSharersAlone) {
  ByteBlock* block = ByteBlock::Allocate(11);
  std::memcpy(block->Data(), "hello world", 11);
  ByteString a(block, 0, 5), b(block, 6, 5);
  block->Unref();
  ByteString c = a;
  ASSERT_TRUE(c.SharesStorageWith(a));
  c.Insert(5, "!!");
  c.Erase(0, 1);
  EXPECT_EQ(c, "ello!!");
  EXPECT_EQ(a, "hello");
  EXPECT_EQ(b, "world");
  a.Append(b.View());  // a gets its own block; b still reads the old one
  EXPECT_EQ(a, "helloworld");
  EXPECT_EQ(b, "world");
}

TEST(ByteString, ClampsIndexesAndHandlesSelfInsertion) {
  ByteString s("abc");
  s.Insert(99, "d");
  s.Insert(-5, "_");
  EXPECT_EQ(s, "_abcd");
  s.Insert(2, s.View());  // the source moves while growing
  EXPECT_EQ(s, "_a_abcdbcd");
  s.Insert(0, s.View().substr(1, 3));  // the source lies where the bytes move to
  EXPECT_EQ(s, "a_a_a_abcdbcd");
  s.Erase(-2, 6);
  EXPECT_EQ(s, "abcdbcd");
  s.Erase(5, 100);
  EXPECT_EQ(s, "abcdb");
  s.Erase(9, 1);
  s.Erase(1, 0);
  EXPECT_EQ(s, "abcdb");
  EXPECT_EQ(s.Mid(3), "db");
  EXPECT_EQ(s.Mid(-1, 2), "ab");
  EXPECT_EQ(s.Mid(4, 10), "b");
  s.Truncate(0);
  EXPECT_TRUE(s.IsEmpty());
}

TEST(ByteString, GrowingInPlaceKeepsContentAcrossManyAppends) {
  ByteString s;
  std::string model;
  for (int i = 0; i < 5000; ++i) {
    const char ch = static_cast<char>('a' + i % 26);
    if (i % 7 == 3) {
      s.Insert(i % (s.Length() + 1), std::string(1, ch));
      model.insert(static_cast<std::size_t>(i % (static_cast<int>(model.size()) + 1)), 1, ch);
    } else {
      s.Append(std::string(1, ch));
      model.push_back(ch);
    }
    if (i % 11 == 5) {
      s.Erase(0, 1);  // head cuts move the slice start
      model.erase(0, 1);
    }
  }
  EXPECT_EQ(s.View(), model);
}

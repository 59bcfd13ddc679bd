// The byte strings lines are made of, against a plain string.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "base/ByteString.h"

namespace {

// Random edits, the string's own bytes among what is inserted, against std::string; indexes out
// of range are clamped. Slices taken and edited leave the string alone.
TEST(ByteString, EditsMatchAPlainString) {
  std::mt19937 rng(5);
  ByteString s;
  std::string model;
  for (int i = 0; i < 5000; ++i) {
    const int length = static_cast<int>(model.size()), count = static_cast<int>(rng() % 4);
    const int at = static_cast<int>(rng() % static_cast<unsigned>(length + 5)) - 2;
    const std::size_t clamped = static_cast<std::size_t>(std::clamp(at, 0, length));
    const auto op = rng() % 4;
    if (op == 0) {
      const std::string more(static_cast<std::size_t>(1 + count), static_cast<char>('a' + rng() % 26));
      s.Append(more);
      model += more;
    } else if (op == 1) {  // a piece of itself: the source may move while the string grows
      s.Insert(at, s.View().substr(clamped, 4));
      model.insert(clamped, model.substr(clamped, 4));
    } else if (op == 2) {
      s.Erase(at, count);
      if (at < length && count > 0) model.erase(clamped, static_cast<std::size_t>(count));
    } else {
      ByteString slice = s.Mid(at, 3);
      EXPECT_EQ(slice.View(), model.substr(clamped, 3));
      slice.Insert(1, "#");
      slice.Erase(0, 1);
    }
    ASSERT_EQ(s.View(), model) << i;
    if (model.size() > 200) {
      s.Truncate(10);
      model.resize(10);
    }
  }
}

}  // namespace

#include <gtest/gtest.h>

#include <QString>
#include <optional>

#include "app/IntegerField.h"

namespace {

TEST(IntegerFieldTest, ReadsSignedDecimalsInTheFieldAndRefusesAnythingElse) {
  const std::pair<QString, std::optional<int>> cases[] = {
      {" 4 ", 4},
      {"\t+7\t", 7},
      {"-120", -120},
      {"  000 ", 0},
      {"-0", std::nullopt},  // zero only with a leading digit
      {"", std::nullopt},
      {"4a", std::nullopt},
      {"4 5", std::nullopt},
      {"0x10", std::nullopt},
      {"- 4", std::nullopt},
      {QString::fromUtf16(u"\uff14"), std::nullopt},  // full-width digit
      {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"2147483648", std::nullopt},
      {"0000000000000000000002147483647", 2147483647},  // exactly 31 characters
      // Only 31 characters fit: blanks past them are ignored, other text is refused.
      {"5" + QString(34, u' '), 5},
      {QString(30, u' ') + " 5", std::nullopt},
      {QString(31, u'0') + "12", std::nullopt},
  };
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(ParseIntegerField(text), expected) << '"' << text.toStdString() << '"';
}

}  // namespace

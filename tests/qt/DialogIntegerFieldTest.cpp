#include <gtest/gtest.h>

#include <QString>
#include <optional>

#include "app/IntegerField.h"

namespace {

std::optional<int> Parse(const char16_t* text) { return ParseIntegerField(QStringView(text)); }

TEST(IntegerFieldTest, AcceptsSignedDecimalsWithBlanksAndTabsAround) {
  EXPECT_EQ(Parse(u"4"), 4);
  EXPECT_EQ(Parse(u" 4 "), 4);
  EXPECT_EQ(Parse(u"\t 12\t"), 12);
  EXPECT_EQ(Parse(u"+7"), 7);
  EXPECT_EQ(Parse(u"-7"), -7);
  EXPECT_EQ(Parse(u"  -120  "), -120);
  EXPECT_EQ(Parse(u"007"), 7);
}

TEST(IntegerFieldTest, ZeroCountsOnlyWhenWrittenWithALeadingDigitZero) {
  EXPECT_EQ(Parse(u"0"), 0);
  EXPECT_EQ(Parse(u"  000 "), 0);
  EXPECT_EQ(Parse(u"+0"), std::nullopt);
  EXPECT_EQ(Parse(u"-0"), std::nullopt);
  EXPECT_EQ(Parse(u"-00"), std::nullopt);
}

TEST(IntegerFieldTest, RefusesEmptyAndAnythingElseAroundTheNumber) {
  for (const char16_t* text : {u"", u"   ", u"\t", u"4a", u"a4", u"4 5", u"4.0", u"0x10", u"- 4", u"+", u"-",
                               u"+-4", u"4-", u"\n4", u"4\n", u"\u0034\u3000", u"\uff14"}) {
    EXPECT_EQ(Parse(text), std::nullopt) << QString::fromUtf16(text).toStdString();
  }
}

TEST(IntegerFieldTest, KeepsTheFull32BitRangeAndRefusesWhatLiesBeyond) {
  EXPECT_EQ(Parse(u"2147483647"), 2147483647);
  EXPECT_EQ(Parse(u"-2147483648"), -2147483647 - 1);
  EXPECT_EQ(Parse(u"2147483648"), std::nullopt);
  EXPECT_EQ(Parse(u"-2147483649"), std::nullopt);
  EXPECT_EQ(Parse(u"99999999999999999999"), std::nullopt);
  EXPECT_EQ(Parse(u"0000000000000000000002147483647"), 2147483647);  // exactly 31 characters
}

TEST(IntegerFieldTest, ReadsOnlyThe31CharactersThatFitTheField) {
  const QString thirtyBlanks(30, u' ');
  // Blanks past the field are ignored; the number must start within it.
  EXPECT_EQ(ParseIntegerField(QStringLiteral("5") + thirtyBlanks + QStringLiteral("    ")), 5);
  EXPECT_EQ(ParseIntegerField(thirtyBlanks + QStringLiteral("5")), 5);
  EXPECT_EQ(ParseIntegerField(thirtyBlanks + QStringLiteral(" 5")), std::nullopt);
  // Text past the field that would change the number is refused, never cut off.
  EXPECT_EQ(ParseIntegerField(QString(31, u'0') + QStringLiteral("12")), std::nullopt);
  EXPECT_EQ(ParseIntegerField(QStringLiteral("4") + thirtyBlanks + QStringLiteral("x")), std::nullopt);
}

}  // namespace

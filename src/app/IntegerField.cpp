#include "app/IntegerField.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace {

constexpr qsizetype kFieldChars = 31;

bool IsBlank(QChar c) { return c == u' ' || c == u'\t'; }

std::optional<int> Parse(QStringView text, bool clamp) {
  for (qsizetype i = kFieldChars; i < text.size(); ++i) {
    if (!IsBlank(text[i])) return std::nullopt;
  }
  const QStringView field = text.left(kFieldChars);
  qsizetype i = 0;
  while (i < field.size() && IsBlank(field[i])) ++i;
  if (i == field.size()) return std::nullopt;
  const QChar first = field[i];

  bool negative = false;
  if (field[i] == u'+' || field[i] == u'-') {
    negative = field[i] == u'-';
    ++i;
  }
  // One past the largest magnitude, so that the most negative value still fits.
  const std::int64_t limit = std::int64_t{std::numeric_limits<int>::max()} + (negative ? 1 : 0);
  std::int64_t value = 0;
  const qsizetype digitsStart = i;
  while (i < field.size() && field[i] >= u'0' && field[i] <= u'9') {
    value = std::min<std::int64_t>(value * 10 + (field[i].unicode() - u'0'), limit + 1);
    if (value > limit && !clamp) return std::nullopt;
    ++i;
  }
  if (i == digitsStart) return std::nullopt;
  if (value == 0 && first != u'0') return std::nullopt;
  while (i < field.size() && IsBlank(field[i])) ++i;
  if (i != field.size()) return std::nullopt;
  value = std::min(value, limit);
  return static_cast<int>(negative ? -value : value);
}

}  // namespace

std::optional<int> ParseIntegerField(QStringView text) { return Parse(text, false); }

std::optional<int> ParseIntegerFieldClamped(QStringView text) { return Parse(text, true); }

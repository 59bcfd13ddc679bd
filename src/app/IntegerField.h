#pragma once
// The integer fields of the dialogs (tab size, line number) read their text with one rule.
#include <QStringView>
#include <optional>

// Reads the first 31 characters of a field: blanks and tabs around a decimal integer with
// an optional sign. A value of zero counts only when it is written starting with the digit
// 0, so "+0" and "-0" are refused. Empty text, anything else around the number, a value
// that does not fit in 32 bits, and non-blank text past the 31st character (which would
// silently change the number) give nothing.
std::optional<int> ParseIntegerField(QStringView text);
// The same, except that an integer too large for 32 bits gives the nearest 32-bit value, for
// fields that refuse a value out of their range with a message of its own.
std::optional<int> ParseIntegerFieldClamped(QStringView text);

#pragma once
// Code page 932 bytes as Qt text, for the clipboard and whole-string drawing.
#include <QString>
#include <string_view>

#include "base/Cp932.h"

// Bytes that decode to nothing become U+FFFD; nothing is dropped.
inline QString Cp932ToQString(std::string_view bytes) {
  const std::u16string text = cp932::DecodeToUtf16(bytes);
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

#pragma once
// Code page 932 bytes as Qt text and back, for the clipboard, typed text, dialog fields and
// whole-string drawing.
#include <QString>
#include <string>
#include <string_view>

#include "base/Cp932.h"

// Bytes that decode to nothing become U+FFFD; nothing is dropped.
inline QString Cp932ToQString(std::string_view bytes) {
  const std::u16string text = cp932::DecodeToUtf16(bytes);
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

inline std::u16string_view Utf16Of(const QString& text) {
  return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

// "U+1F600 😀": the code, and the character itself when it can be shown; for telling the user
// which character code page 932 lacks.
inline QString CharName(char32_t codePoint) {
  QString name = QStringLiteral("U+") + QString::number(codePoint, 16).toUpper().rightJustified(4, u'0');
  const bool scalar = codePoint <= 0x10FFFF && (codePoint < 0xD800 || codePoint > 0xDFFF);
  if (scalar) {
    const QChar::Category category = QChar::category(codePoint);
    if (category != QChar::Other_Control && category != QChar::Other_Format &&
        category != QChar::Other_NotAssigned)
      name += u' ' + QString::fromUcs4(&codePoint, 1);
  }
  return name;
}

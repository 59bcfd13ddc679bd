#pragma once
// Reading painted pixels: where the ink is, whether an area is one colour.
#include <QImage>
#include <QRect>
#include <QRgb>
#include <string>

#include "base/Settings.h"

inline QRgb Rgb(Color c) { return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

// The bounding box of the pixels in area that are not back; empty when there are none.
inline QRect InkBox(const QImage& image, const QRect& area, QRgb back) {
  QRect box;
  const QRect r = area & image.rect();
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x)
      if ((image.pixel(x, y) & 0xFFFFFF) != (back & 0xFFFFFF)) box |= QRect(x, y, 1, 1);
  return box;
}

inline int CountColor(const QImage& image, const QRect& area, QRgb color) {
  int n = 0;
  const QRect r = area & image.rect();
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x)
      if ((image.pixel(x, y) & 0xFFFFFF) == (color & 0xFFFFFF)) ++n;
  return n;
}

// True when every pixel of area is color.
inline bool IsUniform(const QImage& image, const QRect& area, QRgb color) {
  const QRect r = area & image.rect();
  return !r.isEmpty() && CountColor(image, r, color) == r.width() * r.height();
}

inline std::string Describe(const QRect& r) {
  return r.isEmpty() ? "empty"
                     : "(" + std::to_string(r.left()) + "," + std::to_string(r.top()) + " " +
                           std::to_string(r.width()) + "x" + std::to_string(r.height()) + ")";
}

// Where two pictures first differ, or empty when they are equal.
inline std::string FirstDifference(const QImage& a, const QImage& b) {
  if (a.size() != b.size())
    return "sizes " + std::to_string(a.width()) + "x" + std::to_string(a.height()) + " and " +
           std::to_string(b.width()) + "x" + std::to_string(b.height());
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if ((a.pixel(x, y) & 0xFFFFFF) != (b.pixel(x, y) & 0xFFFFFF))
        return "pixel " + std::to_string(x) + "," + std::to_string(y);
  return "";
}

#pragma once
// Drawing for a view's paint: one row is composed off-screen, then copied to the screen
// in one piece; short strings go straight to the screen.
#include <string_view>

#include "base/Settings.h"
#include "view/ViewHost.h"

class Surface {
 public:
  virtual ~Surface() = default;

  // The area the paint must cover.
  virtual Rect ClipBox() const = 0;

  // Makes the off-screen row width × height; keeps it when the size is unchanged.
  virtual void PrepareRow(int width, int height) = 0;
  virtual void FillRow(const Rect& rect, Color color) = 0;
  // Draws code page 932 bytes at (x, 0) of the row on the cell grid: one cell a single byte,
  // two a double-byte character, each cell's background filled. A tab moves to the next stop
  // strictly right of the pen, stops lying every tabPx pixels from tabOrigin; its gap is
  // filled with background. Returns the width advanced.
  virtual int DrawRowText(int x, std::string_view cp932, Color text, Color background, int cellWidth,
                          int tabPx, int tabOrigin) = 0;
  // Copies [left, left + width) of the row to the screen at (left, y).
  virtual void CopyRowToScreen(int left, int width, int y) = 0;

  // A short ASCII string straight on the screen, with an opaque background.
  virtual void DrawScreenText(int x, int y, std::string_view ascii, Color text, Color background) = 0;
};

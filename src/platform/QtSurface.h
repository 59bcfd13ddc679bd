#pragma once
// A view's paint done with QPainter. A row is composed as a short list of fills and glyph
// runs on the cell grid and lands on the screen in one piece when the view copies it: either
// replayed straight into the screen painter, clipped to the row (Qt's backing store already
// composes off-screen), or through a row image that is then copied.
#include <QGlyphRun>
#include <QImage>
#include <QPainter>
#include <QPointF>
#include <QRect>
#include <QRgb>
#include <vector>

#include "platform/ViewFont.h"
#include "view/Surface.h"

inline QRgb ToQRgb(Color c) { return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

class QtSurface : public Surface {
 public:
  // Paints with screen, in font, the area clip. With rowImage, rows are composed in that image
  // (kept by the caller between paints); without, they are replayed into screen.
  QtSurface(QPainter& screen, ViewFont& font, const QRect& clip, QImage* rowImage = nullptr);
  ~QtSurface() override;
  QtSurface(const QtSurface&) = delete;
  QtSurface& operator=(const QtSurface&) = delete;

  Rect ClipBox() const override;
  void PrepareRow(int width, int height) override;
  void FillRow(const Rect& rect, Color color) override;
  int DrawRowText(int x, std::string_view cp932, Color text, Color background, int cellWidth, int tabPx,
                  int tabOrigin) override;
  void CopyRowToScreen(int left, int width, int y) override;
  void DrawScreenText(int x, int y, std::string_view ascii, Color text, Color background) override;

 private:
  struct Op {
    enum Kind { Fill, Glyphs, Fallback, Box } kind;
    QRect rect;  // Fill, Box: the area; Fallback: the cells
    QRgb color = 0;
    int first = 0;  // Glyphs: range in glyphs_ / positions_; Fallback: the character code
    int count = 0;
  };

  // Appends the drawing of one character's cells at pen; returns nothing.
  void AddChar(unsigned code, int pen, int cells, int cellWidth, QRgb text, Op& run);
  void Replay(QPainter& painter, int dy);
  void AddFill(const QRect& rect, QRgb color);

  QPainter& screen_;
  ViewFont& font_;
  QRect clip_;
  QImage* rowImage_;
  QPainter rowPainter_;
  int rowWidth_ = 0;
  int rowHeight_ = 0;

  std::vector<Op> ops_;
  std::vector<quint32> glyphs_;
  std::vector<QPointF> positions_;
  QGlyphRun run_;
};

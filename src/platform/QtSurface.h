#pragma once
// A view's paint done with Qt. Each row lands on the screen in one piece when the view copies
// it, composed in one of two ways:
// - in a row image (kept by the caller between paints), written directly: fills are memory
//   fills and each character is a copy of its finished cells from the font's cell cache;
// - or as a short list of fills and glyph runs replayed straight into the screen painter,
//   clipped to the row (Qt's backing store already composes off-screen).
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
  // Paints with screen, in font, the area clip. With rowImage, rows are composed in that image;
  // without, they are replayed into screen.
  QtSurface(QPainter& screen, ViewFont& font, const QRect& clip, QImage* rowImage = nullptr);
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
    enum Kind { Fill, Glyphs, Special } kind;
    QRect rect;  // Fill: the area; Special: the cells
    QRgb color = 0;
    unsigned code = 0;  // Special: the character
    int first = 0;      // Glyphs: range in glyphs_ / positions_
    int count = 0;
  };

  // Row image: a fill of the part of rect inside the row, and one character's cells at x.
  void FillPixels(const QRect& rect, QRgb color);
  void CopyCells(const QImage& cells, int x, int width);
  // Screen list: the character's glyph joins the run, anything else becomes its own step.
  void AddChar(unsigned code, int pen, int cells, int cellWidth, QRgb ink, Op& run);
  void Replay(QPainter& painter, int dy);

  QPainter& screen_;
  ViewFont& font_;
  QRect clip_;
  QImage* rowImage_;
  int rowWidth_ = 0;
  int rowHeight_ = 0;

  std::vector<Op> ops_;
  std::vector<quint32> glyphs_;
  std::vector<QPointF> positions_;
  QGlyphRun run_;
};

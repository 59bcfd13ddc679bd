#include "platform/QtSurface.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "base/Cp932.h"

namespace {

// The next tab stop strictly right of pen.
int NextTabStop(int pen, int tabPx, int tabOrigin) {
  const long long rel = static_cast<long long>(pen) - tabOrigin;
  long long k = rel / tabPx;
  if (rel < 0 && rel % tabPx != 0) --k;  // floor for pens left of the origin
  const long long next = tabOrigin + (k + 1) * tabPx;
  return static_cast<int>(std::min<long long>(next, INT_MAX / 2));
}

}  // namespace

QtSurface::QtSurface(QPainter& screen, ViewFont& font, const QRect& clip, QImage* rowImage)
    : screen_(screen),
      font_(font),
      clip_(clip),
      rowImage_(rowImage),
      rowWidth_(std::max(0, clip.right() + 1)),
      rowHeight_(font.LineHeight()) {
  run_.setRawFont(font_.RawFont());
}

Rect QtSurface::ClipBox() const {
  return {clip_.left(), clip_.top(), clip_.left() + clip_.width(), clip_.top() + clip_.height()};
}

void QtSurface::PrepareRow(int width, int height) {
  rowWidth_ = std::max(0, width);
  rowHeight_ = std::max(1, height);
  if (rowImage_ && (rowImage_->width() != std::max(1, rowWidth_) || rowImage_->height() != rowHeight_))
    *rowImage_ = QImage(std::max(1, rowWidth_), rowHeight_, QImage::Format_RGB32);
}

// --- Row image -------------------------------------------------------------------------

void QtSurface::FillPixels(const QRect& rect, QRgb color) {
  const QRect r = rect & QRect(0, 0, std::min(rowWidth_, rowImage_->width()), rowImage_->height());
  if (r.isEmpty()) return;
  for (int y = r.top(); y <= r.bottom(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(rowImage_->scanLine(y));
    std::fill_n(line + r.left(), r.width(), color);
  }
}

void QtSurface::CopyCells(const QImage& cells, int x, int width) {
  const int from = std::max(x, 0);
  const int to = std::min({x + width, x + cells.width(), rowWidth_, rowImage_->width()});
  if (from >= to) return;
  const int height = std::min(cells.height(), rowImage_->height());
  const std::size_t bytes = static_cast<std::size_t>(to - from) * sizeof(QRgb);
  for (int y = 0; y < height; ++y) {
    const auto* src = reinterpret_cast<const QRgb*>(cells.constScanLine(y)) + (from - x);
    std::memcpy(reinterpret_cast<QRgb*>(rowImage_->scanLine(y)) + from, src, bytes);
  }
}

// --- Screen list -------------------------------------------------------------------------

void QtSurface::AddChar(unsigned code, int pen, int cells, int cellWidth, QRgb ink, Op& run) {
  const ViewFont::Glyph& g = font_.GlyphFor(code);
  switch (g.kind) {
    case ViewFont::GlyphKind::Blank:
      break;
    case ViewFont::GlyphKind::Glyph:
      glyphs_.push_back(g.index);
      positions_.emplace_back(pen + g.dx, g.baseline);
      ++run.count;
      break;
    case ViewFont::GlyphKind::Fallback:
    case ViewFont::GlyphKind::Symbol:
      ops_.push_back(Op{Op::Special, QRect(pen, 0, cells * cellWidth, rowHeight_), ink, code, 0, 0});
      break;
  }
}

void QtSurface::Replay(QPainter& painter, int dy) {
  for (const Op& op : ops_) {
    switch (op.kind) {
      case Op::Fill:
        if (!op.rect.isEmpty()) painter.fillRect(op.rect.translated(0, dy), QColor(op.color));
        break;
      case Op::Glyphs:
        run_.setRawData(glyphs_.data() + op.first, positions_.data() + op.first, op.count);
        painter.setPen(QColor(op.color));
        painter.drawGlyphRun(QPointF(0, dy), run_);
        break;
      case Op::Special:
        font_.DrawSpecial(painter, op.code, font_.GlyphFor(op.code), op.rect.translated(0, dy), op.color);
        break;
    }
  }
}

// --- Surface -----------------------------------------------------------------------------

void QtSurface::FillRow(const Rect& rect, Color color) {
  const QRect r =
      QRect(rect.left, rect.top, rect.Width(), rect.Height()) & QRect(0, 0, rowWidth_, rowHeight_);
  if (r.isEmpty()) return;
  if (rowImage_) {
    FillPixels(r, ToQRgb(color));
  } else {
    ops_.push_back(Op{Op::Fill, r, ToQRgb(color), 0, 0, 0});
  }
}

int QtSurface::DrawRowText(int x, std::string_view cp932, Color text, Color background, int cellWidth,
                           int tabPx, int tabOrigin) {
  cellWidth = std::max(1, cellWidth);
  if (tabPx < 1) tabPx = cellWidth;
  const QRgb ink = ToQRgb(text);
  const QRgb back = ToQRgb(background);

  ViewFont::CellCache* cache = rowImage_ ? &font_.Cells(ink, back) : nullptr;
  // On the screen list the background goes first; its extent is known once the run is laid out.
  const std::size_t fillAt = ops_.size();
  if (!cache) ops_.push_back(Op{Op::Fill, QRect(), back, 0, 0, 0});
  Op run{Op::Glyphs, QRect(), ink, 0, static_cast<int>(glyphs_.size()), 0};

  const auto* bytes = reinterpret_cast<const unsigned char*>(cp932.data());
  const std::size_t n = cp932.size();
  int pen = x;
  for (std::size_t i = 0; i < n;) {
    const unsigned char b = bytes[i];
    if (b == '\t') {
      const int stop = NextTabStop(pen, tabPx, tabOrigin);
      if (cache) FillPixels(QRect(QPoint(pen, 0), QPoint(stop - 1, rowHeight_ - 1)), back);
      pen = stop;
      ++i;
      continue;
    }
    unsigned code = b;
    int cells = 1;
    if (cp932::IsLeadByte(b) && i + 1 < n) {
      code = (unsigned{b} << 8) | bytes[i + 1];
      cells = 2;
    }
    i += static_cast<std::size_t>(cells);
    const int width = cells * cellWidth;
    if (pen < rowWidth_ && pen + width > 0) {
      if (cache) {
        CopyCells(cache->For(code), pen, width);
      } else {
        AddChar(code, pen, cells, cellWidth, ink, run);
      }
    }
    pen += width;
    if (pen > INT_MAX / 4) break;  // far past any screen; nothing more can be seen
  }

  if (!cache) {
    // Left empty (and skipped) when the run lies wholly outside the row.
    ops_[fillAt].rect =
        QRect(QPoint(x, 0), QPoint(pen - 1, rowHeight_ - 1)) & QRect(0, 0, rowWidth_, rowHeight_);
    if (run.count > 0) ops_.push_back(run);
  }
  return pen - x;
}

void QtSurface::CopyRowToScreen(int left, int width, int y) {
  const QRect target(left, y, std::max(0, width), rowHeight_);
  if (!target.isEmpty()) {
    if (rowImage_) {
      screen_.drawImage(target.topLeft(), *rowImage_, QRect(left, 0, target.width(), rowHeight_));
    } else {
      screen_.setClipRect(target);
      Replay(screen_, y);
      screen_.setClipping(false);
    }
  }
  ops_.clear();
  glyphs_.clear();
  positions_.clear();
}

void QtSurface::DrawScreenText(int x, int y, std::string_view ascii, Color text, Color background) {
  // Cell by cell, as the row text is drawn.
  const QRgb ink = ToQRgb(text);
  const QRgb back = ToQRgb(background);
  const int cw = font_.CellWidth();
  const std::string_view shown = ascii.substr(0, std::min<std::size_t>(ascii.size(), 4096));
  if (rowImage_) {
    ViewFont::CellCache& cache = font_.Cells(ink, back);
    int cellX = x;
    for (const char c : shown) {
      screen_.drawImage(QPoint(cellX, y), cache.For(static_cast<unsigned char>(c)));
      cellX += cw;
    }
    return;
  }
  screen_.fillRect(QRect(x, y, static_cast<int>(shown.size()) * cw, font_.LineHeight()), QColor(back));
  std::vector<quint32> glyphs;
  std::vector<QPointF> positions;
  int cellX = x;
  for (const char c : shown) {
    const unsigned code = static_cast<unsigned char>(c);
    const ViewFont::Glyph& g = font_.GlyphFor(code);
    if (g.kind == ViewFont::GlyphKind::Glyph) {
      glyphs.push_back(g.index);
      positions.emplace_back(cellX + g.dx, y + g.baseline);
    } else {
      font_.DrawSpecial(screen_, code, g, QRect(cellX, y, cw, font_.LineHeight()), ink);
    }
    cellX += cw;
  }
  if (glyphs.empty()) return;
  QGlyphRun run;
  run.setRawFont(font_.RawFont());
  run.setRawData(glyphs.data(), positions.data(), static_cast<int>(glyphs.size()));
  screen_.setPen(QColor(ink));
  screen_.drawGlyphRun(QPointF(0, 0), run);
}

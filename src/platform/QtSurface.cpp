#include "platform/QtSurface.h"

#include <algorithm>
#include <climits>

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
  ops_.reserve(64);
  glyphs_.reserve(512);
  positions_.reserve(512);
}

QtSurface::~QtSurface() {
  if (rowPainter_.isActive()) rowPainter_.end();
}

Rect QtSurface::ClipBox() const {
  return {clip_.left(), clip_.top(), clip_.left() + clip_.width(), clip_.top() + clip_.height()};
}

void QtSurface::PrepareRow(int width, int height) {
  rowWidth_ = std::max(0, width);
  rowHeight_ = std::max(1, height);
  if (!rowImage_) return;
  if (rowImage_->width() != rowWidth_ || rowImage_->height() != rowHeight_) {
    if (rowPainter_.isActive()) rowPainter_.end();
    *rowImage_ = QImage(std::max(1, rowWidth_), rowHeight_, QImage::Format_RGB32);
  }
}

void QtSurface::AddFill(const QRect& rect, QRgb color) {
  const QRect r = rect & QRect(0, 0, rowWidth_, rowHeight_);
  if (!r.isEmpty()) ops_.push_back(Op{Op::Fill, r, color, 0, 0});
}

void QtSurface::FillRow(const Rect& rect, Color color) {
  AddFill(QRect(rect.left, rect.top, rect.Width(), rect.Height()), ToQRgb(color));
}

void QtSurface::AddChar(unsigned code, int pen, int cells, int cellWidth, QRgb text, Op& run) {
  const ViewFont::Glyph& g = font_.GlyphFor(code);
  switch (g.kind) {
    case ViewFont::GlyphKind::Blank:
      break;
    case ViewFont::GlyphKind::Glyph:
      glyphs_.push_back(g.index);
      positions_.emplace_back(pen + g.dx, font_.Ascent());
      ++run.count;
      break;
    case ViewFont::GlyphKind::Fallback:
      ops_.push_back(
          Op{Op::Fallback, QRect(pen, 0, cells * cellWidth, rowHeight_), text, static_cast<int>(code), 0});
      break;
    case ViewFont::GlyphKind::Symbol:
      ops_.push_back(Op{Op::Box, QRect(pen, 0, cells * cellWidth, rowHeight_), text, 0, 0});
      break;
  }
}

int QtSurface::DrawRowText(int x, std::string_view cp932, Color text, Color background, int cellWidth,
                           int tabPx, int tabOrigin) {
  cellWidth = std::max(1, cellWidth);
  if (tabPx < 1) tabPx = cellWidth;
  const QRgb ink = ToQRgb(text);

  // The background goes first; its extent is known once the run has been laid out.
  const std::size_t fillAt = ops_.size();
  ops_.push_back(Op{Op::Fill, QRect(), ToQRgb(background), 0, 0});
  Op run{Op::Glyphs, QRect(), ink, static_cast<int>(glyphs_.size()), 0};

  const auto* bytes = reinterpret_cast<const unsigned char*>(cp932.data());
  const std::size_t n = cp932.size();
  int pen = x;
  for (std::size_t i = 0; i < n;) {
    const unsigned char b = bytes[i];
    if (b == '\t') {
      pen = NextTabStop(pen, tabPx, tabOrigin);
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
    if (pen < rowWidth_ && pen + cells * cellWidth > 0) AddChar(code, pen, cells, cellWidth, ink, run);
    pen += cells * cellWidth;
    if (pen > INT_MAX / 4) break;  // far past any screen; nothing more can be seen
  }

  // Left empty (and skipped) when the run lies wholly outside the row.
  ops_[fillAt].rect =
      QRect(QPoint(x, 0), QPoint(pen - 1, rowHeight_ - 1)) & QRect(0, 0, rowWidth_, rowHeight_);
  if (run.count > 0) ops_.push_back(run);
  return pen - x;
}

void QtSurface::Replay(QPainter& painter, int dy) {
  bool fontSet = false;
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
      case Op::Fallback: {
        if (!fontSet) {
          painter.setFont(font_.Font());
          fontSet = true;
        }
        painter.setPen(QColor(op.color));
        painter.drawText(QPointF(op.rect.left(), dy + font_.Ascent()),
                         font_.FallbackText(static_cast<unsigned>(op.first)));
        break;
      }
      case Op::Box: {
        // A hollow box inside the cells, from about cap height down to the baseline.
        const QRect cellRect = op.rect.translated(0, dy);
        const int top = cellRect.top() + std::max(1, font_.Ascent() * 3 / 10);
        const int bottom = cellRect.top() + std::max(2, font_.Ascent() - 1);
        const int left = cellRect.left() + (cellRect.width() >= 4 ? 1 : 0);
        const int right = cellRect.right() - (cellRect.width() >= 4 ? 1 : 0);
        const QColor c(op.color);
        painter.fillRect(QRect(QPoint(left, top), QPoint(right, top)), c);
        painter.fillRect(QRect(QPoint(left, bottom), QPoint(right, bottom)), c);
        painter.fillRect(QRect(QPoint(left, top), QPoint(left, bottom)), c);
        painter.fillRect(QRect(QPoint(right, top), QPoint(right, bottom)), c);
        break;
      }
    }
  }
}

void QtSurface::CopyRowToScreen(int left, int width, int y) {
  const QRect target(left, y, std::max(0, width), rowHeight_);
  if (!target.isEmpty()) {
    if (rowImage_) {
      if (!rowPainter_.isActive()) rowPainter_.begin(rowImage_);
      Replay(rowPainter_, 0);
      screen_.drawImage(QPoint(left, y), *rowImage_, QRect(left, 0, target.width(), rowHeight_));
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
  const int cw = font_.CellWidth();
  const int h = font_.LineHeight();
  screen_.fillRect(QRect(x, y, cw * static_cast<int>(std::min<std::size_t>(ascii.size(), 4096)), h),
                   QColor(ToQRgb(background)));
  screen_.setFont(font_.Font());
  screen_.setPen(QColor(ToQRgb(text)));
  int pen = x;
  for (std::size_t i = 0; i < ascii.size() && i < 4096; ++i, pen += cw) {
    const ViewFont::Glyph& g = font_.GlyphFor(static_cast<unsigned char>(ascii[i]));
    if (g.kind == ViewFont::GlyphKind::Blank) continue;
    screen_.drawText(QPointF(pen + g.dx, y + font_.Ascent()), QString(QLatin1Char(ascii[i])));
  }
}

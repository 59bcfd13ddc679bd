#include "ViewFakes.h"

#include <algorithm>
#include <sstream>

#include "base/Cp932.h"

// ---- Picture ---------------------------------------------------------------------------

Picture::Picture(int width, int height)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pixels_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_)) {}

void Picture::Fill(const Rect& r, const Pixel& p) {
  for (int y = std::max(r.top, 0); y < std::min(r.bottom, height_); ++y)
    for (int x = std::max(r.left, 0); x < std::min(r.right, width_); ++x) At(x, y) = p;
}

void Picture::Scroll(int dx, int dy) {
  Picture moved(width_, height_);
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x)
      if (Contains(x - dx, y - dy)) moved.At(x, y) = At(x - dx, y - dy);
  *this = std::move(moved);
}

// ---- Cell readings -----------------------------------------------------------------------

namespace {

char ColorLetter(Color c, const ColorTable& colors) {
  if (c == kGarbage) return '#';
  static constexpr char kLetters[] = {'k', 's', 't', 'x', 'm', 'g'};
  for (int i = 0; i < ColorTable::Count; ++i)
    if (colors[i] == c) return kLetters[i];
  return '?';
}

// The pixel expected at offset dx right of `left` in a cell that starts with `left`.
Pixel Shifted(const Pixel& left, int dx) {
  Pixel p = left;
  if (p.glyph != 0) p.glyph += static_cast<std::uint32_t>(dx);
  return p;
}

bool CellIsClean(const Picture& pic, int x0, int y0, int w, int h) {
  const Pixel& first = pic.At(x0, y0);
  for (int y = y0; y < std::min(y0 + h, pic.Height()); ++y)
    for (int x = x0; x < std::min(x0 + w, pic.Width()); ++x)
      if (!(pic.At(x, y) == Shifted(first, x - x0))) return false;
  return true;
}

template <typename F>
std::string ReadCells(const Picture& pic, int row, int cw, int ch, F reading) {
  std::string out;
  const int y0 = row * ch;
  if (y0 < 0 || y0 >= pic.Height()) return out;
  for (int x0 = 0; x0 < pic.Width(); x0 += cw) out += reading(x0, y0);
  return out;
}

}  // namespace

std::string CellGlyphs(const Picture& pic, int row, int cw, int ch) {
  return ReadCells(pic, row, cw, ch, [&](int x0, int y0) {
    if (!CellIsClean(pic, x0, y0, cw, ch)) return '!';
    const std::uint32_t g = pic.At(x0, y0).glyph;
    if (g == 0) return '.';
    const std::uint32_t code = (g & ~kGlyphFlag) >> 8;
    const std::uint32_t dx = g & 0xFF;
    if (code > 0xFF) return dx == 0 ? '<' : (dx == static_cast<std::uint32_t>(cw) ? '>' : '!');
    if (dx != 0) return '!';
    return (code >= 0x20 && code < 0x7F) ? static_cast<char>(code) : '?';
  });
}

std::string CellBacks(const Picture& pic, int row, int cw, int ch, const ColorTable& colors) {
  return ReadCells(pic, row, cw, ch, [&](int x0, int y0) {
    const Color back = pic.At(x0, y0).back;
    for (int y = y0; y < std::min(y0 + ch, pic.Height()); ++y)
      for (int x = x0; x < std::min(x0 + cw, pic.Width()); ++x)
        if (pic.At(x, y).back != back) return '!';
    return ColorLetter(back, colors);
  });
}

std::string CellFores(const Picture& pic, int row, int cw, int ch, const ColorTable& colors) {
  return ReadCells(pic, row, cw, ch, [&](int x0, int y0) {
    const Pixel& p = pic.At(x0, y0);
    return p.glyph == 0 ? '.' : ColorLetter(p.fore, colors);
  });
}

std::string DescribeDifference(const Picture& a, const Picture& b, int cw, int ch, const ColorTable& colors) {
  if (a == b) return {};
  std::ostringstream out;
  if (a.Width() != b.Width() || a.Height() != b.Height()) {
    out << "sizes differ: " << a.Width() << "x" << a.Height() << " vs " << b.Width() << "x" << b.Height();
    return out.str();
  }
  for (int y = 0; y < a.Height(); ++y) {
    for (int x = 0; x < a.Width(); ++x) {
      if (a.At(x, y) == b.At(x, y)) continue;
      const int row = y / ch;
      out << "first difference at pixel (" << x << ", " << y << "), row " << row << "\n"
          << "  glyphs " << CellGlyphs(a, row, cw, ch) << " | " << CellGlyphs(b, row, cw, ch) << "\n"
          << "  backs  " << CellBacks(a, row, cw, ch, colors) << " | " << CellBacks(b, row, cw, ch, colors)
          << "\n"
          << "  fores  " << CellFores(a, row, cw, ch, colors) << " | " << CellFores(b, row, cw, ch, colors);
      return out.str();
    }
  }
  return "pictures differ";
}

// ---- FakeSurface ------------------------------------------------------------------------

FakeSurface::FakeSurface(Picture& screen, Rect clip, int cellWidth, int cellHeight)
    : screen_(screen), clip_(clip), cellWidth_(cellWidth), cellHeight_(cellHeight) {}

void FakeSurface::PrepareRow(int width, int height) {
  ++rowsPrepared;
  if (row_.Width() != width || row_.Height() != height) row_ = Picture(width, height);
}

void FakeSurface::FillRow(const Rect& rect, Color color) { row_.Fill(rect, Pixel{color, 0, 0}); }

int FakeSurface::DrawRowText(int x, std::string_view bytes, Color text, Color background, int cellWidth,
                             int tabPx, int tabOrigin) {
  bytesThisRow_ += static_cast<int>(bytes.size());
  maxBytesPerRow = std::max(maxBytesPerRow, bytesThisRow_);
  auto glyph = [&](int left, std::uint32_t code, int cells) {
    for (int dx = 0; dx < cells * cellWidth; ++dx)
      for (int y = 0; y < row_.Height(); ++y)
        if (row_.Contains(left + dx, y))
          row_.At(left + dx, y) =
              Pixel{background, text, kGlyphFlag | code << 8 | static_cast<std::uint32_t>(dx)};
  };
  int pen = x;
  const int n = static_cast<int>(bytes.size());
  for (int i = 0; i < n;) {
    const unsigned char b = static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]);
    if (b == '\t') {
      const int step = tabPx > 0 ? tabPx : cellWidth;
      // The next stop strictly right of the pen; floor division for pens left of the origin.
      int k = pen - tabOrigin;
      k = (k >= 0 ? k / step : -((-k + step - 1) / step)) + 1;
      const int stop = tabOrigin + k * step;
      row_.Fill(Rect{pen, 0, stop, row_.Height()}, Pixel{background, 0, 0});
      pen = stop;
      i += 1;
    } else if (cp932::IsLeadByte(b) && i + 1 < n) {
      const unsigned char trail = static_cast<unsigned char>(bytes[static_cast<std::size_t>(i + 1)]);
      glyph(pen, static_cast<std::uint32_t>(b) << 8 | trail, 2);
      pen += 2 * cellWidth;
      i += 2;
    } else {
      glyph(pen, b, 1);
      pen += cellWidth;
      i += 1;
    }
  }
  return pen - x;
}

void FakeSurface::CopyRowToScreen(int left, int width, int y) {
  rowsCopied.push_back(y);
  bytesThisRow_ = 0;
  for (int ry = 0; ry < row_.Height(); ++ry) {
    const int sy = y + ry;
    if (sy < clip_.top || sy >= clip_.bottom) continue;
    for (int x = std::max(left, clip_.left); x < std::min(left + width, clip_.right); ++x)
      if (row_.Contains(x, ry) && screen_.Contains(x, sy)) screen_.At(x, sy) = row_.At(x, ry);
  }
}

void FakeSurface::DrawScreenText(int x, int y, std::string_view ascii, Color text, Color background) {
  int pen = x;
  for (unsigned char b : ascii) {
    for (int dx = 0; dx < cellWidth_; ++dx)
      for (int dy = 0; dy < cellHeight_; ++dy) {
        const int sx = pen + dx, sy = y + dy;
        if (sx >= clip_.left && sx < clip_.right && sy >= clip_.top && sy < clip_.bottom &&
            screen_.Contains(sx, sy))
          screen_.At(sx, sy) =
              Pixel{background, text,
                    kGlyphFlag | static_cast<std::uint32_t>(b) << 8 | static_cast<std::uint32_t>(dx)};
      }
    pen += cellWidth_;
  }
}

// ---- FakeViewHost -----------------------------------------------------------------------

void FakeViewHost::Invalidate(const Rect* rect, bool erase) {
  PaintRequest r;
  r.kind = PaintRequest::kInvalidate;
  if (rect) r.rect = *rect;
  r.erase = erase;
  paintLog.push_back(r);
}

void FakeViewHost::ScrollContent(int dx, int dy) {
  PaintRequest r;
  r.kind = PaintRequest::kScroll;
  r.dx = dx;
  r.dy = dy;
  paintLog.push_back(r);
}

void FakeViewHost::CreateCaret(int width, int height) {
  caretShape = Point{width, height};
  ++caretCreations;
}

void FakeViewHost::SetScrollInfo(ScrollBarKind bar, const ScrollInfo& info) {
  scrollInfos.emplace_back(bar, info);
}

bool FakeViewHost::SetClipboardText(std::string_view cp932) {
  if (!clipboardWorks) return false;
  clipboard = std::string(cp932);
  return true;
}

TextMetrics FakeViewHost::SelectFont(const FontRequest& font) {
  fontsSelected.push_back(font);
  return metrics;
}

void FakeViewHost::ClearLog() {
  paintLog.clear();
  caretShape.reset();
  caretCreations = 0;
  showCalls = hideCalls = 0;
  scrollInfos.clear();
  imePos.reset();
  imeFonts.clear();
  fontsSelected.clear();
  statusTexts.clear();
}

bool FakeViewHost::InvalidatedAll() const {
  return std::any_of(paintLog.begin(), paintLog.end(),
                     [](const PaintRequest& r) { return r.kind == PaintRequest::kInvalidate && !r.rect; });
}

bool FakeViewHost::HasScrollInfo(ScrollBarKind bar) const {
  return std::any_of(scrollInfos.begin(), scrollInfos.end(), [&](const auto& e) { return e.first == bar; });
}

ScrollInfo FakeViewHost::LastScroll(ScrollBarKind bar) const {
  for (auto it = scrollInfos.rbegin(); it != scrollInfos.rend(); ++it)
    if (it->first == bar) return it->second;
  return ScrollInfo{};
}

// ---- ViewRig ------------------------------------------------------------------------------

ViewRig::ViewRig(std::initializer_list<std::string_view> lines, int columns, int rows, int extraHeight) {
  std::vector<std::string> copy;
  for (std::string_view l : lines) copy.emplace_back(l);
  Init(copy, columns, rows, extraHeight);
}

ViewRig::ViewRig(const std::vector<std::string>& lines, int columns, int rows, int extraHeight) {
  Init(lines, columns, rows, extraHeight);
}

void ViewRig::Init(const std::vector<std::string>& lines, int columns, int rows, int extraHeight) {
  settings.colors = kTestColors;
  settings.settingsLoaded = true;
  SetLines(lines);
  host.client = Rect{0, 0, columns * host.metrics.aveCharWidth, rows * host.metrics.height + extraHeight};
  view = std::make_unique<CVeloView>(doc, settings, host);
  view->OnInitialUpdate();
}

void ViewRig::SetLines(const std::vector<std::string>& lines) {
  doc.lines.Clear();
  for (const std::string& l : lines) doc.lines.Append(ByteString(l));
  if (doc.lines.Count() == 0) doc.lines.Append(ByteString());
}

Picture ViewRig::Paint(std::optional<Rect> clip) {
  Picture pic(host.client.Width(), host.client.Height());
  PaintInto(pic, clip.value_or(Rect{0, 0, host.client.Width(), host.client.Height()}));
  return pic;
}

ViewRig::PaintStats ViewRig::PaintInto(Picture& pic, const Rect& clip) {
  FakeSurface surface(pic, clip, CellWidth(), CellHeight());
  view->OnDraw(surface);
  return PaintStats{surface.rowsCopied, surface.maxBytesPerRow};
}

std::string ViewRig::Glyphs(const Picture& pic, int row) const {
  return CellGlyphs(pic, row, CellWidth(), CellHeight());
}
std::string ViewRig::Backs(const Picture& pic, int row) const {
  return CellBacks(pic, row, CellWidth(), CellHeight(), settings.colors);
}
std::string ViewRig::Fores(const Picture& pic, int row) const {
  return CellFores(pic, row, CellWidth(), CellHeight(), settings.colors);
}

TextPos ViewRig::PosAt(int line, int byteIndex) const {
  TextPos pos{doc.FirstLine(), 0, 0, 0};
  for (int i = 0; i < line; ++i) CVeloDoc::NextLine(pos);
  view->SetByteIndex(pos, byteIndex);
  return pos;
}

void ViewRig::Select(int anchorLine, int anchorByte, int endLine, int endByte) {
  view->selAnchor = PosAt(anchorLine, anchorByte);
  view->selEnd = PosAt(endLine, endByte);
  view->selecting = true;
}

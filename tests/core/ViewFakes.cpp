#include "ViewFakes.h"

#include <algorithm>

#include "base/Cp932.h"

Picture::Picture(int width, int height)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pixels_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_)) {}

void Picture::Fill(const Rect& r, const Pixel& p) {
  const int left = std::max(r.left, 0), right = std::min(r.right, width_);
  for (int y = std::max(r.top, 0); left < right && y < std::min(r.bottom, height_); ++y)
    std::fill(&At(left, y), &At(left, y) + (right - left), p);
}

void Picture::Scroll(int dx, int dy) {
  Picture moved(width_, height_);
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x)
      if (Contains(x - dx, y - dy)) moved.At(x, y) = At(x - dx, y - dy);
  *this = std::move(moved);
}

namespace {

// One letter a cell of row, from what reading makes of the cell's top left pixel and corner.
template <typename F>
std::string ReadCells(const Picture& pic, int row, int cw, int ch, F reading) {
  std::string out;
  for (int x0 = 0; row * ch < pic.Height() && x0 < pic.Width(); x0 += cw) out += reading(x0, row * ch);
  return out;
}

// Every pixel of the cell continues its top left one: the same fill, or the same glyph further on.
bool CellIsClean(const Picture& pic, int x0, int y0, int cw, int ch) {
  const Pixel& first = pic.At(x0, y0);
  for (int y = y0; y < std::min(y0 + ch, pic.Height()); ++y)
    for (int x = x0; x < std::min(x0 + cw, pic.Width()); ++x) {
      Pixel want = first;
      if (want.glyph) want.glyph += static_cast<std::uint32_t>(x - x0);
      if (!(pic.At(x, y) == want)) return false;
    }
  return true;
}

char Letter(Color c, const ColorTable& colors) {
  if (c == kGarbage) return '#';
  for (int i = 0; i < ColorTable::Count; ++i)
    if (colors[i] == c) return "kstxmg"[i];
  return '?';
}

}  // namespace

std::string CellReader::Glyphs(const Picture& pic, int row) const {
  return ReadCells(pic, row, cw, ch, [&](int x0, int y0) {
    if (!CellIsClean(pic, x0, y0, cw, ch)) return '!';
    const std::uint32_t g = pic.At(x0, y0).glyph;
    const std::uint32_t code = (g & ~kGlyphFlag) >> 8, dx = g & 0xFF;
    if (g == 0) return '.';
    if (code > 0xFF) return dx == 0 ? '<' : (dx == static_cast<std::uint32_t>(cw) ? '>' : '!');
    if (dx != 0) return '!';
    return (code >= 0x20 && code < 0x7F) ? static_cast<char>(code) : '?';
  });
}

std::string CellReader::Backs(const Picture& pic, int row) const {
  return ReadCells(pic, row, cw, ch, [&](int x0, int y0) {
    const Color back = pic.At(x0, y0).back;
    for (int y = y0; y < std::min(y0 + ch, pic.Height()); ++y)
      for (int x = x0; x < std::min(x0 + cw, pic.Width()); ++x)
        if (pic.At(x, y).back != back) return '!';
    return Letter(back, colors);
  });
}

std::string CellReader::Fores(const Picture& pic, int row) const {
  return ReadCells(pic, row, cw, ch, [&](int x0, int y0) {
    const Pixel& p = pic.At(x0, y0);
    return p.glyph == 0 ? '.' : Letter(p.fore, colors);
  });
}

std::string CellReader::Difference(const Picture& a, const Picture& b) const {
  int y = 0;
  while (y + 1 < a.Height() && std::equal(&a.At(0, y), &a.At(0, y) + a.Width(), &b.At(0, y))) ++y;
  const int row = y / ch;
  return "row " + std::to_string(row) + "\n  glyphs " + Glyphs(a, row) + " | " + Glyphs(b, row) +
         "\n  backs  " + Backs(a, row) + " | " + Backs(b, row) + "\n  fores  " + Fores(a, row) + " | " +
         Fores(b, row);
}

void FakeSurface::PrepareRow(int width, int height) {
  if (row_.Width() != width || row_.Height() != height) row_ = Picture(width, height);
}

int FakeSurface::DrawRowText(int x, std::string_view bytes, Color text, Color background, int cellWidth,
                             int tabPx, int tabOrigin) {
  rowBytes_ += static_cast<int>(bytes.size());
  maxBytesPerRow = std::max(maxBytesPerRow, rowBytes_);
  int pen = x;
  const int n = static_cast<int>(bytes.size());
  for (int i = 0; i < n;) {
    const unsigned char b = static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]);
    if (b == '\t') {
      // The next stop strictly right of the pen; floor division for pens left of the origin.
      const int step = tabPx > 0 ? tabPx : cellWidth;
      const int k = pen - tabOrigin;
      const int stop = tabOrigin + ((k >= 0 ? k / step : -((-k + step - 1) / step)) + 1) * step;
      row_.Fill(Rect{pen, 0, stop, row_.Height()}, Pixel{background, 0, 0});
      pen = stop;
      i += 1;
      continue;
    }
    const bool pair = cp932::IsLeadByte(b) && i + 1 < n;
    const std::uint32_t code =
        pair ? b << 8 | static_cast<unsigned char>(bytes[static_cast<std::size_t>(i + 1)]) : b;
    const int width = (pair ? 2 : 1) * cellWidth;
    for (int dx = 0; dx < width; ++dx)
      row_.Fill(Rect{pen + dx, 0, pen + dx + 1, row_.Height()},
                Pixel{background, text, kGlyphFlag | code << 8 | static_cast<std::uint32_t>(dx)});
    pen += width;
    i += pair ? 2 : 1;
  }
  return pen - x;
}

void FakeSurface::CopyRowToScreen(int left, int width, int y) {
  rowBytes_ = 0;
  const int from = std::max({left, clip_.left, 0});
  const int to = std::min({left + width, clip_.right, row_.Width(), screen_.Width()});
  const int top = std::max({clip_.top - y, -y, 0});
  const int bottom = std::min({row_.Height(), clip_.bottom - y, screen_.Height() - y});
  for (int ry = top; from < to && ry < bottom; ++ry)
    std::copy(&row_.At(from, ry), &row_.At(from, ry) + (to - from), &screen_.At(from, y + ry));
}

void FakeSurface::DrawScreenText(int x, int y, std::string_view ascii, Color text, Color background) {
  for (std::size_t i = 0; i < ascii.size(); ++i)
    for (int dx = 0; dx < cw_; ++dx) {
      const int sx = x + static_cast<int>(i) * cw_ + dx;
      const std::uint32_t code = static_cast<unsigned char>(ascii[i]);
      if (sx >= clip_.left && sx < clip_.right)
        screen_.Fill(Rect{sx, std::max(y, clip_.top), sx + 1, std::min(y + ch_, clip_.bottom)},
                     Pixel{background, text, kGlyphFlag | code << 8 | static_cast<std::uint32_t>(dx)});
    }
}

ViewRig::ViewRig(const std::vector<std::string>& lines, int columns, int rows, int extraHeight) {
  settings.colors = kTestColors;
  settings.settingsLoaded = true;
  doc.lines.Clear();
  for (const std::string& l : lines) doc.lines.Append(ByteString(l));
  if (doc.lines.Count() == 0) doc.lines.Append(ByteString());
  host.client = Rect{0, 0, columns * host.metrics.aveCharWidth, rows * host.metrics.height + extraHeight};
  view = AddView(host);
}

std::unique_ptr<CVeloView> ViewRig::AddView(FakeViewHost& otherHost) {
  otherHost.client = host.client;
  auto v = std::make_unique<CVeloView>(doc, settings, otherHost);
  v->OnInitialUpdate();
  return v;
}

Picture ViewRig::Paint(CVeloView& which, int* maxBytesPerRow) {
  Picture pic(host.client.Width(), host.client.Height());
  FakeSurface surface(pic, host.client, Cells().cw, Cells().ch);
  which.OnDraw(surface);
  if (maxBytesPerRow) *maxBytesPerRow = surface.maxBytesPerRow;
  return pic;
}

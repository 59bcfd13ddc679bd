#include "ViewFakes.h"

#include <algorithm>
#include <cstdio>

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

::testing::AssertionResult CheckPos(const CVeloView& view, const TextPos& pos, const char* name, bool text) {
  const CVeloDoc& doc = view.GetDocument();
  LineNode* node = doc.FirstLine();
  for (int i = 0; node && i < pos.line; ++i) node = node->next;
  if (pos.line < 0 || !node || node != pos.node)
    return ::testing::AssertionFailure() << name << " on line " << pos.line << " of " << doc.LineCount()
                                         << " does not hold that line's node";
  const CharWalk walk(node->text.View(), view.TabWidth());
  if (text && (!walk.IsStart(pos.byteIndex) || pos.column != walk.AtByte(pos.byteIndex).second))
    return ::testing::AssertionFailure() << name << " at byte " << pos.byteIndex << ", column " << pos.column
                                         << ": no character start of \"" << Readable(node->text.View())
                                         << "\" or another column (line " << pos.line << ")";
  return ::testing::AssertionSuccess();
}

Rect Intersect(const Rect& a, const Rect& b) {
  return Rect{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
              std::min(a.bottom, b.bottom)};
}

void PaintWithin(CVeloView& view, const FakeViewHost& host, Picture& pic, const Rect& clip) {
  FakeSurface surface(pic, clip, host.metrics.aveCharWidth, host.metrics.height);
  view.OnDraw(surface);
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

CharWalk::CharWalk(std::string_view s, int tab) {
  const int size = static_cast<int>(s.size());
  for (int i = 0, c = 0;;) {
    starts.push_back(i);
    columns.push_back(c);
    if (i >= size) break;
    const unsigned char b = static_cast<unsigned char>(s[static_cast<std::size_t>(i)]);
    if (cp932::IsLeadByte(b) && i + 1 < size) {
      i += 2;
      c += 2;
    } else {
      i += 1;
      c = b == '\t' ? (c / tab + 1) * tab : c + 1;
    }
  }
}

bool CharWalk::IsStart(int b) const { return std::binary_search(starts.begin(), starts.end(), b); }

std::pair<int, int> CharWalk::AtByte(int b) const {
  const auto k =
      static_cast<std::size_t>(std::lower_bound(starts.begin(), starts.end() - 1, b) - starts.begin());
  return {starts[k], columns[k]};
}

std::pair<int, int> CharWalk::AtColumn(int c) const {
  std::size_t k = 0;
  while (k + 1 < starts.size() && columns[k] < c) ++k;
  if (columns[k] > c && k > 0) --k;
  return {starts[k], columns[k]};
}

std::string Readable(std::string_view s) {
  std::string out;
  for (const char ch : s) {
    const unsigned char b = static_cast<unsigned char>(ch);
    char hex[8];
    std::snprintf(hex, sizeof hex, "<%02X>", b);
    out += b >= 0x20 && b < 0x7F ? std::string(1, ch) : hex;
  }
  return out;
}

std::string RenderMarked(const std::vector<std::string>& lines, Mark caret, Mark anchor) {
  std::string out;
  for (int l = 0; l < static_cast<int>(lines.size()); ++l) {
    const std::string_view s = lines[static_cast<std::size_t>(l)];
    std::vector<std::pair<int, const char*>> marks;
    if (anchor && anchor->first == l) marks.emplace_back(anchor->second, "⁁");
    if (caret && caret->first == l) marks.emplace_back(caret->second, "‸");
    std::stable_sort(marks.begin(), marks.end(), [](auto& a, auto& b) { return a.first < b.first; });
    std::size_t from = 0;
    for (const auto& [at, sign] : marks) {
      const std::size_t to = std::clamp(static_cast<std::size_t>(std::max(at, 0)), from, s.size());
      out += Readable(s.substr(from, to - from)) + sign;
      from = to;
    }
    out += Readable(s.substr(from)) + "\n";
  }
  return out;
}

std::string RenderView(const CVeloView& v) {
  const Mark anchor = v.IsSelecting() ? Mark({v.SelAnchor().line, v.SelAnchor().byteIndex}) : std::nullopt;
  return RenderMarked(DocLines(v.GetDocument()), std::pair(v.Caret().line, v.Caret().byteIndex), anchor);
}

::testing::AssertionResult PositionsValid(const CVeloView& view) {
  const std::pair<const TextPos*, const char*> all[] = {{&view.Caret(), "caret"},
                                                        {&view.Origin(), "origin"},
                                                        {&view.SelAnchor(), "selAnchor"},
                                                        {&view.SelEnd(), "selEnd"}};
  for (int i = 0; i < (view.IsSelecting() ? 4 : 2); ++i)  // the origin needs no character start
    if (auto r = CheckPos(view, *all[i].first, all[i].second, i != 1); !r) return r;
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult RepaintsMatch(CVeloView& view, FakeViewHost& host,
                                         const std::function<void()>& op) {
  const Rect client = host.client;
  Picture before(client.Width(), client.Height());
  PaintWithin(view, host, before, client);
  host.paintLog.clear();

  op();

  if (!(host.client == client))
    return ::testing::AssertionFailure() << "the operation resized the window; the check needs a fixed size";
  Picture full(client.Width(), client.Height());
  PaintWithin(view, host, full, client);

  for (bool pendingMoves : {true, false}) {
    Picture pic = before;
    std::vector<Rect> pending;
    for (const PaintRequest& r : host.paintLog) {
      if (!r.scroll) {
        pending.push_back(Intersect(r.rect.value_or(client), client));
        continue;
      }
      pic.Scroll(r.dx, r.dy);
      if (pendingMoves)
        for (Rect& p : pending)
          p = Intersect(Rect{p.left + r.dx, p.top + r.dy, p.right + r.dx, p.bottom + r.dy}, client);
    }
    for (const Rect& p : pending)
      if (!p.IsEmpty()) PaintWithin(view, host, pic, p);
    if (!(pic == full)) {
      const CellReader cells{host.metrics.aveCharWidth, host.metrics.height, view.GetSettings().colors};
      return ::testing::AssertionFailure()
             << "repainting only what the view invalidated (pending repaints "
             << (pendingMoves ? "moving with" : "staying under") << " scrolled content) differs from a full "
             << "repaint after " << host.paintLog.size() << " requests (left: invalidated, right: full)\n"
             << cells.Difference(pic, full);
    }
  }
  return ::testing::AssertionSuccess();
}

#include "ViewFakes.h"

#include <algorithm>

#include "base/Cp932.h"

namespace {

// Not a colour the view can name (the high byte is set): pixels nobody painted.
constexpr Color kGarbage = 0xFF00DEAD;

struct Pixel {
  Color back = kGarbage;
  Color fore = 0;
  std::uint32_t glyph = 0;  // 0: none; else 1 + the character code, << 8, | the x offset in the glyph
  friend bool operator==(const Pixel&, const Pixel&) = default;
};

struct Picture {
  explicit Picture(int w = 0, int h = 0) : width(w), height(h), pixels(static_cast<std::size_t>(w * h)) {}
  Pixel& At(int x, int y) { return pixels[static_cast<std::size_t>(y * width + x)]; }
  void Fill(const Rect& r, const Pixel& p) {  // the part of r inside the picture
    for (int y = std::max(r.top, 0); y < std::min(r.bottom, height); ++y)
      for (int x = std::max(r.left, 0); x < std::min(r.right, width); ++x) At(x, y) = p;
  }
  void Scroll(int dx, int dy) {  // the uncovered part becomes garbage
    Picture moved(width, height);
    for (int y = std::max(dy, 0); y < std::min(height, height + dy); ++y)
      for (int x = std::max(dx, 0); x < std::min(width, width + dx); ++x) moved.At(x, y) = At(x - dx, y - dy);
    *this = std::move(moved);
  }
  friend bool operator==(const Picture&, const Picture&) = default;
  int width, height;
  std::vector<Pixel> pixels;
};

std::string ReadRow(Picture& pic, int row, char what, const TextMetrics& size, const ColorTable& colors) {
  const int cw = size.aveCharWidth, ch = size.height;
  std::string out;
  for (int x0 = 0, y0 = row * ch; y0 < pic.height && x0 < pic.width; x0 += cw) {
    const Pixel first = pic.At(x0, y0);
    bool clean = true, oneBack = true;  // clean: every pixel continues the first, its fill or glyph
    for (int y = y0; y < std::min(y0 + ch, pic.height); ++y)
      for (int x = x0; x < std::min(x0 + cw, pic.width); ++x) {
        const std::uint32_t glyph = first.glyph ? first.glyph + static_cast<std::uint32_t>(x - x0) : 0;
        clean = clean && pic.At(x, y) == Pixel{first.back, first.fore, glyph};
        oneBack = oneBack && pic.At(x, y).back == first.back;
      }
    const Color color = what == 'f' ? first.fore : first.back;
    const auto slot = std::find(colors.values.begin(), colors.values.end(), color) - colors.values.begin();
    const std::uint32_t code = (first.glyph >> 8) - 1, dx = first.glyph & 0xFF;
    const bool half = code > 0xFF && (dx == 0 || dx == static_cast<std::uint32_t>(cw));
    char cell = color == kGarbage ? '#' : "kstxmg?"[slot];
    if (what == 'b' && !oneBack) cell = '!';
    if (what == 'f' && !first.glyph) cell = '.';
    if (what == 'g' && (!clean || (dx != 0 && !half)))
      cell = '!';
    else if (what == 'g')
      cell = !first.glyph                  ? '.'
             : half                        ? "<>"[dx != 0]
             : code >= 0x20 && code < 0x7F ? static_cast<char>(code)
                                           : '?';
    out += cell;
  }
  return out;
}

struct FakeSurface : Surface {
  FakeSurface(Picture& screen, Rect clip, int cw) : screen_(screen), clip_(clip), cw_(cw) {}
  Rect ClipBox() const override { return clip_; }
  void PrepareRow(int width, int height) override { row_ = Picture(width, height); }
  void FillRow(const Rect& rect, Color color) override { row_.Fill(rect, Pixel{color, 0, 0}); }
  int DrawRowText(int x, std::string_view bytes, Color text, Color background, int cellWidth, int tabPx,
                  int tabOrigin) override {
    rowBytes_ += static_cast<int>(bytes.size());
    maxBytesPerRow = std::max(maxBytesPerRow, rowBytes_);
    int pen = x;
    for (std::size_t i = 0; i < bytes.size();) {
      const unsigned char b = static_cast<unsigned char>(bytes[i]);
      // A tab to the next stop strictly right of the pen; floor division for pens left of the origin.
      const int step = tabPx > 0 ? tabPx : cellWidth, k = pen - tabOrigin;
      const int stop = tabOrigin + ((k >= 0 ? k / step : -((-k + step - 1) / step)) + 1) * step;
      const bool pair = cp932::IsLeadByte(b) && i + 1 < bytes.size();
      const std::uint32_t code = pair ? b << 8 | static_cast<unsigned char>(bytes[i + 1]) : b;
      for (int dx = 0, end = b == '\t' ? stop : pen + (pair ? 2 : 1) * cellWidth; pen < end; ++dx, ++pen)
        row_.Fill(
            Rect{pen, 0, pen + 1, row_.height},
            b == '\t' ? Pixel{background, 0, 0} : Pixel{background, text, (code + 1) << 8 | unsigned(dx)});
      i += pair ? 2 : 1;
    }
    return pen - x;
  }

  void CopyRowToScreen(int left, int width, int y) override {
    rowBytes_ = 0;
    const int from = std::max({left, clip_.left, 0});
    const int to = std::min({left + width, clip_.right, row_.width, screen_.width});
    const int bottom = std::min({row_.height, clip_.bottom - y, screen_.height - y});
    for (int ry = std::max(clip_.top - y, 0); from < to && ry < bottom; ++ry)
      std::copy(&row_.At(from, ry), &row_.At(to - 1, ry) + 1, &screen_.At(from, y + ry));
  }

  void DrawScreenText(int x, int y, std::string_view ascii, Color text, Color background) override {
    DrawRowText(x, ascii, text, background, cw_, cw_, 0);
    CopyRowToScreen(x, static_cast<int>(ascii.size()) * cw_, y);
  }

  Picture& screen_;
  Rect clip_;
  int cw_;
  Picture row_;
  int rowBytes_ = 0, maxBytesPerRow = 0;
};

}  // namespace

ViewRig::ViewRig(const std::vector<std::string>& lines, int columns, int rows) {
  // Six different colours, so that a picture tells them apart (the defaults share white).
  settings.colors = ColorTable{{{0x00FFFF80, 0x00FF0000, 0x00000001, 0x00FFFFFE, 0x0000FF00, 0x00FFFFFF}}};
  settings.settingsLoaded = true;
  doc.lines.Clear();
  for (const std::string& l : lines) doc.lines.Append(ByteString(l));
  if (doc.lines.Count() == 0) doc.lines.Append(ByteString());
  host.client = Rect{0, 0, columns * host.metrics.aveCharWidth, rows * host.metrics.height + 8};
  view = AddView(host);
}

std::unique_ptr<CVeloView> ViewRig::AddView(FakeViewHost& otherHost) {
  otherHost.client = host.client;
  auto v = std::make_unique<CVeloView>(doc, settings, otherHost);
  v->OnInitialUpdate();
  return v;
}

std::string ViewRig::Row(CVeloView& which, int row, char what) {
  Picture pic(host.client.Width(), host.client.Height());
  FakeSurface surface(pic, host.client, host.metrics.aveCharWidth);
  which.OnDraw(surface);
  return ReadRow(pic, row, what, host.metrics, settings.colors);
}

CharWalk::CharWalk(std::string_view s, int tab) {
  for (std::size_t i = 0, c = 0;;) {
    starts.push_back(static_cast<int>(i));
    columns.push_back(static_cast<int>(c));
    if (i >= s.size()) break;
    const unsigned char b = static_cast<unsigned char>(s[i]);
    const bool pair = cp932::IsLeadByte(b) && i + 1 < s.size();
    i += pair ? 2 : 1;
    c = pair ? c + 2 : b == '\t' ? (c / std::size_t(tab) + 1) * std::size_t(tab) : c + 1;
  }
}

std::string Readable(std::string_view s) {
  std::string out;
  for (const char ch : s) {
    const auto b = static_cast<unsigned char>(ch);
    const char* hex = "0123456789ABCDEF";
    out += b >= 0x20 && b < 0x7F ? std::string(1, ch) : std::string{'<', hex[b >> 4], hex[b & 15], '>'};
  }
  return out;
}

std::string RenderMarked(const std::vector<std::string>& lines, Mark caret, Mark anchor) {
  std::string out;
  for (std::size_t l = 0; l < lines.size(); ++l) {
    for (std::size_t i = 0; i <= lines[l].size(); ++i) {
      for (const auto& [mark, sign] : {std::pair(anchor, "⁁"), std::pair(caret, "‸")})
        if (mark && std::size_t(mark->first) == l &&
            std::min(std::size_t(std::max(mark->second, 0)), lines[l].size()) == i)
          out += sign;
      out += i < lines[l].size() ? Readable(lines[l].substr(i, 1)) : "\n";
    }
  }
  return out;
}

std::string RenderView(const CVeloView& v) {
  const Mark anchor = v.IsSelecting() ? Mark({v.SelAnchor().line, v.SelAnchor().byteIndex}) : std::nullopt;
  return RenderMarked(DocLines(v.GetDocument()), std::pair(v.Caret().line, v.Caret().byteIndex), anchor);
}

::testing::AssertionResult PositionsValid(const CVeloView& view) {
  const std::pair<const TextPos*, const char*> all[] = {{&view.Origin(), "origin"},
                                                        {&view.Caret(), "caret"},
                                                        {&view.SelAnchor(), "anchor"},
                                                        {&view.SelEnd(), "end"}};
  for (int i = 0; i < (view.IsSelecting() ? 4 : 2); ++i) {
    const TextPos& pos = *all[i].first;
    LineNode* node = view.GetDocument().FirstLine();
    for (int k = 0; node && k < pos.line; ++k) node = node->next;
    if (pos.line < 0 || !node || node != pos.node)
      return ::testing::AssertionFailure() << all[i].second << " on line " << pos.line << " without its node";
    const std::pair<int, int> start = CharWalk(node->text.View(), view.TabWidth()).AtByte(pos.byteIndex);
    if (i > 0 && start != std::pair(pos.byteIndex, pos.column))  // the origin needs no character start
      return ::testing::AssertionFailure()
             << all[i].second << " at byte " << pos.byteIndex << ", column " << pos.column
             << ": no character start of \"" << Readable(node->text.View()) << "\" or another column";
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult RepaintsMatch(CVeloView& view, FakeViewHost& host,
                                         const std::function<void()>& op) {
  const Rect client = host.client;
  auto paint = [&](Picture& pic, const Rect& clip) {
    FakeSurface surface(pic, clip, host.metrics.aveCharWidth);
    view.OnDraw(surface);
    return surface.maxBytesPerRow;
  };
  Picture before(client.Width(), client.Height()), full = before;
  paint(before, client);
  host.paintLog.clear();
  op();
  if (const int bytes = paint(full, client); bytes > view.VisibleColumns() + 1)
    return ::testing::AssertionFailure() << "a row drawn with " << bytes << " bytes";
  for (bool pendingMoves : {true, false}) {
    Picture pic = before;
    std::vector<Rect> pending;
    auto clipped = [&](const Rect& r, int dx, int dy) {
      return Rect{std::max(r.left + dx, 0), std::max(r.top + dy, 0), std::min(r.right + dx, client.right),
                  std::min(r.bottom + dy, client.bottom)};
    };
    for (const FakeViewHost::PaintRequest& r : host.paintLog) {
      if (r.rect) pending.push_back(clipped(*r.rect, 0, 0));
      if (!r.rect) pic.Scroll(r.dx, r.dy);
      for (Rect& p : pending)
        if (!r.rect && pendingMoves) p = clipped(p, r.dx, r.dy);
    }
    for (const Rect& p : pending) paint(pic, p);
    if (pic == full) continue;
    const auto k = std::mismatch(pic.pixels.begin(), pic.pixels.end(), full.pixels.begin()).first;
    const int row = static_cast<int>(k - pic.pixels.begin()) / client.Width() / host.metrics.height;
    return ::testing::AssertionFailure()
           << "not a full repaint in row " << row << (pendingMoves ? "" : " (repaints not scrolled)") << ": "
           << ReadRow(pic, row, 'g', host.metrics, view.GetSettings().colors) << " "
           << ReadRow(pic, row, 'b', host.metrics, view.GetSettings().colors);
  }
  return ::testing::AssertionSuccess();
}

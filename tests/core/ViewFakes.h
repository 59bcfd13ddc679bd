#pragma once
// Recording fakes for the view's seam: a host that logs what the view asks of its window, and a
// surface that draws into an in-memory picture whose pixels hold the background, the text colour
// and which part of which glyph covers them, so that a picture shows wrong colours, offsets and
// text. ViewRig puts a document, a fake window and a view together. Then what the editing tests
// check views with: a character walk, marked renderings, position invariants, the repaint check.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "FileFixtures.h"
#include "base/Settings.h"
#include "doc/CVeloDoc.h"
#include "view/CVeloView.h"

// Not a colour the view can name (the high byte is set): pixels nobody painted.
inline constexpr Color kGarbage = 0xFF00DEAD;
inline constexpr std::uint32_t kGlyphFlag = 0x80000000u;

struct Pixel {
  Color back = kGarbage;
  Color fore = 0;
  std::uint32_t glyph = 0;  // 0: none; else kGlyphFlag | code << 8 | x offset inside the glyph
  friend bool operator==(const Pixel&, const Pixel&) = default;
};

class Picture {
 public:
  Picture(int width = 0, int height = 0);
  int Width() const { return width_; }
  int Height() const { return height_; }
  Pixel& At(int x, int y) { return pixels_[static_cast<std::size_t>(y * width_ + x)]; }
  const Pixel& At(int x, int y) const { return pixels_[static_cast<std::size_t>(y * width_ + x)]; }
  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
  void Fill(const Rect& r, const Pixel& p);  // the part of r inside the picture
  void Scroll(int dx, int dy);               // the uncovered part becomes garbage
  friend bool operator==(const Picture&, const Picture&) = default;

 private:
  int width_, height_;
  std::vector<Pixel> pixels_;
};

// A picture read as a grid of cw × ch cells from (0, 0), one letter a cell.
// Glyphs: '.' none, the character for printable ASCII, '<' and '>' the halves of a double-byte
// character, '?' another byte, '!' a cell that is not one clean glyph or fill.
// Backs, and fores of glyph cells ('.' elsewhere): k Bk, s SelBk, t Text, x SelText, m Margin,
// g Ground, # garbage, ? another colour, ! a cell of mixed backgrounds.
struct CellReader {
  int cw, ch;
  ColorTable colors;
  std::string Glyphs(const Picture& pic, int row) const;
  std::string Backs(const Picture& pic, int row) const;
  std::string Fores(const Picture& pic, int row) const;
  // The first row where two pictures differ, read both ways.
  std::string Difference(const Picture& a, const Picture& b) const;
};

class FakeSurface : public Surface {
 public:
  // Draws onto screen, limited to clip, short strings in cells of cw × ch.
  FakeSurface(Picture& screen, Rect clip, int cw, int ch) : screen_(screen), clip_(clip), cw_(cw), ch_(ch) {}
  Rect ClipBox() const override { return clip_; }
  void PrepareRow(int width, int height) override;
  void FillRow(const Rect& rect, Color color) override { row_.Fill(rect, Pixel{color, 0, 0}); }
  int DrawRowText(int x, std::string_view cp932, Color text, Color background, int cellWidth, int tabPx,
                  int tabOrigin) override;
  void CopyRowToScreen(int left, int width, int y) override;
  void DrawScreenText(int x, int y, std::string_view ascii, Color text, Color background) override;
  int maxBytesPerRow = 0;  // the most bytes drawn into one row

 private:
  Picture& screen_;
  Rect clip_;
  int cw_, ch_;
  Picture row_;
  int rowBytes_ = 0;
};

// What the view asked of its window that changes the picture, in order.
struct PaintRequest {
  bool scroll = false;       // else an invalidation
  std::optional<Rect> rect;  // an invalidation's rectangle; none: the whole client area
  int dx = 0, dy = 0;
};

class FakeViewHost : public ViewHost {
 public:
  void Invalidate(const Rect* r) override {
    paintLog.push_back({false, r ? *r : std::optional<Rect>(), 0, 0});
  }
  void ScrollContent(int dx, int dy) override { paintLog.push_back({true, std::nullopt, dx, dy}); }
  Rect ClientRect() const override { return client; }
  void CreateCaret(int width, int height) override { caretShape = Point{width, height}, ++caretCreations; }
  void SetCaretPos(Point p) override { caretPos = p; }
  void ShowCaret() override { --caretHides; }
  void HideCaret() override { ++caretHides; }
  void SetScrollBar(ScrollBarKind kind, const ScrollRange* range, int pos) override {
    Bar& bar = kind == ScrollBarKind::Vertical ? vBar : hBar;
    bar.range = range ? *range : bar.range, bar.pos = pos;
  }
  void SetCapture() override { ++captures; }
  void ReleaseCapture() override { --captures; }
  bool IsShiftDown() const override { return shiftDown; }
  bool IsCtrlDown() const override { return ctrlDown; }
  void SetImeCompositionPos(Point p) override { imePos = p; }
  void SetImeFont(const FontRequest& font) override { imeFont = font; }
  void SetStatusText(std::string_view utf8) override { status = utf8; }
  bool SetClipboardText(std::string_view cp932) override {
    if (clipboardWorks) clipboard = std::string(cp932);
    return clipboardWorks;
  }
  ClipboardText GetClipboardText() override {
    return clipboard ? ClipboardText{ClipboardText::Text, *clipboard} : ClipboardText{};
  }
  void BeginWaitCursor() override { ++waitDepth; }
  void EndWaitCursor() override { --waitDepth; }
  TextMetrics SelectFont(const FontRequest& font) override {
    selectedFont = font, ++fontsMade;
    return metrics = metricsFollowFont ? TextMetrics{font.height, font.height / 2} : metrics;
  }

  Rect client{0, 0, 96, 88};
  TextMetrics metrics{16, 8};
  bool metricsFollowFont = false;   // cells of the requested height and half as wide
  int fontsMade = 0, captures = 0;  // captures: not yet released
  bool shiftDown = false, ctrlDown = false, clipboardWorks = true;
  std::optional<std::string> clipboard;
  std::vector<PaintRequest> paintLog;
  std::optional<Point> caretShape;         // width, height
  int caretCreations = 0, caretHides = 0;  // hides not yet undone by a show, as a window counts
  Point caretPos;
  std::optional<Point> imePos;
  std::optional<FontRequest> imeFont, selectedFont;
  struct Bar {
    ScrollRange range;
    int pos = 0;
  };
  Bar vBar, hBar;
  std::string status;
  int waitDepth = 0;
};

// Kanji whose trail bytes are traps: 表 ends in 0x5C (the backslash), 亜 in 0x9F (a lead byte).
inline const std::string kKanji5C = "\x95\x5C";
inline const std::string kKanji9F = "\x88\x9F";

// Six different colours, so that a picture tells them apart (the defaults share white).
inline constexpr ColorTable kTestColors{
    {{0x00FFFF80, 0x00FF0000, 0x00000001, 0x00FFFFFE, 0x0000FF00, 0x00FFFFFF}}};

// A document of lines, a window of columns × rows cells plus extraHeight pixels, and a view on
// it, initially updated.
struct ViewRig {
  explicit ViewRig(const std::vector<std::string>& lines, int columns = 12, int rows = 5,
                   int extraHeight = 8);
  // Another view of the document, in a window of the same size.
  std::unique_ptr<CVeloView> AddView(FakeViewHost& otherHost);
  CellReader Cells() const { return {host.metrics.aveCharWidth, host.metrics.height, settings.colors}; }
  // A fresh picture of the client area with view (by default the rig's own) painted on it.
  Picture Paint(CVeloView& view, int* maxBytesPerRow = nullptr);

  Settings settings;
  CVeloDoc doc{settings};
  FakeViewHost host;
  std::unique_ptr<CVeloView> view;
};

// Helpers for the editing tests: a character walk that knows nothing of the view, readable code
// page 932 text with the caret and anchor marked, and the invariants every view position keeps.

// A line walked one character at a time from column 0: a lead byte with a byte after it is two
// columns, a tab runs to the next stop, any other byte is one.
struct CharWalk {
  CharWalk(std::string_view line, int tab);
  std::vector<int> starts;   // character starts, the line end included
  std::vector<int> columns;  // the column at each start
  int Width() const { return columns.back(); }
  bool IsStart(int b) const;
  // (byte, column) of the first start at or after byte b, and of the character covering column c.
  std::pair<int, int> AtByte(int b) const;
  std::pair<int, int> AtColumn(int c) const;
};

// Printable ASCII as it is, every other byte as <hh>: where a character starts matters here.
std::string Readable(std::string_view cp932);
// The lines with "‸" at the caret and "⁁" at the anchor (line, byte index), one per text line.
using Mark = std::optional<std::pair<int, int>>;
std::string RenderMarked(const std::vector<std::string>& lines, Mark caret, Mark anchor);
std::string RenderView(const CVeloView& view);

// Every position of the view on a live line with its true number; caret and selection ends also
// on a character start with the column its bytes give.
::testing::AssertionResult PositionsValid(const CVeloView& view);

// The check for missed repaints: after an operation, the picture that the view's own scrolls
// and invalidations make of the old picture must equal a full repaint.

// Paints the whole view, runs op, replays the host's recorded scrolls onto that picture and
// repaints only the invalidated rectangles, then compares with a fresh full paint. Pixels that
// a scroll uncovers are garbage until repainted. The replay runs twice: once with pending
// repaints moving along with scrolled content (as a window does that scrolls its update region
// too) and once with them staying put; a view must be right under both.
::testing::AssertionResult RepaintsMatch(CVeloView& view, FakeViewHost& host,
                                         const std::function<void()>& op);

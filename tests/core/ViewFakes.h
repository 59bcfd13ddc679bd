#pragma once
// The view's seam faked, and what the editing tests check views with. FakeViewHost records what the
// view asks of its window; FakeSurface draws into a Picture whose pixels hold the background, the
// text colour and which part of which glyph covers them, so that wrong colours, offsets and text
// show. ViewRig puts a document, a fake window and a view together.
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

struct Pixel {
  Color back = kGarbage;
  Color fore = 0;
  std::uint32_t glyph = 0;  // 0: none; else 1 + the character code, << 8, | the x offset in the glyph
  friend bool operator==(const Pixel&, const Pixel&) = default;
};

struct Picture {
  explicit Picture(int w = 0, int h = 0) : width(w), height(h), pixels(static_cast<std::size_t>(w * h)) {}
  Pixel& At(int x, int y) { return pixels[static_cast<std::size_t>(y * width + x)]; }
  void Fill(const Rect& r, const Pixel& p);  // the part of r inside the picture
  void Scroll(int dx, int dy);               // the uncovered part becomes garbage
  friend bool operator==(const Picture&, const Picture&) = default;
  int width, height;
  std::vector<Pixel> pixels;
};

// A picture read as a grid of cw × ch cells, one letter a cell. what 'g', glyphs: '.' none,
// printable ASCII as it is, '<' and '>' the halves of a double-byte character, '?' another
// byte, '!' a cell that is not one clean glyph or fill. 'b', backgrounds, and 'f', the text
// colours of glyph cells ('.' elsewhere): k Bk, s SelBk, t Text, x SelText, m Margin, g Ground,
// # garbage, ? another colour, ! a cell of mixed backgrounds.
struct CellReader {
  int cw, ch;
  ColorTable colors;
  std::string Read(Picture& pic, int row, char what) const;
};

class FakeSurface : public Surface {
 public:
  FakeSurface(Picture& screen, Rect clip, int cw, int ch) : screen_(screen), clip_(clip), cw_(cw), ch_(ch) {}
  Rect ClipBox() const override { return clip_; }
  void PrepareRow(int width, int height) override { row_ = Picture(width, height); }
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

class FakeViewHost : public ViewHost {
 public:
  struct Bar {
    ScrollRange range;
    int pos = 0;
  };
  // What changes the picture, in order: a scroll (rect empty) or an invalidation (none: all).
  struct PaintRequest {
    std::optional<Rect> rect;
    int dx = 0, dy = 0;
  };
  void Invalidate(const Rect* r) override { paintLog.push_back({r ? *r : client, 0, 0}); }
  void ScrollContent(int dx, int dy) override { paintLog.push_back({std::nullopt, dx, dy}); }
  Rect ClientRect() const override { return client; }
  void CreateCaret(int width, int height) override { caretShape = Point{width, height}; }
  void SetCaretPos(Point p) override { caretPos = p; }
  void ShowCaret() override {}
  void HideCaret() override {}
  void SetScrollBar(ScrollBarKind kind, const ScrollRange* range, int pos) override {
    Bar& bar = kind == ScrollBarKind::Vertical ? vBar : hBar;
    bar.range = range ? *range : bar.range, bar.pos = pos;
  }
  void SetCapture() override { ++captures; }
  void ReleaseCapture() override { --captures; }
  bool IsShiftDown() const override { return shiftDown; }
  bool IsCtrlDown() const override { return ctrlDown; }
  void SetImeCompositionPos(Point) override {}
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
    return metricsFollowFont ? metrics = {font.height, font.height / 2} : metrics;
  }

  Rect client{0, 0, 96, 88};
  TextMetrics metrics{16, 8};
  bool metricsFollowFont = false;   // cells of the requested height and half as wide
  int captures = 0, waitDepth = 0;  // not yet released, not yet ended
  bool shiftDown = false, ctrlDown = false, clipboardWorks = true;
  std::optional<std::string> clipboard;
  std::vector<PaintRequest> paintLog;
  Point caretPos, caretShape;
  std::optional<FontRequest> imeFont;
  Bar vBar, hBar;
  std::string status;
};

// Kanji whose trail bytes are traps: 表 ends in 0x5C (the backslash), 亜 in 0x9F (a lead byte).
inline const std::string kKanji5C = "\x95\x5C";
inline const std::string kKanji9F = "\x88\x9F";

// A document of lines, a window of columns × rows cells plus extraHeight pixels, and a view on
// it, initially updated, in six colours that a picture tells apart.
struct ViewRig {
  explicit ViewRig(const std::vector<std::string>& lines, int columns = 12, int rows = 5,
                   int extraHeight = 8);
  // Another view of the document, in a window of the same size.
  std::unique_ptr<CVeloView> AddView(FakeViewHost& otherHost);
  CellReader Cells() const { return {host.metrics.aveCharWidth, host.metrics.height, settings.colors}; }
  // A fresh picture of the client area with view painted on it.
  Picture Paint(CVeloView& view, int* maxBytesPerRow = nullptr);

  Settings settings;
  CVeloDoc doc{settings};
  FakeViewHost host;
  std::unique_ptr<CVeloView> view;
};

// A line walked one character at a time from column 0: a lead byte with a byte after it is two
// columns, a tab runs to the next stop, any other byte is one.
struct CharWalk {
  CharWalk(std::string_view line, int tab);
  std::vector<int> starts;   // character starts, the line end included
  std::vector<int> columns;  // the column at each start
  int Width() const { return columns.back(); }
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

// The check for missed repaints: paints the view, runs op, replays the host's recorded scrolls
// onto that picture and repaints only the invalidated rectangles, then compares with a full
// repaint. The replay runs with pending repaints moving along with scrolled content (as a window
// does that scrolls its update region too) and with them staying put; both must match.
::testing::AssertionResult RepaintsMatch(CVeloView& view, FakeViewHost& host,
                                         const std::function<void()>& op);

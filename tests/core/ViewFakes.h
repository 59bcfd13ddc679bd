#pragma once
// Recording fakes for the view's seam: a host that logs what the view asks of its window, and
// a surface that rasterises into an in-memory picture of pixels, each holding the background,
// the text colour and which part of which glyph covers it. Comparing pictures catches wrong
// colours, offsets and text.
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Settings.h"
#include "doc/CVeloDoc.h"
#include "view/CVeloView.h"
#include "view/Surface.h"
#include "view/ViewHost.h"

// Not a colour the view can name (the high byte is set): pixels nobody painted.
inline constexpr Color kGarbage = 0xFF00DEAD;

struct Pixel {
  Color back = kGarbage;
  Color fore = 0;
  // 0: no glyph. Otherwise kGlyphFlag | code << 8 | x offset inside the glyph.
  std::uint32_t glyph = 0;
  friend bool operator==(const Pixel&, const Pixel&) = default;
};
inline constexpr std::uint32_t kGlyphFlag = 0x80000000u;

class Picture {
 public:
  Picture() = default;
  Picture(int width, int height);

  int Width() const { return width_; }
  int Height() const { return height_; }
  const Pixel& At(int x, int y) const { return pixels_[Index(x, y)]; }
  Pixel& At(int x, int y) { return pixels_[Index(x, y)]; }
  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
  // Fills the part of r inside the picture.
  void Fill(const Rect& r, const Pixel& p);
  // Moves the content by (dx, dy); the uncovered part becomes garbage.
  void Scroll(int dx, int dy);

  friend bool operator==(const Picture&, const Picture&) = default;

 private:
  std::size_t Index(int x, int y) const {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x);
  }
  int width_ = 0;
  int height_ = 0;
  std::vector<Pixel> pixels_;
};

// Cell-level readings of a picture on a grid of cellWidth × cellHeight cells from (0, 0).
// Glyphs: '.' no glyph, the character for printable ASCII, '<' and '>' the two halves of a
// double-byte character, '?' another byte, '!' a cell that is not one clean glyph or fill.
std::string CellGlyphs(const Picture& pic, int row, int cellWidth, int cellHeight);
// Backgrounds: k Bk, s SelBk, t Text, x SelText, m Margin, g Ground, # garbage, ? other,
// ! a cell of mixed backgrounds.
std::string CellBacks(const Picture& pic, int row, int cellWidth, int cellHeight, const ColorTable& colors);
// Text colours of glyph cells (same letters), '.' for cells without a glyph.
std::string CellFores(const Picture& pic, int row, int cellWidth, int cellHeight, const ColorTable& colors);
// Where two pictures first differ, with both rows in cell readings; empty when equal.
std::string DescribeDifference(const Picture& a, const Picture& b, int cellWidth, int cellHeight,
                               const ColorTable& colors);

class FakeSurface : public Surface {
 public:
  // Draws onto screen, limited to clip, with a font of cellWidth × cellHeight cells.
  FakeSurface(Picture& screen, Rect clip, int cellWidth, int cellHeight);

  Rect ClipBox() const override { return clip_; }
  void PrepareRow(int width, int height) override;
  void FillRow(const Rect& rect, Color color) override;
  int DrawRowText(int x, std::string_view cp932, Color text, Color background, int cellWidth, int tabPx,
                  int tabOrigin) override;
  void CopyRowToScreen(int left, int width, int y) override;
  void DrawScreenText(int x, int y, std::string_view ascii, Color text, Color background) override;

  // The y of every row copied to the screen, in order.
  std::vector<int> rowsCopied;
  // The most bytes drawn into one row between two copies.
  int maxBytesPerRow = 0;
  int rowsPrepared = 0;

 private:
  Picture& screen_;
  Rect clip_;
  int cellWidth_;
  int cellHeight_;
  Picture row_;
  int bytesThisRow_ = 0;
};

// What the view asked of its window that changes the picture, in order.
struct PaintRequest {
  enum Kind { kInvalidate, kScroll } kind = kInvalidate;
  std::optional<Rect> rect;  // kInvalidate: nothing means the whole client area
  bool erase = false;
  int dx = 0;
  int dy = 0;
};

class FakeViewHost : public ViewHost {
 public:
  void Invalidate(const Rect* rect, bool erase) override;
  void ScrollContent(int dx, int dy) override;
  Rect ClientRect() const override { return client; }
  void CreateCaret(int width, int height) override;
  void SetCaretPos(Point p) override { caretPos = p; }
  void ShowCaret() override { ++showCalls; }
  void HideCaret() override { ++hideCalls; }
  void SetScrollInfo(ScrollBarKind bar, const ScrollInfo& info) override;
  void SetCapture() override { captured = true; }
  void ReleaseCapture() override { captured = false; }
  bool IsShiftDown() const override { return shiftDown; }
  bool IsCtrlDown() const override { return ctrlDown; }
  void SetImeCompositionPos(Point p) override { imePos = p; }
  void SetImeFont(const FontRequest& font) override { imeFonts.push_back(font); }
  void SetStatusText(std::string_view utf8) override { statusTexts.emplace_back(utf8); }
  bool SetClipboardText(std::string_view cp932) override;
  std::optional<std::string> GetClipboardText() override { return clipboard; }
  void BeginWaitCursor() override { ++waitCursorDepth; }
  void EndWaitCursor() override { --waitCursorDepth; }
  TextMetrics SelectFont(const FontRequest& font) override;

  // Forgets what was recorded; the settings above stay.
  void ClearLog();
  bool InvalidatedAll() const;
  ScrollInfo LastScroll(ScrollBarKind bar) const;
  bool HasScrollInfo(ScrollBarKind bar) const;

  // Settings of the fake window.
  Rect client{0, 0, 96, 88};
  TextMetrics metrics{16, 8};
  bool shiftDown = false;
  bool ctrlDown = false;
  bool clipboardWorks = true;

  // Records.
  std::vector<PaintRequest> paintLog;
  std::optional<Point> caretShape;  // width, height of the last CreateCaret
  int caretCreations = 0;
  Point caretPos;
  int showCalls = 0;
  int hideCalls = 0;
  std::vector<std::pair<ScrollBarKind, ScrollInfo>> scrollInfos;
  bool captured = false;
  std::optional<Point> imePos;
  std::vector<FontRequest> imeFonts;
  std::vector<FontRequest> fontsSelected;
  std::vector<std::string> statusTexts;
  std::optional<std::string> clipboard;
  int waitCursorDepth = 0;
};

// Kanji whose trail bytes are traps: 表 ends in 0x5C (the backslash), 亜 in 0x9F (a lead byte).
inline const std::string kKanji5C = "\x95\x5C";
inline const std::string kKanji9F = "\x88\x9F";

// Six colours that differ from each other, so a picture tells them apart (the defaults
// share white between "SelText" and "Ground").
inline constexpr ColorTable kTestColors{
    {{0x00FFFF80, 0x00FF0000, 0x00000001, 0x00FFFFFE, 0x0000FF00, 0x00FFFFFF}}};

// A document, a fake window and a view on it, initially updated.
struct ViewRig {
  explicit ViewRig(std::initializer_list<std::string_view> lines, int columns = 12, int rows = 5,
                   int extraHeight = 8);
  explicit ViewRig(const std::vector<std::string>& lines, int columns = 12, int rows = 5,
                   int extraHeight = 8);

  // Replaces the document's lines; the view is left as it was.
  void SetLines(const std::vector<std::string>& lines);
  int CellWidth() const { return host.metrics.aveCharWidth; }
  int CellHeight() const { return host.metrics.height; }
  // A fresh picture of the client area with the view painted within clip (all of it without).
  Picture Paint(std::optional<Rect> clip = std::nullopt);
  // What one paint did, besides its pixels.
  struct PaintStats {
    std::vector<int> rowsCopied;
    int maxBytesPerRow = 0;
  };
  // Paints within clip onto an existing picture.
  PaintStats PaintInto(Picture& pic, const Rect& clip);
  std::string Glyphs(const Picture& pic, int row) const;
  std::string Backs(const Picture& pic, int row) const;
  std::string Fores(const Picture& pic, int row) const;
  // Selects from anchor to end by line and byte index, as the movement code will.
  void Select(int anchorLine, int anchorByte, int endLine, int endByte);
  TextPos PosAt(int line, int byteIndex) const;

  Settings settings;
  CVeloDoc doc{settings};
  FakeViewHost host;
  std::unique_ptr<CVeloView> view;

 private:
  void Init(const std::vector<std::string>& lines, int columns, int rows, int extraHeight);
};

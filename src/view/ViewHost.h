#pragma once
// What a view asks of the window it lives in. Coordinates are client pixels.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

// Right and bottom are exclusive.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool IsEmpty() const { return right <= left || bottom <= top; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

enum class ScrollBarKind { Horizontal, Vertical };

// What a scroll bar can show: positions min to max, both included, of which page are in the
// window at a time, so the bar's position goes from min to max - page + 1. A bar whose range
// fits in one page cannot scroll: it shows disabled, never hidden.
struct ScrollRange {
  int min = 0;
  int max = 0;
  int page = 0;
  friend bool operator==(const ScrollRange&, const ScrollRange&) = default;
};

// What the user did to a scroll bar, as the view receives it. Left and right are up and down of
// the horizontal bar. The thumb moves by tracking while it is dragged and by position when
// it is set once.
enum class ScrollAction {
  LineUp,
  LineDown,
  PageUp,
  PageDown,
  ThumbPosition,
  ThumbTrack,
  Top,
  Bottom,
  EndScroll,
  LineLeft = LineUp,
  LineRight = LineDown,
  PageLeft = PageUp,
  PageRight = PageDown,
};

// The font the view draws with: fixed pitch, for code page 932 text, of this cell height in
// pixels and this weight (400 regular, 700 bold).
struct FontRequest {
  int height = 18;
  int weight = 400;
  friend bool operator==(const FontRequest&, const FontRequest&) = default;
};

struct TextMetrics {
  int height = 0;        // line height in pixels
  int aveCharWidth = 0;  // advance of a half-width character in pixels
};

// What the clipboard gave the view. Refused text has been reported to the user already and
// must change nothing, unlike an empty clipboard.
struct ClipboardText {
  enum Kind { Nothing, Text, Refused } kind = Nothing;
  std::string bytes;
};

class ViewHost {
 public:
  virtual ~ViewHost() = default;

  // Painting. A null rect is the whole client area.
  virtual void Invalidate(const Rect* rect) = 0;
  // Moves the client content by whole pixels; the uncovered part is invalidated by the caller.
  virtual void ScrollContent(int dx, int dy) = 0;
  virtual Rect ClientRect() const = 0;

  // The caret, drawn by the window: a block width × height at the given point.
  virtual void CreateCaret(int width, int height) = 0;
  virtual void SetCaretPos(Point p) = 0;
  virtual void ShowCaret() = 0;
  virtual void HideCaret() = 0;

  // Gives the bar range, when there is one, and moves it to pos (limited to the range).
  virtual void SetScrollBar(ScrollBarKind bar, const ScrollRange* range, int pos) = 0;

  virtual void SetCapture() = 0;
  virtual void ReleaseCapture() = 0;
  // The keys' state now, not when the event was queued.
  virtual bool IsShiftDown() const = 0;
  virtual bool IsCtrlDown() const = 0;

  // The input method draws its composition at p in the given font.
  virtual void SetImeCompositionPos(Point p) = 0;
  virtual void SetImeFont(const FontRequest& font) = 0;

  virtual void SetStatusText(std::string_view utf8) = 0;

  // Clipboard text as code page 932 bytes with CR LF between lines. False when the
  // clipboard could not be written.
  virtual bool SetClipboardText(std::string_view cp932) = 0;
  // Nothing when the clipboard holds no text or cannot be opened; the host converts
  // foreign text and refuses (telling the user) what code page 932 cannot hold. The bytes
  // are taken whole, NUL bytes included: where the clipboard's text ends is the host's rule.
  virtual ClipboardText GetClipboardText() = 0;

  virtual void BeginWaitCursor() = 0;
  virtual void EndWaitCursor() = 0;

  // Makes the font the view draws with and returns its cell metrics.
  virtual TextMetrics SelectFont(const FontRequest& font) = 0;
};

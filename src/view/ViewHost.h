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

// Scroll bar state with the classic semantics: nMax is inclusive, nPage is the visible part,
// and with kScrollDisableNoScroll a bar that cannot scroll is disabled, not hidden.
inline constexpr unsigned kScrollRange = 0x1;
inline constexpr unsigned kScrollPage = 0x2;
inline constexpr unsigned kScrollPos = 0x4;
inline constexpr unsigned kScrollDisableNoScroll = 0x8;
struct ScrollInfo {
  unsigned mask = 0;
  int nMin = 0;
  int nMax = 0;
  unsigned nPage = 0;
  int nPos = 0;
};

// Scroll bar actions as the view receives them.
enum ScrollCode {
  SB_LINEUP = 0, SB_LINELEFT = 0,
  SB_LINEDOWN = 1, SB_LINERIGHT = 1,
  SB_PAGEUP = 2, SB_PAGELEFT = 2,
  SB_PAGEDOWN = 3, SB_PAGERIGHT = 3,
  SB_THUMBPOSITION = 4,
  SB_THUMBTRACK = 5,
  SB_TOP = 6,
  SB_BOTTOM = 7,
  SB_ENDSCROLL = 8,
};

// The font request: the subset of the classic logical font the view fills in.
struct FontRequest {
  int height = 18;          // cell height in pixels
  int weight = 400;
  int charSet = 128;        // Shift-JIS
  int pitchAndFamily = 1;   // fixed pitch
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
  virtual void Invalidate(const Rect* rect, bool erase) = 0;
  // Moves the client content by whole pixels; the uncovered part is invalidated by the caller.
  virtual void ScrollContent(int dx, int dy) = 0;
  virtual Rect ClientRect() const = 0;

  // The caret, drawn by the window: a block width × height at the given point.
  virtual void CreateCaret(int width, int height) = 0;
  virtual void SetCaretPos(Point p) = 0;
  virtual void ShowCaret() = 0;
  virtual void HideCaret() = 0;

  virtual void SetScrollInfo(ScrollBarKind bar, const ScrollInfo& info) = 0;

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
  // foreign text and refuses (telling the user) what code page 932 cannot hold.
  virtual ClipboardText GetClipboardText() = 0;

  virtual void BeginWaitCursor() = 0;
  virtual void EndWaitCursor() = 0;

  // Makes the font the view draws with and returns its cell metrics.
  virtual TextMetrics SelectFont(const FontRequest& font) = 0;
};

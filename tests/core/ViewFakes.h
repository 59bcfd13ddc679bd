#pragma once
// The view's seam faked, and what the editing tests check views with.
#include <gtest/gtest.h>

#include <algorithm>
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

struct FakeViewHost : ViewHost {
  struct PaintRequest {  // a scroll, or an invalidation of rect
    std::optional<Rect> rect;
    int dx = 0, dy = 0;
  };
  void Invalidate(const Rect* r) override { paintLog.push_back({r ? *r : client, 0, 0}); }
  void ScrollContent(int dx, int dy) override { paintLog.push_back({std::nullopt, dx, dy}); }
  Rect ClientRect() const override { return client; }
  void CreateCaret(int, int) override {}
  void SetCaretPos(Point p) override { caretPos = p; }
  void ShowCaret() override {}
  void HideCaret() override {}
  void SetScrollBar(ScrollBarKind, const ScrollRange*, int) override {}
  void SetCapture() override {}
  void ReleaseCapture() override {}
  bool IsShiftDown() const override { return shiftDown; }
  bool IsCtrlDown() const override { return false; }
  void SetImeCompositionPos(Point) override {}
  void SetImeFont(const FontRequest&) override {}
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
  TextMetrics SelectFont(const FontRequest&) override { return metrics; }

  Rect client{0, 0, 96, 88};
  TextMetrics metrics{16, 8};
  int waitDepth = 0;  // not yet ended
  bool shiftDown = false, clipboardWorks = true;
  std::optional<std::string> clipboard;
  std::vector<PaintRequest> paintLog;
  Point caretPos;
  std::string status;
};

// A document, a window of columns × rows cells and half a row, and a view on it.
struct ViewRig {
  explicit ViewRig(const std::vector<std::string>& lines, int columns = 12, int rows = 5);
  std::unique_ptr<CVeloView> AddView(FakeViewHost& otherHost);
  // Row row of the view painted, a letter a cell. 'g', glyphs: '.' none, printable ASCII, '<' '>'
  // the halves of a double-byte character, '?' another byte, '!' not one clean glyph or fill. 'b',
  // backgrounds, and 'f', text colours of glyphs ('.' elsewhere): k Bk, s SelBk, t Text, x SelText,
  // m Margin, g Ground, # unpainted, ? another colour, ! mixed backgrounds.
  std::string Row(CVeloView& view, int row, char what);

  Settings settings;
  CVeloDoc doc{settings};
  FakeViewHost host;
  std::unique_ptr<CVeloView> view;
};

// A line walked a character at a time: a lead byte and the byte after it, a tab to its stop, a byte.
struct CharWalk {
  CharWalk(std::string_view line, int tab);
  std::vector<int> starts;   // character starts, the line end included
  std::vector<int> columns;  // the column at each start
  int Width() const { return columns.back(); }
  // (byte, column) of the first start at or after byte b, and of the character covering column c.
  std::pair<int, int> AtByte(int b) const {
    const auto k =
        static_cast<std::size_t>(std::lower_bound(starts.begin(), starts.end() - 1, b) - starts.begin());
    return {starts[k], columns[k]};
  }
  std::pair<int, int> AtColumn(int c) const {
    std::size_t k = 0;
    while (k + 1 < starts.size() && columns[k] < c) ++k;
    if (columns[k] > c && k > 0) --k;
    return {starts[k], columns[k]};
  }
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

// The picture before op, with the scrolls and the repaints op asked for, must equal a full repaint
// after it, whether pending repaints move with scrolled content or stay put. No row may draw more
// than a byte past what the window shows.
::testing::AssertionResult RepaintsMatch(CVeloView& view, FakeViewHost& host,
                                         const std::function<void()>& op);

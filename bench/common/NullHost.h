#pragma once
// A window and a row surface for running the real view in a benchmark: nothing is drawn or
// shown, but the view's requests are taken as a real window would take them. The host gathers
// what the view invalidates, so that a benchmark can paint exactly that, as a window would.
#include <optional>
#include <string>
#include <string_view>

#include "view/Surface.h"
#include "view/ViewHost.h"

namespace mirev_bench {

class NullHost : public ViewHost {
 public:
  // A client area of columns x rows cells of 8 x 16 pixels.
  NullHost(int columns, int rows);

  void Invalidate(const Rect* rect) override;
  void ScrollContent(int dx, int dy) override;
  Rect ClientRect() const override { return client_; }
  void CreateCaret(int, int) override {}
  void SetCaretPos(Point) override {}
  void ShowCaret() override {}
  void HideCaret() override {}
  void SetScrollBar(ScrollBarKind, const ScrollRange*, int) override {}
  void SetCapture() override {}
  void ReleaseCapture() override {}
  bool IsShiftDown() const override { return false; }
  bool IsCtrlDown() const override { return false; }
  void SetImeCompositionPos(Point) override {}
  void SetImeFont(const FontRequest&) override {}
  void SetStatusText(std::string_view utf8) override { status_.assign(utf8); }
  bool SetClipboardText(std::string_view cp932) override;
  ClipboardText GetClipboardText() override {
    return clipboard_ ? ClipboardText{ClipboardText::Text, *clipboard_} : ClipboardText{};
  }
  void BeginWaitCursor() override {}
  void EndWaitCursor() override {}
  TextMetrics SelectFont(const FontRequest&) override { return TextMetrics{16, 8}; }

  void SetClientSize(int width, int height) { client_ = Rect{0, 0, width, height}; }
  // The area invalidated since the last call, which it forgets; empty when nothing was.
  Rect TakeDirty();
  const std::string& Status() const { return status_; }

 private:
  Rect client_;
  Rect dirty_;
  std::string status_;
  std::optional<std::string> clipboard_;
};

// A surface that draws nothing but reports the widths a cell grid would take.
class NullSurface : public Surface {
 public:
  explicit NullSurface(Rect clip) : clip_(clip) {}
  Rect ClipBox() const override { return clip_; }
  void PrepareRow(int, int) override {}
  void FillRow(const Rect&, Color) override {}
  int DrawRowText(int x, std::string_view cp932, Color text, Color background, int cellWidth, int tabPx,
                  int tabOrigin) override;
  void CopyRowToScreen(int, int, int) override {}
  void DrawScreenText(int, int, std::string_view, Color, Color) override {}

  long long BytesDrawn() const { return bytes_; }

 private:
  Rect clip_;
  long long bytes_ = 0;
};

}  // namespace mirev_bench

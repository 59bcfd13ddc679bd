// The view's input other than keys: placing the caret and selecting with the left mouse button,
// the wheel, the input method's finished text, and zooming the font.
#include <algorithm>
#include <string>

#include "base/Cp932.h"
#include "view/CVeloView.h"

void CVeloView::OnLButtonDown(Point p) {
  if (!IsPlaced()) return;
  RefreshColumns();
  PointToPos(caret, p);
  desiredColumn = caret.column;
  if (selecting) {
    InvalidateSelection();
    selecting = false;
  }
  EnsureCaretVisible(false);
  host.SetCapture();
  mouseTracking = true;
}

void CVeloView::OnMouseMove(Point p) {
  if (!mouseTracking || !IsPlaced()) return;
  RefreshColumns();
  // Outside the window: one step per move, so the view scrolls while the mouse moves and
  // stops when it rests. The right and bottom edges count as inside.
  if (p.y < 0) return ScrollUp(1, true);
  if (p.y > clientHeight) return ScrollDown(1, true);
  if (p.x < 0) return ScrollHorz(-1);
  if (p.x > clientWidth) return ScrollHorz(1);
  TextPos pos;
  PointToPos(pos, p);
  if (!PosDiffers(pos, caret)) return;
  InvalidateSelection();
  BeginExtend(true);  // the first move of a drag anchors the selection at the press point
  caret = pos;
  EndExtend(true);
  desiredColumn = caret.column;
  InvalidateSelection();
  EnsureCaretVisible(false);
}

void CVeloView::OnLButtonUp(Point) {
  if (mouseTracking) host.ReleaseCapture();
  mouseTracking = false;
}

void CVeloView::OnMouseWheel(int delta) {
  if (delta == 0 || !IsPlaced()) return;
  RefreshColumns();
  const bool away = delta > 0;
  if (host.IsCtrlDown()) {
    if (away)
      ZoomIn();
    else
      ZoomOut();
  } else if (host.IsShiftDown()) {
    OnMouseHWheel(delta);
  } else if (away) {
    ScrollUp(kWheelLines, selecting);
  } else {
    ScrollDown(kWheelLines, selecting);
  }
}

void CVeloView::OnMouseHWheel(int delta) {
  if (delta == 0 || !IsPlaced()) return;
  // At least a column, or a narrow window would not scroll at all.
  const int step = std::max(visibleColumns / 4, 1);
  ScrollHorz(delta > 0 ? -step : step);
}

void CVeloView::OnImeComposition(std::string_view cp932, std::optional<LineSpan> replace) {
  if (!IsPlaced()) return;
  RefreshColumns();
  if (!replace) {
    if (!cp932.empty()) InputText(cp932);
    return;
  }
  const std::string_view line = caret.node->text.View();
  const int length = static_cast<int>(line.size());
  int from = std::clamp(replace->from, 0, length);
  int to = std::clamp(replace->to, from, length);
  if (!IsCharBoundary(line, from)) --from;
  if (!IsCharBoundary(line, to)) ++to;
  if (!FitsInLines(cp932)) return;
  PlaceCaret(caret.line, from, false);
  PlaceCaret(caret.line, to, true);
  // The span is replaced, never overwritten past: overwrite mode does not apply here.
  replayingUndo = false;
  if (from < to) DeleteSelectionAndRecord(undoList, true);
  selecting = false;
  if (!cp932.empty()) InsertAndRecord(cp932, undoList);
  EnsureCaretVisible(true);
}

void CVeloView::OnImeChar(int code) {
  if (code <= 0 || code > 0xFFFF) return;
  const unsigned char high = static_cast<unsigned char>(code >> 8);
  const unsigned char low = static_cast<unsigned char>(code & 0xFF);
  if (high == 0) return OnTypedText(std::string(1, static_cast<char>(low)));
  if (cp932::DecodePair(high, low) == cp932::kNoChar) return;
  const char pair[2] = {static_cast<char>(high), static_cast<char>(low)};
  OnTypedText(std::string_view(pair, 2));
}

void CVeloView::ZoomIn() {
  const int h = logFont.height + kZoomStep;
  if (h > kMaxFontHeight) {
    logFont.height = kMaxFontHeight;
    return;
  }
  logFont.height = h;
  ApplyFont();
}

void CVeloView::ZoomOut() {
  const int h = logFont.height - kZoomStep;
  if (h < kMinFontHeight) {
    logFont.height = kMinFontHeight;
    return;
  }
  logFont.height = h;
  ApplyFont();
}

void CVeloView::ZoomDefault() {
  logFont.height = kDefaultFontHeight;
  ApplyFont();
}

void CVeloView::ApplyFont() {
  font = host.SelectFont(logFont);
  RecalcMetrics();
  caretCreated = false;
  InvalidateAll();
  EnsureCaretVisible(true);
  UpdateImeFont();
}

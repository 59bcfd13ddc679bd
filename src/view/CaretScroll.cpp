// The caret and the visible part of the document kept in step: caret placement, scrolling,
// the scroll bars, the selection-extension steps, focus and size.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

#include "view/CVeloView.h"

namespace {

int ClampColumn(std::int64_t v) {
  return static_cast<int>(std::clamp<std::int64_t>(v, 0, std::numeric_limits<int>::max() / 2));
}

// Steps pos by count lines (back if count < 0), stopping at either end of the document.
void StepLines(TextPos& pos, int count) {
  for (; count > 0; --count)
    if (!CVeloDoc::NextLine(pos)) return;
  for (; count < 0; ++count)
    if (!CVeloDoc::PrevLine(pos)) return;
}

}  // namespace

void CVeloView::CreateViewCaret() { host.CreateCaret(overwriteMode ? charWidth : 2, lineHeight); }

void CVeloView::UpdateCaret() {
  if (!IsPlaced()) return;
  if (hasFocus && !caretCreated) {
    host.HideCaret();
    CreateViewCaret();
    host.ShowCaret();
    caretCreated = true;
  }
  host.HideCaret();
  const Point p = CaretPoint();
  host.SetCaretPos(p);
  SetImeWindowPos(p);
  host.SetStatusText(StatusText());
  host.ShowCaret();
}

void CVeloView::SetImeWindowPos(Point p) { host.SetImeCompositionPos(p); }

std::string CVeloView::StatusText() const {
  return std::to_string(static_cast<std::int64_t>(caret.line) + 1) + ": " +
         std::to_string(static_cast<std::int64_t>(caret.column) + 1);
}

CVeloView::OriginStep CVeloView::OriginToShow(int originLine, int originColumn, int caretLine,
                                              int caretColumn) const {
  OriginStep step;
  // Jumps of a quarter of the width; at least one column, or a narrow window never gets there.
  const std::int64_t hStep = std::max(visibleColumns / 4, 1);
  const std::int64_t caretCol = caretColumn;
  std::int64_t column = originColumn;
  if (caretCol < column) {
    step.scrolled = true;
    column -= (column - caretCol + hStep - 1) / hStep * hStep;
  }
  if (column < 0) column = 0;
  const std::int64_t lastColumn = column + visibleColumns - 2;
  if (caretCol > lastColumn) {
    step.scrolled = true;
    column += (caretCol - lastColumn + hStep - 1) / hStep * hStep;
  }
  if (column > caretCol) column = caretCol;
  step.column = ClampColumn(column);

  // Jumps of half the height, at least one line. A window lower than one line still shows the
  // caret's line in its partial row.
  const int vStep = std::max(visibleLines / 2, 1);
  const int shownLines = std::max(visibleLines, 1);
  int target = originLine;
  if (caretLine < originLine) {
    target -= (originLine - caretLine + vStep - 1) / vStep * vStep;
    target = std::max(target, 0);
  } else if (caretLine > originLine + shownLines - 1) {
    target += (caretLine - (originLine + shownLines - 1) + vStep - 1) / vStep * vStep;
  }
  step.line = originLine;
  if (target != originLine) {
    step.scrolled = step.vScrolled = true;
    step.line = std::min(target, caretLine);
  }
  return step;
}

void CVeloView::EnsureCaretVisible(bool recompute) {
  if (!IsPlaced()) return;
  const OriginStep step = OriginToShow(origin.line, origin.column, caret.line, caret.column);
  origin.column = step.column;
  if (step.vScrolled) {
    // The new first line lies within a window's height above the caret: walk from there.
    const int keepByte = origin.byteIndex;
    origin = caret;
    StepLines(origin, step.line - caret.line);
    origin.column = step.column;
    origin.byteIndex = keepByte;
  }

  UpdateCaret();
  UpdateScrollBars(recompute || step.vScrolled);
  if (step.scrolled) InvalidateAll();
}

void CVeloView::CenterCaret() {
  if (!IsPlaced()) return;
  origin = caret;
  StepLines(origin, -(visibleLines / 2));
  ScrollHorz(-(visibleColumns / 2));
  InvalidateAll();
  EnsureCaretVisible(true);
}

void CVeloView::ScrollUp(int count, bool extend) { ScrollLines(count, extend, false); }

void CVeloView::ScrollDown(int count, bool extend) { ScrollLines(count, extend, true); }

void CVeloView::ScrollLines(int count, bool extend, bool down) {
  if (!IsPlaced()) return;
  BeginExtend(extend);
  const auto step = down ? &CVeloDoc::NextLine : &CVeloDoc::PrevLine;
  int moved = 0;
  for (int i = 0; i < count; ++i) {
    const bool caretMoved = step(caret);
    const bool originMoved = step(origin);
    if (originMoved) ++moved;
    if (!caretMoved && !originMoved) break;
  }
  SetColumn(caret, desiredColumn);
  // The pixels move first, so that every rectangle below is in the scrolled picture's
  // coordinates whether or not the window moves pending repaints along with them.
  if (moved > visibleLines) {
    InvalidateAll();
  } else if (moved > 0) {
    const int shift = moved * lineHeight;
    host.ScrollContent(0, down ? -shift : shift);
    const Rect band =
        down ? Rect{0, clientHeight - shift, clientWidth, clientHeight} : Rect{0, 0, clientWidth, shift};
    host.Invalidate(&band);
  }
  InvalidateSelection();
  EndExtend(extend);
  InvalidateSelection();
  UpdateCaret();
  UpdateScrollBars(true);
}

void CVeloView::ScrollHorz(int delta) {
  std::int64_t column = static_cast<std::int64_t>(origin.column) + delta;
  if (column < 0)
    column = 0;
  else if (column > widestLine)
    column = widestLine;
  origin.column = ClampColumn(column);
  InvalidateAll();
  UpdateCaret();
  UpdateScrollBars(false);
}

void CVeloView::UpdateScrollBars(bool recompute) {
  UpdateHScrollBar(recompute);
  UpdateVScrollBar(recompute);
}

void CVeloView::UpdateVScrollBar(bool recompute) {
  ScrollRange range;
  if (recompute) {
    // Keeps every value of the bar below 32768: its thumb position travels as 16 bits.
    const int lineCount = doc.LineCount();
    vScrollScale = lineCount / 32768 + 1;
    range.max = (lineCount - 1) / vScrollScale;
    range.page = visibleLines / vScrollScale;
  }
  host.SetScrollBar(ScrollBarKind::Vertical, recompute ? &range : nullptr,
                    origin.line / std::max(vScrollScale, 1));
}

void CVeloView::UpdateHScrollBar(bool recompute) {
  ScrollRange range;
  if (recompute) {
    // Only the lines in the window are measured: the range follows what is visible.
    widestLine = 0;
    if (IsPlaced()) {
      TextPos pos = origin;
      for (int i = 0; i < visibleLines; ++i) {
        widestLine = std::max(widestLine, VisibleLineWidth(pos));
        if (!CVeloDoc::NextLine(pos)) break;
      }
    }
    widestLine = std::max(widestLine, visibleColumns);
    range.max = widestLine + visibleColumns / 4;
    range.page = visibleColumns;
  }
  host.SetScrollBar(ScrollBarKind::Horizontal, recompute ? &range : nullptr, origin.column);
}

int CVeloView::VisibleLineWidth(const TextPos& pos) const {
  // The caret's line is counted on from the caret; another long line is measured once and
  // remembered while it stays as it is, so typing beside it does not measure it again.
  const TextPos* hint = CaretHint();
  if (hint && hint->node == pos.node) return LineWidthFrom(*hint);
  if (knownWidth && knownWidth->node == pos.node && knownWidth->line == pos.line &&
      knownWidth->tab == TabWidth())
    return knownWidth->width;
  const int width = LineWidth(pos.node->text.View());
  if (pos.node->text.Length() >= kLongLine) knownWidth = KnownWidth{pos.node, pos.line, width, TabWidth()};
  return width;
}

void CVeloView::BeginExtend(bool extend) {
  if (extend && !selecting) {
    selecting = true;
    selAnchor = caret;
  }
}

void CVeloView::EndExtend(bool extend) {
  if (extend)
    selEnd = caret;
  else
    selecting = false;
}

void CVeloView::InvalidateSelection() {
  if (!selecting) return;
  const auto [first, last] = OrderedSelection();
  InvalidateLines(first.line, last.line);
}

void CVeloView::OnSetFocus() {
  hasFocus = true;
  caretCreated = false;
  UpdateCaret();
  UpdateScrollBars(true);
  UpdateImeFont();
  InvalidateAll();
}

void CVeloView::OnKillFocus() {
  hasFocus = false;
  caretCreated = false;
  host.HideCaret();
}

void CVeloView::OnSize() { RecalcMetrics(); }

void CVeloView::OnVScroll(ScrollAction action, int pos) {
  switch (action) {
    case ScrollAction::LineUp:
      ScrollUp(1, selecting);
      break;
    case ScrollAction::LineDown:
      ScrollDown(1, selecting);
      break;
    case ScrollAction::PageUp:
      ScrollUp(visibleLines, selecting);
      break;
    case ScrollAction::PageDown:
      ScrollDown(visibleLines, selecting);
      break;
    case ScrollAction::ThumbPosition:
    case ScrollAction::ThumbTrack: {
      const std::int64_t target = static_cast<std::int64_t>(vScrollScale) * pos;
      const std::int64_t distance = target - origin.line;
      const int steps = static_cast<int>(
          std::min<std::int64_t>(distance < 0 ? -distance : distance, std::numeric_limits<int>::max()));
      if (distance > 0)
        ScrollDown(steps, selecting);
      else
        ScrollUp(steps, selecting);
      break;
    }
    default:
      break;
  }
}

void CVeloView::OnHScroll(ScrollAction action, int pos) {
  switch (action) {
    case ScrollAction::LineLeft:
      ScrollHorz(-2);
      break;
    case ScrollAction::LineRight:
      ScrollHorz(2);
      break;
    case ScrollAction::PageLeft:
      ScrollHorz(-visibleColumns);
      break;
    case ScrollAction::PageRight:
      ScrollHorz(visibleColumns);
      break;
    case ScrollAction::ThumbPosition:
    case ScrollAction::ThumbTrack:
      ScrollHorz(static_cast<int>(std::clamp<std::int64_t>(static_cast<std::int64_t>(pos) - origin.column,
                                                           std::numeric_limits<int>::min() / 2,
                                                           std::numeric_limits<int>::max() / 2)));
      break;
    default:
      break;
  }
}

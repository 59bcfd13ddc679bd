// Painting: each row is composed off-screen and copied to the screen in one piece, so nothing
// flickers and the background is never erased on its own.
#include <algorithm>
#include <string_view>

#include "view/CVeloView.h"

void CVeloView::OnDraw(Surface& surface) {
  const Rect clip = surface.ClipBox();
  if (clip.IsEmpty() || lineHeight <= 0) return;
  const ColorTable& colors = Colors();
  // The row must reach the clip box even if the client size is not measured yet.
  const int rowWidth = std::max(clientWidth, clip.right);
  const int left = std::clamp(clip.left, 0, rowWidth);
  const int right = std::clamp(clip.right, 0, rowWidth);
  surface.PrepareRow(rowWidth, lineHeight);

  TextPos pos = origin;
  bool valid = IsPlaced();
  int y = 0;
  while (y + lineHeight <= clip.top) {
    y += lineHeight;
    if (valid) valid = CVeloDoc::NextLine(pos);
  }
  while (y < clip.bottom) {
    int x = marginWidth;
    if (valid) {
      x += DrawTextLine(surface, pos);
      valid = CVeloDoc::NextLine(pos);
    }
    if (x < right) surface.FillRow(Rect{x, 0, right, lineHeight}, colors[ColorTable::Ground]);
    // After the text, so that a character begun left of the first column is covered.
    FillMargin(surface);
    surface.CopyRowToScreen(left, right - left, y);
    y += lineHeight;
  }

  if (!IsPlaced()) return;
  for (int line : bookmarks) {
    // The partly visible row at the bottom counts too.
    if (line >= origin.line && line - origin.line <= visibleLines)
      surface.DrawScreenText(0, (line - origin.line) * lineHeight, "B", colors[ColorTable::Text],
                             colors[ColorTable::Bk]);
  }
}

int CVeloView::DrawTextLine(Surface& surface, const TextPos& rowPos) const {
  const ColorTable& colors = Colors();
  const std::string_view s = rowPos.node->text.View();
  const int length = static_cast<int>(s.size());
  TextPos p = rowPos;
  // On the caret's line, count from the nearer of the caret and the start found last time:
  // the line may be very long.
  if (const TextPos* hint = CaretHint(); hint && hint->node == p.node) {
    const bool fromLast = knownStart && knownStart->pos.node == p.node && knownStart->tab == TabWidth() &&
                          knownStart->pos.column <= rowPos.column &&
                          rowPos.column - knownStart->pos.column <= std::max(hint->column - rowPos.column, 0);
    SetColumnFrom(p, fromLast ? knownStart->pos : *hint, rowPos.column);
    knownStart = KnownStart{p, TabWidth()};
  } else {
    SetColumn(p, rowPos.column);
  }
  const int first = p.byteIndex;
  const int count = std::min(length - first, visibleColumns + 1);
  const int tab = TabWidth();
  const int tabPx = charWidth * tab;
  const int tabOrigin = marginWidth - (rowPos.column % tab) * charWidth;
  // Negative when the first visible column is inside a character: it is drawn from its true
  // start, partly under the margin.
  int d = (p.column - rowPos.column) * charWidth;

  auto run = [&](int from, int bytes, Color text, Color back) {
    d += surface.DrawRowText(marginWidth + d,
                             s.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(bytes)), text,
                             back, charWidth, tabPx, tabOrigin);
  };

  if (!selecting) {
    if (count > 0) run(first, count, colors[ColorTable::Text], colors[ColorTable::Bk]);
  } else {
    const SelectionSpan span = GetSelectionSpan(rowPos);
    // Only the drawn bytes matter; the clamps also keep stale ends inside the line.
    const int ss = std::clamp(span.start, first, first + count);
    const int se = std::clamp(span.end, ss, first + count);
    int u = ss - first;
    if (u > 0) run(first, u, colors[ColorTable::Text], colors[ColorTable::Bk]);
    if (ss < se) {
      run(ss, se - ss, colors[ColorTable::SelText], colors[ColorTable::SelBk]);
      u += se - ss;
    }
    if (u < count) {
      run(first + u, count - u, colors[ColorTable::Text], colors[ColorTable::Bk]);
    } else if (span.lineBreak && first + count == length) {
      surface.FillRow(Rect{marginWidth + d, 0, marginWidth + d + charWidth, lineHeight},
                      colors[ColorTable::SelBk]);
      d += charWidth;
    }
  }
  return std::max(d, 0);
}

CVeloView::SelectionSpan CVeloView::GetSelectionSpan(const TextPos& rowPos) const {
  const auto [a, b] = OrderedSelection();
  SelectionSpan span;
  const int line = rowPos.line;
  if (line < a.line || line > b.line) return span;
  if (line == a.line) span.start = a.byteIndex;
  if (line < b.line) {
    span.end = rowPos.node->text.Length();
    span.lineBreak = true;
  } else {
    span.end = b.byteIndex;
  }
  return span;
}

void CVeloView::FillMargin(Surface& surface) const {
  surface.FillRow(Rect{0, 0, marginWidth, lineHeight}, Colors()[ColorTable::Margin]);
}

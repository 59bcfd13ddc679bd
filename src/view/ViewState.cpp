// Construction, the font and its metrics, and the display settings shared by all views.
#include <algorithm>
#include <cstdint>

#include "view/CVeloView.h"

CVeloView::CVeloView(CVeloDoc& document, Settings& sharedSettings, ViewHost& viewHost)
    : doc(document), settings(sharedSettings), host(viewHost) {
  moveTable = {&CVeloView::LineUp,    &CVeloView::LineDown,  &CVeloView::CharLeft,  &CVeloView::WordLeft,
               &CVeloView::CharRight, &CVeloView::WordRight, &CVeloView::LineStart, &CVeloView::LineEnd};
  if (!settings.settingsLoaded) {
    settings.colors = settings.defaultColors;
    settings.tabSize = kDefaultTabSize;
  }
  doc.AddView(this);
}

CVeloView::~CVeloView() { doc.RemoveView(this); }

void CVeloView::OnInitialUpdate() {
  InvalidateAll();
  CreateViewFont();
  RecalcMetrics();
  caret = TextPos{doc.FirstLine(), 0, 0, 0};
  origin = caret;
  selAnchor = selEnd = caret;
  columnsTabWidth = TabWidth();
}

void CVeloView::CreateViewFont() {
  logFont = FontRequest{};
  font = host.SelectFont(logFont);
  UpdateImeFont();
}

void CVeloView::RecalcMetrics() {
  const TextMetrics metrics = font.value_or(TextMetrics{});
  // A host that reports an empty cell would make every division below fail.
  lineHeight = std::max(metrics.height, 1);
  charWidth = std::max(metrics.aveCharWidth, 1);
  marginWidth = 2 * charWidth;
  const Rect client = host.ClientRect();
  clientWidth = std::max(client.Width(), 0);
  clientHeight = std::max(client.Height(), 0);
  visibleLines = clientHeight / lineHeight;
  visibleColumns = clientWidth / charWidth;
}

void CVeloView::UpdateImeFont() { host.SetImeFont(logFont); }

void CVeloView::ApplyTabSize(int newTabSize) {
  settings.tabSize = newTabSize;
  RefreshColumns();
  InvalidateAll();
  EnsureCaretVisible(true);
}

void CVeloView::ApplyColors(const ColorTable& newColors) {
  settings.colors = newColors;
  UpdateImeFont();
  InvalidateAll();
  EnsureCaretVisible(false);
}

void CVeloView::RefreshColumns() {
  if (!IsPlaced() || columnsTabWidth == TabWidth()) return;
  columnsTabWidth = TabWidth();
  SetByteIndex(caret, caret.byteIndex);
  // The selection ends are ordered by column; columns of two tab widths do not compare.
  if (selecting) {
    SetByteIndex(selAnchor, selAnchor.byteIndex);
    SetByteIndex(selEnd, selEnd.byteIndex);
  }
}

void CVeloView::InvalidateAll() { host.Invalidate(nullptr); }

void CVeloView::InvalidateFromLine(int line) {
  if (!IsPlaced()) return;
  const std::int64_t top = (static_cast<std::int64_t>(line) - origin.line) * lineHeight;
  if (top >= clientHeight) return;
  Rect band{0, static_cast<int>(std::max<std::int64_t>(top, 0)), clientWidth, clientHeight};
  host.Invalidate(&band);
}

void CVeloView::InvalidateLines(int firstLine, int lastLine) {
  if (!IsPlaced() || lastLine < firstLine) return;
  // Far-away lines would overflow the pixel arithmetic; nothing off-screen needs repainting.
  const std::int64_t top = (static_cast<std::int64_t>(firstLine) - origin.line) * lineHeight;
  const std::int64_t bottom = (static_cast<std::int64_t>(lastLine) - origin.line + 1) * lineHeight;
  if (bottom <= 0 || top >= clientHeight) return;
  Rect band{0, static_cast<int>(std::max<std::int64_t>(top, 0)), clientWidth,
            static_cast<int>(std::min<std::int64_t>(bottom, clientHeight))};
  host.Invalidate(&band);
}

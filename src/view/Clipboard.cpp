// The selection as text, and the clipboard commands. The clipboard holds code page 932 bytes
// with CR LF between lines; the host converts them for the platform.
#include <algorithm>
#include <string>
#include <utility>

#include "view/CVeloView.h"

std::pair<TextPos, TextPos> CVeloView::OrderedSelection() const {
  const bool backwards = PosBefore(selEnd, selAnchor) ||
                         (!PosBefore(selAnchor, selEnd) && selEnd.byteIndex < selAnchor.byteIndex);
  return backwards ? std::pair(selEnd, selAnchor) : std::pair(selAnchor, selEnd);
}

std::string CVeloView::GetSelectedText() const { return SelectedText(nullptr); }

std::string CVeloView::SelectedText(std::vector<std::size_t>* breaks) const {
  std::string out;
  if (!IsPlaced() || !selecting) return out;
  const auto [start, end] = OrderedSelection();
  TextPos p = start;
  while (p.line < end.line) {
    const std::string_view line = p.node->text.View();
    out.append(line.substr(std::min(static_cast<std::size_t>(std::max(p.byteIndex, 0)), line.size())));
    if (breaks) breaks->push_back(out.size());
    out.append("\r\n");
    if (!CVeloDoc::NextLine(p)) return out;
    p.byteIndex = 0;
  }
  const std::string_view line = p.node->text.View();
  const std::size_t from = std::min(static_cast<std::size_t>(std::max(p.byteIndex, 0)), line.size());
  const std::size_t to = std::min(static_cast<std::size_t>(std::max(end.byteIndex, 0)), line.size());
  if (to > from) out.append(line.substr(from, to - from));
  return out;
}

namespace {

bool CopyToClipboard(ViewHost& host, const std::string& text) {
  host.BeginWaitCursor();
  const bool copied = host.SetClipboardText(text);
  host.EndWaitCursor();
  return copied;
}

}  // namespace

void CVeloView::Copy() {
  if (!IsPlaced() || !selecting) return;
  CopyToClipboard(host, GetSelectedText());
}

void CVeloView::Cut() {
  if (!IsPlaced() || !selecting) return;
  // Text the clipboard did not take stays in the document rather than vanish.
  if (CopyToClipboard(host, GetSelectedText())) DeleteSelection();
}

void CVeloView::Paste() {
  if (!IsPlaced()) return;
  host.BeginWaitCursor();
  ClipboardText clip = host.GetClipboardText();
  if (clip.kind == ClipboardText::Refused) {
    host.EndWaitCursor();
    return;
  }
  InputText(clip.bytes);
  host.EndWaitCursor();
}

void CVeloView::SelectAll() {
  GoDocEnd(false);
  GoDocStart(true);
}

#include "common/NullHost.h"

#include <algorithm>

namespace mirev_bench {

NullHost::NullHost(int columns, int rows) : client_{0, 0, columns * 8, rows * 16} {}

void NullHost::Invalidate(const Rect* rect) {
  const Rect r = rect ? *rect : client_;
  if (r.IsEmpty()) return;
  if (dirty_.IsEmpty()) {
    dirty_ = r;
    return;
  }
  dirty_ = Rect{std::min(dirty_.left, r.left), std::min(dirty_.top, r.top), std::max(dirty_.right, r.right),
                std::max(dirty_.bottom, r.bottom)};
}

void NullHost::ScrollContent(int dx, int dy) {
  // Pending repaints move with the content, as a window's update region does.
  if (!dirty_.IsEmpty())
    dirty_ = Rect{dirty_.left + dx, dirty_.top + dy, dirty_.right + dx, dirty_.bottom + dy};
}

bool NullHost::SetClipboardText(std::string_view cp932) {
  clipboard_.emplace(cp932);
  return true;
}

Rect NullHost::TakeDirty() {
  const Rect r{std::max(dirty_.left, client_.left), std::max(dirty_.top, client_.top),
               std::min(dirty_.right, client_.right), std::min(dirty_.bottom, client_.bottom)};
  dirty_ = Rect{};
  return r;
}

int NullSurface::DrawRowText(int, std::string_view cp932, Color, Color, int cellWidth, int tabPx, int) {
  // Every byte takes a cell (a double-byte character two); a tab is taken as a full stop.
  bytes_ += static_cast<long long>(cp932.size());
  int width = 0;
  for (char c : cp932) width += c == '\t' ? tabPx : cellWidth;
  return width;
}

}  // namespace mirev_bench

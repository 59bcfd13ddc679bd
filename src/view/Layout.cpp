// Bytes to display columns, columns to pixels and back. The font is fixed-pitch: nothing here
// measures text; every column is counted from the start of its line.
#include <algorithm>
#include <cstdint>
#include <limits>

#include "base/Cp932.h"
#include "view/CVeloView.h"

namespace {

// Keeps column arithmetic clear of overflow on absurdly long lines full of tabs.
constexpr int kColumnCap = std::numeric_limits<int>::max() / 4;

int NextTabStop(int column, int tab) {
  const std::int64_t stop = static_cast<std::int64_t>(tab) * (column / tab + 1);
  return static_cast<int>(std::min<std::int64_t>(stop, kColumnCap));
}

// One character of s from byte i at column c. A lead byte that ends the line is a character
// of its own, one byte and one column wide.
inline void StepChar(std::string_view s, int& i, int& c, int tab) {
  const unsigned char b = static_cast<unsigned char>(s[static_cast<std::size_t>(i)]);
  if (cp932::IsLeadByte(b) && i + 1 < static_cast<int>(s.size())) {
    i += 2;
    c += 2;
  } else if (b == '\t') {
    i += 1;
    c = NextTabStop(c, tab);
  } else {
    i += 1;
    c += 1;
  }
}

int ClampToInt(std::int64_t v) {
  return static_cast<int>(
      std::clamp<std::int64_t>(v, std::numeric_limits<int>::min() / 2, std::numeric_limits<int>::max() / 2));
}

}  // namespace

int CVeloView::TabWidth() const { return std::clamp(settings.tabSize, kMinTabSize, kMaxTabSize); }

void CVeloView::AdvanceChar(TextPos& pos) const {
  const std::string_view s = pos.node->text.View();
  if (pos.byteIndex < 0 || pos.byteIndex >= static_cast<int>(s.size())) return;
  StepChar(s, pos.byteIndex, pos.column, TabWidth());
}

void CVeloView::RetreatChar(TextPos& pos) const {
  const std::string_view s = pos.node->text.View();
  const int end = std::min(pos.byteIndex, static_cast<int>(s.size()));
  if (end <= 0) return;
  SetByteIndex(pos, cp932::PreviousCharStart(s, end));
}

void CVeloView::SetColumn(TextPos& pos, int target) const {
  const std::string_view s = pos.node->text.View();
  const int length = static_cast<int>(s.size());
  const int tab = TabWidth();
  int i = 0, c = 0, prevI = 0, prevC = 0;
  while (i < length && c < target) {
    prevI = i;
    prevC = c;
    StepChar(s, i, c, tab);
  }
  if (c > target) {  // the last character stepped over covers target: back to its start
    i = prevI;
    c = prevC;
  }
  pos.byteIndex = i;
  pos.column = c;
}

void CVeloView::SetByteIndex(TextPos& pos, int byteIndex) const {
  const std::string_view s = pos.node->text.View();
  const int limit = std::min(byteIndex, static_cast<int>(s.size()));
  const int tab = TabWidth();
  int i = 0, c = 0;
  while (i < limit) StepChar(s, i, c, tab);
  pos.byteIndex = i;
  pos.column = c;
}

int CVeloView::LineWidth(std::string_view line) const {
  const int length = static_cast<int>(line.size());
  const int tab = TabWidth();
  int i = 0, c = 0;
  while (i < length) StepChar(line, i, c, tab);
  return c;
}

void CVeloView::PointToPos(TextPos& pos, Point p) const {
  if (!IsPlaced()) return;
  const int row = p.y / lineHeight;
  const int col = (p.x - marginWidth) / charWidth;
  pos = origin;
  for (int r = 0; r < row; ++r)
    if (!CVeloDoc::NextLine(pos)) break;
  SetColumn(pos, ClampToInt(static_cast<std::int64_t>(origin.column) + col));
}

Point CVeloView::CaretPoint() const {
  std::int64_t x = (static_cast<std::int64_t>(caret.column) - origin.column) * charWidth + marginWidth - 1;
  if (x < marginWidth) x = marginWidth;
  const std::int64_t y = (static_cast<std::int64_t>(caret.line) - origin.line) * lineHeight;
  return Point{ClampToInt(x), ClampToInt(y)};
}

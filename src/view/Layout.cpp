// Bytes to display columns, columns to pixels and back. The font is fixed-pitch: nothing here
// measures text; every column is counted from the start of its line.
#include <algorithm>
#include <cstdint>
#include <cstring>
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

int AddColumns(int column, std::int64_t count) {
  return static_cast<int>(std::min<std::int64_t>(column + count, kColumnCap));
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

const unsigned char* Bytes(std::string_view s) { return reinterpret_cast<const unsigned char*>(s.data()); }

// Lead bytes in s[from, end), counted back from end. With from on a character start (or at a
// byte that is not a lead byte), an odd count means s[end - 1] starts a double-byte character.
int LeadRunBefore(const unsigned char* s, int from, int end) {
  int k = 0;
  while (end - k > from && cp932::IsLeadByte(s[end - k - 1])) ++k;
  return k;
}

int FindTab(const unsigned char* s, int from, int end) {
  if (end <= from) return -1;
  const void* hit = std::memchr(s + from, '\t', static_cast<std::size_t>(end - from));
  return hit ? static_cast<int>(static_cast<const unsigned char*>(hit) - s) : -1;
}

// The scans below give the same result as stepping character by character with StepChar,
// but jump between tab bytes: everything else takes one column per byte (a double-byte
// character two bytes, two columns), so only tabs and the character boundary at the end
// need a look.

// From a character start (i, c) on to the first character start at or after limit.
void ScanToByte(std::string_view s, int& i, int& c, int limit, int tab) {
  const unsigned char* u = Bytes(s);
  const int size = static_cast<int>(s.size());
  limit = std::min(limit, size);
  while (i < limit) {
    const int t = FindTab(u, i, limit);
    if (t < 0) {
      const int from = i;
      c = AddColumns(c, limit - i);
      i = limit;
      if (i < size && LeadRunBefore(u, from, i) % 2 == 1) {  // limit is a trail byte
        ++i;
        c = AddColumns(c, 1);
      }
      return;
    }
    if (LeadRunBefore(u, i, t) % 2 == 1) {  // the 0x09 is the trail byte of a pair
      c = AddColumns(c, t + 1 - i);
    } else {
      c = NextTabStop(AddColumns(c, t - i), tab);
    }
    i = t + 1;
  }
}

// From a character start (i, c) on to the start of the character covering target, or the line
// end; nothing moves when c is already at or past target.
void ScanToColumn(std::string_view s, int& i, int& c, int target, int tab) {
  const unsigned char* u = Bytes(s);
  const int size = static_cast<int>(s.size());
  while (i < size && c < target) {
    const std::int64_t span = static_cast<std::int64_t>(target) - c;
    const int searchEnd = static_cast<int>(std::min<std::int64_t>(size, i + span));
    const int t = FindTab(u, i, searchEnd);
    if (t < 0) {
      if (i + span >= size) {
        c = AddColumns(c, size - i);
        i = size;
      } else {
        const int b = static_cast<int>(i + span);
        const bool inside = LeadRunBefore(u, i, b) % 2 == 1;  // b is the trail of a pair
        i = inside ? b - 1 : b;
        c = inside ? target - 1 : target;
      }
      return;
    }
    if (LeadRunBefore(u, i, t) % 2 == 1) {  // a pair ending in 0x09, wholly before target
      c = AddColumns(c, t + 1 - i);
      i = t + 1;
      continue;
    }
    const int at = AddColumns(c, t - i);
    const int next = NextTabStop(at, tab);
    if (next > target) {  // the tab covers target
      i = t;
      c = at;
      return;
    }
    i = t + 1;
    c = next;
  }
}

// Whether hint can start a scan on pos's line.
bool UsableHint(const TextPos& pos, const TextPos& hint) {
  return hint.node != nullptr && hint.node == pos.node && hint.byteIndex >= 0 &&
         hint.byteIndex <= pos.node->text.Length() && hint.column >= 0;
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
  const int start = cp932::PreviousCharStart(s, end);
  // Every character but a tab is as many columns wide as it has bytes, so only a tab needs
  // its column counted again from the line start.
  if (s[static_cast<std::size_t>(start)] == '\t' || end != pos.byteIndex) {
    SetByteIndex(pos, start);
  } else {
    pos.byteIndex = start;
    pos.column = std::max(pos.column - (end - start), 0);
  }
}

void CVeloView::SetColumn(TextPos& pos, int target) const {
  int i = 0, c = 0;
  ScanToColumn(pos.node->text.View(), i, c, target, TabWidth());
  pos.byteIndex = i;
  pos.column = c;
}

void CVeloView::SetByteIndex(TextPos& pos, int byteIndex) const {
  int i = 0, c = 0;
  ScanToByte(pos.node->text.View(), i, c, byteIndex, TabWidth());
  pos.byteIndex = i;
  pos.column = c;
}

void CVeloView::SetColumnFrom(TextPos& pos, const TextPos& hint, int target) const {
  if (!UsableHint(pos, hint)) return SetColumn(pos, target);
  const std::string_view s = pos.node->text.View();
  int i = hint.byteIndex, c = hint.column;
  if (c > target) {
    // Back from the hint: without a tab byte in between, columns and bytes go one for one.
    const std::int64_t b = static_cast<std::int64_t>(i) - (c - static_cast<std::int64_t>(target));
    if (b < 0 || FindTab(Bytes(s), static_cast<int>(b), i) >= 0) return SetColumn(pos, target);
    i = static_cast<int>(b);
    c = target;
    if (!IsCharBoundary(s, i)) {  // inside a pair: its start covers target
      --i;
      --c;
    }
  } else {
    ScanToColumn(s, i, c, target, TabWidth());
  }
  pos.byteIndex = i;
  pos.column = c;
}

void CVeloView::SetByteIndexFrom(TextPos& pos, const TextPos& hint, int byteIndex) const {
  if (!UsableHint(pos, hint)) return SetByteIndex(pos, byteIndex);
  const std::string_view s = pos.node->text.View();
  const int target = std::clamp(byteIndex, 0, static_cast<int>(s.size()));
  int i = hint.byteIndex, c = hint.column;
  if (target < i) {
    if (FindTab(Bytes(s), target, i) >= 0) return SetByteIndex(pos, byteIndex);
    c -= i - target;
    i = target;
    if (!IsCharBoundary(s, i)) {  // forward off a trail byte
      ++i;
      ++c;
    }
    if (c < 0) return SetByteIndex(pos, byteIndex);  // the hint's column was not true
  } else {
    ScanToByte(s, i, c, target, TabWidth());
  }
  pos.byteIndex = i;
  pos.column = c;
}

void CVeloView::ScanBytes(std::string_view s, int& i, int& c, int limit) const {
  ScanToByte(s, i, c, limit, TabWidth());
}

int CVeloView::LineWidth(std::string_view line) const {
  int i = 0, c = 0;
  ScanToByte(line, i, c, static_cast<int>(line.size()), TabWidth());
  return c;
}

int CVeloView::LineWidthFrom(const TextPos& hint) const {
  if (!UsableHint(hint, hint)) return hint.node ? LineWidth(hint.node->text.View()) : 0;
  const std::string_view s = hint.node->text.View();
  int i = hint.byteIndex, c = hint.column;
  ScanToByte(s, i, c, static_cast<int>(s.size()), TabWidth());
  return c;
}

bool CVeloView::IsCharBoundary(std::string_view line, int i) {
  if (i <= 0 || i >= static_cast<int>(line.size())) return true;
  return LeadRunBefore(Bytes(line), 0, i) % 2 == 0;
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

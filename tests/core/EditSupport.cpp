#include "EditSupport.h"

#include <algorithm>
#include <cstdio>

#include "base/Cp932.h"

std::vector<std::string> LinesOf(const CVeloDoc& doc) {
  std::vector<std::string> lines;
  for (LineNode* n = doc.FirstLine(); n; n = n->next) lines.push_back(n->text.ToStdString());
  return lines;
}

CharWalk::CharWalk(std::string_view s, int tab) {
  const int size = static_cast<int>(s.size());
  for (int i = 0, c = 0;;) {
    starts.push_back(i);
    columns.push_back(c);
    if (i >= size) break;
    const unsigned char b = static_cast<unsigned char>(s[static_cast<std::size_t>(i)]);
    if (cp932::IsLeadByte(b) && i + 1 < size) {
      i += 2;
      c += 2;
    } else {
      i += 1;
      c = b == '\t' ? (c / tab + 1) * tab : c + 1;
    }
  }
}

bool CharWalk::IsStart(int b) const { return std::binary_search(starts.begin(), starts.end(), b); }

std::pair<int, int> CharWalk::AtByte(int b) const {
  const auto k =
      static_cast<std::size_t>(std::lower_bound(starts.begin(), starts.end() - 1, b) - starts.begin());
  return {starts[k], columns[k]};
}

std::pair<int, int> CharWalk::AtColumn(int c) const {
  std::size_t k = 0;
  while (k + 1 < starts.size() && columns[k] < c) ++k;
  if (columns[k] > c && k > 0) --k;
  return {starts[k], columns[k]};
}

std::string Readable(std::string_view s) {
  std::string out;
  for (const char ch : s) {
    const unsigned char b = static_cast<unsigned char>(ch);
    char hex[8];
    std::snprintf(hex, sizeof hex, "<%02X>", b);
    out += b >= 0x20 && b < 0x7F ? std::string(1, ch) : hex;
  }
  return out;
}

std::string RenderMarked(const std::vector<std::string>& lines, Mark caret, Mark anchor) {
  std::string out;
  for (int l = 0; l < static_cast<int>(lines.size()); ++l) {
    const std::string_view s = lines[static_cast<std::size_t>(l)];
    std::vector<std::pair<int, const char*>> marks;
    if (anchor && anchor->first == l) marks.emplace_back(anchor->second, "⁁");
    if (caret && caret->first == l) marks.emplace_back(caret->second, "‸");
    std::stable_sort(marks.begin(), marks.end(), [](auto& a, auto& b) { return a.first < b.first; });
    std::size_t from = 0;
    for (const auto& [at, sign] : marks) {
      const std::size_t to = std::clamp(static_cast<std::size_t>(std::max(at, 0)), from, s.size());
      out += Readable(s.substr(from, to - from)) + sign;
      from = to;
    }
    out += Readable(s.substr(from)) + "\n";
  }
  return out;
}

std::string RenderView(const CVeloView& v) {
  const Mark anchor = v.IsSelecting() ? Mark({v.SelAnchor().line, v.SelAnchor().byteIndex}) : std::nullopt;
  return RenderMarked(LinesOf(v.GetDocument()), std::pair(v.Caret().line, v.Caret().byteIndex), anchor);
}

namespace {

::testing::AssertionResult CheckPos(const CVeloView& view, const TextPos& pos, const char* name, bool text) {
  const CVeloDoc& doc = view.GetDocument();
  if (pos.line < 0 || pos.line >= doc.LineCount())
    return ::testing::AssertionFailure() << name << " on line " << pos.line << " of " << doc.LineCount();
  LineNode* node = doc.FirstLine();
  for (int i = 0; i < pos.line; ++i) node = node->next;
  if (node != pos.node)
    return ::testing::AssertionFailure() << name << " line " << pos.line << " holds another line's node";
  if (!text) return ::testing::AssertionSuccess();
  const CharWalk walk(node->text.View(), view.TabWidth());
  if (!walk.IsStart(pos.byteIndex))
    return ::testing::AssertionFailure()
           << name << " byte " << pos.byteIndex << " is no character start of \""
           << Readable(node->text.View()) << "\"";
  if (pos.column != walk.AtByte(pos.byteIndex).second)
    return ::testing::AssertionFailure()
           << name << " column " << pos.column << " but its bytes are " << walk.AtByte(pos.byteIndex).second
           << " wide (line " << pos.line << ", byte " << pos.byteIndex << ")";
  return ::testing::AssertionSuccess();
}

}  // namespace

::testing::AssertionResult PositionsValid(const CVeloView& view) {
  if (auto r = CheckPos(view, view.Caret(), "caret", true); !r) return r;
  if (auto r = CheckPos(view, view.Origin(), "origin", false); !r) return r;
  if (view.IsSelecting()) {
    if (auto r = CheckPos(view, view.SelAnchor(), "selAnchor", true); !r) return r;
    if (auto r = CheckPos(view, view.SelEnd(), "selEnd", true); !r) return r;
  }
  return ::testing::AssertionSuccess();
}

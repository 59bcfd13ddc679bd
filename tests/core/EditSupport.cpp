#include "EditSupport.h"

#include <algorithm>
#include <cstdio>

#include "base/Cp932.h"

std::vector<std::string> LinesOf(const CVeloDoc& doc) {
  std::vector<std::string> lines;
  for (LineNode* n = doc.FirstLine(); n; n = n->next) lines.push_back(n->text.ToStdString());
  return lines;
}

std::string DocText(const CVeloDoc& doc) {
  std::string text;
  for (LineNode* n = doc.FirstLine(); n; n = n->next) {
    if (n != doc.FirstLine()) text += "\r\n";
    text.append(n->text.View());
  }
  return text;
}

int ReferenceWidth(std::string_view bytes, int tab) {
  int c = 0;
  for (std::size_t i = 0; i < bytes.size();) {
    const unsigned char b = static_cast<unsigned char>(bytes[i]);
    if (cp932::IsLeadByte(b) && i + 1 < bytes.size()) {
      i += 2;
      c += 2;
    } else if (b == '\t') {
      i += 1;
      c = (c / tab + 1) * tab;
    } else {
      i += 1;
      c += 1;
    }
  }
  return c;
}

bool ReferenceBoundary(std::string_view line, int i) {
  int at = 0;
  while (at < i && at < static_cast<int>(line.size())) {
    const unsigned char b = static_cast<unsigned char>(line[static_cast<std::size_t>(at)]);
    at += (cp932::IsLeadByte(b) && at + 1 < static_cast<int>(line.size())) ? 2 : 1;
  }
  return at == i;
}

std::string Readable(std::string_view cp932) {
  std::string out;
  for (std::size_t i = 0; i < cp932.size();) {
    const cp932::DecodedChar d = cp932::DecodeAt(cp932, i);
    const unsigned char b = static_cast<unsigned char>(cp932[i]);
    if (d.codePoint == cp932::kNoChar || d.codePoint < 0x20 || d.codePoint == 0x7F) {
      for (int k = 0; k < d.length; ++k) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "<%02X>",
                      static_cast<unsigned char>(cp932[i + static_cast<std::size_t>(k)]));
        out += hex;
      }
    } else if (d.codePoint < 0x80) {
      out += static_cast<char>(b);
    } else {
      const char32_t c = d.codePoint;
      if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
      } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
      }
    }
    i += static_cast<std::size_t>(d.length);
  }
  return out;
}

std::string RenderView(const CVeloView& view) {
  std::string out;
  int line = 0;
  for (LineNode* n = view.GetDocument().FirstLine(); n; n = n->next, ++line) {
    const std::string_view s = n->text.View();
    std::size_t from = 0;
    auto mark = [&](int at, const char* sign) {
      out += Readable(s.substr(from, static_cast<std::size_t>(at) - from));
      out += sign;
      from = static_cast<std::size_t>(at);
    };
    struct Mark {
      int at;
      const char* sign;
    };
    std::vector<Mark> marks;
    if (view.selecting && view.selAnchor.line == line) marks.push_back({view.selAnchor.byteIndex, "⁁"});
    if (view.caret.line == line) marks.push_back({view.caret.byteIndex, "‸"});
    std::stable_sort(marks.begin(), marks.end(), [](const Mark& a, const Mark& b) { return a.at < b.at; });
    for (const Mark& m : marks)
      mark(std::clamp(m.at, static_cast<int>(from), static_cast<int>(s.size())), m.sign);
    out += Readable(s.substr(from));
    out += "\n";
  }
  return out;
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
  const std::string_view s = node->text.View();
  if (pos.byteIndex < 0 || pos.byteIndex > static_cast<int>(s.size()))
    return ::testing::AssertionFailure()
           << name << " byte " << pos.byteIndex << " outside its line of " << s.size();
  if (!ReferenceBoundary(s, pos.byteIndex))
    return ::testing::AssertionFailure()
           << name << " byte " << pos.byteIndex << " inside a character of \"" << Readable(s) << "\"";
  const int width = ReferenceWidth(s.substr(0, static_cast<std::size_t>(pos.byteIndex)), view.TabWidth());
  if (pos.column != width)
    return ::testing::AssertionFailure() << name << " column " << pos.column << " but its bytes are " << width
                                         << " wide (line " << pos.line << ", byte " << pos.byteIndex << ")";
  return ::testing::AssertionSuccess();
}

}  // namespace

::testing::AssertionResult PositionsValid(const CVeloView& view) {
  if (auto r = CheckPos(view, view.caret, "caret", true); !r) return r;
  if (auto r = CheckPos(view, view.origin, "origin", false); !r) return r;
  if (view.selecting) {
    if (auto r = CheckPos(view, view.selAnchor, "selAnchor", true); !r) return r;
    if (auto r = CheckPos(view, view.selEnd, "selEnd", true); !r) return r;
  }
  return ::testing::AssertionSuccess();
}

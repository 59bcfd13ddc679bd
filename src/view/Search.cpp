// Find and replace. Matching is byte for byte, case included, one line at a time; a match may
// only begin where a character begins, so "\" never matches the trail byte of 表 (95 5C).
//
// Replace all gives exactly what Find and ReplaceSelection taken in turn give, record for
// record, but builds each changed line once: taken literally, every replacement would move the
// rest of its line, and every step would scroll and repaint.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "base/Cp932.h"
#include "sys/ByteSearch.h"
#include "view/CVeloView.h"

namespace {

constexpr std::string_view kLineBreak = "\r\n";
// How many bytes of consecutive lines one library search covers: at first a few lines' worth,
// so that a near match costs little, then more and more, up to the most.
constexpr std::ptrdiff_t kFirstRunBytes = 1 << 9;
constexpr std::ptrdiff_t kRunBytes = 1 << 16;

const unsigned char* Bytes(std::string_view s) { return reinterpret_cast<const unsigned char*>(s.data()); }

int Size(std::string_view s) { return static_cast<int>(s.size()); }

// Lead bytes in s[from, end), counted back from end. With from on a character start, an odd
// count means end falls inside a double-byte character (or just after a lone lead byte).
int LeadRunBefore(std::string_view s, int from, int end) {
  const unsigned char* u = Bytes(s);
  int k = 0;
  while (end - k > from && cp932::IsLeadByte(u[end - k - 1])) ++k;
  return k;
}

// The first occurrence of text in line at a character start at or after from, characters
// counted from from; -1 if there is none.
int FindInLine(std::string_view line, int from, std::string_view text) {
  const int size = Size(line);
  const int m = Size(text);
  int known = from;  // a character start at or before every candidate still to come
  while (from >= 0 && from <= size - m) {
    const char* hit = FindBytes(line.data() + from, static_cast<std::size_t>(size - from), text);
    if (!hit) return -1;
    const int at = static_cast<int>(hit - line.data());
    if (LeadRunBefore(line, known, at) % 2 == 0) return at;
    known = from = at + 1;  // at was a trail byte: the character after it starts at at + 1
  }
  return -1;
}

// Moves pos on to the first line after it that holds an occurrence, searched from its start;
// hit is where. Without one, pos ends on the last line. Lines read from a file are slices of
// one block in order, so runs of them are searched with one call over their bytes; a hit in
// the breaks between them, or across one, is passed over.
bool NextLineWith(TextPos& pos, std::string_view text, int& hit) {
  const std::ptrdiff_t m = static_cast<std::ptrdiff_t>(text.size());
  std::ptrdiff_t runBytes = kFirstRunBytes;
  while (pos.node->next) {
    LineNode* first = pos.node->next;
    const int firstLine = pos.line + 1;
    // The run: the next lines while their bytes follow each other in one block.
    LineNode* last = first;
    int count = 0;
    const ByteString* prev = nullptr;  // the run's latest line with bytes
    const char* begin = nullptr;
    const char* end = nullptr;
    for (LineNode* n = first; n; n = n->next) {
      const ByteString& t = n->text;
      if (!t.IsEmpty()) {
        if (prev && (!t.SharesStorageWith(*prev) || t.Data() < end)) break;
        if (!prev) begin = t.Data();
        prev = &t;
        end = t.Data() + t.Length();
      }
      last = n;
      ++count;
      if (prev && end - begin >= runBytes) break;
    }
    // The hits, mapped back onto their lines.
    LineNode* n = first;
    int line = firstLine;
    for (const char* from = begin; prev && end - from >= m;) {
      const char* h = FindBytes(from, static_cast<std::size_t>(end - from), text);
      if (!h) break;
      while (n->text.IsEmpty() || h >= n->text.Data() + n->text.Length()) {
        n = n->next;
        ++line;
      }
      const std::string_view s = n->text.View();
      if (h >= s.data()) {
        const int k = static_cast<int>(h - s.data());
        if (k + m <= static_cast<std::ptrdiff_t>(s.size())) {
          int at = LeadRunBefore(s, 0, k) % 2 == 0 ? k : FindInLine(s, k + 1, text);
          if (at >= 0) {
            pos = TextPos{n, line, 0, 0};
            hit = at;
            return true;
          }
        }
        from = s.data() + s.size();  // nothing more in this line
      } else {
        from = s.data();  // the hit lay in the break before this line
      }
    }
    pos = TextPos{last, firstLine + count - 1, 0, 0};
    runBytes = std::min(2 * runBytes, kRunBytes);
  }
  return false;
}

// The same upwards, line by line.
bool PrevLineWith(TextPos& pos, std::string_view text, int& hit) {
  while (CVeloDoc::PrevLine(pos)) {
    hit = FindInLine(pos.node->text.View(), 0, text);
    if (hit >= 0) return true;
  }
  return false;
}

}  // namespace

bool CVeloView::Find(std::string_view text, bool forward) {
  if (!IsPlaced()) return false;
  RefreshColumns();
  InvalidateSelection();
  selecting = false;
  if (text.empty()) return false;
  const TextPos start = caret;
  TextPos at = caret;
  at.column = 0;
  int k = FindInLine(at.node->text.View(), at.byteIndex, text);
  if (k < 0 && !(forward ? NextLineWith(at, text, k) : PrevLineWith(at, text, k))) {
    caret = at;
    if (forward)
      LineEnd();
    else
      LineStart();
    return false;
  }
  caret = at;
  SetByteIndexFrom(caret, start, k);  // from the old caret when the match is on its line
  selAnchor = caret;
  SetByteIndexFrom(caret, selAnchor, k + static_cast<int>(text.size()));
  selEnd = caret;
  desiredColumn = caret.column;
  selecting = true;
  InvalidateLines(caret.line, caret.line);
  return true;
}

void CVeloView::FindAndShow(std::string_view text, bool forward) {
  if (!IsPlaced()) return;
  Find(text, forward);
  CenterCaret();
}

void CVeloView::ReplaceSelection(std::string_view text) {
  if (!IsPlaced() || !selecting) return;
  RefreshColumns();
  DeleteSelectionAndRecord(undoList);
  InputText(text);
}

void CVeloView::ReplaceAll(std::string_view search, std::string_view replacement) {
  if (!IsPlaced()) return;
  RefreshColumns();
  InvalidateSelection();
  selecting = false;
  // With nothing to search for, the loop would replace the empty text at the caret for ever.
  if (search.empty()) return;

  const int m = Size(search);
  // The replacement as the insertion splits it: the pieces between its CR LF pairs.
  std::vector<std::string_view> pieces;
  for (std::size_t i = 0;;) {
    const std::size_t br = replacement.find(kLineBreak, i);
    pieces.push_back(replacement.substr(i, br == std::string_view::npos ? std::string_view::npos : br - i));
    if (br == std::string_view::npos) break;
    i = br + kLineBreak.size();
  }
  const std::int64_t overwriteWidth = overwriteMode ? LineWidth(replacement) : 0;

  // What the loop would have made of the origin, the selection and the change, in numbers.
  int originLine = origin.line;
  int originColumn = origin.column;
  int originByte = origin.byteIndex;
  bool originMoved = false;
  TextPos last;  // the caret after the latest replacement; its node once its line is built
  bool replaced = false;
  LineChange change;
  int lastChanged = 0;  // the last line a replacement changed

  auto record = [&](UndoRecord::Kind kind, int line, int column, int byteIndex, std::string_view text) {
    UndoRecord r;
    r.kind = kind;
    r.start = TextPos{nullptr, line, column, byteIndex};
    r.text.assign(text);
    return r;
  };

  // Every match of one line from byte pos (a character start of column posColumn) on, the
  // first at c: the line is built once, its records pushed in the loop's order.
  auto replaceLine = [&](TextPos& at, int pos, int posColumn, int c) {
    const ByteString original = at.node->text;  // keeps the bytes while the line is rebuilt
    const std::string_view src = original.View();
    const int len = Size(src);
    std::vector<std::string> done;  // finished lines, when the replacement holds line breaks
    std::string out(src.substr(0, static_cast<std::size_t>(pos)));  // the line up to the caret
    int line = at.line;
    int column = posColumn;
    bool lastHere = false;
    if (!replaced) change = LineChange{at.line, 1, 1, c, at.node};
    replaced = true;
    do {
      // Find: the match selected, its start's column counted on from the caret.
      int i = pos;
      int col = column;
      ScanBytes(src, i, col, c);
      out.append(src.substr(static_cast<std::size_t>(pos), static_cast<std::size_t>(c - pos)));
      const int b = Size(out);
      int e = c + m;
      if (e < len && LeadRunBefore(src, c, e) % 2 == 1) ++e;  // the end moves off a trail byte
      // ReplaceSelection: the deletion, then the insertion if the line can take it.
      PushRecord(record(UndoRecord::Kind::Deletion, line, col, b,
                        src.substr(static_cast<std::size_t>(c), static_cast<std::size_t>(e - c))),
                 undoList);
      const std::size_t lineLength = out.size() + static_cast<std::size_t>(len - e);
      pos = e;
      column = col;
      last = TextPos{nullptr, line, col, b};
      lastHere = true;
      if (FitsInLine(lineLength, replacement)) {
        replayingUndo = false;
        if (overwriteMode) {  // as many bytes as the replacement is wide, to a character start
          const std::int64_t target =
              std::min<std::int64_t>(std::min<std::int64_t>(b + overwriteWidth, kMaxLineBytes),
                                     static_cast<std::int64_t>(lineLength));
          int t = e + static_cast<int>(target - b);
          if (t < len && LeadRunBefore(src, e, t) % 2 == 1) ++t;
          PushRecord(record(UndoRecord::Kind::Deletion, line, col, b,
                            src.substr(static_cast<std::size_t>(e), static_cast<std::size_t>(t - e))),
                     undoList);
          pos = t;
        }
        if (line < originLine) {  // the insertion's guard against renumbering the first visible line
          originLine = line;
          originColumn = 0;
          originByte = 0;
          originMoved = true;
        }
        UndoRecord insertion = record(UndoRecord::Kind::Insertion, line, col, b, {});
        int baseByte = b;
        int baseColumn = col;
        out.append(pieces.front());
        for (std::size_t j = 1; j < pieces.size(); ++j) {
          done.push_back(std::move(out));
          out.assign(pieces[j]);
          ++line;
          baseByte = baseColumn = 0;
        }
        const int rawEnd = Size(out);
        insertion.end = TextPos{nullptr, line, 0, rawEnd};
        PushRecord(std::move(insertion), undoList);
        // The caret after the inserted bytes, on a character start: a lead byte they end with
        // takes the next byte of the line as its trail.
        int caretByte = baseByte;
        int caretColumn = baseColumn;
        ScanBytes(out, caretByte, caretColumn, rawEnd);
        if (pos < len && LeadRunBefore(out, baseByte, rawEnd) % 2 == 1) {
          out.push_back(src[static_cast<std::size_t>(pos)]);
          ++pos;
          ++caretByte;
          ++caretColumn;
        }
        column = caretColumn;
        last = TextPos{nullptr, line, caretColumn, caretByte};
        const OriginStep step = OriginToShow(originLine, originColumn, line, caretColumn);
        originMoved = originMoved || step.line != originLine || step.column != originColumn;
        originLine = step.line;
        originColumn = step.column;
      }
      c = FindInLine(src, pos, search);
    } while (c >= 0);
    out.append(src.substr(static_cast<std::size_t>(pos)));
    done.push_back(std::move(out));

    doc.ReplaceLine(at.node, ByteString(done.front()));
    for (std::size_t j = 1; j < done.size(); ++j) {
      at.node = doc.InsertLineAfter(at.node, ByteString(done[j]));
      ++at.line;
    }
    if (lastHere) {
      last.node = at.node;
      for (int up = at.line - last.line; up > 0; --up) last.node = last.node->prev;
    }
    lastChanged = at.line;
  };

  int added = 0;
  TextPos at = caret;
  int k = FindInLine(at.node->text.View(), at.byteIndex, search);
  if (k >= 0) {
    const int before = at.line;
    replaceLine(at, caret.byteIndex, caret.column, k);
    added += at.line - before;
  }
  while (NextLineWith(at, search, k)) {
    const int before = at.line;
    replaceLine(at, 0, 0, k);
    added += at.line - before;
  }

  // The last Find fails: the caret at the end of the last line, nothing selected.
  caret = at;
  LineEnd();
  if (replaced) {
    change.newCount = lastChanged - change.first + 1;
    change.oldCount = change.newCount - added;
    selAnchor = selEnd = last;
    const int keepColumn = originColumn;
    origin = WalkToLine(originLine, {&selAnchor, &caret});
    origin.column = keepColumn;
    origin.byteIndex = originByte;
    NoteChange(change);
    if (originMoved)
      InvalidateAll();
    else
      InvalidateFromLine(change.first);
    UpdateScrollBars(true);
  }
  UpdateCaret();
}

// Edit operations: the one insertion through which new text enters the document, the removal
// of the selection, typed characters, the delete commands, overwrite mode and positioning by
// line number. Every change goes through the document's primitives and is reported to the
// other views of the document.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <tuple>

#include "base/Cp932.h"
#include "view/CVeloView.h"

namespace {

constexpr std::string_view kLineBreak = "\r\n";

}  // namespace

void CVeloView::InputText(std::string_view text) {
  if (!IsPlaced()) return;
  RefreshColumns();
  if (!FitsInLines(text)) return;
  replayingUndo = false;
  if (overwriteMode) {
    // The text replaces as many columns of the caret line as it is wide; a selection it
    // replaces is only repainted, not deleted.
    InvalidateSelection();
    selAnchor = caret;
    selEnd = caret;
    const std::int64_t end = static_cast<std::int64_t>(caret.byteIndex) + LineWidth(text);
    SetByteIndexFrom(selEnd, caret, static_cast<int>(std::min<std::int64_t>(end, kMaxLineBytes)));
    selecting = true;
  }
  // The text goes exactly where the removed bytes began, even where joining lines paired a
  // lone lead byte with the next byte: a character start found after the join would split it.
  if (selecting) DeleteSelectionAndRecord(undoList, true);
  InsertAndRecord(text, undoList);
  EnsureCaretVisible(true);
}

bool CVeloView::FitsInLines(std::string_view text) const {
  return FitsInLine(static_cast<std::size_t>(caret.node->text.Length()), text);
}

bool CVeloView::FitsInLine(std::size_t lineLength, std::string_view text) {
  if (text.size() > static_cast<std::size_t>(kMaxLineBytes)) return false;
  const std::size_t firstBreak = text.find(kLineBreak);
  if (firstBreak == std::string_view::npos) return lineLength + text.size() <= kMaxLineBytes;
  // The head of the line takes the first piece, the last piece takes its tail.
  const std::size_t lastBreak = text.rfind(kLineBreak);
  return lineLength + firstBreak <= kMaxLineBytes &&
         lineLength + (text.size() - lastBreak - kLineBreak.size()) <= kMaxLineBytes;
}

TextPos CVeloView::InsertRaw(std::string_view text, const std::vector<std::size_t>* breaks) {
  selecting = false;
  caret.byteIndex = std::clamp(caret.byteIndex, 0, caret.node->text.Length());
  // Inserting above the first visible line would renumber it.
  if (caret.line < origin.line) origin = TextPos{caret.node, caret.line, 0, 0};
  LineChange change{caret.line, 1, 1, caret.byteIndex, caret.node};
  // Columns before the insertion point stay as they were: the caret's column is counted on
  // over the inserted bytes only, never again from the line start.
  TextPos base = StableStart(caret);
  std::size_t i = 0;
  std::size_t nextBreak = 0;  // index into breaks
  auto findBreak = [&](std::size_t from) {
    if (!breaks) return text.find(kLineBreak, from);
    while (nextBreak < breaks->size() && (*breaks)[nextBreak] < from) ++nextBreak;
    if (nextBreak == breaks->size() || (*breaks)[nextBreak] + kLineBreak.size() > text.size())
      return std::string_view::npos;
    return (*breaks)[nextBreak];
  };
  for (std::size_t p = findBreak(0); p != std::string_view::npos; p = findBreak(i)) {
    if (p > i) {
      doc.InsertText(caret, text.substr(i, p - i));
      caret.byteIndex += static_cast<int>(p - i);
    }
    doc.SplitLine(caret);
    CVeloDoc::NextLine(caret);
    caret.byteIndex = 0;
    caret.column = 0;
    base = caret;
    ++change.newCount;
    i = p + kLineBreak.size();
  }
  if (i < text.size()) {
    doc.InsertText(caret, text.substr(i));
    caret.byteIndex += static_cast<int>(text.size() - i);
  }
  const TextPos rawEnd{nullptr, caret.line, 0, caret.byteIndex};
  SetByteIndexFrom(base, base, caret.byteIndex);
  caret = base;
  desiredColumn = caret.column;
  selAnchor = selEnd = caret;
  NoteChange(change);
  return rawEnd;
}

TextPos CVeloView::StableStart(const TextPos& pos) const {
  const std::string_view s = pos.node->text.View();
  const int i = std::clamp(pos.byteIndex, 0, static_cast<int>(s.size()));
  if (i == 0) return TextPos{pos.node, pos.line, 0, 0};
  // An odd run of lead bytes before i: i is inside a pair, or follows a lone lead byte at the
  // line end that the next byte would pair up with. Either way that character is one column
  // left of pos (an inside position counts its character's first cell).
  int from = 0;
  if (knownStart && knownStart->pos.node == pos.node && knownStart->pos.byteIndex < i)
    from = knownStart->pos.byteIndex;
  int k = 0;
  while (k < i - from &&
         cp932::IsLeadByte(static_cast<unsigned char>(s[static_cast<std::size_t>(i - k - 1)])))
    ++k;
  if (k % 2 == 0) return pos;
  return TextPos{pos.node, pos.line, std::max(pos.column - 1, 0), i - 1};
}

void CVeloView::DeleteRange(bool keepRaw) {
  if (!selecting) selAnchor = selEnd = caret;
  std::tie(selAnchor, selEnd) = OrderedSelection();
  const int lineCount = selEnd.line - selAnchor.line;
  selAnchor.byteIndex = std::clamp(selAnchor.byteIndex, 0, selAnchor.node->text.Length());
  const TextPos base = StableStart(selAnchor);
  LineChange change{selAnchor.line, 1, 1, selAnchor.byteIndex, selAnchor.node};
  if (lineCount == 0) {
    doc.DeleteBytes(selAnchor, selEnd.byteIndex - selAnchor.byteIndex);
  } else {
    // Joining lines above the first visible one would renumber or remove it.
    if (selAnchor.line < origin.line) origin = TextPos{selAnchor.node, selAnchor.line, 0, 0};
    int joined = 0;
    while (joined < lineCount) {
      doc.DeleteBytes(selAnchor, selAnchor.node->text.Length() - selAnchor.byteIndex);
      if (!doc.JoinNextLine(selAnchor)) break;
      ++joined;
    }
    if (joined == lineCount) doc.DeleteBytes(selAnchor, selEnd.byteIndex);
    change.oldCount = joined + 1;
  }
  caret = base;
  SetByteIndexFrom(caret, base, selAnchor.byteIndex);
  if (keepRaw && caret.byteIndex > selAnchor.byteIndex) {  // inside a character: count its first cell
    caret.byteIndex = selAnchor.byteIndex;
    caret.column -= 1;
  }
  selecting = false;
  desiredColumn = caret.column;
  selAnchor = selEnd = caret;
  NoteChange(change);
}

void CVeloView::DeleteSelection() {
  if (!IsPlaced()) return;
  RefreshColumns();
  replayingUndo = false;
  if (!selecting) {
    selAnchor = selEnd = caret;
    selecting = true;
  }
  DeleteSelectionAndRecord(undoList);
  EnsureCaretVisible(true);
}

void CVeloView::OnChar(int code) {
  if (!IsPlaced()) return;
  RefreshColumns();
  if (code == '\r') {
    if (!overwriteMode) {
      InputText(kLineBreak);
    } else {  // overwrite: only to the start of the next line
      LineStart();
      LineDown();
      EnsureCaretVisible(false);
    }
    return;
  }
  if (code == '\t') {
    if (!overwriteMode) {
      InputText("\t");
    } else {
      CharRight();
      EnsureCaretVisible(false);
    }
    return;
  }
  if (code < 32) return;
  const char byte = static_cast<char>(code & 0xFF);
  InputText(std::string_view(&byte, 1));
}

void CVeloView::OnTypedText(std::string_view cp932) {
  if (cp932.empty() || !IsPlaced()) return;
  // DEL is the text some keys (Delete, Ctrl+Backspace) carry; it is never meant as a byte.
  auto isControl = [](unsigned char b) { return b < 32 || b == 0x7F; };
  if (cp932.size() == 1) {
    const unsigned char b = static_cast<unsigned char>(cp932[0]);
    if (b == '\r' || b == '\t' || !isControl(b)) OnChar(b);
    return;
  }
  std::string text;
  text.reserve(cp932.size());
  for (int i = 0, size = static_cast<int>(cp932.size()); i < size;) {
    const int next = cp932::NextCharStart(cp932, i);
    const bool control =
        next == i + 1 && isControl(static_cast<unsigned char>(cp932[static_cast<std::size_t>(i)]));
    if (!control) text.append(cp932.substr(static_cast<std::size_t>(i), static_cast<std::size_t>(next - i)));
    i = next;
  }
  if (!text.empty()) InputText(text);
}

void CVeloView::DeleteByStep(MoveStep step) {
  if (!IsPlaced()) return;
  RefreshColumns();
  if (!selecting) {
    selecting = true;
    selAnchor = caret;
    (this->*step)();
    selEnd = caret;
  }
  DeleteSelection();
}

void CVeloView::OnBackspace() { DeleteByStep(&CVeloView::CharLeft); }
void CVeloView::OnWordBackspace() { DeleteByStep(&CVeloView::WordLeft); }
void CVeloView::OnDelete() { DeleteByStep(&CVeloView::CharRight); }
void CVeloView::OnWordDelete() { DeleteByStep(&CVeloView::WordRight); }

void CVeloView::ToggleOverwrite() {
  overwriteMode = !overwriteMode;
  // The next caret update makes the shape of the new mode (a block in overwrite mode).
  caretCreated = false;
  UpdateCaret();
}

TextPos CVeloView::WalkToLine(int n, std::initializer_list<const TextPos*> known) const {
  const int count = doc.LineCount();
  n = std::clamp(n, 0, count - 1);
  TextPos from{doc.FirstLine(), 0, 0, 0};
  int distance = n;
  if (count - 1 - n < distance) {
    from = TextPos{doc.LastLine(), count - 1, 0, 0};
    distance = count - 1 - n;
  }
  for (const TextPos* k : known) {
    if (!k || !k->node || k->line < 0 || k->line >= count) continue;
    const int d = std::abs(k->line - n);
    if (d < distance) {
      from = TextPos{k->node, k->line, 0, 0};
      distance = d;
    }
  }
  while (from.line < n && CVeloDoc::NextLine(from)) {
  }
  while (from.line > n && CVeloDoc::PrevLine(from)) {
  }
  return from;
}

void CVeloView::PositionAtLine(TextPos& pos, int n, int b) {
  if (!IsPlaced()) return;
  const bool useHint = CaretHint() != nullptr;
  const TextPos hint = caret;  // pos may be the caret itself
  TextPos p = WalkToLine(n, {&caret, &origin});
  if (useHint)
    SetByteIndexFrom(p, hint, b);
  else
    SetByteIndex(p, b);
  pos = p;
  desiredColumn = pos.column;
}

void CVeloView::GoToLine(int n, int b) {
  if (!IsPlaced()) return;
  RefreshColumns();
  PositionAtLine(caret, n, b);
  CenterCaret();
}

void CVeloView::PlaceCaret(int n, int b, bool extend) {
  if (!IsPlaced()) return;
  RefreshColumns();
  InvalidateSelection();
  BeginExtend(extend);
  PositionAtLine(caret, n, b);
  EndExtend(extend);
  InvalidateSelection();
  UpdateCaret();
}

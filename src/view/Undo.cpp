// Undo and redo: two lists of steps per view. Each step is undone through the same two
// recording operations that made it, which put the reverse step on the other list.
//
// A step keeps the line numbers and byte indexes of its ends, not line nodes. While nothing
// else has changed the text, replay uses those byte indexes exactly, so undoing everything
// gives back the original bytes even where a lone lead byte paired up with its new neighbour.
// After another view's edit the ends are clamped to the text and moved onto character starts.
#include <algorithm>
#include <tuple>
#include <utility>

#include "view/CVeloView.h"

void CVeloView::PushRecord(UndoRecord record, HistoryList& list) {
  record.start.node = nullptr;
  record.end.node = nullptr;
  record.epoch = historyEpoch;
  list.push_back(std::move(record));
  if (!replayingUndo && !redoList.empty()) ClearHistory(redoList);
}

void CVeloView::InsertAndRecord(std::string_view text, HistoryList& list) {
  InsertAndRecord(text, list, nullptr);
}

void CVeloView::InsertAndRecord(std::string_view text, HistoryList& list,
                                const std::vector<std::size_t>* breaks) {
  if (!IsPlaced()) return;
  UndoRecord record;
  record.kind = UndoRecord::Kind::Insertion;
  record.start = caret;
  record.end = InsertRaw(text, breaks);
  const int firstLine = record.start.line;
  PushRecord(std::move(record), list);
  InvalidateFromLine(std::min(firstLine, caret.line));
}

void CVeloView::DeleteSelectionAndRecord(HistoryList& list) { DeleteSelectionAndRecord(list, false); }

void CVeloView::DeleteSelectionAndRecord(HistoryList& list, bool keepRaw) {
  if (!IsPlaced()) return;
  if (!selecting) selAnchor = selEnd = caret;
  std::tie(selAnchor, selEnd) = OrderedSelection();
  selecting = true;
  UndoRecord record;
  record.kind = UndoRecord::Kind::Deletion;
  record.start = selAnchor;
  record.text = SelectedText(&record.lineBreaks);
  PushRecord(std::move(record), list);
  DeleteRange(keepRaw);
  InvalidateFromLine(caret.line);
}

void CVeloView::PlaceRecorded(TextPos& pos, const TextPos& recorded, bool exact) {
  TextPos p = WalkToLine(recorded.line, {&caret, &origin});
  const int length = p.node->text.Length();
  const int b = std::clamp(recorded.byteIndex, 0, length);
  // Steps are mostly replayed near the caret: count from it on a long line.
  if (const TextPos* hint = CaretHint())
    SetByteIndexFrom(p, *hint, b);
  else
    SetByteIndex(p, b);
  if (exact && p.byteIndex > b) {  // inside a character: keep the byte, count its first cell
    p.byteIndex = b;
    p.column -= 1;
  }
  pos = p;
}

void CVeloView::ReplayStep(HistoryList& source, HistoryList& target) {
  if (source.empty()) return;
  UndoRecord record = std::move(source.back());
  source.pop_back();
  replayingUndo = true;
  const bool exact = record.epoch == historyEpoch;
  // The selection the step replaces may lie anywhere; it is repainted as it ends.
  InvalidateSelection();
  if (record.kind == UndoRecord::Kind::Deletion) {
    PlaceRecorded(caret, record.start, exact);
    selecting = false;
    InsertAndRecord(record.text, target, &record.lineBreaks);
  } else {
    PlaceRecorded(selAnchor, record.start, exact);
    PlaceRecorded(selEnd, record.end, exact);
    selecting = true;
    DeleteSelectionAndRecord(target);
  }
}

void CVeloView::UndoRedo(bool isUndo) {
  if (!IsPlaced()) return;
  RefreshColumns();
  if (isUndo)
    ReplayStep(undoList, redoList);
  else
    ReplayStep(redoList, undoList);
  if (origin.line < caret.line && caret.line < origin.line + visibleLines)
    EnsureCaretVisible(true);
  else
    CenterCaret();
}

void CVeloView::ClearHistory(HistoryList& list) { list.clear(); }

void CVeloView::ClearUndoBuffers() {
  ClearHistory(undoList);
  ClearHistory(redoList);
}

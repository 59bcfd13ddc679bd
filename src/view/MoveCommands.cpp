// The caret movement commands and the view's command table. Every movement comes plain (the
// selection ends) and extending (the selection runs from where extending began to the caret).
#include <algorithm>
#include <span>

#include "base/CommandIds.h"
#include "view/CVeloView.h"

void CVeloView::MoveCaret(bool extend, int kind) {
  if (!IsPlaced() || kind < kLineUp || kind > kLineEnd) return;
  if (!extend) {
    InvalidateSelection();
  } else if (selecting) {
    // One step changes the selection between its moving end and the caret's new row; the
    // moving end is normally the caret already.
    InvalidateLines(std::min(selEnd.line, caret.line), std::max(selEnd.line, caret.line));
  } else {
    InvalidateLines(caret.line, caret.line);
  }
  BeginExtend(extend);
  (this->*moveTable[static_cast<std::size_t>(kind)])();
  if (extend) InvalidateLines(caret.line, caret.line);
  EndExtend(extend);
  EnsureCaretVisible(false);
}

void CVeloView::GoDocStart(bool extend) {
  if (!IsPlaced()) return;
  BeginExtend(extend);
  PositionAtLine(caret, 0, 0);
  EndExtend(extend);
  CenterCaret();
}

void CVeloView::GoDocEnd(bool extend) {
  if (!IsPlaced()) return;
  BeginExtend(extend);
  PositionAtLine(caret, doc.LineCount(), 0);
  LineEnd();
  EndExtend(extend);
  CenterCaret();
}

std::span<const CommandEntry<CVeloView>> CVeloView::CommandTable() {
  using V = CVeloView;
  static const CommandEntry<CVeloView> table[] = {
      {ID_LINE_UP, &V::MoveCommand<kLineUp, false>},
      {ID_LINE_UP_EXTEND, &V::MoveCommand<kLineUp, true>},
      {ID_SCROLL_UP, &V::ScrollCommand<true, false, false>},
      {ID_SCROLL_UP_EXTEND, &V::ScrollCommand<true, true, false>},
      {ID_LINE_DOWN, &V::MoveCommand<kLineDown, false>},
      {ID_LINE_DOWN_EXTEND, &V::MoveCommand<kLineDown, true>},
      {ID_SCROLL_DOWN, &V::ScrollCommand<false, false, false>},
      {ID_SCROLL_DOWN_EXTEND, &V::ScrollCommand<false, true, false>},
      {ID_CHAR_LEFT, &V::MoveCommand<kCharLeft, false>},
      {ID_CHAR_LEFT_EXTEND, &V::MoveCommand<kCharLeft, true>},
      {ID_WORD_LEFT, &V::MoveCommand<kWordLeft, false>},
      {ID_WORD_LEFT_EXTEND, &V::MoveCommand<kWordLeft, true>},
      {ID_CHAR_RIGHT, &V::MoveCommand<kCharRight, false>},
      {ID_CHAR_RIGHT_EXTEND, &V::MoveCommand<kCharRight, true>},
      {ID_WORD_RIGHT, &V::MoveCommand<kWordRight, false>},
      {ID_WORD_RIGHT_EXTEND, &V::MoveCommand<kWordRight, true>},
      {ID_LINE_START, &V::MoveCommand<kLineStart, false>},
      {ID_LINE_START_EXTEND, &V::MoveCommand<kLineStart, true>},
      {ID_DOC_START, &V::DocStartCommand<false>},
      {ID_DOC_START_EXTEND, &V::DocStartCommand<true>},
      {ID_LINE_END, &V::MoveCommand<kLineEnd, false>},
      {ID_LINE_END_EXTEND, &V::MoveCommand<kLineEnd, true>},
      {ID_DOC_END, &V::DocEndCommand<false>},
      {ID_DOC_END_EXTEND, &V::DocEndCommand<true>},
      {ID_PAGE_UP, &V::ScrollCommand<true, false, true>},
      {ID_PAGE_UP_EXTEND, &V::ScrollCommand<true, true, true>},
      {ID_PAGE_DOWN, &V::ScrollCommand<false, false, true>},
      {ID_PAGE_DOWN_EXTEND, &V::ScrollCommand<false, true, true>},
      {ID_BACKSPACE, &V::OnBackspace},
      {ID_WORD_BACKSPACE, &V::OnWordBackspace},
      {ID_EDIT_DELETE, &V::OnDelete},
      {ID_WORD_DELETE, &V::OnWordDelete},
      {ID_TOGGLE_OVERWRITE, &V::ToggleOverwrite},
      {ID_EDIT_COPY, &V::Copy},
      {ID_EDIT_CUT, &V::Cut},
      {ID_EDIT_PASTE, &V::Paste},
      {ID_EDIT_SELECT_ALL, &V::SelectAll},
      {ID_EDIT_UNDO, &V::Undo},
      {ID_EDIT_REDO, &V::Redo},
      {ID_CLEAR_UNDO, &V::ClearUndoBuffers},
      {ID_BOOKMARK_SET, &V::ToggleBookmark},
      {ID_BOOKMARK_JUMP, &V::JumpToNextBookmark},
      {ID_BOOKMARK_CLEAR_ALL, &V::OnClearBookmarks},
      {ID_REDRAW, &V::Redraw},
      {ID_ZOOM_IN, &V::ZoomIn},
      {ID_ZOOM_OUT, &V::ZoomOut},
      {ID_ZOOM_DEFAULT, &V::ZoomDefault},
  };
  return table;
}

bool CVeloView::OnCmdMsg(int id, CommandUi* ui) {
  // Stored columns must follow a tab width changed through another view before any command
  // counts from them.
  if (!ui) RefreshColumns();
  return DispatchCommand(*this, CommandTable(), id, ui);
}

bool CVeloView::IsCommandEnabled(int id) {
  CommandUi ui{id};
  return OnCmdMsg(id, &ui) && ui.enabled;
}

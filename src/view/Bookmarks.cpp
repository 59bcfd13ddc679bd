// Bookmarks: line numbers of this view, in the order they were set. They are bare numbers: an
// edit above a bookmark leaves it on whatever line now has its number. Redraw lives here too:
// like the bookmark commands it only moves the caret and repaints.
#include <algorithm>

#include "view/CVeloView.h"

void CVeloView::ToggleBookmark() {
  if (!IsPlaced()) return;
  const auto it = std::find(bookmarks.begin(), bookmarks.end(), caret.line);
  if (it != bookmarks.end()) {
    bookmarks.erase(it);
    bookmarkCursor = bookmarks.begin();
  } else {
    bookmarkCursor = bookmarks.insert(bookmarks.end(), caret.line);
  }
  InvalidateLines(caret.line, caret.line);
}

void CVeloView::JumpToNextBookmark() {
  if (!IsPlaced()) return;
  if (bookmarks.empty()) {
    bookmarkCursor = bookmarks.end();
    return;
  }
  if (bookmarkCursor == bookmarks.end()) bookmarkCursor = bookmarks.begin();
  InvalidateSelection();
  selecting = false;
  GoToLine(*bookmarkCursor, 0);
  ++bookmarkCursor;
}

void CVeloView::ClearBookmarks() {
  bookmarks.clear();
  bookmarkCursor = bookmarks.end();
  InvalidateAll();
}

void CVeloView::OnClearBookmarks() {
  ClearBookmarks();
  EnsureCaretVisible(false);
}

void CVeloView::Redraw() {
  if (!IsPlaced()) return;
  const int line = caret.line;
  const int byteIndex = caret.byteIndex;
  InvalidateSelection();
  GoDocStart(false);
  GoToLine(line, byteIndex);
}

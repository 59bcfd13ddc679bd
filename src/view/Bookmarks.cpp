// Bookmarks: line numbers of this view, in the order they were set. They are bare numbers: an
// edit above a bookmark leaves it on whatever line now has its number.
#include <algorithm>

#include "view/CVeloView.h"

void CVeloView::ToggleBookmark() {
  if (!IsPlaced()) return;
  const auto it = std::find(bookmarks.begin(), bookmarks.end(), caret.line);
  if (it != bookmarks.end())
    bookmarks.erase(it);
  else
    bookmarks.push_back(caret.line);
  InvalidateLines(caret.line, caret.line);
}

// Several views may show one document. A view that changes the text tells the others, which
// resolve their caret, origin and selection again by line number, clamped to the text, byte
// index on a character start. A view's positions hold line nodes, and a change may have freed
// the node of any line it removed, so a position's node is trusted only where the change
// description shows its line survived; everything else is found again by walking from a node
// known to be alive.
#include <algorithm>

#include "view/CVeloView.h"

void CVeloView::NoteChange(const LineChange& change) {
  ForgetKnownPlaces(&change);
  doc.UpdateAllViews(this, &change);
}

void CVeloView::ForgetKnownPlaces(const LineChange* change) {
  if (knownStart) {
    const TextPos& at = knownStart->pos;
    // Still a character start with its column only if no byte up to it changed (a lone lead
    // byte just before it pairs with what is inserted there) and its line kept its place.
    if (!change || at.line > change->first || (at.line == change->first && change->firstByte <= at.byteIndex))
      knownStart.reset();
  }
  // Lines before the change keep their bytes and numbers.
  if (knownWidth && (!change || knownWidth->line >= change->first)) knownWidth.reset();
}

void CVeloView::ResolveAfterChange(TextPos& pos, const LineChange* change, bool keepColumn) const {
  const int line = pos.line;
  TextPos known{doc.FirstLine(), 0, 0, 0};
  bool textChanged = true;
  if (change && line < change->first) return;  // before the change: nothing moved
  if (change && line >= change->first + change->oldCount) {
    // Untouched line, renumbered by the change; the number sticks, so step back onto it.
    const int delta = change->newCount - change->oldCount;
    if (delta == 0) return;
    known = TextPos{pos.node, line + delta, 0, 0};
  } else if (change) {
    known = TextPos{change->firstNode, change->first, 0, 0};
    // Bytes before the change point kept their places and columns.
    textChanged = !(line == change->first && pos.byteIndex < change->firstByte);
  }
  TextPos p = WalkToLine(line, {&known});
  if (keepColumn) {
    p.column = pos.column;
    p.byteIndex = 0;
  } else if (textChanged || p.node != pos.node) {
    SetByteIndex(p, pos.byteIndex);
  } else {
    p.byteIndex = pos.byteIndex;
    p.column = pos.column;
  }
  pos = p;
}

void CVeloView::OnDocumentChanged(const LineChange* change) {
  ++historyEpoch;  // this view's steps no longer describe the text exactly
  ForgetKnownPlaces(change);
  if (!IsPlaced()) {
    InvalidateAll();
    return;
  }
  ResolveAfterChange(caret, change, false);
  ResolveAfterChange(origin, change, true);
  if (selecting) {
    ResolveAfterChange(selAnchor, change, false);
    ResolveAfterChange(selEnd, change, false);
  } else {
    selAnchor = selEnd = caret;
  }
  RefreshColumns();
  InvalidateAll();
  UpdateScrollBars(true);
  if (hasFocus) UpdateCaret();
}

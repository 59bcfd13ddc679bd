// The caret step primitives behind moveTable. Horizontal steps remember the caret's column
// for later vertical moves; vertical steps aim for that remembered column.
#include "view/CVeloView.h"

namespace {

// Words are ASCII letters and digits; every other byte, both halves of a double-byte
// character included, ends one.
bool IsWordByte(unsigned char b) {
  return (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
}

}  // namespace

void CVeloView::LineUp() {
  if (!caret.node) return;
  CVeloDoc::PrevLine(caret);
  SetColumn(caret, desiredColumn);
}

void CVeloView::LineDown() {
  if (!caret.node) return;
  CVeloDoc::NextLine(caret);
  SetColumn(caret, desiredColumn);
}

void CVeloView::CharLeft() {
  if (!caret.node) return;
  if (caret.byteIndex <= 0) {
    if (CVeloDoc::PrevLine(caret)) LineEnd();
  } else {
    RetreatChar(caret);
  }
  desiredColumn = caret.column;
}

void CVeloView::CharRight() {
  if (!caret.node) return;
  if (caret.byteIndex >= caret.node->text.Length()) {
    if (CVeloDoc::NextLine(caret)) LineStart();
  } else {
    AdvanceChar(caret);
  }
  desiredColumn = caret.column;
}

void CVeloView::WordLeft() {
  if (!caret.node) return;
  CharLeft();
  const ByteString& text = caret.node->text;
  if (caret.byteIndex <= 0 || caret.byteIndex >= text.Length()) return;
  // Tests the character just stepped over, so it stops after the first non-word character.
  while (IsWordByte(text.At(caret.byteIndex))) {
    CharLeft();
    if (caret.byteIndex == 0) break;
  }
}

void CVeloView::WordRight() {
  if (!caret.node) return;
  CharRight();
  while (caret.byteIndex < caret.node->text.Length() && IsWordByte(caret.node->text.At(caret.byteIndex)))
    CharRight();
}

void CVeloView::LineStart() {
  if (!caret.node) return;
  caret.byteIndex = 0;
  caret.column = 0;
  desiredColumn = 0;
}

void CVeloView::LineEnd() {
  if (!caret.node) return;
  caret.byteIndex = caret.node->text.Length();
  caret.column = LineWidth(caret.node->text.View());
  desiredColumn = caret.column;
}

#pragma once
#include "doc/LineList.h"

// A place in the text. Ordered by line, then display column; node and byte index take no part.
struct TextPos {
  LineNode* node = nullptr;
  int line = 0;
  int column = 0;
  int byteIndex = 0;
};

inline bool PosBefore(const TextPos& a, const TextPos& b) {
  return a.line < b.line || (a.line == b.line && a.column < b.column);
}

// Whether two positions stand at different places on the screen (line or column).
inline bool PosDiffers(const TextPos& a, const TextPos& b) { return PosBefore(a, b) || PosBefore(b, a); }

#pragma once
// Helpers for the editing tests: a character walk that knows nothing of the view, readable code
// page 932 text with the caret and anchor marked, and the invariants every view position keeps.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "doc/CVeloDoc.h"
#include "view/CVeloView.h"

std::vector<std::string> LinesOf(const CVeloDoc& doc);

// A line walked one character at a time from column 0: a lead byte with a byte after it is two
// columns, a tab runs to the next stop, any other byte is one.
struct CharWalk {
  CharWalk(std::string_view line, int tab);
  std::vector<int> starts;   // character starts, the line end included
  std::vector<int> columns;  // the column at each start
  int Width() const { return columns.back(); }
  bool IsStart(int b) const;
  // (byte, column) of the first start at or after byte b, and of the character covering column c.
  std::pair<int, int> AtByte(int b) const;
  std::pair<int, int> AtColumn(int c) const;
};

// Printable ASCII as it is, every other byte as <hh>: where a character starts matters here.
std::string Readable(std::string_view cp932);
// The lines with "‸" at the caret and "⁁" at the anchor (line, byte index), one per text line.
using Mark = std::optional<std::pair<int, int>>;
std::string RenderMarked(const std::vector<std::string>& lines, Mark caret, Mark anchor);
std::string RenderView(const CVeloView& view);

// Every position of the view on a live line with its true number; caret and selection ends also
// on a character start with the column its bytes give.
::testing::AssertionResult PositionsValid(const CVeloView& view);

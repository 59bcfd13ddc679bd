#pragma once
// Helpers for the editing tests: the document's lines, a readable rendering of code page 932
// text with the caret and anchor marked, and the invariants every view position must keep.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "doc/CVeloDoc.h"
#include "view/CVeloView.h"

std::vector<std::string> LinesOf(const CVeloDoc& doc);
// The text as a file image without the last break: lines joined by CR LF.
std::string DocText(const CVeloDoc& doc);

// Display width of bytes counted one character at a time from column 0, independently of the
// view: a lead byte with a byte after it is two columns, a tab runs to the next stop.
int ReferenceWidth(std::string_view bytes, int tab);
// Whether byte index i of line starts a character, by a walk from the line start.
bool ReferenceBoundary(std::string_view line, int i);

// UTF-8 for messages: decoded text, undecodable bytes as <hh>, control bytes as <hh>.
std::string Readable(std::string_view cp932);
// The lines with "‸" at the caret and "⁁" at the selection anchor, one per line.
std::string RenderView(const CVeloView& view);

// Every position of the view on a live line with its true number, within its line, on a
// character start, with the column its bytes give; the origin on a live line.
::testing::AssertionResult PositionsValid(const CVeloView& view);

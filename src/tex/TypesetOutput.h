#pragma once
// What a typesetting program prints, as lines of text to show.
//
// A Japanese TeX engine writes more than one code, even within one run. pTeX with -kanji=sjis
// writes its terminal output in the code its locale names (UTF-8 on today's systems, also
// under the C locale; Shift-JIS under a ja_JP.SJIS locale), its .log in the source's code
// (code page 932), and the file name of a file:line:error line in its internal code (EUC-JP;
// upTeX: UTF-8), in the terminal and the .log alike. So each line is read on its own:
//   1. valid UTF-8 as it is; this comes first, because the bytes of UTF-8 kanji also pass as
//      code page 932 pairs, never the other way round;
//   2. a line "NAME:LINE: ...": NAME as a file name (below) and the rest of the line by
//      rules 1, 3, 4 and 5 (pTeX's .log: an EUC-JP name, a code page 932 message; upTeX's: a UTF-8 name);
//   3. EUC-JP when the line has no byte from 80 to A0 (but 8E) and decodes so: EUC-JP never
//      has them, code page 932 text nearly always does (pTeX's EUC-JP name broken over two
//      lines would otherwise pass as code page 932 half-width katakana);
//   4. code page 932 when the whole line decodes;
//   5. else piece by piece, the pieces cut at bytes below 0x40 (which are never part of a
//      multi-byte character in any of these codes): UTF-8, EUC-JP as in 3, code page 932; a
//      piece that none of them decodes, character by character (UTF-8, code page 932 pair,
//      EUC-JP pair), and a byte that starts no character as an \xHH escape.
// Control characters other than tab show as \xHH escapes too.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace typeset {

// One line of output (without its line end) as UTF-8.
std::string DecodeLine(std::string_view bytes);

// Where the engine wrote a file name: in "(name" when it opened the file (terminal or .log
// code), or before ":LINE:" of a file:line:error line (its internal code).
enum class NameSource { Opened, FileLineError };

// A file name from the output as the file system spells it (UTF-8): UTF-8 as it is; else
// EUC-JP (file:line:error names only), else code page 932; else the bytes unchanged.
std::string DecodeFileName(std::string_view bytes, NameSource where);

// UTF-8 text in code page 932; empty when a character has no code there.
std::string ToCodePage932(std::string_view utf8);

// Where NAME ends in a line "NAME:LINE: message" of -file-line-error, or npos. NAME looks like
// a path (it starts with "./", "../" or "/", or its last part has an extension) and holds no
// ": "; LINE is decimal digits.
std::size_t FileLineErrorNameEnd(std::string_view line);

// The columns TeX counted for a line when it broke its output at max_print_line (79): one per
// ASCII character, two per Japanese character whichever code it came out in.
int PrintedWidth(std::string_view bytes);

// Cuts a program's output into lines as chunks of it arrive. LF, CR LF and a lone CR end a
// line (a CR LF split between two chunks ends one line). A line longer than kMaxLine bytes is
// cut there, so a program that never ends its line cannot grow the buffer without bound.
class LineSplitter {
 public:
  static constexpr std::size_t kMaxLine = std::size_t{64} * 1024;

  // Appends the lines that chunk completes to lines, without their line ends.
  void Feed(std::string_view chunk, std::vector<std::string>& lines);
  // The output ended: the last line when it had no line end. False when there is none.
  bool Finish(std::string& line);
  // The line still open, decoded without a character that the last chunk cut in two; shown
  // while it grows (TeX prints "[1] [2]" page by page) and replaced when the line ends.
  std::string OpenLineText() const;

 private:
  void EndLine(std::vector<std::string>& lines);

  std::string open;
  bool afterCr = false;
};

}  // namespace typeset

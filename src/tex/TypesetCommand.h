#pragma once
// The typesetting command: a text setting holding the commands to run, one per line, in
// order, in the document's folder. A command that cannot start, crashes or ends with a status
// other than 0 stops the chain; the ones after it do not run. Blank lines and lines whose
// first non-blank character is '#' are skipped.
//
// A line is cut into words at spaces and tabs, and no shell sees it:
//   - '...' and "..." take everything up to the matching quote as it is (no escapes; to write
//     a quote, quote it with the other kind); quoted and unquoted parts that touch make one
//     word, and "" alone is an empty word;
//   - in every word, quoted or not, %f is the document's file name, %b that name without its
//     extension, %d the document's folder (full path), %% one %; any other % stays as it is,
//     so latexmk's own %O %S %D pass through. A file name with spaces or Japanese characters
//     stays one word wherever it is put.
// The first word is the program, looked up on the PATH.
#include <string>
#include <string_view>
#include <vector>

namespace typeset {

// pLaTeX to PDF on a TeX Live system for a code page 932 source. file:line:error messages
// give each error its file and line; nonstopmode never waits for the terminal.
inline constexpr std::string_view kPlatexCommand =
    "platex -kanji=sjis -interaction=nonstopmode -file-line-error -synctex=1 %f\n"
    "dvipdfmx %b.dvi\n";
// upLaTeX (the document class takes the uplatex option, e.g. \documentclass[uplatex]{jsarticle}).
inline constexpr std::string_view kUplatexCommand =
    "uplatex -kanji=sjis -interaction=nonstopmode -file-line-error -synctex=1 %f\n"
    "dvipdfmx %b.dvi\n";
// latexmk, as often as cross-references need, its configuration given on the command line.
// -recorder- because pTeX names the .fls it would write in its internal code (EUC-JP), which
// for a Japanese file name is a stray file and a second run every time.
inline constexpr std::string_view kLatexmkCommand =
    "latexmk -pdfdvi -recorder-"
    " -e '$latex=q/platex -kanji=sjis -interaction=nonstopmode -file-line-error -synctex=1 %O %S/'"
    " -e '$dvipdf=q/dvipdfmx %O -o %D %S/'"
    " %f\n";

struct Command {
  std::string program;
  std::vector<std::string> arguments;

  friend bool operator==(const Command&, const Command&) = default;
};

enum class CommandProblem {
  None,
  NoCommand,      // nothing but blank and comment lines
  UnclosedQuote,  // a quote without its match on the same line
};

struct CommandChain {
  std::vector<Command> commands;
  CommandProblem problem = CommandProblem::None;
  int problemLine = 0;  // 1-based line of the setting with the problem
};

// The commands of setting for the document at filePath (a full path, '/' between folders;
// UTF-8 as the file system spells it). With a problem, commands is empty.
CommandChain ExpandCommands(std::string_view setting, std::string_view filePath);

// The document's output with another extension (%d/%b plus extension): where the PDF is.
std::string OutputPath(std::string_view filePath, std::string_view extension);

}  // namespace typeset

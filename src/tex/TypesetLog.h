#pragma once
// Reading a TeX run's output (the terminal output as it arrives, or a .log file) for what the
// writer has to fix: errors, warnings and bad boxes, each with the file and line it names.
//
// What it reads:
//   - "NAME:LINE: message" (-file-line-error): an error at that line of NAME;
//   - "! message": an error in the file TeX was reading, at the line of the "l.LINE" context
//     line that follows;
//   - "LaTeX Warning: ... on input line LINE.", "Package NAME Warning: ...", "Class NAME
//     Warning: ..." and the like: a warning, up to the blank line after it;
//   - "Overfull \hbox (...) in paragraph at lines A--B" and its kin: a bad box at line A;
//   - "PROGRAM:fatal: ..." (dvipdfmx): an error without a place.
// Continuation lines "(NAME)   ..." of a multi-line message join it. TeX breaks its output
// lines after 79 columns; a line that filled them (or 78 of them, when the next starts with a
// Japanese character that did not fit) continues on the next unless that one starts an entry.
// The file TeX was reading comes from the "(name" it prints when it opens a file and the ")"
// when it closes it; a name may hold spaces, so where it ends is told by the caller's file
// test when there is one, else by the first candidate that has an extension. Context lines of
// an error (the source text TeX echoes) and the contents of bad boxes are not read for
// parentheses.
// A new engine banner ("This is ...TeX, Version ...") starts the entries over: when a tool
// such as latexmk runs TeX several times, the last run's messages are the ones that hold.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace typeset {

enum class EntryKind { Error, Warning, BadBox };

struct LogEntry {
  EntryKind kind = EntryKind::Error;
  // The file as the engine named it (see DecodeFileName): relative names are relative to the
  // folder the engine ran in. Empty when the output does not tell.
  std::string file;
  int line = 0;         // 1-based; 0 when the output names no line
  std::string message;  // UTF-8, one line

  friend bool operator==(const LogEntry&, const LogEntry&) = default;
};

class TypesetLogReader {
 public:
  // True when name (UTF-8, as the engine printed it, maybe relative) is a file; lets the
  // reader tell where a name with spaces ends.
  using FileTest = std::function<bool(const std::string& name)>;

  explicit TypesetLogReader(FileTest isFile = {});

  // One line of output, without its line end, in whatever code the program wrote it.
  void AddLine(std::string_view line);
  // The program's output ended: what was still open is read. The reader then takes the
  // output of another program (the next command of a chain) afresh, keeping its entries.
  void Finish();

  // The entries read so far, in the order the output gave them. Grows as lines arrive; shrinks
  // only when a new run starts (see Runs).
  const std::vector<LogEntry>& Entries() const { return entries; }
  // Engine banners seen; each one starts the entries over.
  int Runs() const { return runs; }

 private:
  enum class State { Idle, ErrorText, Context, ContextTail, WarningText, BoxContent };
  struct Opened {
    std::string name;
    bool isFile;
  };

  void ReadLine(std::string_view line);
  bool StartEntry(std::string_view line);
  void ReadOpenedFiles(std::string_view line);
  void Complete();
  void Add(LogEntry entry);
  std::string CurrentFile() const;
  std::string FileLineErrorFile(std::string_view name) const;
  bool IsFile(const std::string& name) const;

  FileTest isFile;
  std::vector<LogEntry> entries;
  int runs = 0;

  // The output line being joined from TeX's broken lines.
  std::string joined;
  bool haveJoined = false;
  int lastWidth = 0;

  State state = State::Idle;
  LogEntry pending;  // the entry being read (ErrorText, Context, WarningText)
  bool pendingOpen = false;
  bool pendingNeedsLine = false;  // a "! " error waits for its "l.N" line
  std::string continuationName;   // NAME of "(NAME)" continuation lines
  int linesInState = 0;
  std::vector<Opened> opened;
  std::size_t unrecordedOpens = 0;  // opened past the stack's bound, closed first
};

// Errors first, then warnings, then bad boxes, each in the order the output gave them: the
// order in which the writer walks them.
std::vector<LogEntry> InWalkingOrder(std::vector<LogEntry> entries);

}  // namespace typeset

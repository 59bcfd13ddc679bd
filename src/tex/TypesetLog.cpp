#include "tex/TypesetLog.h"

#include <algorithm>

#include "tex/TypesetOutput.h"

namespace typeset {
namespace {

constexpr std::size_t npos = std::string_view::npos;
constexpr int kMaxPrintLine = 79;                           // TeX Live's max_print_line
constexpr std::size_t kMaxJoined = std::size_t{64} * 1024;  // a longer run of full lines is not TeX's
constexpr int kMaxContextLines = 20;                        // from an error to its "l.N" line
constexpr int kMaxMessageLines = 20;                        // continuation lines of one message
constexpr int kMaxBoxLines = 10;                            // the contents shown after a bad box
constexpr std::size_t kMaxOpened = 1024;                    // files open at once (TeX's own limit is lower)
constexpr std::size_t kMaxEntries = 10000;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Decimal digits at s[i...] (at most 9): the number and where the digits end; -1 when none.
int NumberAt(std::string_view s, std::size_t i, std::size_t* end = nullptr) {
  int n = 0;
  std::size_t k = i;
  while (k < s.size() && k - i < 9 && IsDigit(s[k])) n = n * 10 + (s[k++] - '0');
  if (end) *end = k;
  return k == i ? -1 : n;
}

bool IsBanner(std::string_view line) {
  return line.starts_with("This is ") && line.find("TeX, Version ") != npos;
}

// "l.N" or "l.N text": the line TeX was reading when it stopped; -1 for any other line.
int ContextLineNumber(std::string_view line) {
  if (!line.starts_with("l.")) return -1;
  std::size_t end = 0;
  const int n = NumberAt(line, 2, &end);
  return n >= 0 && (end == line.size() || line[end] == ' ') ? n : -1;
}

// "WORDS Warning: " with up to three words and no colon before it.
bool IsWarning(std::string_view line) {
  const std::size_t at = line.find(" Warning: ");
  if (at == npos || at > 60 || line.empty() || !IsLetter(line.front())) return false;
  const std::string_view words = line.substr(0, at);
  return words.find(':') == npos && std::count(words.begin(), words.end(), ' ') <= 2;
}

// "Overfull \hbox (...) in paragraph at lines A--B", "... detected at line A", "... in
// alignment at lines A--B", "... has occurred while \output is active": the line (0 if none).
bool IsBadBox(std::string_view line, int& lineNumber) {
  static constexpr std::string_view kStarts[] = {"Overfull \\hbox", "Overfull \\vbox", "Underfull \\hbox",
                                                 "Underfull \\vbox"};
  if (std::none_of(std::begin(kStarts), std::end(kStarts),
                   [line](std::string_view s) { return line.starts_with(s); }))
    return false;
  lineNumber = 0;
  for (const std::string_view at : {std::string_view(" at lines "), std::string_view(" at line ")}) {
    const std::size_t i = line.rfind(at);
    if (i != npos) {
      lineNumber = std::max(0, NumberAt(line, i + at.size()));
      break;
    }
  }
  return true;
}

// "PROGRAM:fatal: ..." or "PROGRAM:warning: ..." (dvipdfmx and its kin).
bool IsToolMessage(std::string_view line, bool& fatal) {
  std::size_t i = 0;
  while (i < line.size() &&
         (IsLetter(line[i]) || IsDigit(line[i]) || line[i] == '_' || line[i] == '-' || line[i] == '.'))
    ++i;
  if (i == 0 || i >= line.size() || line[i] != ':') return false;
  const std::string_view rest = line.substr(i + 1);
  fatal = rest.starts_with("fatal: ");
  return fatal || rest.starts_with("warning: ");
}

// afterFullLine: the line follows one that filled TeX's 79 columns. Then a file:line:error
// line counts only with a name that starts like TeX's names do ("./", "../", "/"): the rest
// of a broken name ("-nine columns/ch 1.tex:3: ...") looks like one too.
bool BeginsEntry(std::string_view line, bool afterFullLine = false) {
  int lineNumber = 0;
  bool fatal = false;
  const bool fileLineError =
      FileLineErrorNameEnd(line) != npos &&
      (!afterFullLine || line.starts_with("./") || line.starts_with("../") || line.starts_with('/'));
  return line.starts_with("! ") || fileLineError || IsWarning(line) || IsBadBox(line, lineNumber) ||
         IsToolMessage(line, fatal) || IsBanner(line);
}

// The NAME of "(NAME)" continuation lines: the word before " Error:" or " Warning:" ("Package
// mine Error:" gives mine, "LaTeX Font Warning:" gives Font); empty when there is none.
std::string ContinuationName(std::string_view message) {
  std::size_t at = message.find(" Error: ");
  if (at == npos) at = message.find(" Warning: ");
  if (at == npos || at > 60) return {};
  const std::string_view words = message.substr(0, at);
  const std::size_t space = words.rfind(' ');
  return std::string(space == npos ? words : words.substr(space + 1));
}

// The text of a continuation line "(NAME)   text", or npos when line is not one.
std::size_t ContinuationTextStart(std::string_view line, const std::string& name) {
  if (name.empty() || line.size() < name.size() + 2 || line[0] != '(' ||
      line.substr(1, name.size()) != name || line[name.size() + 1] != ')')
    return npos;
  const std::size_t text = line.find_first_not_of(' ', name.size() + 2);
  return text == npos ? line.size() : text;
}

bool HasExtension(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == npos || dot + 1 == name.size() || name.size() - dot > 9) return false;
  const std::size_t slash = name.rfind('/');
  if (slash != npos && slash > dot) return false;
  return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(dot) + 1, name.end(),
                     [](char c) { return IsLetter(c) || IsDigit(c); });
}

}  // namespace

TypesetLogReader::TypesetLogReader(FileTest fileTest) : isFile(std::move(fileTest)) {}

void TypesetLogReader::AddLine(std::string_view line) {
  if (haveJoined && joined.size() < kMaxJoined && !BeginsEntry(line, true) &&
      (lastWidth == kMaxPrintLine ||
       (lastWidth == kMaxPrintLine - 1 && !line.empty() && static_cast<unsigned char>(line[0]) >= 0x80))) {
    joined += line;
  } else {
    if (haveJoined) ReadLine(joined);
    joined.assign(line);
    haveJoined = true;
  }
  // A line that TeX cannot have broken is read at once, not when the next one comes.
  lastWidth = PrintedWidth(line);
  if (lastWidth < kMaxPrintLine - 1) {
    ReadLine(joined);
    haveJoined = false;
  }
}

void TypesetLogReader::Finish() {
  if (haveJoined) ReadLine(joined);
  haveJoined = false;
  joined.clear();
  lastWidth = 0;
  Complete();
  state = State::Idle;
  opened.clear();
  unrecordedOpens = 0;
}

void TypesetLogReader::ReadLine(std::string_view line) {
  if (IsBanner(line)) {
    entries.clear();
    opened.clear();
    unrecordedOpens = 0;
    pendingOpen = false;
    state = State::Idle;
    ++runs;
    return;
  }
  for (;;) {
    switch (state) {
      case State::Idle:
        if (StartEntry(line)) return;
        if (ContextLineNumber(line) >= 0) {
          state = State::ContextTail;
          return;
        }
        ReadOpenedFiles(line);
        return;

      case State::ErrorText:
        if (const std::size_t text = ContinuationTextStart(line, continuationName);
            text != npos && ++linesInState <= kMaxMessageLines) {
          pending.message += ' ';
          pending.message += DecodeLine(line.substr(text));
          return;
        }
        if (!pendingNeedsLine) Complete();
        state = State::Context;
        linesInState = 0;
        continue;

      case State::Context:
        if (const int n = ContextLineNumber(line); n >= 0) {
          if (pendingOpen && pendingNeedsLine) pending.line = n;
          Complete();
          state = State::ContextTail;
          return;
        }
        if (BeginsEntry(line) || ++linesInState > kMaxContextLines) {
          Complete();
          state = State::Idle;
          continue;
        }
        return;

      case State::ContextTail:
        state = State::Idle;
        if (line.starts_with(' ')) return;
        continue;

      case State::WarningText: {
        std::size_t text = ContinuationTextStart(line, continuationName);
        if (text == npos && line.starts_with(' ')) text = line.find_first_not_of(' ');
        if (text != npos && ++linesInState <= kMaxMessageLines) {
          pending.message += ' ';
          pending.message += DecodeLine(line.substr(text));
          return;
        }
        Complete();
        state = State::Idle;
        if (line.empty()) return;
        continue;
      }

      case State::BoxContent:
        if (line.empty()) {
          state = State::Idle;
          return;
        }
        if (BeginsEntry(line) || ++linesInState > kMaxBoxLines) {
          state = State::Idle;
          continue;
        }
        return;
    }
  }
}

bool TypesetLogReader::StartEntry(std::string_view line) {
  linesInState = 0;
  if (const std::size_t nameEnd = FileLineErrorNameEnd(line); nameEnd != npos) {
    std::size_t numberEnd = 0;
    const int number = NumberAt(line, nameEnd + 1, &numberEnd);
    const std::string_view message = line.substr(std::min(line.size(), numberEnd + 2));
    pending = {EntryKind::Error, FileLineErrorFile(line.substr(0, nameEnd)), number, DecodeLine(message)};
    pendingOpen = true;
    pendingNeedsLine = false;
    continuationName = ContinuationName(pending.message);
    state = State::ErrorText;
    return true;
  }
  if (line.starts_with("! ")) {
    pending = {EntryKind::Error, CurrentFile(), 0, DecodeLine(line.substr(2))};
    pendingOpen = true;
    pendingNeedsLine = true;
    continuationName = ContinuationName(pending.message);
    state = State::ErrorText;
    return true;
  }
  if (IsWarning(line)) {
    pending = {EntryKind::Warning, CurrentFile(), 0, DecodeLine(line)};
    pendingOpen = true;
    pendingNeedsLine = false;
    continuationName = ContinuationName(pending.message);
    state = State::WarningText;
    return true;
  }
  if (int number = 0; IsBadBox(line, number)) {
    Add({EntryKind::BadBox, CurrentFile(), number, DecodeLine(line)});
    state = State::BoxContent;
    return true;
  }
  if (bool fatal = false; IsToolMessage(line, fatal)) {
    Add({fatal ? EntryKind::Error : EntryKind::Warning, std::string(), 0, DecodeLine(line)});
    return true;
  }
  return false;
}

void TypesetLogReader::Complete() {
  if (!pendingOpen) return;
  pendingOpen = false;
  if (pending.kind == EntryKind::Warning) {
    // "... on input line 12." names the line; the message keeps the rest.
    static constexpr std::string_view kOnInputLine = " on input line ";
    const std::size_t at = pending.message.rfind(kOnInputLine);
    std::size_t end = 0;
    const int n = at == npos ? -1 : NumberAt(pending.message, at + kOnInputLine.size(), &end);
    if (n >= 0 && (end == pending.message.size() ||
                   (end + 1 == pending.message.size() && pending.message[end] == '.'))) {
      pending.line = n;
      pending.message.resize(at);
      if (!pending.message.ends_with('.')) pending.message += '.';
    }
  }
  Add(std::move(pending));
  pending = {};
}

void TypesetLogReader::ReadOpenedFiles(std::string_view line) {
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == ')') {
      if (unrecordedOpens > 0)
        --unrecordedOpens;
      else if (!opened.empty())
        opened.pop_back();
      continue;
    }
    if (line[i] != '(') continue;
    if (opened.size() == kMaxOpened) {
      ++unrecordedOpens;
      continue;
    }
    const std::size_t start = i + 1;
    if (start < line.size() && line[start] == '"') {
      const std::size_t close = line.find('"', start + 1);
      const std::size_t end = close == npos ? line.size() : close;
      std::string name = DecodeFileName(line.substr(start + 1, end - start - 1), NameSource::Opened);
      const bool file = IsFile(name) || (!isFile && HasExtension(name));
      opened.push_back({std::move(name), file});
      i = close == npos ? line.size() : close;
      continue;
    }
    // The name ends before a space, a parenthesis or the end of the line; which space, the
    // file test tells, else the first candidate with an extension, else the first space.
    const std::string_view head = line.substr(0, line.find_first_of("()", start));
    const std::size_t limit = head.size();
    std::size_t chosen = npos;
    std::size_t withExtension = npos;
    bool chosenIsFile = false;
    for (std::size_t end = start; end <= limit; ++end) {
      end = std::min(head.find(' ', end), limit);
      if (end == start) continue;
      const std::string_view candidate = line.substr(start, end - start);
      if (IsFile(DecodeFileName(candidate, NameSource::Opened))) {
        chosen = end;
        chosenIsFile = true;
        break;
      }
      if (withExtension == npos && HasExtension(candidate)) withExtension = end;
    }
    if (chosen == npos) {
      chosen = withExtension;
      chosenIsFile = withExtension != npos && !isFile;
      if (chosen == npos) chosen = std::min(head.find(' ', start), limit);
    }
    opened.push_back({DecodeFileName(line.substr(start, chosen - start), NameSource::Opened), chosenIsFile});
    i = chosen - 1;
  }
}

void TypesetLogReader::Add(LogEntry entry) {
  if (entries.size() < kMaxEntries) entries.push_back(std::move(entry));
}

bool TypesetLogReader::IsFile(const std::string& name) const {
  return isFile && !name.empty() && isFile(name);
}

std::string TypesetLogReader::CurrentFile() const {
  for (auto it = opened.rbegin(); it != opened.rend(); ++it)
    if (it->isFile) return it->name;
  return {};
}

std::string TypesetLogReader::FileLineErrorFile(std::string_view name) const {
  std::string decoded = DecodeFileName(name, NameSource::FileLineError);
  // The file being read is on the stack, spelled as the file system spells it.
  // Names that agree in code page 932 are one file, whichever of the code page's twin code
  // points (U+301C and U+FF5E, ...) each was decoded to.
  const std::string inCodePage = ToCodePage932(decoded);
  for (auto it = opened.rbegin(); it != opened.rend(); ++it) {
    if (!it->isFile) continue;
    if (it->name == decoded || (!inCodePage.empty() && ToCodePage932(it->name) == inCodePage))
      return it->name;
  }
  return decoded;
}

std::vector<LogEntry> InWalkingOrder(std::vector<LogEntry> entries) {
  std::stable_sort(entries.begin(), entries.end(),
                   [](const LogEntry& a, const LogEntry& b) { return a.kind < b.kind; });
  return entries;
}

}  // namespace typeset

#include "tex/CMacroMenu.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

static_assert(kMacroFileLimit < std::size_t{INT_MAX}, "a line must fit a byte string");

namespace {

constexpr std::size_t kChunkSize = std::size_t{64} << 10;

bool IsBlank(char c) {
  const auto b = static_cast<unsigned char>(c);
  return (b >= 0x09 && b <= 0x0D) || b == 0x20;
}

// The lines of a file, each without its line end (LF or CR LF); a lone CR is a byte of its line.
// A failed read ends the lines, and the line it cut short is dropped.
class LineReader {
 public:
  explicit LineReader(SequentialFileReader& file)
      : file_(file), chunk_(std::make_unique_for_overwrite<char[]>(kChunkSize)) {}

  // The view stays valid until the next call.
  bool Next(std::string_view& line) {
    pending_.clear();
    bool partial = false;  // pending_ holds the start of the line, possibly none of its bytes
    for (;;) {
      if (pos_ == end_ && !Fill()) {
        if (!error_.Ok() || !partial) return false;
        line = pending_;  // a last line without a line end
        return true;
      }
      const char* start = chunk_.get() + pos_;
      const std::size_t available = end_ - pos_;
      const auto* lf = static_cast<const char*>(std::memchr(start, '\n', available));
      if (!lf) {
        pending_.append(start, available);
        partial = true;
        pos_ = end_;
        continue;
      }
      const auto length = static_cast<std::size_t>(lf - start);
      pos_ += length + 1;
      if (partial) {
        pending_.append(start, length);
        line = pending_;
      } else {
        line = std::string_view(start, length);
      }
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      return true;
    }
  }

  const FileResult& Error() const { return error_; }

 private:
  bool Fill() {
    if (atEnd_ || !error_.Ok()) return false;
    std::size_t count = 0;
    FileResult result = file_.Read(chunk_.get(), kChunkSize, count);
    if (!result.Ok()) {
      error_ = std::move(result);
      return false;
    }
    if (count == 0) {
      atEnd_ = true;
      return false;
    }
    pos_ = 0;
    end_ = count;
    return true;
  }

  SequentialFileReader& file_;
  std::unique_ptr<char[]> chunk_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  std::string pending_;
  bool atEnd_ = false;
  FileResult error_;
};

// Every "%n" made CR LF, scanning left to right: "%%n" is "%" and a line break.
ByteString ExpandLineBreaks(std::string_view text) {
  if (text.find("%n") == std::string_view::npos) return ByteString(text);
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == 'n') {
      out += "\r\n";
      ++i;
    } else {
      out += text[i];
    }
  }
  return ByteString(out);
}

FileResult OutOfMemory() {
  return FileResult{FileErrorCause::Generic, ENOMEM, "not enough memory for the menu"};
}

}  // namespace

CMacroMenu::CMacroMenu(MenuBuilder& menuBuilder) : builder(menuBuilder) {}

CMacroMenu::~CMacroMenu() { ClearMacroMenu(); }

void CMacroMenu::ClearMacroMenu() {
  entryCount = 0;
  for (auto it = popups.rbegin(); it != popups.rend(); ++it) builder.DestroyPopup(*it);
  popups.clear();
  entries.clear();
  rootPopup = nullptr;
}

bool CMacroMenu::LoadMacroFile(const std::string& path, std::uint32_t base, int maxEntries) {
  ClearMacroMenu();
  lastLoad = MacroLoadResult{};
  SequentialFileReader file;
  if (FileResult opened = file.Open(path, kMacroFileLimit); !opened.Ok()) {
    lastLoad.error = std::move(opened);
    return false;
  }
  baseId = base;
  nextId = base;
  try {
    popups.reserve(16);
  } catch (const std::bad_alloc&) {
    lastLoad.error = OutOfMemory();
    return false;
  }
  PopupHandle root = builder.CreatePopup();
  if (!root) {
    lastLoad.error = FileResult{FileErrorCause::Generic, 0, "the menu system made no popup"};
    return false;
  }
  popups.push_back(root);
  rootPopup = root;
  lastLoad.loaded = true;
  lastLoad.error = ReadMenus(file, maxEntries);
  return true;
}

const MacroLoadResult& CMacroMenu::ReloadMacroMenu(const std::string& macroFile) {
  LoadMacroFile(macroFile, kMacroBaseId, kMacroEntryLimit);
  return lastLoad;
}

// One pass: each popup is made when its "+" line is read and handed to its parent when its
// "-" line is. The open sub-popups are a list rather than a recursion, so no file can exhaust
// the stack.
FileResult CMacroMenu::ReadMenus(SequentialFileReader& file, int maxEntries) {
  struct Level {
    PopupHandle popup;  // nullptr when the menu system made none: its items go nowhere
    std::string label;
  };
  std::vector<Level> open;
  std::size_t merged = 0;  // "+" lines not given a popup whose "-" is still to come
  const auto current = [&] { return open.empty() ? rootPopup : open.back().popup; };
  const auto closeLevel = [&] {
    Level level = std::move(open.back());
    open.pop_back();
    if (level.popup && current()) builder.AppendPopup(current(), level.popup, level.label);
  };

  FileResult result;
  try {
    LineReader lines(file);
    std::string_view line;
    while (entryCount < maxEntries && lines.Next(line)) {
      std::size_t blanks = 0;
      while (blanks < line.size() && IsBlank(line[blanks])) ++blanks;
      line.remove_prefix(blanks);
      if (line.empty()) continue;
      if (line.front() == '-') {
        if (merged > 0) {
          --merged;
        } else if (open.empty()) {
          break;
        } else {
          closeLevel();
        }
      } else if (line.front() == '+') {
        const std::size_t start = line.find_first_not_of("+ ");
        const std::string_view label =
            start == std::string_view::npos ? std::string_view{} : line.substr(start);
        if (open.size() >= static_cast<std::size_t>(kMacroMaxDepth) ||
            popups.size() > static_cast<std::size_t>(kMacroPopupLimit)) {
          ++merged;
          continue;
        }
        Level level{nullptr, std::string(label)};
        open.reserve(open.size() + 1);
        if (popups.size() == popups.capacity()) popups.reserve(popups.size() * 2);
        level.popup = builder.CreatePopup();
        if (level.popup) popups.push_back(level.popup);
        open.push_back(std::move(level));
      } else {
        AddEntry(current(), line);
      }
    }
    result = lines.Error();
  } catch (const std::bad_alloc&) {
    result = OutOfMemory();
  }
  // Sub-popups still open at the end of the file end there.
  while (!open.empty()) closeLevel();
  return result;
}

void CMacroMenu::AddEntry(PopupHandle popup, std::string_view line) {
  const std::size_t space = line.find(' ');
  const std::string_view label = space == std::string_view::npos ? std::string_view{} : line.substr(0, space);
  const std::string_view text = space == std::string_view::npos ? line : line.substr(space + 1);
  const std::uint32_t id = nextId;
  entries.push_back(MacroEntry{id, ByteString(label), ExpandLineBreaks(text)});
  ++nextId;
  ++entryCount;
  if (popup) builder.AppendCommand(popup, id, label);
}

ByteString CMacroMenu::GetMacroText(std::uint32_t id) const {
  if (!IsMacroId(id)) return ByteString();
  return entries[id - baseId].text;
}

bool CMacroMenu::IsMacroId(std::uint32_t id) const {
  return id - baseId < static_cast<std::uint32_t>(entryCount);
}

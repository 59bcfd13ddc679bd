// Editing cases as data: each file under tests/data/edit holds a starting text with the caret
// and the selection anchor marked, the commands to run and the text expected after them (see
// tests/data/edit/FORMAT.txt). Every command runs through the view's command table or its
// character entry points, under the repaint check, and leaves every position valid.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "EditSupport.h"
#include "RepaintCheck.h"
#include "ViewFakes.h"
#include "res/CommandIds.h"

namespace {

constexpr unsigned char kCaretMark = 0xFE;
constexpr unsigned char kAnchorMark = 0xFF;
constexpr unsigned char kEscape = 0xFD;

struct MarkedText {
  std::vector<std::string> lines;
  std::optional<std::pair<int, int>> caret;   // line, byte index
  std::optional<std::pair<int, int>> anchor;  // line, byte index
};

// One step of a case: an action, or a check of the state the actions so far left.
struct Step {
  std::string verb;  // do, type, char, goto; empty for a check
  std::string arg;
  int lineNo = 0;
  // A check.
  bool checksText = false;
  MarkedText expected;
  std::vector<std::string> clipLines;
  bool checksClip = false;
  std::optional<int> undoCount;
  std::optional<int> redoCount;
};

struct EditCase {
  std::string name;
  int columns = 12;
  int rows = 5;
  int tab = 8;
  bool overwrite = false;
  MarkedText before;
  std::optional<std::string> clipboard;
  std::vector<Step> steps;
  std::string error;  // a malformed file
};

// Bytes with escapes resolved (0xFD hh); markers stay.
std::string Unescape(std::string_view raw, std::string& error) {
  std::string out;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (static_cast<unsigned char>(raw[i]) != kEscape) {
      out += raw[i];
      continue;
    }
    if (i + 2 >= raw.size()) {
      error = "escape at the end of a line";
      return out;
    }
    const std::string hex(raw.substr(i + 1, 2));
    char* end = nullptr;
    const long value = std::strtol(hex.c_str(), &end, 16);
    if (end != hex.c_str() + 2) {
      error = "bad escape " + hex;
      return out;
    }
    out += static_cast<char>(value);
    i += 2;
  }
  return out;
}

void AddMarkedLine(MarkedText& text, std::string_view raw, std::string& error) {
  const std::string bytes = Unescape(raw, error);
  std::string line;
  const int lineNo = static_cast<int>(text.lines.size());
  for (char ch : bytes) {
    const unsigned char b = static_cast<unsigned char>(ch);
    if (b == kCaretMark || b == kAnchorMark) {
      auto& slot = b == kCaretMark ? text.caret : text.anchor;
      if (slot) error = "a marker appears twice";
      slot = std::make_pair(lineNo, static_cast<int>(line.size()));
    } else {
      line += ch;
    }
  }
  text.lines.push_back(line);
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) text += (i ? "\r\n" : "") + lines[i];
  return text;
}

EditCase ParseCase(const std::filesystem::path& path) {
  EditCase c;
  c.name = path.stem().string();
  std::ifstream in(path, std::ios::binary);
  std::stringstream buffer;
  buffer << in.rdbuf();
  const std::string data = buffer.str();
  std::vector<std::string> clipLines;
  // Expectations written one after another form one check, run where they stand.
  auto check = [&c](int lineNo) -> Step& {
    if (c.steps.empty() || !c.steps.back().verb.empty()) {
      c.steps.emplace_back();
      c.steps.back().lineNo = lineNo;
    }
    return c.steps.back();
  };
  int lineNo = 0;
  std::size_t at = 0;
  while (at < data.size()) {
    std::size_t lf = data.find('\n', at);
    if (lf == std::string::npos) lf = data.size();
    const std::string line = data.substr(at, lf - at);
    at = lf + 1;
    ++lineNo;
    if (line.empty() || line[0] == '#') continue;
    const std::size_t space = line.find(' ');
    const std::string word = line.substr(0, space);
    const std::string rest = space == std::string::npos ? "" : line.substr(space + 1);
    if (word == "<") {
      AddMarkedLine(c.before, rest, c.error);
    } else if (word == ">") {
      Step& s = check(lineNo);
      s.checksText = true;
      AddMarkedLine(s.expected, rest, c.error);
    } else if (word == "clip") {
      clipLines.push_back(Unescape(rest, c.error));
    } else if (word == "clip>") {
      Step& s = check(lineNo);
      s.checksClip = true;
      s.clipLines.push_back(Unescape(rest, c.error));
    } else if (word == "window") {
      std::istringstream(rest) >> c.columns >> c.rows;
    } else if (word == "tab") {
      c.tab = std::atoi(rest.c_str());
    } else if (word == "overwrite") {
      c.overwrite = true;
    } else if (word == "undo") {
      check(lineNo).undoCount = std::atoi(rest.c_str());
    } else if (word == "redo") {
      check(lineNo).redoCount = std::atoi(rest.c_str());
    } else if (word == "do" || word == "type" || word == "char" || word == "goto" || word == "setclip") {
      Step& s = c.steps.emplace_back();
      s.verb = word;
      s.arg = (word == "type" || word == "setclip") ? Unescape(rest, c.error) : rest;
      s.lineNo = lineNo;
    } else {
      c.error = "unknown directive '" + word + "' on line " + std::to_string(lineNo);
    }
  }
  if (!clipLines.empty()) c.clipboard = JoinLines(clipLines);
  const bool checksText =
      std::any_of(c.steps.begin(), c.steps.end(), [](const Step& s) { return s.checksText; });
  if (c.before.lines.empty() || !checksText) c.error = "a case needs '<' and '>' lines";
  return c;
}

const std::map<std::string, int>& KeyCommands() {
  static const std::map<std::string, int> keys = {
      {"Up", ID_LINE_UP},
      {"S-Up", ID_LINE_UP_EXTEND},
      {"C-Up", ID_SCROLL_UP},
      {"C-S-Up", ID_SCROLL_UP_EXTEND},
      {"Down", ID_LINE_DOWN},
      {"S-Down", ID_LINE_DOWN_EXTEND},
      {"C-Down", ID_SCROLL_DOWN},
      {"C-S-Down", ID_SCROLL_DOWN_EXTEND},
      {"Left", ID_CHAR_LEFT},
      {"S-Left", ID_CHAR_LEFT_EXTEND},
      {"C-Left", ID_WORD_LEFT},
      {"C-S-Left", ID_WORD_LEFT_EXTEND},
      {"Right", ID_CHAR_RIGHT},
      {"S-Right", ID_CHAR_RIGHT_EXTEND},
      {"C-Right", ID_WORD_RIGHT},
      {"C-S-Right", ID_WORD_RIGHT_EXTEND},
      {"Home", ID_LINE_START},
      {"S-Home", ID_LINE_START_EXTEND},
      {"C-Home", ID_DOC_START},
      {"C-S-Home", ID_DOC_START_EXTEND},
      {"End", ID_LINE_END},
      {"S-End", ID_LINE_END_EXTEND},
      {"C-End", ID_DOC_END},
      {"C-S-End", ID_DOC_END_EXTEND},
      {"PageUp", ID_PAGE_UP},
      {"S-PageUp", ID_PAGE_UP_EXTEND},
      {"PageDown", ID_PAGE_DOWN},
      {"S-PageDown", ID_PAGE_DOWN_EXTEND},
      {"Backspace", ID_BACKSPACE},
      {"C-Backspace", ID_WORD_BACKSPACE},
      {"Delete", ID_EDIT_DELETE},
      {"C-Delete", ID_WORD_DELETE},
      {"Insert", ID_TOGGLE_OVERWRITE},
      {"Undo", ID_EDIT_UNDO},
      {"Redo", ID_EDIT_REDO},
      {"ClearUndo", ID_CLEAR_UNDO},
      {"Copy", ID_EDIT_COPY},
      {"Cut", ID_EDIT_CUT},
      {"Paste", ID_EDIT_PASTE},
      {"SelectAll", ID_EDIT_SELECT_ALL},
  };
  return keys;
}

std::vector<std::filesystem::path> CaseFiles() {
  std::vector<std::filesystem::path> files;
  const std::filesystem::path dir = std::filesystem::path(MIREV_TEST_DATA) / "edit";
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec))
    if (entry.path().extension() == ".case") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

std::string ExpectedRendering(const MarkedText& t, bool selecting) {
  std::string out;
  for (int i = 0; i < static_cast<int>(t.lines.size()); ++i) {
    const std::string& s = t.lines[static_cast<std::size_t>(i)];
    struct Mark {
      int at;
      const char* sign;
    };
    std::vector<Mark> marks;
    if (selecting && t.anchor && t.anchor->first == i) marks.push_back({t.anchor->second, "⁁"});
    if (t.caret && t.caret->first == i) marks.push_back({t.caret->second, "‸"});
    std::stable_sort(marks.begin(), marks.end(), [](const Mark& a, const Mark& b) { return a.at < b.at; });
    std::size_t from = 0;
    for (const Mark& m : marks) {
      out += Readable(std::string_view(s).substr(from, static_cast<std::size_t>(m.at) - from));
      out += m.sign;
      from = static_cast<std::size_t>(m.at);
    }
    out += Readable(std::string_view(s).substr(from)) + "\n";
  }
  return out;
}

class EditCases : public ::testing::TestWithParam<std::filesystem::path> {};

TEST_P(EditCases, Run) {
  const EditCase c = ParseCase(GetParam());
  ASSERT_TRUE(c.error.empty()) << c.name << ": " << c.error;
  ViewRig rig(c.before.lines, c.columns, c.rows);
  CVeloView& v = *rig.view;
  rig.settings.tabSize = c.tab;
  v.ApplyTabSize(c.tab);
  v.OnSetFocus();
  rig.host.clipboard = c.clipboard;
  if (c.overwrite) v.ToggleOverwrite();
  if (c.before.caret) v.GoToLine(c.before.caret->first, c.before.caret->second);
  if (c.before.anchor) {
    v.selecting = true;
    v.selAnchor = rig.PosAt(c.before.anchor->first, c.before.anchor->second);
    v.selEnd = v.caret;
    v.InvalidateAll();
  }
  ASSERT_TRUE(PositionsValid(v)) << "starting text of " << c.name;

  for (const Step& a : c.steps) {
    const std::string at = c.name + " line " + std::to_string(a.lineNo);
    if (a.verb.empty()) {
      if (a.checksText) {
        const bool expectSelection = a.expected.anchor.has_value();
        EXPECT_EQ(RenderView(v), ExpectedRendering(a.expected, v.selecting)) << at;
        EXPECT_EQ(v.selecting, expectSelection) << at;
        if (expectSelection && v.selecting) {
          EXPECT_FALSE(PosDiffers(v.selEnd, v.caret)) << at;
        }
      }
      if (a.checksClip) {
        ASSERT_TRUE(rig.host.clipboard.has_value()) << at;
        EXPECT_EQ(Readable(*rig.host.clipboard), Readable(JoinLines(a.clipLines))) << at;
      }
      if (a.undoCount) {
        EXPECT_EQ(static_cast<int>(v.undoList.size()), *a.undoCount) << at << ": undo steps";
      }
      if (a.redoCount) {
        EXPECT_EQ(static_cast<int>(v.redoList.size()), *a.redoCount) << at << ": redo steps";
      }
      continue;
    }
    std::vector<std::string> words;
    if (a.verb == "do") {
      std::istringstream in(a.arg);
      for (std::string w; in >> w;) words.push_back(w);
    } else {
      words.push_back(a.arg);
    }
    for (const std::string& word : words) {
      const std::string where = at + " " + a.verb + " " + Readable(word);
      std::function<void()> op;
      if (a.verb == "type") {
        op = [&] { v.OnTypedText(word); };
      } else if (a.verb == "setclip") {
        op = [&] { rig.host.clipboard = word; };
      } else if (a.verb == "char") {
        const int code = std::atoi(word.c_str());
        op = [&v, code] { v.OnChar(code); };
      } else if (a.verb == "goto") {
        int line = 0, byte = 0;
        std::istringstream(word) >> line >> byte;
        op = [&v, line, byte] { v.GoToLine(line, byte); };
      } else if (word == "Enter") {
        op = [&] { v.OnChar('\r'); };
      } else if (word == "Tab") {
        op = [&] { v.OnChar('\t'); };
      } else {
        const auto key = KeyCommands().find(word);
        ASSERT_NE(key, KeyCommands().end()) << where << ": unknown key";
        ASSERT_TRUE(v.IsCommandEnabled(key->second)) << where;
        op = [&v, id = key->second] { ASSERT_TRUE(v.OnCommand(id)); };
      }
      ASSERT_TRUE(RepaintsMatch(v, rig.host, op)) << where;
      ASSERT_TRUE(PositionsValid(v)) << where << "\n" << RenderView(v);
    }
  }
}

std::string CaseName(const ::testing::TestParamInfo<std::filesystem::path>& info) {
  std::string name = info.param.stem().string();
  for (char& ch : name)
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(Data, EditCases, ::testing::ValuesIn(CaseFiles()), CaseName);

TEST(EditCaseFiles, ThereAreCasesToRun) { EXPECT_GE(CaseFiles().size(), 30u); }

}  // namespace

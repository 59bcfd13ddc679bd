// Editing cases as data: each file under tests/data/edit holds a starting text with the caret and
// the selection anchor marked, the keys to press and the texts expected on the way (see
// tests/data/edit/FORMAT.txt). Every key goes through the view's command table or its character
// entry points under the repaint check and must leave every position valid. The view is the
// TeX view, as in every document window.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "EditSupport.h"
#include "FileFixtures.h"
#include "MacroFakes.h"
#include "RepaintCheck.h"
#include "ViewFakes.h"
#include "base/CommandIds.h"
#include "tex/CMirevView.h"

namespace {

// The keys the cases press, besides Enter and Tab.
const std::map<std::string, int> kKeys = {
    {"Up", ID_LINE_UP},          {"Down", ID_LINE_DOWN},
    {"S-Up", ID_LINE_UP_EXTEND}, {"S-Down", ID_LINE_DOWN_EXTEND},
    {"Home", ID_LINE_START},     {"Left", ID_CHAR_LEFT},
    {"Right", ID_CHAR_RIGHT},    {"S-Right", ID_CHAR_RIGHT_EXTEND},
    {"C-Left", ID_WORD_LEFT},    {"C-Right", ID_WORD_RIGHT},
    {"End", ID_LINE_END},        {"Backspace", ID_BACKSPACE},
    {"Delete", ID_EDIT_DELETE},  {"Insert", ID_TOGGLE_OVERWRITE},
    {"Undo", ID_EDIT_UNDO},      {"F8", ID_NEXT_ASTERISK},
};

// A text line of a case: FD hh escapes resolved, the caret (FE) and anchor (FF) taken out and
// noted as standing on line lineNo.
std::string Unmark(std::string_view raw, int lineNo, Mark& caret, Mark& anchor) {
  std::string out;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    const unsigned char b = static_cast<unsigned char>(raw[i]);
    if (b == 0xFE || b == 0xFF) {
      (b == 0xFE ? caret : anchor) = std::pair(lineNo, static_cast<int>(out.size()));
    } else if (b == 0xFD) {
      out += static_cast<char>(std::stoi(std::string(raw.substr(i + 1, 2)), nullptr, 16));
      i += 2;
    } else {
      out += raw[i];
    }
  }
  return out;
}

struct Marked {
  std::vector<std::string> lines;
  Mark caret;
  Mark anchor;
  void Add(std::string_view raw) {
    lines.push_back(Unmark(raw, static_cast<int>(lines.size()), caret, anchor));
  }
};

std::vector<std::filesystem::path> CaseFiles() {
  std::vector<std::filesystem::path> files;
  std::error_code ec;
  for (const auto& entry :
       std::filesystem::directory_iterator(std::filesystem::path(MIREV_TEST_DATA) / "edit", ec))
    if (entry.path().extension() == ".case") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

class EditCases : public ::testing::TestWithParam<std::filesystem::path> {};

// The directives run as they are read: the first one after the starting text sets up the view.
TEST_P(EditCases, Run) {
  std::ifstream in(GetParam(), std::ios::binary);
  const std::string name = GetParam().stem().string();
  Marked start, expected;
  int checks = 0;
  // The macro menu of the "macro" directive: one entry, read from a file of one line.
  ScratchDir scratch;
  RecordingMenuBuilder builder;
  CMacroMenu macros{builder};
  std::unique_ptr<ViewRig> rig;
  std::string at;
  auto run = [&](const std::function<void()>& op) {
    ASSERT_TRUE(RepaintsMatch(*rig->view, rig->host, op)) << at;
    ASSERT_TRUE(PositionsValid(*rig->view)) << at << "\n" << RenderView(*rig->view);
  };
  auto check = [&] {
    if (expected.lines.empty()) return;
    const CVeloView& v = *rig->view;
    EXPECT_EQ(RenderView(v), RenderMarked(expected.lines, expected.caret, expected.anchor)) << at;
    expected = Marked{};
    ++checks;
  };
  int lineNo = 0;
  for (std::string line; std::getline(in, line) && !HasFatalFailure();) {
    at = name + " line " + std::to_string(++lineNo);
    if (line.empty() || line[0] == '#') continue;
    const std::string word = line.substr(0, line.find(' '));
    const std::string rest = line.substr(std::min(line.size(), word.size() + 1));
    if (word == "<") {
      start.Add(rest);
      continue;
    }
    if (!rig) {
      rig = std::make_unique<ViewRig>(start.lines);
      // The view every document window shows.
      rig->view.reset();
      rig->view = std::make_unique<CMirevView>(rig->doc, rig->settings, rig->host, macros);
      rig->view->OnInitialUpdate();
      CVeloView& v = *rig->view;
      v.OnSetFocus();
      if (start.caret) v.GoToLine(start.caret->first, start.caret->second);
      if (start.anchor) {
        const TextPos caret = v.Caret();
        v.PlaceCaret(start.anchor->first, start.anchor->second, false);
        v.PlaceCaret(caret.line, caret.byteIndex, true);
      }
      ASSERT_TRUE(PositionsValid(v)) << "starting text of " << name;
    }
    CVeloView& v = *rig->view;
    if (word == ">") {
      expected.Add(rest);
      continue;
    }
    check();
    if (word == "undo") {
      EXPECT_EQ(v.UndoList().size(), std::stoul(rest)) << at << ": undo steps";
    } else if (word == "type") {
      Mark none;
      const std::string text = Unmark(rest, 0, none, none);
      run([&] { v.OnTypedText(text); });
    } else if (word == "autoindent") {
      rig->settings.autoIndent = std::stoi(rest);
    } else if (word == "macro") {
      Mark none;
      WriteFileBytes(scratch / "case.mac", Unmark(rest, 0, none, none) + "\n");
      ASSERT_TRUE(macros.LoadMacroFile(scratch / "case.mac", kMacroBaseId, kMacroEntryLimit)) << at;
      ASSERT_EQ(macros.EntryCount(), 1) << at;
      run([&] { EXPECT_TRUE(v.OnCommand(static_cast<int>(kMacroBaseId))); });
    } else if (word == "do") {
      std::istringstream keys(rest);
      for (std::string key; keys >> key;) {
        at = name + " line " + std::to_string(lineNo) + " " + key;
        const auto id = kKeys.find(key);
        if (key == "Enter" || key == "Tab")
          run([&] { v.OnChar(key == "Enter" ? '\r' : '\t'); });
        else if (id != kKeys.end() && v.IsCommandEnabled(id->second))
          run([&] { EXPECT_TRUE(v.OnCommand(id->second)); });
        else
          FAIL() << at << ": not a key of the view";
      }
    } else {
      FAIL() << at << ": unknown directive";
    }
  }
  check();
  EXPECT_GT(checks, 0) << name << " expects nothing";
}

std::string CaseName(const ::testing::TestParamInfo<std::filesystem::path>& info) {
  std::string name = info.param.stem().string();
  std::replace_if(
      name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
  return name;
}

INSTANTIATE_TEST_SUITE_P(Data, EditCases, ::testing::ValuesIn(CaseFiles()), CaseName);

TEST(EditCaseFiles, ThereAreCasesToRun) { EXPECT_FALSE(CaseFiles().empty()); }

}  // namespace

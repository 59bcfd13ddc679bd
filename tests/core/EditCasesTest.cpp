// Editing cases as data: each file under tests/data/edit holds a starting text with the caret and
// the selection anchor marked, what to do and what to expect on the way, in one or two views of
// the document (tests/data/edit/FORMAT.txt). Every action runs under the repaint check of the
// views and must leave every position valid, the wait cursor off, and no painted row holding
// more than one byte past what the window shows. View 1 is the TeX view, as in every document
// window.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "MacroFakes.h"
#include "ViewFakes.h"
#include "base/CommandIds.h"
#include "tex/CMirevView.h"

namespace {

// The keys of "do", in the order of their commands.
constexpr const char* kKeyNames =
    "Up Down Left Right S-Right S-Up S-Down C-Left C-Right Home End C-End C-Up C-Down PgDn PgUp Backspace "
    "Delete Insert Undo Redo Cut Copy Paste SelectAll F8 F9 F5 A-F9 C-L";
constexpr int kKeyIds[] = {
    ID_LINE_UP,        ID_LINE_DOWN,        ID_CHAR_LEFT,     ID_CHAR_RIGHT,         ID_CHAR_RIGHT_EXTEND,
    ID_LINE_UP_EXTEND, ID_LINE_DOWN_EXTEND, ID_WORD_LEFT,     ID_WORD_RIGHT,         ID_LINE_START,
    ID_LINE_END,       ID_DOC_END,          ID_SCROLL_UP,     ID_SCROLL_DOWN,        ID_PAGE_DOWN,
    ID_PAGE_UP,        ID_BACKSPACE,        ID_EDIT_DELETE,   ID_TOGGLE_OVERWRITE,   ID_EDIT_UNDO,
    ID_EDIT_REDO,      ID_EDIT_CUT,         ID_EDIT_COPY,     ID_EDIT_PASTE,         ID_EDIT_SELECT_ALL,
    ID_NEXT_ASTERISK,  ID_BOOKMARK_SET,     ID_BOOKMARK_JUMP, ID_BOOKMARK_CLEAR_ALL, ID_REDRAW};

// The place of word among blank-separated names, or -1.
int IndexOf(const char* names, const std::string& word) {
  std::istringstream in(names);
  int k = 0;
  for (std::string known; in >> known; ++k)
    if (known == word) return k;
  return -1;
}

// A text line of a case: FD hh escapes resolved, the caret (FE) and anchor (FF) taken out and
// noted as standing on line lineNo.
std::string Unmark(std::string_view raw, int lineNo = 0, Mark* caret = nullptr, Mark* anchor = nullptr) {
  std::string out;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    const unsigned char b = static_cast<unsigned char>(raw[i]);
    if (b == 0xFE || b == 0xFF) {
      if (Mark* mark = b == 0xFE ? caret : anchor) *mark = std::pair(lineNo, static_cast<int>(out.size()));
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
    lines.push_back(Unmark(raw, static_cast<int>(lines.size()), &caret, &anchor));
  }
  // "COUNT [REPEAT*]TEXT": COUNT lines of TEXT repeated, "#" in each standing for its line number.
  void AddMany(const std::string& pattern) {
    std::istringstream in(pattern);
    int count = 0;
    std::string text;
    in >> count >> text;
    int repeat = 1;
    if (const std::size_t star = text.find('*'); star != std::string::npos && star > 0) {
      repeat = std::stoi(text.substr(0, star));
      text = text.substr(star + 1);
    }
    for (int i = 0; i < count; ++i) {
      std::string line;
      for (int r = 0; r < repeat; ++r) line += text;
      for (std::size_t at; (at = line.find('#')) != std::string::npos;)
        line.replace(at, 1, std::to_string(lines.size()));
      Add(line);
    }
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

std::vector<int> Numbers(const std::string& text) {
  std::istringstream in(text);
  std::vector<int> numbers;
  for (int n; in >> n;) numbers.push_back(n);
  return numbers;
}

// op under the repaint check of each of views.
::testing::AssertionResult RepaintsMatchAll(const std::vector<std::pair<CVeloView*, FakeViewHost*>>& views,
                                            std::size_t from, const std::function<void()>& op) {
  if (from == views.size()) {
    op();
    return ::testing::AssertionSuccess();
  }
  ::testing::AssertionResult inner(true);
  const auto outer = RepaintsMatch(*views[from].first, *views[from].second,
                                   [&] { inner = RepaintsMatchAll(views, from + 1, op); });
  return inner ? outer : inner;
}

class EditCases : public ::testing::TestWithParam<std::filesystem::path> {};

// The directives run as they are read: the first one after the starting text sets up the view.
TEST_P(EditCases, Run) {
  std::ifstream in(GetParam(), std::ios::binary);
  const std::string name = GetParam().stem().string();
  Marked start, expected, reload;
  int columns = 12, rows = 5, checks = 0;
  // The macro menu of the "macro" directive: one entry, read from a file of one line.
  ScratchDir scratch;
  RecordingMenuBuilder builder;
  CMacroMenu macros{builder};
  std::unique_ptr<ViewRig> rig;
  FakeViewHost host2;
  std::unique_ptr<CVeloView> view2;
  CVeloView* v = nullptr;
  FakeViewHost* host = nullptr;
  std::string at, searched;
  // Views whose stored columns still count another tab width: they recount at their next
  // command, edit or caret placement.
  std::set<const CVeloView*> stale;
  auto views = [&] {
    std::vector<std::pair<CVeloView*, FakeViewHost*>> all = {{rig->view.get(), &rig->host}};
    if (view2) all.emplace_back(view2.get(), &host2);
    return all;
  };
  auto run = [&](const std::function<void()>& op, bool onlyThisView = false) {
    const auto watched =
        onlyThisView ? std::vector<std::pair<CVeloView*, FakeViewHost*>>{{v, host}} : views();
    ASSERT_TRUE(RepaintsMatchAll(watched, 0, op)) << at;
    for (const auto& [view, viewHost] : watched) {
      if (!stale.contains(view)) {
        ASSERT_TRUE(PositionsValid(*view)) << at << "\n" << RenderView(*view);
      }
      ASSERT_EQ(viewHost->waitDepth, 0) << at;
      int maxBytes = 0;
      rig->Paint(*view, &maxBytes);
      ASSERT_LE(maxBytes, view->VisibleColumns() + 1) << at;
    }
  };
  auto check = [&] {
    if (expected.lines.empty()) return;
    EXPECT_EQ(RenderView(*v), RenderMarked(expected.lines, expected.caret, expected.anchor)) << at;
    expected = Marked{};
    ++checks;
  };
  int lineNo = 0;
  for (std::string line; std::getline(in, line) && !HasFatalFailure();) {
    at = name + " line " + std::to_string(++lineNo);
    if (line.empty() || line[0] == '#') continue;
    const std::string word = line.substr(0, line.find(' '));
    const std::string rest = line.substr(std::min(line.size(), word.size() + 1));
    const std::vector<int> n = Numbers(rest);
    if (word == "<" || word == "lines") {
      Marked& into = rig ? reload : start;
      word == "<" ? into.Add(rest) : into.AddMany(rest);
      continue;
    }
    if (word == "window") {
      ASSERT_FALSE(rig) << at << ": the window is set before the first action";
      columns = n.at(0), rows = n.at(1);
      continue;
    }
    if (!rig) {
      rig = std::make_unique<ViewRig>(start.lines, columns, rows);
      rig->view.reset();
      rig->view = std::make_unique<CMirevView>(rig->doc, rig->settings, rig->host, macros);
      rig->view->OnInitialUpdate();
      v = rig->view.get(), host = &rig->host;
      v->OnSetFocus();
      if (start.caret) v->GoToLine(start.caret->first, start.caret->second);
      if (start.anchor) {
        const TextPos caret = v->Caret();
        v->PlaceCaret(start.anchor->first, start.anchor->second, false);
        v->PlaceCaret(caret.line, caret.byteIndex, true);
      }
      ASSERT_TRUE(PositionsValid(*v)) << "starting text of " << name;
    }
    if (!reload.lines.empty()) {  // the document read anew
      std::string image;
      for (const std::string& l : reload.lines) image += l + "\r\n";
      run([&] {
        LoadText(rig->doc, image);
        rig->doc.UpdateAllViews(nullptr, nullptr);
      });
      reload = Marked{};
    }
    if (word == ">") {
      expected.Add(rest);
      continue;
    }
    check();
    static const std::set<std::string> kActions = {"do",     "type",  "goto",     "place",   "extend",
                                                   "select", "press", "move",     "release", "wheel",
                                                   "macro",  "find",  "findback", "replace", "replaceall"};
    if (kActions.contains(word)) stale.erase(v);
    static const std::set<std::string> kChecks = {"undo", "caret", "anchor", "line", "origin",
                                                  "vbar", "hbar",  "copied", "row"};
    if (kChecks.contains(word)) {
      ++checks;
      const TextPos& c = v->Caret();
      const FakeViewHost::Bar& bar = word == "vbar" ? host->vBar : host->hBar;
      std::vector<int> got;
      if (word == "caret")
        got = n.size() > 2 ? std::vector{c.line, c.byteIndex, c.column} : std::vector{c.line, c.byteIndex};
      if (word == "anchor") got = {v->SelAnchor().line, v->SelAnchor().byteIndex};
      if (word == "origin") got = {v->Origin().line, v->Origin().column};
      if (word == "vbar" || word == "hbar") got = {bar.range.max, bar.range.page, bar.pos};
      if (word == "undo") got = {static_cast<int>(v->UndoList().size())};
      if (word == "anchor" && rest == "-") {
        EXPECT_FALSE(v->IsSelecting()) << at << ": a selection";
      } else if (!got.empty()) {
        EXPECT_TRUE(word != "anchor" || v->IsSelecting()) << at << ": no selection";
        EXPECT_EQ(got, n) << at;
      } else if (word == "line") {
        EXPECT_EQ(Readable(DocLines(rig->doc).at(static_cast<std::size_t>(n.at(0)))),
                  Readable(Unmark(rest.substr(rest.find(' ') + 1))))
            << at;
      } else if (word == "copied") {
        EXPECT_EQ(Readable(host->clipboard.value_or("")), Readable(Unmark(rest))) << at;
      } else {  // row ROW GLYPHS [BACKS [FORES]]
        std::istringstream cells(rest);
        int row = 0;
        std::string glyphs, backs, fores;
        cells >> row >> glyphs >> backs >> fores;
        const Picture pic = rig->Paint(*v);
        EXPECT_EQ(rig->Cells().Glyphs(pic, row), glyphs) << at;
        EXPECT_EQ(backs.empty() ? "" : rig->Cells().Backs(pic, row), backs) << at;
        EXPECT_EQ(fores.empty() ? "" : rig->Cells().Fores(pic, row), fores) << at;
      }
    } else if (word == "view") {
      if (!view2) view2 = rig->AddView(host2);
      v = n.at(0) == 2 ? view2.get() : rig->view.get();
      host = n.at(0) == 2 ? &host2 : &rig->host;
    } else if (word == "press" || word == "move" || word == "release") {
      // Cell units from the first text column and the top row; the margin lies left of 0.
      double column = 0, row = 0;
      std::istringstream(rest) >> column >> row;
      const Point p{v->MarginWidth() + static_cast<int>(std::floor(column * v->CharWidth())),
                    static_cast<int>(std::floor(row * v->LineHeight()))};
      run([&] {
        if (word == "press") v->OnLButtonDown(p);
        if (word == "move") v->OnMouseMove(p);
        if (word == "release") v->OnLButtonUp(p);
      });
    } else if (word == "wheel") {
      std::istringstream words(rest);
      int steps = 0;
      std::string key;
      words >> steps >> key;
      host->ctrlDown = key == "ctrl";
      host->shiftDown = key == "shift";
      for (int i = 0; i < std::abs(steps); ++i) run([&] { v->OnMouseWheel(steps > 0 ? 120 : -120); });
      host->ctrlDown = host->shiftDown = false;
    } else if (word == "type") {
      const std::string text = Unmark(rest);
      run([&] { v->OnTypedText(text); });
    } else if (word == "goto" || word == "place" || word == "extend" || word == "select") {
      run([&] {
        if (word == "goto") {
          v->GoToLine(n.at(0), n.at(1));
        } else if (word == "select") {  // the window stays
          v->PlaceCaret(n.at(0), n.at(1), false);
          v->PlaceCaret(n.at(2), n.at(3), true);
        } else {
          v->PlaceCaret(n.at(0), n.at(1), word == "extend");
          v->EnsureCaretVisible(false);
        }
      });
    } else if (word == "vscroll" || word == "hscroll") {
      const std::string what = rest.substr(0, rest.find(' '));
      const auto action = static_cast<ScrollAction>(IndexOf("Line- Line+ Page- Page+ Thumb Track", what));
      ASSERT_GE(static_cast<int>(action), 0) << at << ": no such scroll";
      const std::vector<int> pos = Numbers(rest.substr(what.size()));
      const int thumb = pos.empty() ? 0 : pos[0];
      run([&] { word == "vscroll" ? v->OnVScroll(action, thumb) : v->OnHScroll(action, thumb); });
    } else if (word == "tab") {  // as the settings do: the other views take it at their next action
      run([&] { v->ApplyTabSize(n.at(0)); }, true);
      for (const auto& view : views()) stale.insert(view.first);
    } else if (word == "autoindent") {
      rig->settings.autoIndent = n.at(0);
    } else if (word == "macro") {
      WriteFileBytes(scratch / "case.mac", Unmark(rest) + "\n");
      ASSERT_TRUE(macros.LoadMacroFile(scratch / "case.mac", kMacroBaseId, kMacroEntryLimit)) << at;
      ASSERT_EQ(macros.EntryCount(), 1) << at;
      run([&] { EXPECT_TRUE(v->OnCommand(static_cast<int>(kMacroBaseId))); });
    } else if (word == "find" || word == "findback") {
      searched = Unmark(rest);
      run([&] { v->FindAndShow(searched, word == "find"); });
    } else if (word == "replace" || word == "replaceall") {
      const std::string by = Unmark(rest);
      run([&] { word == "replace" ? v->ReplaceSelection(by) : v->ReplaceAll(searched, by); });
    } else if (word == "clipboard") {
      host->clipboardWorks = rest != "refuses";
      if (host->clipboardWorks) host->clipboard = Unmark(rest);
    } else if (word == "do") {
      std::istringstream keys(rest);
      for (std::string key; keys >> key;) {
        at = name + " line " + std::to_string(lineNo) + " " + key;
        const int k = IndexOf(kKeyNames, key), id = k < 0 ? 0 : kKeyIds[k];
        if (key == "Enter" || key == "Tab")
          run([&] { v->OnChar(key == "Enter" ? '\r' : '\t'); });
        else if (id && v->IsCommandEnabled(id))
          run([&] { EXPECT_TRUE(v->OnCommand(id)); });
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

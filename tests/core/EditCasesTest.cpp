// Editing cases as data, one per tests/data/edit/*.case (FORMAT.txt there). Every action runs under
// the repaint check of every open view and must leave each view's positions valid and the wait
// cursor off.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "MacroFakes.h"
#include "ViewFakes.h"
#include "base/CommandIds.h"
#include "tex/CMirevView.h"

namespace {

// The keys of "do" besides Enter and Tab, in the order of their commands.
constexpr const char* kKeyNames =
    "Up Down Left Right S-Right S-Up S-Down Home End Backspace Delete Insert Undo Redo Cut F8 F9 F5 A-F9";
constexpr int kKeyIds[] = {ID_LINE_UP,           ID_LINE_DOWN,      ID_CHAR_LEFT,         ID_CHAR_RIGHT,
                           ID_CHAR_RIGHT_EXTEND, ID_LINE_UP_EXTEND, ID_LINE_DOWN_EXTEND,  ID_LINE_START,
                           ID_LINE_END,          ID_BACKSPACE,      ID_EDIT_DELETE,       ID_TOGGLE_OVERWRITE,
                           ID_EDIT_UNDO,         ID_EDIT_REDO,      ID_EDIT_CUT,          ID_NEXT_ASTERISK,
                           ID_BOOKMARK_SET,      ID_BOOKMARK_JUMP,  ID_BOOKMARK_CLEAR_ALL};

// A text of a case with FD hh resolved, and where the caret (FE) and anchor (FF) stood.
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
  Mark caret, anchor;
  void Add(std::string_view raw) {
    lines.push_back(Unmark(raw, static_cast<int>(lines.size()), &caret, &anchor));
  }
};

// What a check word reads from the view; none for a word that is no such check.
std::optional<std::vector<int>> Probe(const CVeloView& v, const std::string& word) {
  const TextPos &c = v.Caret(), &a = v.SelAnchor();
  if (word == "caret") return std::vector{c.line, c.byteIndex, c.column};
  if (word == "anchor") return v.IsSelecting() ? std::vector{a.line, a.byteIndex} : std::vector<int>{};
  if (word == "origin") return std::vector{v.Origin().line, v.Origin().column};
  if (word == "undo") return std::vector{static_cast<int>(v.UndoList().size())};
  return std::nullopt;
}

std::vector<std::filesystem::path> CaseFiles() {
  std::vector<std::filesystem::path> files;
  std::error_code ec;  // none: the test below fails
  for (const auto& entry : std::filesystem::directory_iterator(MIREV_TEST_DATA "/edit", ec))
    if (entry.path().extension() == ".case") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

class EditCases : public ::testing::TestWithParam<std::filesystem::path> {};

TEST_P(EditCases, Run) {
  std::ifstream in(GetParam(), std::ios::binary);
  const std::string name = GetParam().stem().string();
  Marked start, expected, reload;
  ScratchDir scratch;  // for the macro file of "macro"
  RecordingMenuBuilder builder;
  CMacroMenu macros{builder};
  std::unique_ptr<ViewRig> rig;
  FakeViewHost host2;
  std::unique_ptr<CVeloView> view2;
  CVeloView* v = nullptr;
  FakeViewHost* host = nullptr;
  std::string at;
  int checks = 0;
  // A view whose columns still count another tab width, until its next action that recounts.
  const CVeloView* stale = nullptr;
  // The repaint check watches the acting view (the model test watches the other one too).
  auto run = [&](const std::function<void()>& op, bool recounts = true) {
    if (recounts && v == stale) stale = nullptr;
    ASSERT_TRUE(RepaintsMatch(*v, *host, op)) << at;
    ASSERT_EQ(host->waitDepth, 0) << at;
    for (CVeloView* view : {rig->view.get(), view2.get()})
      ASSERT_TRUE(!view || view == stale || PositionsValid(*view)) << at << "\n" << RenderView(*view);
  };
  auto check = [&] {
    if (expected.lines.empty()) return;
    EXPECT_EQ(RenderView(*v), RenderMarked(expected.lines, expected.caret, expected.anchor)) << at;
    expected = Marked{}, ++checks;
  };
  int lineNo = 0;
  for (std::string line; std::getline(in, line) && !HasFatalFailure();) {
    at = name + " line " + std::to_string(++lineNo);
    if (line.empty() || line[0] == '#') continue;
    const std::string word = line.substr(0, line.find(' '));
    const std::string rest = line.substr(std::min(line.size(), word.size() + 1));
    std::istringstream args(rest);
    std::vector<int> n;
    for (int k; args >> k;) n.push_back(k);
    if (word != ">") check();
    if (word == "<" || word == ">" || word == "lines") {
      Marked& into = word == ">" ? expected : rig ? reload : start;
      if (word != "lines") into.Add(rest);
      const std::string pattern = rest.substr(rest.find(' ') + 1);  // COUNT [REPEAT*]TEXT
      const std::size_t star = pattern.find('*') + 1;               // 0: none
      for (int i = 0; word == "lines" && i < n.at(0); ++i) {
        std::string text;
        for (int r = star ? std::stoi(pattern) : 1; r > 0; --r) text += pattern.substr(star);
        for (std::size_t hash; (hash = text.find('#')) != std::string::npos;)
          text.replace(hash, 1, std::to_string(into.lines.size()));
        into.Add(text);
      }
      continue;
    }
    if (!rig) {  // the first action: a TeX view, as in every document window
      rig = std::make_unique<ViewRig>(start.lines);
      rig->view = std::make_unique<CMirevView>(rig->doc, rig->settings, rig->host, macros);
      v = rig->view.get(), host = &rig->host;
      v->OnInitialUpdate();
      v->OnSetFocus();
      if (start.anchor) v->PlaceCaret(start.anchor->first, start.anchor->second, false);
      if (start.caret) v->PlaceCaret(start.caret->first, start.caret->second, start.anchor.has_value());
      v->EnsureCaretVisible(false);
    }
    if (!reload.lines.empty()) {
      run([&] {
        std::string image;
        for (const std::string& l : std::exchange(reload.lines, {})) image += l + "\r\n";
        LoadText(rig->doc, image);
        rig->doc.UpdateAllViews(nullptr, nullptr);
      });
    }
    if (auto got = Probe(*v, word)) {
      if (word == "caret" && n.size() == 2) got->pop_back();  // the column is optional
      EXPECT_EQ(*got, n) << at;
      ++checks;
    } else if (word == "line" && ++checks) {  // L TEXT: line L alone
      const std::string want = Unmark(rest.substr(rest.find(' ') + 1));
      EXPECT_EQ(DocLines(rig->doc).at(static_cast<std::size_t>(n.at(0))), want) << at;
    } else if (word == "row") {  // ROW GLYPHS [BACKS [FORES]]
      std::istringstream cells(rest.substr(rest.find(' ') + 1));
      int k = 0;
      for (std::string want; cells >> want; ++checks)
        EXPECT_EQ(rig->Row(*v, n.at(0), "gbf"[k++]), want) << at;
    } else if (word == "view") {
      if (!view2) view2 = rig->AddView(host2);
      v = n.at(0) == 2 ? view2.get() : rig->view.get();
      host = n.at(0) == 2 ? &host2 : &rig->host;
    } else if (word == "press" || word == "move" || word == "release") {
      double column = 0, row = 0;
      std::istringstream(rest) >> column >> row;
      const Point p{v->MarginWidth() + static_cast<int>(column * v->CharWidth()),
                    static_cast<int>(row * v->LineHeight())};
      run([&] {
        if (word == "press") v->OnLButtonDown(p);
        if (word == "move") v->OnMouseMove(p);
        if (word == "release") v->OnLButtonUp(p);
      });
    } else if (word == "wheel") {
      for (int i = 0; i < std::abs(n.at(0)); ++i) run([&] { v->OnMouseWheel(n[0] > 0 ? 120 : -120); });
    } else if (word == "type" || word == "replace") {
      run([&] { word == "type" ? v->OnTypedText(Unmark(rest)) : v->ReplaceSelection(Unmark(rest)); });
    } else if (word == "goto" || word == "place" || word == "select") {
      run([&] {
        if (word == "goto") return v->GoToLine(n.at(0), n.at(1));
        v->PlaceCaret(n.at(0), n.at(1), false);
        word == "place" ? v->EnsureCaretVisible(false) : v->PlaceCaret(n.at(2), n.at(3), true);
      });
    } else if (word == "vscroll" || word == "hscroll") {
      const auto drag = ScrollAction::ThumbTrack;
      run([&] { word == "vscroll" ? v->OnVScroll(drag, n.at(0)) : v->OnHScroll(drag, n.at(0)); }, false);
    } else if (word == "tab") {  // as the settings dialog: the other views take it at their next action
      stale = v == view2.get() ? rig->view.get() : view2.get();
      run([&] { v->ApplyTabSize(n.at(0)); });
    } else if (word == "autoindent") {
      rig->settings.autoIndent = n.at(0);
    } else if (word == "macro") {
      WriteFileBytes(scratch / "case.mac", Unmark(rest) + "\n");
      ASSERT_TRUE(macros.LoadMacroFile(scratch / "case.mac", kMacroBaseId, kMacroEntryLimit)) << at;
      ASSERT_EQ(macros.EntryCount(), 1) << at;
      run([&] { EXPECT_TRUE(v->OnCommand(static_cast<int>(kMacroBaseId))); });
    } else if (word == "clipboard" && rest == "refuses") {
      host->clipboardWorks = false;
    } else if (word == "do") {
      std::istringstream keys(rest);
      for (std::string key; keys >> key;) {
        at = name + " line " + std::to_string(lineNo) + " " + key;
        std::istringstream names(kKeyNames);
        std::size_t k = 0;
        for (std::string known; names >> known && known != key;) ++k;
        const int id = k < std::size(kKeyIds) ? kKeyIds[k] : 0;
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

INSTANTIATE_TEST_SUITE_P(Data, EditCases, ::testing::ValuesIn(CaseFiles()), [](const auto& param) {
  std::string name = param.param.stem().string();
  std::replace(name.begin(), name.end(), '-', '_');
  return name;
});

TEST(EditCaseFiles, ThereAreCasesToRun) { EXPECT_FALSE(CaseFiles().empty()); }

}  // namespace

// Random edits checked step by step against plain models: lines edited as strings, texts stacked for undo.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>

#include "ViewFakes.h"
#include "base/ByteString.h"
#include "base/CommandIds.h"

namespace {

#ifndef MIREV_UNDER_SANITIZER
#define MIREV_UNDER_SANITIZER 0
#endif
constexpr int kSequences = MIREV_UNDER_SANITIZER ? 1000 : 2000;

using Lines = std::vector<std::string>;

struct Spot {
  int line = 0, byte = 0;
  friend auto operator<=>(const Spot&, const Spot&) = default;
};
Spot SpotOf(const TextPos& p) { return Spot{p.line, p.byteIndex}; }
void PrintTo(const Spot& p, std::ostream* os) { *os << p.line << "," << p.byte; }
std::size_t At(int i) { return static_cast<std::size_t>(i); }
constexpr Spot kNone{-1, -1};

struct Model {
  Lines lines;
  std::vector<Lines> undoStates = {}, redoStates = {};  // the text before each step, oldest first

  std::string& Line(int i) { return lines[At(i)]; }
  int Size(int line) { return static_cast<int>(Line(line).size()); }
  Spot End() { return Spot{int(lines.size()) - 1, Size(int(lines.size()) - 1)}; }
  Spot Snap(int line, int b) { return Spot{line, CharWalk(Line(line), 8).AtByte(b).first}; }
  Spot CharLeft(Spot p) {
    if (p.byte == 0) return p.line > 0 ? Spot{p.line - 1, Size(p.line - 1)} : p;
    const std::vector<int> starts = CharWalk(Line(p.line), 8).starts;
    return Spot{p.line, *(std::lower_bound(starts.begin(), starts.end(), p.byte) - 1)};
  }
  Spot CharRight(Spot p) {
    if (p.byte < Size(p.line)) return Snap(p.line, p.byte + 1);
    return p.line + 1 < int(lines.size()) ? Spot{p.line + 1, 0} : p;
  }
  bool InWord(Spot p) {
    return p.byte < Size(p.line) && std::isalnum(static_cast<unsigned char>(Line(p.line)[At(p.byte)]));
  }
  Spot Word(Spot p, bool right) {  // a character, then on over word characters
    while ((p = right ? CharRight(p) : CharLeft(p)), (right || p.byte > 0) && InWord(p)) {
    }
    return p;
  }
  // On a character start from p on p's line, then on whole lines the other way.
  std::optional<Spot> Find(Spot p, const std::string& text, bool forward) {
    for (int l = p.line, from = p.byte; l >= 0 && l < int(lines.size()); l += forward ? 1 : -1, from = 0)
      for (int i : CharWalk(Line(l), 8).starts)
        if (i >= from && Line(l).compare(At(i), text.size(), text) == 0) return Spot{l, i};
    return std::nullopt;
  }
  std::string Text(Spot a, Spot b) {
    std::string out;
    for (int l = a.line; l < b.line; ++l) out += Line(l).substr(l == a.line ? At(a.byte) : 0) + "\r\n";
    const std::size_t from = a.line == b.line ? At(a.byte) : 0;
    return out + Line(b.line).substr(from, At(b.byte) - from);
  }
  // One recorded step; returns the caret after it. Only the CR LF pairs of text break lines.
  Spot Replace(Spot a, Spot b, const std::string& text) {
    undoStates.push_back(lines);
    redoStates.clear();
    std::string head = Line(a.line).substr(0, At(a.byte)), rest = text;
    const std::string tail = Line(b.line).substr(At(b.byte));
    lines.erase(lines.begin() + a.line, lines.begin() + b.line + 1);
    for (std::size_t p; (p = rest.find("\r\n")) != std::string::npos; rest.erase(0, p + 2), head.clear())
      lines.insert(lines.begin() + a.line++, head + rest.substr(0, p));
    lines.insert(lines.begin() + a.line, head + rest + tail);
    return Snap(a.line, int(head.size() + rest.size()));
  }
  // Over the bytes up to *cut, or in overwrite mode (that tab width) over as many columns.
  Spot Input(Spot at, std::optional<Spot> cut, int overwriteTab, const std::string& text) {
    if (overwriteTab)
      cut = Snap(at.line, std::min(at.byte + CharWalk(text, overwriteTab).Width(), Size(at.line)));
    if (cut) Replace(at, *cut, "");
    return Replace(at, at, text);
  }
};

// TeX's favourite bytes, kanji whose trail bytes are traps (表 能 亜 倍 党 機 深 転 帰 殿 ア), ｱ, tabs, CR,
// LF.
std::string RandomText(std::mt19937& rng, bool withBreaks) {
  static const char* const pieces[] = {"a",        "Z",        "7",        " ",        "\\",       "{",
                                       "}",        "@",        "[",        "]",        "\x95\x5C", "\x94\x5C",
                                       "\x88\x9F", "\x94\x7B", "\x93\x7D", "\x8B\x40", "\x90\x5B", "\x93\x5D",
                                       "\x8B\x41", "\x93\x61", "\x83\x41", "\xB1",     "\t",       "\r",
                                       "\n",       "\r\n"};
  std::string out;
  for (auto count = 1 + rng() % 4; count > 0; --count)
    out += pieces[rng() % (std::size(pieces) - (withBreaks ? 0 : 4))];
  return out;
}

// Read from one buffer, as a file is, so that lines share their bytes; now and then in a tiny window.
std::unique_ptr<ViewRig> MakeRig(const Lines& start, std::mt19937 rng) {
  const bool tiny = rng() % 5 == 0;
  auto rig = std::make_unique<ViewRig>(start, tiny ? int(rng() % 5) : 12, tiny ? int(rng() % 2) : 5);
  std::string image;
  for (const std::string& l : start) image += l + "\r\n";
  LoadText(rig->doc, image);
  rig->view->OnInitialUpdate();
  rig->view->ApplyTabSize(2 + int(rng() % 5));
  rig->view->OnSetFocus();
  return rig;
}

// A move, its extending twin, the deletion as far, and whether it keeps the column (2: and scrolls).
constexpr int kMoves[][4] = {{ID_LINE_UP, ID_LINE_UP_EXTEND, 0, 1},
                             {ID_SCROLL_UP, ID_SCROLL_UP_EXTEND, 0, 2},
                             {ID_PAGE_UP, ID_PAGE_UP_EXTEND, 0, 2},
                             {ID_LINE_DOWN, ID_LINE_DOWN_EXTEND, 0, 1},
                             {ID_SCROLL_DOWN, ID_SCROLL_DOWN_EXTEND, 0, 2},
                             {ID_PAGE_DOWN, ID_PAGE_DOWN_EXTEND, 0, 2},
                             {ID_CHAR_LEFT, ID_CHAR_LEFT_EXTEND, ID_BACKSPACE, 0},
                             {ID_CHAR_RIGHT, ID_CHAR_RIGHT_EXTEND, ID_EDIT_DELETE, 0},
                             {ID_WORD_LEFT, ID_WORD_LEFT_EXTEND, ID_WORD_BACKSPACE, 0},
                             {ID_WORD_RIGHT, ID_WORD_RIGHT_EXTEND, ID_WORD_DELETE, 0},
                             {ID_LINE_START, ID_LINE_START_EXTEND, 0, 0},
                             {ID_LINE_END, ID_LINE_END_EXTEND, 0, 0},
                             {ID_DOC_START, ID_DOC_START_EXTEND, 0, 0},
                             {ID_DOC_END, ID_DOC_END_EXTEND, 0, 0},
                             {ID_EDIT_SELECT_ALL, ID_EDIT_SELECT_ALL, 0, 0}};

struct Command {
  // kWindow: scroll bars, tab width, focus; kPlace: the caret placed without scrolling, as input methods do.
  enum Kind { kId, kTyped, kChar, kInput, kGoto, kPlace, kWindow, kFind, kReplace, kReplaceAll } kind = kId;
  int id = 0;  // kId: the command; kChar: the code; kGoto, kPlace: the line; kWindow: what; kFind: forward
  std::string text, by = {};  // kReplaceAll: by replaces text
  int byte = 0;               // kGoto, kPlace; kWindow: a position or a width
};

Command RandomCommand(std::mt19937& rng, const Lines& lines) {
  static const int edits[] = {ID_BACKSPACE, ID_WORD_BACKSPACE, ID_EDIT_DELETE,     ID_WORD_DELETE,
                              ID_EDIT_UNDO, ID_EDIT_UNDO,      ID_EDIT_REDO,       ID_EDIT_COPY,
                              ID_EDIT_CUT,  ID_EDIT_PASTE,     ID_TOGGLE_OVERWRITE};
  // Mostly bytes of the text from any byte, a trail byte too.
  const std::string& line = lines[rng() % lines.size()];
  const std::string find = !line.empty() && rng() % 2 ? line.substr(rng() % line.size(), 1 + rng() % 3)
                                                      : RandomText(rng, true).substr(0, 1 + rng() % 3);
  const auto pick = rng() % 100;
  if (pick < 30) return {Command::kId, kMoves[rng() % std::size(kMoves)][rng() % 2], {}};
  if (pick < 55) return {Command::kId, edits[rng() % std::size(edits)], {}};
  if (pick < 66)  // a key's text, cut anywhere, with control characters and DEL now and then
    return {Command::kTyped, 0, RandomText(rng, true).substr(0, 2 + rng() % 2) + (rng() % 8 ? "" : "\x7F")};
  if (pick < 72) return {Command::kChar, int(rng() % 3 ? (rng() % 2 ? 13 : 9) : rng() % 256), {}};
  if (pick < 83) return {Command::kInput, 0, RandomText(rng, true)};
  const int row = int(rng() % (lines.size() + 3)) - 1, byte = int(rng() % 12) - 1;
  if (pick < 86) return {rng() % 2 ? Command::kGoto : Command::kPlace, row, {}, {}, byte};
  if (pick < 89) return {Command::kWindow, int(rng() % 5), {}, {}, int(rng() % 40) - 2};
  if (pick < 94) return {Command::kFind, int(rng() % 2), find};
  if (pick < 96) return {Command::kReplace, 0, RandomText(rng, true)};
  if (pick < 99) return {Command::kReplaceAll, 0, find, rng() % 4 ? RandomText(rng, true) : find + find};
  return {Command::kId, ID_CLEAR_UNDO, {}};
}

// What a step must leave where the model knows it (column -1: the caret's); scrolls may hide the caret.
struct Expect {
  std::optional<Spot> caret = {};
  std::optional<std::pair<Spot, Spot>> selection = {};
  std::optional<int> column = {};
  std::optional<std::string> clipboard = {};
  bool scrolls = false;
};

Expect ApplyToModel(Model& m, const CVeloView& v, const Command& c, const std::string& clipboard) {
  const Spot caret = SpotOf(v.Caret());
  const std::pair<Spot, Spot> sel = std::minmax(SpotOf(v.SelAnchor()), SpotOf(v.SelEnd()));
  const int overwrite = v.IsOverwriteMode() ? v.TabWidth() : 0;
  auto input = [&](const std::string& text) {
    if (!overwrite && v.IsSelecting()) return Expect{m.Input(sel.first, sel.second, 0, text)};
    return Expect{m.Input(caret, std::nullopt, overwrite, text)};
  };
  auto deleteTo = [&](Spot to) {
    const auto [a, b] = v.IsSelecting() ? sel : std::pair(std::min(caret, to), std::max(caret, to));
    return Expect{m.Replace(a, b, "")};
  };
  auto typed = [&](int code) {
    if (code == '\r' || code == '\t') return overwrite ? Expect{} : input(code == '\r' ? "\r\n" : "\t");
    return code < 32 || code == 0x7F ? Expect{} : input(std::string(1, static_cast<char>(code)));
  };
  if (c.kind == Command::kTyped && c.text.size() == 1) return typed(static_cast<unsigned char>(c.text[0]));
  if (c.kind == Command::kTyped) {  // control characters dropped
    std::string kept;
    const std::vector<int> starts = CharWalk(c.text, 8).starts;
    for (std::size_t k = 0; k + 1 < starts.size(); ++k) {
      const std::string ch = c.text.substr(At(starts[k]), At(starts[k + 1] - starts[k]));
      if (ch.size() > 1 || (static_cast<unsigned char>(ch[0]) >= 32 && ch[0] != 0x7F)) kept += ch;
    }
    return kept.empty() ? Expect{} : input(kept);
  }
  if (c.kind == Command::kChar) return c.id == 0x7F ? input("\x7F") : typed(c.id);
  if (c.kind == Command::kInput) return input(c.text);
  if (c.kind == Command::kGoto || c.kind == Command::kPlace) return Expect{};
  if (c.kind == Command::kWindow) return Expect{.scrolls = true};
  if (c.kind == Command::kFind) {
    const std::optional<Spot> at = m.Find(caret, c.text, c.id);
    const Spot to = at ? m.Snap(at->line, at->byte + int(c.text.size())) : c.id ? m.End() : Spot{};
    return Expect{to, at ? std::pair(*at, to) : std::pair(kNone, kNone), -1};
  }
  if (c.kind == Command::kReplace)
    return v.IsSelecting() ? Expect{m.Input(m.Replace(sel.first, sel.second, ""), {}, overwrite, c.text)}
                           : Expect{};
  if (c.kind == Command::kReplaceAll) {
    for (Spot at = caret; auto hit = m.Find(at, c.text, true);) {
      m.Replace(*hit, m.Snap(hit->line, hit->byte + int(c.text.size())), "");
      at = m.Input(*hit, std::nullopt, overwrite, c.by);
    }
    return Expect{m.End(), std::pair(kNone, kNone)};
  }
  auto down = [&](int count) {
    const int line = std::clamp(caret.line + count, 0, int(m.lines.size()) - 1);
    return Spot{line, CharWalk(m.Line(line), v.TabWidth()).AtColumn(v.DesiredColumn()).first};
  };
  const Spot lineStart{caret.line, 0}, lineEnd{caret.line, m.Size(caret.line)}, docStart{};
  const int page = v.VisibleLines();
  const Spot targets[] = {down(-1),         down(-1),         down(-page),       down(1),
                          down(1),          down(page),       m.CharLeft(caret), m.CharRight(caret),
                          m.Word(caret, 0), m.Word(caret, 1), lineStart,         lineEnd,
                          docStart,         m.End(),          docStart};
  const Spot anchor =
      c.id == ID_EDIT_SELECT_ALL ? m.End() : SpotOf(v.IsSelecting() ? v.SelAnchor() : v.Caret());
  for (std::size_t k = 0; k < std::size(kMoves); ++k) {
    const auto [plain, extend, deletes, vertical] = kMoves[k];
    if (c.id == deletes) return deleteTo(targets[k]);
    const auto selection = c.id == extend ? std::pair(anchor, targets[k]) : std::pair(kNone, kNone);
    if (c.id == plain || c.id == extend)
      return Expect{targets[k], selection, vertical ? v.DesiredColumn() : -1, {}, vertical == 2};
  }
  if (c.id == ID_EDIT_PASTE) return input(clipboard);  // counted: a NUL byte is pasted like any other
  if (c.id == ID_EDIT_COPY || c.id == ID_EDIT_CUT) {
    Expect e{.clipboard = v.IsSelecting() ? m.Text(sel.first, sel.second) : clipboard};
    if (c.id == ID_EDIT_CUT && v.IsSelecting()) e.caret = deleteTo(caret).caret;
    return e;
  }
  auto& from = c.id == ID_EDIT_UNDO ? m.undoStates : m.redoStates;
  if ((c.id == ID_EDIT_UNDO || c.id == ID_EDIT_REDO) && !from.empty()) {
    (c.id == ID_EDIT_UNDO ? m.redoStates : m.undoStates).push_back(std::exchange(m.lines, from.back()));
    from.pop_back();
  }
  if (c.id == ID_CLEAR_UNDO) m.undoStates.clear(), m.redoStates.clear();
  return Expect{};
}

void Perform(CVeloView& v, const Command& c) {
  if (c.kind == Command::kId) v.OnCommand(c.id);
  if (c.kind == Command::kTyped) v.OnTypedText(c.text);
  if (c.kind == Command::kChar) v.OnChar(c.id);
  if (c.kind == Command::kInput) v.InputText(c.text);
  if (c.kind == Command::kGoto) v.GoToLine(c.id, c.byte);
  if (c.kind == Command::kPlace) v.PlaceCaret(c.id, c.byte, false);
  if (c.kind == Command::kFind) v.FindAndShow(c.text, c.id);
  if (c.kind == Command::kReplace) v.ReplaceSelection(c.text);
  if (c.kind == Command::kReplaceAll) v.ReplaceAll(c.text, c.by);
  if (c.kind != Command::kWindow) return;
  if (c.id == 0) v.OnVScroll(static_cast<ScrollAction>(c.byte & 7), c.byte);
  if (c.id == 1) v.OnHScroll(static_cast<ScrollAction>(c.byte & 7), c.byte);
  if (c.id == 2) v.ApplyTabSize(std::clamp(c.byte, 1, 9));
  if (c.id == 3) v.OnKillFocus();
  if (c.id == 4) v.OnSetFocus();
}

std::string State(const CVeloView& v) {
  auto pos = [](const TextPos& p) {
    return std::to_string(p.line) + ":" + std::to_string(p.column) + ":" + std::to_string(p.byteIndex) +
           (p.node ? " " : "- ");
  };
  std::string out = RenderView(v) + pos(v.Caret()) + pos(v.SelAnchor()) + pos(v.SelEnd()) + pos(v.Origin()) +
                    std::to_string(v.DesiredColumn()) + " " + std::to_string(v.UndoList().size());
  for (const auto* list : {&v.UndoList(), &v.RedoList()})
    for (const UndoRecord& r : *list)
      out += "\n" + std::to_string(r.kind == UndoRecord::Kind::Deletion) + pos(r.start) + pos(r.end) + "'" +
             Readable(r.text) + "' " + std::to_string(r.lineBreaks.size()) + " " + std::to_string(r.epoch);
  return out;
}

// One sequence in four has two views taking turns; else a twin takes replace all as Find and Replace in turn.
TEST(ModelEdit, RandomCommandSequencesMatchThePlainModel) {
  for (int seq = 0; seq < kSequences; ++seq) {
    SCOPED_TRACE("sequence " + std::to_string(seq));
    std::mt19937 rng(static_cast<unsigned>(seq) * 7919u + 17u);
    const bool two = seq % 4 == 3;
    Model m{Lines(rng() % 10 ? 1 + rng() % 8 : 100 + rng() % 100)};  // now and then many runs for the search
    for (std::string& l : m.lines)
      l = (rng() % 3 ? RandomText(rng, false) + RandomText(rng, false) : "") + (rng() % 10 ? "" : "\x95");
    Lines base = m.lines;  // the text the undo history reaches back to
    std::unique_ptr<ViewRig> rig = MakeRig(base, rng), twin = MakeRig(base, rng);
    FakeViewHost host2;
    std::unique_ptr<CVeloView> second = rig->AddView(host2);
    CVeloView* views[] = {rig->view.get(), second.get()};
    FakeViewHost* hosts[] = {&rig->host, &host2};
    for (int step = 0; step < 70; ++step) {
      SCOPED_TRACE("step " + std::to_string(step));
      const int who = two ? int(rng() % 2) : 0, watch = seq % 8 == 0 ? who : seq % 8 == 7 ? 1 - who : -1;
      CVeloView& v = *views[who];
      FakeViewHost& host = *hosts[who];
      if (rng() % 6 == 0)
        host.clipboard = twin->host.clipboard =
            RandomText(rng, true) + (rng() % 5 ? "" : std::string("\0z", 2));
      Command c = RandomCommand(rng, m.lines);
      // A tab width the other view is not told of until the program tells it.
      if (two && c.kind == Command::kWindow && c.id == 2) c.id = 4;
      const TextPos &caret = v.Caret(), &origin = v.Origin();
      auto outside = [&](bool columnsToo) {
        const int down = caret.line - origin.line, right = caret.column - origin.column;
        return down < 0 || down >= std::max(v.VisibleLines(), 1) ||
               (columnsToo && (right < 0 || right > std::max(v.VisibleColumns() - 2, 0)));
      };
      const std::pair<Spot, int> caretBefore{SpotOf(caret), caret.column};
      const bool hiddenBefore = outside(false);
      const Lines before = m.lines;
      const Expect e = ApplyToModel(m, v, c, host.clipboard.value_or(""));
      v.GetDocument().SetModifiedFlag(false);
      if (watch < 0)
        Perform(v, c);
      else
        ASSERT_TRUE(RepaintsMatch(*views[watch], *hosts[watch], [&] { Perform(v, c); }));
      ASSERT_TRUE(PositionsValid(v));
      ASSERT_TRUE(PositionsValid(*views[1 - who])) << "the other view";
      LineNode* anchor = rig->doc.FirstLine();  // a live line even while nothing is selected
      for (int i = 0; i < v.SelAnchor().line; ++i) anchor = anchor->next;
      ASSERT_EQ(v.SelAnchor().node, anchor);
      const Lines text = DocLines(rig->doc);
      if (two && c.kind == Command::kId && (c.id == ID_EDIT_UNDO || c.id == ID_EDIT_REDO))
        m.lines = text;  // the model keeps no histories of its own
      std::string want = RenderMarked(m.lines, {}, {}), got = RenderMarked(text, {}, {});
      auto both = [&](const char* what, const auto& model, const auto& view) {
        want += what + (" " + ::testing::PrintToString(model)) + "\n";
        got += what + (" " + ::testing::PrintToString(view)) + "\n";
      };
      if (m.lines != before) both("modified", true, v.GetDocument().IsModified());
      if (e.caret) both("caret", *e.caret, SpotOf(caret));
      if (e.selection)
        both(
            "selection", *e.selection,
            v.IsSelecting() ? std::pair(SpotOf(v.SelAnchor()), SpotOf(v.SelEnd())) : std::pair(kNone, kNone));
      if (e.column) both("remembered column", *e.column < 0 ? caret.column : *e.column, v.DesiredColumn());
      if (e.clipboard) both("clipboard", Readable(*e.clipboard), Readable(host.clipboard.value_or("")));
      if (!two)  // one view: its history is the model's
        both("steps", std::pair(m.undoStates.size(), m.redoStates.size()),
             std::pair(v.UndoList().size(), v.RedoList().size()));
      ASSERT_EQ(want, got) << RenderView(v);
      // A moved caret or changed text brings the caret into view, but placing, scrolling (a caret out of view
      // may stay so, beside it too) and replace all (the caret stays where its last Find failed).
      const bool stayed = caretBefore == std::pair(SpotOf(caret), caret.column) && m.lines == before;
      ASSERT_TRUE(two || c.kind == Command::kReplaceAll || c.kind == Command::kPlace ||
                  (e.scrolls && hiddenBefore) || stayed || !outside(!e.scrolls))
          << "caret outside the window at " << origin.line << "," << origin.column;
      if (two) continue;
      if (c.kind == Command::kId && c.id == ID_CLEAR_UNDO) base = m.lines;
      if (c.kind != Command::kReplaceAll) Perform(*twin->view, c);
      while (c.kind == Command::kReplaceAll && twin->view->Find(c.text, true))
        twin->view->ReplaceSelection(c.by);
      ASSERT_EQ(State(v), State(*twin->view));
    }
    auto all = [&](CVeloView& each, bool undo) {  // every step undone or redone
      while (!(undo ? each.UndoList() : each.RedoList()).empty()) undo ? each.Undo() : each.Redo();
      return DocLines(rig->doc);
    };
    if (two) all(*views[1], true), all(*views[0], true);
    ASSERT_TRUE(PositionsValid(*views[0]) && PositionsValid(*views[1]));
    if (two) continue;
    // The steps undone at the end redone first, so that the history covers the whole way.
    const Lines final = all(*views[0], false);
    ASSERT_EQ(final, m.redoStates.empty() ? m.lines : m.redoStates.front());
    ASSERT_EQ(all(*views[0], true), base) << "undo of everything";
    ASSERT_EQ(all(*views[0], false), final) << "redo of everything";
  }
}

// Pieces of the string inserted into itself, from after where they go, so that the source moves under the
// insertion, and while the string grows; indexes out of range are clamped.
TEST(ByteString, InsertsPiecesOfItselfAsAPlainStringDoes) {
  std::string model = "0123456789";
  ByteString s;
  s.Append(model);
  for (int at = -2; model.size() < 3000; at = (at + 7) % static_cast<int>(model.size() + 3) - 2) {
    const std::size_t to = At(std::clamp(at, 0, static_cast<int>(model.size()))),
                      from = std::min(to + 2, model.size());
    s.Insert(at, s.View().substr(from, 5));
    model.insert(to, model.substr(from, 5));
    ASSERT_EQ(s.View(), model) << at;
  }
}

}  // namespace

// Seeded random sequences of the view's real commands, checked after every step against a plain
// model: a vector of lines edited by straightforward string operations from the view's caret and
// selection as they stood before the step, stacks of whole texts for undo and redo, and a
// character walk for where each movement lands. Every step must also leave every position of
// every view valid. At the end, undoing everything must give back the starting bytes and redoing
// everything the final ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "ViewFakes.h"
#include "base/CommandIds.h"
#include "base/Cp932.h"

namespace {

#ifdef MIREV_UNDER_SANITIZER
constexpr int kSequences = 1000;
constexpr int kTwoViewSequences = 400;
#else
constexpr int kSequences = 2000;
constexpr int kTwoViewSequences = 600;
#endif
constexpr int kSteps = 70;

using Lines = std::vector<std::string>;

struct Spot {
  int line = 0;
  int byte = 0;
  friend auto operator<=>(const Spot&, const Spot&) = default;
};

Spot SpotOf(const TextPos& p) { return Spot{p.line, p.byteIndex}; }
void PrintTo(const Spot& p, std::ostream* os) { *os << p.line << "," << p.byte; }

// The plain model of one document.
struct Model {
  Lines lines;
  std::vector<Lines> undoStates;  // the text before each recorded step, oldest first
  std::vector<Lines> redoStates;
  bool sharedHistory = true;  // one view: the stacks are the view's history

  // Lines and bytes are counted in ints, as the view counts them.
  static std::size_t At(int i) { return static_cast<std::size_t>(i); }
  std::string& Line(int i) { return lines[At(i)]; }
  const std::string& Line(int i) const { return lines[At(i)]; }
  int Size(int line) const { return static_cast<int>(Line(line).size()); }
  // The character start at or after byte b of line.
  Spot Snap(int line, int b) const { return Spot{line, CharWalk(Line(line), 8).AtByte(b).first}; }
  Spot CharLeft(Spot p) const {
    if (p.byte == 0) return p.line > 0 ? Spot{p.line - 1, Size(p.line - 1)} : p;
    const std::vector<int> starts = CharWalk(Line(p.line), 8).starts;
    return Spot{p.line, *(std::lower_bound(starts.begin(), starts.end(), p.byte) - 1)};
  }
  Spot CharRight(Spot p) const {
    if (p.byte >= Size(p.line)) return p.line + 1 < static_cast<int>(lines.size()) ? Spot{p.line + 1, 0} : p;
    return Snap(p.line, p.byte + 1);
  }
  bool WordByteAt(Spot p) const { return std::isalnum(static_cast<unsigned char>(Line(p.line)[At(p.byte)])); }
  Spot WordLeft(Spot p) const {
    p = CharLeft(p);
    if (p.byte <= 0 || p.byte >= Size(p.line)) return p;
    while (p.byte > 0 && WordByteAt(p)) p = CharLeft(p);
    return p;
  }
  Spot WordRight(Spot p) const {
    p = CharRight(p);
    while (p.byte < Size(p.line) && WordByteAt(p)) p = CharRight(p);
    return p;
  }

  std::string Text(Spot a, Spot b) const {
    std::string out;
    for (int l = a.line; l < b.line; ++l) out += Line(l).substr(l == a.line ? At(a.byte) : 0) + "\r\n";
    const std::size_t from = a.line == b.line ? At(a.byte) : 0;
    return out + Line(b.line).substr(from, At(b.byte) - from);
  }
  void Delete(Spot a, Spot b) {
    const std::string tail = Line(b.line).substr(At(b.byte));
    lines.erase(lines.begin() + a.line + 1, lines.begin() + b.line + 1);
    Line(a.line) = Line(a.line).substr(0, At(a.byte)) + tail;
  }
  // Returns where the inserted bytes end.
  Spot Insert(Spot at, const std::string& text) {
    const std::string tail = Line(at.line).substr(At(at.byte));
    Line(at.line).resize(At(at.byte));
    std::size_t i = 0;
    int line = at.line;
    for (std::size_t p = text.find("\r\n"); p != std::string::npos; p = text.find("\r\n", i), ++line) {
      Line(line) += text.substr(i, p - i);
      lines.insert(lines.begin() + line + 1, std::string());
      i = p + 2;
    }
    Line(line) += text.substr(i);
    const Spot end{line, Size(line)};
    Line(line) += tail;
    return end;
  }
  void Record() {
    undoStates.push_back(lines);
    redoStates.clear();
  }
};

// Text a user might bring in: ASCII with TeX's favourite bytes, kanji whose trail bytes are
// traps, half-width katakana, tabs, lone CR and LF, and line breaks.
std::string RandomText(std::mt19937& rng, bool withBreaks) {
  // 表 能 亜 倍 党 機 深 転 帰 殿 ア end in \ \ 0x9F { } @ [ ] A a A; then a half-width ｱ.
  static const char* const pieces[] = {"a",        "Z",        "7",        " ",        "\\",       "{",
                                       "}",        "@",        "[",        "]",        "\x95\x5C", "\x94\x5C",
                                       "\x88\x9F", "\x94\x7B", "\x93\x7D", "\x8B\x40", "\x90\x5B", "\x93\x5D",
                                       "\x8B\x41", "\x93\x61", "\x83\x41", "\xB1",     "\t",       "\r",
                                       "\n",       "\r\n"};
  const std::size_t n = withBreaks ? std::size(pieces) : std::size(pieces) - 4;
  const int count = 1 + static_cast<int>(rng() % 4);
  std::string out;
  for (int i = 0; i < count; ++i) out += pieces[rng() % n];
  return out;
}

Lines RandomDocument(std::mt19937& rng) {
  Lines lines(1 + rng() % 8);
  for (std::string& l : lines) {
    if (rng() % 3) l = RandomText(rng, false) + RandomText(rng, false);
    if (rng() % 10 == 0) l += "\x95";  // a lone lead byte at the end of the line
  }
  return lines;
}

struct Command {
  // kWindow: what happens to the window rather than the text: a scroll bar action, a tab
  // width or colours set, the focus going or coming, the document saying it changed.
  enum Kind { kId, kTyped, kChar, kInput, kGoto, kWindow } kind = kId;
  int id = 0;  // kId: the command; kChar: the code; kGoto: the line; kWindow: what
  std::string text;
  int byte = 0;  // kGoto; kWindow: a position or a width
};

const int kMoves[] = {ID_LINE_UP,        ID_LINE_UP_EXTEND,    ID_SCROLL_UP,   ID_SCROLL_UP_EXTEND,
                      ID_LINE_DOWN,      ID_LINE_DOWN_EXTEND,  ID_SCROLL_DOWN, ID_SCROLL_DOWN_EXTEND,
                      ID_CHAR_LEFT,      ID_CHAR_LEFT_EXTEND,  ID_WORD_LEFT,   ID_WORD_LEFT_EXTEND,
                      ID_CHAR_RIGHT,     ID_CHAR_RIGHT_EXTEND, ID_WORD_RIGHT,  ID_WORD_RIGHT_EXTEND,
                      ID_LINE_START,     ID_LINE_START_EXTEND, ID_DOC_START,   ID_DOC_START_EXTEND,
                      ID_LINE_END,       ID_LINE_END_EXTEND,   ID_DOC_END,     ID_DOC_END_EXTEND,
                      ID_PAGE_UP,        ID_PAGE_UP_EXTEND,    ID_PAGE_DOWN,   ID_PAGE_DOWN_EXTEND,
                      ID_EDIT_SELECT_ALL};

Command RandomCommand(std::mt19937& rng, std::size_t lineCount) {
  static const int edits[] = {ID_BACKSPACE, ID_WORD_BACKSPACE, ID_EDIT_DELETE,     ID_WORD_DELETE,
                              ID_EDIT_UNDO, ID_EDIT_UNDO,      ID_EDIT_REDO,       ID_EDIT_COPY,
                              ID_EDIT_CUT,  ID_EDIT_PASTE,     ID_TOGGLE_OVERWRITE};
  const auto pick = rng() % 100;
  if (pick < 30) return {Command::kId, kMoves[rng() % std::size(kMoves)], {}, 0};
  if (pick < 55) return {Command::kId, edits[rng() % std::size(edits)], {}, 0};
  if (pick < 70) {  // a key's text, cut anywhere, with control characters and DEL now and then
    std::string text = RandomText(rng, true).substr(0, 2 + rng() % 2);
    return {Command::kTyped, 0, rng() % 8 ? text : text + "\x7F", 0};
  }
  if (pick < 78)
    return {Command::kChar, static_cast<int>(rng() % 3 == 0 ? rng() % 256 : (rng() % 2 ? 13 : 9)), {}, 0};
  if (pick < 93) return {Command::kInput, 0, RandomText(rng, true), 0};
  if (pick < 96)
    return {
        Command::kGoto, static_cast<int>(rng() % (lineCount + 3)) - 1, {}, static_cast<int>(rng() % 12) - 1};
  if (pick < 99) return {Command::kWindow, static_cast<int>(rng() % 6), {}, static_cast<int>(rng() % 40) - 2};
  return {Command::kId, ID_CLEAR_UNDO, {}, 0};
}

// A movement command's caret target from the view's state before it, whether it extends the
// selection and whether it is vertical (aims for the remembered column and keeps it; 2: and
// scrolls the window, which may leave the caret right or left of it).
struct Move {
  Spot to;
  bool extend = false;
  int vertical = 0;
};

std::optional<Move> MoveOf(const Model& m, const CVeloView& v, int id) {
  const Spot p = SpotOf(v.Caret());
  const int last = static_cast<int>(m.lines.size()) - 1;
  auto down = [&](int count) {
    const int line = std::clamp(p.line + count, 0, last);
    return Spot{line, CharWalk(m.Line(line), v.TabWidth()).AtColumn(v.DesiredColumn()).first};
  };
  const struct {
    int plain, extend;
    Spot to;
    int vertical;
  } table[] = {
      {ID_LINE_UP, ID_LINE_UP_EXTEND, down(-1), 1},
      {ID_SCROLL_UP, ID_SCROLL_UP_EXTEND, down(-1), 2},
      {ID_PAGE_UP, ID_PAGE_UP_EXTEND, down(-v.VisibleLines()), 2},
      {ID_LINE_DOWN, ID_LINE_DOWN_EXTEND, down(1), 1},
      {ID_SCROLL_DOWN, ID_SCROLL_DOWN_EXTEND, down(1), 2},
      {ID_PAGE_DOWN, ID_PAGE_DOWN_EXTEND, down(v.VisibleLines()), 2},
      {ID_CHAR_LEFT, ID_CHAR_LEFT_EXTEND, m.CharLeft(p), 0},
      {ID_CHAR_RIGHT, ID_CHAR_RIGHT_EXTEND, m.CharRight(p), 0},
      {ID_WORD_LEFT, ID_WORD_LEFT_EXTEND, m.WordLeft(p), 0},
      {ID_WORD_RIGHT, ID_WORD_RIGHT_EXTEND, m.WordRight(p), 0},
      {ID_LINE_START, ID_LINE_START_EXTEND, Spot{p.line, 0}, 0},
      {ID_LINE_END, ID_LINE_END_EXTEND, Spot{p.line, m.Size(p.line)}, 0},
      {ID_DOC_START, ID_DOC_START_EXTEND, Spot{0, 0}, 0},
      {ID_DOC_END, ID_DOC_END_EXTEND, Spot{last, m.Size(last)}, 0},
      {ID_EDIT_SELECT_ALL, ID_EDIT_SELECT_ALL, Spot{0, 0}, 0},
  };
  for (const auto& e : table)
    if (id == e.plain || id == e.extend) return Move{e.to, id == e.extend, e.vertical};
  return std::nullopt;
}

// Applies one command on view v (its state before the command) to the model; returns where the
// caret must stand after an edit.
std::optional<Spot> ApplyToModel(Model& m, const CVeloView& v, const Command& c,
                                 const std::string& clipboard) {
  const Spot caret = SpotOf(v.Caret());
  Spot selA = SpotOf(v.SelAnchor()), selB = SpotOf(v.SelEnd());
  if (selB < selA) std::swap(selA, selB);

  auto input = [&](const std::string& text) {
    Spot at = caret;
    if (v.IsOverwriteMode()) {
      const std::int64_t end = std::int64_t{caret.byte} + CharWalk(text, v.TabWidth()).Width();
      m.Record();
      m.Delete(caret, m.Snap(caret.line, static_cast<int>(std::min<std::int64_t>(end, m.Size(caret.line)))));
    } else if (v.IsSelecting()) {
      m.Record();
      m.Delete(selA, selB);
      at = selA;
    }
    m.Record();
    const Spot end = m.Insert(at, text);
    return std::optional(m.Snap(end.line, end.byte));
  };
  auto deleteStep = [&](Spot to) {
    const Spot a = v.IsSelecting() ? selA : std::min(caret, to);
    m.Record();
    m.Delete(a, v.IsSelecting() ? selB : std::max(caret, to));
    return std::optional(m.Snap(a.line, a.byte));
  };
  auto typedChar = [&](int code) -> std::optional<Spot> {
    if (code == '\r' || code == '\t') {
      if (v.IsOverwriteMode()) return std::nullopt;
      return input(code == '\r' ? "\r\n" : "\t");
    }
    if (code < 32) return std::nullopt;
    return input(std::string(1, static_cast<char>(code & 0xFF)));
  };
  auto control = [](unsigned char b) { return b < 32 || b == 0x7F; };

  switch (c.kind) {
    case Command::kTyped: {
      if (c.text.size() == 1) {
        const unsigned char b = static_cast<unsigned char>(c.text[0]);
        return b == '\r' || b == '\t' || !control(b) ? typedChar(b) : std::nullopt;
      }
      std::string kept;
      for (int i = 0, next = 0; i < static_cast<int>(c.text.size()); i = next) {
        next = cp932::NextCharStart(c.text, i);
        if (next > i + 1 || !control(static_cast<unsigned char>(c.text[static_cast<std::size_t>(i)])))
          kept += c.text.substr(static_cast<std::size_t>(i), static_cast<std::size_t>(next - i));
      }
      return kept.empty() ? std::nullopt : input(kept);
    }
    case Command::kChar:
      return typedChar(c.id);
    case Command::kInput:
      return input(c.text);
    case Command::kGoto:
    case Command::kWindow:
      return std::nullopt;
    case Command::kId:
      break;
  }
  switch (c.id) {
    case ID_BACKSPACE:
      return deleteStep(m.CharLeft(caret));
    case ID_WORD_BACKSPACE:
      return deleteStep(m.WordLeft(caret));
    case ID_EDIT_DELETE:
      return deleteStep(m.CharRight(caret));
    case ID_WORD_DELETE:
      return deleteStep(m.WordRight(caret));
    case ID_EDIT_CUT:
      return v.IsSelecting() ? deleteStep(caret) : std::nullopt;
    case ID_EDIT_PASTE:
      return input(clipboard);  // counted: a NUL byte is pasted like any other
    case ID_EDIT_UNDO:
    case ID_EDIT_REDO: {
      auto& from = c.id == ID_EDIT_UNDO ? m.undoStates : m.redoStates;
      auto& to = c.id == ID_EDIT_UNDO ? m.redoStates : m.undoStates;
      if (m.sharedHistory && !from.empty()) {
        to.push_back(m.lines);
        m.lines = from.back();
        from.pop_back();
      }
      return std::nullopt;
    }
    case ID_CLEAR_UNDO:
      m.undoStates.clear();
      m.redoStates.clear();
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

std::string Describe(const Command& c) {
  static const char* const kinds[] = {"command", "typed", "char", "input", "goto", "window"};
  return std::string(kinds[c.kind]) + " " + std::to_string(c.id) + " \"" + Readable(c.text) + "\" " +
         std::to_string(c.byte);
}

void Perform(CVeloView& v, const Command& c) {
  const auto action = static_cast<ScrollAction>(c.byte & 7);
  ColorTable colors = v.GetSettings().colors;
  colors[static_cast<int>(c.byte & 7) % ColorTable::Count] = static_cast<Color>(c.byte) * 0x10203u;
  if (c.kind == Command::kId) v.OnCommand(c.id);
  if (c.kind == Command::kTyped) v.OnTypedText(c.text);
  if (c.kind == Command::kChar) v.OnChar(c.id);
  if (c.kind == Command::kInput) v.InputText(c.text);
  if (c.kind == Command::kGoto) v.GoToLine(c.id, c.byte);
  if (c.kind != Command::kWindow) return;
  if (c.id == 0) v.OnVScroll(action, c.byte);
  if (c.id == 1) v.OnHScroll(action, c.byte);
  if (c.id == 2) v.ApplyTabSize(std::clamp(c.byte, 1, 9));
  if (c.id == 3) v.OnKillFocus();
  if (c.id == 4) v.OnSetFocus();
  if (c.id == 5) v.ApplyColors(colors);
}

// Runs c on v after applying it to the model and checks the view against the model; with
// watched, the repaint check runs over the step for that view.
::testing::AssertionResult Step(Model& m, CVeloView& v, FakeViewHost& host, const Command& c,
                                std::pair<CVeloView*, FakeViewHost*> watched) {
  const Spot caretBefore = SpotOf(v.Caret()), anchorBefore = SpotOf(v.SelAnchor());
  const int desiredBefore = v.DesiredColumn(), columnBefore = v.Caret().column;
  const bool wasSelecting = v.IsSelecting();
  const std::string clip = host.clipboard.value_or("");
  Spot selA = SpotOf(v.SelAnchor()), selB = SpotOf(v.SelEnd());
  if (selB < selA) std::swap(selA, selB);
  const std::string selected = wasSelecting ? m.Text(selA, selB) : clip;
  const std::optional<Move> move = c.kind == Command::kId ? MoveOf(m, v, c.id) : std::nullopt;
  const Lines before = m.lines;
  const std::optional<Spot> caretAfter = ApplyToModel(m, v, c, clip);
  v.GetDocument().SetModifiedFlag(false);
  if (watched.first) {
    if (auto r = RepaintsMatch(*watched.first, *watched.second, [&] { Perform(v, c); }); !r) return r;
  } else {
    Perform(v, c);
  }

  if (auto r = PositionsValid(v); !r) return r;
  const bool replay = c.kind == Command::kId && (c.id == ID_EDIT_UNDO || c.id == ID_EDIT_REDO);
  const Lines text = DocLines(v.GetDocument());
  if (replay && !m.sharedHistory) m.lines = text;  // the model keeps no histories of its own
  // What the model says of the view after the step, and what the view says, as text.
  std::string want = RenderMarked(m.lines, {}, {}), got = RenderMarked(text, {}, {});
  auto both = [&](const char* what, const auto& model, const auto& view) {
    want += what + (" " + ::testing::PrintToString(model)) + "\n";
    got += what + (" " + ::testing::PrintToString(view)) + "\n";
  };
  const Spot caretNow = SpotOf(v.Caret());
  if (m.lines != before) both("modified", true, v.GetDocument().IsModified());
  if (caretAfter) both("caret", *caretAfter, caretNow);
  if (move) {
    const int last = static_cast<int>(m.lines.size()) - 1;
    const Spot anchor = c.id == ID_EDIT_SELECT_ALL ? Spot{last, m.Size(last)}
                        : wasSelecting             ? anchorBefore
                                                   : caretBefore;
    const Spot none{-1, -1};
    both("caret", move->to, caretNow);
    both("selection", move->extend ? std::pair(anchor, caretNow) : std::pair(none, none),
         v.IsSelecting() ? std::pair(SpotOf(v.SelAnchor()), SpotOf(v.SelEnd())) : std::pair(none, none));
    both("remembered column", move->vertical ? desiredBefore : v.Caret().column, v.DesiredColumn());
  }
  if (c.kind == Command::kId && (c.id == ID_EDIT_COPY || c.id == ID_EDIT_CUT))
    both("clipboard", Readable(selected), Readable(host.clipboard.value_or("")));
  if (m.sharedHistory) {  // one view: its history is the model's; the window shows its caret
    both("steps", std::pair(m.undoStates.size(), m.redoStates.size()),
         std::pair(v.UndoList().size(), v.RedoList().size()));
    both("status", std::to_string(v.Caret().line + 1) + ": " + std::to_string(v.Caret().column + 1),
         host.status);
    both("caret point", std::pair(v.CaretPoint().x, v.CaretPoint().y),
         std::pair(host.caretPos.x, host.caretPos.y));
  }
  auto fail = [&] { return ::testing::AssertionFailure() << Describe(c) << ": "; };
  if (want != got) return fail() << "the model, then the view:\n" << want << "--\n" << got;
  if (!m.sharedHistory) return ::testing::AssertionSuccess();
  // Whatever moved the caret or changed the text brought the caret into view; scrolling may
  // leave it right or left.
  const TextPos &caret = v.Caret(), &origin = v.Origin();
  if (SpotOf(caret) == caretBefore && caret.column == columnBefore && m.lines == before)
    return ::testing::AssertionSuccess();
  const bool scrolls = c.kind == Command::kWindow || (move && move->vertical == 2);
  if (caret.line < origin.line || caret.line >= origin.line + std::max(v.VisibleLines(), 1) ||
      (!scrolls &&
       (caret.column < origin.column || caret.column > origin.column + std::max(v.VisibleColumns() - 2, 0))))
    return fail() << "caret " << caret.line << "," << caret.byteIndex << " column " << caret.column
                  << " outside the window at " << origin.line << "," << origin.column << " of "
                  << v.VisibleColumns() << "x" << v.VisibleLines();
  return ::testing::AssertionSuccess();
}

TEST(ModelEdit, RandomCommandSequencesMatchThePlainModel) {
  for (int seq = 0; seq < kSequences; ++seq) {
    std::mt19937 rng(static_cast<unsigned>(seq) * 7919u + 17u);
    const Lines start = RandomDocument(rng);
    // Mostly the usual window; now and then one too small to show a whole line or column.
    const bool tiny = rng() % 5 == 0;
    ViewRig rig(start, tiny ? static_cast<int>(rng() % 5) : 12, tiny ? static_cast<int>(rng() % 2) : 5);
    CVeloView& v = *rig.view;
    rig.settings.tabSize = 2 + static_cast<int>(rng() % 5);
    v.ApplyTabSize(rig.settings.tabSize);
    v.OnSetFocus();
    Model m;
    m.lines = start;
    Lines base = start;  // the text the undo history reaches back to
    std::string trail;
    for (int step = 0; step < kSteps; ++step) {
      if (rng() % 6 == 0)
        rig.host.clipboard = RandomText(rng, true) + (rng() % 5 ? "" : std::string("\0z", 2));
      const Command c = RandomCommand(rng, m.lines.size());
      trail += " | " + Describe(c);
      const bool watch = seq % 8 == 0;
      ASSERT_TRUE(Step(m, v, rig.host, c, {watch ? &v : nullptr, &rig.host}))
          << "sequence " << seq << " step " << step << "\nexpected:\n"
          << RenderMarked(m.lines, std::nullopt, std::nullopt) << "view:\n"
          << RenderView(v) << "steps:" << trail;
      if (c.kind == Command::kId && c.id == ID_CLEAR_UNDO) base = m.lines;
    }
    // Steps undone at the end are redone first, so that the history covers the whole way.
    while (!v.RedoList().empty()) v.Redo();
    const Lines final = DocLines(rig.doc);
    ASSERT_EQ(final, m.redoStates.empty() ? m.lines : m.redoStates.front()) << "sequence " << seq << ": redo";
    while (!v.UndoList().empty()) v.Undo();
    ASSERT_EQ(DocLines(rig.doc), base) << "sequence " << seq << ": undo of everything\n" << RenderView(v);
    ASSERT_TRUE(PositionsValid(v));
    while (!v.RedoList().empty()) v.Redo();
    ASSERT_EQ(DocLines(rig.doc), final) << "sequence " << seq << ": redo of everything\n" << RenderView(v);
    ASSERT_TRUE(PositionsValid(v));
  }
}

// Two views of one document editing in turn, each step checked against the model from the acting
// view's state, with the repaint check over the other view now and then. Undo in one view after
// the other edited is replayed on character boundaries; the model only follows the text there.
TEST(ModelEdit, TwoViewsEditingInTurnKeepEveryPositionValid) {
  for (int seq = 0; seq < kTwoViewSequences; ++seq) {
    std::mt19937 rng(static_cast<unsigned>(seq) * 104729u + 5u);
    const Lines start = RandomDocument(rng);
    ViewRig rig(start, 12, 5);
    FakeViewHost host2;
    std::unique_ptr<CVeloView> second = rig.AddView(host2);
    CVeloView* views[] = {rig.view.get(), second.get()};
    FakeViewHost* hosts[] = {&rig.host, &host2};
    views[0]->OnSetFocus();
    Model m;
    m.lines = start;
    m.sharedHistory = false;
    std::string trail;
    for (int step = 0; step < kSteps; ++step) {
      const int who = static_cast<int>(rng() % 2);
      if (rng() % 6 == 0) hosts[who]->clipboard = RandomText(rng, true);
      Command c = RandomCommand(rng, m.lines.size());
      // A tab width or colours the other view is not told of until the program tells it.
      if (c.kind == Command::kWindow && (c.id == 2 || c.id == 5)) c.id = 4;
      trail += " | view " + std::to_string(who) + " " + Describe(c);
      const bool watch = seq % 10 == 0;
      ASSERT_TRUE(Step(m, *views[who], *hosts[who], c, {watch ? views[1 - who] : nullptr, hosts[1 - who]}))
          << "sequence " << seq << " step " << step << "\n"
          << RenderMarked(m.lines, std::nullopt, std::nullopt) << trail;
      ASSERT_TRUE(PositionsValid(*views[1 - who])) << "the other view, sequence " << seq << " step " << step;
    }
    // Each history replays to its end without harm, whatever the other view did meanwhile.
    while (!views[1]->UndoList().empty()) views[1]->Undo();
    while (!views[0]->UndoList().empty()) views[0]->Undo();
    ASSERT_TRUE(PositionsValid(*views[0]));
    ASSERT_TRUE(PositionsValid(*views[1]));
  }
}

}  // namespace

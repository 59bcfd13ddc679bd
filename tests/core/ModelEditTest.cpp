// Seeded random sequences of the view's real commands, checked after every step against a
// plain model: a vector of lines edited by straightforward string operations from the view's
// caret and selection as they stood before the step, plus stacks of whole texts for undo and
// redo. Every step must also leave every position of every view valid. At the end, undoing
// everything must give back the starting bytes and redoing everything the final ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "EditSupport.h"
#include "RepaintCheck.h"
#include "ViewFakes.h"
#include "base/Cp932.h"
#include "res/CommandIds.h"

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
  friend bool operator==(const Spot&, const Spot&) = default;
  friend bool operator<(const Spot& a, const Spot& b) {
    return a.line < b.line || (a.line == b.line && a.byte < b.byte);
  }
};

bool IsWordByte(unsigned char b) {
  return (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
}

int NextBoundary(const std::string& s, int b) {
  const int size = static_cast<int>(s.size());
  if (b >= size) return size;
  return (cp932::IsLeadByte(static_cast<unsigned char>(s[static_cast<std::size_t>(b)])) && b + 1 < size)
             ? b + 2
             : b + 1;
}

int PrevBoundary(const std::string& s, int b) {
  int at = 0, prev = 0;
  while (at < b) {
    prev = at;
    at = NextBoundary(s, at);
  }
  return prev;
}

int SnapForward(const std::string& s, int b) {
  b = std::clamp(b, 0, static_cast<int>(s.size()));
  return ReferenceBoundary(s, b) ? b : b + 1;
}

// The plain model of one document.
struct Model {
  Lines lines;
  std::vector<Lines> undoStates;  // the text before each recorded step, oldest first
  std::vector<Lines> redoStates;
  bool sharedHistory = true;  // one view: the stacks are the view's history

  Spot CharLeft(Spot p) const {
    if (p.byte == 0) return p.line > 0 ? Spot{p.line - 1, static_cast<int>(lines[p.line - 1].size())} : p;
    return Spot{p.line, PrevBoundary(lines[p.line], p.byte)};
  }
  Spot CharRight(Spot p) const {
    const std::string& s = lines[p.line];
    if (p.byte >= static_cast<int>(s.size()))
      return p.line + 1 < static_cast<int>(lines.size()) ? Spot{p.line + 1, 0} : p;
    return Spot{p.line, NextBoundary(s, p.byte)};
  }
  Spot WordLeft(Spot p) const {
    p = CharLeft(p);
    const std::string& s = lines[p.line];
    if (p.byte <= 0 || p.byte >= static_cast<int>(s.size())) return p;
    while (IsWordByte(static_cast<unsigned char>(s[static_cast<std::size_t>(p.byte)]))) {
      p = CharLeft(p);
      if (p.byte == 0) break;
    }
    return p;
  }
  Spot WordRight(Spot p) const {
    p = CharRight(p);
    const std::string& s = lines[p.line];
    while (p.byte < static_cast<int>(s.size()) &&
           IsWordByte(static_cast<unsigned char>(s[static_cast<std::size_t>(p.byte)])))
      p = CharRight(p);
    return p;
  }

  std::string Text(Spot a, Spot b) const {
    std::string out;
    for (int l = a.line; l < b.line; ++l) {
      out += lines[l].substr(l == a.line ? static_cast<std::size_t>(a.byte) : 0) + "\r\n";
    }
    const std::size_t from = a.line == b.line ? static_cast<std::size_t>(a.byte) : 0;
    out += lines[b.line].substr(from, static_cast<std::size_t>(b.byte) - from);
    return out;
  }
  void Delete(Spot a, Spot b) {
    const std::string head = lines[a.line].substr(0, static_cast<std::size_t>(a.byte));
    const std::string tail = lines[b.line].substr(static_cast<std::size_t>(b.byte));
    lines.erase(lines.begin() + a.line + 1, lines.begin() + b.line + 1);
    lines[a.line] = head + tail;
  }
  // Returns where the inserted bytes end.
  Spot Insert(Spot at, const std::string& text) {
    const std::string tail = lines[at.line].substr(static_cast<std::size_t>(at.byte));
    lines[at.line].resize(static_cast<std::size_t>(at.byte));
    std::size_t i = 0;
    int line = at.line;
    for (std::size_t p = text.find("\r\n"); p != std::string::npos; p = text.find("\r\n", i)) {
      lines[line] += text.substr(i, p - i);
      lines.insert(lines.begin() + line + 1, std::string());
      ++line;
      i = p + 2;
    }
    lines[line] += text.substr(i);
    const Spot end{line, static_cast<int>(lines[line].size())};
    lines[line] += tail;
    return end;
  }
  void Record() {
    undoStates.push_back(lines);
    redoStates.clear();
  }
};

Spot SpotOf(const TextPos& p) { return Spot{p.line, p.byteIndex}; }

// Text a user might bring in: ASCII with TeX's favourite bytes, kanji whose trail bytes are
// traps, half-width katakana, tabs, lone CR and LF, and line breaks.
std::string RandomText(std::mt19937& rng, bool withBreaks) {
  static const char* const pieces[] = {"a",        "Z",  "7",  " ",   "\\", "{", "}", "@", "[", "]",
                                       "\x95\x5C",  // 表
                                       "\x94\x5C",  // 能
                                       "\x88\x9F",  // 亜
                                       "\x94\x7B",  // 倍
                                       "\x93\x7D",  // 党
                                       "\x8B\x40",  // 機
                                       "\x90\x5B",  // 深
                                       "\x93\x5D",  // 転
                                       "\x8B\x41",  // 帰
                                       "\x93\x61",  // 殿
                                       "\x83\x41",  // ア
                                       "\xB1",      // half-width katakana
                                       "\t",       "\r", "\n", "\r\n"};
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
  enum Kind { kId, kTyped, kChar, kInput, kGoto } kind = kId;
  int id = 0;  // kId: the command; kChar: the code
  std::string text;
  int a = 0, b = 0;  // kGoto: line and byte index
};

Command Make(Command::Kind kind, int id, std::string text = {}) {
  Command c;
  c.kind = kind;
  c.id = id;
  c.text = std::move(text);
  return c;
}

Command RandomCommand(std::mt19937& rng, int lineCount) {
  static const int moves[] = {ID_LINE_UP,        ID_LINE_UP_EXTEND,    ID_SCROLL_UP,   ID_SCROLL_UP_EXTEND,
                              ID_LINE_DOWN,      ID_LINE_DOWN_EXTEND,  ID_SCROLL_DOWN, ID_SCROLL_DOWN_EXTEND,
                              ID_CHAR_LEFT,      ID_CHAR_LEFT_EXTEND,  ID_WORD_LEFT,   ID_WORD_LEFT_EXTEND,
                              ID_CHAR_RIGHT,     ID_CHAR_RIGHT_EXTEND, ID_WORD_RIGHT,  ID_WORD_RIGHT_EXTEND,
                              ID_LINE_START,     ID_LINE_START_EXTEND, ID_DOC_START,   ID_DOC_START_EXTEND,
                              ID_LINE_END,       ID_LINE_END_EXTEND,   ID_DOC_END,     ID_DOC_END_EXTEND,
                              ID_PAGE_UP,        ID_PAGE_UP_EXTEND,    ID_PAGE_DOWN,   ID_PAGE_DOWN_EXTEND,
                              ID_EDIT_SELECT_ALL};
  static const int edits[] = {ID_BACKSPACE, ID_WORD_BACKSPACE, ID_EDIT_DELETE,     ID_WORD_DELETE,
                              ID_EDIT_UNDO, ID_EDIT_UNDO,      ID_EDIT_REDO,       ID_EDIT_COPY,
                              ID_EDIT_CUT,  ID_EDIT_PASTE,     ID_TOGGLE_OVERWRITE};
  const unsigned pick = rng() % 100;
  if (pick < 30) return Make(Command::kId, moves[rng() % std::size(moves)]);
  if (pick < 55) return Make(Command::kId, edits[rng() % std::size(edits)]);
  if (pick < 70) return Make(Command::kTyped, 0, RandomText(rng, false).substr(0, 2 + rng() % 2));
  if (pick < 78)
    return Make(Command::kChar, static_cast<int>(rng() % 3 == 0 ? rng() % 256 : (rng() % 2 ? 13 : 9)));
  if (pick < 93) return Make(Command::kInput, 0, RandomText(rng, true));
  if (pick < 99) {
    Command c = Make(Command::kGoto, 0);
    c.a = static_cast<int>(rng() % (lineCount + 3)) - 1;
    c.b = static_cast<int>(rng() % 12) - 1;
    return c;
  }
  return Make(Command::kId, ID_CLEAR_UNDO);
}

// What the model expects of one command on view v (its state before the command).
void ApplyToModel(Model& m, const CVeloView& v, const Command& c, const std::string& clipboard) {
  const Spot caret = SpotOf(v.caret);
  Spot selA = SpotOf(v.selAnchor), selB = SpotOf(v.selEnd);
  if (selB < selA) std::swap(selA, selB);

  auto input = [&](const std::string& text) {
    Spot at = caret;
    if (v.overwriteMode) {
      const std::string& s = m.lines[caret.line];
      const int end =
          std::min<long long>(static_cast<long long>(caret.byte) + ReferenceWidth(text, v.TabWidth()),
                              static_cast<long long>(s.size()));
      m.Record();
      m.Delete(caret, Spot{caret.line, SnapForward(s, end)});
    } else if (v.selecting) {
      m.Record();
      m.Delete(selA, selB);
      at = selA;
    }
    m.Record();
    m.Insert(at, text);
  };
  auto deleteStep = [&](Spot to) {
    Spot a = v.selecting ? selA : std::min(caret, to);
    Spot b = v.selecting ? selB : std::max(caret, to);
    m.Record();
    m.Delete(a, b);
  };
  auto typedChar = [&](int code) {
    if (code == '\r') {
      if (!v.overwriteMode) input("\r\n");
    } else if (code == '\t') {
      if (!v.overwriteMode) input("\t");
    } else if (code >= 32) {
      input(std::string(1, static_cast<char>(code & 0xFF)));
    }
  };

  switch (c.kind) {
    case Command::kTyped: {
      auto control = [](unsigned char b) { return b < 32 || b == 0x7F; };
      if (c.text.size() == 1) {
        const unsigned char b = static_cast<unsigned char>(c.text[0]);
        if (b == '\r' || b == '\t' || !control(b)) typedChar(b);
        return;
      }
      std::string kept;
      for (int i = 0; i < static_cast<int>(c.text.size());) {
        const int next = cp932::NextCharStart(c.text, i);
        if (!(next == i + 1 && control(static_cast<unsigned char>(c.text[static_cast<std::size_t>(i)]))))
          kept += c.text.substr(static_cast<std::size_t>(i), static_cast<std::size_t>(next - i));
        i = next;
      }
      if (!kept.empty()) input(kept);
      return;
    }
    case Command::kChar:
      return typedChar(c.id);
    case Command::kInput:
      return input(c.text);
    case Command::kGoto:
      return;
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
      if (v.selecting) deleteStep(caret);
      return;
    case ID_EDIT_PASTE:
      return input(clipboard.substr(0, clipboard.find('\0')));
    case ID_EDIT_UNDO:
      if (m.sharedHistory && !m.undoStates.empty()) {
        m.redoStates.push_back(m.lines);
        m.lines = m.undoStates.back();
        m.undoStates.pop_back();
      }
      return;
    case ID_EDIT_REDO:
      if (m.sharedHistory && !m.redoStates.empty()) {
        m.undoStates.push_back(m.lines);
        m.lines = m.redoStates.back();
        m.redoStates.pop_back();
      }
      return;
    case ID_CLEAR_UNDO:
      m.undoStates.clear();
      m.redoStates.clear();
      return;
    default:
      return;
  }
}

void RunCommand(CVeloView& v, const Command& c) {
  switch (c.kind) {
    case Command::kId:
      v.OnCommand(c.id);
      break;
    case Command::kTyped:
      v.OnTypedText(c.text);
      break;
    case Command::kChar:
      v.OnChar(c.id);
      break;
    case Command::kInput:
      v.InputText(c.text);
      break;
    case Command::kGoto:
      v.GoToLine(c.a, c.b);
      break;
  }
}

std::string Describe(const Command& c) {
  switch (c.kind) {
    case Command::kId:
      return "command " + std::to_string(c.id);
    case Command::kTyped:
      return "typed \"" + Readable(c.text) + "\"";
    case Command::kChar:
      return "char " + std::to_string(c.id);
    case Command::kInput:
      return "input \"" + Readable(c.text) + "\"";
    case Command::kGoto:
      return "goto " + std::to_string(c.a) + " " + std::to_string(c.b);
  }
  return "?";
}

std::string Show(const Lines& lines) {
  std::string out;
  for (const std::string& l : lines) out += Readable(l) + "\n";
  return out;
}

// MODEL_TRACE=<sequence> prints that sequence's steps and replayed records to stderr.
bool Traced(int seq) {
  const char* env = std::getenv("MODEL_TRACE");
  return env && std::atoi(env) == seq;
}

void TraceStep(const CVeloView& v, const std::string& what) {
  std::fprintf(stderr, "%s selecting=%d anchor=%d,%d end=%d,%d overwrite=%d\n%s", what.c_str(), v.selecting,
               v.selAnchor.line, v.selAnchor.byteIndex, v.selEnd.line, v.selEnd.byteIndex, v.overwriteMode,
               RenderView(v).c_str());
}

void TraceRecord(const CVeloView& v, const char* what, const UndoRecord& r) {
  std::fprintf(stderr, "%s kind %d start %d,%d end %d,%d text \"%s\"\n%s", what, r.kind, r.start.line,
               r.start.byteIndex, r.end.line, r.end.byteIndex, Readable(r.text).c_str(),
               RenderView(v).c_str());
}

TEST(ModelEdit, RandomCommandSequencesMatchThePlainModel) {
  for (int seq = 0; seq < kSequences; ++seq) {
    std::mt19937 rng(static_cast<unsigned>(seq) * 7919u + 17u);
    const Lines start = RandomDocument(rng);
    ViewRig rig(start, 12, 5);
    CVeloView& v = *rig.view;
    rig.settings.tabSize = 2 + static_cast<int>(rng() % 5);
    v.ApplyTabSize(rig.settings.tabSize);
    v.OnSetFocus();
    Model m;
    m.lines = start;
    Lines base = start;  // the text the undo history reaches back to
    const bool checkRepaints = seq % 8 == 0;
    std::vector<std::string> trail;

    for (int step = 0; step < kSteps; ++step) {
      if (rng() % 6 == 0) rig.host.clipboard = RandomText(rng, true);
      const Command c = RandomCommand(rng, static_cast<int>(m.lines.size()));
      trail.push_back(Describe(c));
      const std::string clip = rig.host.clipboard.value_or("");
      const Spot before = SpotOf(v.caret);
      if (Traced(seq)) TraceStep(v, "step " + std::to_string(step) + " " + Describe(c));
      const bool wasSelecting = v.selecting;
      ApplyToModel(m, v, c, clip);
      if (c.kind == Command::kId && c.id == ID_CLEAR_UNDO) base = m.lines;
      if (checkRepaints) {
        ASSERT_TRUE(RepaintsMatch(v, rig.host, [&] { RunCommand(v, c); }))
            << "sequence " << seq << " step " << step;
      } else {
        RunCommand(v, c);
      }

      const auto where = [&] {
        std::string t =
            "sequence " + std::to_string(seq) + " step " + std::to_string(step) + " " + trail.back();
        t += "\nexpected:\n" + Show(m.lines) + "view:\n" + RenderView(v) + "steps:";
        for (const std::string& s : trail) t += " | " + s;
        return t;
      };
      ASSERT_TRUE(PositionsValid(v)) << where();
      ASSERT_EQ(LinesOf(rig.doc), m.lines) << where();
      ASSERT_EQ(v.undoList.size(), m.undoStates.size()) << where();
      ASSERT_EQ(v.redoList.size(), m.redoStates.size()) << where();
      // A plain step starts from the caret, wherever the selection was.
      if (c.kind == Command::kId && (c.id == ID_CHAR_LEFT || c.id == ID_CHAR_RIGHT)) {
        const Spot want = c.id == ID_CHAR_LEFT ? m.CharLeft(before) : m.CharRight(before);
        ASSERT_EQ(SpotOf(v.caret), want) << where();
      }
      if (c.kind == Command::kId && c.id == ID_EDIT_COPY && wasSelecting) {
        ASSERT_EQ(rig.host.clipboard.value_or(""), v.GetSelectedText()) << where();
      }
    }

    // Steps undone at the end are redone first, so that the history covers the whole way.
    while (!m.redoStates.empty()) {
      v.Redo();
      m.undoStates.push_back(m.lines);
      m.lines = m.redoStates.back();
      m.redoStates.pop_back();
    }
    ASSERT_EQ(LinesOf(rig.doc), m.lines) << "sequence " << seq << ": redo of what was undone last";
    const Lines final = m.lines;
    while (!v.undoList.empty()) {
      if (Traced(seq)) TraceRecord(v, "undo", v.undoList.back());
      v.Undo();
    }
    ASSERT_EQ(LinesOf(rig.doc), base) << "sequence " << seq << ": undo of everything\n" << RenderView(v);
    ASSERT_TRUE(PositionsValid(v));
    while (!v.redoList.empty()) {
      if (Traced(seq)) TraceRecord(v, "redo", v.redoList.back());
      v.Redo();
    }
    ASSERT_EQ(LinesOf(rig.doc), final) << "sequence " << seq << ": redo of everything\n" << RenderView(v);
    ASSERT_TRUE(PositionsValid(v));
  }
}

// Two views of one document editing in turn: every step is checked against the model from the
// acting view's state, and both views' positions must stay valid. Undo in one view after the
// other edited is replayed on character boundaries; the model only follows the text there.
TEST(ModelEdit, TwoViewsEditingInTurnKeepEveryPositionValid) {
  for (int seq = 0; seq < kTwoViewSequences; ++seq) {
    std::mt19937 rng(static_cast<unsigned>(seq) * 104729u + 5u);
    const Lines start = RandomDocument(rng);
    ViewRig rig(start, 12, 5);
    FakeViewHost host2;
    host2.client = rig.host.client;
    auto second = std::make_unique<CVeloView>(rig.doc, rig.settings, host2);
    second->OnInitialUpdate();
    CVeloView* views[] = {rig.view.get(), second.get()};
    FakeViewHost* hosts[] = {&rig.host, &host2};
    views[0]->OnSetFocus();
    Model m;
    m.lines = start;
    m.sharedHistory = false;
    std::vector<std::string> trail;

    for (int step = 0; step < kSteps; ++step) {
      const int who = static_cast<int>(rng() % 2);
      CVeloView& v = *views[who];
      if (rng() % 6 == 0) hosts[who]->clipboard = RandomText(rng, true);
      const Command c = RandomCommand(rng, static_cast<int>(m.lines.size()));
      trail.push_back("view " + std::to_string(who) + " " + Describe(c));
      const bool replay = c.kind == Command::kId && (c.id == ID_EDIT_UNDO || c.id == ID_EDIT_REDO);
      ApplyToModel(m, v, c, hosts[who]->clipboard.value_or(""));
      if (seq % 10 == 0) {
        ASSERT_TRUE(RepaintsMatch(*views[1 - who], *hosts[1 - who], [&] { RunCommand(v, c); }))
            << "the other view, sequence " << seq << " step " << step;
      } else {
        RunCommand(v, c);
      }
      if (replay) m.lines = LinesOf(rig.doc);
      const auto where = [&] {
        std::string t =
            "sequence " + std::to_string(seq) + " step " + std::to_string(step) + "\n" + Show(m.lines);
        for (const std::string& s : trail) t += " | " + s;
        return t;
      };
      ASSERT_TRUE(PositionsValid(*views[0])) << "view 0 " << where();
      ASSERT_TRUE(PositionsValid(*views[1])) << "view 1 " << where();
      ASSERT_EQ(LinesOf(rig.doc), m.lines) << where();
    }
    // Each history replays to its end without harm, whatever the other view did meanwhile.
    while (!views[1]->undoList.empty()) views[1]->Undo();
    while (!views[0]->undoList.empty()) views[0]->Undo();
    ASSERT_TRUE(PositionsValid(*views[0]));
    ASSERT_TRUE(PositionsValid(*views[1]));
    second.reset();
  }
}

}  // namespace

// Search and replace all on seeded random code page 932 documents, against small references
// that are obviously right:
// - Find against a walk of each line character by character, comparing at every character;
// - ReplaceAll against the loop it stands for, Find and ReplaceSelection in turn through a
//   second, identical view: the same bytes, caret, selection, origin and remembered column, and
//   the same undo and redo records field by field. Undoing every step must then give back the
//   starting bytes, and redoing them the replaced ones.
// Documents hold kanji whose trail bytes are "\" (表 95 5C) and "|" (竹 92 7C), kanji of two
// lead bytes (亜 88 9F), half-width katakana, tabs, empty lines and lone lead bytes at line
// ends; some are read from one buffer as a file is (lines sharing its bytes), some hold the
// bytes CR LF inside a line.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "EditSupport.h"
#include "RepaintCheck.h"
#include "ViewFakes.h"
#include "base/Cp932.h"

namespace {

#ifdef MIREV_UNDER_SANITIZER
constexpr int kFindRuns = 1500;
constexpr int kReplaceRuns = 600;
#else
constexpr int kFindRuns = 4000;
constexpr int kReplaceRuns = 2000;
#endif

using Lines = std::vector<std::string>;

const std::string kBamboo7C = "\x92\x7C";  // 竹
const std::string kHiragana = "\x82\xA0";  // あ
const std::string kHalfWidth = "\xB1";     // ｱ

struct Random {
  explicit Random(unsigned seed) : rng(seed) {}
  int Pick(int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); }
  bool Chance(int percent) { return Pick(100) < percent; }
  template <class T>
  const T& Of(const std::vector<T>& items) {
    return items[static_cast<std::size_t>(Pick(static_cast<int>(items.size())))];
  }
  std::mt19937 rng;
};

// breaksInside: lines may hold the bytes CR LF themselves.
Lines RandomText(Random& r, bool breaksInside) {
  std::vector<std::string> pieces = {"a", "a",  "b",      "\\",      "|",      "*",       "\t",
                                     " ", "\r", kKanji5C, kBamboo7C, kKanji9F, kHiragana, kHalfWidth};
  if (breaksInside) pieces.push_back("\r\n");
  // Now and then enough lines that a search covers them in several runs of the file's buffer.
  Lines lines(static_cast<std::size_t>(r.Chance(5) ? 100 + r.Pick(100) : 1 + r.Pick(14)));
  for (std::string& line : lines) {
    for (int n = r.Pick(10); n > 0; --n) line += r.Of(pieces);
    if (r.Chance(15)) line += "\x88";  // a lone lead byte ends the line
  }
  return lines;
}

std::string RandomSearch(Random& r, const Lines& lines) {
  // Mostly bytes the text holds, from any byte (a trail byte too), so that most searches hit.
  const std::string& line = r.Of(lines);
  if (!line.empty() && r.Chance(60)) {
    const int at = r.Pick(static_cast<int>(line.size()));
    return line.substr(static_cast<std::size_t>(at), static_cast<std::size_t>(1 + r.Pick(3)));
  }
  // Line breaks too: in a text read from a file they lie between the lines' bytes, never in them.
  const std::vector<std::string> texts = {"a", "\\",     "|", "ab",   "\x9F\x88", "\x88", "\t",   "a\t",
                                          "*", kKanji5C, "x", "\r\n", "\r",       "\n",   "\r\r", "a\r\n"};
  return r.Of(texts);
}

std::string RandomReplacement(Random& r, const std::string& search) {
  const std::vector<std::string> texts = {
      "",       "x",    "aa",   search,   search + search, "<" + search + ">", "\r\n",
      "a\r\nb", "\x88", "\t\t", kKanji5C, "\\\\",          "\r\n\x88",         "a\tb"};
  return r.Of(texts);
}

// A view on lines in a small window, so that replacements scroll it. Read from one buffer, as a
// file is, unless the lines hold CR LF; then a few lines are given bytes of their own.
std::unique_ptr<ViewRig> MakeRig(const Lines& lines, bool fromBuffer, int columns, int rows, Random& r) {
  auto rig = std::make_unique<ViewRig>(lines, columns, rows, 3);
  if (fromBuffer) {
    std::string image;
    for (const std::string& l : lines) image += l + "\r\n";
    ByteBlock* block = ByteBlock::Allocate(image.size());
    std::memcpy(block->Data(), image.data(), image.size());
    rig->doc.LoadLines(block, image.size());
    block->Unref();
    for (LineNode* n = rig->doc.FirstLine(); n; n = n->next)
      if (r.Chance(15)) rig->doc.ReplaceLine(n, ByteString(n->text.View()));
    rig->view->OnInitialUpdate();
  }
  rig->view->OnSetFocus();
  return rig;
}

// The state a replace all leaves, as text: two views agree when their texts are equal.
std::string PosText(const TextPos& p) {
  return std::to_string(p.line) + ":" + std::to_string(p.column) + ":" + std::to_string(p.byteIndex);
}

std::string RecordText(const UndoRecord& record) {
  std::ostringstream out;
  out << (record.kind == UndoRecord::Kind::Deletion ? "D " : "I ") << PosText(record.start) << " "
      << PosText(record.end) << " '" << Readable(record.text) << "' [";
  for (std::size_t b : record.lineBreaks) out << b << " ";
  out << "] e" << record.epoch << (record.start.node || record.end.node ? " with nodes" : "") << "\n";
  return out.str();
}

std::string StateText(const CVeloView& v) {
  std::ostringstream out;
  for (const std::string& line : LinesOf(v.GetDocument())) out << Readable(line) << "\n";
  out << "caret " << PosText(v.Caret()) << " desired " << v.DesiredColumn() << "\n";
  out << "selecting " << v.IsSelecting() << " anchor " << PosText(v.SelAnchor()) << " end "
      << PosText(v.SelEnd()) << "\n";
  out << "origin " << PosText(v.Origin()) << " modified " << v.GetDocument().IsModified() << "\n";
  out << "undo\n";
  for (const UndoRecord& record : v.UndoList()) out << RecordText(record);
  out << "redo\n";
  for (const UndoRecord& record : v.RedoList()) out << RecordText(record);
  return out.str();
}

// The selection's ends keep the nodes of their lines even while nothing is selected.
::testing::AssertionResult SelectionNodesValid(const CVeloView& v) {
  for (const TextPos* p : {&v.SelAnchor(), &v.SelEnd()}) {
    LineNode* node = v.GetDocument().FirstLine();
    for (int i = 0; node && i < p->line; ++i) node = node->next;
    if (node != p->node) return ::testing::AssertionFailure() << "a selection end on line " << p->line;
  }
  return ::testing::AssertionSuccess();
}

// Where Find must land, found by walking each line a character at a time.
struct Expected {
  bool found = false;
  int line = 0;
  int anchor = 0;
  int caret = 0;
};

Expected WalkFind(const Lines& lines, int line, int byte, const std::string& text, bool forward, int tab) {
  auto inLine = [&](const std::string& s, int from) {
    for (int i = from; i + static_cast<int>(text.size()) <= static_cast<int>(s.size());
         i = cp932::NextCharStart(s, i)) {
      if (s.compare(static_cast<std::size_t>(i), text.size(), text) == 0) return i;
    }
    return -1;
  };
  const int count = static_cast<int>(lines.size());
  for (int l = line, from = byte; l >= 0 && l < count; l += forward ? 1 : -1, from = 0) {
    const std::string& s = lines[static_cast<std::size_t>(l)];
    if (const int k = inLine(s, from); k >= 0)
      return {true, l, k, CharWalk(s, tab).AtByte(k + static_cast<int>(text.size())).first};
  }
  if (!forward) return {false, 0, 0, 0};
  return {false, count - 1, 0, static_cast<int>(lines.back().size())};
}

TEST(SearchDiff, FindLandsWhereTheCharacterWalkFindsTheText) {
  for (int run = 0; run < kFindRuns; ++run) {
    Random r(static_cast<unsigned>(run));
    const bool breaksInside = r.Chance(30);
    const Lines lines = RandomText(r, breaksInside);
    std::unique_ptr<ViewRig> rig = MakeRig(lines, !breaksInside, 12, 4, r);
    CVeloView& v = *rig->view;
    v.PlaceCaret(r.Pick(static_cast<int>(lines.size())), r.Pick(12), false);
    for (int step = 0; step < 4; ++step) {
      const std::string text = RandomSearch(r, lines);
      const bool forward = r.Chance(60);
      const Expected want = WalkFind(lines, v.Caret().line, v.Caret().byteIndex, text, forward, v.TabWidth());
      const std::string context = "run " + std::to_string(run) + " step " + std::to_string(step) + " " +
                                  (forward ? "forward" : "backward") + " '" + Readable(text) + "' from\n" +
                                  RenderView(v);
      ASSERT_EQ(v.Find(text, forward), want.found) << context;
      ASSERT_TRUE(PositionsValid(v)) << context;
      ASSERT_EQ(v.IsSelecting(), want.found) << context;
      const int caretByte = want.found ? want.caret : (forward ? want.caret : 0);
      ASSERT_EQ(RenderView(v),
                RenderMarked(lines, std::pair(want.line, caretByte),
                             want.found ? Mark(std::pair(want.line, want.anchor)) : std::nullopt))
          << context;
      ASSERT_EQ(v.DesiredColumn(), v.Caret().column) << context;
    }
  }
}

// The literal loop, through the view's own operations.
void ReplaceAllLiterally(CVeloView& v, const std::string& search, const std::string& replacement) {
  while (v.Find(search, true)) v.ReplaceSelection(replacement);
}

TEST(SearchDiff, ReplaceAllEndsAsFindAndReplaceSelectionInTurn) {
  int replacements = 0;
  for (int run = 0; run < kReplaceRuns; ++run) {
    Random text(static_cast<unsigned>(run) * 7919u);
    const bool breaksInside = text.Chance(30);
    const Lines lines = RandomText(text, breaksInside);
    const std::string search = RandomSearch(text, lines);
    const std::string replacement = RandomReplacement(text, search);
    const int columns = 4 + text.Pick(16);
    const int rows = 1 + text.Pick(6);
    const int tab = 1 + text.Pick(8);
    const bool otherView = text.Chance(25);

    // The same steps on two identical views.
    struct Side {
      std::unique_ptr<ViewRig> rig;
      FakeViewHost otherHost;
      std::unique_ptr<CVeloView> other;
    };
    Side fast, literal;
    const auto setupSeed = static_cast<unsigned>(text.rng());
    for (Side* side : {&fast, &literal}) {
      Random r(setupSeed);
      side->rig = MakeRig(lines, !breaksInside, columns, rows, r);
      CVeloView& v = *side->rig->view;
      side->rig->view->ApplyTabSize(tab);
      if (r.Chance(40)) v.ToggleOverwrite();
      if (r.Chance(30)) {  // an undone edit: the redo list is not empty, replay mode is on
        v.PlaceCaret(r.Pick(20), r.Pick(9), false);
        v.OnTypedText(r.Chance(50) ? "q" : "q\r\nq");
        v.Undo();
      }
      v.PlaceCaret(r.Pick(20), r.Pick(12), false);
      if (r.Chance(50)) v.CenterCaret();
      if (r.Chance(30)) v.ScrollDown(r.Pick(4), false);
      if (r.Chance(30)) v.PlaceCaret(r.Pick(20), r.Pick(12), true);
      if (otherView) {
        side->other = side->rig->AddView(side->otherHost);
        side->other->PlaceCaret(r.Pick(20), r.Pick(12), r.Chance(50));
      }
    }
    const std::string context =
        "run " + std::to_string(run) + ": '" + Readable(search) + "' by '" + Readable(replacement) + "'" +
        (fast.rig->view->IsOverwriteMode() ? " overwriting" : "") + " from\n" + RenderView(*fast.rig->view);
    ASSERT_EQ(StateText(*fast.rig->view), StateText(*literal.rig->view)) << context;

    CVeloView& v = *fast.rig->view;
    const std::size_t undoBefore = v.UndoList().size();
    const Lines before = LinesOf(fast.rig->doc);
    ASSERT_TRUE(RepaintsMatch(v, fast.rig->host, [&] { v.ReplaceAll(search, replacement); })) << context;
    ReplaceAllLiterally(*literal.rig->view, search, replacement);
    ASSERT_EQ(StateText(v), StateText(*literal.rig->view)) << context;
    ASSERT_TRUE(PositionsValid(v)) << context;
    ASSERT_TRUE(SelectionNodesValid(v)) << context;
    if (fast.other) {
      ASSERT_TRUE(PositionsValid(*fast.other)) << context;
    }
    replacements += static_cast<int>(v.UndoList().size() - undoBefore);

    // Every step undone gives back the text before, every step redone the text after.
    const Lines after = LinesOf(fast.rig->doc);
    const std::size_t steps = v.UndoList().size() - undoBefore;
    for (std::size_t i = 0; i < steps; ++i) v.Undo();
    ASSERT_TRUE(PositionsValid(v)) << context;
    ASSERT_EQ(LinesOf(fast.rig->doc), before) << context;
    for (std::size_t i = 0; i < steps; ++i) v.Redo();
    ASSERT_EQ(LinesOf(fast.rig->doc), after) << context;
  }
  EXPECT_GT(replacements, kReplaceRuns);  // the runs replaced something
}

}  // namespace

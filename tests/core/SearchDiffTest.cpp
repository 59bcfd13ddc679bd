// Find and ReplaceAll on seeded random code page 932 documents, against references that are
// plainly right: Find against a walk of each line a character at a time; ReplaceAll against the
// loop it stands for, Find and ReplaceSelection in turn on a second, identical view, which must
// end with the same bytes, caret, selection, origin, remembered column and undo and redo records,
// field by field. Undoing the replace all's steps gives the bytes before, redoing them the bytes
// after. Texts hold kanji ending in "\" (表) and "|" (竹), 亜 (two lead bytes), half-width kana,
// tabs, CR, empty lines and lone lead bytes at line ends; most are read from one buffer as a
// file is, the rest hold the bytes CR LF inside lines.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "ViewFakes.h"
#include "base/Cp932.h"

namespace {

#ifdef MIREV_UNDER_SANITIZER
constexpr int kRuns = 700;
#else
constexpr int kRuns = 2500;
#endif

using Lines = std::vector<std::string>;

struct Random {
  explicit Random(unsigned seed) : rng(seed) {}
  int Pick(int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); }
  bool Chance(int percent) { return Pick(100) < percent; }
  std::string Of(const std::vector<std::string>& items) {
    return items[static_cast<std::size_t>(Pick(int(items.size())))];
  }
  std::mt19937 rng;
};

Lines RandomText(Random& r, bool breaksInside) {
  std::vector<std::string> pieces = {"a", "A",  "b",      "\\",       "|",      "*",        "\t",
                                     " ", "\r", kKanji5C, "\x92\x7C", kKanji9F, "\x82\xA0", "\xB1"};
  if (breaksInside) pieces.push_back("\r\n");
  // Now and then enough lines for a search to cover them in several runs of the file's buffer.
  Lines lines(static_cast<std::size_t>(r.Chance(5) ? 100 + r.Pick(100) : 1 + r.Pick(14)));
  for (std::string& line : lines) {
    for (int n = r.Pick(10); n > 0; --n) line += r.Of(pieces);
    if (r.Chance(15)) line += "\x88";
  }
  return lines;
}

// Mostly bytes from the text, from any byte, a trail byte too; or breaks, which lie between the
// lines of a file's buffer and never in them.
std::string RandomSearch(Random& r, const Lines& lines) {
  const std::string line = r.Of(lines);
  if (!line.empty() && r.Chance(60))
    return line.substr(static_cast<std::size_t>(r.Pick(int(line.size()))),
                       static_cast<std::size_t>(1 + r.Pick(3)));
  return r.Of(
      {"a", "\\", "|", "ab", "\x9F\x88", "\x88", "a\t", kKanji5C, "x", "\r\n", "\r", "\n", "\r\r", "a\r\n"});
}

std::unique_ptr<ViewRig> MakeRig(const Lines& lines, bool fromBuffer, int columns, int rows, Random& r) {
  auto rig = std::make_unique<ViewRig>(lines, columns, rows, 3);
  if (fromBuffer) {  // as a file is read; a few lines then get bytes of their own
    std::string image;
    for (const std::string& l : lines) image += l + "\r\n";
    LoadText(rig->doc, image);
    for (LineNode* n = rig->doc.FirstLine(); n; n = n->next)
      if (r.Chance(15)) rig->doc.ReplaceLine(n, ByteString(n->text.View()));
    rig->view->OnInitialUpdate();
  }
  rig->view->OnSetFocus();
  return rig;
}

std::string Pos(const TextPos& p) {
  return std::to_string(p.line) + ":" + std::to_string(p.column) + ":" + std::to_string(p.byteIndex) +
         (p.node ? " " : "- ");
}

// Everything a replace all must leave as the loop does, as text.
std::string State(const CVeloView& v) {
  std::string out = RenderView(v) + Pos(v.Caret()) + std::to_string(v.DesiredColumn()) + " " +
                    std::to_string(v.IsSelecting()) + Pos(v.SelAnchor()) + Pos(v.SelEnd()) + Pos(v.Origin());
  for (const auto* list : {&v.UndoList(), &v.RedoList()}) {
    out += "\n--";
    for (const UndoRecord& r : *list)
      out += "\n" + std::to_string(r.kind == UndoRecord::Kind::Deletion) + Pos(r.start) + Pos(r.end) + "'" +
             Readable(r.text) + "' " + std::to_string(r.lineBreaks.size()) + " " + std::to_string(r.epoch);
  }
  return out;
}

TEST(SearchDiff, FindLandsWhereTheCharacterWalkFindsTheText) {
  for (int run = 0; run < kRuns; ++run) {
    Random r(static_cast<unsigned>(run));
    const bool breaksInside = r.Chance(30);
    const Lines lines = RandomText(r, breaksInside);
    std::unique_ptr<ViewRig> rig = MakeRig(lines, !breaksInside, 12, 4, r);
    CVeloView& v = *rig->view;
    v.PlaceCaret(r.Pick(int(lines.size())), r.Pick(12), false);
    for (int step = 0; step < 4; ++step) {
      const std::string text = RandomSearch(r, lines);
      const bool forward = r.Chance(60);
      // The walk: the caret's line from the caret, then whole lines in the direction.
      Mark caret{std::pair(forward ? int(lines.size()) - 1 : 0, forward ? int(lines.back().size()) : 0)},
          anchor;
      for (int l = v.Caret().line, from = v.Caret().byteIndex; !anchor && l >= 0 && l < int(lines.size());
           l += forward ? 1 : -1, from = 0) {
        const std::string& s = lines[static_cast<std::size_t>(l)];
        for (int i = from; !anchor && i + int(text.size()) <= int(s.size()); i = cp932::NextCharStart(s, i))
          if (s.compare(static_cast<std::size_t>(i), text.size(), text) == 0) {
            anchor = std::pair(l, i);
            caret = std::pair(l, CharWalk(s, v.TabWidth()).AtByte(i + int(text.size())).first);
          }
      }
      const std::string context = "run " + std::to_string(run) + (forward ? " forward '" : " backward '") +
                                  Readable(text) + "' from\n" + RenderView(v);
      ASSERT_EQ(v.Find(text, forward), anchor.has_value()) << context;
      ASSERT_EQ(RenderView(v), RenderMarked(lines, caret, anchor)) << context;
      ASSERT_TRUE(PositionsValid(v)) << context;
      ASSERT_EQ(v.DesiredColumn(), v.Caret().column) << context;
    }
  }
}

TEST(SearchDiff, ReplaceAllEndsAsFindAndReplaceSelectionInTurn) {
  std::size_t steps = 0;
  for (int run = 0; run < kRuns; ++run) {
    Random text(static_cast<unsigned>(run) * 7919u);
    const bool breaksInside = text.Chance(30);
    const Lines lines = RandomText(text, breaksInside);
    const std::string search = RandomSearch(text, lines);
    const std::string by = text.Of({"", "x", "aa", search, search + search, "<" + search + ">", "\r\n",
                                    "a\r\nb", "\x88", "\t\t", kKanji5C, "\r\n\x88"});
    const int columns = 4 + text.Pick(16), rows = 1 + text.Pick(6), tab = 1 + text.Pick(8);
    const bool otherView = text.Chance(25);
    const auto setupSeed = static_cast<unsigned>(text.rng());

    // The same steps on two identical views: overwrite mode, an undone edit (the redo list
    // full, replay mode on), the caret anywhere, the window scrolled, a selection, another view.
    struct Side {
      std::unique_ptr<ViewRig> rig;
      FakeViewHost otherHost;
      std::unique_ptr<CVeloView> other;
    } fast, literal;
    for (Side* side : {&fast, &literal}) {
      Random r(setupSeed);
      side->rig = MakeRig(lines, !breaksInside, columns, rows, r);
      CVeloView& v = *side->rig->view;
      v.ApplyTabSize(tab);
      if (r.Chance(40)) v.ToggleOverwrite();
      if (r.Chance(30)) {
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
    CVeloView& v = *fast.rig->view;
    const std::string context = "run " + std::to_string(run) + ": '" + Readable(search) + "' by '" +
                                Readable(by) + "'" + (v.IsOverwriteMode() ? " overwriting" : "") + " from\n" +
                                State(v);
    const std::size_t undoBefore = v.UndoList().size();
    const Lines before = DocLines(fast.rig->doc);
    ASSERT_TRUE(RepaintsMatch(v, fast.rig->host, [&] { v.ReplaceAll(search, by); })) << context;
    while (literal.rig->view->Find(search, true)) literal.rig->view->ReplaceSelection(by);
    ASSERT_EQ(State(v), State(*literal.rig->view)) << context;
    ASSERT_TRUE(PositionsValid(v)) << context;
    LineNode* anchorNode = fast.rig->doc.FirstLine();
    for (int i = 0; i < v.SelAnchor().line; ++i) anchorNode = anchorNode->next;
    ASSERT_EQ(v.SelAnchor().node, anchorNode) << context;  // kept while nothing is selected
    if (fast.other) {
      ASSERT_TRUE(PositionsValid(*fast.other)) << context;
    }

    const Lines after = DocLines(fast.rig->doc);
    const std::size_t made = v.UndoList().size() - undoBefore;
    steps += made;
    for (std::size_t i = 0; i < made; ++i) v.Undo();
    ASSERT_EQ(DocLines(fast.rig->doc), before) << context;
    for (std::size_t i = 0; i < made; ++i) v.Redo();
    ASSERT_EQ(DocLines(fast.rig->doc), after) << context;
  }
  EXPECT_GT(steps, std::size_t{kRuns});  // the runs replaced something
}

}  // namespace

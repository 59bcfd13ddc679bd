// Editing costs of the real view on generated code page 932 TeX sources, each step with
// everything a keystroke brings: the edit, its undo record, its invalidations, the caret and
// status text, the scroll bars, and the paint of what was invalidated (on a surface that draws
// nothing).
//
//   type_end_1m       one typed character at the end of the 1,000,000-line document
//   type_end_longline one typed character at the end of the 20 MB line
//   type_mid_longline one typed character in the middle of the 20 MB line (the tail moves)
//   type_end_leadline one typed kanji at the end of a 20 MB line of 亜 (88 9F), every byte a
//                     lead byte: where characters start is known only from far back
//   goto_middle_1m    jump to the middle line of a freshly read 1,000,000-line document
//   undo_typed        one undo of 10,000 typed steps in the middle of the 1,000,000-line document
//   undo_typed_longline  the same at the end of the 20 MB line
//
// The references, measured in the same run, are the passes the view must not make per step:
// one walk over every line of the document, one memchr pass over the 20 MB line, and (for the
// jump) the bare walk of the line list to the middle. The summary gives medians and ratios.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/Settings.h"
#include "common/TexGenerator.h"
#include "common/ViewEditor.h"
#include "doc/CVeloDoc.h"
#include "view/CVeloView.h"

namespace {

using mirev_bench::TexKind;

constexpr int kUndoSteps = 10000;

// A view on generated text in a 100 x 40 cell window.
struct Editor : mirev_bench::ViewEditor {
  explicit Editor(TexKind kind) : ViewEditor(mirev_bench::GenerateTex(kind)) {}
  explicit Editor(const std::string& text) : ViewEditor(text) {}
};

Editor& Lines1M() {
  static Editor editor(TexKind::Lines1M);
  return editor;
}
Editor& LongLine() {
  static Editor editor(TexKind::LongLine);
  return editor;
}

void TypeAtEnd(benchmark::State& state, Editor& e) {
  e.view->GoDocEnd(false);
  e.view->OnChar('x');  // the first change of a line read from the file copies it once
  e.Paint();
  int n = 0;
  for (auto _ : state) {
    e.view->OnChar('a' + n++ % 26);
    e.Paint();
  }
  benchmark::DoNotOptimize(e.host.Status());
}

void BM_TypeEnd1M(benchmark::State& state) { TypeAtEnd(state, Lines1M()); }

Editor& LeadLine() {
  static Editor editor([] {
    std::string text;
    text.reserve(mirev_bench::kLongLineBytes + 2);
    while (text.size() < mirev_bench::kLongLineBytes) text += "\x88\x9F";
    return text + "\r\n";
  }());
  return editor;
}

void BM_TypeEndLeadLine(benchmark::State& state) {
  Editor& e = LeadLine();
  e.view->GoDocEnd(false);
  e.Paint();
  for (auto _ : state) {
    e.view->OnTypedText("\x88\x9F");
    e.Paint();
  }
}

void BM_TypeMidLongLine(benchmark::State& state) {
  Editor& e = LongLine();
  e.view->GoToLine(0, e.doc.FirstLine()->text.Length() / 2);
  e.Paint();
  int n = 0;
  for (auto _ : state) {
    e.view->OnChar('a' + n++ % 26);
    e.Paint();
  }
}
void BM_TypeEndLongLine(benchmark::State& state) { TypeAtEnd(state, LongLine()); }

void BM_GotoMiddle1M(benchmark::State& state) {
  static Editor fresh(TexKind::Lines1M);
  const int middle = fresh.doc.LineCount() / 2;
  for (auto _ : state) {
    state.PauseTiming();
    fresh.view->GoToLine(0, 0);
    fresh.Paint();
    state.ResumeTiming();
    fresh.view->GoToLine(middle, 0);
    fresh.Paint();
  }
  if (fresh.view->Caret().line != middle) state.SkipWithError("the jump missed its line");
}

void UndoTyped(benchmark::State& state, Editor& e, bool middle) {
  for (auto _ : state) {
    state.PauseTiming();
    if (middle)
      e.view->GoToLine(e.doc.LineCount() / 2, 0);
    else
      e.view->GoDocEnd(false);
    for (int i = 0; i < kUndoSteps; ++i) e.view->OnChar(i % 40 == 39 ? '\r' : 'a' + i % 26);
    e.Paint();
    state.ResumeTiming();
    for (int i = 0; i < kUndoSteps; ++i) {
      e.view->Undo();
      e.Paint();
    }
  }
  state.SetItemsProcessed(state.iterations() * kUndoSteps);
}

void BM_UndoTyped(benchmark::State& state) { UndoTyped(state, Lines1M(), true); }
void BM_UndoTypedLongLine(benchmark::State& state) { UndoTyped(state, LongLine(), false); }

void BM_RefWalkAllLines(benchmark::State& state) {
  const CVeloDoc& doc = Lines1M().doc;
  for (auto _ : state) {
    int count = 0;
    for (LineNode* n = doc.FirstLine(); n; n = n->next) ++count;
    benchmark::DoNotOptimize(count);
  }
}

void BM_RefWalkToMiddle(benchmark::State& state) {
  const CVeloDoc& doc = Lines1M().doc;
  const int middle = doc.LineCount() / 2;
  for (auto _ : state) {
    LineNode* n = doc.FirstLine();
    for (int i = 0; i < middle; ++i) n = n->next;
    benchmark::DoNotOptimize(n);
  }
}

void BM_RefScanLongLine(benchmark::State& state) {
  const ByteString& line = LongLine().doc.FirstLine()->text;
  for (auto _ : state) {
    const void* hit = std::memchr(line.Data(), '\t', static_cast<std::size_t>(line.Length()));
    benchmark::DoNotOptimize(hit);
  }
}

}  // namespace

int main(int argc, char** argv) {
  auto reg = [](const char* name, void (*fn)(benchmark::State&)) {
    return benchmark::RegisterBenchmark(name, fn)
        ->Repetitions(5)
        ->ReportAggregatesOnly(true)
        ->UseRealTime()
        ->Unit(benchmark::kMicrosecond);
  };
  reg("type_end_1m", BM_TypeEnd1M);
  reg("type_end_longline", BM_TypeEndLongLine);
  reg("type_mid_longline", BM_TypeMidLongLine);
  reg("type_end_leadline", BM_TypeEndLeadLine);
  reg("goto_middle_1m", BM_GotoMiddle1M);
  reg("undo_typed", BM_UndoTyped)->Iterations(1);
  reg("undo_typed_longline", BM_UndoTypedLongLine)->Iterations(1);
  reg("ref_walk_all_lines_1m", BM_RefWalkAllLines);
  reg("ref_walk_to_middle_1m", BM_RefWalkToMiddle);
  reg("ref_memchr_longline", BM_RefScanLongLine);

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  mirev_bench::MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  const double type1m = reporter.Get("type_end_1m");
  const double typeLong = reporter.Get("type_end_longline");
  const double typeMid = reporter.Get("type_mid_longline");
  const double typeLead = reporter.Get("type_end_leadline");
  const double jump = reporter.Get("goto_middle_1m");
  const double undoAll = reporter.Get("undo_typed");
  const double undo = undoAll >= 0 ? undoAll / kUndoSteps : -1;
  const double undoLongAll = reporter.Get("undo_typed_longline");
  const double undoLong = undoLongAll >= 0 ? undoLongAll / kUndoSteps : -1;
  const double walkAll = reporter.Get("ref_walk_all_lines_1m");
  const double walkHalf = reporter.Get("ref_walk_to_middle_1m");
  const double scan = reporter.Get("ref_memchr_longline");
  std::printf("\nmedians (us) and ratios to the reference passes\n");
  auto line = [](const char* what, double ours, const char* refName, double ref) {
    if (ours < 0 || ref <= 0) return;
    std::printf("  %-36s %10.3f  / %-20s %10.1f = %.5f\n", what, ours, refName, ref, ours / ref);
  };
  line("typed character, end of 1M lines", type1m, "walk of all lines", walkAll);
  line("typed character, end of 20 MB line", typeLong, "memchr of the line", scan);
  line("typed character, mid 20 MB line", typeMid, "memchr of the line", scan);
  line("typed kanji, end of 20 MB of kanji", typeLead, "memchr of the line", scan);
  line("jump to the middle line of 1M", jump, "bare walk there", walkHalf);
  line("one undo of 10,000 typed steps", undo, "walk of all lines", walkAll);
  line("the same at the end of the long line", undoLong, "memchr of the line", scan);
  return 0;
}

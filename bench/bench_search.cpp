// Search and replace of the real view on the generated code page 932 TeX sources, each with
// everything the command brings (the search, the edits and their undo records, the scrolling,
// the caret and status text, the scroll bars, and the paint of what was invalidated):
//
//   find_last_1m          FindAndShow from the top of the 1,000,000-line document to the only
//                         "\end{document}", on its last line
//   replace_all_1m        ReplaceAll of "\item" by "\itemx" over that document, from its top
//   replace_all_longline  ReplaceAll of "\frac" by "\fracx" over the 20 MB line, from its start
//                         (the line holds no "\item": it is prose and formulas, no environments)
//   undo_all_1m           every step of replace_all_1m undone one by one, each with its paint;
//   undo_tenth_1m         the first tenth of them: a step costs the same whichever it is
//   undo_1000_longline    the last 1,000 steps of replace_all_longline undone
//
// The references, measured in the same run, are bare library passes over the same bytes held
// in one buffer: memmem to the one "\end{document}", memmem counting every "\item" or "\frac",
// and one memchr over the 20 MB line. The summary gives medians and ratios; the counters give
// the matches replaced and the repaints a replace all asked for.
#include <benchmark/benchmark.h>
#include <string.h>  // memmem

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "common/TexGenerator.h"
#include "common/ViewEditor.h"

namespace {

using mirev_bench::TexKind;
using mirev_bench::ViewEditor;

constexpr std::string_view kLastLine = "\\end{document}";

struct Replacement {
  std::string_view search;
  std::string_view by;
};
constexpr Replacement kLinesReplacement{"\\item", "\\itemx"};
constexpr Replacement kLongLineReplacement{"\\frac", "\\fracx"};

// Each made on first use only.
const std::string& Text(TexKind kind) {
  switch (kind) {
    case TexKind::Small: {
      static const std::string text = mirev_bench::GenerateTex(TexKind::Small);
      return text;
    }
    case TexKind::LongLine: {
      static const std::string text = mirev_bench::GenerateTex(TexKind::LongLine);
      return text;
    }
    default: {
      static const std::string text = mirev_bench::GenerateTex(TexKind::Lines1M);
      return text;
    }
  }
}

ViewEditor& Editor(TexKind kind) {
  switch (kind) {
    case TexKind::Small: {
      static ViewEditor editor(Text(TexKind::Small));
      return editor;
    }
    case TexKind::LongLine: {
      static ViewEditor editor(Text(TexKind::LongLine));
      return editor;
    }
    default: {
      static ViewEditor editor(Text(TexKind::Lines1M));
      return editor;
    }
  }
}

void FindLast(benchmark::State& state, TexKind kind) {
  ViewEditor& e = Editor(kind);
  for (auto _ : state) {
    state.PauseTiming();
    e.view->GoDocStart(false);
    e.Paint();
    state.ResumeTiming();
    e.view->FindAndShow(kLastLine, true);
    e.Paint();
  }
  if (!e.view->IsSelecting() || e.view->Caret().line != e.doc.LineCount() - 1)
    state.SkipWithError("the search missed the last line");
}

// A fresh copy of the document for every replace all, read outside the timing.
void ReplaceAll(benchmark::State& state, TexKind kind, Replacement r) {
  ViewEditor& e = Editor(kind);
  std::size_t matches = 0;
  int repaints = 0;
  for (auto _ : state) {
    state.PauseTiming();
    e.Load(Text(kind));
    state.ResumeTiming();
    e.view->ReplaceAll(r.search, r.by);
    repaints = e.Paint() ? 1 : 0;
    repaints += e.Paint() ? 1 : 0;
    matches = e.view->UndoList().size() / 2;
  }
  state.counters["matches"] = static_cast<double>(matches);
  state.counters["repaints"] = repaints;
  if (matches == 0) state.SkipWithError("nothing was replaced");
  if (repaints > 2) state.SkipWithError("more than two repaints");
}

// Undoes steps of a replace all made outside the timing; the time is per step.
void UndoReplaceAll(benchmark::State& state, TexKind kind, Replacement r, int divisor, std::size_t most) {
  ViewEditor& e = Editor(kind);
  std::size_t steps = 0;
  for (auto _ : state) {
    state.PauseTiming();
    e.Load(Text(kind));
    e.view->ReplaceAll(r.search, r.by);
    e.Paint();
    steps = std::min(e.view->UndoList().size() / static_cast<std::size_t>(divisor), most);
    state.ResumeTiming();
    for (std::size_t i = 0; i < steps; ++i) {
      e.view->Undo();
      e.Paint();
    }
  }
  state.counters["steps"] = static_cast<double>(steps);
  if (steps == 0) state.SkipWithError("nothing to undo");
}

const char* MemMem(std::string_view hay, std::string_view needle) {
  return static_cast<const char*>(memmem(hay.data(), hay.size(), needle.data(), needle.size()));
}

void RefFindLast(benchmark::State& state, TexKind kind) {
  const std::string& text = Text(kind);
  for (auto _ : state) benchmark::DoNotOptimize(MemMem(text, kLastLine));
}

void RefCount(benchmark::State& state, TexKind kind, std::string_view needle) {
  const std::string_view text = Text(kind);
  std::size_t count = 0;
  for (auto _ : state) {
    count = 0;
    for (const char* p = MemMem(text, needle); p; ++count)
      p = MemMem(text.substr(static_cast<std::size_t>(p - text.data()) + 1), needle);
    benchmark::DoNotOptimize(count);
  }
  state.counters["matches"] = static_cast<double>(count);
}

void RefScanLongLine(benchmark::State& state) {
  const std::string& text = Text(TexKind::LongLine);
  for (auto _ : state) benchmark::DoNotOptimize(std::memchr(text.data(), '\t', text.size()));
}

}  // namespace

int main(int argc, char** argv) {
  auto reg = [](const char* name, auto fn) {
    return benchmark::RegisterBenchmark(name, fn)
        ->Repetitions(5)
        ->ReportAggregatesOnly(true)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
  };
  reg("find_last_1m", [](benchmark::State& s) { FindLast(s, TexKind::Lines1M); });
  reg("replace_all_1m", [](benchmark::State& s) {
    ReplaceAll(s, TexKind::Lines1M, kLinesReplacement);
  })->Iterations(1);
  reg("replace_all_longline", [](benchmark::State& s) {
    ReplaceAll(s, TexKind::LongLine, kLongLineReplacement);
  })->Iterations(1);
  reg("undo_all_1m",
      [](benchmark::State& s) { UndoReplaceAll(s, TexKind::Lines1M, kLinesReplacement, 1, ~std::size_t{0}); })
      ->Iterations(1)
      ->Repetitions(3);
  reg("undo_tenth_1m",
      [](benchmark::State& s) {
        UndoReplaceAll(s, TexKind::Lines1M, kLinesReplacement, 10, ~std::size_t{0});
      })
      ->Iterations(1)
      ->Repetitions(3);
  reg("undo_1000_longline",
      [](benchmark::State& s) { UndoReplaceAll(s, TexKind::LongLine, kLongLineReplacement, 1, 1000); })
      ->Iterations(1)
      ->Repetitions(3);
  reg("ref_memmem_last_1m", [](benchmark::State& s) { RefFindLast(s, TexKind::Lines1M); });
  reg("ref_memmem_count_1m",
      [](benchmark::State& s) { RefCount(s, TexKind::Lines1M, kLinesReplacement.search); });
  reg("ref_memmem_count_longline",
      [](benchmark::State& s) { RefCount(s, TexKind::LongLine, kLongLineReplacement.search); });
  reg("ref_memchr_longline", RefScanLongLine);
  // Small cases for the smoke test: they check the results as the large ones do.
  reg("find_last_small", [](benchmark::State& s) { FindLast(s, TexKind::Small); });
  reg("replace_all_small", [](benchmark::State& s) {
    ReplaceAll(s, TexKind::Small, kLinesReplacement);
  })->Iterations(1);

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  mirev_bench::MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  auto get = [&](const char* name) { return reporter.Get(name); };
  std::printf("\nmedians (ms) and ratios to the reference passes\n");
  auto line = [](const char* what, double ours, const char* refName, double ref) {
    if (ours < 0 || ref <= 0) return;
    std::printf("  %-40s %10.3f  / %-22s %9.3f = %7.2f\n", what, ours, refName, ref, ours / ref);
  };
  line("find to the last of 1M lines", get("find_last_1m"), "memmem to it", get("ref_memmem_last_1m"));
  line("replace all \\item, 1M lines", get("replace_all_1m"), "memmem count", get("ref_memmem_count_1m"));
  line("replace all \\frac, 20 MB line", get("replace_all_longline"), "memmem count",
       get("ref_memmem_count_longline"));
  // Undo, per step in microseconds: the same whether all steps are undone or the first tenth.
  auto perStep = [&](const char* name) {
    const double steps = reporter.Counter(name, "steps");
    return steps > 0 ? 1000 * get(name) / steps : -1;
  };
  line("undo all steps of it, 1M lines: a step, us", perStep("undo_all_1m"), "memmem count",
       get("ref_memmem_count_1m"));
  line("undo the first tenth: a step, us", perStep("undo_tenth_1m"), "memmem count",
       get("ref_memmem_count_1m"));
  line("undo 1,000 steps, 20 MB line: a step, us", perStep("undo_1000_longline"), "memchr of the line",
       get("ref_memchr_longline"));
  std::printf(
      "  matches replaced: %.0f of %.0f \\item (1M lines), %.0f of %.0f \\frac (20 MB line); repaints %.0f "
      "and %.0f\n",
      reporter.Counter("replace_all_1m", "matches"), reporter.Counter("ref_memmem_count_1m", "matches"),
      reporter.Counter("replace_all_longline", "matches"),
      reporter.Counter("ref_memmem_count_longline", "matches"),
      reporter.Counter("replace_all_1m", "repaints"), reporter.Counter("replace_all_longline", "repaints"));
  return 0;
}

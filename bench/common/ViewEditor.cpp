#include "common/ViewEditor.h"

#include <cstring>

namespace mirev_bench {

ViewEditor::ViewEditor(std::string_view text) : doc(settings), host(100, 40) { Load(text); }

void ViewEditor::Load(std::string_view text) {
  view.reset();
  ByteBlock* block = ByteBlock::Allocate(text.size());
  std::memcpy(block->Data(), text.data(), text.size());
  doc.LoadLines(block, text.size());
  block->Unref();
  view = std::make_unique<CVeloView>(doc, settings, host);
  view->OnInitialUpdate();
  view->OnSetFocus();
  Paint();
}

bool ViewEditor::Paint() {
  const Rect dirty = host.TakeDirty();
  if (dirty.IsEmpty()) return false;
  NullSurface surface(dirty);
  view->OnDraw(surface);
  benchmark::DoNotOptimize(surface.BytesDrawn());
  return true;
}

void MedianReporter::ReportRuns(const std::vector<Run>& runs) {
  for (const Run& run : runs)
    if (!run.error_occurred && run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
      medians_[run.run_name.function_name] = run.GetAdjustedRealTime();
      for (const auto& [counter, value] : run.counters)
        counters_[run.run_name.function_name + '\t' + counter] = value.value;
    }
  ConsoleReporter::ReportRuns(runs);
}

double MedianReporter::Get(const std::string& name) const {
  const auto it = medians_.find(name);
  return it == medians_.end() ? -1 : it->second;
}

double MedianReporter::Counter(const std::string& name, const std::string& counter) const {
  const auto it = counters_.find(name + '\t' + counter);
  return it == counters_.end() ? -1 : it->second;
}

}  // namespace mirev_bench

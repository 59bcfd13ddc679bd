#pragma once
// A document read from generated text and one real view of it in a window that draws nothing,
// for the editing benchmarks; and the reporter that keeps each benchmark's median.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/Settings.h"
#include "common/NullHost.h"
#include "doc/CVeloDoc.h"
#include "view/CVeloView.h"

namespace mirev_bench {

// The view lives in a 100 x 40 cell window.
struct ViewEditor {
  explicit ViewEditor(std::string_view text);
  // Reads text again, as a freshly opened file, with a fresh view.
  void Load(std::string_view text);
  // Paints what the view invalidated, as the window's next paint would; false when nothing was.
  bool Paint();

  Settings settings;
  CVeloDoc doc;
  NullHost host;
  std::unique_ptr<CVeloView> view;
};

// Keeps the median of each benchmark's repetitions, in the run's time unit.
class MedianReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override;
  // -1 when the benchmark did not run or failed.
  double Get(const std::string& name) const;
  // The median of one of its counters; -1 as above.
  double Counter(const std::string& name, const std::string& counter) const;

 private:
  std::map<std::string, double> medians_;
  std::map<std::string, double> counters_;  // by name, a tab, the counter's name
};

}  // namespace mirev_bench

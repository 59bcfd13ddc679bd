// Reading and writing generated code page 932 TeX sources through the document, each beside a
// plain reference in the same process: the file read in 1 MiB blocks into one std::string, split
// with memchr into a std::vector<std::string>, written back with CR LF through a FILE* with a
// 1 MiB buffer. Both sides sync the written file to disk (fflush + fsync on the reference side),
// because the document's writer does. Each timed iteration includes building and freeing the
// document or the vector, on both sides.
//
// The summary at the end gives ours / reference from the medians of the repetitions, and the
// peak memory after reading the 1,000,000-line file, each side measured in a forked child.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/Settings.h"
#include "common/TexGenerator.h"
#include "doc/CVeloDoc.h"
#include "doc/TextFile.h"
#include "sys/WholeFileReader.h"

namespace {

using mirev_bench::TexKind;

constexpr std::size_t kBlock = std::size_t{1} << 20;

struct Corpus {
  std::string dir;
  std::map<TexKind, std::string> paths;
  std::map<TexKind, long long> sizes;
};
Corpus corpus;

std::string Describe(const FileResult& r) {
  std::string text = r.detail;
  if (r.osError != 0) text += std::string(": ") + std::strerror(r.osError);
  return text.empty() ? "file error" : text;
}

// The reference reader.
bool ReferenceRead(const std::string& path, std::vector<std::string>& lines) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  std::string data;
  bool ok = true;
  for (;;) {
    const std::size_t old = data.size();
    data.resize(old + kBlock);
    const std::size_t n = std::fread(data.data() + old, 1, kBlock, f);
    data.resize(old + n);
    if (n < kBlock) {
      ok = !std::ferror(f);
      break;
    }
  }
  std::fclose(f);
  const char* p = data.data();
  const char* end = p + data.size();
  while (p < end) {
    const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
    const char* lineEnd = lf ? lf : end;
    const char* textEnd = (lf && lineEnd > p && lineEnd[-1] == '\r') ? lineEnd - 1 : lineEnd;
    lines.emplace_back(p, static_cast<std::size_t>(textEnd - p));
    p = lf ? lf + 1 : end;
  }
  if (lines.empty()) lines.emplace_back();
  return ok;
}

// How the reference makes its file durable. The comparisons use File, the sync the document's
// writer does on its new file; the other two show what the sync and a safe save cost.
enum class RefSync { None, File, SafeSave };

// The reference writer. SafeSave writes a temporary file beside the target, syncs it, renames it
// over the target and syncs the folder, as a save that never destroys the old file must.
bool ReferenceWrite(const std::string& path, const std::vector<std::string>& lines,
                    RefSync sync = RefSync::File) {
  const std::string written = sync == RefSync::SafeSave ? path + ".new" : path;
  std::FILE* f = std::fopen(written.c_str(), "wb");
  if (!f) return false;
  std::setvbuf(f, nullptr, _IOFBF, kBlock);
  bool ok = true;
  for (const std::string& line : lines) {
    if (std::fwrite(line.data(), 1, line.size(), f) != line.size() || std::fwrite("\r\n", 1, 2, f) != 2) {
      ok = false;
      break;
    }
  }
  ok = ok && std::fflush(f) == 0 && (sync == RefSync::None || ::fsync(fileno(f)) == 0);
  ok = std::fclose(f) == 0 && ok;
  if (ok && sync == RefSync::SafeSave) {
    ok = std::rename(written.c_str(), path.c_str()) == 0;
    const int folder = ::open(path.substr(0, path.rfind('/')).c_str(), O_RDONLY | O_DIRECTORY);
    ok = ok && folder >= 0 && ::fsync(folder) == 0;
    if (folder >= 0) ::close(folder);
  }
  return ok;
}

std::string OutPath(const char* side) { return corpus.dir + "/out-" + side + ".tex"; }

// Writing back what an earlier benchmark left unwritten would slow down the next one's fsync.
void SettleDisk() { ::sync(); }

void OursRead(benchmark::State& state, TexKind kind) {
  Settings settings;
  SettleDisk();
  for (auto _ : state) {
    CVeloDoc doc(settings);
    const FileResult r = ReadTextFile(corpus.paths[kind], doc);
    if (!r.Ok()) {
      state.SkipWithError(Describe(r).c_str());
      break;
    }
    benchmark::DoNotOptimize(doc.LineCount());
  }
}

void RefRead(benchmark::State& state, TexKind kind) {
  SettleDisk();
  for (auto _ : state) {
    std::vector<std::string> lines;
    if (!ReferenceRead(corpus.paths[kind], lines)) {
      state.SkipWithError("reference read failed");
      break;
    }
    benchmark::DoNotOptimize(lines.data());
  }
}

void OursWrite(benchmark::State& state, TexKind kind) {
  Settings settings;
  CVeloDoc doc(settings);
  FileResult r = ReadTextFile(corpus.paths[kind], doc);
  if (!r.Ok()) {
    state.SkipWithError(Describe(r).c_str());
    return;
  }
  const std::string out = OutPath("ours");
  SettleDisk();
  for (auto _ : state) {
    r = WriteTextFile(out, doc);
    if (!r.Ok()) {
      state.SkipWithError(Describe(r).c_str());
      break;
    }
  }
}

void RefWrite(benchmark::State& state, TexKind kind, RefSync sync) {
  std::vector<std::string> lines;
  if (!ReferenceRead(corpus.paths[kind], lines)) {
    state.SkipWithError("reference read failed");
    return;
  }
  const std::string out = OutPath("ref");
  SettleDisk();
  for (auto _ : state) {
    if (!ReferenceWrite(out, lines, sync)) {
      state.SkipWithError("reference write failed");
      break;
    }
  }
}

void OursReadWrite(benchmark::State& state, TexKind kind) {
  Settings settings;
  const std::string out = OutPath("ours");
  SettleDisk();
  for (auto _ : state) {
    CVeloDoc doc(settings);
    FileResult r = ReadTextFile(corpus.paths[kind], doc);
    if (r.Ok()) r = WriteTextFile(out, doc);
    if (!r.Ok()) {
      state.SkipWithError(Describe(r).c_str());
      break;
    }
  }
}

void RefReadWrite(benchmark::State& state, TexKind kind) {
  const std::string out = OutPath("ref");
  SettleDisk();
  for (auto _ : state) {
    std::vector<std::string> lines;
    if (!ReferenceRead(corpus.paths[kind], lines) || !ReferenceWrite(out, lines)) {
      state.SkipWithError("reference read or write failed");
      break;
    }
  }
}

constexpr TexKind kKinds[] = {TexKind::Small, TexKind::Lines1M, TexKind::LongLine};
constexpr const char* kOps[] = {"read", "write", "readwrite"};

void RegisterAll() {
  using Fn = void (*)(benchmark::State&, TexKind);
  const Fn ours[] = {OursRead, OursWrite, OursReadWrite};
  const Fn ref[] = {RefRead, [](benchmark::State& s, TexKind k) { RefWrite(s, k, RefSync::File); },
                    RefReadWrite};
  for (int op = 0; op < 3; ++op) {
    for (TexKind kind : kKinds) {
      const std::string base = std::string(kOps[op]) + "/" + mirev_bench::TexKindName(kind) + "/";
      for (int side = 0; side < 2; ++side) {
        benchmark::RegisterBenchmark((base + (side ? "ref" : "ours")).c_str(), side ? ref[op] : ours[op],
                                     kind)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
      }
    }
  }
  // Where the writing time goes: the reference without its sync, and doing a safe save.
  for (TexKind kind : kKinds) {
    const std::string base = std::string("write/") + mirev_bench::TexKindName(kind) + "/";
    for (auto [suffix, sync] :
         {std::pair{"ref-nosync", RefSync::None}, std::pair{"ref-safe", RefSync::SafeSave}})
      benchmark::RegisterBenchmark((base + suffix).c_str(), RefWrite, kind, sync)
          ->UseRealTime()
          ->Unit(benchmark::kMillisecond);
  }
}

// Keeps each benchmark's per-iteration times (or its medians when only aggregates are shown).
class CollectingReporter : public benchmark::ConsoleReporter {
 public:
  using ConsoleReporter::ConsoleReporter;

  struct Medians {
    double real = -1;  // ms; negative when the benchmark did not run
    double cpu = -1;
  };

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      Times& t = times_[run.run_name.function_name];
      if (run.run_type == Run::RT_Iteration) {
        t.real.push_back(run.GetAdjustedRealTime());
        t.cpu.push_back(run.GetAdjustedCPUTime());
      } else if (run.aggregate_name == "median") {
        t.median = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  Medians Get(const std::string& name) const {
    const auto it = times_.find(name);
    if (it == times_.end()) return {};
    if (it->second.median.real >= 0) return it->second.median;
    return {Median(it->second.real), Median(it->second.cpu)};
  }

 private:
  struct Times {
    std::vector<double> real;
    std::vector<double> cpu;
    Medians median;
  };

  static double Median(std::vector<double> v) {
    if (v.empty()) return -1;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
  }

  std::map<std::string, Times> times_;
};

// Forks, runs fn in the child and waits; true when the child exited with status 0.
template <typename Fn>
bool RunInChild(Fn fn) {
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid < 0) return false;
  if (pid == 0) ::_exit(fn() ? 0 : 1);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool GenerateCorpus() {
  char templ[] = "/tmp/mirev-bench-XXXXXX";
  if (!::mkdtemp(templ)) return false;
  corpus.dir = templ;
  for (TexKind kind : kKinds) corpus.paths[kind] = corpus.dir + "/" + mirev_bench::TexKindName(kind) + ".tex";
  // In a child, so the generated strings never raise this process's peak memory.
  const bool ok = RunInChild([] {
    for (TexKind kind : kKinds) {
      std::string error;
      if (!mirev_bench::WriteFileBytes(corpus.paths[kind], mirev_bench::GenerateTex(kind), &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
      }
    }
    return true;
  });
  for (TexKind kind : kKinds) {
    struct stat st {};
    if (::stat(corpus.paths[kind].c_str(), &st) != 0) return false;
    corpus.sizes[kind] = st.st_size;
  }
  return ok;
}

void RemoveCorpus() {
  if (corpus.dir.empty()) return;
  for (auto& [kind, path] : corpus.paths) ::unlink(path.c_str());
  ::unlink(OutPath("ours").c_str());
  ::unlink(OutPath("ref").c_str());
  ::unlink((OutPath("ref") + ".new").c_str());
  ::unlink((corpus.dir + "/check.tex").c_str());
  ::rmdir(corpus.dir.c_str());
}

bool SameBytes(const std::string& a, const std::string& b) {
  std::FILE* fa = std::fopen(a.c_str(), "rb");
  std::FILE* fb = std::fopen(b.c_str(), "rb");
  bool same = fa && fb;
  std::vector<char> ba(kBlock), bb(kBlock);
  while (same) {
    const std::size_t na = std::fread(ba.data(), 1, kBlock, fa);
    const std::size_t nb = std::fread(bb.data(), 1, kBlock, fb);
    same = na == nb && std::memcmp(ba.data(), bb.data(), na) == 0;
    if (na < kBlock) break;
  }
  if (fa) std::fclose(fa);
  if (fb) std::fclose(fb);
  return same;
}

// A figure that is not the round trip of the input measures nothing.
void CheckRoundTrips() {
  const std::string check = corpus.dir + "/check.tex";
  for (TexKind kind : kKinds) {
    Settings settings;
    CVeloDoc doc(settings);
    FileResult r = ReadTextFile(corpus.paths[kind], doc);
    if (r.Ok()) r = WriteTextFile(check, doc);
    const char* name = mirev_bench::TexKindName(kind);
    if (!r.Ok())
      std::printf("round trip %s: FAILED: %s\n", name, Describe(r).c_str());
    else if (!SameBytes(corpus.paths[kind], check))
      std::printf("round trip %s: OUTPUT DIFFERS FROM INPUT\n", name);
  }
  std::vector<std::string> lines;
  if (!ReferenceRead(corpus.paths[TexKind::Lines1M], lines) || !ReferenceWrite(check, lines) ||
      !SameBytes(corpus.paths[TexKind::Lines1M], check))
    std::printf("round trip 1m through the reference: OUTPUT DIFFERS FROM INPUT\n");
}

struct PeakReport {
  long baselineKiB = 0;
  long peakKiB = 0;
  long long lines = 0;
  bool ok = false;
};

long MaxRssKiB() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// The growth of the peak resident size while one side reads the file, in a fresh child.
enum class PeakSide { Ours, ImageOnly, Reference };

PeakReport MeasurePeak(PeakSide side, const std::string& path) {
  PeakReport report;
  int fds[2];
  if (::pipe(fds) != 0) return report;
  const bool exited = RunInChild([&] {
    ::close(fds[0]);
    // A forked child inherits the parent's high-water mark; start it again where we stand.
    if (const int fd = ::open("/proc/self/clear_refs", O_WRONLY); fd >= 0) {
      [[maybe_unused]] const ssize_t n = ::write(fd, "5", 1);
      ::close(fd);
    }
    PeakReport r;
    r.baselineKiB = MaxRssKiB();
    if (side == PeakSide::Ours) {
      Settings settings;
      CVeloDoc doc(settings);
      r.ok = ReadTextFile(path, doc).Ok();
      r.peakKiB = MaxRssKiB();
      r.lines = doc.LineCount();
    } else if (side == PeakSide::ImageOnly) {
      // The document's read buffer alone, without its lines: what the line list adds is the rest.
      FileImage image;
      r.ok = ReadWholeFile(path, std::size_t{1} << 31, image).Ok();
      r.peakKiB = MaxRssKiB();
    } else {
      std::vector<std::string> lines;
      r.ok = ReferenceRead(path, lines);
      r.peakKiB = MaxRssKiB();
      r.lines = static_cast<long long>(lines.size());
    }
    return ::write(fds[1], &r, sizeof r) == static_cast<ssize_t>(sizeof r);
  });
  ::close(fds[1]);
  report.ok =
      exited && ::read(fds[0], &report, sizeof report) == static_cast<ssize_t>(sizeof report) && report.ok;
  ::close(fds[0]);
  return report;
}

bool HasFlag(int argc, char** argv, const char* prefix) {
  for (int i = 1; i < argc; ++i)
    if (std::strncmp(argv[i], prefix, std::strlen(prefix)) == 0) return true;
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  // Repetitions give the medians the ratios are built from.
  std::vector<char*> args(argv, argv + argc);
  std::string reps = "--benchmark_repetitions=5";
  std::string aggregates = "--benchmark_display_aggregates_only=true";
  if (!HasFlag(argc, argv, "--benchmark_repetitions")) args.push_back(reps.data());
  if (!HasFlag(argc, argv, "--benchmark_display_aggregates_only")) args.push_back(aggregates.data());
  int count = static_cast<int>(args.size());
  args.push_back(nullptr);
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;

  if (!GenerateCorpus()) {
    std::fprintf(stderr, "bench_doc: cannot generate the test files in /tmp\n");
    RemoveCorpus();
    return 1;
  }
  // Before the benchmarks, while this process is still small.
  const std::string& big = corpus.paths[TexKind::Lines1M];
  const PeakReport oursPeak = MeasurePeak(PeakSide::Ours, big);
  const PeakReport imagePeak = MeasurePeak(PeakSide::ImageOnly, big);
  const PeakReport refPeak = MeasurePeak(PeakSide::Reference, big);
  CheckRoundTrips();

  RegisterAll();
  CollectingReporter reporter(::isatty(1) ? benchmark::ConsoleReporter::OO_Defaults
                                          : benchmark::ConsoleReporter::OO_Tabular);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  // Real time includes waiting for the disk to sync, which other processes' writes can stretch;
  // CPU time is this process's own work.
  std::printf("\nours / reference, from the medians (ms):\n");
  std::printf("  %-20s %10s %10s %7s   %10s %10s %7s\n", "", "real ours", "real ref", "ratio", "cpu ours",
              "cpu ref", "ratio");
  for (const char* op : kOps) {
    for (TexKind kind : kKinds) {
      const std::string base = std::string(op) + "/" + mirev_bench::TexKindName(kind) + "/";
      const auto o = reporter.Get(base + "ours");
      const auto r = reporter.Get(base + "ref");
      if (o.real < 0 || r.real <= 0 || r.cpu <= 0) continue;
      std::printf("  %-20s %10.3f %10.3f %6.2fx   %10.3f %10.3f %6.2fx\n", base.c_str(), o.real, r.real,
                  o.real / r.real, o.cpu, r.cpu, o.cpu / r.cpu);
    }
  }

  std::printf(
      "\nwriting, median real time (ms): ours, the reference, the reference without its sync,\n"
      "and the reference saving safely through a synced temporary file renamed over the target\n");
  std::printf("  %-20s %10s %10s %10s %10s\n", "", "ours", "ref", "ref-nosync", "ref-safe");
  for (TexKind kind : kKinds) {
    const std::string base = std::string("write/") + mirev_bench::TexKindName(kind) + "/";
    const double o = reporter.Get(base + "ours").real, r = reporter.Get(base + "ref").real;
    const double n = reporter.Get(base + "ref-nosync").real, safe = reporter.Get(base + "ref-safe").real;
    if (o < 0 || r < 0 || n < 0 || safe < 0) continue;
    std::printf("  %-20s %10.3f %10.3f %10.3f %10.3f\n", base.c_str(), o, r, n, safe);
  }

  const double fileKiB = static_cast<double>(corpus.sizes[TexKind::Lines1M]) / 1024.0;
  std::printf(
      "\npeak memory growth while reading the 1,000,000-line file (%.1f MB), as a ratio to its size:\n",
      static_cast<double>(corpus.sizes[TexKind::Lines1M]) / 1e6);
  for (const auto& [name, p] : {std::pair{"ours", oursPeak}, std::pair{"ref", refPeak},
                                std::pair{"ours, read buffer only", imagePeak}}) {
    if (!p.ok) {
      std::printf("  %-22s  measurement failed\n", name);
      continue;
    }
    const long grown = p.peakKiB - p.baselineKiB;
    std::printf("  %-22s  %8.1f MB   %.2fx   (baseline %ld KiB, %lld lines)\n", name,
                static_cast<double>(grown) * 1024.0 / 1e6, static_cast<double>(grown) / fileKiB,
                p.baselineKiB, p.lines);
  }
  RemoveCorpus();
  return 0;
}

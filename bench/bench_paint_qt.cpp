// A full repaint of a 160 x 60-cell editor view of Japanese TeX text into an image, through the
// real CVeloView painting and the Qt row surface, against drawing the same rows with one
// QPainter::drawText call each (the rows decoded beforehand). Ratios are printed at the end.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/NullHost.h"
#include "common/TexGenerator.h"
#include "doc/CVeloDoc.h"
#include "platform/Cp932Text.h"
#include "platform/QtSurface.h"
#include "platform/ViewFont.h"
#include "view/CVeloView.h"

namespace {

constexpr int kColumns = 160;
constexpr int kRows = 60;

// A window that is only an image: fixed client size, the real fonts, nothing else.
class ImageHost : public mirev_bench::NullHost {
 public:
  ImageHost() : NullHost(0, 0) {}
  TextMetrics SelectFont(const FontRequest& request) override {
    font = ViewFont::For(request);
    return font->Metrics();
  }
  std::shared_ptr<ViewFont> font;
};

// Generated TeX lines joined with tabs until each is wider than the window, so that every row
// is full: kanji, kana, half-width katakana, \commands, tabs.
std::string WideTexText(int lines) {
  const std::string source = mirev_bench::GenerateTexLines(lines * 8);
  std::vector<std::string> pieces;
  for (std::size_t at = 0; at < source.size();) {
    std::size_t end = source.find("\r\n", at);
    if (end == std::string::npos) end = source.size();
    if (end > at) pieces.push_back(source.substr(at, end - at));
    at = end + 2;
  }
  std::string text;
  std::size_t next = 0;
  for (int i = 0; i < lines; ++i) {
    std::string line;
    while (line.size() < kColumns + 20) {
      if (!line.empty()) line += '\t';
      line += pieces[next++ % pieces.size()];
    }
    text += line + "\r\n";
  }
  return text;
}

struct Scene {
  Settings settings;
  CVeloDoc doc{settings};
  std::unique_ptr<ImageHost> host;
  std::unique_ptr<CVeloView> view;
  QImage image;
  QImage rowImage;
  std::vector<QString> rowTexts;  // the reference's rows, decoded once

  Scene() {
    const std::string text = WideTexText(kRows + 10);
    ByteBlock* block = ByteBlock::Allocate(text.size());
    std::memcpy(block->Data(), text.data(), text.size());
    doc.LoadLines(block, text.size());
    block->Unref();
    host = std::make_unique<ImageHost>();
    view = std::make_unique<CVeloView>(doc, settings, *host);
    view->OnInitialUpdate();
    const TextMetrics m = host->font->Metrics();
    host->SetClientSize(kColumns * m.aveCharWidth, kRows * m.height);
    view->OnSize();
    image = QImage(kColumns * m.aveCharWidth, kRows * m.height, QImage::Format_RGB32);
    TextPos pos = view->Origin();
    for (int r = 0; r < kRows; ++r) {
      const std::string_view line = pos.node->text.View();
      rowTexts.push_back(
          Cp932ToQString(line.substr(0, static_cast<std::size_t>(view->VisibleColumns()) + 1)));
      CVeloDoc::NextLine(pos);
    }
  }

  void Select() {
    const int top = view->Origin().line;
    view->PlaceCaret(top, 10, false);
    view->PlaceCaret(top + kRows / 2, 40, true);
  }
  void Deselect() { view->PlaceCaret(view->Origin().line, 0, false); }
};

Scene& TheScene() {
  static Scene scene;
  return scene;
}

void PaintView(benchmark::State& state, bool rowImage, bool selection) {
  Scene& s = TheScene();
  s.Deselect();
  if (selection) s.Select();
  for (auto _ : state) {
    QPainter painter(&s.image);
    QtSurface surface(painter, *s.host->font, s.image.rect(), rowImage ? &s.rowImage : nullptr);
    s.view->OnDraw(surface);
  }
  s.Deselect();
}

// Rows composed in an image from cached cells: what the window does.
void BM_View(benchmark::State& state) { PaintView(state, true, false); }
void BM_ViewSelection(benchmark::State& state) { PaintView(state, true, true); }
// Rows replayed into the target painter as fills and glyph runs.
void BM_ViewGlyphRuns(benchmark::State& state) { PaintView(state, false, false); }

// The first paint in a new font: every character's cells are made on the way.
void BM_ViewFirstPaint(benchmark::State& state) {
  Scene& s = TheScene();
  for (auto _ : state) {
    ViewFont font(FontRequest{});  // the view's: it is not zoomed
    QPainter painter(&s.image);
    QtSurface surface(painter, font, s.image.rect(), &s.rowImage);
    s.view->OnDraw(surface);
  }
}

void BM_DrawTextPerRow(benchmark::State& state) {
  Scene& s = TheScene();
  const ViewFont& font = *s.host->font;
  const QColor ink(Qt::black);
  for (auto _ : state) {
    QPainter painter(&s.image);
    painter.fillRect(s.image.rect(), QColor(0xFF, 0xFF, 0x80));
    painter.setFont(font.Font());
    painter.setPen(ink);
    int top = 0;
    for (const QString& row : s.rowTexts) {
      painter.drawText(QPointF(2 * font.CellWidth(), top + font.Baseline()), row);
      top += font.LineHeight();
    }
  }
}

class CollectingReporter : public benchmark::ConsoleReporter {
 public:
  using ConsoleReporter::ConsoleReporter;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      if (run.run_type == Run::RT_Iteration || run.aggregate_name == "median")
        cpu_[run.run_name.function_name] = run.GetAdjustedCPUTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  double Get(const std::string& name) const {
    const auto it = cpu_.find(name);
    return it == cpu_.end() ? -1 : it->second;
  }

 private:
  std::map<std::string, double> cpu_;
};

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

  const char* names[] = {"BM_View", "BM_ViewSelection", "BM_ViewGlyphRuns", "BM_ViewFirstPaint",
                         "BM_DrawTextPerRow"};
  benchmark::RegisterBenchmark(names[0], BM_View)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark(names[1], BM_ViewSelection)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark(names[2], BM_ViewGlyphRuns)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark(names[3], BM_ViewFirstPaint)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark(names[4], BM_DrawTextPerRow)->Unit(benchmark::kMicrosecond);

  const ViewFont& font = *TheScene().host->font;
  std::printf("view %d x %d cells of %d x %d px (%s), %d visible columns\n", kColumns, kRows,
              font.CellWidth(), font.LineHeight(), qPrintable(font.Font().family()),
              TheScene().view->VisibleColumns());
  CollectingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  const double ref = reporter.Get(names[4]);
  if (ref > 0) {
    std::printf("\nfull repaint / one drawText per row (cpu time):\n");
    for (int i = 0; i < 4; ++i) {
      const double t = reporter.Get(names[i]);
      if (t > 0) std::printf("  %-20s %9.1f us  %5.2fx\n", names[i], t, t / ref);
    }
  }
  return 0;
}

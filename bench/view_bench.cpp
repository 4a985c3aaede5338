// Painting a page of 10 000 strokes through the remark view on the cairo
// canvas, against cairo alone stroking the same polylines on a surface of the
// same size. The ratios are printed at the end, of real time and, steadier on
// a shared machine, of CPU time; the goal is at most 2x.
//
//   view_bench [benchmark options]
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cstdint>
#include <iostream>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/posix/view/cairo_dc.h"
#include "ports/emf.h"
#include "ports/platform.h"
#include "remark/remark_doc.h"
#include "remark/remark_view.h"

namespace {

using kit::remark::CRemarkDoc;

constexpr int kStrokes = 10000;
constexpr int kStepsPerStroke = 20;
constexpr int kStrokesPerPen = 50;  // a remarker writes a while with one pen

// A borderless window as large as the zoomed page and its desk.
class BenchWindow : public kit::IViewWindow, public kit::IWindowMetrics {
 public:
  BenchWindow(int w, int h) : w_(w), h_(h) {}
  std::uint32_t Style() const override { return kit::kWsChild | kit::kWsVisible; }
  std::uint32_t ExStyle() const override { return 0; }
  kit::RectL WindowRect() const override { return {0, 0, w_, h_}; }
  kit::RectL ClientRect() const override { return {0, 0, w_, h_}; }
  kit::PointL ClientToScreen(kit::PointL p) const override { return p; }
  void ShowScrollBar(int, bool) override {}
  kit::ScrollInfo GetScrollInfo(int) const override { return {}; }
  void SetScrollInfo(int, const kit::ScrollInfo&) override {}
  void SetScrollPos(int, int) override {}
  void ScrollWindow(int, int) override {}
  void Invalidate(bool) override {}
  std::unique_ptr<kit::IDeviceContext> GetClientDC() override { return nullptr; }
  void SetCapture() override {}
  void ReleaseCapture() override {}
  void ClipCursor(const kit::RectL*) override {}
  void SetCursorPos(int, int) override {}
  void SetCursor(CursorHandle) override {}
  int SystemMetric(int) const override { return 17; }
  kit::RectL AdjustWindowRectEx(const kit::RectL& r, std::uint32_t, std::uint32_t) const override { return r; }

 private:
  int w_, h_;
};

struct Polyline {
  double width;
  double r, g, b;
  std::vector<std::pair<double, double>> pts;  // device pixels
};

std::unique_ptr<CRemarkDoc> g_doc;
int g_pageW = 0, g_pageH = 0;

// An A4 page at 96 dpi whose picture has no records (the strokes are what is
// measured) and 10 000 strokes of 21 points over it.
void BuildDocument() {
  g_doc = std::make_unique<CRemarkDoc>(nullptr, kit::DefaultPlatform());
  std::vector<std::uint8_t> bits = kit::MakeEmfBits({0, 0, 21000, 29700}, u"WPSFile");
  std::vector<kit::EnhMetaFilePtr> pictures;
  pictures.push_back(kit::DefaultPlatform().metafiles->FromBits(bits.data(), bits.size()));
  g_doc->ReplacePages(std::move(pictures));
  g_doc->CurrentPageSize(g_pageW, g_pageH);
  std::mt19937 rng(7);
  const kit::ColorRef colours[] = {0x0000FF, 0xFF0000, 0x00A000};
  for (int i = 0; i < kStrokes; ++i) {
    if (i % kStrokesPerPen == 0) {
      g_doc->SetPenWidth(static_cast<int>(rng() % 6) + 1);
      g_doc->SetPenColor(colours[rng() % 3]);
    }
    int x = static_cast<int>(rng() % static_cast<unsigned>(g_pageW - 200)) + 100;
    int y = static_cast<int>(rng() % static_cast<unsigned>(g_pageH - 200)) + 100;
    g_doc->BeginStroke(x, y);
    for (int s = 0; s < kStepsPerStroke; ++s) {
      int dx = static_cast<int>(rng() % 13) - 6, dy = static_cast<int>(rng() % 13) - 6;
      if (dx == 0 && dy == 0) dx = 1;
      g_doc->AddStep(dx, dy);
    }
    g_doc->EndStroke();
  }
}

// The same strokes as device polylines at `zoom`, for cairo alone.
std::vector<Polyline> Polylines(int zoom) {
  std::vector<Polyline> out;
  const kit::remark::CRemarkPage& p = g_doc->page(0);
  kit::remark::StrokeCursor c(p.stroke_bytes(), static_cast<std::size_t>(p.used_length()));
  kit::remark::StrokeView s;
  auto dev = [zoom](int v) { return 16 + static_cast<double>(v) * zoom / 100 + 0.5; };
  while (c.Next(s)) {
    Polyline l;
    l.width = s.header.width * zoom / 100;
    l.r = s.header.red / 255.0;
    l.g = s.header.green / 255.0;
    l.b = s.header.blue / 255.0;
    int x = s.header.x, y = s.header.y;
    l.pts.push_back({dev(x), dev(y)});
    for (std::size_t i = 0; i < s.step_count; ++i) {
      x += static_cast<std::int8_t>(s.steps[2 * i]);
      y += static_cast<std::int8_t>(s.steps[2 * i + 1]);
      l.pts.push_back({dev(x), dev(y)});
    }
    out.push_back(std::move(l));
  }
  return out;
}

int Side(int page, int zoom) { return page * zoom / 100 + 36; }

void BM_ViewPaint(benchmark::State& state) {
  const int zoom = static_cast<int>(state.range(0));
  const int w = Side(g_pageW, zoom), h = Side(g_pageH, zoom);
  BenchWindow window(w, h);
  kit::remark::CRemarkView view(window, window);
  view.SetDocument(g_doc.get());
  view.SetZoom(zoom);
  view.GoToPage(0);
  kit::view::CairoDC dc(w, h);
  for (auto _ : state) {
    // A fresh mapping each time, as each WM_PAINT gets a fresh DC.
    dc.SetMapMode(kit::kMmText);
    dc.SetWindowOrg(0, 0);
    dc.SetViewportOrg(0, 0);
    view.OnPaint(dc);
    dc.Flush();
  }
}
BENCHMARK(BM_ViewPaint)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CairoAlone(benchmark::State& state) {
  const int zoom = static_cast<int>(state.range(0));
  const int w = Side(g_pageW, zoom), h = Side(g_pageH, zoom);
  const std::vector<Polyline> lines = Polylines(zoom);
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
  cairo_t* cr = cairo_create(s);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  for (auto _ : state) {
    for (const Polyline& l : lines) {
      cairo_set_line_width(cr, l.width < 1 ? 1 : l.width);
      cairo_set_source_rgb(cr, l.r, l.g, l.b);
      cairo_move_to(cr, l.pts[0].first, l.pts[0].second);
      for (std::size_t i = 1; i < l.pts.size(); ++i) cairo_line_to(cr, l.pts[i].first, l.pts[i].second);
      cairo_stroke(cr);
    }
    cairo_surface_flush(s);
  }
  cairo_destroy(cr);
  cairo_surface_destroy(s);
}
BENCHMARK(BM_CairoAlone)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond)->UseRealTime();

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  RatioReporter() : ConsoleReporter(OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.error_occurred || r.run_type != Run::RT_Iteration) continue;
      times[r.benchmark_name()] = r.GetAdjustedRealTime();
      cpu[r.benchmark_name()] = r.GetAdjustedCPUTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> times, cpu;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
  BuildDocument();
  std::cout << "page: " << g_pageW << " x " << g_pageH << " pixels, " << g_doc->page(0).StrokeCount() << " strokes of "
            << kStepsPerStroke + 1 << " points" << std::endl;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (const char* zoom : {"100", "200"}) {
    auto v = reporter.times.find(std::string("BM_ViewPaint/") + zoom + "/real_time");
    auto c = reporter.times.find(std::string("BM_CairoAlone/") + zoom + "/real_time");
    if (v == reporter.times.end() || c == reporter.times.end() || c->second <= 0) continue;
    std::ostringstream s;
    s.precision(2);
    const std::string vn = v->first, cn = c->first;
    s << std::fixed << "zoom " << zoom << ": view paint " << v->second / c->second << "x of cairo alone (" << v->second
      << " ms against " << c->second << " ms; goal 2x); CPU time " << reporter.cpu[vn] / reporter.cpu[cn] << "x";
    std::cout << s.str() << std::endl;
  }
  benchmark::Shutdown();
  return 0;
}

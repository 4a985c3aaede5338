// Page capture through the Word stand-in: the capture's own cost per page
// against the stand-in answering the same calls by itself.
//
//   capture_bench [benchmark options]   timings, then the ratio
//   capture_bench --picture-bytes N     page pictures of N bytes of records each
#include <benchmark/benchmark.h>

#include <iostream>
#include <map>
#include <string>

#include "ports/platform.h"
#include "remark/page_capture.h"
#include "sim/word/word_standin.h"

namespace {

using kit::automation::InvokeKind;
using kit::automation::Variant;
namespace d = kit::remark::capture_dispid;

constexpr int kPages = 100;
std::size_t g_pictureBytes = 0;

std::string DocumentText() {
  std::string text;
  for (int i = 0; i < kPages; ++i) text += std::string(2000, static_cast<char>('a' + i % 26)) + (i + 1 < kPages ? "\f" : "");
  return text;
}

struct Rig {
  kit::sim::MemoryClipboard clipboard;
  kit::sim::WordStandIn word{&clipboard};
  kit::remark::CapturePorts ports;
  kit::automation::DispatchPtr doc;
  Rig() {
    const kit::Platform& p = kit::DefaultPlatform();
    ports.clipboard = &clipboard;
    ports.metafiles = p.metafiles;
    ports.screen = p.screen;
    ports.codepage = p.codepage;
    word.picture_bytes = g_pictureBytes;
    doc = word.OpenDocument("");
    word.documents.back()->SetText(DocumentText());
  }
};

void BM_CaptureThroughControl(benchmark::State& state) {
  Rig r;
  for (auto _ : state) {
    auto pages = kit::remark::CaptureFromObject(r.ports, r.doc);
    if (pages.size() != kPages) state.SkipWithError("wrong page count");
    benchmark::DoNotOptimize(pages.data());
    r.word.calls.clear();
  }
  state.SetItemsProcessed(state.iterations() * kPages);
}
BENCHMARK(BM_CaptureThroughControl)->Unit(benchmark::kMillisecond);

// The same calls made on the stand-in directly, with no clipboard read.
void BM_StandInAlone(benchmark::State& state) {
  Rig r;
  auto obj = [](const Variant& v) { return v.AsDispatch(); };
  const Variant one = Variant::I2(1), missing = Variant::Missing();
  for (auto _ : state) {
    r.doc->Invoke(d::kDocActivate, InvokeKind::Method, {});
    auto content = obj(r.doc->Invoke(d::kDocContent, InvokeKind::PropertyGet, {}));
    std::int32_t start = content->Invoke(d::kRangeStart, InvokeKind::PropertyGet, {}).AsI4();
    const std::int32_t end = content->Invoke(d::kRangeEnd, InvokeKind::PropertyGet, {}).AsI4();
    auto last = obj(r.doc->Invoke(d::kDocGoTo, InvokeKind::Method, {one, Variant::I2(-1), one, missing}));
    const std::int32_t n = last->Invoke(d::kRangeInformation, InvokeKind::PropertyGet, {Variant::I4(3)}).AsI4();
    for (std::int32_t i = 0; i < n; ++i) {
      std::int32_t e = end;
      if (i != n - 1) {
        auto next = obj(r.doc->Invoke(d::kDocGoTo, InvokeKind::Method,
                                      {one, one, Variant::I2(static_cast<std::int16_t>(i + 2)), missing}));
        e = next->Invoke(d::kRangeStart, InvokeKind::PropertyGet, {}).AsI4();
      }
      auto range = obj(r.doc->Invoke(d::kDocRange, InvokeKind::Method, {Variant::I4(start), Variant::I4(e)}));
      range->Invoke(d::kRangeCopyAsPicture, InvokeKind::Method, {});
      start = e;
    }
    r.doc->Invoke(d::kDocClose, InvokeKind::Method, {missing, missing, missing});
    r.word.calls.clear();
  }
  state.SetItemsProcessed(state.iterations() * kPages);
}
BENCHMARK(BM_StandInAlone)->Unit(benchmark::kMillisecond);

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> cpu;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) cpu[run.benchmark_name()] = run.GetAdjustedCPUTime();
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (argc == 3 && std::string(argv[1]) == "--picture-bytes") {
    g_pictureBytes = static_cast<std::size_t>(std::stoul(argv[2]));
    argc = 1;
  }
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  auto a = reporter.cpu.find("BM_CaptureThroughControl"), b = reporter.cpu.find("BM_StandInAlone");
  if (a != reporter.cpu.end() && b != reporter.cpu.end() && b->second > 0)
    std::cout << "capture: " << a->second / b->second << "x of the stand-in alone (" << kPages << " pages)" << std::endl;
  return 0;
}

// The upload page scanner (normalisation and scan) on 1 MB and 10 MB pages
// against memchr over the same bytes, and how the time grows with the page.
// The fresh page each run needs is made on the clock on both sides: copied
// in one piece, or appended in the pieces a fetch delivers.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <iostream>
#include <map>
#include <string>

#include "exchange/form_scan.h"

namespace {

// A listing page as the office server writes them, the upload form last, so
// the scanner walks every tag before it.
std::string MakePage(std::size_t size) {
  const std::string row =
      "<tr><td class=\"c\">2026-12-07</td><td><a href=\"view.jsp?id=1\">REPORT FILE NAME.doc</a></td>"
      "<td>\xC5\xFA\xD7\xA2 remarks of the office</td></tr>\n";
  std::string page = "<html><head><title>upload</title></head><body><table>\n";
  while (page.size() + row.size() < size) page += row;
  page +=
      "</table><FORM ACTION=\"up.jsp\" METHOD=post><input type=\"file\" name=\"attach\">"
      "<input type=\"checkbox\" name=\"d1\" value=\"a.doc\"><input type=\"checkbox\" name=\"d2\" value=\"b.doc\"></FORM>";
  return page;
}

// Real and CPU time of the fastest repetition; on a shared machine the CPU
// time of this single-threaded work is the steadier of the two.
std::map<std::string, double> g_seconds, g_cpu;

// Each run needs a fresh page, as the scan lowers it in place. Both buffers
// keep their capacity from one page to the next, as g_pageText does, so a
// fresh allocation's page faults are not what is timed.
using FreshPage = std::string& (*)(const std::string& page, std::string& buffer);

// The page copied in one piece.
std::string& Copied(const std::string& page, std::string& buffer) {
  buffer.assign(page);
  return buffer;
}

// The page as a fetch delivers it: libcurl's 100 KB pieces appended to
// g_pageText by the write callback, which looks for a NUL in each.
std::string& Fetched(const std::string& page, std::string&) {
  kit::exchange::g_pageText.clear();
  constexpr std::size_t kPiece = 100 << 10;
  for (std::size_t at = 0; at < page.size(); at += kPiece) {
    const std::size_t n = std::min(kPiece, page.size() - at);
    kit::exchange::AppendPageText(const_cast<char*>(page.data() + at), 1, n, nullptr);
  }
  return kit::exchange::g_pageText;
}

template <typename Pass>
void Run(benchmark::State& state, FreshPage fresh, Pass pass) {
  const std::string page = MakePage(static_cast<std::size_t>(state.range(0)) << 20);
  std::string buffer;
  buffer.reserve(page.size());
  kit::exchange::g_pageText.reserve(page.size());
  for (auto _ : state) pass(fresh(page, buffer));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}

void Scan(benchmark::State& state, FreshPage fresh) {
  Run(state, fresh, [](std::string& text) {
    kit::exchange::NormalisePageText(text);
    kit::exchange::FormScan scan = kit::exchange::ScanUploadForm(text, "b.doc");
    benchmark::DoNotOptimize(scan);
  });
}

// One pass for a byte that is absent, after the same fresh page.
void Memchr(benchmark::State& state, FreshPage fresh) {
  Run(state, fresh, [](std::string& text) { benchmark::DoNotOptimize(std::memchr(text.data(), 0, text.size())); });
}

// Other work on the machine evicts the caches and takes the core at random;
// the fastest of several repetitions is the figure least disturbed by it.
void Sizes(benchmark::internal::Benchmark* b) {
  b->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->Repetitions(7)->DisplayAggregatesOnly(true);
  b->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); });
}

BENCHMARK_CAPTURE(Scan, copied, &Copied)->Apply(Sizes);
BENCHMARK_CAPTURE(Memchr, copied, &Copied)->Apply(Sizes);
BENCHMARK_CAPTURE(Scan, fetched, &Fetched)->Apply(Sizes);
BENCHMARK_CAPTURE(Memchr, fetched, &Fetched)->Apply(Sizes);

class Recorder : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Aggregate || run.aggregate_name != "min") continue;
      g_seconds[run.run_name.function_name + "/" + run.run_name.args] = run.GetAdjustedRealTime();
      g_cpu[run.run_name.function_name + "/" + run.run_name.args] = run.GetAdjustedCPUTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  Recorder reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (const char* way : {"copied", "fetched"}) {
    for (const char* size : {"1", "10"}) {
      const std::string scan = std::string("Scan/") + way + "/" + size;
      const std::string plain = std::string("Memchr/") + way + "/" + size;
      if (g_seconds.count(scan) != 0 && g_seconds.count(plain) != 0) {
        std::cout << size << " MB page, " << way << ": scanner at " << g_seconds[plain] / g_seconds[scan]
                  << "x of memchr throughput (CPU time: " << g_cpu[plain] / g_cpu[scan] << "x)\n";
      }
    }
    for (const char* name : {"Scan/", "Memchr/"}) {
      const std::string one = name + std::string(way) + "/1", ten = name + std::string(way) + "/10";
      if (g_seconds.count(one) != 0 && g_seconds.count(ten) != 0) {
        std::cout << name << way << ": 10 MB page takes " << g_seconds[ten] / g_seconds[one]
                  << "x the 1 MB time (CPU time: " << g_cpu[ten] / g_cpu[one] << "x)\n";
      }
    }
  }
  benchmark::Shutdown();
  return 0;
}

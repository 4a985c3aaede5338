// The upload page scanner (normalisation and scan) on 1 MB and 10 MB pages
// against memchr over the same bytes, and how the time grows with the page.
#include <benchmark/benchmark.h>

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

// Real and CPU time of each run; on a shared machine the CPU time of this
// single-threaded work is the steadier of the two.
std::map<std::string, double> g_seconds, g_cpu;

void Scan(benchmark::State& state) {
  const std::string page = MakePage(static_cast<std::size_t>(state.range(0)) << 20);
  // Like g_pageText, the buffer keeps its capacity from one page to the next,
  // so a fresh allocation's page faults are not what is timed.
  std::string text;
  text.reserve(page.size());
  for (auto _ : state) {
    text.assign(page);
    kit::exchange::NormalisePageText(text);
    kit::exchange::FormScan scan = kit::exchange::ScanUploadForm(text, "b.doc");
    benchmark::DoNotOptimize(scan);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}

void Memchr(benchmark::State& state) {
  const std::string page = MakePage(static_cast<std::size_t>(state.range(0)) << 20);
  std::string text;
  text.reserve(page.size());
  for (auto _ : state) {
    // The copy the scanner's run makes too, then one pass for a byte that is
    // absent.
    text.assign(page);
    benchmark::DoNotOptimize(std::memchr(text.data(), 0, text.size()));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}

BENCHMARK(Scan)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(Memchr)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

class Recorder : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      g_seconds[run.benchmark_name()] = run.GetAdjustedRealTime();
      g_cpu[run.benchmark_name()] = run.GetAdjustedCPUTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  Recorder reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (const char* size : {"1", "10"}) {
    const std::string scan = std::string("Scan/") + size, plain = std::string("Memchr/") + size;
    if (g_seconds.count(scan) != 0 && g_seconds.count(plain) != 0) {
      std::cout << size << " MB page: scanner at " << g_seconds[plain] / g_seconds[scan]
                << "x of memchr throughput (CPU time: " << g_cpu[plain] / g_cpu[scan] << "x)\n";
    }
  }
  if (g_seconds.count("Scan/1") != 0 && g_seconds.count("Scan/10") != 0) {
    std::cout << "10 MB page takes " << g_seconds["Scan/10"] / g_seconds["Scan/1"]
              << "x the 1 MB time (CPU time: " << g_cpu["Scan/10"] / g_cpu["Scan/1"] << "x)\n";
  }
  benchmark::Shutdown();
  return 0;
}

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

// Real and CPU time of the fastest repetition; on a shared machine the CPU time of this
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

// The page as a fetch delivers it: libcurl's 100 KB pieces appended to
// g_pageText by the write callback, which looks for a NUL in each.
void Fetched(const std::string& page) {
  kit::exchange::g_pageText.clear();
  constexpr std::size_t kPiece = 100 << 10;
  for (std::size_t at = 0; at < page.size(); at += kPiece) {
    const std::size_t n = std::min(kPiece, page.size() - at);
    kit::exchange::AppendPageText(const_cast<char*>(page.data() + at), 1, n, nullptr);
  }
}

void ScanFetched(benchmark::State& state) {
  const std::string page = MakePage(static_cast<std::size_t>(state.range(0)) << 20);
  kit::exchange::g_pageText.reserve(page.size());
  for (auto _ : state) {
    Fetched(page);
    kit::exchange::NormalisePageText(kit::exchange::g_pageText);
    kit::exchange::FormScan scan = kit::exchange::ScanUploadForm(kit::exchange::g_pageText, "b.doc");
    benchmark::DoNotOptimize(scan);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}

void MemchrFetched(benchmark::State& state) {
  const std::string page = MakePage(static_cast<std::size_t>(state.range(0)) << 20);
  kit::exchange::g_pageText.reserve(page.size());
  for (auto _ : state) {
    Fetched(page);
    const std::string& text = kit::exchange::g_pageText;
    benchmark::DoNotOptimize(std::memchr(text.data(), 1, text.size()));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}

// Other work on the machine evicts the caches and takes the core at random;
// the fastest of several repetitions is the figure least disturbed by it.
void Sizes(benchmark::internal::Benchmark* b) {
  b->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->Repetitions(7)->DisplayAggregatesOnly(true);
  b->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); });
}

BENCHMARK(Scan)->Apply(Sizes);
BENCHMARK(Memchr)->Apply(Sizes);
BENCHMARK(ScanFetched)->Apply(Sizes);
BENCHMARK(MemchrFetched)->Apply(Sizes);

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
  for (const char* pair : {"", "Fetched"}) {
    for (const char* size : {"1", "10"}) {
      const std::string scan = std::string("Scan") + pair + "/" + size;
      const std::string plain = std::string("Memchr") + pair + "/" + size;
      if (g_seconds.count(scan) != 0 && g_seconds.count(plain) != 0) {
        std::cout << size << " MB page" << (*pair != 0 ? ", appended as fetched" : ", one copy") << ": scanner at "
                  << g_seconds[plain] / g_seconds[scan] << "x of memchr throughput (CPU time: "
                  << g_cpu[plain] / g_cpu[scan] << "x)\n";
      }
    }
  }
  for (const char* name : {"Scan", "Memchr", "ScanFetched", "MemchrFetched"}) {
    const std::string one = std::string(name) + "/1", ten = std::string(name) + "/10";
    if (g_seconds.count(one) != 0 && g_seconds.count(ten) != 0) {
      std::cout << name << ": 10 MB page takes " << g_seconds[ten] / g_seconds[one]
                << "x the 1 MB time (CPU time: " << g_cpu[ten] / g_cpu[one] << "x)\n";
    }
  }
  benchmark::Shutdown();
  return 0;
}

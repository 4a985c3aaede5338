// The upload page scanner (normalisation and scan) on listing pages of 1, 4
// and 16 MB, against fetching the same page from the office server stand-in
// on loopback in the same run, as UploadThroughForm fetches it: how the scan's
// time grows with the page, and what it adds to the fetch.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <iostream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "apps/office-server/office_server.h"
#include "exchange/form_scan.h"
#include "platform/common/curl_form_poster.h"

namespace {

constexpr const char* kCookie = "JSESSIONID=bench42";
const int kSizes[] = {1, 4, 16};

// A listing page as the office server writes them, the upload form last, so
// the scanner walks every tag before it. Every row holds the upper-case words
// FILE and NAME, which the normalisation lowers.
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

std::map<int, std::string> g_pages;
kit::office::OfficeServer* g_server = nullptr;

std::string PageName(int megabytes) { return "list" + std::to_string(megabytes) + ".jsp"; }

// Each run scans a fresh copy, as the scan lowers the page in place; the copy
// is made off the clock into a buffer that keeps its capacity, as g_pageText
// does between fetches.
void Scan(benchmark::State& state) {
  const std::string& page = g_pages.at(static_cast<int>(state.range(0)));
  std::string& text = kit::exchange::g_pageText;
  text.reserve(page.size());
  for (auto _ : state) {
    state.PauseTiming();
    text.assign(page);
    state.ResumeTiming();
    kit::exchange::NormalisePageText(text);
    kit::exchange::FormScan scan = kit::exchange::ScanUploadForm(text, "b.doc");
    if (scan.check_box_name != "d2") state.SkipWithError("the form was not read");
    benchmark::DoNotOptimize(scan);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}

// The same page fetched with the cookie into g_pageText through the write
// callback, as the upload's first request does.
void Fetch(benchmark::State& state) {
  const int megabytes = static_cast<int>(state.range(0));
  const std::string url = g_server->BaseUrl() + "/pages/" + PageName(megabytes);
  const std::size_t size = g_pages.at(megabytes).size();
  kit::CurlFormPoster poster;
  kit::exchange::g_pageText.reserve(size);
  for (auto _ : state) {
    kit::exchange::g_pageText.clear();
    if (!poster.FetchPage(url, kCookie, &kit::exchange::AppendPageText, nullptr).ok() ||
        kit::exchange::g_pageText.size() != size) {
      state.SkipWithError("the page did not arrive whole");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

// Other work on the machine evicts the caches and takes the core at random;
// the fastest of several repetitions is the figure least disturbed by it.
void Sizes(benchmark::internal::Benchmark* b) {
  for (int megabytes : kSizes) b->Arg(megabytes);
  b->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(7)->DisplayAggregatesOnly(true);
  b->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); });
}

BENCHMARK(Scan)->Apply(Sizes);
BENCHMARK(Fetch)->Apply(Sizes);

// Real and CPU time of the fastest repetition, by "Scan/4" and the like.
std::map<std::string, double> g_seconds, g_cpu;

class Recorder : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Aggregate || run.aggregate_name != "min" || run.error_occurred) continue;
      g_seconds[run.run_name.function_name + "/" + run.run_name.args] = run.GetAdjustedRealTime();
      g_cpu[run.run_name.function_name + "/" + run.run_name.args] = run.GetAdjustedCPUTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  kit::office::OfficeServer server;
  for (int megabytes : kSizes) {
    g_pages[megabytes] = MakePage(static_cast<std::size_t>(megabytes) << 20);
    server.PutPage(PageName(megabytes), g_pages[megabytes]);
  }
  if (server.Start() <= 0) {
    std::cerr << "the office server stand-in could not listen on loopback\n";
    return 1;
  }
  g_server = &server;
  Recorder reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  // Linear: the time per MB stays the same from the smallest page to the
  // largest (goal: the largest at most 1.2 times the smallest's per MB).
  auto has = [](const std::string& name) { return g_seconds.count(name) != 0; };
  for (int megabytes : kSizes) {
    const std::string scan = "Scan/" + std::to_string(megabytes), fetch = "Fetch/" + std::to_string(megabytes);
    if (!has(scan) || !has(fetch)) continue;
    std::cout << megabytes << " MB page: scan " << g_seconds[scan] << " ms (" << g_seconds[scan] / megabytes
              << " ms per MB; CPU " << g_cpu[scan] / megabytes << " ms per MB), fetch from the loopback server "
              << g_seconds[fetch] << " ms: the scan costs " << g_seconds[scan] / g_seconds[fetch]
              << "x the fetch\n";
  }
  const int small = kSizes[0], large = kSizes[std::size(kSizes) - 1];
  const std::string first = "Scan/" + std::to_string(small), last = "Scan/" + std::to_string(large);
  if (has(first) && has(last)) {
    std::cout << "scan: " << large << " MB page takes " << g_seconds[last] / g_seconds[first] << "x the " << small
              << " MB time (CPU time: " << g_cpu[last] / g_cpu[first] << "x; linear: " << large / small << "x)\n";
  }
  server.Stop();
  benchmark::Shutdown();
  return 0;
}

// Remark data file throughput against plain copies of the same bytes, and the
// peak memory of loading a large file.
//
//   remark_bench [benchmark options]   timings, ratios, then the memory check
//   remark_bench --peak-memory FILE    the memory check alone, in this process
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "ports/emf.h"
#include "ports/memory_stream.h"
#include "ports/platform.h"
#include "remark/remark_doc.h"
#include "remark/remark_file.h"

namespace {

using kit::remark::CRemarkDoc;
using Bytes = std::vector<std::uint8_t>;

constexpr int kPages = 400;
constexpr int kStrokesPerPage = 750;
constexpr int kStepsPerStroke = 20;

std::unique_ptr<CRemarkDoc> g_doc;
Bytes g_file;  // g_doc as stored
std::vector<std::pair<std::size_t, std::size_t>> g_pieces;  // (offset, size) of each header, record and block

// Pictures of 100-300 KB, as scanned office pages come, and ink of three remarkers.
std::unique_ptr<CRemarkDoc> BuildDocument() {
  auto doc = std::make_unique<CRemarkDoc>(nullptr, kit::DefaultPlatform());
  kit::IMetafileFactory& factory = *kit::DefaultPlatform().metafiles;
  std::vector<kit::EnhMetaFilePtr> pictures;
  for (int i = 0; i < kPages; ++i) {
    std::size_t extra = (100 + static_cast<std::size_t>(i) * 7919 % 201) * 1024;
    Bytes bits = kit::MakeEmfBits({0, 0, 21000, 29700}, u"Page", extra);
    pictures.push_back(factory.FromBits(bits.data(), bits.size()));
  }
  doc->ReplacePages(std::move(pictures));
  const char* remarkers[] = {"\xD5\xC5\xC8\xFD", "\xC0\xEE\xCB\xC4", "\xCD\xF5\xCE\xE5"};
  for (int p = 0; p < kPages; ++p) {
    doc->SetCurrentPage(p);
    for (int s = 0; s < kStrokesPerPage; ++s) {
      doc->SelectRemarker(remarkers[s % 3]);
      doc->BeginStroke(50 + s % 600, 80 + s % 900);
      for (int k = 0; k < kStepsPerStroke; ++k) doc->AddStep(1 + k % 3, (k % 5) - 2);
      doc->EndStroke();
    }
  }
  doc->ConfirmAll();
  doc->SetCurrentPage(0);
  return doc;
}

void BM_StoreDocument(benchmark::State& state) {
  for (auto _ : state) {
    kit::MemoryStream out;
    kit::remark::StoreDocument(*g_doc, out);
    benchmark::DoNotOptimize(out.bytes().data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * g_file.size()));
}

// The same bytes in the pieces a store writes them in: what the stream's own
// growth costs, apart from the document.
void BM_PlainWritePieces(benchmark::State& state) {
  for (auto _ : state) {
    kit::MemoryStream out;
    for (const auto& [at, n] : g_pieces) out.Write(g_file.data() + at, n);
    benchmark::DoNotOptimize(out.bytes().data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * g_file.size()));
}

void Cut(const CRemarkDoc& doc) {
  std::size_t at = 0;
  auto piece = [&at](std::size_t n) {
    if (n != 0) g_pieces.emplace_back(at, n);
    at += n;
  };
  piece(kit::remark::kFileHeaderSize);
  for (int i = 0; i < doc.page_count(); ++i) {
    const kit::remark::CRemarkPage& p = doc.page(i);
    piece(kit::remark::kPageRecordSize);
    piece(p.background() != nullptr ? p.background()->BitsSize() : 0);
    piece(static_cast<std::size_t>(p.used_length()));
  }
  piece(static_cast<std::size_t>(doc.remarker_list_length()));
}

void BM_PlainWrite(benchmark::State& state) {
  for (auto _ : state) {
    kit::MemoryStream out;
    out.Write(g_file.data(), g_file.size());
    benchmark::DoNotOptimize(out.bytes().data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * g_file.size()));
}

// Both loads time what reading needs, allocation included; making the source
// stream and freeing the result are left out of both.
void BM_LoadDocument(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto in = std::make_unique<kit::MemoryStream>(g_file);
    auto doc = std::make_unique<CRemarkDoc>(nullptr, kit::DefaultPlatform());
    state.ResumeTiming();
    kit::remark::LoadDocument(*doc, *in, static_cast<std::int64_t>(g_file.size()));
    benchmark::DoNotOptimize(doc.get());
    state.PauseTiming();
    doc.reset();
    in.reset();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * g_file.size()));
}

void BM_PlainRead(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto in = std::make_unique<kit::MemoryStream>(g_file);
    state.ResumeTiming();
    std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[g_file.size()]);
    in->Read(copy.get(), g_file.size());
    benchmark::DoNotOptimize(copy.get());
    state.PauseTiming();
    copy.reset();
    in.reset();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * g_file.size()));
}

// Saving goes to disk on the desktops: the same document and the same bytes
// written to a file, so both pay the same page-cache copy.
class FileWriteStream : public kit::IByteStream {
 public:
  explicit FileWriteStream(const std::string& path) : out_(path, std::ios::binary | std::ios::trunc) {}
  std::size_t Read(void*, std::size_t) override { return 0; }
  void Write(const void* buf, std::size_t n) override {
    out_.write(static_cast<const char*>(buf), static_cast<std::streamsize>(n));
  }

 private:
  std::ofstream out_;
};

std::string BenchFile() { return (std::filesystem::temp_directory_path() / "remark_bench_save.dat").string(); }

void BM_StoreToFile(benchmark::State& state) {
  for (auto _ : state) {
    FileWriteStream out(BenchFile());
    kit::remark::StoreDocument(*g_doc, out);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * g_file.size()));
}

void BM_PlainFileWrite(benchmark::State& state) {
  for (auto _ : state) {
    FileWriteStream out(BenchFile());
    out.Write(g_file.data(), g_file.size());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * g_file.size()));
}

BENCHMARK(BM_PlainFileWrite)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StoreToFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainWrite)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainWritePieces)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StoreDocument)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadDocument)->Unit(benchmark::kMillisecond)->UseRealTime();

// Keeps each benchmark's time per iteration for the ratios printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  // Plain text: the output usually ends up in a log.
  RatioReporter() : ConsoleReporter(OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.error_occurred || r.run_type != Run::RT_Iteration) continue;
      std::string name = r.benchmark_name();
      name = name.substr(0, name.find('/'));
      times[name] = r.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> times;
};

void PrintRatio(const RatioReporter& rep, const char* label, const char* ours, const char* plain,
                const char* plain_label) {
  auto o = rep.times.find(ours);
  auto p = rep.times.find(plain);
  if (o == rep.times.end() || p == rep.times.end() || o->second <= 0) return;
  std::ostringstream s;
  s.precision(2);
  s << std::fixed << label << ": " << p->second / o->second << "x of " << plain_label << " (" << o->second
    << " ms against " << p->second << " ms)";
  std::cout << s.str() << std::endl;
}

// VmHWM of /proc/self/status in bytes, or 0 where there is no such file.
std::uint64_t PeakResidentBytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::strtoull(line.c_str() + 6, nullptr, 10) * 1024;
  }
  return 0;
}

class FileReadStream : public kit::IByteStream {
 public:
  explicit FileReadStream(const std::string& path) : in_(path, std::ios::binary) {}
  bool ok() const { return static_cast<bool>(in_); }
  std::size_t Read(void* buf, std::size_t n) override {
    in_.read(static_cast<char*>(buf), static_cast<std::streamsize>(n));
    return static_cast<std::size_t>(in_.gcount());
  }
  void Write(const void*, std::size_t) override {}

 private:
  std::ifstream in_;
};

// In a process that has done nothing else, so that the high-water mark is the load's.
int PeakMemory(const std::string& path) {
  std::error_code ec;
  std::uint64_t size = std::filesystem::file_size(path, ec);
  FileReadStream in(path);
  if (ec || !in.ok() || size == 0) {
    std::cerr << "remark_bench: cannot read " << path << std::endl;
    return 1;
  }
  std::uint64_t before = PeakResidentBytes();
  CRemarkDoc doc(nullptr, kit::DefaultPlatform());
  kit::remark::LoadDocument(doc, in, static_cast<std::int64_t>(size));
  std::uint64_t peak = PeakResidentBytes();
  if (peak == 0) {
    std::cout << "peak memory: no /proc/self/status here" << std::endl;
    return 0;
  }
  constexpr double kMb = 1024.0 * 1024.0;
  std::ostringstream s;
  s.precision(2);
  s << std::fixed << "peak memory: " << peak / kMb << " MB loading a " << size / kMb << " MB file of "
    << doc.page_count() << " pages: " << static_cast<double>(peak) / static_cast<double>(size)
    << "x the file size (goal <= 1.5; " << before / kMb << " MB before loading)";
  std::cout << s.str() << std::endl;
  return 0;
}

std::string Quoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "--peak-memory") == 0) {
    if (argc != 3) {
      std::cerr << "usage: remark_bench --peak-memory FILE" << std::endl;
      return 2;
    }
    return PeakMemory(argv[2]);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;

  g_doc = BuildDocument();
  {
    kit::MemoryStream out;
    kit::remark::StoreDocument(*g_doc, out);
    g_file = out.bytes();
  }
  Cut(*g_doc);
  int strokes = 0;
  for (int i = 0; i < g_doc->page_count(); ++i) strokes += g_doc->page(i).StrokeCount();
  std::cout << "document: " << g_doc->page_count() << " pages, " << strokes << " strokes, " << g_file.size()
            << " bytes" << std::endl;

  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintRatio(reporter, "save", "BM_StoreToFile", "BM_PlainFileWrite", "plain file write");
  PrintRatio(reporter, "store", "BM_StoreDocument", "BM_PlainWrite", "plain write");
  PrintRatio(reporter, "store", "BM_StoreDocument", "BM_PlainWritePieces", "plain write in the same pieces");
  PrintRatio(reporter, "load", "BM_LoadDocument", "BM_PlainRead", "plain copy");

  // The same bytes as a file, loaded by a fresh process of this program.
  std::filesystem::path file = std::filesystem::temp_directory_path() / "remark_bench_peak.dat";
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(g_file.data()), static_cast<std::streamsize>(g_file.size()));
    if (!out) {
      std::cerr << "remark_bench: cannot write " << file << std::endl;
      return 1;
    }
  }
  g_doc.reset();
  Bytes().swap(g_file);
  std::cout.flush();
  std::error_code ec_ignored;
  int status = std::system((Quoted(argv[0]) + " --peak-memory " + Quoted(file.string())).c_str());
  std::filesystem::remove(file);
  std::filesystem::remove(BenchFile(), ec_ignored);
  benchmark::Shutdown();
  return status == 0 ? 0 : 1;
}

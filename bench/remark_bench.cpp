// Remark data file throughput against plain copies of the same bytes, and the
// peak memory of loading a large file and of remark-tool's commands on it.
//
//   remark_bench [benchmark options]   timings, ratios, then the memory checks
//   remark_bench --peak-memory FILE    the load's memory check alone, in this process
//   remark_bench --tool-memory         remark-tool's commands on 16 and 64 MB stroke blocks
//   remark_bench --tool-memory-picture the same on one page with a 2 GB picture
//   remark_bench --tool-peak ARGS...   one remark-tool command in this process; prints its peak
#include <benchmark/benchmark.h>

#include <chrono>
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

#include "apps/remark-tool/remark_tool.h"
#include "ports/emf.h"
#include "ports/le_bytes.h"
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
constexpr double kMb = 1024.0 * 1024.0;

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


// --- remark-tool's commands on files of any content -------------------------


void Put16(std::ofstream& out, unsigned v) {
  std::uint8_t b[2];
  kit::Put16(b, v);
  out.write(reinterpret_cast<const char*>(b), 2);
}
void Put32(std::ofstream& out, std::uint32_t v) {
  std::uint8_t b[4];
  kit::Put32(b, v);
  out.write(reinterpret_cast<const char*>(b), 4);
}
void Patch32(Bytes& b, std::size_t at, std::uint32_t v) { kit::Put32(b, at, v); }

// One page: an A4 picture of `picture` bytes, then `strokes` bytes written by
// `fill` in pieces. Returns the file's size.
template <typename Fill>
std::uint64_t WriteOnePageFile(const std::string& path, const Bytes& picture, std::uint64_t strokes, Fill&& fill) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  Put16(out, 0);
  Put16(out, 1);
  Put16(out, 0);
  Put16(out, 0);
  out.write("\xFF\x00\x00\x02", 4);
  Put32(out, static_cast<std::uint32_t>(picture.size()));
  Put32(out, static_cast<std::uint32_t>(strokes));
  out.write(reinterpret_cast<const char*>(picture.data()), static_cast<std::streamsize>(picture.size()));
  fill(out);
  out.flush();
  if (!out) return 0;
  return 20 + picture.size() + strokes;
}

// Stroke blocks as a damaged or hostile file may hold them: all zeros (each
// 12 bytes an empty stroke), or one stroke of millions of steps.
std::uint64_t WriteStrokeFile(const std::string& path, std::uint64_t size, bool one_long_stroke) {
  const Bytes picture = kit::MakeEmfBits({0, 0, 21000, 29700}, u"Page");
  return WriteOnePageFile(path, picture, size, [&](std::ofstream& out) {
    Bytes piece(1 << 20, 0);
    std::uint64_t left = size;
    if (one_long_stroke) {
      const std::uint8_t head[10] = {0, 0, 0xFF, 0, 0, 2, 100, 0, 100, 0};
      out.write(reinterpret_cast<const char*>(head), 10);
      left -= 12;
      // (3,-1), (-2,2), (-1,-1): a triangle drawn over and over in one place
      // on the page, none of it clipped away.
      const std::uint8_t steps[6] = {3, 0xFF, 0xFE, 2, 0xFF, 0xFF};
      for (std::size_t i = 0; i < piece.size(); ++i) piece[i] = steps[i % 6];
    }
    while (left != 0) {
      const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, piece.size()));
      out.write(reinterpret_cast<const char*>(piece.data()), static_cast<std::streamsize>(n));
      left -= n;
    }
    if (one_long_stroke) out.write("\0\0", 2);
  });
}

// A page scanned finer than any desk scanner: 127 tiles of 2048 x 2048
// 32-bit pixels, each stretched into its cell of the A4 page, as one picture
// just under the format's 2 GB limit.
std::uint64_t WritePictureFile(const std::string& path) {
  constexpr int kSide = 2048, kCols = 12, kTiles = 127;
  constexpr int kCellW = 794 / kCols, kCellH = 1123 / 11;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(kSide) * kSide);
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint32_t>(i * 2654435761u) & 0xFFFFFF;
  const Bytes one = kit::MakeStretchBltEmfBits(kSide, kSide, pixels, kCellW, kCellH, {0, 0, 21000, 29700}, u"");
  std::vector<std::uint32_t>().swap(pixels);
  const std::size_t header = 108, eof = 20;
  const Bytes record(one.begin() + header, one.end() - eof);
  const std::uint64_t total = header + static_cast<std::uint64_t>(kTiles) * record.size() + eof;
  Bytes head(one.begin(), one.begin() + header);
  Patch32(head, 16, 793);  // bounds: the whole page
  Patch32(head, 20, 1122);
  Patch32(head, 48, static_cast<std::uint32_t>(total));
  Patch32(head, 52, kTiles + 2);
  const Bytes tail(one.end() - eof, one.end());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  const std::uint8_t file_head[12] = {0, 0, 1, 0, 0, 0, 0, 0, 0xFF, 0, 0, 2};
  out.write(reinterpret_cast<const char*>(file_head), sizeof file_head);
  Put32(out, static_cast<std::uint32_t>(total));
  Put32(out, 0);
  out.write(reinterpret_cast<const char*>(head.data()), static_cast<std::streamsize>(head.size()));
  Bytes rec = record;
  for (int t = 0; t < kTiles; ++t) {
    const std::int32_t x = (t % kCols) * kCellW, y = (t / kCols) * kCellH;
    Patch32(rec, 8, static_cast<std::uint32_t>(x));  // bounds, then the destination's corner
    Patch32(rec, 12, static_cast<std::uint32_t>(y));
    Patch32(rec, 16, static_cast<std::uint32_t>(x + kCellW - 1));
    Patch32(rec, 20, static_cast<std::uint32_t>(y + kCellH - 1));
    Patch32(rec, 24, static_cast<std::uint32_t>(x));
    Patch32(rec, 28, static_cast<std::uint32_t>(y));
    out.write(reinterpret_cast<const char*>(rec.data()), static_cast<std::streamsize>(rec.size()));
  }
  out.write(reinterpret_cast<const char*>(tail.data()), static_cast<std::streamsize>(tail.size()));
  out.flush();
  return out ? 20 + total : 0;
}

// One command in this process, its output thrown away; prints the peak.
int ToolPeak(int argc, char** argv) {
  std::vector<std::string> args(argv + 2, argv + argc);
  std::ofstream discard("/dev/null");
  std::ostringstream err;
  const int status = kit::remark_tool::Run(args, kit::DefaultPlatform(), discard, err);
  std::cout << PeakResidentBytes() << std::endl;
  if (status != 0) std::cerr << err.str();
  return status;
}

// Peak resident bytes of `argv0 --tool-peak ARGS` in a fresh process, or 0.
std::uint64_t MeasureTool(const std::string& argv0, const std::vector<std::string>& args) {
  std::string cmd = Quoted(argv0) + " --tool-peak";
  for (const std::string& a : args) cmd += " " + Quoted(a);
  FILE* p = popen(cmd.c_str(), "r");
  if (p == nullptr) return 0;
  char line[64] = {};
  const bool got = std::fgets(line, sizeof line, p) != nullptr;
  const int status = pclose(p);
  return got && status == 0 ? std::strtoull(line, nullptr, 10) : 0;
}

std::string Fixed(double v) {
  std::ostringstream s;
  s.precision(2);
  s << std::fixed << v;
  return s.str();
}

std::vector<std::string> ToolArgs(const std::string& command, const std::string& file) {
  const std::string dir = std::filesystem::path(file).parent_path().string();
  if (command == "info") return {command, file};
  if (command == "render") return {command, file, "1", dir + "/remark_bench_page.png"};
  return {command, file, dir + "/remark_bench_page.pdf"};
}

void RemoveToolOutputs(const std::string& file) {
  std::error_code ignored;
  for (const char* c : {"render", "print"}) std::filesystem::remove(ToolArgs(c, file).back(), ignored);
}

// remark-tool's three commands on 16 and 64 MB stroke blocks of two kinds, each
// in a fresh process. Per command: the peak against each file's size, and what
// the 48 MB between the two files cost, per byte (goal <= 2: no more than
// twice the file's size plus what the command needs whatever the file).
int ToolMemory(const std::string& argv0) {
  const std::string file = (std::filesystem::temp_directory_path() / "remark_bench_tool.dat").string();
  bool ok = true;
  for (bool long_stroke : {false, true}) {
    std::cout << (long_stroke ? "one stroke of millions of steps" : "all zero stroke block (empty strokes)") << ':'
              << std::endl;
    std::map<std::string, std::uint64_t> peak;
    std::map<std::uint64_t, std::uint64_t> size;
    for (std::uint64_t mb : {16, 64}) {
      size[mb] = WriteStrokeFile(file, mb << 20, long_stroke);
      for (const char* c : {"info", "render", "print"}) peak[c + std::to_string(mb)] = MeasureTool(argv0, ToolArgs(c, file));
    }
    for (const char* c : {"info", "render", "print"}) {
      const std::uint64_t p16 = peak[c + std::string("16")], p64 = peak[c + std::string("64")];
      if (p16 == 0 || p64 == 0 || size[16] == 0 || size[64] == 0) {
        std::cout << "  " << c << ": failed" << std::endl;
        ok = false;
        continue;
      }
      const double slope = (static_cast<double>(p64) - static_cast<double>(p16)) /
                           (static_cast<double>(size[64]) - static_cast<double>(size[16]));
      std::cout << "  " << c << ": 16 MB file " << Fixed(p16 / kMb) << " MB peak ("
                << Fixed(static_cast<double>(p16) / static_cast<double>(size[16])) << "x), 64 MB file "
                << Fixed(p64 / kMb) << " MB (" << Fixed(static_cast<double>(p64) / static_cast<double>(size[64]))
                << "x); each further byte of file " << Fixed(slope) << " bytes (goal <= 2), the rest "
                << Fixed((static_cast<double>(p16) - slope * static_cast<double>(size[16])) / kMb) << " MB"
                << std::endl;
    }
  }
  RemoveToolOutputs(file);
  std::error_code ignored;
  std::filesystem::remove(file, ignored);
  return ok ? 0 : 1;
}

// The same commands once on one page with a picture just under 2 GB.
int ToolMemoryPicture(const std::string& argv0) {
  const std::string file = (std::filesystem::temp_directory_path() / "remark_bench_picture.dat").string();
  const std::uint64_t size = WritePictureFile(file);
  bool ok = size != 0;
  for (const char* c : {"info", "render", "print"}) {
    if (!ok) break;
    const auto started = std::chrono::steady_clock::now();
    const std::uint64_t p = MeasureTool(argv0, ToolArgs(c, file));
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    ok = p != 0;
    std::cout << c << ", " << Fixed(size / kMb) << " MB file with a " << Fixed((size - 40) / kMb)
              << " MB picture: peak " << Fixed(p / kMb) << " MB = "
              << Fixed(static_cast<double>(p) / static_cast<double>(size)) << "x the file size (goal <= 2), "
              << Fixed(secs) << " s" << std::endl;
  }
  RemoveToolOutputs(file);
  std::error_code ignored;
  std::filesystem::remove(file, ignored);
  return ok ? 0 : 1;
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
  if (argc >= 2 && std::strcmp(argv[1], "--tool-peak") == 0) return ToolPeak(argc, argv);
  if (argc == 2 && std::strcmp(argv[1], "--tool-memory") == 0) return ToolMemory(argv[0]);
  if (argc == 2 && std::strcmp(argv[1], "--tool-memory-picture") == 0) return ToolMemoryPicture(argv[0]);
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
  if (status == 0) status = ToolMemory(argv[0]);
  std::filesystem::remove(BenchFile(), ec_ignored);
  benchmark::Shutdown();
  return status == 0 ? 0 : 1;
}

// The signature pad's export and resampling against doing the same work
// directly: Save (bitmap, read-back, JPEG) of a 396 x 235 pad and of a
// 2000 x 1200 picture against libjpeg-turbo compressing the same pixels with
// the same settings, and Resample to half and double size against a plain
// bilinear loop of the same rule. Prints the ratios, megapixels per second
// and whether the JPEG bytes are identical.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "libjpeg_writer.h"
#include "platform/posix/posix_files.h"
#include "posix_file_stamps.h"
#include "sigpad/bmp_file.h"
#include "sigpad/quillpad_ctrl.h"
#include "tests/platform/sigpad/direct_jpeg.h"
#include "tests/platform/temp_kit_root.h"
#include "tests/remark/fakes.h"

namespace {

using kit::sigpad::cDIBSection;
using kit::sigpad::UCQuillpad;

struct PadRig {
  kit::testing::FakeFiles files;
  kit::LibjpegWriter jpeg;
  std::unique_ptr<UCQuillpad> pad;
  PadRig(int width, int height) {
    kit::sigpad::QuillpadPorts ports;
    ports.files = &files;
    ports.jpeg = &jpeg;
    pad = std::make_unique<UCQuillpad>(ports);
    pad->UserControl_Resize(width, height);
    // Something to compress: a deterministic noise picture.
    const_cast<cDIBSection&>(pad->Image()).RandomiseBits(false, 7);
  }
  const std::vector<std::uint8_t>& Jpeg() { return files.files.at("C:\\Temp\\qzdesk\\\\Quillpad.JPG"); }
};

// The same pad saving into real files in a throwaway folder, with the
// replaced JPEG's times and attributes carried over.
struct DiskPadRig {
  kit::testing::TempKitRoot root;
  kit::posix::PosixFileSystem files;
  kit::PosixFileStamps stamps;
  kit::LibjpegWriter jpeg;
  std::unique_ptr<UCQuillpad> pad;
  DiskPadRig(int width, int height) {
    root.MakeFile("c/temp/qzdesk/keep");
    kit::sigpad::QuillpadPorts ports;
    ports.files = &files;
    ports.jpeg = &jpeg;
    ports.stamps = &stamps;
    pad = std::make_unique<UCQuillpad>(ports);
    pad->UserControl_Resize(width, height);
    const_cast<cDIBSection&>(pad->Image()).RandomiseBits(false, 7);
  }
};

// libjpeg-turbo by itself on the pad's picture, at the pad's quality.
std::vector<std::uint8_t> CompressDirect(const cDIBSection& d) {
  return kit::sigpad::DirectJpeg({d.DIBSectionBitsPtr(), d.Width(), d.Height(), d.BytesPerScanLine()}, 90);
}

// The control's inner size for a picture of w x h pixels.
constexpr int kSmallW = 396, kSmallH = 235, kLargeW = 2000, kLargeH = 1200 + kit::sigpad::kToolbarHeight;

void BM_Save(benchmark::State& state) {
  PadRig rig(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  for (auto _ : state) rig.pad->Save();
  state.SetItemsProcessed(state.iterations() * rig.pad->Image().Width() * rig.pad->Image().Height());
}
BENCHMARK(BM_Save)->Args({kSmallW, kSmallH})->Args({kLargeW, kLargeH})->Unit(benchmark::kMillisecond);

void BM_SaveDisk(benchmark::State& state) {
  DiskPadRig rig(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  for (auto _ : state) rig.pad->Save();
  state.SetItemsProcessed(state.iterations() * rig.pad->Image().Width() * rig.pad->Image().Height());
}
BENCHMARK(BM_SaveDisk)->Args({kSmallW, kSmallH})->Args({kLargeW, kLargeH})->Unit(benchmark::kMillisecond);

// The steps Save must take besides compressing: the bitmap file written and
// read back into a section, on disk.
void BM_BmpRoundTripDisk(benchmark::State& state) {
  DiskPadRig rig(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  const std::string path = "C:\\Temp\\qzdesk\\Quillpad.BMP";
  for (auto _ : state) {
    kit::sigpad::WriteBmpFile(rig.pad->Image(), rig.files, path);
    cDIBSection back;
    if (!kit::sigpad::ReadBmpFile(rig.files, path, back)) state.SkipWithError("bitmap not read back");
    benchmark::DoNotOptimize(back.DIBSectionBitsPtr());
  }
  state.SetItemsProcessed(state.iterations() * rig.pad->Image().Width() * rig.pad->Image().Height());
}
BENCHMARK(BM_BmpRoundTripDisk)->Args({kSmallW, kSmallH})->Args({kLargeW, kLargeH})->Unit(benchmark::kMillisecond);

// The floor of that round trip: one write(2) and one read(2) of the same
// bytes through plain descriptors into fresh memory, no path mapping.
void BM_RawRoundTripDisk(benchmark::State& state) {
  DiskPadRig rig(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  const std::vector<std::uint8_t> bytes = kit::sigpad::BmpBytes(rig.pad->Image());
  const std::string path = rig.root.Native("c/temp/qzdesk/raw.bmp");
  for (auto _ : state) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    bool ok = fd >= 0 && ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    if (fd >= 0) ::close(fd);
    std::unique_ptr<std::uint8_t[]> back(new std::uint8_t[bytes.size()]);
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ok = ok && fd >= 0 && ::read(fd, back.get(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    if (fd >= 0) ::close(fd);
    if (!ok) state.SkipWithError("raw round trip failed");
    benchmark::DoNotOptimize(back.get());
  }
  state.SetItemsProcessed(state.iterations() * rig.pad->Image().Width() * rig.pad->Image().Height());
}
BENCHMARK(BM_RawRoundTripDisk)->Args({kSmallW, kSmallH})->Args({kLargeW, kLargeH})->Unit(benchmark::kMillisecond);

void BM_Direct(benchmark::State& state) {
  PadRig rig(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  for (auto _ : state) benchmark::DoNotOptimize(CompressDirect(rig.pad->Image()));
  state.SetItemsProcessed(state.iterations() * rig.pad->Image().Width() * rig.pad->Image().Height());
}
BENCHMARK(BM_Direct)->Args({kSmallW, kSmallH})->Args({kLargeW, kLargeH})->Unit(benchmark::kMillisecond);

// The same bilinear rule over raw memory, without bounds checks.
void PlainBilinear(const cDIBSection& s, cDIBSection& t) {
  const float xScale = static_cast<float>(s.Width() - 1) / static_cast<float>(t.Width());
  const float yScale = static_cast<float>(s.Height() - 1) / static_cast<float>(t.Height());
  const std::uint8_t* src = s.DIBSectionBitsPtr();
  std::uint8_t* dst = t.DIBSectionBitsPtr();
  const std::size_t ss = static_cast<std::size_t>(s.BytesPerScanLine()), ts = static_cast<std::size_t>(t.BytesPerScanLine());
  for (int y = 0; y < t.Height(); ++y) {
    const float ys = yScale * static_cast<float>(y);
    const int yi = static_cast<int>(std::floor(ys));
    const float yf = ys - static_cast<float>(yi);
    for (int x = 0; x < t.Width(); ++x) {
      const float xs = xScale * static_cast<float>(x);
      const int xi = static_cast<int>(std::floor(xs));
      const float xf = xs - static_cast<float>(xi);
      const std::uint8_t* up = src + yi * ss + 3 * static_cast<std::size_t>(xi);
      const std::uint8_t* lo = up + ss;
      float col[6];
      for (int k = 0; k < 6; ++k) col[k] = std::nearbyint((1.0f - yf) * up[k] + yf * lo[k]);
      for (int c = 0; c < 3; ++c) {
        const float v = std::nearbyint((1.0f - xf) * col[c] + xf * col[c + 3]);
        dst[y * ts + 3 * static_cast<std::size_t>(x) + c] = static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
      }
    }
  }
}

struct Picture {
  cDIBSection d;
  Picture() {
    d.Create(2000, 1200);
    d.RandomiseBits(false, 11);
  }
};

void BM_Resample(benchmark::State& state) {
  static Picture pic;
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  for (auto _ : state) benchmark::DoNotOptimize(pic.d.Resample(h, w));
  state.SetItemsProcessed(state.iterations() * w * h);
}
BENCHMARK(BM_Resample)->Args({1000, 600})->Args({4000, 2400})->Unit(benchmark::kMillisecond);

void BM_PlainBilinear(benchmark::State& state) {
  static Picture pic;
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  for (auto _ : state) {
    cDIBSection t;
    t.Create(w, h);
    PlainBilinear(pic.d, t);
    benchmark::DoNotOptimize(t.DIBSectionBitsPtr());
  }
  state.SetItemsProcessed(state.iterations() * w * h);
}
BENCHMARK(BM_PlainBilinear)->Args({1000, 600})->Args({4000, 2400})->Unit(benchmark::kMillisecond);

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, std::pair<double, double>> runs;  // cpu time, items per second
  void ReportRuns(const std::vector<Run>& rs) override {
    for (const Run& r : rs) {
      auto it = r.counters.find("items_per_second");
      runs[r.benchmark_name()] = {r.GetAdjustedCPUTime(), it == r.counters.end() ? 0.0 : double(it->second)};
    }
    ConsoleReporter::ReportRuns(rs);
  }
  void Ratio(const std::string& what, const std::string& a, const std::string& b) {
    auto x = runs.find(a), y = runs.find(b);
    if (x == runs.end() || y == runs.end() || y->second.first <= 0) return;
    std::cout << what << ": " << x->second.first / y->second.first << "x (" << x->second.second / 1e6 << " vs "
              << y->second.second / 1e6 << " MP/s)" << std::endl;
  }
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (auto [w, h] : {std::pair{kSmallW, kSmallH}, std::pair{kLargeW, kLargeH}}) {
    const std::string args = "/" + std::to_string(w) + "/" + std::to_string(h);
    PadRig rig(w, h);
    rig.pad->Save();
    const bool same = rig.Jpeg() == CompressDirect(rig.pad->Image());
    std::cout << "save " << rig.pad->Image().Width() << "x" << rig.pad->Image().Height() << ": JPEG "
              << (same ? "byte-identical" : "DIFFERS") << " to direct libjpeg-turbo" << std::endl;
    reporter.Ratio("  save vs direct compression", "BM_Save" + args, "BM_Direct" + args);
    reporter.Ratio("  save on disk vs direct compression", "BM_SaveDisk" + args, "BM_Direct" + args);
    reporter.Ratio("  bitmap written and read back on disk vs direct compression", "BM_BmpRoundTripDisk" + args,
                   "BM_Direct" + args);
    reporter.Ratio("  plain write(2) and read(2) of the same bitmap vs direct compression", "BM_RawRoundTripDisk" + args,
                   "BM_Direct" + args);
  }
  reporter.Ratio("resample to half", "BM_Resample/1000/600", "BM_PlainBilinear/1000/600");
  reporter.Ratio("resample to double", "BM_Resample/4000/2400", "BM_PlainBilinear/4000/2400");
  return 0;
}

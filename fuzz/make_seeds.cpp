// make_seeds DIR: writes the seed corpora of the fuzz targets into
// DIR/seeds/<target>/ and makes the empty DIR/corpus/<target>/ and
// DIR/artifacts/<target>/ folders the runs write into.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "ports/emf.h"
#include "ports/le_bytes.h"
#include "ports/memory_stream.h"
#include "ports/platform.h"
#include "remark/remark_doc.h"
#include "remark/remark_file.h"
#include "tests/platform/view/emf_records.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using kit::remark::CRemarkDoc;

using kit::Put32;

Bytes Store(const CRemarkDoc& doc) {
  kit::MemoryStream out;
  kit::remark::StoreDocument(doc, out);
  return out.bytes();
}

kit::EnhMetaFilePtr Picture(const kit::RectL& frame, const std::u16string& desc, std::size_t extra = 0) {
  Bytes b = kit::MakeEmfBits(frame, desc, extra);
  return kit::DefaultPlatform().metafiles->FromBits(b.data(), b.size());
}

void Scribble(CRemarkDoc& doc, int x, int y, int steps) {
  doc.BeginStroke(x, y);
  for (int i = 0; i < steps; ++i) doc.AddStep(i % 5 - 2, (i * 3) % 7 - 3);
  doc.EndStroke();
}

std::vector<Bytes> RemarkFiles() {
  std::vector<Bytes> seeds;
  const kit::Platform& platform = kit::DefaultPlatform();
  {
    CRemarkDoc doc(nullptr, platform);
    seeds.push_back(Store(doc));
  }
  {
    CRemarkDoc doc(nullptr, platform);
    std::vector<kit::EnhMetaFilePtr> pictures;
    pictures.push_back(Picture({0, 0, 21000, 29700}, u"Remarks"));
    pictures.push_back(nullptr);
    pictures.push_back(Picture({0, 0, 14800, 21000}, u"", 40));
    doc.ReplacePages(std::move(pictures));
    doc.SelectRemarker("\xD5\xC5\xC8\xFD");  // two remarkers, names in code page 936
    Scribble(doc, 10, 20, 4);
    doc.SetPenColor(0x00FF00);
    doc.SetPenWidth(4);
    doc.SelectRemarker("\xC0\xEE\xCB\xC4");
    Scribble(doc, 300, 40, 1);
    doc.SetCurrentPage(1);
    Scribble(doc, 0, 0, 0);
    doc.SetCurrentPage(2);
    Scribble(doc, 65535, 65535, 9);
    seeds.push_back(Store(doc));
    // Cut short, and with bytes after the end.
    Bytes whole = seeds.back();
    seeds.emplace_back(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() / 2));
    whole.insert(whole.end(), {1, 2, 3, 4});
    seeds.push_back(whole);
  }
  {
    // An office's worth of remarkers and a stroke of each.
    CRemarkDoc doc(nullptr, platform);
    std::vector<kit::EnhMetaFilePtr> pictures;
    pictures.push_back(nullptr);
    doc.ReplacePages(std::move(pictures));
    for (int i = 0; i < 60; ++i) {
      doc.SelectRemarker("\xD4\xB1\xB9\xA4" + std::to_string(i));  // "staff" and a number
      Scribble(doc, i, i, i % 4);
    }
    seeds.push_back(Store(doc));
  }
  {
    // A picture that is not a metafile, a negative size, an unterminated stroke.
    Bytes f = {0, 0, 2, 0, 3, 0, 0, 0, 0xFF, 0, 0, 2};
    Put32(f, 8);
    Put32(f, 13);
    f.insert(f.end(), {'n', 'o', 't', ' ', 'e', 'm', 'f', '!'});
    f.insert(f.end(), {1, 0, 9, 8, 7, 2, 10, 0, 20, 0, 1, 1, 5});
    Put32(f, 0xFFFFFFF0u);
    Put32(f, 0xFFFFFFFFu);
    f.insert(f.end(), {'a', 0, 0});
    seeds.push_back(f);
  }
  return seeds;
}

std::vector<Bytes> StrokeBytes() {
  Bytes strokes = {0, 0, 255, 0, 0, 2, 10, 0, 20, 0, 1, 1, 2, 0xFF, 0, 0,
                   1, 0, 0, 0, 255, 3, 100, 0, 200, 0, 0xFB, 5, 0, 0,
                   0, 0, 1, 2, 3, 6, 7, 0, 8, 0, 4, 4};
  std::vector<Bytes> seeds;
  for (unsigned split : {0u, 16u, 30u, 42u, 3u}) {
    Bytes s = {static_cast<std::uint8_t>(split), 0};
    s.insert(s.end(), strokes.begin(), strokes.end());
    seeds.push_back(s);
  }
  seeds.push_back({1, 0, 0, 0, 0});
  return seeds;
}

std::vector<Bytes> EmfImages() {
  // A frame at the limits of its fields, written over a well-formed image.
  Bytes extreme = kit::MakeEmfBits({0, 0, 100, 100}, u"\u4E2D\u6587", 64);
  const std::uint32_t frame[4] = {0xFFFFFFFBu, 0xFFFFFFFBu, 0x7FFFFFFFu, 0x80000000u};
  for (std::size_t f = 0; f < 4; ++f) Put32(extreme, 24 + 4 * f, frame[f]);
  return {
      kit::MakeEmfBits({0, 0, 21000, 29700}, u"Remarks"),
      kit::MakeEmfBits({0, 0, 100, 100}, u""),
      extreme,
      Bytes(88, 0),
  };
}

// Page pictures as the writer makes them, and with the records of drawn
// pages spliced in: pens, brushes, shapes, text and a DIB of each depth.
std::vector<Bytes> PlayerImages() {
  namespace t = kit::testing;
  std::vector<std::uint32_t> px(12);
  for (std::size_t i = 0; i < px.size(); ++i) px[i] = static_cast<std::uint32_t>(i * 0x151515);
  std::vector<Bytes> seeds = {
      kit::MakeBitBltEmfBits(4, 3, px, t::Frame96(4, 3), u"WPSFile"),
      kit::MakeBitBltEmfBits(1, 1, {0xFF0000}, {0, 0, 21000, 29700}, u""),
      kit::MakeEmfBits({0, 0, 1000, 1000}, u"x", 40),
  };
  std::vector<Bytes> records = {
      t::Record(t::kEmrSaveDc).Done(),
      t::Record(t::kEmrSetMapMode).U(8).Done(),
      t::Record(t::kEmrSetWindowExtEx).Ints({2, 2}).Done(),
      t::Record(t::kEmrSetViewportExtEx).Ints({1, 1}).Done(),
      t::Record(t::kEmrCreatePen).Ints({1, 0, 3, 0}).U(0xFF).Done(),
      t::Record(t::kEmrCreateBrush).Ints({2, 0}).U(0xFF00).U(0).Done(),
      t::Record(t::kEmrSelectObject).U(1).Done(),
      t::Record(t::kEmrSelectObject).U(2).Done(),
      t::Record(t::kEmrRectangle).Ints({4, 4, 30, 30}).Done(),
      t::Record(t::kEmrPolygon16).Ints({0, 0, 0, 0}).U(3).Short(5).Short(5).Short(20).Short(5).Short(9).Short(20).Done(),
      t::Record(t::kEmrPolyline).Ints({0, 0, 0, 0}).U(2).Ints({1, 1, 40, 30}).Done(),
      t::Record(t::kEmrPolyPolyline16).Ints({0, 0, 0, 0}).U(2).U(4).U(2).U(2).Short(1).Short(2).Short(3).Short(4)
          .Short(5).Short(6).Short(7).Short(8).Done(),
      t::Record(t::kEmrMoveToEx).Ints({2, 38}).Done(),
      t::Record(t::kEmrLineTo).Ints({12, 38}).Done(),
      t::Record(t::kEmrDeleteObject).U(1).Done(),
      t::Record(t::kEmrRestoreDc).I(-1).Done(),
      t::Record(t::kEmrSetTextColor).U(0xFF0000).Done(),
      t::Record(t::kEmrExtTextOutW).Ints({0, 0, -1, -1}).U(1).U(0).U(0).Ints({4, 4}).U(2).U(76).U(0)
          .Ints({0, 0, 0, 0}).U(80).Short('A').Short(0x4E2D).Ints({8, 16}).Done(),
  };
  for (int bpp : {1, 4, 8, 24, 32}) {
    const std::uint32_t a = bpp <= 8 ? 1 : 0x336699, b = bpp <= 8 ? 0 : 0xFFFFFF;
    const t::Dib d = t::MakeDib(bpp, {{a, b, a}, {b, a, b}}, bpp <= 8 ? std::vector<std::uint32_t>{0, 0xFF} : std::vector<std::uint32_t>{},
                                bpp == 32);
    records.push_back(t::StretchDiBits(d, 2, 2, 9, 6, 3, 2));
  }
  seeds.push_back(t::Metafile(t::Frame96(40, 40), records));
  for (std::size_t i = 0; i < records.size(); i += 6) {
    seeds.push_back(t::Metafile(t::Frame96(40, 40),
                                std::vector<Bytes>(records.begin() + static_cast<std::ptrdiff_t>(i),
                                                   records.begin() + static_cast<std::ptrdiff_t>(std::min(i + 6, records.size())))));
  }
  return seeds;
}

bool WriteAll(const fs::path& dir, const std::vector<Bytes>& seeds) {
  fs::create_directories(dir);
  for (std::size_t i = 0; i < seeds.size(); ++i) {
    std::ofstream out(dir / ("seed_" + std::to_string(i)), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(seeds[i].data()), static_cast<std::streamsize>(seeds[i].size()));
    if (!out) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: make_seeds DIR" << std::endl;
    return 2;
  }
  fs::path root(argv[1]);
  struct Target {
    const char* name;
    std::vector<Bytes> seeds;
  };
  const Target targets[] = {
      {"fuzz_remark_file", RemarkFiles()},
      {"fuzz_stroke_bytes", StrokeBytes()},
      {"fuzz_emf_header", EmfImages()},
      {"fuzz_emf_player", PlayerImages()},
  };
  for (const Target& t : targets) {
    fs::create_directories(root / "corpus" / t.name);
    fs::create_directories(root / "artifacts" / t.name);
    if (!WriteAll(root / "seeds" / t.name, t.seeds)) {
      std::cerr << "make_seeds: cannot write the seeds of " << t.name << std::endl;
      return 1;
    }
  }
  return 0;
}

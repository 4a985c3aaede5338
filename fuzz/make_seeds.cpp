// make_seeds DIR: writes the seed corpora of the fuzz targets into
// DIR/seeds/<target>/ and makes the empty DIR/corpus/<target>/ and
// DIR/artifacts/<target>/ folders the runs write into.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "ports/emf.h"
#include "ports/memory_stream.h"
#include "ports/platform.h"
#include "remark/remark_doc.h"
#include "remark/remark_file.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using kit::remark::CRemarkDoc;

void Put32(Bytes& v, std::uint32_t x) {
  for (int i = 0; i < 4; ++i) v.push_back(static_cast<std::uint8_t>(x >> (8 * i)));
}

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
  for (int f = 0; f < 4; ++f) {
    for (int i = 0; i < 4; ++i) extreme[24 + 4 * f + i] = static_cast<std::uint8_t>(frame[f] >> (8 * i));
  }
  return {
      kit::MakeEmfBits({0, 0, 21000, 29700}, u"Remarks"),
      kit::MakeEmfBits({0, 0, 100, 100}, u""),
      extreme,
      Bytes(88, 0),
  };
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

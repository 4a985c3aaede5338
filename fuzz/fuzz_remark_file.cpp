// Arbitrary bytes as a remark data file. A load either fails and leaves the
// document alone, or succeeds exactly when an independent reading of the
// layout does, and storing then gives back the bytes that were read.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fuzz/fuzz_common.h"
#include "ports/le_bytes.h"
#include "ports/memory_stream.h"
#include "ports/platform.h"
#include "remark/remark_doc.h"
#include "remark/remark_file.h"

namespace {

using kit::MemoryStream;
using kit::remark::CRemarkDoc;
using Bytes = std::vector<std::uint8_t>;

std::uint32_t Get32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
using kit::Put32;

// What storing the loaded document must write, or nothing when the bytes are
// too short for what they announce. A picture the metafile factory refuses is
// dropped, a negative size is none; flags are the target's own.
std::optional<Bytes> Expected(const std::uint8_t* d, std::size_t n, std::uint16_t flags) {
  if (n < 12) return std::nullopt;
  Bytes out(d, d + 12);
  out[0] = static_cast<std::uint8_t>(flags);
  out[1] = static_cast<std::uint8_t>(flags >> 8);
  unsigned pages = d[2] | d[3] << 8;
  std::size_t list = d[4] | d[5] << 8;
  std::size_t at = 12;
  for (unsigned i = 0; i < pages; ++i) {
    if (n - at < 8) return std::nullopt;
    auto e = static_cast<std::int32_t>(Get32(d + at));
    auto s = static_cast<std::int32_t>(Get32(d + at + 4));
    at += 8;
    const std::uint8_t* pic = nullptr;
    std::size_t pic_size = 0;
    if (e > 0) {
      if (n - at < static_cast<std::size_t>(e)) return std::nullopt;
      if (kit::DefaultPlatform().metafiles->FromBits(d + at, static_cast<std::size_t>(e)) != nullptr) {
        pic = d + at;
        pic_size = static_cast<std::size_t>(e);
      }
      at += static_cast<std::size_t>(e);
    }
    std::size_t strokes = s > 0 ? static_cast<std::size_t>(s) : 0;
    if (n - at < strokes) return std::nullopt;
    Put32(out, static_cast<std::uint32_t>(pic_size));
    Put32(out, static_cast<std::uint32_t>(strokes));
    if (pic != nullptr) out.insert(out.end(), pic, pic + pic_size);
    out.insert(out.end(), d + at, d + at + strokes);
    at += strokes;
  }
  if (n - at < list) return std::nullopt;
  out.insert(out.end(), d + at, d + at + list);
  return out;
}

Bytes Store(const CRemarkDoc& doc) {
  MemoryStream out;
  kit::remark::StoreDocument(doc, out);
  return out.bytes();
}

// The content a failed load must leave in place.
void MakeKnown(CRemarkDoc& doc) {
  doc.SetReadOnly(true);
  std::vector<kit::EnhMetaFilePtr> pictures;
  Bytes emf = kit::MakeEmfBits({0, 0, 1000, 1000}, u"");
  pictures.push_back(doc.platform().metafiles->FromBits(emf.data(), emf.size()));
  doc.ReplacePages(std::move(pictures));
  doc.SelectRemarker("known");
  doc.BeginStroke(5, 5);
  doc.AddStep(1, 1);
  doc.EndStroke();
}

bool Load(CRemarkDoc& doc, const std::uint8_t* d, std::size_t n, std::int64_t hint) {
  MemoryStream in(d, n);
  try {
    kit::remark::LoadDocument(doc, in, hint);
    return true;
  } catch (const kit::remark::RemarkFileError& e) {
    FUZZ_CHECK(e.offset() <= n);
    return false;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CRemarkDoc doc(nullptr, kit::DefaultPlatform());
  MakeKnown(doc);
  const Bytes known = Store(doc);

  std::optional<Bytes> expected = Expected(data, size, static_cast<std::uint16_t>(doc.flags()));
  bool loaded = Load(doc, data, size, static_cast<std::int64_t>(size));
  FUZZ_CHECK(loaded == expected.has_value());

  // A stream of unknown length takes the other road through the reader.
  CRemarkDoc blind(nullptr, kit::DefaultPlatform());
  MakeKnown(blind);
  FUZZ_CHECK(Load(blind, data, size, -1) == loaded);

  if (!loaded) {
    FUZZ_CHECK(Store(doc) == known);
    FUZZ_CHECK(Store(blind) == known);
    return 0;
  }
  const Bytes stored = Store(doc);
  FUZZ_CHECK(stored == *expected);
  FUZZ_CHECK(Store(blind) == stored);
  FUZZ_CHECK(doc.current_page() == 0);

  for (int i = 0; i < doc.page_count(); ++i) {
    const kit::remark::CRemarkPage& p = doc.page(i);
    FUZZ_CHECK(p.used_length() >= 0 && p.used_length() <= p.capacity());
    FUZZ_CHECK(p.confirmed_length() == p.used_length());
    kit::fuzz::StrokeWalk w = kit::fuzz::WalkStrokes(p.stroke_bytes(), static_cast<std::size_t>(p.used_length()));
    FUZZ_CHECK(static_cast<std::size_t>(p.StrokeCount()) == w.offsets.size());
    kit::fuzz::DrawAndCheck(doc, i, kit::remark::kAllRemarkers);
    kit::fuzz::DrawAndCheck(doc, i, kit::remark::kNoRemarkers);
    kit::fuzz::DrawAndCheck(doc, i, 0);
    kit::fuzz::DrawAndCheck(doc, i, doc.current_remarker());
  }
  // Loaded strokes are confirmed: nothing to take back.
  FUZZ_CHECK(!doc.DeleteLastStroke());
  FUZZ_CHECK(!doc.DeleteUnconfirmedStrokes());

  // Names lie within the list, NUL-separated; the last may lack its NUL.
  std::size_t names_bytes = 0;
  for (const std::string& name : doc.RemarkerNames()) {
    FUZZ_CHECK(!name.empty() && name.find('\0') == std::string::npos);
    names_bytes += name.size() + 1;
  }
  FUZZ_CHECK(names_bytes <= static_cast<std::size_t>(doc.remarker_list_length()) + 1);
  return 0;
}

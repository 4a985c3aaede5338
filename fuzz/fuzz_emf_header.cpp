// Arbitrary bytes as metafile bits: the header parser and the platform's
// metafile factory must agree, keep what they accept within the bytes, and a
// picture they accept must survive a page, a drawing and a save.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "fuzz/fuzz_common.h"
#include "ports/emf.h"
#include "ports/memory_stream.h"
#include "ports/platform.h"
#include "remark/remark_doc.h"
#include "remark/remark_file.h"

namespace {

bool SameRect(const kit::RectL& a, const kit::RectL& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FUZZ_CHECK(!kit::ParseEmfHeader(nullptr, size));
  // Shorter views of the same bytes never hold the whole image.
  if (size > 0) FUZZ_CHECK(!kit::ParseEmfHeader(data, size - 1) || !kit::ParseEmfHeader(data, size));

  std::optional<kit::EmfHeader> h = kit::ParseEmfHeader(data, size);
  kit::Platform& platform = kit::DefaultPlatform();
  kit::EnhMetaFilePtr emf = platform.metafiles->FromBits(data, size);
  FUZZ_CHECK(h.has_value() == (emf != nullptr));
  if (!h) return 0;

  FUZZ_CHECK(h->iType == kit::kEmrHeader && h->dSignature == kit::kEmfSignature);
  FUZZ_CHECK(h->nBytes == size && h->nSize >= kit::kEmfHeaderMinSize && h->nSize <= size && h->nSize % 4 == 0);
  FUZZ_CHECK(h->nRecords != 0);
  if (h->nDescription != 0) {
    FUZZ_CHECK(h->offDescription >= kit::kEmfHeaderMinSize);
    FUZZ_CHECK(std::uint64_t{h->offDescription} + 2ull * h->nDescription <= h->nSize);
  }
  kit::EmfHeader fh = emf->Header();
  FUZZ_CHECK(fh.nBytes == h->nBytes && fh.nSize == h->nSize && fh.nDescription == h->nDescription);
  FUZZ_CHECK(SameRect(fh.rclFrame, h->rclFrame) && SameRect(fh.rclBounds, h->rclBounds));
  FUZZ_CHECK(emf->BitsSize() == size);
  std::vector<std::uint8_t> bits = emf->Bits();
  FUZZ_CHECK(bits.size() == size && std::equal(bits.begin(), bits.end(), data));

  // The picture as a page: sizes from a hostile frame, a drawing, a round trip.
  kit::remark::CRemarkDoc doc(nullptr, platform);
  std::vector<kit::EnhMetaFilePtr> pictures;
  pictures.push_back(std::move(emf));
  pictures.push_back(nullptr);
  doc.ReplacePages(std::move(pictures));
  FUZZ_CHECK(doc.page_count() == 2 && doc.page(0).background() != nullptr);
  int w = 0, hgt = 0;
  doc.CurrentPageSize(w, hgt);
  FUZZ_CHECK(w == doc.page(0).width() && hgt == doc.page(0).height());
  doc.BeginStroke(w, hgt);
  doc.AddStep(-1, -1);
  doc.EndStroke();
  kit::fuzz::DrawAndCheck(doc, 0, kit::remark::kAllRemarkers);
  kit::fuzz::DrawAndCheck(doc, 1, kit::remark::kAllRemarkers);

  kit::MemoryStream out;
  kit::remark::StoreDocument(doc, out);
  kit::remark::CRemarkDoc back(nullptr, platform);
  kit::MemoryStream in(out.bytes());
  kit::remark::LoadDocument(back, in, static_cast<std::int64_t>(out.bytes().size()));
  FUZZ_CHECK(back.page_count() == 2 && back.page(0).background() != nullptr);
  FUZZ_CHECK(back.page(0).background()->Bits() == bits);
  FUZZ_CHECK(back.page(0).width() == doc.page(0).width() && back.page(0).height() == doc.page(0).height());
  FUZZ_CHECK(back.page(0).left_margin() == doc.page(0).left_margin());
  FUZZ_CHECK(back.page(1).background() == nullptr);
  return 0;
}

// Arbitrary stroke bytes in a page: the first two bytes split the rest into
// strokes read from a one-page file (confirmed) and steps drawn afterwards
// (not yet confirmed). Taking strokes back one at a time must walk the
// unconfirmed strokes backwards to exactly where the confirmed ones end.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/fuzz_common.h"
#include "ports/le_bytes.h"
#include "ports/memory_stream.h"
#include "ports/platform.h"
#include "remark/remark_doc.h"
#include "remark/remark_file.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

using kit::Put32;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t body = size - 2;
  const std::size_t split = (data[0] | data[1] << 8) % (body + 1);
  const std::uint8_t* confirmed = data + 2;
  const std::uint8_t* drawn = confirmed + split;
  const std::size_t drawn_size = (body - split) & ~std::size_t{1};

  Bytes file = {0, 0, 1, 0, 0, 0, 0, 0, 0xFF, 0, 0, 2};
  Put32(file, 0);
  Put32(file, static_cast<std::uint32_t>(split));
  file.insert(file.end(), confirmed, confirmed + split);

  kit::remark::CRemarkDoc doc(nullptr, kit::DefaultPlatform());
  {
    kit::MemoryStream in(std::move(file));
    kit::remark::LoadDocument(doc, in, -1);
  }
  FUZZ_CHECK(doc.page_count() == 1);
  const kit::remark::CRemarkPage& page = doc.page(0);
  FUZZ_CHECK(static_cast<std::size_t>(page.used_length()) == split);
  FUZZ_CHECK(static_cast<std::size_t>(page.confirmed_length()) == split);

  for (std::size_t i = 0; i < drawn_size; i += 2) doc.AddStep(drawn[i], drawn[i + 1]);
  const std::size_t used = static_cast<std::size_t>(page.used_length());
  FUZZ_CHECK(used == split + drawn_size);
  FUZZ_CHECK(page.stroke_bytes() == nullptr ? used == 0 : true);

  kit::fuzz::DrawAndCheck(doc, 0, kit::remark::kAllRemarkers);
  kit::fuzz::DrawAndCheck(doc, 0, 1);

  // Where each unconfirmed stroke starts; walks of a prefix agree with the whole.
  const Bytes all(page.stroke_bytes(), page.stroke_bytes() + used);
  kit::fuzz::StrokeWalk w = kit::fuzz::WalkStrokes(all.data(), used, split);
  FUZZ_CHECK(w.offsets.empty() == (drawn_size == 0));

  if (data[0] & 1) {
    FUZZ_CHECK(doc.DeleteUnconfirmedStrokes() == (drawn_size != 0));
    FUZZ_CHECK(static_cast<std::size_t>(page.used_length()) == split);
  } else {
    std::size_t left = w.offsets.size();
    while (doc.DeleteLastStroke()) {
      FUZZ_CHECK(left > 0);
      --left;
      FUZZ_CHECK(static_cast<std::size_t>(page.used_length()) == w.offsets[left]);
      kit::fuzz::DrawAndCheck(doc, 0, kit::remark::kAllRemarkers);
    }
    FUZZ_CHECK(left == 0);
  }
  FUZZ_CHECK(static_cast<std::size_t>(page.used_length()) == split);
  FUZZ_CHECK(page.used_length() == 0 || std::equal(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(split),
                                                   page.stroke_bytes()));
  kit::fuzz::DrawAndCheck(doc, 0, kit::remark::kAllRemarkers);

  // Drawing again after the take-back, then what a save would keep.
  doc.AddStep(7, -7);
  doc.ConfirmAll();
  FUZZ_CHECK(!doc.DeleteLastStroke());
  kit::MemoryStream out;
  kit::remark::StoreDocument(doc, out);
  FUZZ_CHECK(out.bytes().size() == 12 + 8 + split + 2);
  return 0;
}

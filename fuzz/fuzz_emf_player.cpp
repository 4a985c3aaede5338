// Arbitrary bytes as a page picture played by the cairo canvas: nothing read
// outside the bits, no allocation beyond what they describe, and the device
// context as usable afterwards as before.
#include <cairo.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/fuzz_common.h"
#include "platform/posix/view/cairo_dc.h"
#include "platform/posix/view/emf_player.h"
#include "ports/emf.h"
#include "ports/le_bytes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> bits(data, data + size);
  // The total size is the one header field a mutation almost always breaks;
  // set it so the records behind the header get played.
  if (bits.size() >= 52) {
    kit::Put32(bits, 48, static_cast<std::uint32_t>(bits.size()));
  }
  const bool valid = kit::ParseEmfHeader(bits.data(), bits.size()).has_value();
  // Upright, mirrored and far off the surface.
  const kit::RectL dests[] = {{2, 2, 60, 44}, {60, 44, 2, 2}, {-3000000, 5, 3000000, 40}};
  for (const kit::RectL& dest : dests) {
    kit::view::CairoDC dc(64, 48);
    kit::view::EmfPlayResult r = kit::view::PlayEnhMetaFile(dc.cairo(), bits.data(), bits.size(), dest);
    FUZZ_CHECK(r.header == valid);
    FUZZ_CHECK(static_cast<std::size_t>(r.played + r.skipped) <= size / 8);
    FUZZ_CHECK(cairo_status(dc.cairo()) == CAIRO_STATUS_SUCCESS);
    // Saves and clips of the play are undone: the whole surface still paints.
    dc.PatBlt(0, 0, 64, 48, kit::kBlackness);
    FUZZ_CHECK(dc.PixelAt(0, 0) == 0 && dc.PixelAt(63, 47) == 0);
  }
  return 0;
}

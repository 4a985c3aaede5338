#include "ports/emf.h"

#include <algorithm>
#include <cstring>

#include "ports/le_bytes.h"

namespace kit {
namespace {

std::uint32_t U32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::int32_t I32(const std::uint8_t* p) { return static_cast<std::int32_t>(U32(p)); }
std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
RectL Rect(const std::uint8_t* p) { return {I32(p), I32(p + 4), I32(p + 8), I32(p + 12)}; }

// Header and EOF around `records` (whole records, sizes multiple of 4).
std::vector<std::uint8_t> Assemble(const RectL& frame, const RectL& bounds, const std::u16string& description,
                                   const std::vector<std::uint8_t>& records, std::uint32_t record_count) {
  std::size_t desc_bytes = (description.size() * 2 + 3) / 4 * 4;
  std::size_t header = 108 + desc_bytes;
  std::size_t total = header + records.size() + 20;
  std::vector<std::uint8_t> v(total, 0);
  Put32(v, 0, kEmrHeader);
  Put32(v, 4, static_cast<std::uint32_t>(header));
  Put32(v, 8, static_cast<std::uint32_t>(bounds.left));
  Put32(v, 12, static_cast<std::uint32_t>(bounds.top));
  Put32(v, 16, static_cast<std::uint32_t>(bounds.right));
  Put32(v, 20, static_cast<std::uint32_t>(bounds.bottom));
  Put32(v, 24, static_cast<std::uint32_t>(frame.left));
  Put32(v, 28, static_cast<std::uint32_t>(frame.top));
  Put32(v, 32, static_cast<std::uint32_t>(frame.right));
  Put32(v, 36, static_cast<std::uint32_t>(frame.bottom));
  Put32(v, 40, kEmfSignature);
  Put32(v, 44, 0x10000);
  Put32(v, 48, static_cast<std::uint32_t>(total));
  Put32(v, 52, record_count + 2);
  v[56] = 1;
  Put32(v, 60, static_cast<std::uint32_t>(description.size()));
  Put32(v, 64, description.empty() ? 0 : 108);
  // A 96-dpi reference screen, so that frames given at 96 dpi and the pixels
  // of the records agree when the picture is played.
  Put32(v, 72, 1024);
  Put32(v, 76, 768);
  Put32(v, 80, 271);
  Put32(v, 84, 203);
  Put32(v, 100, 270933);  // szlMicrometers, the exact size
  Put32(v, 104, 203200);
  for (std::size_t i = 0; i < description.size(); ++i) {
    v[108 + 2 * i] = static_cast<std::uint8_t>(description[i]);
    v[108 + 2 * i + 1] = static_cast<std::uint8_t>(description[i] >> 8);
  }
  std::copy(records.begin(), records.end(), v.begin() + static_cast<std::ptrdiff_t>(header));
  std::size_t at = header + records.size();
  Put32(v, at, kEmrEof);
  Put32(v, at + 4, 20);
  Put32(v, at + 8, 0);
  Put32(v, at + 12, 16);
  Put32(v, at + 16, 20);
  return v;
}

}  // namespace

std::optional<EmfHeader> ParseEmfHeader(const std::uint8_t* bits, std::size_t size) {
  if (bits == nullptr || size < kEmfHeaderMinSize) return std::nullopt;
  EmfHeader h{};
  h.iType = U32(bits);
  h.nSize = U32(bits + 4);
  h.rclBounds = Rect(bits + 8);
  h.rclFrame = Rect(bits + 24);
  h.dSignature = U32(bits + 40);
  h.nVersion = U32(bits + 44);
  h.nBytes = U32(bits + 48);
  h.nRecords = U32(bits + 52);
  h.nHandles = U16(bits + 56);
  h.sReserved = U16(bits + 58);
  h.nDescription = U32(bits + 60);
  h.offDescription = U32(bits + 64);
  h.nPalEntries = U32(bits + 68);
  h.szlDevice = {I32(bits + 72), I32(bits + 76)};
  h.szlMillimeters = {I32(bits + 80), I32(bits + 84)};
  if (h.iType != kEmrHeader || h.dSignature != kEmfSignature) return std::nullopt;
  if (h.nSize < kEmfHeaderMinSize || h.nSize % 4 != 0 || h.nSize > size) return std::nullopt;
  if (h.nBytes != size || h.nRecords == 0) return std::nullopt;
  if (h.nDescription != 0) {
    std::uint64_t end = static_cast<std::uint64_t>(h.offDescription) + 2ull * h.nDescription;
    if (h.offDescription < kEmfHeaderMinSize || end > h.nSize) return std::nullopt;
  }
  return h;
}

std::vector<std::uint8_t> MakeEmfBits(const RectL& frame, const std::u16string& description,
                                      std::size_t extra_record_bytes) {
  std::size_t extra = (extra_record_bytes + 3) / 4 * 4;
  if (extra != 0 && extra < 12) extra = 12;
  std::vector<std::uint8_t> rec(extra, 0);
  if (extra != 0) {
    // EMR_GDICOMMENT carrying filler, as page pictures carry application data.
    Put32(rec, 0, 70);
    Put32(rec, 4, static_cast<std::uint32_t>(extra));
    Put32(rec, 8, static_cast<std::uint32_t>(extra - 12));
    for (std::size_t i = 12; i < extra; ++i) rec[i] = static_cast<std::uint8_t>((i + 108 + (description.size() * 2 + 3) / 4 * 4) * 31);
  }
  // Bounds in device pixels at 96 dpi, frame in 0.01 mm.
  RectL bounds{0, 0, static_cast<std::int32_t>(static_cast<std::int64_t>(frame.right) * 96 / 2540),
               static_cast<std::int32_t>(static_cast<std::int64_t>(frame.bottom) * 96 / 2540)};
  return Assemble(frame, bounds, description, rec, extra != 0 ? 1 : 0);
}

namespace {

// EMR_BITBLT, or EMR_STRETCHBLT when the destination differs from the
// bitmap's own size, of a SRCCOPY of 32-bit pixels to (0, 0).
std::vector<std::uint8_t> BltEmfBits(std::int32_t width, std::int32_t height, const std::vector<std::uint32_t>& pixels,
                                     std::int32_t destWidth, std::int32_t destHeight, const RectL& frame,
                                     const std::u16string& description) {
  if (width <= 0 || height <= 0 || destWidth <= 0 || destHeight <= 0) return {};
  const std::uint64_t count = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
  if (count != pixels.size()) return {};
  const std::uint64_t bits_bytes = count * 4;
  const bool stretch = destWidth != width || destHeight != height;
  const std::size_t kFixed = stretch ? 108 : 100, kBmi = 40;
  if (bits_bytes > 0x7FFFFFFFull - kFixed - kBmi - 1024) return {};
  std::vector<std::uint8_t> rec(kFixed + kBmi + static_cast<std::size_t>(bits_bytes), 0);
  const std::uint32_t w = static_cast<std::uint32_t>(width), h = static_cast<std::uint32_t>(height);
  const std::uint32_t dw = static_cast<std::uint32_t>(destWidth), dh = static_cast<std::uint32_t>(destHeight);
  Put32(rec, 0, stretch ? kEmrStretchBlt : kEmrBitBlt);
  Put32(rec, 4, static_cast<std::uint32_t>(rec.size()));
  Put32(rec, 8, 0);  // rclBounds, inclusive
  Put32(rec, 12, 0);
  Put32(rec, 16, dw - 1);
  Put32(rec, 20, dh - 1);
  Put32(rec, 24, 0);  // xDest, yDest, cxDest, cyDest
  Put32(rec, 28, 0);
  Put32(rec, 32, dw);
  Put32(rec, 36, dh);
  Put32(rec, 40, kSrcCopy);
  Put32(rec, 44, 0);  // xSrc, ySrc
  Put32(rec, 48, 0);
  Put32(rec, 52, 0x3F800000);  // identity xformSrc: eM11 = 1.0f
  Put32(rec, 64, 0x3F800000);  // eM22 = 1.0f
  Put32(rec, 76, 0x00FFFFFF);  // crBkColorSrc
  Put32(rec, 80, 0);           // DIB_RGB_COLORS
  Put32(rec, 84, static_cast<std::uint32_t>(kFixed));  // offBmiSrc
  Put32(rec, 88, kBmi);                                // cbBmiSrc
  Put32(rec, 92, static_cast<std::uint32_t>(kFixed + kBmi));
  Put32(rec, 96, static_cast<std::uint32_t>(bits_bytes));
  if (stretch) {
    Put32(rec, 100, w);  // cxSrc, cySrc
    Put32(rec, 104, h);
  }
  // BITMAPINFOHEADER, bottom-up rows of 32 bits.
  const std::size_t bmi = kFixed;
  Put32(rec, bmi, kBmi);
  Put32(rec, bmi + 4, w);
  Put32(rec, bmi + 8, h);
  rec[bmi + 12] = 1;
  rec[bmi + 14] = 32;
  Put32(rec, bmi + 20, static_cast<std::uint32_t>(bits_bytes));
  std::size_t at = kFixed + kBmi;
  for (std::uint32_t row = h; row-- > 0;) {
    for (std::uint32_t x = 0; x < w; ++x) {
      Put32(rec, at, pixels[static_cast<std::size_t>(row) * w + x] & 0x00FFFFFFu);
      at += 4;
    }
  }
  return Assemble(frame, RectL{0, 0, destWidth - 1, destHeight - 1}, description, rec, 1);
}

}  // namespace

std::vector<std::uint8_t> MakeBitBltEmfBits(std::int32_t width, std::int32_t height,
                                            const std::vector<std::uint32_t>& pixels, const RectL& frame,
                                            const std::u16string& description) {
  return BltEmfBits(width, height, pixels, width, height, frame, description);
}

std::vector<std::uint8_t> MakeStretchBltEmfBits(std::int32_t width, std::int32_t height,
                                                const std::vector<std::uint32_t>& pixels, std::int32_t destWidth,
                                                std::int32_t destHeight, const RectL& frame,
                                                const std::u16string& description) {
  return BltEmfBits(width, height, pixels, destWidth, destHeight, frame, description);
}

}  // namespace kit

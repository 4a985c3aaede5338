// A 24-bit device-independent bitmap section and the memory device context
// that holds it selected.
#pragma once
#include <cstdint>
#include <memory>

namespace kit {

// The section's BITMAPINFOHEADER, field for field (40 bytes on disk).
struct BitmapInfoHeader {
  std::uint32_t biSize = 0;
  std::int32_t biWidth = 0;
  std::int32_t biHeight = 0;  // positive: rows bottom-up
  std::uint16_t biPlanes = 0;
  std::uint16_t biBitCount = 0;
  std::uint32_t biCompression = 0;  // 0 = BI_RGB
  std::uint32_t biSizeImage = 0;
  std::int32_t biXPelsPerMeter = 0;
  std::int32_t biYPelsPerMeter = 0;
  std::uint32_t biClrUsed = 0;
  std::uint32_t biClrImportant = 0;
};

// One live section: its pixel memory (biSizeImage bytes, zeroed when made),
// the DC it is selected into and its bitmap handle. Destroying it selects the
// old bitmap back and frees the section and the DC.
class IDibSurface {
 public:
  virtual ~IDibSurface() = default;
  virtual std::uint8_t* Bits() = 0;
  virtual std::uintptr_t Hdc() const = 0;
  virtual std::uintptr_t Handle() const = 0;
};

class IDibFactory {
 public:
  virtual ~IDibFactory() = default;
  // A memory DC compatible with the screen holding a new section made from
  // `header`; nullptr when the DC or the section cannot be made.
  virtual std::unique_ptr<IDibSurface> Create(const BitmapInfoHeader& header) = 0;
};

}  // namespace kit

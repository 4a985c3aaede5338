// cDIBSection: a 24-bit bottom-up DIB section with its own memory DC.
#pragma once
#include <cstdint>
#include <memory>

#include "ports/dib.h"

namespace kit::sigpad {

// Sections held in process memory; handles are opaque non-zero numbers. Used
// where no display is involved (and as the default).
class MemoryDibFactory : public IDibFactory {
 public:
  std::unique_ptr<IDibSurface> Create(const BitmapInfoHeader& header) override;
};

IDibFactory& DefaultDibFactory();

class cDIBSection {
 public:
  explicit cDIBSection(IDibFactory& factory = DefaultDibFactory()) : factory_(&factory) {}
  ~cDIBSection() { ClearUp(); }
  cDIBSection(const cDIBSection&) = delete;
  cDIBSection& operator=(const cDIBSection&) = delete;

  // Frees any old section, then makes an empty one (all pixels 0). False when
  // the size is not positive or the DC or section cannot be made; the object
  // is then empty. Sizes whose byte counts overflow 32 bits raise the
  // overflow error.
  bool Create(std::int32_t lWidth, std::int32_t lHeight);
  void ClearUp();

  std::int32_t Width() const { return tBI.biWidth; }
  std::int32_t Height() const { return tBI.biHeight; }
  std::int32_t BytesPerScanLine() const;
  std::uintptr_t hdc() const { return surface_ ? surface_->Hdc() : 0; }
  std::uintptr_t hDib() const { return surface_ ? surface_->Handle() : 0; }
  std::uint8_t* DIBSectionBitsPtr() const { return bits_; }
  const BitmapInfoHeader& Header() const { return tBI; }

  // Fills the pixels with noise: grey (equal blue, green and red) or with
  // blue 0 and random green and red. Seeded from the seconds since midnight
  // unless a seed is given.
  void RandomiseBits(bool bGray);
  void RandomiseBits(bool bGray, std::uint32_t seed);

  // A new DIB of the given size (height first) with this picture scaled into
  // it; nullptr when it cannot be created.
  std::unique_ptr<cDIBSection> Resample(std::int32_t lNewHeight, std::int32_t lNewWidth) const;
  // Bilinear fill of `target` from this picture. A source one pixel wide or
  // high raises the subscript-out-of-range error, leaving `target` as it was.
  void ResampleDib(cDIBSection& target) const;

  // Bounds-checked access to the pixel grid (Height rows of
  // BytesPerScanLine bytes); outside it raises subscript out of range.
  std::uint8_t ByteAt(std::int32_t row, std::int32_t column) const;
  void SetByteAt(std::int32_t row, std::int32_t column, std::uint8_t value);

 private:
  static std::int32_t ScanLineFor(std::int32_t width);

  IDibFactory* factory_;
  std::unique_ptr<IDibSurface> surface_;
  std::uint8_t* bits_ = nullptr;
  BitmapInfoHeader tBI;
};

}  // namespace kit::sigpad

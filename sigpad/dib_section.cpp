#include "sigpad/dib_section.h"

#include <cmath>
#include <cstring>
#include <ctime>
#include <random>
#include <vector>

#include "sigpad/raised_error.h"

namespace kit::sigpad {
namespace {

class MemoryDibSurface : public IDibSurface {
 public:
  MemoryDibSurface(std::size_t bytes, std::uintptr_t id) : bits_(bytes, 0), id_(id) {}
  std::uint8_t* Bits() override { return bits_.data(); }
  std::uintptr_t Hdc() const override { return id_ * 2; }
  std::uintptr_t Handle() const override { return id_ * 2 + 1; }

 private:
  std::vector<std::uint8_t> bits_;
  std::uintptr_t id_;
};

[[noreturn]] void RaiseOverflow() { throw RaisedError(kErrOverflow, "cDIBSection", "Overflow"); }
[[noreturn]] void RaiseSubscript() {
  throw RaisedError(kErrSubscriptOutOfRange, "cDIBSection", "Subscript out of range");
}

std::uint8_t RoundByte(float v) {
  float r = std::nearbyint(v);  // halves to even in the default rounding mode
  if (r < 0.0f) return 0;
  if (r > 255.0f) return 255;
  return static_cast<std::uint8_t>(r);
}

}  // namespace

std::unique_ptr<IDibSurface> MemoryDibFactory::Create(const BitmapInfoHeader& header) {
  static std::uintptr_t next_id = 0;
  if (header.biWidth <= 0 || header.biHeight <= 0) return nullptr;
  return std::make_unique<MemoryDibSurface>(header.biSizeImage, ++next_id);
}

IDibFactory& DefaultDibFactory() {
  static MemoryDibFactory factory;
  return factory;
}

std::int32_t cDIBSection::ScanLineFor(std::int32_t width) {
  std::int64_t bytes = static_cast<std::int64_t>(width) * 3 + 3;
  if (bytes > INT32_MAX || bytes < INT32_MIN) RaiseOverflow();
  return static_cast<std::int32_t>(bytes & ~std::int64_t{3});
}

std::int32_t cDIBSection::BytesPerScanLine() const { return ScanLineFor(tBI.biWidth); }

bool cDIBSection::Create(std::int32_t lWidth, std::int32_t lHeight) {
  ClearUp();
  if (lWidth <= 0 || lHeight <= 0) return false;
  std::int64_t image = static_cast<std::int64_t>(ScanLineFor(lWidth)) * lHeight;
  if (image > INT32_MAX) RaiseOverflow();
  BitmapInfoHeader bi;
  bi.biSize = 40;
  bi.biWidth = lWidth;
  bi.biHeight = lHeight;
  bi.biPlanes = 1;
  bi.biBitCount = 24;
  bi.biCompression = 0;
  bi.biSizeImage = static_cast<std::uint32_t>(image);
  std::unique_ptr<IDibSurface> surface = factory_->Create(bi);
  if (!surface || surface->Handle() == 0 || surface->Bits() == nullptr) return false;
  surface_ = std::move(surface);
  bits_ = surface_->Bits();
  tBI = bi;
  return true;
}

void cDIBSection::ClearUp() {
  surface_.reset();
  bits_ = nullptr;
  tBI = BitmapInfoHeader();
}

std::uint8_t cDIBSection::ByteAt(std::int32_t row, std::int32_t column) const {
  if (bits_ == nullptr || row < 0 || row >= Height() || column < 0 || column >= BytesPerScanLine()) {
    RaiseSubscript();
  }
  return bits_[static_cast<std::size_t>(row) * BytesPerScanLine() + column];
}

void cDIBSection::SetByteAt(std::int32_t row, std::int32_t column, std::uint8_t value) {
  if (bits_ == nullptr || row < 0 || row >= Height() || column < 0 || column >= BytesPerScanLine()) {
    RaiseSubscript();
  }
  bits_[static_cast<std::size_t>(row) * BytesPerScanLine() + column] = value;
}

void cDIBSection::RandomiseBits(bool bGray) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  RandomiseBits(bGray, static_cast<std::uint32_t>(local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec));
}

void cDIBSection::RandomiseBits(bool bGray, std::uint32_t seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<float> uniform(0.0f, 1.0f);
  auto next = [&] { return RoundByte(uniform(gen) * 255.0f); };
  const std::int32_t xEnd = (Width() - 1) * 3;
  if (bGray) {
    for (std::int32_t row = 0; row < Height(); ++row) {
      for (std::int32_t x = 0; x <= xEnd; x += 3) {
        const std::uint8_t v = next();
        SetByteAt(row, x, v);
        SetByteAt(row, x + 1, v);
        SetByteAt(row, x + 2, v);
      }
    }
  } else {
    // Column by column, as the colour case has always run.
    for (std::int32_t x = 0; x <= xEnd; x += 3) {
      for (std::int32_t row = 0; row < Height(); ++row) {
        SetByteAt(row, x, 0);
        SetByteAt(row, x + 1, next());
        SetByteAt(row, x + 2, next());
      }
    }
  }
}

std::unique_ptr<cDIBSection> cDIBSection::Resample(std::int32_t lNewHeight, std::int32_t lNewWidth) const {
  auto result = std::make_unique<cDIBSection>(*factory_);
  if (!result->Create(lNewWidth, lNewHeight)) return nullptr;
  if (lNewWidth == Width() && lNewHeight == Height()) {
    // Same layout on both sides: a straight copy of the pixel memory.
    std::memcpy(result->bits_, bits_, tBI.biSizeImage);
  } else {
    ResampleDib(*result);
  }
  return result;
}

void cDIBSection::ResampleDib(cDIBSection& target) const {
  const std::int32_t tw = target.Width();
  const std::int32_t th = target.Height();
  if (tw <= 0 || th <= 0) return;
  const float xScale = static_cast<float>(Width() - 1) / static_cast<float>(tw);
  const float yScale = static_cast<float>(Height() - 1) / static_cast<float>(th);
  // Computed in full before anything is stored, so that a failing read
  // leaves the target as created.
  std::vector<std::uint8_t> out(static_cast<std::size_t>(target.tBI.biSizeImage), 0);
  const std::int32_t tstride = target.BytesPerScanLine();
  for (std::int32_t y = 0; y < th; ++y) {
    const float ys = yScale * static_cast<float>(y);
    const auto yi = static_cast<std::int32_t>(std::floor(ys));
    const float yf = ys - static_cast<float>(yi);
    for (std::int32_t x = 0; x < tw; ++x) {
      const float xs = xScale * static_cast<float>(x);
      const auto xi = static_cast<std::int32_t>(std::floor(xs));
      const float xf = xs - static_cast<float>(xi);
      std::uint8_t col[6];
      for (int k = 0; k < 6; ++k) {
        const float upper = ByteAt(yi, 3 * xi + k);
        const float lower = ByteAt(yi + 1, 3 * xi + k);
        col[k] = RoundByte((1.0f - yf) * upper + yf * lower);
      }
      std::uint8_t* dst = out.data() + static_cast<std::size_t>(y) * tstride + 3 * static_cast<std::size_t>(x);
      for (int c = 0; c < 3; ++c) {
        dst[c] = RoundByte((1.0f - xf) * static_cast<float>(col[c]) + xf * static_cast<float>(col[c + 3]));
      }
    }
  }
  std::memcpy(target.bits_, out.data(), out.size());
}

}  // namespace kit::sigpad

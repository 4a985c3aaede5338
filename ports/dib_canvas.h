// A device context that draws into the pixel memory of a 24-bit bottom-up
// DIB section (what a picture box with persistent drawing keeps).
#pragma once
#include <cstdint>
#include <memory>

#include "ports/canvas.h"

namespace kit {

struct DibPixels {
  std::uint8_t* bits = nullptr;  // bottom row first, BGR
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t stride = 0;
  std::uintptr_t hdc = 0;  // the section's own memory DC, where there is one
};

class IDibCanvasFactory {
 public:
  virtual ~IDibCanvasFactory() = default;
  // Logical units are pixels with (0, 0) at the top left. What is drawn is in
  // the pixel memory when each drawing call returns.
  virtual std::unique_ptr<IDeviceContext> Open(const DibPixels& pixels) = 0;
};

}  // namespace kit

// platform/posix: adapters that do the work on Linux itself; stand-ins for Windows go in sim/.
// IDibCanvasFactory on cairo: a device context that draws, without
// antialiasing as GDI does, into a 24-bit bottom-up DIB's pixel memory.
#pragma once
#include "ports/dib_canvas.h"

namespace kit {

class CairoDibCanvasFactory : public IDibCanvasFactory {
 public:
  std::unique_ptr<IDeviceContext> Open(const DibPixels& pixels) override;
};

}  // namespace kit

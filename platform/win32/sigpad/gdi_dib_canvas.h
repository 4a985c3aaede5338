// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
// IDibCanvasFactory on GDI: the pixels are drawn by the system in a DIB
// section of their own layout and copied back after every drawing call.
// Kept free of <windows.h>.
#pragma once
#include "ports/dib_canvas.h"

namespace kit {

class GdiDibCanvasFactory : public IDibCanvasFactory {
 public:
  std::unique_ptr<IDeviceContext> Open(const DibPixels& pixels) override;
};

}  // namespace kit

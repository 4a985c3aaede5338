// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
#include <windows.h>

#include "platform/win32/win32_adapters.h"

namespace kit::win32 {
namespace {

// Without a screen DC (a service, a locked-down session) layouts still need
// a resolution: the Windows default.
constexpr int kDefaultDpi = 96;

int ScreenCaps(int index) {
  HDC dc = GetDC(nullptr);
  if (dc == nullptr) return kDefaultDpi;
  int value = GetDeviceCaps(dc, index);
  ReleaseDC(nullptr, dc);
  return value > 0 ? value : kDefaultDpi;
}

}  // namespace

int Win32ScreenMetrics::LogPixelsX() const { return ScreenCaps(LOGPIXELSX); }
int Win32ScreenMetrics::LogPixelsY() const { return ScreenCaps(LOGPIXELSY); }

}  // namespace kit::win32

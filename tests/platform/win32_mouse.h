// The pointer moved to a screen point with the given button flags, as the
// system's own input: absolute coordinates run 0..65535 across the primary
// screen. The caller waits for the window to take it in its own way.
#pragma once
#include <windows.h>

namespace kit::testing {

inline void SendMouse(DWORD flags, int x, int y) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dx = MulDiv(x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  in.mi.dy = MulDiv(y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  in.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
  SendInput(1, &in, sizeof in);
}

}  // namespace kit::testing

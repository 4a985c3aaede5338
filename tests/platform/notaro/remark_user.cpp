// The user at the remark window, for the screenshot test under a real X
// display: `remark_user stroke` waits for the window, draws one stroke on
// its view with synthetic mouse input and leaves the window open;
// `remark_user close` closes it. Exits 0 on success.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "tests/platform/win32_mouse.h"

namespace {

HWND FindFrame() {
  for (int i = 0; i < 300; ++i) {
    HWND frame = FindWindowW(L"KitRemarkWindow", L"Notaro");
    if (frame != nullptr && IsWindowVisible(frame)) return frame;
    Sleep(100);
  }
  return nullptr;
}

// The window runs in another process: give it time to take each event.
void Send(DWORD flags, int x, int y) {
  kit::testing::SendMouse(flags, x, y);
  Sleep(30);
}

int Stroke(HWND frame) {
  HWND remark = GetDlgItem(frame, 100);
  HWND view = remark != nullptr ? GetDlgItem(remark, 100) : nullptr;
  if (view == nullptr) {
    std::fprintf(stderr, "remark_user: the window has no view\n");
    return 1;
  }
  SetForegroundWindow(frame);
  Sleep(500);
  RECT r{};
  GetWindowRect(view, &r);
  const int x0 = r.left + 60, y0 = r.top + 60;
  Send(0, x0, y0);
  Send(MOUSEEVENTF_LEFTDOWN, x0, y0);
  // A curve made of short moves, as a hand draws it.
  for (int i = 1; i <= 40; ++i) Send(0, x0 + i * 6, y0 + (i * i) / 8);
  Send(MOUSEEVENTF_LEFTUP, x0 + 240, y0 + 200);
  Sleep(500);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || (std::strcmp(argv[1], "stroke") != 0 && std::strcmp(argv[1], "close") != 0)) {
    std::fprintf(stderr, "usage: remark_user stroke|close\n");
    return 2;
  }
  HWND frame = FindFrame();
  if (frame == nullptr) {
    std::fprintf(stderr, "remark_user: no remark window\n");
    return 1;
  }
  if (std::strcmp(argv[1], "close") == 0) return PostMessageW(frame, WM_CLOSE, 0, 0) ? 0 : 1;
  return Stroke(frame);
}

// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
#include "platform/win32/bridge/pad_frame.h"

#include "platform/win32/bridge/win32_bridge.h"

namespace kit::win32::bridge {
namespace {
constexpr const wchar_t* kClass = L"NotaroBridgePad";
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
thread_local PadFrame* t_handling = nullptr;
}  // namespace

PadFrame::PadFrame(sigpad::UCQuillpad& pad, HINSTANCE module) : face_(pad, module) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = Proc;
  wc.hInstance = module;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = kClass;
  RegisterClassW(&wc);  // a second pad finds it registered
  // The client area is the pad at its design size, as on a page.
  const SIZE size = face_.Size();
  RECT r{0, 0, size.cx, size.cy};
  AdjustWindowRectEx(&r, kStyle, FALSE, 0);
  hwnd_ = CreateWindowExW(0, kClass, kTitle, kStyle, CW_USEDEFAULT, CW_USEDEFAULT, r.right - r.left,
                          r.bottom - r.top, nullptr, nullptr, module, this);
}

PadFrame::~PadFrame() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

PadFrame* PadFrame::Handling() { return t_handling; }

void PadFrame::Place(const RECT& client) {
  if (hwnd_ == nullptr) return;
  face_.Resize(hwnd_, client.right - client.left, client.bottom - client.top);
  RECT frame = client;
  AdjustWindowRectEx(&frame, kStyle, FALSE, 0);
  SetWindowPos(hwnd_, HWND_TOP, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top, 0);
  ShowWindow(hwnd_, SW_SHOWNORMAL);
  // Already shown, it comes in front again: the page asks for it.
  ComeForward(hwnd_);
  UpdateWindow(hwnd_);
}

LRESULT CALLBACK PadFrame::Proc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<PadFrame*>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->hwnd_ = hwnd;
  }
  auto* self = reinterpret_cast<PadFrame*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(hwnd, msg, w, l);
  return self->Message(hwnd, msg, w, l);
}

LRESULT PadFrame::Message(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT client{};
      GetClientRect(hwnd, &client);
      face_.Draw(dc, client);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;  // the face paints every pixel
    case WM_CLOSE:
      ShowWindow(hwnd, SW_HIDE);
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      hwnd_ = nullptr;
      return DefWindowProcW(hwnd, msg, w, l);
    default: {
      LRESULT result = 0;
      PadFrame* const outer = t_handling;
      t_handling = this;
      const bool answered = face_.Message(hwnd, msg, w, l, &result);
      t_handling = outer;
      return answered ? result : DefWindowProcW(hwnd, msg, w, l);
    }
  }
}

}  // namespace kit::win32::bridge

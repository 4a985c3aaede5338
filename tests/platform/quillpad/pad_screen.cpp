// Quillpad.ocx in a container window on a real (Xvfb) display, signed with
// synthetic mouse input, for the screenshot test:
//   pad_screen SAVE_FOLDER READY_FILE GO_FILE
// draws a signature on the pad with SendInput, saves it into SAVE_FOLDER,
// creates READY_FILE, keeps the window up until GO_FILE exists (the shot has
// been taken) and exits 0 when the saved Quillpad.BMP holds the ink.
#include <windows.h>
#include <ole2.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "Quillpad_h.h"
#include "platform/win32/com/com_support.h"
#include "sigpad/quillpad_module.h"
#include "tests/platform/quillpad/pad_container.h"
#include "tests/platform/win32_mouse.h"

namespace {

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

constexpr wchar_t kCaption[] = L"Quillpad signature";

void Pump(DWORD ms) {
  const DWORD until = GetTickCount() + ms;
  do {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
    Sleep(5);
  } while (static_cast<LONG>(until - GetTickCount()) > 0);
}

// The pointer at a screen point, the pad's own window handling what follows.
void Send(DWORD flags, int x, int y) {
  kit::testing::SendMouse(flags, x, y);
  Pump(15);
}

// A hand-written looking name in two strokes, in pad client coordinates
// below the 24 pixel toolbar.
void Sign(HWND pad) {
  POINT origin{0, 0};
  ClientToScreen(pad, &origin);
  auto at = [&](double x, double y, DWORD flags) {
    Send(flags, origin.x + static_cast<int>(x), origin.y + static_cast<int>(y));
  };
  // A looping line...
  at(40, 130, 0);
  at(40, 130, MOUSEEVENTF_LEFTDOWN);
  for (int i = 1; i <= 120; ++i) {
    const double t = i / 120.0 * 6.2831853 * 4;
    at(40 + i * 2.1 + 22 * std::sin(t), 130 - 25 * std::sin(t / 4) + 28 * std::cos(t) - 28, 0);
  }
  at(292, 130, MOUSEEVENTF_LEFTUP);
  // ...and the flourish under it.
  at(60, 190, 0);
  at(60, 190, MOUSEEVENTF_LEFTDOWN);
  for (int i = 1; i <= 40; ++i) at(60 + i * 6, 190 - 0.02 * (i - 20) * (i - 20) + 8, 0);
  at(300, 190, MOUSEEVENTF_LEFTUP);
  Pump(300);
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring Wide(const char* s) {
  wchar_t buf[MAX_PATH] = {};
  MultiByteToWideChar(CP_ACP, 0, s, -1, buf, MAX_PATH);
  return buf;
}

int Run(const std::wstring& folder, const std::wstring& ready, const std::wstring& go) {
  HMODULE module = LoadLibraryW(L"" KIT_QUILLPAD_OCX);
  auto get = module != nullptr
                 ? reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")))
                 : nullptr;
  IClassFactory* factory = nullptr;
  if (get == nullptr ||
      get(kit::win32::com::ParseGuid(kit::sigpad::kQuillpadClsid), IID_IClassFactory,
          reinterpret_cast<void**>(&factory)) != S_OK) {
    std::fprintf(stderr, "pad_screen: Quillpad.ocx did not load\n");
    return 1;
  }
  _UCQuillpad* pad = nullptr;
  const HRESULT made = factory->CreateInstance(nullptr, kit::win32::com::ParseGuid(kit::sigpad::kQuillpadDispIid),
                                               reinterpret_cast<void**>(&pad));
  factory->Release();
  if (made != S_OK) return 1;

  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"KitPadScreen";
  RegisterClassW(&wc);
  RECT frame{0, 0, 416, 255};
  AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
  HWND host = CreateWindowExW(0, wc.lpszClassName, kCaption, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 120, 100,
                              frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, wc.hInstance,
                              nullptr);
  if (host == nullptr) {
    std::fprintf(stderr, "pad_screen: no desktop to create windows on\n");
    return 1;
  }
  ShowWindow(host, SW_SHOW);
  kit::test::Site site(host);
  IOleObject* ole = nullptr;
  pad->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&ole));
  RECT pos{10, 10, 406, 245};
  IOleWindow* window = nullptr;
  HWND hwnd = nullptr;
  if (ole == nullptr || ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, host, &pos) != S_OK ||
      pad->QueryInterface(IID_IOleWindow, reinterpret_cast<void**>(&window)) != S_OK ||
      window->GetWindow(&hwnd) != S_OK || hwnd == nullptr) {
    std::fprintf(stderr, "pad_screen: the pad did not activate in place\n");
    return 1;
  }
  window->Release();
  SetForegroundWindow(host);
  UpdateWindow(host);
  Pump(500);

  // The page names the folder first: each stroke's undo snapshot goes there,
  // and the default folder's parent need not exist in a fresh prefix.
  BSTR path = SysAllocString(folder.c_str());
  const HRESULT named = pad->put_SavePath(path);
  SysFreeString(path);
  if (named != S_OK) return 1;
  Sign(hwnd);
  const HRESULT saved = pad->Save();
  const long ink = saved == S_OK ? kit::test::InkPixels((folder + L"\\Quillpad.BMP").c_str()) : -1;
  std::printf("pad_screen: Save 0x%08lx, %ld inked pixels in Quillpad.BMP\n", static_cast<unsigned long>(saved), ink);

  RedrawWindow(host, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Pump(300);
  CloseHandle(CreateFileW(ready.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  for (int i = 0; i < 600 && !Exists(go); ++i) Pump(50);

  ole->Close(OLECLOSE_NOSAVE);
  ole->Release();
  pad->Release();
  DestroyWindow(host);
  // A signature of two strokes inks some hundreds of pixels.
  return ink >= 200 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: pad_screen SAVE_FOLDER READY_FILE GO_FILE\n");
    return 2;
  }
  OleInitialize(nullptr);
  const int rc = Run(Wide(argv[1]), Wide(argv[2]), Wide(argv[3]));
  OleUninitialize();
  return rc;
}

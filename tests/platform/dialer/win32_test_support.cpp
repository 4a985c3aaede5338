#include "tests/platform/dialer/win32_test_support.h"

#include <windows.h>

namespace kit::win32::testing_support {
namespace {

LRESULT CALLBACK PlainProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

}  // namespace

std::optional<std::string> RawCurrentUserString(const std::string& path, const std::string& name,
                                                std::uint32_t* type) {
  HKEY h = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return std::nullopt;
  char buf[1024] = {};
  DWORD size = sizeof buf, t = 0;
  LONG rc = RegQueryValueExA(h, name.c_str(), nullptr, &t, reinterpret_cast<BYTE*>(buf), &size);
  RegCloseKey(h);
  if (rc != ERROR_SUCCESS) return std::nullopt;
  if (type) *type = t;
  std::string s(buf, size);
  return s.substr(0, s.find('\0'));
}

void DeleteCurrentUserKey(const std::string& path) { RegDeleteKeyA(HKEY_CURRENT_USER, path.c_str()); }

TestDialog::TestDialog(const std::string& class_name, const std::string& caption,
                       const std::vector<std::string>& buttons) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = PlainProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = class_name.c_str();
  RegisterClassA(&wc);
  HWND w = CreateWindowExA(0, class_name.c_str(), caption.c_str(), WS_OVERLAPPED, 0, 0, 300, 100, nullptr,
                           nullptr, wc.hInstance, nullptr);
  if (w == nullptr) {
    error_ = GetLastError();
    return;
  }
  window_ = reinterpret_cast<WindowHandle>(w);
  int x = 0;
  for (const std::string& b : buttons) {
    HWND c = CreateWindowExA(0, "BUTTON", b.c_str(), WS_CHILD | BS_AUTOCHECKBOX, x, 0, 60, 20, w, nullptr,
                             wc.hInstance, nullptr);
    buttons_.push_back(reinterpret_cast<WindowHandle>(c));
    x += 70;
  }
}

TestDialog::~TestDialog() {
  if (window_ != 0) DestroyWindow(reinterpret_cast<HWND>(window_));
}

bool TestDialog::checked(std::size_t i) const {
  return SendMessageA(reinterpret_cast<HWND>(buttons_.at(i)), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

}  // namespace kit::win32::testing_support

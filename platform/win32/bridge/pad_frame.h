// Win32 adapter of NotaroBridge.exe only: the signature pad of a page in a
// browser, which has no page window to sit in, as a window of its own on the
// desktop holding the pad's face at the control's size.
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/win32/quillpad/pad_face.h"
#include "sigpad/quillpad_ctrl.h"

namespace kit::win32::bridge {

class PadFrame {
 public:
  static constexpr const wchar_t* kTitle = L"Quillpad";

  // Makes the frame, not shown yet; `module` registers its window class.
  PadFrame(sigpad::UCQuillpad& pad, HINSTANCE module);
  ~PadFrame();
  PadFrame(const PadFrame&) = delete;
  PadFrame& operator=(const PadFrame&) = delete;

  // Nothing when the desktop gave no window.
  HWND window() const { return hwnd_; }
  // Shows the frame in the middle of the screen and returns when the user
  // has closed it (at once without a window).
  void Run();
  std::optional<std::string> Popup(const std::vector<sigpad::MenuItem>& items) {
    return face_.Popup(hwnd_, items);
  }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM w, LPARAM l);
  LRESULT Message(HWND hwnd, UINT msg, WPARAM w, LPARAM l);

  quillpad::PadFace face_;
  HWND hwnd_ = nullptr;
  bool closed_ = false;
};

}  // namespace kit::win32::bridge

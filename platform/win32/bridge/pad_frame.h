// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
// Win32 adapter of NotaroBridge.exe only: the signature pad of a page in a
// browser, which has no page window to sit in, as a modeless window of its
// own on the desktop holding the pad's face where the page says.
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
  // The frame must go before the pad does.
  PadFrame(sigpad::UCQuillpad& pad, HINSTANCE module);
  ~PadFrame();
  PadFrame(const PadFrame&) = delete;
  PadFrame& operator=(const PadFrame&) = delete;

  // Nothing when the desktop gave no window.
  HWND window() const { return hwnd_; }
  // Shows the frame in front with its client area, the pad, at `client`
  // (screen pixels); the pad takes that size. The user's closing only hides
  // it, and the pad keeps what was drawn.
  void Place(const RECT& client);
  std::optional<std::string> Popup(const std::vector<sigpad::MenuItem>& items) {
    return face_.Popup(hwnd_, items);
  }
  // The frame whose pad is handling the user's input now (its toolbar
  // opens pop-ups on it); null outside that.
  static PadFrame* Handling();

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM w, LPARAM l);
  LRESULT Message(HWND hwnd, UINT msg, WPARAM w, LPARAM l);

  quillpad::PadFace face_;
  HWND hwnd_ = nullptr;
};

}  // namespace kit::win32::bridge

// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
// The signature pad's face on a Win32 window: its seven toolbar buttons and
// picMain drawn with GDI, the mouse on them handed to the core as the
// control's own events, its pop-up menus. Quillpad.ocx puts it in the window
// its container gives it; NotaroBridge.exe in a window of its own on the
// desktop.
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "sigpad/quillpad_ctrl.h"

namespace kit::win32::quillpad {

class PadFace {
 public:
  // `module` owns the pad's pointer.
  PadFace(sigpad::UCQuillpad& pad, HINSTANCE module) : pad_(pad), module_(module) {}

  void Draw(HDC dc, const RECT& bounds);
  // A message of `hwnd`, the window the face fills: true when the face
  // answered it (with *result), false when it is the window's own to answer.
  bool Message(HWND hwnd, UINT msg, WPARAM w, LPARAM l, LRESULT* result);
  // The item chosen in a pop-up at the pointer, owned by `hwnd`.
  std::optional<std::string> Popup(HWND hwnd, const std::vector<sigpad::MenuItem>& items);
  // A new size in pixels; `hwnd`, when there is one, is redrawn.
  void Resize(HWND hwnd, int cx, int cy);
  SIZE Size() const { return size_; }

 private:
  bool OnPicture(int x, int y) const;
  double X(int x) const;
  double Y(int y) const;
  void EndStroke(HWND hwnd, int button, int x, int y);

  sigpad::UCQuillpad& pad_;
  HINSTANCE module_;
  SIZE size_{sigpad::kDesignWidth, sigpad::kDesignHeight};
  int pressed_ = 0;  // toolbar button held down, 1-based
  int drawing_ = 0;  // mouse button of the stroke in progress
  int lastX_ = 0, lastY_ = 0;  // where the pointer was last seen
};

}  // namespace kit::win32::quillpad

// sim: stand-ins for Windows and its programs, for the POSIX hosts, the demo and the tests; ships nowhere.
// The signature pad on a window system of the UI port: a frame of the
// control's size holding the seven toolbar buttons and picMain, for as long as
// the user works on it. The mouse on picMain and the buttons reach the core as
// the control's own events would; the Pen and colour buttons pop up their
// menus through the same window system.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "ports/ui.h"
#include "sigpad/quillpad_ctrl.h"

namespace kit::sim {

class PadWindow {
 public:
  // Toolbar button IDs are the button indexes 1 to 7.
  static constexpr int kPicMainId = 100;
  static constexpr const char* kTitle = "Quillpad";
  static constexpr RectL kDesignPlace{100, 100, 100 + sigpad::kDesignWidth, 100 + sigpad::kDesignHeight};

  // `place` is the pad's client area on the screen; the pad takes its size.
  PadWindow(ui::IUi& ui, sigpad::UCQuillpad& pad, ui::WindowHandle owner, const RectL& place = kDesignPlace);
  ~PadWindow();
  PadWindow(const PadWindow&) = delete;
  PadWindow& operator=(const PadWindow&) = delete;

  // Runs the window's loop, its owner disabled, until the frame closes.
  void Run();
  // Shows the window modeless, its owner left as it is; closing it hides it.
  void Show();
  // Moves the window; a new size resizes the pad as a page resizing it would.
  void Place(const RectL& place);
  // The item chosen in a pop-up of the pad's menu items, or nothing.
  std::optional<std::string> Popup(const std::vector<sigpad::MenuItem>& items);
  // The window whose toolbar button is being handled: its pad's pop-ups open
  // there. Null outside a button's handling.
  static PadWindow* Clicked();

 private:
  class FrameHandler;
  class PictureHandler;
  void SyncButtons();

  ui::IUi& ui_;
  sigpad::UCQuillpad& pad_;
  ui::WindowHandle owner_;
  std::unique_ptr<FrameHandler> frameHandler_;
  std::unique_ptr<PictureHandler> pictureHandler_;
  std::unique_ptr<ui::IWindow> frame_;
  std::unique_ptr<ui::IWindow> picture_;
  std::unique_ptr<ui::IToolBar> toolbar_;
  bool modal_ = false;
  bool closed_ = false;
};

}  // namespace kit::sim

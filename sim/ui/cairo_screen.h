// sim: stand-ins for Windows and its programs, for the POSIX hosts, the demo and the tests; ships nowhere.
// A screen of memory for the headless window system: every window paints into
// a cairo surface of its own that keeps what was drawn (the view's live ink
// too), and a snapshot composes the frame from them with the toolbar, the
// scroll bars and the client edges drawn as the desktop draws them.
#pragma once
#include <map>
#include <memory>
#include <string>

#include "platform/posix/view/cairo_dc.h"
#include "sim/ui/headless_ui.h"

namespace kit::sim {

constexpr ColorRef kButtonFace = 0xC8D0D4;  // the desktop's 3D face
constexpr int kToolButtonWidth = 23, kToolButtonHeight = 22, kToolSeparatorWidth = 8;

class CairoScreen {
 public:
  // Installs itself as the surfaces and the snapshots of `ui`, which must
  // not outlive it.
  explicit CairoScreen(sim::HeadlessUi& ui);
  ~CairoScreen();
  CairoScreen(const CairoScreen&) = delete;
  CairoScreen& operator=(const CairoScreen&) = delete;

  // The frame's client area as it looks now; null for no such frame or one
  // too large to hold in memory (more than 16384 pixels a side or 2^24 in all;
  // windows that large paint nowhere).
  std::unique_ptr<view::CairoDC> Compose(ui::WindowHandle frame);
  bool Snapshot(ui::WindowHandle frame, const std::string& path);

 private:
  cairo_surface_t* SurfaceOf(ui::WindowHandle window, int width, int height);

  sim::HeadlessUi& ui_;
  std::map<ui::WindowHandle, cairo_surface_t*> surfaces_;
};

}  // namespace kit::sim

// A child window as the remark view drives it: client area, scroll bars,
// mouse capture, the pointer, and the metrics that size the non-client area.
#pragma once
#include <cstdint>
#include <memory>

#include "ports/canvas.h"
#include "ports/emf.h"

namespace kit {

constexpr std::uint32_t kWsChild = 0x40000000;
constexpr std::uint32_t kWsVisible = 0x10000000;
constexpr std::uint32_t kWsVScroll = 0x00200000;
constexpr std::uint32_t kWsHScroll = 0x00100000;
constexpr std::uint32_t kWsExClientEdge = 0x00000200;

constexpr int kSbHorz = 0;
constexpr int kSbVert = 1;

// Scroll request codes (WM_HSCROLL / WM_VSCROLL low word).
constexpr int kSbLineUp = 0;
constexpr int kSbLineDown = 1;
constexpr int kSbPageUp = 2;
constexpr int kSbPageDown = 3;
constexpr int kSbThumbPosition = 4;
constexpr int kSbThumbTrack = 5;
constexpr int kSbTop = 6;
constexpr int kSbBottom = 7;
constexpr int kSbEndScroll = 8;

constexpr int kSmCxVScroll = 2;
constexpr int kSmCyHScroll = 3;

struct ScrollInfo {
  int nMin = 0;
  int nMax = 0;
  unsigned nPage = 0;
  int nPos = 0;
  int nTrackPos = 0;
};

class IWindowMetrics {
 public:
  virtual ~IWindowMetrics() = default;
  virtual int SystemMetric(int index) const = 0;  // GetSystemMetrics
  // AdjustWindowRectEx without a menu: grows the client rectangle to the
  // window rectangle for that style.
  virtual RectL AdjustWindowRectEx(const RectL& client, std::uint32_t style, std::uint32_t exStyle) const = 0;
};

class IViewWindow {
 public:
  using CursorHandle = std::uintptr_t;

  virtual ~IViewWindow() = default;
  virtual std::uint32_t Style() const = 0;
  virtual std::uint32_t ExStyle() const = 0;
  virtual RectL WindowRect() const = 0;  // screen coordinates
  virtual RectL ClientRect() const = 0;  // (0, 0, width, height)
  virtual PointL ClientToScreen(PointL p) const = 0;

  virtual void ShowScrollBar(int bar, bool show) = 0;
  virtual ScrollInfo GetScrollInfo(int bar) const = 0;
  // Range, page and position together, redrawn.
  virtual void SetScrollInfo(int bar, const ScrollInfo& info) = 0;
  virtual void SetScrollPos(int bar, int pos) = 0;  // redrawn
  virtual void ScrollWindow(int dx, int dy) = 0;
  virtual void Invalidate(bool erase) = 0;

  // A device context for the client area outside painting.
  virtual std::unique_ptr<IDeviceContext> GetClientDC() = 0;

  virtual void SetCapture() = 0;
  virtual void ReleaseCapture() = 0;
  // Confines the pointer to a screen rectangle; null frees it.
  virtual void ClipCursor(const RectL* screen) = 0;
  virtual void SetCursorPos(int screenX, int screenY) = 0;
  // Shows a cursor; 0 restores the window class cursor.
  virtual void SetCursor(CursorHandle cursor) = 0;
};

}  // namespace kit

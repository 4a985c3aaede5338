// A window and device contexts that record what the remark view asks of them.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "ports/canvas.h"
#include "ports/window.h"

namespace kit::testing {

inline std::string Pt(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }

// Records calls; lines and rectangles also in device coordinates, so tests
// see where ink lands on the screen.
class RecordingDC : public IDeviceContext {
 public:
  std::vector<std::string>* log;
  explicit RecordingDC(std::vector<std::string>* out) : log(out) {}

  DcMapping map;
  PenHandle nextPen = 100, selectedPen = 1;
  BrushHandle nextBrush = 500, selectedBrush = 2;

  void Add(const std::string& s) { log->push_back(s); }
  std::string Dev(int x, int y) const {
    PointL p = map.LPtoDP({x, y});
    return Pt(p.x, p.y);
  }

  PenHandle CreatePen(int style, int width, ColorRef color) override {
    Add("CreatePen " + std::to_string(style) + " " + std::to_string(width) + " " + std::to_string(color));
    return ++nextPen;
  }
  PenHandle SelectPen(PenHandle pen) override {
    PenHandle old = selectedPen;
    selectedPen = pen;
    return old;
  }
  void DeletePen(PenHandle pen) override {
    if (pen == selectedPen) Add("DeletePen of the selected pen");
  }
  void MoveTo(int x, int y) override { Add("MoveTo " + Dev(x, y)); }
  void LineTo(int x, int y) override { Add("LineTo " + Dev(x, y)); }
  void PlayMetafile(const IEnhMetaFile&, const RectL& r) override {
    Add("Play " + Dev(r.left, r.top) + " " + Dev(r.right, r.bottom));
  }
  int SetMapMode(int mode) override {
    int old = map.mapMode;
    map.mapMode = mode;
    return old;
  }
  void SetWindowOrg(int x, int y) override { map.windowOrg = {x, y}; }
  void SetWindowExt(int cx, int cy) override { map.windowExt = {cx, cy}; }
  void SetViewportOrg(int x, int y) override { map.viewportOrg = {x, y}; }
  void SetViewportExt(int cx, int cy) override { map.viewportExt = {cx, cy}; }
  DcMapping Mapping() const override { return map; }
  BrushHandle CreateSolidBrush(ColorRef color) override {
    Add("CreateSolidBrush " + std::to_string(color));
    return ++nextBrush;
  }
  BrushHandle StockBrush(int which) override { return 10 + static_cast<BrushHandle>(which); }
  BrushHandle SelectBrush(BrushHandle b) override {
    BrushHandle old = selectedBrush;
    selectedBrush = b;
    return old;
  }
  void DeleteBrush(BrushHandle b) override {
    if (b == selectedBrush) Add("DeleteBrush of the selected brush");
  }
  void PatBlt(int x, int y, int w, int h, std::uint32_t rop) override {
    std::string what = rop == kBlackness ? "black" : (selectedBrush == 10 + kWhiteBrush ? "white" : "brush");
    Add("PatBlt " + what + " " + Dev(x, y) + " " + Dev(x + w, y + h));
  }
  void Rectangle(int l, int t, int r, int b) override {
    Add(std::string("Rectangle ") + (selectedBrush == 10 + kWhiteBrush ? "white " : "") + Dev(l, t) + " " + Dev(r, b));
  }
};

// Window metrics: a 2-pixel client edge, 17-pixel scroll bars.
class FakeMetrics : public IWindowMetrics {
 public:
  int SystemMetric(int index) const override { return index == kSmCxVScroll || index == kSmCyHScroll ? 17 : 0; }
  RectL AdjustWindowRectEx(const RectL& c, std::uint32_t style, std::uint32_t ex) const override {
    int edge = (ex & kWsExClientEdge) ? 2 : 0;
    RectL r{c.left - edge, c.top - edge, c.right + edge, c.bottom + edge};
    if (style & kWsVScroll) r.right += 17;
    if (style & kWsHScroll) r.bottom += 17;
    return r;
  }
};

// A child window at screen (1000, 500) with a 2-pixel client edge.
class FakeWindow : public IViewWindow {
 public:
  std::vector<std::string> log;
  std::uint32_t style = kWsChild | kWsVisible;
  int width = 404, height = 304;  // window size; client 400 x 300 without bars
  ScrollInfo bars[2];
  bool captured = false;
  bool clipped = false;
  RectL clip{};
  PointL cursor{0, 0};
  CursorHandle shownCursor = 0;
  std::vector<std::string> clientDrawing;

  std::uint32_t Style() const override { return style; }
  std::uint32_t ExStyle() const override { return kWsExClientEdge; }
  RectL WindowRect() const override { return {998, 498, 998 + width, 498 + height}; }
  RectL ClientRect() const override {
    int w = width - 4 - ((style & kWsVScroll) ? 17 : 0);
    int h = height - 4 - ((style & kWsHScroll) ? 17 : 0);
    return {0, 0, w, h};
  }
  PointL ClientToScreen(PointL p) const override { return {p.x + 1000, p.y + 500}; }
  void ShowScrollBar(int bar, bool show) override {
    std::uint32_t bit = bar == kSbHorz ? kWsHScroll : kWsVScroll;
    style = show ? (style | bit) : (style & ~bit);
  }
  ScrollInfo GetScrollInfo(int bar) const override { return bars[bar]; }
  void SetScrollInfo(int bar, const ScrollInfo& si) override {
    bars[bar].nMin = si.nMin;
    bars[bar].nMax = si.nMax;
    bars[bar].nPage = si.nPage;
    bars[bar].nPos = si.nPos;
  }
  void SetScrollPos(int bar, int pos) override { bars[bar].nPos = pos; }
  void ScrollWindow(int dx, int dy) override { log.push_back("ScrollWindow " + Pt(dx, dy)); }
  void Invalidate(bool) override {}
  std::unique_ptr<IDeviceContext> GetClientDC() override { return std::make_unique<RecordingDC>(&clientDrawing); }
  void SetCapture() override { captured = true; }
  void ReleaseCapture() override { captured = false; }
  void ClipCursor(const RectL* r) override {
    clipped = r != nullptr;
    if (r) clip = *r;
  }
  void SetCursorPos(int x, int y) override { cursor = {x, y}; }
  void SetCursor(CursorHandle c) override { shownCursor = c; }
};

}  // namespace kit::testing

// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
#include "gdi_dib_canvas.h"

#include <windows.h>

#include <cstring>

namespace kit {
namespace {

class GdiDibDC : public IDeviceContext {
 public:
  explicit GdiDibDC(const DibPixels& px) : px_(px), bytes_(static_cast<std::size_t>(px.stride) * px.height) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = px.width;
    bi.bmiHeader.biHeight = px.height;  // bottom-up, as the pad's DIB
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    dc_ = CreateCompatibleDC(nullptr);
    if (dc_ == nullptr) return;
    dib_ = CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, &bits_, nullptr, 0);
    if (dib_ == nullptr || bits_ == nullptr) return;
    old_ = SelectObject(dc_, dib_);
    // Both sides are 24-bit rows padded to four bytes: the same layout.
    std::memcpy(bits_, px_.bits, bytes_);
  }
  ~GdiDibDC() override {
    if (dc_ != nullptr) {
      if (old_ != nullptr) SelectObject(dc_, old_);
      DeleteDC(dc_);
    }
    if (dib_ != nullptr) DeleteObject(dib_);
  }
  GdiDibDC(const GdiDibDC&) = delete;
  GdiDibDC& operator=(const GdiDibDC&) = delete;
  bool ok() const { return old_ != nullptr; }

  PenHandle CreatePen(int style, int width, ColorRef color) override {
    return reinterpret_cast<PenHandle>(::CreatePen(style, width, color));
  }
  PenHandle SelectPen(PenHandle pen) override {
    HGDIOBJ obj = pen ? reinterpret_cast<HGDIOBJ>(pen) : GetStockObject(BLACK_PEN);
    return reinterpret_cast<PenHandle>(SelectObject(dc_, obj));
  }
  void DeletePen(PenHandle pen) override {
    if (pen) DeleteObject(reinterpret_cast<HGDIOBJ>(pen));
  }
  void MoveTo(int x, int y) override { MoveToEx(dc_, x, y, nullptr); }
  void LineTo(int x, int y) override {
    ::LineTo(dc_, x, y);
    Store();
  }
  // DIBs of the pad never hold metafiles.
  void PlayMetafile(const IEnhMetaFile&, const RectL&) override {}

  int SetMapMode(int mode) override {
    map_.mapMode = mode;
    return ::SetMapMode(dc_, mode);
  }
  void SetWindowOrg(int x, int y) override {
    map_.windowOrg = {x, y};
    SetWindowOrgEx(dc_, x, y, nullptr);
  }
  void SetWindowExt(int cx, int cy) override {
    map_.windowExt = {cx, cy};
    SetWindowExtEx(dc_, cx, cy, nullptr);
  }
  void SetViewportOrg(int x, int y) override {
    map_.viewportOrg = {x, y};
    SetViewportOrgEx(dc_, x, y, nullptr);
  }
  void SetViewportExt(int cx, int cy) override {
    map_.viewportExt = {cx, cy};
    SetViewportExtEx(dc_, cx, cy, nullptr);
  }
  DcMapping Mapping() const override { return map_; }

  BrushHandle CreateSolidBrush(ColorRef color) override {
    return reinterpret_cast<BrushHandle>(::CreateSolidBrush(color));
  }
  BrushHandle StockBrush(int which) override { return reinterpret_cast<BrushHandle>(GetStockObject(which)); }
  BrushHandle SelectBrush(BrushHandle brush) override {
    HGDIOBJ obj = brush ? reinterpret_cast<HGDIOBJ>(brush) : GetStockObject(WHITE_BRUSH);
    return reinterpret_cast<BrushHandle>(SelectObject(dc_, obj));
  }
  void DeleteBrush(BrushHandle brush) override {
    if (brush) DeleteObject(reinterpret_cast<HGDIOBJ>(brush));
  }
  void PatBlt(int x, int y, int width, int height, std::uint32_t rop) override {
    ::PatBlt(dc_, x, y, width, height, rop);
    Store();
  }
  void Rectangle(int left, int top, int right, int bottom) override {
    ::Rectangle(dc_, left, top, right, bottom);
    Store();
  }

 private:
  void Store() {
    GdiFlush();
    std::memcpy(px_.bits, bits_, bytes_);
  }

  DibPixels px_;
  std::size_t bytes_;
  HDC dc_ = nullptr;
  HBITMAP dib_ = nullptr;
  HGDIOBJ old_ = nullptr;
  void* bits_ = nullptr;
  DcMapping map_;
};

}  // namespace

std::unique_ptr<IDeviceContext> GdiDibCanvasFactory::Open(const DibPixels& pixels) {
  const std::int64_t scan = (std::int64_t{pixels.width} * 3 + 3) & ~std::int64_t{3};
  if (pixels.bits == nullptr || pixels.width <= 0 || pixels.height <= 0 || pixels.stride != scan) return nullptr;
  auto dc = std::make_unique<GdiDibDC>(pixels);
  if (!dc->ok()) return nullptr;
  return dc;
}

}  // namespace kit

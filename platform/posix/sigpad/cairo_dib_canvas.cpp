// platform/posix: adapters that do the work on Linux itself; stand-ins for Windows go in sim/.
#include "cairo_dib_canvas.h"

#include <cairo.h>

#include <cstring>
#include <map>

namespace kit {
namespace {

struct Pen {
  int width;
  ColorRef color;
};

void SetColor(cairo_t* cr, ColorRef c) {
  cairo_set_source_rgb(cr, (c & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, ((c >> 16) & 0xFF) / 255.0);
}

// cairo has no 24-bit format: the DIB is mirrored in an RGB24 surface, read
// in when opened and written back after every drawing call.
class CairoDibDC : public IDeviceContext {
 public:
  explicit CairoDibDC(const DibPixels& px) : px_(px) {
    surface_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, px.width, px.height);
    cr_ = cairo_create(surface_);
    cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);
    if (ok()) Load();
  }
  bool ok() const { return cairo_status(cr_) == CAIRO_STATUS_SUCCESS; }
  ~CairoDibDC() override {
    cairo_destroy(cr_);
    cairo_surface_destroy(surface_);
  }
  CairoDibDC(const CairoDibDC&) = delete;
  CairoDibDC& operator=(const CairoDibDC&) = delete;

  PenHandle CreatePen(int, int width, ColorRef color) override {
    pens_[++next_] = Pen{width, color};
    return next_;
  }
  PenHandle SelectPen(PenHandle pen) override {
    PenHandle old = pen_;
    pen_ = pen;
    return old;
  }
  void DeletePen(PenHandle pen) override { pens_.erase(pen); }
  void MoveTo(int x, int y) override { at_ = map_.LPtoDP({x, y}); }
  void LineTo(int x, int y) override {
    const PointL to = map_.LPtoDP({x, y});
    const Pen pen = CurrentPen();
    cairo_set_line_width(cr_, pen.width <= 1 ? 1.0 : map_.LengthToDevice(pen.width));
    cairo_set_line_cap(cr_, pen.width <= 1 ? CAIRO_LINE_CAP_BUTT : CAIRO_LINE_CAP_ROUND);
    SetColor(cr_, pen.color);
    cairo_move_to(cr_, at_.x + 0.5, at_.y + 0.5);
    cairo_line_to(cr_, to.x + 0.5, to.y + 0.5);
    cairo_stroke(cr_);
    at_ = to;
    Store();
  }
  // DIBs of the pad never hold metafiles.
  void PlayMetafile(const IEnhMetaFile&, const RectL&) override {}

  int SetMapMode(int mode) override {
    const int old = map_.mapMode;
    map_.mapMode = mode;
    return old;
  }
  void SetWindowOrg(int x, int y) override { map_.windowOrg = {x, y}; }
  void SetWindowExt(int cx, int cy) override { map_.windowExt = {cx, cy}; }
  void SetViewportOrg(int x, int y) override { map_.viewportOrg = {x, y}; }
  void SetViewportExt(int cx, int cy) override { map_.viewportExt = {cx, cy}; }
  DcMapping Mapping() const override { return map_; }

  BrushHandle CreateSolidBrush(ColorRef color) override {
    brushes_[++next_] = color;
    return next_;
  }
  BrushHandle StockBrush(int) override { return kStockWhite; }
  BrushHandle SelectBrush(BrushHandle brush) override {
    BrushHandle old = brush_;
    brush_ = brush;
    return old;
  }
  void DeleteBrush(BrushHandle brush) override { brushes_.erase(brush); }

  void PatBlt(int x, int y, int width, int height, std::uint32_t rop) override {
    const PointL a = map_.LPtoDP({x, y}), b = map_.LPtoDP({x + width, y + height});
    SetColor(cr_, rop == kBlackness ? 0 : BrushColor());
    cairo_rectangle(cr_, a.x, a.y, b.x - a.x, b.y - a.y);
    cairo_fill(cr_);
    Store();
  }
  void Rectangle(int left, int top, int right, int bottom) override {
    const PointL a = map_.LPtoDP({left, top}), b = map_.LPtoDP({right, bottom});
    cairo_rectangle(cr_, a.x + 0.5, a.y + 0.5, b.x - a.x - 1, b.y - a.y - 1);
    SetColor(cr_, BrushColor());
    cairo_fill_preserve(cr_);
    const Pen pen = CurrentPen();
    cairo_set_line_width(cr_, pen.width <= 1 ? 1.0 : map_.LengthToDevice(pen.width));
    cairo_set_line_join(cr_, CAIRO_LINE_JOIN_MITER);
    SetColor(cr_, pen.color);
    cairo_stroke(cr_);
    Store();
  }

 private:
  static constexpr BrushHandle kStockWhite = 1;

  Pen CurrentPen() const {
    auto it = pens_.find(pen_);
    return it == pens_.end() ? Pen{1, 0} : it->second;
  }
  ColorRef BrushColor() const {
    auto it = brushes_.find(brush_);
    return it == brushes_.end() ? 0xFFFFFF : it->second;
  }
  void Load() {
    cairo_surface_flush(surface_);
    unsigned char* data = cairo_image_surface_get_data(surface_);
    const int stride = cairo_image_surface_get_stride(surface_);
    for (int y = 0; y < px_.height; ++y) {
      const std::uint8_t* src = px_.bits + static_cast<std::size_t>(px_.height - 1 - y) * px_.stride;
      auto* dst = reinterpret_cast<std::uint32_t*>(data + static_cast<std::size_t>(y) * stride);
      for (int x = 0; x < px_.width; ++x) {
        dst[x] = src[3 * x] | (static_cast<std::uint32_t>(src[3 * x + 1]) << 8) |
                 (static_cast<std::uint32_t>(src[3 * x + 2]) << 16);
      }
    }
    cairo_surface_mark_dirty(surface_);
  }
  void Store() {
    cairo_surface_flush(surface_);
    const unsigned char* data = cairo_image_surface_get_data(surface_);
    const int stride = cairo_image_surface_get_stride(surface_);
    for (int y = 0; y < px_.height; ++y) {
      const auto* src = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::size_t>(y) * stride);
      std::uint8_t* dst = px_.bits + static_cast<std::size_t>(px_.height - 1 - y) * px_.stride;
      for (int x = 0; x < px_.width; ++x) {
        dst[3 * x] = static_cast<std::uint8_t>(src[x]);
        dst[3 * x + 1] = static_cast<std::uint8_t>(src[x] >> 8);
        dst[3 * x + 2] = static_cast<std::uint8_t>(src[x] >> 16);
      }
    }
  }

  DibPixels px_;
  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
  DcMapping map_;
  PointL at_{0, 0};
  std::map<PenHandle, Pen> pens_;
  std::map<BrushHandle, ColorRef> brushes_;
  PenHandle pen_ = 0;
  BrushHandle brush_ = kStockWhite;
  std::uintptr_t next_ = 16;
};

}  // namespace

std::unique_ptr<IDeviceContext> CairoDibCanvasFactory::Open(const DibPixels& pixels) {
  if (pixels.bits == nullptr || pixels.width <= 0 || pixels.height <= 0 ||
      static_cast<std::int64_t>(pixels.stride) < std::int64_t{pixels.width} * 3) {
    return nullptr;
  }
  auto dc = std::make_unique<CairoDibDC>(pixels);
  if (!dc->ok()) return nullptr;
  return dc;
}

}  // namespace kit

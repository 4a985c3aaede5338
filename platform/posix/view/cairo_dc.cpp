// platform/posix: adapters that do the work on Linux itself; stand-ins for Windows go in sim/.
#include "platform/posix/view/cairo_dc.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "sim/view/emf_player.h"

namespace kit::view {
namespace {

constexpr ICanvas::PenHandle kStockBrushBase = 10;

// Segments of one polyline stroked at a time. Cairo holds a path, and more so
// the outline it strokes, in many times the two bytes a step takes in the
// file; a stroke of any length is drawn in pieces of this many segments.
// Joined with round caps, pieces cover what the whole would.
constexpr int kMaxPathSegments = 4096;

// On a surface that records (LimitVectorLines), a picture larger than this is
// laid on as pixels: recorded, its paths would take several times its size.
constexpr std::size_t kMaxVectorPictureBytes = std::size_t{8} << 20;

double Channel(ColorRef c, int shift) { return static_cast<double>((c >> shift) & 0xFF) / 255.0; }

// Device coordinates from the mapping, kept well inside what cairo's fixed
// point takes, so a wild logical value clips instead of wrapping.
double Clamp(int v) { return std::clamp(static_cast<double>(v), -4.0e6, 4.0e6); }

}  // namespace

CairoDC::CairoDC(int width, int height) : width_(std::max(width, 0)), height_(std::max(height, 0)) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, std::max(width_, 1), std::max(height_, 1));
  Init(s);
  cairo_surface_destroy(s);  // the context holds its own reference
  FillDevice(0, 0, width_, height_, 0xFFFFFF);
}

CairoDC::CairoDC(cairo_surface_t* surface, int width, int height)
    : width_(std::max(width, 0)), height_(std::max(height, 0)) {
  Init(surface);
}

void CairoDC::Init(cairo_surface_t* surface) {
  surface_ = cairo_surface_reference(surface);
  cr_ = cairo_create(surface_);
  // GDI draws aliased: a pixel is either the pen's colour or untouched.
  cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);
  cairo_rectangle(cr_, 0, 0, width_, height_);
  cairo_clip(cr_);
  pens_[kStockBlackPen] = Pen{kPsSolid, 0, 0};
  brushes_[kStockBrushBase + kWhiteBrush] = Brush{false, 0xFFFFFF};
  brushes_[kStockBrushBase + kLtGrayBrush] = Brush{false, 0xC0C0C0};
  brushes_[kStockBrushBase + kGrayBrush] = Brush{false, 0x808080};
  brushes_[kStockBrushBase + kDkGrayBrush] = Brush{false, 0x404040};
  brushes_[kStockBrushBase + kBlackBrush] = Brush{false, 0x000000};
  brushes_[kStockBrushBase + kNullBrush] = Brush{true, 0};
  brush_ = kStockBrushBase + kWhiteBrush;
}

CairoDC::~CairoDC() {
  if (layerCr_ != nullptr) cairo_destroy(layerCr_);
  if (layer_ != nullptr) cairo_surface_destroy(layer_);
  cairo_destroy(cr_);
  cairo_surface_destroy(surface_);
}

void CairoDC::SetColor(cairo_t* cr, ColorRef c) {
  cairo_set_source_rgb(cr, Channel(c, 0), Channel(c, 8), Channel(c, 16));
}

void CairoDC::Flush() {
  StrokePending();
  CompositeInk();
  vectorSegments_ = 0;
  cairo_surface_flush(surface_);
}

void CairoDC::LimitVectorLines(long segments, double layerScale) {
  vectorBudget_ = segments;
  layerScale_ = layerScale > 0 ? layerScale : 1.0;
}

void CairoDC::OpenInkLayer() {
  const int w = static_cast<int>(std::ceil(width_ * layerScale_)), h = static_cast<int>(std::ceil(height_ * layerScale_));
  layer_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, std::max(w, 1), std::max(h, 1));
  layerCr_ = cairo_create(layer_);
  cairo_set_antialias(layerCr_, CAIRO_ANTIALIAS_NONE);
  cairo_scale(layerCr_, layerScale_, layerScale_);
}

void CairoDC::CompositeInk() {
  if (layer_ == nullptr) return;
  StrokePending();
  cairo_destroy(layerCr_);
  layerCr_ = nullptr;
  cairo_surface_flush(layer_);
  cairo_save(cr_);
  cairo_scale(cr_, 1.0 / layerScale_, 1.0 / layerScale_);
  cairo_set_source_surface(cr_, layer_, 0, 0);
  cairo_paint(cr_);
  cairo_restore(cr_);
  cairo_surface_destroy(layer_);
  layer_ = nullptr;
}

ColorRef CairoDC::PixelAt(int x, int y) {
  Flush();
  if (x < 0 || y < 0 || x >= width_ || y >= height_ ||
      cairo_surface_get_type(surface_) != CAIRO_SURFACE_TYPE_IMAGE ||
      x >= cairo_image_surface_get_width(surface_) || y >= cairo_image_surface_get_height(surface_)) {
    return 0xFFFFFFFFu;
  }
  const unsigned char* data = cairo_image_surface_get_data(surface_);
  const int stride = cairo_image_surface_get_stride(surface_);
  std::uint32_t px;
  const unsigned char* p = data + static_cast<std::ptrdiff_t>(y) * stride + x * 4;
  px = static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
       static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
  // 0x??RRGGBB in memory order of the machine's words: red high.
  return ((px >> 16) & 0xFF) | (px & 0xFF00) | (px & 0xFF) << 16;
}

bool CairoDC::WritePng(const std::string& path) {
  Flush();
  return cairo_surface_write_to_png(surface_, path.c_str()) == CAIRO_STATUS_SUCCESS;
}

void CairoDC::IntersectClip(const RectL& d) {
  StrokePending();
  CompositeInk();
  cairo_rectangle(cr_, Clamp(std::min(d.left, d.right)), Clamp(std::min(d.top, d.bottom)),
                  Clamp(std::abs(d.right - d.left)), Clamp(std::abs(d.bottom - d.top)));
  cairo_clip(cr_);
}

ICanvas::PenHandle CairoDC::CreatePen(int style, int width, ColorRef color) {
  const PenHandle h = next_++;
  pens_[h] = Pen{style, std::max(width, 0), color & 0xFFFFFF};
  return h;
}

ICanvas::PenHandle CairoDC::SelectPen(PenHandle pen) {
  if (pens_.count(pen) == 0) return 0;  // not a pen of this DC: nothing changes
  StrokePending();
  const PenHandle old = pen_;
  pen_ = pen;
  return old;
}

void CairoDC::DeletePen(PenHandle pen) {
  // Stock pens and the selected pen stay; GDI refuses to free either.
  if (pen == kStockBlackPen || pen == pen_) return;
  pens_.erase(pen);
}

const CairoDC::Pen& CairoDC::SelectedPen() const { return pens_.at(pen_); }

double CairoDC::PenDeviceWidth(const Pen& p) const {
  // Width 0 is one pixel whatever the mapping; others scale with the x axis.
  if (p.width <= 1 && !map_.Scaled()) return 1.0;
  const int w = map_.LengthToDevice(p.width);
  return std::max(1, std::abs(w));
}

void CairoDC::MoveTo(int x, int y) {
  StrokePending();
  pos_ = map_.LPtoDP({x, y});
}

void CairoDC::LineTo(int x, int y) {
  const PointL to = map_.LPtoDP({x, y});
  if (SelectedPen().style == kPsSolid) {
    if (!pending_) {
      if (vectorBudget_ >= 0 && layer_ == nullptr && vectorSegments_ >= vectorBudget_) OpenInkLayer();
      cairo_new_path(Ink());
      cairo_move_to(Ink(), Clamp(pos_.x) + 0.5, Clamp(pos_.y) + 0.5);
      pending_ = true;
    }
    cairo_line_to(Ink(), Clamp(to.x) + 0.5, Clamp(to.y) + 0.5);
    if (layer_ == nullptr) ++vectorSegments_;
    if (++pendingSegments_ >= kMaxPathSegments) {
      pos_ = to;
      StrokePending();  // the next segment starts a new piece here
    }
  }
  pos_ = to;
}

void CairoDC::StrokePending() {
  if (!pending_) return;
  pending_ = false;
  pendingSegments_ = 0;
  const Pen& p = SelectedPen();
  const double w = PenDeviceWidth(p);
  cairo_t* cr = Ink();
  cairo_set_line_width(cr, w);
  // Wide GDI pens end and join round; a one-pixel pen covers its end pixel.
  cairo_set_line_cap(cr, w > 1.0 ? CAIRO_LINE_CAP_ROUND : CAIRO_LINE_CAP_SQUARE);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  SetColor(cr, p.color);
  cairo_stroke(cr);
}

void CairoDC::PlayMetafile(const IEnhMetaFile& emf, const RectL& rect) {
  CompositeInk();
  StrokePending();
  const PointL a = map_.LPtoDP({rect.left, rect.top});
  const PointL b = map_.LPtoDP({rect.right, rect.bottom});
  // A picture may be as large as the file it came in: played in place.
  std::vector<std::uint8_t> copy;
  const std::uint8_t* bits = emf.BitsInPlace();
  std::size_t size = emf.BitsSize();
  if (bits == nullptr) {
    copy = emf.Bits();
    bits = copy.data();
    size = copy.size();
  }
  if (vectorBudget_ >= 0 && size > kMaxVectorPictureBytes) {
    OpenInkLayer();
    PlayEnhMetaFile(layerCr_, bits, size, RectL{a.x, a.y, b.x, b.y});
    CompositeInk();
    return;
  }
  cairo_save(cr_);
  PlayEnhMetaFile(cr_, bits, size, RectL{a.x, a.y, b.x, b.y});
  cairo_restore(cr_);
}

int CairoDC::SetMapMode(int mode) {
  const int old = map_.mapMode;
  if (mode != kMmText && mode != kMmAnisotropic) return old;
  if (mode == kMmText) {
    map_.windowExt = {1, 1};
    map_.viewportExt = {1, 1};
  }
  map_.mapMode = mode;
  return old;
}

void CairoDC::SetWindowOrg(int x, int y) { map_.windowOrg = {x, y}; }
void CairoDC::SetViewportOrg(int x, int y) { map_.viewportOrg = {x, y}; }

// Extents count only in MM_ANISOTROPIC, and a zero extent is refused as GDI
// refuses it (it would divide by zero).
void CairoDC::SetWindowExt(int cx, int cy) {
  if (map_.Scaled() && cx != 0 && cy != 0) map_.windowExt = {cx, cy};
}
void CairoDC::SetViewportExt(int cx, int cy) {
  if (map_.Scaled() && cx != 0 && cy != 0) map_.viewportExt = {cx, cy};
}

IDeviceContext::BrushHandle CairoDC::CreateSolidBrush(ColorRef color) {
  const BrushHandle h = next_++;
  brushes_[h] = Brush{false, color & 0xFFFFFF};
  return h;
}

IDeviceContext::BrushHandle CairoDC::StockBrush(int which) {
  if (which < kWhiteBrush || which > kNullBrush) return 0;
  return kStockBrushBase + static_cast<BrushHandle>(which);
}

IDeviceContext::BrushHandle CairoDC::SelectBrush(BrushHandle brush) {
  if (brushes_.count(brush) == 0) return 0;
  const BrushHandle old = brush_;
  brush_ = brush;
  return old;
}

void CairoDC::DeleteBrush(BrushHandle brush) {
  if (brush == brush_ || (brush >= kStockBrushBase && brush <= kStockBrushBase + kNullBrush)) return;
  brushes_.erase(brush);
}

void CairoDC::FillDevice(int x0, int y0, int x1, int y1, ColorRef c) {
  const double l = Clamp(std::min(x0, x1)), r = Clamp(std::max(x0, x1));
  const double t = Clamp(std::min(y0, y1)), b = Clamp(std::max(y0, y1));
  if (r <= l || b <= t) return;
  SetColor(cr_, c);
  cairo_rectangle(cr_, l, t, r - l, b - t);
  cairo_fill(cr_);
}

void CairoDC::PatBlt(int x, int y, int w, int h, std::uint32_t rop) {
  StrokePending();
  CompositeInk();
  const PointL a = map_.LPtoDP({x, y});
  const PointL b = map_.LPtoDP({x + w, y + h});
  if (rop == kBlackness) {
    FillDevice(a.x, a.y, b.x, b.y, 0);
  } else if (rop == kPatCopy) {
    const Brush& br = brushes_.at(brush_);
    if (!br.null) FillDevice(a.x, a.y, b.x, b.y, br.color);
  }
}

void CairoDC::Rectangle(int left, int top, int right, int bottom) {
  StrokePending();
  CompositeInk();
  PointL a = map_.LPtoDP({left, top});
  PointL b = map_.LPtoDP({right, bottom});
  if (a.x > b.x) std::swap(a.x, b.x);
  if (a.y > b.y) std::swap(a.y, b.y);
  // Right and bottom edges are outside the rectangle, as in GDI.
  const Brush& br = brushes_.at(brush_);
  if (!br.null) FillDevice(a.x, a.y, b.x, b.y, br.color);
  if (b.x - a.x < 1 || b.y - a.y < 1) return;
  const Pen& p = SelectedPen();
  if (p.style != kPsSolid) return;
  const double w = PenDeviceWidth(p);
  cairo_new_path(cr_);
  cairo_rectangle(cr_, Clamp(a.x) + 0.5, Clamp(a.y) + 0.5, Clamp(b.x - a.x - 1), Clamp(b.y - a.y - 1));
  cairo_set_line_width(cr_, w);
  cairo_set_line_join(cr_, CAIRO_LINE_JOIN_MITER);
  SetColor(cr_, p.color);
  cairo_stroke(cr_);
}

void CairoDC::SetDIBitsToDevice(int x, int y, int width, int height, const std::uint8_t* bits, int stride) {
  if (bits == nullptr || width <= 0 || height <= 0) return;
  StrokePending();
  CompositeInk();
  cairo_surface_t* img = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  if (cairo_surface_status(img) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(img);
    return;
  }
  cairo_surface_flush(img);
  unsigned char* out = cairo_image_surface_get_data(img);
  const int outStride = cairo_image_surface_get_stride(img);
  for (int row = 0; row < height; ++row) {
    const std::uint8_t* src = bits + static_cast<std::ptrdiff_t>(height - 1 - row) * stride;
    auto* dst = reinterpret_cast<std::uint32_t*>(out + static_cast<std::ptrdiff_t>(row) * outStride);
    for (int col = 0; col < width; ++col) {
      const std::uint8_t* q = src + 3 * col;
      dst[col] = static_cast<std::uint32_t>(q[2]) << 16 | static_cast<std::uint32_t>(q[1]) << 8 | q[0];
    }
  }
  cairo_surface_mark_dirty(img);
  // One pixel a logical unit from the mapped corner, whatever the mapping.
  const PointL at = map_.LPtoDP({x, y});
  cairo_save(cr_);
  cairo_set_source_surface(cr_, img, Clamp(at.x), Clamp(at.y));
  cairo_pattern_set_filter(cairo_get_source(cr_), CAIRO_FILTER_NEAREST);
  cairo_rectangle(cr_, Clamp(at.x), Clamp(at.y), width, height);
  cairo_fill(cr_);
  cairo_restore(cr_);
  cairo_surface_destroy(img);
}

}  // namespace kit::view

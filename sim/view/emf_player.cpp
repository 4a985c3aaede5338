// sim: stand-ins for Windows and its programs, for the POSIX hosts, the demo and the tests; ships nowhere.
#include "sim/view/emf_player.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace kit::view {
namespace {

// Record types played.
enum : std::uint32_t {
  kPolyBezier = 2, kPolygon = 3, kPolyline = 4, kPolyBezierTo = 5, kPolylineTo = 6,
  kPolyPolyline = 7, kPolyPolygon = 8, kSetWindowExtEx = 9, kSetWindowOrgEx = 10,
  kSetViewportExtEx = 11, kSetViewportOrgEx = 12, kEof = 14, kSetMapMode = 17, kSetPolyFillMode = 19,
  kSetTextAlign = 22, kSetTextColor = 24, kMoveToEx = 27, kSaveDc = 33, kRestoreDc = 34,
  kSetWorldTransform = 35, kModifyWorldTransform = 36, kSelectObject = 37, kCreatePen = 38,
  kCreateBrushIndirect = 39, kDeleteObject = 40, kEllipse = 42, kRectangle = 43, kLineTo = 54,
  kBitBlt = 76, kStretchBlt = 77, kStretchDiBits = 81, kExtCreateFontIndirectW = 82,
  kExtTextOutA = 83, kExtTextOutW = 84, kPolyBezier16 = 85, kPolygon16 = 86, kPolyline16 = 87,
  kPolyBezierTo16 = 88, kPolylineTo16 = 89, kPolyPolyline16 = 90, kPolyPolygon16 = 91,
  kExtCreatePen = 95,
};

constexpr std::uint32_t kPatCopyRop = 0x00F00021, kBlacknessRop = 0x00000042, kWhitenessRop = 0x00FF0062;
constexpr int kMaxSavedStates = 4096;
constexpr int kMaxImageSide = 32767;                 // what a cairo image surface holds
constexpr std::uint64_t kMaxImagePixels = 1u << 26;  // 256 MB of decoded pixels at most
constexpr double kMaxDevice = 4.0e6;                 // inside cairo's fixed-point range
// Cairo holds a path in several times the four or eight bytes a point takes
// in a record, and what it strokes or fills more so: lines are stroked in
// pieces of this many segments, and shapes to fill or curves of more points
// than this are not drawn, as bitmaps past their limit are not.
constexpr std::uint64_t kMaxPathSegments = 4096;
constexpr std::uint64_t kMaxShapePoints = 1u << 20;

double Clamp(double v) {
  if (!std::isfinite(v)) return 0;
  return std::clamp(v, -kMaxDevice, kMaxDevice);
}

// A record's bytes; every read is checked against its size.
struct Rec {
  const std::uint8_t* p;
  std::size_t n;
  bool Has(std::uint64_t off, std::uint64_t len) const { return off <= n && len <= n - off; }
  std::uint32_t U32(std::size_t off) const {
    if (!Has(off, 4)) return 0;
    return static_cast<std::uint32_t>(p[off]) | static_cast<std::uint32_t>(p[off + 1]) << 8 |
           static_cast<std::uint32_t>(p[off + 2]) << 16 | static_cast<std::uint32_t>(p[off + 3]) << 24;
  }
  std::int32_t I32(std::size_t off) const { return static_cast<std::int32_t>(U32(off)); }
  std::int16_t I16(std::size_t off) const {
    if (!Has(off, 2)) return 0;
    return static_cast<std::int16_t>(p[off] | p[off + 1] << 8);
  }
  std::uint16_t U16(std::size_t off) const { return static_cast<std::uint16_t>(I16(off)); }
  float F32(std::size_t off) const {
    std::uint32_t u = U32(off);
    float f;
    std::memcpy(&f, &u, 4);
    return std::isfinite(f) ? f : 0.0f;
  }
};

struct Pt {
  double x, y;
};

enum class ObjKind { None, Pen, Brush, Font };

struct Obj {
  ObjKind kind = ObjKind::None;
  bool null = false;
  std::uint32_t color = 0;
  double width = 0;        // pens: logical units
  std::uint32_t style = 0;  // pens: PS_* with end cap and join bits
  bool cosmetic = true;
  double height = 0;  // fonts: lfHeight
  double charWidth = 0;
};

struct Xform {
  double m11 = 1, m12 = 0, m21 = 0, m22 = 1, dx = 0, dy = 0;
  Xform Then(const Xform& b) const {  // this applied first, then b
    return {m11 * b.m11 + m12 * b.m21, m11 * b.m12 + m12 * b.m22, m21 * b.m11 + m22 * b.m21,
            m21 * b.m12 + m22 * b.m22, dx * b.m11 + dy * b.m21 + b.dx, dx * b.m12 + dy * b.m22 + b.dy};
  }
};

struct State {
  int mapMode = 1;
  Pt winOrg{0, 0}, winExt{1, 1}, vpOrg{0, 0}, vpExt{1, 1};
  Xform world;
  Obj pen{ObjKind::Pen, false, 0, 0, 0, true, 0, 0};
  Obj brush{ObjKind::Brush, false, 0xFFFFFF, 0, 0, true, 0, 0};
  Obj font{ObjKind::Font, false, 0, 0, 0, true, 0, 0};
  std::uint32_t textColor = 0;
  std::uint32_t textAlign = 0;
  bool winding = false;
  Pt pos{0, 0};  // logical
};

Obj StockObject(std::uint32_t index) {
  Obj o;
  switch (index) {
    case 0: return {ObjKind::Brush, false, 0xFFFFFF};
    case 1: return {ObjKind::Brush, false, 0xC0C0C0};
    case 2: return {ObjKind::Brush, false, 0x808080};
    case 3: return {ObjKind::Brush, false, 0x404040};
    case 4: return {ObjKind::Brush, false, 0x000000};
    case 5: return {ObjKind::Brush, true, 0};
    case 6: return {ObjKind::Pen, false, 0xFFFFFF};
    case 7: return {ObjKind::Pen, false, 0x000000};
    case 8: return {ObjKind::Pen, true, 0};
    case 18: return {ObjKind::Brush, false, 0xFFFFFF};  // DC_BRUSH, default white
    case 19: return {ObjKind::Pen, false, 0x000000};    // DC_PEN, default black
    default:
      if (index >= 10 && index <= 17) o.kind = ObjKind::Font;
      return o;
  }
}

class Player {
 public:
  Player(cairo_t* cr, const EmfHeader& h, std::size_t headerSize, const std::uint8_t* bits, const RectL& dest)
      : cr_(cr), handles_(std::max<std::size_t>(h.nHandles, 1)) {
    // Reference device pixels per millimetre; the micrometre sizes of the
    // extended header are the precise ones when present.
    double mmX = h.szlMillimeters.cx, mmY = h.szlMillimeters.cy;
    if (headerSize >= 108) {
      Rec hr{bits, headerSize};
      const std::int32_t umX = hr.I32(100), umY = hr.I32(104);
      if (umX > 0 && umY > 0) {
        mmX = umX / 1000.0;
        mmY = umY / 1000.0;
      }
    }
    pxPerMmX_ = mmX > 0 && h.szlDevice.cx > 0 ? h.szlDevice.cx / mmX : 0;
    pxPerMmY_ = mmY > 0 && h.szlDevice.cy > 0 ? h.szlDevice.cy / mmY : 0;
    double fx0 = h.rclFrame.left / 100.0 * pxPerMmX_, fx1 = h.rclFrame.right / 100.0 * pxPerMmX_;
    double fy0 = h.rclFrame.top / 100.0 * pxPerMmY_, fy1 = h.rclFrame.bottom / 100.0 * pxPerMmY_;
    if (!(fx1 - fx0 > 0) || !(fy1 - fy0 > 0)) {
      // No usable frame: the bounds, which are inclusive device pixels.
      fx0 = h.rclBounds.left;
      fx1 = static_cast<double>(h.rclBounds.right) + 1;
      fy0 = h.rclBounds.top;
      fy1 = static_cast<double>(h.rclBounds.bottom) + 1;
    }
    frame0_ = {fx0, fy0};
    scale_ = {(static_cast<double>(dest.right) - dest.left) / (fx1 - fx0),
              (static_cast<double>(dest.bottom) - dest.top) / (fy1 - fy0)};
    dest0_ = {static_cast<double>(dest.left), static_cast<double>(dest.top)};
    ok_ = fx1 - fx0 > 0 && fy1 - fy0 > 0 && std::isfinite(scale_.x) && std::isfinite(scale_.y) && scale_.x != 0 &&
          scale_.y != 0;
  }

  bool ok() const { return ok_; }

  // True when the record was understood and fitted.
  bool Play(std::uint32_t type, const Rec& r) {
    switch (type) {
      case kSetMapMode: s_.mapMode = r.I32(8); return r.Has(8, 4);
      case kSetWindowExtEx:
      case kSetViewportExtEx: {
        if (!r.Has(8, 8)) return false;
        const std::int32_t cx = r.I32(8), cy = r.I32(12);
        if (cx == 0 || cy == 0) return false;
        (type == kSetWindowExtEx ? s_.winExt : s_.vpExt) = {static_cast<double>(cx), static_cast<double>(cy)};
        return true;
      }
      case kSetWindowOrgEx:
      case kSetViewportOrgEx:
        if (!r.Has(8, 8)) return false;
        (type == kSetWindowOrgEx ? s_.winOrg : s_.vpOrg) = {static_cast<double>(r.I32(8)), static_cast<double>(r.I32(12))};
        return true;
      case kSetWorldTransform:
        if (!r.Has(8, 24)) return false;
        s_.world = ReadXform(r, 8);
        return true;
      case kModifyWorldTransform: {
        if (!r.Has(8, 28)) return false;
        const Xform x = ReadXform(r, 8);
        switch (r.U32(32)) {
          case 1: s_.world = Xform{}; return true;
          case 2: s_.world = x.Then(s_.world); return true;
          case 3: s_.world = s_.world.Then(x); return true;
          case 4: s_.world = x; return true;
          default: return false;
        }
      }
      case kSetPolyFillMode: s_.winding = r.U32(8) == 2; return r.Has(8, 4);
      case kSetTextAlign: s_.textAlign = r.U32(8); return r.Has(8, 4);
      case kSetTextColor: s_.textColor = r.U32(8) & 0xFFFFFF; return r.Has(8, 4);
      case kMoveToEx:
        if (!r.Has(8, 8)) return false;
        s_.pos = {static_cast<double>(r.I32(8)), static_cast<double>(r.I32(12))};
        return true;
      case kLineTo: {
        if (!r.Has(8, 8)) return false;
        const Pt to{static_cast<double>(r.I32(8)), static_cast<double>(r.I32(12))};
        std::vector<Pt> line{s_.pos, to};
        Path(line, false, false);
        StrokePath();
        s_.pos = to;
        return true;
      }
      case kSaveDc:
        if (saved_.size() >= kMaxSavedStates) return false;
        saved_.push_back(s_);
        return true;
      case kRestoreDc: {
        const std::int32_t rel = r.I32(8);
        const std::int64_t n = static_cast<std::int64_t>(saved_.size());
        const std::int64_t keep = rel < 0 ? n + rel : static_cast<std::int64_t>(rel) - 1;
        if (!r.Has(8, 4) || keep < 0 || keep >= n) return false;
        s_ = saved_[static_cast<std::size_t>(keep)];
        saved_.resize(static_cast<std::size_t>(keep));
        return true;
      }
      case kCreatePen: {
        Obj* o = Slot(r.U32(8));
        if (!o || !r.Has(12, 16)) return false;
        const std::uint32_t style = r.U32(12);
        *o = Obj{ObjKind::Pen, (style & 0xF) == 5, r.U32(24) & 0xFFFFFF, static_cast<double>(std::abs(r.I32(16))),
                 style, r.I32(16) <= 1};
        return true;
      }
      case kExtCreatePen: {
        Obj* o = Slot(r.U32(8));
        if (!o || !r.Has(28, 16)) return false;
        const std::uint32_t style = r.U32(28);
        // Only solid colour brushes draw; hatched and pattern pens get their colour.
        *o = Obj{ObjKind::Pen, (style & 0xF) == 5 || r.U32(36) == 1, r.U32(40) & 0xFFFFFF,
                 static_cast<double>(r.U32(32) & 0x7FFFFFFF), style, (style & 0xF0000) == 0};
        return true;
      }
      case kCreateBrushIndirect: {
        Obj* o = Slot(r.U32(8));
        if (!o || !r.Has(12, 12)) return false;
        *o = Obj{ObjKind::Brush, r.U32(12) == 1, r.U32(16) & 0xFFFFFF};
        return true;
      }
      case kExtCreateFontIndirectW: {
        Obj* o = Slot(r.U32(8));
        if (!o || !r.Has(12, 8)) return false;
        Obj f;
        f.kind = ObjKind::Font;
        f.height = r.I32(12);
        f.charWidth = std::abs(static_cast<double>(r.I32(16)));
        *o = f;
        return true;
      }
      case kSelectObject: {
        if (!r.Has(8, 4)) return false;
        const std::uint32_t ih = r.U32(8);
        const Obj o = (ih & 0x80000000u) ? StockObject(ih & 0x7FFFFFFFu) : (ih < handles_.size() ? handles_[ih] : Obj{});
        switch (o.kind) {
          case ObjKind::Pen: s_.pen = o; return true;
          case ObjKind::Brush: s_.brush = o; return true;
          case ObjKind::Font: s_.font = o; return true;
          default: return false;
        }
      }
      case kDeleteObject: {
        Obj* o = Slot(r.U32(8));
        if (!o) return false;
        *o = Obj{};  // what is selected stays in the state
        return true;
      }
      case kRectangle:
      case kEllipse: {
        if (!r.Has(8, 16)) return false;
        const double l = r.I32(8), t = r.I32(12), rt = r.I32(16), b = r.I32(20);
        if (type == kRectangle) {
          // As in GDI, the right and bottom edges lie outside: the interior
          // covers [left, right) and the outline runs one pixel inside.
          const Pt a = ToDevice({l, t}), c = ToDevice({rt, b});
          const double x0 = std::min(a.x, c.x), y0 = std::min(a.y, c.y);
          const double w = std::abs(c.x - a.x), h = std::abs(c.y - a.y);
          cairo_new_path(cr_);
          cairo_rectangle(cr_, x0, y0, w, h);
          FillPath(false);
          if (w >= 1 && h >= 1) {
            cairo_rectangle(cr_, x0 + 0.5, y0 + 0.5, w - 1, h - 1);
            StrokePath();
          }
        } else {
          Ellipse(l, t, rt, b);
          FillPath(true);
          StrokePath();
        }
        return true;
      }
      case kPolyline: case kPolygon: case kPolylineTo: case kPolyBezier: case kPolyBezierTo:
      case kPolyline16: case kPolygon16: case kPolylineTo16: case kPolyBezier16: case kPolyBezierTo16:
        return Poly(type, r);
      case kPolyPolyline: case kPolyPolygon: case kPolyPolyline16: case kPolyPolygon16:
        return PolyPoly(type, r);
      case kBitBlt:
      case kStretchBlt:
        return Blt(type, r);
      case kStretchDiBits:
        return StretchDiBits(r);
      case kExtTextOutA:
      case kExtTextOutW:
        return Text(type, r);
      default:
        return false;
    }
  }

 private:
  static Xform ReadXform(const Rec& r, std::size_t at) {
    return {r.F32(at), r.F32(at + 4), r.F32(at + 8), r.F32(at + 12), r.F32(at + 16), r.F32(at + 20)};
  }

  Obj* Slot(std::uint32_t ih) {
    // Index 0 is the metafile itself; stock indices are never slots.
    if (ih == 0 || ih >= handles_.size()) return nullptr;
    return &handles_[ih];
  }

  // Logical units to reference-device pixels along each axis.
  Pt PageScale() const {
    switch (s_.mapMode) {
      case 2: return {0.1 * pxPerMmX_, -0.1 * pxPerMmY_};     // MM_LOMETRIC
      case 3: return {0.01 * pxPerMmX_, -0.01 * pxPerMmY_};   // MM_HIMETRIC
      case 4: return {0.254 * pxPerMmX_, -0.254 * pxPerMmY_};  // MM_LOENGLISH
      case 5: return {0.0254 * pxPerMmX_, -0.0254 * pxPerMmY_};
      case 6: return {25.4 / 1440 * pxPerMmX_, -25.4 / 1440 * pxPerMmY_};  // MM_TWIPS
      case 7:
      case 8: return {s_.vpExt.x / s_.winExt.x, s_.vpExt.y / s_.winExt.y};
      default: return {1, 1};
    }
  }

  Pt ToDevice(Pt p) const {
    const Xform& w = s_.world;
    const Pt q{p.x * w.m11 + p.y * w.m21 + w.dx, p.x * w.m12 + p.y * w.m22 + w.dy};
    const Pt k = PageScale();
    const Pt ref{(q.x - s_.winOrg.x) * k.x + s_.vpOrg.x, (q.y - s_.winOrg.y) * k.y + s_.vpOrg.y};
    return {Clamp(dest0_.x + (ref.x - frame0_.x) * scale_.x), Clamp(dest0_.y + (ref.y - frame0_.y) * scale_.y)};
  }

  // How many device pixels one logical unit is, on average.
  double LengthScale() const {
    const Pt k = PageScale();
    const Xform& w = s_.world;
    const double det = std::sqrt(std::abs(w.m11 * w.m22 - w.m12 * w.m21));
    const double v = std::sqrt(std::abs(k.x * scale_.x * k.y * scale_.y)) * det;
    return std::isfinite(v) ? v : 0;
  }

  void Path(const std::vector<Pt>& pts, bool close, bool bezier) {
    cairo_new_path(cr_);
    if (pts.empty()) return;
    Pt d = ToDevice(pts[0]);
    cairo_move_to(cr_, d.x + 0.5, d.y + 0.5);
    std::size_t i = 1;
    if (bezier) {
      for (; i + 3 <= pts.size(); i += 3) {
        const Pt a = ToDevice(pts[i]), b = ToDevice(pts[i + 1]), c = ToDevice(pts[i + 2]);
        cairo_curve_to(cr_, a.x + 0.5, a.y + 0.5, b.x + 0.5, b.y + 0.5, c.x + 0.5, c.y + 0.5);
      }
    } else {
      for (; i < pts.size(); ++i) {
        d = ToDevice(pts[i]);
        cairo_line_to(cr_, d.x + 0.5, d.y + 0.5);
      }
    }
    if (close) cairo_close_path(cr_);
  }

  void Ellipse(double l, double t, double r, double b) {
    const Pt a = ToDevice({l, t}), c = ToDevice({r, b});
    const double rx = std::abs(c.x - a.x) / 2, ry = std::abs(c.y - a.y) / 2;
    cairo_new_path(cr_);
    if (rx < 0.5 || ry < 0.5) return;
    cairo_save(cr_);
    cairo_translate(cr_, (a.x + c.x) / 2, (a.y + c.y) / 2);
    cairo_scale(cr_, rx, ry);
    cairo_arc(cr_, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr_);
  }

  void SetColor(std::uint32_t c) {
    cairo_set_source_rgb(cr_, (c & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, ((c >> 16) & 0xFF) / 255.0);
  }

  void FillPath(bool keep) {
    if (s_.brush.null) {
      if (!keep) cairo_new_path(cr_);
      return;
    }
    SetColor(s_.brush.color);
    cairo_set_fill_rule(cr_, s_.winding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
    if (keep)
      cairo_fill_preserve(cr_);
    else
      cairo_fill(cr_);
  }

  void StrokePath() {
    const Obj& p = s_.pen;
    if (p.null) {
      cairo_new_path(cr_);
      return;
    }
    double w = p.width * LengthScale();
    if (p.cosmetic || w < 1) w = 1;
    cairo_set_line_width(cr_, std::min(w, kMaxDevice));
    const std::uint32_t cap = p.style & 0xF00, join = p.style & 0xF000;
    cairo_set_line_cap(cr_, w <= 1 ? CAIRO_LINE_CAP_SQUARE
                            : cap == 0x100 ? CAIRO_LINE_CAP_SQUARE
                            : cap == 0x200 ? CAIRO_LINE_CAP_BUTT
                                           : CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr_, join == 0x1000 ? CAIRO_LINE_JOIN_BEVEL
                             : join == 0x2000 ? CAIRO_LINE_JOIN_MITER
                                              : CAIRO_LINE_JOIN_ROUND);
    SetColor(p.color);
    cairo_stroke(cr_);
  }

  static bool Is16(std::uint32_t type) { return type >= kPolyBezier16 && type <= kPolyPolygon16; }

  // `count` points at `at`, 16 or 32 bits a coordinate; false if they do not fit.
  static bool Points(const Rec& r, std::size_t at, std::uint64_t count, bool small, std::vector<Pt>& out) {
    const std::uint64_t each = small ? 4 : 8;
    if (count > r.n / each || !r.Has(at, count * each)) return false;
    out.resize(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < out.size(); ++i) {
      const std::size_t o = at + i * each;
      out[i] = small ? Pt{static_cast<double>(r.I16(o)), static_cast<double>(r.I16(o + 2))}
                     : Pt{static_cast<double>(r.I32(o)), static_cast<double>(r.I32(o + 4))};
    }
    return true;
  }

  // Point i of `count` at `at`, read where it lies.
  static Pt PointAt(const Rec& r, std::size_t at, std::uint64_t i, bool small) {
    const std::size_t o = at + static_cast<std::size_t>(i) * (small ? 4 : 8);
    return small ? Pt{static_cast<double>(r.I16(o)), static_cast<double>(r.I16(o + 2))}
                 : Pt{static_cast<double>(r.I32(o)), static_cast<double>(r.I32(o + 4))};
  }

  // The polyline through `n` points, stroked piece by piece; one point draws
  // nothing, as an open path of one point strokes nothing.
  template <typename Point>
  void StrokeLines(std::uint64_t n, Point&& point) {
    for (std::uint64_t i = 0; i + 1 < n;) {
      const std::uint64_t end = std::min(n - 1, i + kMaxPathSegments);
      cairo_new_path(cr_);
      Pt d = ToDevice(point(i));
      cairo_move_to(cr_, d.x + 0.5, d.y + 0.5);
      for (std::uint64_t k = i + 1; k <= end; ++k) {
        d = ToDevice(point(k));
        cairo_line_to(cr_, d.x + 0.5, d.y + 0.5);
      }
      StrokePath();
      i = end;
    }
  }

  bool Poly(std::uint32_t type, const Rec& r) {
    const bool small = Is16(type);
    const std::uint32_t base = small ? type - kPolyBezier16 + kPolyBezier : type;
    if (!r.Has(24, 4)) return false;
    const std::uint64_t count = r.U32(24), each = small ? 4 : 8;
    if (count > r.n / each || !r.Has(28, count * each)) return false;
    const bool to = base == kPolylineTo || base == kPolyBezierTo;
    const bool bezier = base == kPolyBezier || base == kPolyBezierTo;
    if (!bezier && base != kPolygon) {
      const Pt from = s_.pos;
      auto point = [&](std::uint64_t i) { return to ? (i == 0 ? from : PointAt(r, 28, i - 1, small)) : PointAt(r, 28, i, small); };
      const std::uint64_t n = count + (to ? 1 : 0);
      StrokeLines(n, point);
      if (to && count != 0) s_.pos = PointAt(r, 28, count - 1, small);
      return true;
    }
    if (count > kMaxShapePoints) return false;
    std::vector<Pt> pts;
    if (!Points(r, 28, count, small, pts)) return false;
    if (to) pts.insert(pts.begin(), s_.pos);
    if (pts.empty()) return true;
    if (bezier && (pts.size() - 1) % 3 != 0) return false;
    Path(pts, base == kPolygon, bezier);
    if (base == kPolygon) FillPath(true);
    StrokePath();
    if (to) s_.pos = pts.back();
    return true;
  }

  bool PolyPoly(std::uint32_t type, const Rec& r) {
    const bool small = Is16(type);
    const bool polygon = type == kPolyPolygon || type == kPolyPolygon16;
    if (!r.Has(24, 8)) return false;
    const std::uint64_t polys = r.U32(24), total = r.U32(28), each = small ? 4 : 8;
    if (polys > r.n / 4 || !r.Has(32, polys * 4)) return false;
    const std::size_t at = 32 + static_cast<std::size_t>(polys) * 4;
    if (total > r.n / each || !r.Has(at, total * each)) return false;
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < polys; ++i) sum += r.U32(32 + i * 4);
    if (sum != total) return false;
    if (!polygon) {
      std::uint64_t first = 0;
      for (std::size_t i = 0; i < polys; ++i) {
        const std::uint64_t n = r.U32(32 + i * 4);
        StrokeLines(n, [&](std::uint64_t k) { return PointAt(r, at, first + k, small); });
        first += n;
      }
      return true;
    }
    if (total > kMaxShapePoints) return false;
    std::vector<Pt> pts;
    if (!Points(r, at, total, small, pts)) return false;
    cairo_new_path(cr_);
    std::size_t first = 0;
    for (std::size_t i = 0; i < polys; ++i) {
      const std::size_t n = r.U32(32 + i * 4);
      if (n == 0) continue;
      Pt d = ToDevice(pts[first]);
      cairo_move_to(cr_, d.x + 0.5, d.y + 0.5);
      for (std::size_t k = 1; k < n; ++k) {
        d = ToDevice(pts[first + k]);
        cairo_line_to(cr_, d.x + 0.5, d.y + 0.5);
      }
      cairo_close_path(cr_);
      first += n;
    }
    FillPath(true);
    StrokePath();
    return true;
  }

  // The device rectangle a destination in logical units covers.
  void FillDest(double x, double y, double cx, double cy, std::uint32_t color) {
    const Pt a = ToDevice({x, y}), b = ToDevice({x + cx, y + cy});
    SetColor(color);
    cairo_rectangle(cr_, std::min(a.x, b.x), std::min(a.y, b.y), std::abs(b.x - a.x), std::abs(b.y - a.y));
    cairo_fill(cr_);
  }

  // Decodes the DIB a record carries into an RGB24 surface; null when any
  // part of it lies outside the record or is of a kind not drawn here.
  static cairo_surface_t* DecodeDib(const Rec& r, std::uint32_t offBmi, std::uint32_t cbBmi, std::uint32_t offBits,
                                    std::uint32_t cbBits, std::uint32_t usage) {
    if (usage != 0 || cbBmi < 40 || !r.Has(offBmi, cbBmi) || !r.Has(offBits, cbBits)) return nullptr;
    const Rec bmi{r.p + offBmi, cbBmi};
    const std::uint32_t hdr = bmi.U32(0);
    const std::int32_t w = bmi.I32(4), hRaw = bmi.I32(8);
    const std::uint16_t bpp = bmi.U16(14);
    const std::uint32_t compression = bmi.U32(16), clrUsed = bmi.U32(32);
    if (hdr < 40 || hdr > cbBmi || w <= 0 || hRaw == 0 || hRaw == INT32_MIN) return nullptr;
    const bool topDown = hRaw < 0;
    const std::int64_t h = topDown ? -static_cast<std::int64_t>(hRaw) : hRaw;
    if (w > kMaxImageSide || h > kMaxImageSide || static_cast<std::uint64_t>(w) * h > kMaxImagePixels) return nullptr;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return nullptr;
    std::uint32_t masks[3] = {0, 0, 0};
    std::size_t tableAt = hdr;
    if (compression == 3) {
      if (bpp != 16 && bpp != 32) return nullptr;
      const std::size_t at = hdr >= 52 ? 40 : hdr;
      if (!bmi.Has(at, 12)) return nullptr;
      for (int i = 0; i < 3; ++i) masks[i] = bmi.U32(at + 4 * i);
      if (hdr < 52) tableAt += 12;
    } else if (compression != 0) {
      return nullptr;  // run-length and embedded JPEG/PNG pictures are not drawn
    } else if (bpp == 16) {
      masks[0] = 0x7C00;
      masks[1] = 0x03E0;
      masks[2] = 0x001F;
    } else if (bpp >= 24) {
      masks[0] = 0xFF0000;
      masks[1] = 0x00FF00;
      masks[2] = 0x0000FF;
    }
    std::vector<std::uint32_t> palette;
    if (bpp <= 8) {
      const std::uint32_t max = 1u << bpp;
      const std::uint32_t n = clrUsed == 0 ? max : std::min(clrUsed, max);
      if (!bmi.Has(tableAt, static_cast<std::uint64_t>(n) * 4)) return nullptr;
      palette.resize(max, 0);
      for (std::uint32_t i = 0; i < n; ++i) palette[i] = bmi.U32(tableAt + 4 * i) & 0xFFFFFF;  // RGBQUAD: B G R 0
    }
    const std::uint64_t stride = (static_cast<std::uint64_t>(w) * bpp + 31) / 32 * 4;
    if (stride * static_cast<std::uint64_t>(h) > cbBits) return nullptr;

    cairo_surface_t* img = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, static_cast<int>(h));
    if (cairo_surface_status(img) != CAIRO_STATUS_SUCCESS) {
      cairo_surface_destroy(img);
      return nullptr;
    }
    cairo_surface_flush(img);
    unsigned char* out = cairo_image_surface_get_data(img);
    const int outStride = cairo_image_surface_get_stride(img);
    auto channel = [](std::uint32_t v, std::uint32_t mask) -> std::uint32_t {
      if (mask == 0) return 0;
      int shift = 0;
      while (!(mask & 1u)) {
        mask >>= 1;
        ++shift;
      }
      const std::uint32_t c = (v >> shift) & mask;
      return mask >= 255 ? (c * 255 / mask) & 0xFF : c * 255 / mask;
    };
    for (std::int64_t row = 0; row < h; ++row) {
      const std::int64_t srcRow = topDown ? row : h - 1 - row;
      const std::uint8_t* src = r.p + offBits + static_cast<std::size_t>(srcRow * static_cast<std::int64_t>(stride));
      auto* dst = reinterpret_cast<std::uint32_t*>(out + row * outStride);
      for (std::int32_t x = 0; x < w; ++x) {
        std::uint32_t rgb;  // 0x00RRGGBB
        switch (bpp) {
          case 1: rgb = palette[(src[x >> 3] >> (7 - (x & 7))) & 1]; break;
          case 4: rgb = palette[(src[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF]; break;
          case 8: rgb = palette[src[x]]; break;
          case 24: {
            const std::uint8_t* q = src + static_cast<std::size_t>(x) * 3;
            rgb = static_cast<std::uint32_t>(q[2]) << 16 | static_cast<std::uint32_t>(q[1]) << 8 | q[0];
            break;
          }
          default: {
            std::uint32_t v;
            if (bpp == 16) {
              v = static_cast<std::uint32_t>(src[2 * x] | src[2 * x + 1] << 8);
            } else {
              const std::uint8_t* q = src + static_cast<std::size_t>(x) * 4;
              v = static_cast<std::uint32_t>(q[0]) | static_cast<std::uint32_t>(q[1]) << 8 |
                  static_cast<std::uint32_t>(q[2]) << 16 | static_cast<std::uint32_t>(q[3]) << 24;
            }
            rgb = channel(v, masks[0]) << 16 | channel(v, masks[1]) << 8 | channel(v, masks[2]);
            break;
          }
        }
        dst[x] = rgb;
      }
    }
    cairo_surface_mark_dirty(img);
    return img;
  }

  // Source rectangle (top-down pixels of `img`) stretched onto the
  // destination rectangle in logical units. Sampled here, nearest pixel as
  // GDI's default stretch mode does, over the visible part only: a transform
  // with far-off offsets would put the cairo context itself into an error
  // state, and then nothing more would draw.
  bool DrawImage(cairo_surface_t* img, double sx, double sy, double scx, double scy, double x, double y, double cx,
                 double cy) {
    const Pt a = ToDevice({x, y}), b = ToDevice({x + cx, y + cy});
    const double dw = b.x - a.x, dh = b.y - a.y;
    if (std::abs(dw) < 1e-6 || std::abs(dh) < 1e-6 || scx == 0 || scy == 0) return false;
    double ex0, ey0, ex1, ey1;
    cairo_clip_extents(cr_, &ex0, &ey0, &ex1, &ey1);
    const double l = std::max(std::min(a.x, b.x), ex0), r = std::min(std::max(a.x, b.x), ex1);
    const double t = std::max(std::min(a.y, b.y), ey0), btm = std::min(std::max(a.y, b.y), ey1);
    // Pixels whose centres lie inside.
    const double X0 = std::ceil(l - 0.5), X1 = std::ceil(r - 0.5), Y0 = std::ceil(t - 0.5), Y1 = std::ceil(btm - 0.5);
    if (!(X1 > X0) || !(Y1 > Y0)) return true;  // nothing of it is visible
    if (X1 - X0 > kMaxImageSide || Y1 - Y0 > kMaxImageSide) return false;
    const int ow = static_cast<int>(X1 - X0), oh = static_cast<int>(Y1 - Y0);
    cairo_surface_t* out = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, ow, oh);
    if (cairo_surface_status(out) != CAIRO_STATUS_SUCCESS) {
      cairo_surface_destroy(out);
      return false;
    }
    cairo_surface_flush(img);
    cairo_surface_flush(out);
    const int iw = cairo_image_surface_get_width(img), ih = cairo_image_surface_get_height(img);
    const unsigned char* src = cairo_image_surface_get_data(img);
    const int srcStride = cairo_image_surface_get_stride(img);
    unsigned char* dst = cairo_image_surface_get_data(out);
    const int dstStride = cairo_image_surface_get_stride(out);
    std::vector<int> cols(static_cast<std::size_t>(ow));
    for (int i = 0; i < ow; ++i) {
      const double v = std::floor(sx + (X0 + i + 0.5 - a.x) * scx / dw);
      cols[static_cast<std::size_t>(i)] = v >= 0 && v < iw ? static_cast<int>(v) : -1;
    }
    for (int j = 0; j < oh; ++j) {
      auto* row = reinterpret_cast<std::uint32_t*>(dst + static_cast<std::ptrdiff_t>(j) * dstStride);
      const double v = std::floor(sy + (Y0 + j + 0.5 - a.y) * scy / dh);
      if (!(v >= 0 && v < ih)) continue;  // outside the bitmap: left untouched
      const auto* srow = reinterpret_cast<const std::uint32_t*>(src + static_cast<std::ptrdiff_t>(v) * srcStride);
      for (int i = 0; i < ow; ++i) {
        const int c = cols[static_cast<std::size_t>(i)];
        if (c >= 0) row[i] = 0xFF000000u | (srow[c] & 0xFFFFFF);
      }
    }
    cairo_surface_mark_dirty(out);
    cairo_save(cr_);
    cairo_set_source_surface(cr_, out, X0, Y0);
    cairo_paint(cr_);
    cairo_restore(cr_);
    cairo_surface_destroy(out);
    return true;
  }

  bool Blt(std::uint32_t type, const Rec& r) {
    const std::size_t fixed = type == kBitBlt ? 100 : 108;
    if (r.n < fixed) return false;
    const double x = r.I32(24), y = r.I32(28), cx = r.I32(32), cy = r.I32(36);
    const std::uint32_t rop = r.U32(40);
    const double sx = r.I32(44), sy = r.I32(48);
    const std::uint32_t usage = r.U32(80), offBmi = r.U32(84), cbBmi = r.U32(88), offBits = r.U32(92),
                        cbBits = r.U32(96);
    const double scx = type == kBitBlt ? cx : r.I32(100), scy = type == kBitBlt ? cy : r.I32(104);
    if (cbBmi == 0) {
      // No source bitmap: a pattern fill.
      if (rop == kPatCopyRop) {
        if (!s_.brush.null) FillDest(x, y, cx, cy, s_.brush.color);
      } else if (rop == kBlacknessRop || rop == kWhitenessRop) {
        FillDest(x, y, cx, cy, rop == kBlacknessRop ? 0 : 0xFFFFFF);
      } else {
        return false;
      }
      return true;
    }
    cairo_surface_t* img = DecodeDib(r, offBmi, cbBmi, offBits, cbBits, usage);
    if (!img) return false;
    const bool drawn = DrawImage(img, sx, sy, scx, scy, x, y, cx, cy);
    cairo_surface_destroy(img);
    return drawn;
  }

  bool StretchDiBits(const Rec& r) {
    if (r.n < 80) return false;
    const double x = r.I32(24), y = r.I32(28), sx = r.I32(32), sy = r.I32(36), scx = r.I32(40), scy = r.I32(44);
    const double cx = r.I32(72), cy = r.I32(76);
    cairo_surface_t* img = DecodeDib(r, r.U32(48), r.U32(52), r.U32(56), r.U32(60), r.U32(64));
    if (!img) return false;
    // The source origin of a bottom-up DIB is its lower-left corner.
    const bool topDown = Rec{r.p + r.U32(48), r.U32(52)}.I32(8) < 0;
    const double h = cairo_image_surface_get_height(img);
    const bool drawn = DrawImage(img, sx, topDown ? sy : h - sy - scy, scx, scy, x, y, cx, cy);
    cairo_surface_destroy(img);
    return drawn;
  }

  // Text is shown as one box per character, the way a missing font shows.
  bool Text(std::uint32_t type, const Rec& r) {
    if (r.n < 76) return false;
    const bool wide = type == kExtTextOutW;
    const double rx = r.I32(36), ry = r.I32(40);
    const std::uint32_t nChars = r.U32(44), offString = r.U32(48), options = r.U32(52), offDx = r.U32(72);
    if (!r.Has(offString, static_cast<std::uint64_t>(nChars) * (wide ? 2 : 1))) return false;
    double h = std::abs(s_.font.height);
    if (h == 0) h = 16;
    const double defaultWidth = s_.font.charWidth > 0 ? s_.font.charWidth : h / 2;
    const bool pdy = (options & 0x2000) != 0;
    const bool haveDx = offDx != 0 && r.Has(offDx, static_cast<std::uint64_t>(nChars) * (pdy ? 8 : 4));
    std::vector<double> adv(nChars);
    double total = 0;
    for (std::uint32_t i = 0; i < nChars; ++i) {
      const std::uint32_t ch = wide ? r.U16(offString + 2 * i) : r.p[offString + i];
      adv[i] = haveDx ? r.I32(offDx + i * (pdy ? 8 : 4)) : (ch >= 0x2E80 ? h : defaultWidth);
      total += adv[i];
    }
    double x = rx;
    const std::uint32_t horiz = s_.textAlign & 6, vert = s_.textAlign & 24;
    if (horiz == 6) x -= total / 2;
    else if (horiz == 2) x -= total;
    const double top = vert == 24 ? ry - h * 0.8 : vert == 8 ? ry - h : ry;
    SetColor(s_.textColor);
    cairo_set_line_width(cr_, 1);
    cairo_set_line_join(cr_, CAIRO_LINE_JOIN_MITER);
    for (std::uint32_t i = 0; i < nChars; ++i) {
      const std::uint32_t ch = wide ? r.U16(offString + 2 * i) : r.p[offString + i];
      if (ch > 0x20) {
        const Pt a = ToDevice({x + adv[i] * 0.1, top + h * 0.15}), b = ToDevice({x + adv[i] * 0.9, top + h * 0.95});
        cairo_new_path(cr_);
        cairo_rectangle(cr_, std::min(a.x, b.x) + 0.5, std::min(a.y, b.y) + 0.5,
                        std::max(std::abs(b.x - a.x) - 1, 0.0), std::max(std::abs(b.y - a.y) - 1, 0.0));
        cairo_stroke(cr_);
      }
      x += adv[i];
    }
    return true;
  }

  cairo_t* cr_;
  std::vector<Obj> handles_;
  std::vector<State> saved_;
  State s_;
  double pxPerMmX_ = 0, pxPerMmY_ = 0;
  Pt frame0_{0, 0}, scale_{1, 1}, dest0_{0, 0};
  bool ok_ = false;
};

}  // namespace

EmfPlayResult PlayEnhMetaFile(cairo_t* cr, const std::uint8_t* bits, std::size_t size, const RectL& dest) {
  EmfPlayResult result;
  const std::optional<EmfHeader> h = ParseEmfHeader(bits, size);
  if (!h || cairo_status(cr) != CAIRO_STATUS_SUCCESS) return result;
  result.header = true;
  Player player(cr, *h, h->nSize, bits, dest);
  if (!player.ok()) return result;

  cairo_save(cr);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  cairo_new_path(cr);
  cairo_rectangle(cr, Clamp(std::min(dest.left, dest.right)), Clamp(std::min(dest.top, dest.bottom)),
                  Clamp(std::abs(static_cast<double>(dest.right) - dest.left)),
                  Clamp(std::abs(static_cast<double>(dest.bottom) - dest.top)));
  cairo_clip(cr);
  std::size_t at = h->nSize;
  bool ended = false;
  while (size - at >= 8) {
    const Rec head{bits + at, 8};
    const std::uint32_t type = head.U32(0), n = head.U32(4);
    if (n < 8 || n % 4 != 0 || n > size - at) break;  // the chain is broken
    if (type == kEof) {
      ended = true;
      break;
    }
    if (player.Play(type, Rec{bits + at, n}))
      ++result.played;
    else
      ++result.skipped;
    at += n;
  }
  result.truncated = !ended;
  cairo_restore(cr);
  return result;
}

}  // namespace kit::view

// sim: stand-ins for Windows and its programs, for the POSIX hosts, the demo and the tests; ships nowhere.
#include "sim/ui/cairo_screen.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

namespace kit::sim {
namespace {

using sim::HeadlessUi;

// A window or a snapshot larger than this gets no pixels: a script may size
// the frame to anything, and memory is not the script's to take.
constexpr int kMaxSide = 16384;
constexpr std::int64_t kMaxPixels = std::int64_t{1} << 24;

bool Fits(int w, int h) { return w <= kMaxSide && h <= kMaxSide && std::int64_t{w} * h <= kMaxPixels; }

void Rgb(cairo_t* cr, ColorRef c) {
  cairo_set_source_rgb(cr, (c & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, ((c >> 16) & 0xFF) / 255.0);
}

void Fill(cairo_t* cr, double x, double y, double w, double h, ColorRef c) {
  Rgb(cr, c);
  cairo_rectangle(cr, x, y, w, h);
  cairo_fill(cr);
}

// A raised (or, pressed, sunken) box of the 3D look.
void Box(cairo_t* cr, double x, double y, double w, double h, bool sunken, ColorRef face) {
  Fill(cr, x, y, w, h, face);
  const ColorRef light = 0xFFFFFF, dark = 0x808080;
  Fill(cr, x, y, w, 1, sunken ? dark : light);
  Fill(cr, x, y, 1, h, sunken ? dark : light);
  Fill(cr, x, y + h - 1, w, 1, sunken ? light : dark);
  Fill(cr, x + w - 1, y, 1, h, sunken ? light : dark);
}

void Line(cairo_t* cr, double x0, double y0, double x1, double y1, double width) {
  cairo_set_line_width(cr, width);
  cairo_move_to(cr, x0, y0);
  cairo_line_to(cr, x1, y1);
  cairo_stroke(cr);
}

void Triangle(cairo_t* cr, double x, double y, bool left) {
  // Points sideways inside a 6 x 9 cell at (x, y).
  cairo_move_to(cr, left ? x + 6 : x, y);
  cairo_line_to(cr, left ? x : x + 6, y + 4.5);
  cairo_line_to(cr, left ? x + 6 : x, y + 9);
  cairo_close_path(cr);
  cairo_fill(cr);
}

// The button's picture in its 16 x 15 cell at (x, y): what each command of
// the remark window's toolbar shows. Disabled pictures are grey.
void Glyph(cairo_t* cr, int id, double x, double y, bool enabled) {
  const ColorRef ink = enabled ? 0x000000 : 0x808080;
  auto colour = [&](ColorRef c) { Rgb(cr, enabled ? c : 0x808080); };
  cairo_save(cr);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_SQUARE);
  switch (id) {
    case 57601:  // load source document: an open folder
      colour(0x00C0FF);
      cairo_rectangle(cr, x + 1, y + 4, 13, 9);
      cairo_fill(cr);
      Rgb(cr, ink);
      cairo_rectangle(cr, x + 1.5, y + 4.5, 13, 9);
      cairo_move_to(cr, x + 1.5, y + 4.5);
      cairo_line_to(cr, x + 3.5, y + 2.5);
      cairo_line_to(cr, x + 7.5, y + 2.5);
      cairo_line_to(cr, x + 8.5, y + 4.5);
      cairo_set_line_width(cr, 1);
      cairo_stroke(cr);
      break;
    case 32768:  // pen colour: three colour cells
      colour(0x0000FF);
      cairo_rectangle(cr, x + 1, y + 2, 4, 11);
      cairo_fill(cr);
      colour(0x00A000);
      cairo_rectangle(cr, x + 6, y + 2, 4, 11);
      cairo_fill(cr);
      colour(0xFF0000);
      cairo_rectangle(cr, x + 11, y + 2, 4, 11);
      cairo_fill(cr);
      break;
    case 32769:  // pen width: lines growing thicker
      Rgb(cr, ink);
      cairo_rectangle(cr, x + 1, y + 2, 14, 1);
      cairo_rectangle(cr, x + 1, y + 6, 14, 2);
      cairo_rectangle(cr, x + 1, y + 11, 14, 3);
      cairo_fill(cr);
      break;
    case 32770:  // delete last stroke: a stroke crossed out at its end
      Rgb(cr, ink);
      Line(cr, x + 1, y + 12, x + 8, y + 5, 2);
      colour(0x0000FF);
      Line(cr, x + 9, y + 2, x + 14, y + 7, 2);
      Line(cr, x + 14, y + 2, x + 9, y + 7, 2);
      break;
    case 32771:  // delete unconfirmed strokes: a large cross
      colour(0x0000FF);
      Line(cr, x + 3, y + 2, x + 13, y + 12, 2.5);
      Line(cr, x + 13, y + 2, x + 3, y + 12, 2.5);
      break;
    case 32772:  // confirm: a tick
      colour(0x008000);
      cairo_set_line_width(cr, 2.5);
      cairo_move_to(cr, x + 2, y + 8);
      cairo_line_to(cr, x + 6, y + 12);
      cairo_line_to(cr, x + 14, y + 3);
      cairo_stroke(cr);
      break;
    case 32778:  // hide remarks: a stroke behind a bar
      Rgb(cr, ink);
      Line(cr, x + 2, y + 11, x + 13, y + 3, 1.5);
      cairo_arc(cr, x + 8, y + 7.5, 6, 0, 2 * M_PI);
      cairo_set_line_width(cr, 1.5);
      cairo_stroke(cr);
      break;
    case 32779:  // zoom: a magnifier
      Rgb(cr, ink);
      cairo_arc(cr, x + 6, y + 6, 4.5, 0, 2 * M_PI);
      cairo_set_line_width(cr, 1.5);
      cairo_stroke(cr);
      Line(cr, x + 9.5, y + 9.5, x + 14, y + 14, 2.5);
      break;
    case 57607:  // print: a printer with its sheet
      Rgb(cr, ink);
      cairo_rectangle(cr, x + 4.5, y + 1.5, 7, 5);
      cairo_rectangle(cr, x + 1.5, y + 6.5, 13, 6);
      cairo_set_line_width(cr, 1);
      cairo_stroke(cr);
      Fill(cr, x + 11, y + 8, 2, 1, enabled ? 0x00C000 : 0x808080);
      break;
    case 32774:  // first page
      Rgb(cr, ink);
      cairo_rectangle(cr, x + 3, y + 3, 2, 9);
      cairo_fill(cr);
      Triangle(cr, x + 6, y + 3, true);
      break;
    case 32775:  // previous page
      Rgb(cr, ink);
      Triangle(cr, x + 5, y + 3, true);
      break;
    case 32776:  // next page
      Rgb(cr, ink);
      Triangle(cr, x + 5, y + 3, false);
      break;
    case 32777:  // last page
      Rgb(cr, ink);
      Triangle(cr, x + 4, y + 3, false);
      cairo_rectangle(cr, x + 11, y + 3, 2, 9);
      cairo_fill(cr);
      break;
    case 32773:  // the remarks of one user: a person
      Rgb(cr, ink);
      cairo_arc(cr, x + 8, y + 4, 3, 0, 2 * M_PI);
      cairo_fill(cr);
      cairo_arc(cr, x + 8, y + 15, 6, M_PI, 2 * M_PI);
      cairo_fill(cr);
      break;
    default:  // a command without a picture of its own
      Rgb(cr, ink);
      cairo_rectangle(cr, x + 3.5, y + 3.5, 9, 8);
      cairo_set_line_width(cr, 1);
      cairo_stroke(cr);
      break;
  }
  cairo_restore(cr);
}

void ToolBar(cairo_t* cr, const std::vector<HeadlessUi::ButtonState>& buttons, double x0, double y0, double w,
             double h) {
  Fill(cr, x0, y0, w, h, kButtonFace);
  double x = x0 + 2;
  const double y = y0 + std::max(0.0, (h - kToolButtonHeight) / 2);
  for (const auto& b : buttons) {
    if (b.id == 0) {
      Fill(cr, x + kToolSeparatorWidth / 2 - 1, y + 1, 1, kToolButtonHeight - 2, 0x808080);
      Fill(cr, x + kToolSeparatorWidth / 2, y + 1, 1, kToolButtonHeight - 2, 0xFFFFFF);
      x += kToolSeparatorWidth;
      continue;
    }
    // Flat buttons show no frame until pressed; a checked one stays down.
    if (b.checked) Box(cr, x, y, kToolButtonWidth, kToolButtonHeight, true, 0xE8E8E8);
    Glyph(cr, b.id, x + (kToolButtonWidth - 16) / 2.0 + (b.checked ? 1 : 0),
          y + (kToolButtonHeight - 15) / 2.0 + (b.checked ? 1 : 0), b.enabled);
    x += kToolButtonWidth;
  }
}

// One scroll bar: arrow boxes at both ends and the thumb where the position is.
void ScrollBar(cairo_t* cr, const ScrollInfo& si, double x, double y, double w, double h, bool vertical) {
  Fill(cr, x, y, w, h, 0xE8E8E8);
  const double s = HeadlessUi::kScrollBarSize;
  const double length = vertical ? h : w;
  Box(cr, x, y, vertical ? w : s, vertical ? s : h, false, kButtonFace);
  Box(cr, vertical ? x : x + w - s, vertical ? y + h - s : y, vertical ? w : s, vertical ? s : h, false, kButtonFace);
  const double track = length - 2 * s;
  const double range = static_cast<double>(si.nMax) - si.nMin + 1;
  if (track <= 8 || range <= 0) return;
  const double page = std::min<double>(si.nPage, range);
  const double thumb = page > 0 ? std::max(8.0, track * page / range) : 8.0;
  const double span = std::max(1.0, range - std::max(page, 1.0));
  const double at = std::clamp((si.nPos - si.nMin) / span, 0.0, 1.0) * (track - thumb);
  if (vertical) {
    Box(cr, x, y + s + at, w, thumb, false, kButtonFace);
  } else {
    Box(cr, x + s + at, y, thumb, h, false, kButtonFace);
  }
}

}  // namespace

CairoScreen::CairoScreen(sim::HeadlessUi& ui) : ui_(ui) {
  ui_.SetSurfaceFactory([this](ui::WindowHandle window, int width, int height) -> std::unique_ptr<IDeviceContext> {
    if (!Fits(width, height)) return nullptr;  // drawing goes nowhere
    return std::make_unique<view::CairoDC>(SurfaceOf(window, width, height), width, height);
  });
  ui_.SetSnapshotter([this](ui::WindowHandle frame, const std::string& path) { return Snapshot(frame, path); });
}

CairoScreen::~CairoScreen() {
  ui_.SetSurfaceFactory(nullptr);
  ui_.SetSnapshotter(nullptr);
  for (auto& [h, s] : surfaces_) cairo_surface_destroy(s);
}

cairo_surface_t* CairoScreen::SurfaceOf(ui::WindowHandle window, int width, int height) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  cairo_surface_t*& s = surfaces_[window];
  if (s && cairo_image_surface_get_width(s) == width && cairo_image_surface_get_height(s) == height) return s;
  // A window that changed size starts white, as a fresh client area does
  // until its owner paints.
  if (s) cairo_surface_destroy(s);
  s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  cairo_t* cr = cairo_create(s);
  Fill(cr, 0, 0, width, height, 0xFFFFFF);
  cairo_destroy(cr);
  return s;
}

std::unique_ptr<view::CairoDC> CairoScreen::Compose(ui::WindowHandle frame) {
  const auto windows = ui_.Windows();
  const HeadlessUi::WindowInfo* top = nullptr;
  for (const auto& w : windows)
    if (w.handle == frame) top = &w;
  if (!top) return nullptr;
  const RectL fc = top->client;
  if (!Fits(fc.right - fc.left, fc.bottom - fc.top)) return nullptr;
  auto out = std::make_unique<view::CairoDC>(fc.right - fc.left, fc.bottom - fc.top);
  cairo_t* cr = out->cairo();
  cairo_save(cr);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT);
  Fill(cr, 0, 0, out->width(), out->height(), kButtonFace);
  // Shown are the frame's descendants whose ancestors all are visible. A
  // window is painted before its children, and of two siblings the one made
  // first last: it is the one on top, the one the pointer finds.
  std::map<ui::WindowHandle, std::vector<const HeadlessUi::WindowInfo*>> children;
  for (const auto& w : windows)
    if (w.handle != frame) children[w.parent].push_back(&w);
  auto paint = [&](const HeadlessUi::WindowInfo& w) {
    const double wx = w.screen.left - fc.left, wy = w.screen.top - fc.top;
    const double cx = w.client.left - fc.left, cy = w.client.top - fc.top;
    const double cw = w.client.right - w.client.left, ch = w.client.bottom - w.client.top;
    cairo_save(cr);
    cairo_rectangle(cr, wx, wy, w.screen.right - w.screen.left, w.screen.bottom - w.screen.top);
    cairo_clip(cr);
    if (w.exStyle & kWsExClientEdge) {
      // The sunken edge: a grey and a dark line at the top and left, white
      // and face at the bottom and right.
      const double ww = w.screen.right - w.screen.left, wh = w.screen.bottom - w.screen.top;
      Box(cr, wx, wy, ww, wh, true, kButtonFace);
      Fill(cr, wx + 1, wy + 1, ww - 2, 1, 0x404040);
      Fill(cr, wx + 1, wy + 1, 1, wh - 2, 0x404040);
    }
    const double s = HeadlessUi::kScrollBarSize;
    if (w.style & kWsVScroll) ScrollBar(cr, w.vert, cx + cw, cy, s, ch, true);
    if (w.style & kWsHScroll) ScrollBar(cr, w.horz, cx, cy + ch, cw, s, false);
    if ((w.style & kWsVScroll) && (w.style & kWsHScroll)) Fill(cr, cx + cw, cy + ch, s, s, kButtonFace);
    if (w.toolbar) {
      ToolBar(cr, ui_.ToolBarButtons(w.handle), cx, cy, cw, ch);
    } else if (cw > 0 && ch > 0) {
      auto it = surfaces_.find(w.handle);
      if (it != surfaces_.end()) {
        cairo_surface_flush(it->second);
        cairo_set_source_surface(cr, it->second, cx, cy);
        cairo_rectangle(cr, cx, cy, cw, ch);
        cairo_fill(cr);
      }
    }
    cairo_restore(cr);
  };
  std::function<void(ui::WindowHandle)> paintChildren = [&](ui::WindowHandle parent) {
    auto it = children.find(parent);
    if (it == children.end()) return;
    for (auto w = it->second.rbegin(); w != it->second.rend(); ++w) {
      if (!(*w)->visible) continue;
      paint(**w);
      paintChildren((*w)->handle);
    }
  };
  paintChildren(frame);
  cairo_restore(cr);
  return out;
}

bool CairoScreen::Snapshot(ui::WindowHandle frame, const std::string& path) {
  auto dc = Compose(frame);
  return dc && dc->WritePng(path);
}

}  // namespace kit::sim

// platform/posix: adapters that do the work on Linux itself; stand-ins for Windows go in sim/.
// A device context drawn with cairo into an image surface of device pixels:
// what the remark view paints on outside Windows, and what renders and
// snapshots are written from.
#pragma once
#include <cstdint>
#include <map>
#include <string>

#include "ports/canvas.h"

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace kit::view {

// Stock objects beyond WHITE_BRUSH, numbered as GetStockObject numbers them.
constexpr int kLtGrayBrush = 1;
constexpr int kGrayBrush = 2;
constexpr int kDkGrayBrush = 3;
constexpr int kBlackBrush = 4;
constexpr int kNullBrush = 5;

class CairoDC : public IDeviceContext {
 public:
  // A client area of width x height pixels, white until painted.
  CairoDC(int width, int height);
  // Draws on `surface` (kept referenced), clipped to (0, 0, width, height) of
  // it; for printing and for windows that own their surface.
  CairoDC(cairo_surface_t* surface, int width, int height);
  ~CairoDC() override;
  CairoDC(const CairoDC&) = delete;
  CairoDC& operator=(const CairoDC&) = delete;

  int width() const { return width_; }
  int height() const { return height_; }
  // Device pixel as a COLORREF; 0xFFFFFFFF outside the surface.
  ColorRef PixelAt(int x, int y);
  bool WritePng(const std::string& path);
  // Narrows drawing to a device rectangle inside the client area.
  void IntersectClip(const RectL& device);
  // Everything drawn so far reaches the surface.
  void Flush();
  cairo_t* cairo() { return cr_; }
  // For surfaces that record what is drawn (PDF): once `segments` line
  // segments have been drawn since the last Flush, further lines go into an
  // ink layer of `layerScale` layer pixels a device pixel, laid over the
  // surface at the next other drawing or Flush; a picture of more than 8 MB
  // is played into such a layer too. Such a surface holds every path until
  // the page ends, several times the bytes a point takes in a file; the
  // layer's memory is fixed by the page size.
  void LimitVectorLines(long segments, double layerScale);

  // ICanvas
  PenHandle CreatePen(int style, int width, ColorRef color) override;
  PenHandle SelectPen(PenHandle pen) override;
  void DeletePen(PenHandle pen) override;
  void MoveTo(int x, int y) override;
  void LineTo(int x, int y) override;
  void PlayMetafile(const IEnhMetaFile& emf, const RectL& rect) override;

  // IDeviceContext
  int SetMapMode(int mode) override;
  void SetWindowOrg(int x, int y) override;
  void SetWindowExt(int cx, int cy) override;
  void SetViewportOrg(int x, int y) override;
  void SetViewportExt(int cx, int cy) override;
  DcMapping Mapping() const override { return map_; }
  BrushHandle CreateSolidBrush(ColorRef color) override;
  BrushHandle StockBrush(int which) override;
  BrushHandle SelectBrush(BrushHandle brush) override;
  void DeleteBrush(BrushHandle brush) override;
  void PatBlt(int x, int y, int width, int height, std::uint32_t rop) override;
  void Rectangle(int left, int top, int right, int bottom) override;
  void SetDIBitsToDevice(int x, int y, int width, int height, const std::uint8_t* bits, int stride) override;

  // The pen selected when the DC is made (BLACK_PEN).
  static constexpr PenHandle kStockBlackPen = 1;

 private:
  struct Pen {
    int style;
    int width;  // logical units
    ColorRef color;
  };
  struct Brush {
    bool null;
    ColorRef color;
  };
  void Init(cairo_surface_t* surface);
  void SetColor(cairo_t* cr, ColorRef c);
  // Strokes the pending polyline with the selected pen.
  void StrokePending();
  // Where lines are drawn: the surface, or the ink layer once it is open.
  cairo_t* Ink() { return layerCr_ != nullptr ? layerCr_ : cr_; }
  void OpenInkLayer();
  // Lays the ink layer, if any, over the surface and closes it.
  void CompositeInk();
  double PenDeviceWidth(const Pen& p) const;
  const Pen& SelectedPen() const;
  void FillDevice(int x0, int y0, int x1, int y1, ColorRef c);

  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
  int width_, height_;
  DcMapping map_;
  PointL pos_{0, 0};  // current position, device
  bool pending_ = false;
  int pendingSegments_ = 0;
  long vectorBudget_ = -1;  // none
  long vectorSegments_ = 0;
  double layerScale_ = 1.0;
  cairo_surface_t* layer_ = nullptr;
  cairo_t* layerCr_ = nullptr;
  std::map<PenHandle, Pen> pens_;
  std::map<BrushHandle, Brush> brushes_;
  PenHandle pen_ = kStockBlackPen;
  BrushHandle brush_;
  std::uintptr_t next_ = 100;
};

}  // namespace kit::view

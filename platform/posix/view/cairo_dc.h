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
  void SetColor(ColorRef c);
  // Strokes the pending polyline with the selected pen.
  void StrokePending();
  double PenDeviceWidth(const Pen& p) const;
  const Pen& SelectedPen() const;
  void FillDevice(int x0, int y0, int x1, int y1, ColorRef c);

  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
  int width_, height_;
  DcMapping map_;
  PointL pos_{0, 0};  // current position, device
  bool pending_ = false;
  std::map<PenHandle, Pen> pens_;
  std::map<BrushHandle, Brush> brushes_;
  PenHandle pen_ = kStockBlackPen;
  BrushHandle brush_;
  std::uintptr_t next_ = 100;
};

}  // namespace kit::view

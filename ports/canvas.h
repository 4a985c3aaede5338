// A GDI-like drawing surface; what the remark document and view draw on.
#pragma once
#include <cstddef>
#include <cstdint>

#include "ports/dc_mapping.h"
#include "ports/emf.h"

namespace kit {

using ColorRef = std::uint32_t;  // red in bits 0-7, green 8-15, blue 16-23

constexpr int kPsSolid = 0;

class ICanvas {
 public:
  using PenHandle = std::uintptr_t;  // 0 is no pen

  virtual ~ICanvas() = default;
  virtual PenHandle CreatePen(int style, int width, ColorRef color) = 0;
  // Returns the pen that was selected before.
  virtual PenHandle SelectPen(PenHandle pen) = 0;
  virtual void DeletePen(PenHandle pen) = 0;
  virtual void MoveTo(int x, int y) = 0;
  virtual void LineTo(int x, int y) = 0;
  // PlayEnhMetaFile into a rectangle in logical units.
  virtual void PlayMetafile(const IEnhMetaFile& emf, const RectL& rect) = 0;
};

// Raster operations of PatBlt.
constexpr std::uint32_t kPatCopy = 0x00F00021;
constexpr std::uint32_t kBlackness = 0x00000042;

constexpr int kWhiteBrush = 0;  // GetStockObject(WHITE_BRUSH)

// A whole device context: mapping state, brushes and fills on top of the
// pens and lines strokes need. A window's device context clips to its
// client area.
class IDeviceContext : public ICanvas {
 public:
  using BrushHandle = std::uintptr_t;  // 0 is no brush

  virtual int SetMapMode(int mode) = 0;  // returns the previous mode
  virtual void SetWindowOrg(int x, int y) = 0;
  virtual void SetWindowExt(int cx, int cy) = 0;
  virtual void SetViewportOrg(int x, int y) = 0;
  virtual void SetViewportExt(int cx, int cy) = 0;
  virtual DcMapping Mapping() const = 0;

  virtual BrushHandle CreateSolidBrush(ColorRef color) = 0;
  virtual BrushHandle StockBrush(int which) = 0;
  // Returns the brush that was selected before.
  virtual BrushHandle SelectBrush(BrushHandle brush) = 0;
  virtual void DeleteBrush(BrushHandle brush) = 0;

  // Logical coordinates; the selected brush (PATCOPY) or black (BLACKNESS).
  virtual void PatBlt(int x, int y, int width, int height, std::uint32_t rop) = 0;
  // Outlined with the current pen, filled with the current brush.
  virtual void Rectangle(int left, int top, int right, int bottom) = 0;

  // SetDIBitsToDevice of a 24-bit DIB: `bits` holds `height` rows of
  // `stride` bytes, the bottom row first, each pixel blue, green, red; the
  // top-left pixel lands on logical (x, y), one pixel a logical unit. This
  // fills runs of equal pixels with PatBlt, which every context has;
  // contexts with a copy of their own replace it.
  virtual void SetDIBitsToDevice(int x, int y, int width, int height, const std::uint8_t* bits, int stride) {
    if (bits == nullptr || width <= 0 || height <= 0) return;
    const BrushHandle before = SelectBrush(StockBrush(kWhiteBrush));
    for (int row = 0; row < height; ++row) {
      const std::uint8_t* p = bits + static_cast<std::ptrdiff_t>(height - 1 - row) * stride;
      for (int col = 0; col < width;) {
        const std::uint8_t* q = p + 3 * col;
        int end = col + 1;
        while (end < width && p[3 * end] == q[0] && p[3 * end + 1] == q[1] && p[3 * end + 2] == q[2]) ++end;
        const BrushHandle brush = CreateSolidBrush(static_cast<ColorRef>(q[2]) | static_cast<ColorRef>(q[1]) << 8 |
                                                   static_cast<ColorRef>(q[0]) << 16);
        SelectBrush(brush);
        PatBlt(x + col, y + row, end - col, 1, kPatCopy);
        SelectBrush(StockBrush(kWhiteBrush));
        DeleteBrush(brush);
        col = end;
      }
    }
    SelectBrush(before);
  }
};

}  // namespace kit

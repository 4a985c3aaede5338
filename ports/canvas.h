// A GDI-like drawing surface; what the remark document and view draw on.
#pragma once
#include <cstdint>

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

}  // namespace kit

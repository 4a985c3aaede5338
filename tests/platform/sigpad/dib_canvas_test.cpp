// The drawing adapter of each platform, held to the same pixels.
#include <gtest/gtest.h>

#include <algorithm>

#include "sigpad/dib_section.h"

#ifdef _WIN32
#include "gdi_dib_canvas.h"
#else
#include "cairo_dib_canvas.h"
#endif

namespace kit {
namespace {

#ifdef _WIN32
using Factory = GdiDibCanvasFactory;
#else
using Factory = CairoDibCanvasFactory;
#endif

// Pixel (x, y) from the top left as 0xRRGGBB.
std::uint32_t At(const sigpad::cDIBSection& d, int x, int y) {
  const int row = d.Height() - 1 - y;
  return (d.ByteAt(row, 3 * x + 2) << 16) | (d.ByteAt(row, 3 * x + 1) << 8) | d.ByteAt(row, 3 * x);
}

TEST(DibCanvas, DrawsIntoTheBottomUpRowsWithoutSmoothing) {
  struct Case {
    int width;
    ColorRef pen;  // COLORREF: red in the low byte
    std::uint32_t rgb;
    int inside, outside;  // rows off the line
  } cases[] = {{1, 0x0000FF, 0xFF0000, 0, 1}, {3, 0xFF0000, 0x0000FF, 1, 3}, {9, 0x00FF00, 0x00FF00, 4, 6}};
  for (const Case& c : cases) {
    sigpad::cDIBSection d;
    ASSERT_TRUE(d.Create(33, 21));  // an odd width: padded rows
    std::fill(d.DIBSectionBitsPtr(), d.DIBSectionBitsPtr() + d.Header().biSizeImage, 0xFF);
    Factory factory;
    auto dc = factory.Open({d.DIBSectionBitsPtr(), d.Width(), d.Height(), d.BytesPerScanLine(), 0});
    ASSERT_NE(dc, nullptr);
    auto pen = dc->CreatePen(kPsSolid, c.width, c.pen);
    dc->SelectPen(pen);
    dc->MoveTo(8, 5);
    dc->LineTo(24, 5);
    EXPECT_EQ(At(d, 16, 5), c.rgb) << c.width;
    EXPECT_EQ(At(d, 16, 5 + c.inside), c.rgb) << c.width;
    EXPECT_EQ(At(d, 16, 5 + c.outside), 0xFFFFFFu) << c.width;
    EXPECT_EQ(At(d, 16, 20 - 5), 0xFFFFFFu) << "mirrored row " << c.width;
    // The row padding stays untouched.
    EXPECT_EQ(d.ByteAt(d.Height() - 1 - 5, 99), 0xFF);
  }
}

TEST(DibCanvas, RectangleFillsWithTheBrush) {
  sigpad::cDIBSection d;
  ASSERT_TRUE(d.Create(20, 20));
  Factory factory;
  auto dc = factory.Open({d.DIBSectionBitsPtr(), d.Width(), d.Height(), d.BytesPerScanLine(), 0});
  dc->SelectPen(dc->CreatePen(kPsSolid, 2, 0xFFFFFF));
  dc->SelectBrush(dc->CreateSolidBrush(0xFFFFFF));
  dc->Rectangle(4, 4, 9, 9);
  EXPECT_EQ(At(d, 6, 6), 0xFFFFFFu);
  EXPECT_EQ(At(d, 15, 15), 0u);
  EXPECT_EQ(factory.Open({nullptr, 20, 20, 60, 0}), nullptr);
}

}  // namespace
}  // namespace kit

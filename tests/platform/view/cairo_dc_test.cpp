#include "platform/posix/view/cairo_dc.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace kit::view {
namespace {

constexpr ColorRef kWhite = 0xFFFFFF, kBlack = 0;

struct Mapping {
  int mode;
  PointL winOrg, winExt, vpOrg, vpExt;
};

void Apply(CairoDC& dc, const Mapping& m) {
  dc.SetMapMode(m.mode);
  dc.SetWindowOrg(m.winOrg.x, m.winOrg.y);
  dc.SetWindowExt(m.winExt.x, m.winExt.y);
  dc.SetViewportOrg(m.vpOrg.x, m.vpOrg.y);
  dc.SetViewportExt(m.vpExt.x, m.vpExt.y);
}

// The device pixels a logical PatBlt covers, for the mappings the view uses.
TEST(CairoDC, PatBltLandsOnTheMappedDevicePixels) {
  struct Case {
    const char* what;
    Mapping map;
    RectL logical;  // x, y, width, height
    RectL device;   // left, top, right, bottom (exclusive)
  } cases[] = {
      {"text, identity", {kMmText, {0, 0}, {1, 1}, {0, 0}, {1, 1}}, {2, 3, 4, 5}, {2, 3, 6, 8}},
      {"text, scrolled window origin", {kMmText, {10, 10}, {1, 1}, {0, 0}, {1, 1}}, {12, 13, 4, 5}, {2, 3, 6, 8}},
      {"text ignores extents", {kMmText, {0, 0}, {1, 1}, {0, 0}, {3, 3}}, {1, 1, 2, 2}, {1, 1, 3, 3}},
      {"anisotropic zoom 200", {kMmAnisotropic, {0, 0}, {100, 100}, {16, 16}, {200, 200}}, {1, 1, 2, 2}, {18, 18, 22, 22}},
      {"anisotropic zoom 50", {kMmAnisotropic, {0, 0}, {100, 100}, {16, 16}, {50, 50}}, {4, 4, 8, 8}, {18, 18, 22, 22}},
      {"anisotropic, scrolled", {kMmAnisotropic, {0, 0}, {100, 100}, {16 - 30, 16 - 5}, {100, 100}}, {40, 10, 3, 3}, {26, 21, 29, 24}},
      {"printer 300 dpi", {kMmAnisotropic, {0, 0}, {96, 96}, {-10, -10}, {300, 300}}, {10, 10, 2, 2}, {21, 21, 28, 28}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CairoDC dc(64, 64);
    Apply(dc, c.map);
    dc.PatBlt(c.logical.left, c.logical.top, c.logical.right, c.logical.bottom, kBlackness);
    const RectL& d = c.device;
    for (PointL in : {PointL{d.left, d.top}, PointL{d.right - 1, d.bottom - 1}}) {
      EXPECT_EQ(dc.PixelAt(in.x, in.y), kBlack) << in.x << "," << in.y;
    }
    for (PointL out : {PointL{d.left - 1, d.top}, PointL{d.left, d.top - 1}, PointL{d.right, d.bottom - 1},
                       PointL{d.right - 1, d.bottom}}) {
      EXPECT_EQ(dc.PixelAt(out.x, out.y), kWhite) << out.x << "," << out.y;
    }
  }
}

TEST(CairoDC, DrawingStaysInsideTheClientArea) {
  CairoDC dc(30, 30);
  dc.SelectPen(dc.CreatePen(kPsSolid, 3, 0xFF0000));
  // Far outside, and at coordinates that would overflow a fixed-point path.
  dc.MoveTo(INT_MIN / 2, 15);
  dc.LineTo(INT_MAX / 2, 15);
  dc.PatBlt(-1000000000, -1000000000, 2000000000, 5, kBlackness);
  EXPECT_EQ(dc.PixelAt(15, 15), 0xFF0000u);
  EXPECT_EQ(dc.PixelAt(-1, 15), 0xFFFFFFFFu);
  EXPECT_EQ(dc.PixelAt(30, 15), 0xFFFFFFFFu);

  dc.IntersectClip(RectL{10, 0, 20, 30});
  dc.PatBlt(0, 20, 30, 5, kBlackness);
  EXPECT_EQ(dc.PixelAt(9, 22), kWhite);
  EXPECT_EQ(dc.PixelAt(10, 22), kBlack);
  EXPECT_EQ(dc.PixelAt(19, 22), kBlack);
  EXPECT_EQ(dc.PixelAt(20, 22), kWhite);

  // A surface larger than the client area is clipped to it.
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 50, 50);
  {
    CairoDC big(s, 20, 20);
    big.PatBlt(0, 0, 50, 50, kBlackness);
    EXPECT_EQ(big.PixelAt(19, 19), kBlack);
    EXPECT_EQ(big.PixelAt(20, 20), 0xFFFFFFFFu);
  }
  cairo_surface_flush(s);
  const unsigned char* d = cairo_image_surface_get_data(s);
  const int stride = cairo_image_surface_get_stride(s);
  EXPECT_EQ(d[19 * stride + 19 * 4 + 1], 0);
  cairo_surface_destroy(s);
}

}  // namespace
}  // namespace kit::view

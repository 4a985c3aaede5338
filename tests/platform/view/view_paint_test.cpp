// The remark view painting and inking on the cairo canvas: pixels where the
// view's arithmetic says the sheet, the picture and the ink go, scrolled and
// zoomed, and live ink landing where a repaint puts the stroke.
#include <cairo.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/posix/view/cairo_dc.h"
#include "ports/emf.h"
#include "ports/platform.h"
#include "remark/remark_doc.h"
#include "remark/remark_view.h"
#include "tests/remark/view_fakes.h"

namespace kit::view {
namespace {

constexpr ColorRef kGrey = 0x808080, kWhite = 0xFFFFFF, kBlack = 0, kRed = 0x0000FF;
constexpr ColorRef kBand = 0xC06030;  // COLORREF of the picture's band
constexpr int kPicW = 200, kPicH = 150;

// A window whose client device contexts draw on one surface, as a real
// window's do on its screen area.
class CanvasWindow : public testing::FakeWindow {
 public:
  CanvasWindow() { Reset(); }
  ~CanvasWindow() override { cairo_surface_destroy(surface_); }
  void Reset() {
    if (surface_) cairo_surface_destroy(surface_);
    const RectL c = ClientRect();
    surface_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, c.right, c.bottom);
  }
  std::unique_ptr<IDeviceContext> GetClientDC() override {
    const RectL c = ClientRect();
    return std::make_unique<CairoDC>(surface_, c.right, c.bottom);
  }
  ColorRef Pixel(int x, int y) {
    CairoDC dc(surface_, ClientRect().right, ClientRect().bottom);
    return dc.PixelAt(x, y);
  }
  void Paint(remark::CRemarkView& view) {
    CairoDC dc(surface_, ClientRect().right, ClientRect().bottom);
    view.OnPaint(dc);
  }

 private:
  cairo_surface_t* surface_ = nullptr;
};

struct Fixture {
  testing::FakeMetrics metrics;
  CanvasWindow window;
  remark::CRemarkDoc doc{nullptr, DefaultPlatform()};
  remark::CRemarkView view{window, metrics};

  explicit Fixture(int zoom) {
    std::vector<std::uint32_t> px(kPicW * kPicH, 0xFFFFFF);
    for (int y = 10; y < 30; ++y)
      for (int x = 0; x < kPicW; ++x) px[y * kPicW + x] = 0x3060C0;
    std::vector<std::uint8_t> bits = MakeBitBltEmfBits(
        kPicW, kPicH, px, {0, 0, (kPicW * 2540 + 48) / 96, (kPicH * 2540 + 48) / 96}, u"WPSFile");
    std::vector<EnhMetaFilePtr> pictures;
    pictures.push_back(DefaultPlatform().metafiles->FromBits(bits.data(), bits.size()));
    doc.ReplacePages(std::move(pictures));
    doc.SelectRemarker("A");
    view.SetDocument(&doc);
    view.SetReadOnly(false);
    view.SetZoom(zoom);
    view.GoToPage(0);
    window.Reset();  // the client area as the scroll bars left it
  }
  void Scroll(int sx, int sy) {
    window.bars[kSbHorz].nPos = sx;
    window.bars[kSbVert].nPos = sy;
  }
};

TEST(ViewOnCairo, SheetPictureAndDeskLandWhereTheViewPutsThem) {
  struct Case {
    int zoom, sx, sy;
  } cases[] = {{100, 0, 0}, {200, 0, 0}, {300, 40, 25}, {300, 0, 200}, {50, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "zoom " << c.zoom << " scrolled " << c.sx << "," << c.sy);
    Fixture f(c.zoom);
    f.Scroll(c.sx, c.sy);
    const int sx = (f.window.style & kWsHScroll) ? c.sx : 0, sy = (f.window.style & kWsVScroll) ? c.sy : 0;
    f.window.Paint(f.view);
    const int w = kPicW * c.zoom / 100, h = kPicH * c.zoom / 100;
    auto X = [&](int page) { return 16 - sx + page * c.zoom / 100; };
    auto Y = [&](int page) { return 16 - sy + page * c.zoom / 100; };
    const RectL client = f.window.ClientRect();
    auto visible = [&](int x, int y) { return x >= 0 && y >= 0 && x < client.right && y < client.bottom; };
    int checked = 0;
    auto expect = [&](int x, int y, ColorRef color) {
      if (!visible(x, y)) return;
      ++checked;
      EXPECT_EQ(f.window.Pixel(x, y), color) << x << "," << y;
    };
    expect(X(50), Y(20), kBand);
    expect(X(50), Y(40), kWhite);
    expect(X(50), Y(120), kWhite);
    expect(15 - sx, Y(40), kBlack);
    expect(14 - sx, Y(40), kGrey);
    expect(16 - sx + w, Y(60), kBlack);
    expect(X(60), 16 - sy + h + 3, kBlack);  // shadow
    expect(16 - sx + w + 25, 5, kGrey);
    EXPECT_GE(checked, 2);
  }
}

TEST(ViewOnCairo, LiveInkLandsWhereTheRepaintDrawsTheStroke) {
  struct Case {
    int zoom, sx, sy;
  } cases[] = {{100, 0, 0}, {200, 0, 0}, {300, 60, 90}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "zoom " << c.zoom);
    Fixture f(c.zoom);
    f.Scroll(c.sx, c.sy);
    const int sx = (f.window.style & kWsHScroll) ? c.sx : 0, sy = (f.window.style & kWsVScroll) ? c.sy : 0;
    f.window.Paint(f.view);
    auto X = [&](int page) { return 16 - sx + page * c.zoom / 100; };
    auto Y = [&](int page) { return 16 - sy + page * c.zoom / 100; };
    // Page (40, 60) to (100, 60) to (100, 100).
    f.view.OnLButtonDown(X(40), Y(60));
    f.view.OnMouseMove(X(100), Y(60));
    f.view.OnMouseMove(X(100), Y(100));
    f.view.OnLButtonUp();
    const PointL probes[] = {{X(70), Y(60)}, {X(100), Y(80)}};
    for (PointL p : probes) EXPECT_EQ(f.window.Pixel(p.x, p.y), kRed) << "live at " << p.x << "," << p.y;
    EXPECT_EQ(f.window.Pixel(X(70), Y(80)), kWhite);
    f.window.Reset();
    f.window.Paint(f.view);
    for (PointL p : probes) EXPECT_EQ(f.window.Pixel(p.x, p.y), kRed) << "repainted at " << p.x << "," << p.y;
    EXPECT_EQ(f.window.Pixel(X(70), Y(80)), kWhite);
    // Hidden strokes: the picture stays, the ink goes.
    f.view.SetFilter(remark::kNoRemarkers);
    f.window.Paint(f.view);
    EXPECT_EQ(f.window.Pixel(X(70), Y(60)), kWhite);
  }
}

}  // namespace
}  // namespace kit::view

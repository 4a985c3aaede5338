#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "remark/remark_doc.h"
#include "remark/remark_view.h"
#include "tests/remark/fakes.h"
#include "tests/remark/view_fakes.h"

namespace kit::remark {
namespace {

using testing::FakeMetrics;
using testing::FakePlatform;
using testing::FakeWindow;

using Bytes = std::vector<std::uint8_t>;

// Header of a stroke by remarker 0 in red, width 2, starting at (x, y).
Bytes Header(int x, int y) {
  return {0, 0, 255, 0, 0, 2, std::uint8_t(x & 0xFF), std::uint8_t(x >> 8), std::uint8_t(y & 0xFF),
          std::uint8_t(y >> 8)};
}

Bytes Cat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class RemarkViewTest : public ::testing::Test {
 protected:
  FakePlatform fp;
  CRemarkDoc doc{nullptr, fp.platform};
  FakeWindow wnd;
  FakeMetrics metrics;
  CRemarkView view{wnd, metrics, 77};

  // One page of w x h screen pixels without margins (a seven-character
  // description) or, with w == 0, a page without a picture.
  void Page(int w, int h) {
    std::vector<EnhMetaFilePtr> pics;
    if (w == 0) {
      pics.push_back(nullptr);
    } else {
      pics.push_back(fp.Picture(RectL{0, 0, (w * 2540 + 48) / 96, (h * 2540 + 48) / 96}));
    }
    doc.ReplacePages(std::move(pics));
    ASSERT_EQ(doc.page(0).width(), w);
    ASSERT_EQ(doc.page(0).height(), h);
    view.SetDocument(&doc);
    view.SetReadOnly(false);
    view.GoToPage(0);
  }

  Bytes Strokes() const {
    const CRemarkPage& p = doc.page(0);
    return Bytes(p.stroke_bytes(), p.stroke_bytes() + p.used_length());
  }
};

// Where a press lands on the page, or that it begins no stroke: page pixels
// rounded at the zoom, the scroll position added, the sheet's edges, read-only
// views and start points that do not fit the stroke header's 16 bits.
TEST_F(RemarkViewTest, PressesBeginStrokesAtRoundedPagePixels) {
  const struct {
    int w, h, zoom, scrollX, scrollY;
    bool readOnly;
    int x, y;
    Bytes stroke;  // empty: no stroke begun
  } cases[] = {
      {1000, 1000, 200, 0, 0, false, 17, 17, Cat(Header(1, 1), {0, 0})},
      {1000, 1000, 200, 10, 20, false, 16, 16, Cat(Header(5, 10), {0, 0})},
      {100, 100, 100, 0, 0, false, 115, 115, Cat(Header(99, 99), {0, 0})},
      {100, 100, 100, 0, 0, false, 5, 5, {}},    // on the desk
      {100, 100, 100, 0, 0, false, 116, 50, {}},  // just right of the sheet
      {100, 100, 100, 0, 0, false, 50, 116, {}},  // just below it
      {100, 100, 100, 0, 0, true, 50, 50, {}},
      {0, 0, 100, 0, 0, false, 16, 16, {}},  // a page without a picture
      {70000, 100, 100, 65535, 0, false, 16, 20, Cat(Header(65535, 4), {0, 0})},
      {70000, 100, 100, 65536, 0, false, 16, 20, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.stroke));
    Page(c.w, c.h);
    view.SetZoom(c.zoom);
    view.SetReadOnly(c.readOnly);
    wnd.bars[kSbHorz].nPos = c.scrollX;
    wnd.bars[kSbVert].nPos = c.scrollY;
    view.OnLButtonDown(c.x, c.y);
    EXPECT_EQ(view.capturing(), !c.stroke.empty());
    view.OnLButtonUp();
    EXPECT_EQ(Strokes(), c.stroke);
  }
  // The segment goes on the client at once, pen scaled with the zoom.
  Page(1000, 1000);
  view.SetZoom(200);
  wnd.bars[kSbHorz].nPos = 0;
  view.OnLButtonDown(17, 17);
  view.OnMouseMove(20, 20);  // (4 * 100 + 100) / 200 = 2
  view.OnLButtonUp();
  EXPECT_EQ(Strokes(), Cat(Header(1, 1), {1, 1, 0, 0}));
  EXPECT_EQ(wnd.clientDrawing, (std::vector<std::string>{"CreatePen 0 4 255", "MoveTo 18,18", "LineTo 20,20"}));
}

TEST_F(RemarkViewTest, FastMovesAreLimitedToOneStepAndThePointerFollowsThePen) {
  wnd.width = wnd.height = 1004;
  Page(1000, 1000);
  view.OnLButtonDown(26, 316);  // page (10, 300)
  EXPECT_TRUE(wnd.clipped);
  EXPECT_EQ(wnd.clip.left, 1016);
  EXPECT_EQ(wnd.clip.top, 516);
  view.OnMouseMove(326, 346);  // 300 right, 30 down
  EXPECT_EQ(wnd.cursor, (PointL{1000 + 137 + 16, 500 + 312 + 16}));
  view.OnMouseMove(153, 28);  // 300 straight up
  EXPECT_EQ(wnd.cursor, (PointL{1000 + 137 + 16, 500 + 185 + 16}));
  view.OnMouseMove(453, 801);  // 300 right, 600 down
  view.OnMouseMove(453, 801);  // the rest of that movement, from where the pen is
  view.OnMouseMove(269, 455);  // a short move is recorded as it is
  view.OnLButtonUp();
  // 30 * 127 / 300 = 12; (0, -127); (300, 600) -> (127, 254) -> (63, 127);
  // (237, 473) -> (127, 253) -> (63, 127); then (-10, 0).
  const Bytes steps = {127, 12, 0, 0x81, 63, 127, 63, 127, 0xF6, 0};
  EXPECT_EQ(Strokes(), Cat(Cat(Header(10, 300), steps), {0, 0}));
  EXPECT_FALSE(wnd.clipped);
  EXPECT_FALSE(wnd.captured);
  EXPECT_FALSE(view.capturing());
}

TEST_F(RemarkViewTest, ScrollRequestsMoveAndClampThePosition) {
  Page(1000, 1000);  // horizontal: 0..1036, page 383, highest 653
  view.OnHScroll(kSbLineUp);
  view.OnHScroll(kSbLineDown);
  EXPECT_EQ(wnd.bars[kSbHorz].nPos, 12);
  view.OnHScroll(kSbPageDown);
  EXPECT_EQ(wnd.bars[kSbHorz].nPos, 395);
  view.OnHScroll(kSbPageDown);
  EXPECT_EQ(wnd.bars[kSbHorz].nPos, 653);
  view.OnHScroll(kSbLineDown);
  wnd.bars[kSbHorz].nTrackPos = 100;
  view.OnHScroll(kSbThumbTrack);
  view.OnHScroll(kSbEndScroll);
  view.OnHScroll(kSbTop);
  EXPECT_EQ(wnd.bars[kSbHorz].nPos, 0);
  view.OnVScroll(kSbBottom);
  EXPECT_EQ(wnd.bars[kSbVert].nPos, 1036 - 283);
  EXPECT_EQ(wnd.log, (std::vector<std::string>{"ScrollWindow -12,0", "ScrollWindow -383,0", "ScrollWindow -258,0",
                                               "ScrollWindow 553,0", "ScrollWindow 100,0", "ScrollWindow 0,-753"}));
}

TEST_F(RemarkViewTest, RightDragsPanWithinTheRangeEvenReadOnly) {
  Page(1000, 1000);
  view.SetReadOnly(true);
  view.OnRButtonDown(200, 200);
  EXPECT_TRUE(view.capturing());
  EXPECT_EQ(wnd.shownCursor, 77u);
  view.OnMouseMove(150, 180);
  EXPECT_EQ(wnd.bars[kSbHorz].nPos, 50);
  EXPECT_EQ(wnd.bars[kSbVert].nPos, 20);
  view.OnMouseMove(500, 500);  // past the start: both back to 0
  view.OnMouseMove(-2000, -2000);
  EXPECT_EQ(wnd.bars[kSbHorz].nPos, 653);
  EXPECT_EQ(wnd.bars[kSbVert].nPos, 753);
  view.OnLButtonUp();  // not this drag's button
  view.OnLButtonDown(50, 50);
  EXPECT_TRUE(view.capturing());
  EXPECT_EQ(view.drag_mode(), kDragPanning);
  view.OnRButtonUp();
  EXPECT_FALSE(view.capturing());
  EXPECT_FALSE(wnd.captured);
  EXPECT_EQ(wnd.shownCursor, 0u);
  EXPECT_EQ(wnd.log,
            (std::vector<std::string>{"ScrollWindow -50,-20", "ScrollWindow 50,20", "ScrollWindow -653,-753"}));
  EXPECT_EQ(doc.page(0).used_length(), 0);

  // Cancel mode ends a pan as its button would.
  view.OnRButtonDown(10, 10);
  view.OnCancelMode();
  EXPECT_FALSE(view.capturing());
  EXPECT_EQ(wnd.shownCursor, 0u);
}

}  // namespace
}  // namespace kit::remark

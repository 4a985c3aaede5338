#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "remark/notaro_ctrl.h"
#include "remark/remark_view.h"
#include "tests/remark/fakes.h"
#include "tests/remark/view_fakes.h"

namespace kit::remark {
namespace {

using testing::FakeMetrics;
using testing::FakePlatform;
using testing::FakeWindow;
using testing::RecordingDC;

struct Counter : IModifiedSink {
  void SetModifiedFlag(bool) override {}
};

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
  Counter owner;
  CRemarkDoc doc{&owner, fp.platform};
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
      auto bits = MakeEmfBits(RectL{0, 0, (w * 2540 + 48) / 96, (h * 2540 + 48) / 96}, u"Picture");
      pics.push_back(fp.metafiles.FromBits(bits.data(), bits.size()));
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

  std::vector<std::string> Paint() {
    std::vector<std::string> out;
    RecordingDC dc(&out);
    view.OnPaint(dc);
    EXPECT_EQ(dc.livePens, 0);
    EXPECT_EQ(dc.liveBrushes, 0);
    EXPECT_EQ(dc.selectedBrush, 2u);
    return out;
  }
};

TEST_F(RemarkViewTest, PressesBecomeRoundedPagePixelsAtTheZoom) {
  Page(1000, 1000);
  view.SetZoom(200);
  EXPECT_EQ(view.page_width(), 2000);

  view.OnLButtonDown(16, 16);
  EXPECT_TRUE(view.capturing());
  EXPECT_TRUE(wnd.captured);
  view.OnLButtonUp();
  view.OnLButtonDown(17, 17);
  view.OnMouseMove(20, 20);  // (4 * 100 + 100) / 200 = 2
  view.OnLButtonUp();
  EXPECT_EQ(Strokes(), Cat(Cat(Header(0, 0), {0, 0}), Cat(Header(1, 1), {1, 1, 0, 0})));
  // The segment goes on the client at once, pen scaled with the zoom.
  EXPECT_EQ(wnd.clientDrawing,
            (std::vector<std::string>{"CreatePen 0 4 255", "MoveTo 18,18", "LineTo 20,20"}));

  // Scrolled by (10, 20): the same press lands further into the page.
  wnd.bars[kSbHorz].nPos = 10;
  wnd.bars[kSbVert].nPos = 20;
  view.OnLButtonDown(16, 16);
  view.OnLButtonUp();
  const Bytes all = Strokes();
  ASSERT_EQ(all.size(), 38u);
  EXPECT_EQ(Bytes(all.begin() + 26, all.end()), Cat(Header(5, 10), {0, 0}));
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

TEST_F(RemarkViewTest, PressesOffTheSheetOrWithoutPagesOrReadOnlyBeginNothing) {
  view.SetReadOnly(false);
  view.OnLButtonDown(20, 20);  // no document
  EXPECT_FALSE(view.capturing());
  view.SetDocument(&doc);
  view.OnLButtonDown(20, 20);  // no pages
  EXPECT_FALSE(view.capturing());

  Page(100, 100);
  view.OnLButtonDown(5, 5);      // on the desk
  view.OnLButtonDown(116, 50);   // just right of the sheet
  view.OnLButtonDown(50, 116);   // just below it
  EXPECT_FALSE(view.capturing());
  EXPECT_FALSE(wnd.clipped);
  EXPECT_EQ(doc.page(0).used_length(), 0);
  view.OnLButtonDown(115, 115);
  view.OnLButtonUp();
  EXPECT_EQ(Strokes(), Cat(Header(99, 99), {0, 0}));

  view.SetReadOnly(true);
  view.OnLButtonDown(50, 50);
  EXPECT_FALSE(view.capturing());
  EXPECT_EQ(doc.page(0).used_length(), 12);
}

TEST_F(RemarkViewTest, ADocumentTurnedReadOnlyMidDragStillGetsItsTerminator) {
  Page(500, 500);
  view.OnLButtonDown(20, 20);
  view.OnMouseMove(22, 20);
  doc.SetReadOnly(true);
  view.OnMouseMove(30, 30);
  view.OnLButtonUp();
  EXPECT_EQ(Strokes(), Cat(Header(4, 4), {2, 0, 0, 0}));
}

TEST_F(RemarkViewTest, AnEmptyPageShowsATinyFrameAndCannotBeDrawnOn) {
  Page(0, 0);
  EXPECT_FALSE(wnd.style & (kWsHScroll | kWsVScroll));
  auto p = Paint();
  EXPECT_NE(std::find(p.begin(), p.end(), "Rectangle white 15,15 17,17"), p.end());
  for (const auto& line : p) EXPECT_EQ(line.rfind("Play", 0), std::string::npos) << line;
  view.OnLButtonDown(16, 16);
  EXPECT_FALSE(view.capturing());
  EXPECT_EQ(doc.page(0).used_length(), 0);
}

TEST_F(RemarkViewTest, PaintingDrawsDeskSheetShadowAndTheZoomedPage) {
  wnd.width = 404;
  wnd.height = 304;
  Page(100, 80);
  EXPECT_FALSE(wnd.style & (kWsHScroll | kWsVScroll));
  view.OnLButtonDown(26, 26);
  view.OnMouseMove(36, 26);
  view.OnLButtonUp();

  EXPECT_EQ(Paint(), (std::vector<std::string>{
                         "CreateSolidBrush 8421504",
                         "PatBlt brush 0,0 16,300",
                         "PatBlt brush 0,0 400,16",
                         "PatBlt brush 116,0 400,300",
                         "PatBlt brush 0,96 400,300",
                         "Rectangle white 15,15 117,97",
                         "PatBlt black 117,19 121,101",
                         "PatBlt black 19,97 121,101",
                         "Play 16,16 116,96",
                         "CreatePen 0 2 255",
                         "MoveTo 26,26",
                         "LineTo 36,26",
                     }));

  // Strokes hidden: the sheet and picture stay, the ink goes.
  view.SetFilter(kNoRemarkers);
  auto hidden = Paint();
  EXPECT_EQ(hidden.size(), 9u);
  EXPECT_EQ(hidden.back(), "Play 16,16 116,96");
  view.SetFilter(1);
  EXPECT_EQ(Paint().size(), 9u);
  view.SetFilter(0);
  EXPECT_EQ(Paint().size(), 12u);

  // At 150 % the page and its ink scale, rounded as the device does.
  view.SetZoom(150);
  auto zoomed = Paint();
  EXPECT_EQ(zoomed[5], "Rectangle white 15,15 167,137");
  EXPECT_EQ(zoomed[8], "Play 16,16 166,136");
  EXPECT_EQ(zoomed[10], "MoveTo 31,31");  // 10 * 1.5 + 16
  EXPECT_EQ(zoomed[11], "LineTo 46,31");

  // No pages: all grey.
  doc.Clear();
  EXPECT_EQ(Paint(), (std::vector<std::string>{"CreateSolidBrush 8421504", "PatBlt brush 0,0 400,300"}));
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

TEST_F(RemarkViewTest, ALostCaptureOrAMoveInsideOnePixelStillTerminatesTheStrokeOnce) {
  Page(500, 500);
  // Releasing the capture reports its loss straight back, as the system does;
  // the other button neither ends nor restarts the drag.
  wnd.onReleaseCapture = [this] { view.OnCaptureChanged(); };
  view.OnLButtonDown(20, 20);
  view.OnRButtonUp();
  view.OnRButtonDown(30, 30);
  EXPECT_EQ(view.drag_mode(), kDragDrawing);
  view.OnMouseMove(22, 20);
  view.OnLButtonUp();
  const Bytes one = Cat(Header(4, 4), {2, 0, 0, 0});
  EXPECT_EQ(Strokes(), one);
  // Another window takes the capture mid-drag: not ours to release any more.
  wnd.onReleaseCapture = nullptr;
  view.OnLButtonDown(20, 20);
  view.OnMouseMove(22, 20);
  view.OnCaptureChanged();
  EXPECT_FALSE(view.capturing());
  EXPECT_TRUE(wnd.captured);
  view.OnMouseMove(40, 40);
  view.OnLButtonUp();
  // A move that stays on the same page pixel records no step.
  view.OnLButtonDown(20, 20);
  view.OnMouseMove(20, 20);
  view.OnLButtonUp();
  EXPECT_EQ(Strokes(), Cat(Cat(one, one), Cat(Header(4, 4), {0, 0})));
  EXPECT_EQ(wnd.clientDrawing.size(), 6u) << "live ink only for the two moves that left their pixel";
}

TEST_F(RemarkViewTest, ZoomAndPageRequestsOutsideTheirRangeAreRefused) {
  Page(100, 80);
  view.SetZoom(0);
  view.SetZoom(-50);
  EXPECT_EQ(view.zoom(), 100);
  EXPECT_EQ(view.page_width(), 100);
  view.GoToPage(5);
  EXPECT_EQ(doc.current_page(), 0);

  // Changing page mid-drag finishes the stroke on the page it began on.
  view.OnLButtonDown(20, 20);
  view.GoToPage(0);
  EXPECT_FALSE(view.capturing());
  EXPECT_EQ(Strokes(), Cat(Header(4, 4), {0, 0}));
}

TEST_F(RemarkViewTest, StartPointsBeyondSixteenBitsAreRefused) {
  Page(70000, 100);
  wnd.bars[kSbHorz].nPos = 65535;
  view.OnLButtonDown(16, 20);
  view.OnLButtonUp();
  EXPECT_EQ(Strokes(), Cat(Header(65535, 4), {0, 0}));
  wnd.bars[kSbHorz].nPos = 65536;
  view.OnLButtonDown(16, 20);
  EXPECT_FALSE(view.capturing());
  EXPECT_EQ(doc.page(0).used_length(), 12);
}

TEST_F(RemarkViewTest, TheControlSetsTheFilterOfTheOpenView) {
  CNotaroCtrl ctrl(fp.platform);
  ctrl.SetSelRemarker(0);  // no window to reach
  EXPECT_FALSE(ctrl.IsModified());
  ctrl.SetActiveView(&view);
  const int before = wnd.invalidations;
  ctrl.SetSelRemarker(-2);
  EXPECT_EQ(view.filter(), kNoRemarkers);
  EXPECT_GT(wnd.invalidations, before);
  ctrl.SetActiveView(nullptr);
}

}  // namespace
}  // namespace kit::remark

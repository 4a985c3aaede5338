// The headless remark window on the memory screen: snapshots show what the
// user would see.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "remark/notaro_ctrl.h"
#include "remark/remark_frame.h"
#include "sim/ui/cairo_screen.h"
#include "sim/ui/headless_ui.h"
#include "tests/platform/view/page_pixels.h"
#include "tests/remark/fakes.h"

namespace kit::sim {
namespace {

namespace fs = std::filesystem;

constexpr ColorRef kInk = 0x0000FF;  // the document's red pen
constexpr ColorRef kWhite = 0xFFFFFF, kDesk = 0x808080, kBlack = 0;
constexpr ColorRef kChecked = 0xE8E8E8;

// A COLORREF as the snapshot's 0xRRGGBB.
std::uint32_t Rgb(ColorRef c) { return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF); }

// Whether `c` is found within one pixel of (x, y): pens two pixels wide land
// on either side of their line.
bool Near(const testing::Pixels& png, int x, int y, ColorRef c) {
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx)
      if (png.at(x + dx, y + dy) == Rgb(c)) return true;
  return false;
}

class CairoScreenTest : public ::testing::Test {
 protected:
  testing::FakePlatform fp;
  remark::CNotaroCtrl ctrl{fp.platform};
  std::ostringstream log;
  fs::path dir = fs::path(::testing::TempDir()) / "kit_cairo_screen";

  void SetUp() override {
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  // Pages of 300 x 400 page pixels.
  void Pages(int n) {
    std::vector<EnhMetaFilePtr> pics;
    for (int i = 0; i < n; ++i) pics.push_back(fp.Picture(RectL{0, 0, 300 * 2540 / 96, 400 * 2540 / 96}));
    ctrl.document().ReplacePages(std::move(pics));
  }

  // Runs the window over the script; `@` in it stands for the test folder.
  std::string Run(std::string events, bool readOnly = false) {
    for (std::size_t at; (at = events.find('@')) != std::string::npos;) events.replace(at, 1, dir.string());
    log.str("");
    HeadlessUi ui(sim::ParseUiScript(events), &log);
    CairoScreen screen(ui);
    ctrl.MarkTransferStarted();
    ctrl.SetUi(&ui, HeadlessUi::kHostWindow);
    ctrl.OpenRemark(readOnly);
    ctrl.SetUi(nullptr, 0);
    return log.str();
  }
};

// The frame's client area: toolbar 26 pixels high, then the view with its
// 2-pixel edge, so view client (x, y) is snapshot (x + 2, y + 28). A press at
// (40, 60) is page pixel (22, 16); the sheet's corner is at view (15, 15).
TEST_F(CairoScreenTest, SnapshotsShowTheToolbarAndTheViewAsDrawn) {
  Pages(1);
  ctrl.SetRemarker("A");
  const std::string stroke = "down 40 60; move 120 60; up 120 60; ";
  struct Probe {
    int x, y;
    ColorRef want;
  };
  struct Case {
    const char* name;
    std::string events;
    bool readOnly;
    std::vector<Probe> at;
  } cases[] = {
      {"stroke", stroke + "snapshot @/a.png", false,
       {{41, 60, kInk}, {80, 60, kInk}, {119, 60, kInk},  // along the stroke
        {80, 50, kWhite}, {80, 70, kWhite}, {130, 60, kWhite}, {30, 60, kWhite},
        {7, 128, kDesk}, {200, 200, kWhite}, {320, 128, kBlack},  // desk, sheet, shadow
        {600, 10, kButtonFace}, {158, 5, kButtonFace}}},
      // Hidden remarks: what the pen draws shows while drawing all the same
      // and goes with the next repaint; the check box stays pressed.
      {"hidden while drawing", "button " + std::to_string(remark::ID_HIDE_REMARKS) + "; " + stroke + "snapshot @/a.png", false,
       {{80, 60, kInk}, {158, 5, kChecked}}},
      {"hidden after repaint", "button " + std::to_string(remark::ID_HIDE_REMARKS) + "; " + stroke + "size 600 470; snapshot @/a.png", false,
       {{80, 60, kWhite}, {7, 128, kDesk}, {158, 5, kChecked}}},
      {"read-only", stroke + "snapshot @/a.png", true, {{80, 60, kWhite}, {200, 200, kWhite}}},
  };
  for (const Case& c : cases) {
    ctrl.document().DeleteUnconfirmedStrokes();
    const std::string out = Run(c.events, c.readOnly);
    EXPECT_NE(out.find("snapshot " + (dir / "a.png").string() + "\n"), std::string::npos) << c.name << "\n" << out;
    const testing::Pixels png = testing::ReadPng((dir / "a.png").string());
    EXPECT_GE(png.w, 600) << c.name;
    for (const Probe& p : c.at) {
      if (p.want == kInk) {
        EXPECT_TRUE(Near(png, p.x, p.y, kInk)) << c.name << " no ink at " << p.x << "," << p.y;
      } else {
        EXPECT_EQ(png.at(p.x, p.y), Rgb(p.want)) << c.name << " at " << p.x << "," << p.y;
      }
    }
  }
}

}  // namespace
}  // namespace kit::sim

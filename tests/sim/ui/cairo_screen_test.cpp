// The headless remark window on the memory screen: snapshots show what the
// user would see, and the print command writes PDF pages as a printer would.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/posix/view/pdf_printer.h"
#include "remark/notaro_ctrl.h"
#include "remark/remark_frame.h"
#include "sim/ui/cairo_screen.h"
#include "sim/ui/headless_ui.h"
#include "tests/platform/view/page_pixels.h"
#include "tests/remark/fakes.h"

namespace kit::sim {
namespace {

namespace fs = std::filesystem;
using view::OpenPdfPrinter;
using view::Paper;
using view::PaperByName;

constexpr ColorRef kInk = 0x0000FF;  // the document's red pen
constexpr ColorRef kWhite = 0xFFFFFF, kDesk = 0x808080, kBlack = 0;
constexpr ColorRef kChecked = 0xE8E8E8;

// A PNG's pixel as a COLORREF; 0xFFFFFFFF outside it.
class Png {
 public:
  explicit Png(const std::string& path) : p_(testing::ReadPng(path)) {}
  bool ok() const { return p_.w > 0; }
  int width() const { return p_.w; }
  ColorRef At(int x, int y) const {
    const std::uint32_t px = p_.at(x, y);
    return px == 0xFFFFFFFFu ? px : ((px >> 16) & 0xFF) | (px & 0xFF00) | (px & 0xFF) << 16;
  }
  // Whether `c` is found within one pixel of (x, y): pens two pixels wide
  // land on either side of their line.
  bool Near(int x, int y, ColorRef c) const {
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx)
        if (At(x + dx, y + dy) == c) return true;
    return false;
  }

 private:
  testing::Pixels p_;
};

class CairoScreenTest : public ::testing::Test {
 protected:
  testing::FakePlatform fp;
  remark::CNotaroCtrl ctrl{fp.platform};
  std::ostringstream log;
  fs::path dir = fs::path(::testing::TempDir()) / "kit_cairo_screen";
  std::function<std::unique_ptr<ui::IPrintJob>(const std::string&)> printer;

  void SetUp() override {
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  // Pages of 300 x 400 page pixels.
  void Pages(int n) {
    std::vector<EnhMetaFilePtr> pics;
    for (int i = 0; i < n; ++i) {
      auto bits = MakeEmfBits(RectL{0, 0, 300 * 2540 / 96, 400 * 2540 / 96}, u"Picture");
      pics.push_back(fp.metafiles.FromBits(bits.data(), bits.size()));
    }
    ctrl.document().ReplacePages(std::move(pics));
  }

  // Runs the window over the script; `@` in it stands for the test folder.
  std::string Run(std::string events, bool readOnly = false) {
    for (std::size_t at; (at = events.find('@')) != std::string::npos;) events.replace(at, 1, dir.string());
    log.str("");
    HeadlessUi ui(sim::ParseUiScript(events), &log);
    CairoScreen screen(ui);
    if (printer) ui.SetPrinterFactory(printer);
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
      {"hidden while drawing", "button 32778; " + stroke + "snapshot @/a.png", false,
       {{80, 60, kInk}, {158, 5, kChecked}}},
      {"hidden after repaint", "button 32778; " + stroke + "size 600 470; snapshot @/a.png", false,
       {{80, 60, kWhite}, {7, 128, kDesk}, {158, 5, kChecked}}},
      {"read-only", stroke + "snapshot @/a.png", true, {{80, 60, kWhite}, {200, 200, kWhite}}},
  };
  for (const Case& c : cases) {
    ctrl.document().DeleteUnconfirmedStrokes();
    const std::string out = Run(c.events, c.readOnly);
    EXPECT_NE(out.find("snapshot " + (dir / "a.png").string() + "\n"), std::string::npos) << c.name << "\n" << out;
    Png png((dir / "a.png").string());
    ASSERT_TRUE(png.ok()) << c.name;
    EXPECT_GE(png.width(), 600) << c.name;
    for (const Probe& p : c.at) {
      if (p.want == kInk) {
        EXPECT_TRUE(png.Near(p.x, p.y, kInk)) << c.name << " no ink at " << p.x << "," << p.y;
      } else {
        EXPECT_EQ(png.At(p.x, p.y), p.want) << c.name << " at " << p.x << "," << p.y;
      }
    }
  }
}

TEST_F(CairoScreenTest, SnapshotsThatCannotBeWrittenAreReported) {
  Pages(1);
  std::string out = Run("snapshot @/no/such/folder/a.png");
  EXPECT_NE(out.find("a.png failed"), std::string::npos) << out;
  // A frame sized beyond what memory should hold paints nowhere and gives
  // no picture; back at a sane size it shows again.
  out = Run("size 16000 16000; down 40 60; up 40 60; snapshot @/big.png; size 640 480; snapshot @/a.png");
  EXPECT_NE(out.find("big.png failed"), std::string::npos) << out;
  EXPECT_FALSE(fs::exists(dir / "big.png"));
  EXPECT_TRUE(Png((dir / "a.png").string()).ok()) << out;
  // Without a screen there is nothing to take a picture of.
  std::ostringstream bare;
  HeadlessUi ui(sim::ParseUiScript("snapshot x.png"), &bare);
  ctrl.SetUi(&ui, HeadlessUi::kHostWindow);
  ctrl.OpenRemark(false);
  ctrl.SetUi(nullptr, 0);
  EXPECT_NE(bare.str().find("snapshot x.png not available"), std::string::npos) << bare.str();
}

// Pixels clearly of the red pen in a box of the rendered page.
int RedPixels(const testing::Pixels& img, int x0, int y0, int x1, int y1) {
  int n = 0;
  for (int y = std::max(y0, 0); y < std::min(y1, img.h); ++y) {
    for (int x = std::max(x0, 0); x < std::min(x1, img.w); ++x) {
      const std::uint32_t px = img.at(x, y);
      if (((px >> 16) & 0xFF) > 0xC0 && ((px >> 8) & 0xFF) < 0x60 && (px & 0xFF) < 0x60) ++n;
    }
  }
  return n;
}

TEST_F(CairoScreenTest, PrintingWritesOnePdfPagePerDocumentPage) {
  Pages(3);
  // A stroke on the first page from page pixel (20, 20) to (70, 70).
  ctrl.SetRemarker("A");
  ctrl.document().SetCurrentPage(0);
  ctrl.document().BeginStroke(20, 20);
  for (int i = 0; i < 10; ++i) ctrl.document().AddStep(5, 5);
  ctrl.document().EndStroke();
  const fs::path pdf = dir / "out.pdf";
  printer = [&](const std::string& name) -> std::unique_ptr<ui::IPrintJob> {
    Paper paper;
    if (!PaperByName(name, paper)) return nullptr;
    return OpenPdfPrinter(pdf.string(), paper);
  };
  struct Case {
    const char* name;
    std::string events;
    double width, height;  // points; 0: no file
    bool ink;
  } cases[] = {
      {"A4", "command 57607; print", 595.28, 841.89, true},
      {"Letter, remarks hidden", "button 32778; command 57607; print letter", 612, 792, false},
      {"unknown paper", "command 57607; print B9", 0, 0, false},
  };
  for (const Case& c : cases) {
    fs::remove(pdf);
    const std::string out = Run(c.events);
    if (c.width == 0) {
      EXPECT_FALSE(fs::exists(pdf)) << c.name;
      EXPECT_NE(out.find("printer cannot be opened"), std::string::npos) << c.name << "\n" << out;
      continue;
    }
    const testing::PdfPages pages = testing::ReadPdf(pdf.string());
    ASSERT_EQ(pages.count, 3) << c.name;
    for (int i = 0; i < 3; ++i) {
      EXPECT_NEAR(pages.widths[i], c.width, 0.5) << c.name;
      EXPECT_NEAR(pages.heights[i], c.height, 0.5) << c.name;
      const testing::Pixels& img = pages.images[static_cast<std::size_t>(i)];
      ASSERT_GT(img.w, 0);
      // Page pixels are 1/96 inch from the paper's corner.
      const int on = RedPixels(img, 40, 40, 51, 51);
      const int all = RedPixels(img, 0, 0, img.w, img.h);
      if (c.ink && i == 0) {
        EXPECT_GT(on, 5) << c.name;
        EXPECT_EQ(RedPixels(img, 0, 0, 17, img.h), 0) << c.name << ": ink left of the stroke";
        EXPECT_EQ(RedPixels(img, 75, 0, img.w, img.h), 0) << c.name << ": ink right of the stroke";
      } else {
        EXPECT_EQ(all, 0) << c.name << " page " << i + 1;
      }
    }
  }
}

}  // namespace
}  // namespace kit::sim

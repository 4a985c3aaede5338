// The pad in a headless frame: the user's UI events draw on picMain through
// the window system, and the window shows what the page saves afterwards.
#include <cairo.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/posix/exchange/posix_exchange.h"
#include "sim/ui/cairo_screen.h"
#include "sim/ui/headless_ui.h"
#include "sim/sigpad/quillpad_host.h"
#include "sigpad/quillpad_ctrl.h"
#include "tests/platform/temp_kit_root.h"

namespace kit::sigpad {
namespace {

using automation::InvokeKind;

std::string ReadText(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

struct SignedPad {
  kit::testing::TempKitRoot root;
  std::ostringstream log;
  std::unique_ptr<sim::HeadlessUi> ui;
  std::unique_ptr<sim::CairoScreen> screen;  // where the windows' pixels are
  posix::PosixFileLookup lookup;
  ClassRegistry registry;
  std::shared_ptr<automation::IDispatchObject> pad;

  // `atCreation`: the user signs on the new pad before the page gets it.
  explicit SignedPad(const std::string& events, bool atCreation = true) {
    root.MakeFile("c/Temp/keep");
    ui = std::make_unique<sim::HeadlessUi>(sim::ParseUiScript(events), &log);
    screen = std::make_unique<sim::CairoScreen>(*ui);
    sim::PadScreen pads;
    pads.ui = ui.get();
    pads.owner = sim::HeadlessUi::kHostWindow;
    pads.user_present = [this, atCreation] { return atCreation && ui->pending_events() > 0; };
    sim::RegisterQuillpad(registry, lookup, *ui, pads);
    pad = registry.Create(kQuillpadProgId);
  }
  UCQuillpad& control() { return dynamic_cast<UCQuillpad&>(*pad); }
};

// A snapshot of the open pad shows picMain as the page saves it: below the
// toolbar, the saved bitmap pixel for pixel.
TEST(PadWindow, TheWindowShowsTheInkAsSaved) {
  std::string events = ReadText(KIT_SIGN_EVENTS);
  const std::string png = (std::filesystem::temp_directory_path() / ("pad-" + std::to_string(::getpid()) + ".png")).string();
  const std::size_t close = events.rfind("close");
  ASSERT_NE(close, std::string::npos);
  events.insert(close, "snapshot " + png + "\n");
  SignedPad p(events);
  EXPECT_NE(p.log.str().find("snapshot " + png + "\n"), std::string::npos) << p.log.str();
  p.pad->Invoke(DISPID_Save, InvokeKind::Method, {});
  const std::string bmp = p.root.ReadFile("c/Temp/qzdesk/Quillpad.BMP");
  ASSERT_GT(bmp.size(), 54u);
  auto u32 = [&](std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bmp[at]) | static_cast<unsigned char>(bmp[at + 1]) << 8 |
                                      static_cast<unsigned char>(bmp[at + 2]) << 16 |
                                      static_cast<unsigned char>(bmp[at + 3]) << 24);
  };
  const int w = static_cast<int>(u32(18)), h = static_cast<int>(u32(22));
  const std::size_t offBits = u32(10), stride = (static_cast<std::size_t>(w) * 3 + 3) / 4 * 4;
  ASSERT_EQ(bmp.size(), offBits + stride * static_cast<std::size_t>(h));

  cairo_surface_t* shot = cairo_image_surface_create_from_png(png.c_str());
  std::filesystem::remove(png);
  ASSERT_EQ(cairo_surface_status(shot), CAIRO_STATUS_SUCCESS);
  const sigpad::PictureBox& pic = p.control().picMain();
  ASSERT_EQ(pic.width, w);
  ASSERT_EQ(pic.height, h);
  ASSERT_GE(cairo_image_surface_get_width(shot), pic.Left + w);
  ASSERT_GE(cairo_image_surface_get_height(shot), pic.Top + h);
  const unsigned char* data = cairo_image_surface_get_data(shot);
  const int shotStride = cairo_image_surface_get_stride(shot);
  int differing = 0, inked = 0;
  for (int y = 0; y < h; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(pic.Top + y) * shotStride);
    const std::size_t src = offBits + stride * static_cast<std::size_t>(h - 1 - y);
    for (int x = 0; x < w; ++x) {
      const std::size_t q = src + 3 * static_cast<std::size_t>(x);
      const std::uint32_t saved = static_cast<std::uint32_t>(static_cast<unsigned char>(bmp[q + 2])) << 16 |
                                  static_cast<std::uint32_t>(static_cast<unsigned char>(bmp[q + 1])) << 8 |
                                  static_cast<unsigned char>(bmp[q]);
      if ((row[pic.Left + x] & 0xFFFFFF) != saved) ++differing;
      if (saved != 0xFFFFFF) ++inked;
    }
  }
  cairo_surface_destroy(shot);
  EXPECT_GT(inked, 500) << "the signature is in the saved bitmap";
  EXPECT_EQ(differing, 0) << "of " << w * h << " pixels";
}

}  // namespace
}  // namespace kit::sigpad

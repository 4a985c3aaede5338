#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "sim/capture/inprocess_automation.h"
#include "sim/capture/inprocess_clipboard.h"
#include "sim/capture/office_pages.h"
#include "ports/emf.h"
#include "remark/notaro_ctrl.h"

namespace kit {
namespace {

namespace fs = std::filesystem;

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
  std::uint32_t v = 0;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}

// A two-page Word document written by the office suite from plain text.
fs::path MakeDocument(const fs::path& dir) {
  fs::create_directories(dir);
  const fs::path text = dir / "letter.txt";
  std::ofstream out(text);
  for (int i = 1; i <= 80; ++i) out << "Line " << i << " of a letter to the district office.\n";
  out.close();
  const std::string cmd = "'" + sim::OfficeProgram() + "' --headless --norestore -env:UserInstallation=file://" +
                          (dir / "profile").string() + " --convert-to doc --outdir '" + dir.string() + "' '" +
                          text.string() + "' >/dev/null 2>&1";
  if (std::system(cmd.c_str()) != 0) return {};
  return dir / "letter.doc";
}

// The suite takes seconds to start, so the document is made once.
class OfficePagesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (sim::OfficeProgram().empty()) return;
    dir_ = fs::path(::testing::TempDir()) / "kit_office_pages";
    doc_ = MakeDocument(dir_);
  }
  static void TearDownTestSuite() { fs::remove_all(dir_); }
  void SetUp() override {
    if (sim::OfficeProgram().empty()) GTEST_SKIP() << "no office suite (soffice) installed: real page pictures not tested";
    ASSERT_TRUE(fs::exists(doc_)) << "the office suite wrote no .doc";
  }
  static fs::path dir_, doc_;
};
fs::path OfficePagesTest::dir_, OfficePagesTest::doc_;

TEST_F(OfficePagesTest, EachPageBecomesAPictureAtThePaperSize) {
  // Whatever the render's resolution, the bitmap lands on the paper's size
  // in 96-dpi page pixels; the source is the whole bitmap at that resolution.
  for (const int dpi : {48, 96, 150}) {
    auto pages = sim::RenderDocumentPages(doc_.string(), dpi);
    ASSERT_TRUE(pages) << dpi;
    ASSERT_EQ(pages->size(), 2u);
    for (const auto& bits : *pages) {
      auto header = ParseEmfHeader(bits.data(), bits.size());
      ASSERT_TRUE(header);
      // A4 or Letter, upright, in hundredths of a millimetre.
      EXPECT_GT(header->rclFrame.right, 20000);
      EXPECT_GT(header->rclFrame.bottom, 27000);
      EXPECT_GT(header->rclFrame.bottom, header->rclFrame.right);
      const std::size_t blit = header->nSize;
      const std::uint32_t type = U32(bits, blit);
      ASSERT_TRUE(type == kEmrBitBlt || type == kEmrStretchBlt) << type;
      const int cxDest = static_cast<int>(U32(bits, blit + 32)), cyDest = static_cast<int>(U32(bits, blit + 36));
      EXPECT_NEAR(cxDest, header->rclFrame.right * 96 / 2540, 1) << dpi;
      EXPECT_NEAR(cyDest, header->rclFrame.bottom * 96 / 2540, 1) << dpi;
      EXPECT_EQ(header->rclBounds.right, cxDest - 1);
      const std::uint32_t offBmi = U32(bits, blit + 84);
      const int bw = static_cast<int>(U32(bits, blit + offBmi + 4)), bh = static_cast<int>(U32(bits, blit + offBmi + 8));
      EXPECT_NEAR(bw, header->rclFrame.right * dpi / 2540, 1) << dpi;
      EXPECT_NEAR(bh, header->rclFrame.bottom * dpi / 2540, 1) << dpi;
      if (bw != cxDest || bh != cyDest) {
        ASSERT_EQ(type, kEmrStretchBlt) << dpi;
        EXPECT_EQ(static_cast<int>(U32(bits, blit + 100)), bw);  // cxSrc
        EXPECT_EQ(static_cast<int>(U32(bits, blit + 104)), bh);
      }
      // The bitmap: mostly paper, with the dark pixels of the text.
      const std::uint32_t offBits = U32(bits, blit + 92), cbBits = U32(bits, blit + 96);
      ASSERT_LE(std::size_t{offBits} + cbBits, bits.size() - blit);
      std::size_t dark = 0, white = 0;
      for (std::size_t at = blit + offBits; at + 4 <= blit + offBits + cbBits; at += 4) {
        const std::uint32_t px = U32(bits, at) & 0xFFFFFF;
        if (px == 0xFFFFFF) ++white;
        if ((px & 0xFF) < 0x60 && ((px >> 8) & 0xFF) < 0x60 && (px >> 16) < 0x60) ++dark;
      }
      EXPECT_GT(dark, 100u);
      EXPECT_GT(white, dark * 5);
    }
  }
  EXPECT_FALSE(sim::RenderDocumentPages((dir_ / "missing.doc").string()));
}

TEST_F(OfficePagesTest, LoadDocumentTakesTheWordAndTheWpsWay) {
  sim::InProcessAutomation automation;
  sim::InProcessClipboard clipboard;
  ASSERT_TRUE(sim::RegisterOfficeRenderer(automation, clipboard));
  remark::CNotaroCtrl ctrl;
  remark::CapturePorts ports = remark::DefaultCapturePorts();
  ports.automation = &automation;
  ports.clipboard = &clipboard;
  ctrl.SetCaptureAdapters(ports);

  ctrl.Invoke(remark::DISPID_LoadDocument, automation::InvokeKind::Method, {automation::Variant::Str(doc_.string())});
  EXPECT_EQ(ctrl.document().page_count(), 2);
  // The suite reads the document whatever its name says; a .wps file takes
  // the page-by-page way that ends at the first page the server refuses.
  const fs::path wps = dir_ / "letter.wps";
  fs::copy_file(doc_, wps);
  ctrl.Invoke(remark::DISPID_LoadDocument, automation::InvokeKind::Method, {automation::Variant::Str(wps.string())});
  EXPECT_EQ(ctrl.document().page_count(), 2);
}

}  // namespace
}  // namespace kit

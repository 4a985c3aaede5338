#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "sim/capture/inprocess_automation.h"
#include "sim/capture/inprocess_clipboard.h"
#include "sim/capture/office_pages.h"
#include "remark/notaro_ctrl.h"

namespace kit {
namespace {

namespace fs = std::filesystem;

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

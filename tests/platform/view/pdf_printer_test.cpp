// The PDF printer: one PDF page a printed sheet, and a file only for a
// finished job.
#include "platform/posix/view/pdf_printer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace kit::view {
namespace {

namespace fs = std::filesystem;

// A job that fails part-way, or is dropped before its end, leaves no file, so
// nobody takes half a print for the whole.
TEST(PdfPrinter, OnlyFinishedJobsLeaveAFile) {
  const fs::path dir = fs::path(::testing::TempDir()) / "kit_pdf_printer";
  fs::create_directories(dir);
  Paper a4;
  ASSERT_TRUE(PaperByName("", a4));
  EXPECT_EQ(a4.name, "A4");
  EXPECT_FALSE(PaperByName("A0", a4));
  EXPECT_EQ(OpenPdfPrinter((dir / "missing" / "x.pdf").string(), a4), nullptr);
  struct Case {
    const char* name;
    std::function<void(ui::IPrintJob&)> run;
    bool kept;
  } cases[] = {
      {"finished", [](ui::IPrintJob& j) { j.StartDoc("Remark"); j.StartPage(); j.EndPage(); j.EndDoc(); }, true},
      {"aborted", [](ui::IPrintJob& j) { j.StartDoc("Remark"); j.StartPage(); j.EndPage(); j.AbortDoc(); }, false},
      {"dropped mid-page", [](ui::IPrintJob& j) { j.StartDoc("Remark"); j.StartPage(); }, false},
      {"no page", [](ui::IPrintJob& j) { j.StartDoc("Remark"); j.EndDoc(); }, false},
  };
  for (const Case& c : cases) {
    const fs::path pdf = dir / "x.pdf";
    fs::remove(pdf);
    {
      auto job = OpenPdfPrinter(pdf.string(), a4);
      ASSERT_NE(job, nullptr);
      EXPECT_EQ(job->DeviceCaps(ui::kLogPixelsX), kPdfPrinterDpi);
      EXPECT_EQ(job->DeviceCaps(ui::kPhysicalOffsetY), kPdfPrinterOffset);
      c.run(*job);
    }
    EXPECT_EQ(fs::exists(pdf), c.kept) << c.name;
  }
  // Brackets out of order are refused.
  auto job = OpenPdfPrinter((dir / "y.pdf").string(), a4);
  EXPECT_LT(job->StartPage(), 0);
  EXPECT_LT(job->EndPage(), 0);
  EXPECT_GT(job->StartDoc("Remark"), 0);
  EXPECT_LT(job->StartDoc("Remark"), 0);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace kit::view

// platform/posix: adapters that do the work on Linux itself; stand-ins for Windows go in sim/.
// A printer that writes PDF: each printed sheet is one page of the file, of
// the chosen paper, with the resolution and the unprintable margin a laser
// printer reports, so the printing code maps as it would on paper.
#pragma once
#include <memory>
#include <string>

#include "ports/ui.h"

namespace kit::view {

struct Paper {
  std::string name;
  double widthInches, heightInches;
};
// "A4" (also for an empty name), "A3", "A5", "Letter", "Legal"; case is not
// significant. False for any other name.
bool PaperByName(const std::string& name, Paper& paper);

constexpr int kPdfPrinterDpi = 600;
constexpr int kPdfPrinterOffset = 100;  // device units: 1/6 inch on each side

// Opens the printer: the file is created now. Null when it cannot be (the
// printer cannot be opened). A job that is aborted, or dropped before
// EndDoc, leaves no file behind.
std::unique_ptr<ui::IPrintJob> OpenPdfPrinter(const std::string& path, const Paper& paper);

}  // namespace kit::view

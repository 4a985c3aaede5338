// platform/posix: adapters that do the work on Linux itself; stand-ins for Windows go in sim/.
#include "platform/posix/view/pdf_printer.h"

#include <cairo-pdf.h>
#include <cairo.h>

#include <cctype>
#include <cmath>
#include <cstdio>

#include "platform/posix/view/cairo_dc.h"

namespace kit::view {
namespace {

constexpr double kPointsPerInch = 72.0;
constexpr long kMaxVectorSegments = 1L << 18;

class PdfPrintJob : public ui::IPrintJob {
 public:
  PdfPrintJob(std::string path, cairo_surface_t* surface, const Paper& paper)
      : m_path(std::move(path)), m_surface(surface), m_paper(paper) {
    // Device units are printer dots measured from the printable corner,
    // which lies the physical offset inside the paper's corner.
    m_width = static_cast<int>(std::lround(paper.widthInches * kPdfPrinterDpi)) - 2 * kPdfPrinterOffset;
    m_height = static_cast<int>(std::lround(paper.heightInches * kPdfPrinterDpi)) - 2 * kPdfPrinterOffset;
    m_dc = std::make_unique<CairoDC>(m_surface, m_width, m_height);
    cairo_t* cr = m_dc->cairo();
    cairo_identity_matrix(cr);
    cairo_reset_clip(cr);
    cairo_scale(cr, kPointsPerInch / kPdfPrinterDpi, kPointsPerInch / kPdfPrinterDpi);
    cairo_translate(cr, kPdfPrinterOffset, kPdfPrinterOffset);
    m_dc->IntersectClip({0, 0, m_width, m_height});
    // More ink than any remark page holds is laid on as a picture of twice
    // the page pixels' 96 dpi.
    m_dc->LimitVectorLines(kMaxVectorSegments, 192.0 / kPdfPrinterDpi);
  }
  ~PdfPrintJob() override {
    const bool keep = m_state == State::kDone;
    m_dc.reset();
    cairo_surface_finish(m_surface);
    cairo_surface_destroy(m_surface);
    if (!keep) std::remove(m_path.c_str());
  }

  IDeviceContext& dc() override { return *m_dc; }
  int DeviceCaps(int index) const override {
    switch (index) {
      case ui::kLogPixelsX:
      case ui::kLogPixelsY:
        return kPdfPrinterDpi;
      case ui::kPhysicalOffsetX:
      case ui::kPhysicalOffsetY:
        return kPdfPrinterOffset;
      default:
        return 0;
    }
  }
  int StartDoc(const std::string& name) override {
    if (m_state != State::kOpen) return -1;
    cairo_pdf_surface_set_metadata(m_surface, CAIRO_PDF_METADATA_TITLE, name.c_str());
    m_state = State::kDoc;
    return 1;
  }
  int StartPage() override {
    if (m_state != State::kDoc || Failed()) return -1;
    m_state = State::kPage;
    return 1;
  }
  int EndPage() override {
    if (m_state != State::kPage) return -1;
    m_dc->Flush();
    cairo_show_page(m_dc->cairo());
    ++m_pages;
    m_state = State::kDoc;
    return Failed() ? -1 : 1;
  }
  int EndDoc() override {
    if (m_state != State::kDoc) return -1;
    m_dc->Flush();
    cairo_surface_finish(m_surface);
    if (Failed() || m_pages == 0) {
      m_state = State::kAborted;
      return -1;
    }
    m_state = State::kDone;
    return 1;
  }
  int AbortDoc() override {
    m_state = State::kAborted;
    return 1;
  }

 private:
  enum class State { kOpen, kDoc, kPage, kDone, kAborted };
  bool Failed() const {
    return cairo_surface_status(m_surface) != CAIRO_STATUS_SUCCESS ||
           cairo_status(const_cast<CairoDC&>(*m_dc).cairo()) != CAIRO_STATUS_SUCCESS;
  }

  std::string m_path;
  cairo_surface_t* m_surface;
  Paper m_paper;
  int m_width = 0, m_height = 0;
  std::unique_ptr<CairoDC> m_dc;
  State m_state = State::kOpen;
  int m_pages = 0;
};

}  // namespace

bool PaperByName(const std::string& name, Paper& paper) {
  static const Paper papers[] = {
      {"A4", 210 / 25.4, 297 / 25.4}, {"A3", 297 / 25.4, 420 / 25.4}, {"A5", 148 / 25.4, 210 / 25.4},
      {"Letter", 8.5, 11.0},          {"Legal", 8.5, 14.0},
  };
  const std::string want = name.empty() ? "A4" : name;
  for (const Paper& p : papers) {
    if (p.name.size() != want.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < want.size() && same; ++i)
      same = std::tolower(static_cast<unsigned char>(p.name[i])) == std::tolower(static_cast<unsigned char>(want[i]));
    if (same) {
      paper = p;
      return true;
    }
  }
  return false;
}

std::unique_ptr<ui::IPrintJob> OpenPdfPrinter(const std::string& path, const Paper& paper) {
  if (path.empty() || !(paper.widthInches > 1.0) || !(paper.heightInches > 1.0)) return nullptr;
  cairo_surface_t* s =
      cairo_pdf_surface_create(path.c_str(), paper.widthInches * kPointsPerInch, paper.heightInches * kPointsPerInch);
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(s);
    return nullptr;
  }
  return std::make_unique<PdfPrintJob>(path, s, paper);
}

}  // namespace kit::view

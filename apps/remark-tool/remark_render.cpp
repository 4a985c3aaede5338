// remark-tool render: one page painted by CRemarkView on a cairo canvas.
#include <cstdint>
#include <ostream>
#include <sstream>

#include "apps/remark-tool/remark_tool.h"
#include "platform/posix/view/cairo_dc.h"
#include "platform/posix/view/pdf_printer.h"
#include "remark/remark_doc.h"
#include "remark/remark_file.h"
#include "remark/remark_frame.h"
#include "remark/remark_view.h"

namespace kit::remark_tool {
namespace {

// What cairo's image surfaces hold, and a bound on the memory of one render.
constexpr int kMaxSide = 32767;
constexpr std::int64_t kMaxPixels = 1 << 28;

// A borderless child exactly as large as the render: no scroll bars are
// needed, so the view paints the page from its corner.
class RenderWindow : public IViewWindow, public IWindowMetrics {
 public:
  RenderWindow(int w, int h) : w_(w), h_(h) {}
  std::uint32_t Style() const override { return kWsChild | kWsVisible; }
  std::uint32_t ExStyle() const override { return 0; }
  RectL WindowRect() const override { return {0, 0, w_, h_}; }
  RectL ClientRect() const override { return {0, 0, w_, h_}; }
  PointL ClientToScreen(PointL p) const override { return p; }
  void ShowScrollBar(int, bool) override {}
  ScrollInfo GetScrollInfo(int) const override { return {}; }
  void SetScrollInfo(int, const ScrollInfo&) override {}
  void SetScrollPos(int, int) override {}
  void ScrollWindow(int, int) override {}
  void Invalidate(bool) override {}
  std::unique_ptr<IDeviceContext> GetClientDC() override { return nullptr; }
  void SetCapture() override {}
  void ReleaseCapture() override {}
  void ClipCursor(const RectL*) override {}
  void SetCursorPos(int, int) override {}
  void SetCursor(CursorHandle) override {}

  int SystemMetric(int) const override { return 17; }
  RectL AdjustWindowRectEx(const RectL& r, std::uint32_t, std::uint32_t) const override { return r; }

 private:
  int w_, h_;
};

}  // namespace

std::string RenderPage(const std::string& path, const Platform& platform, const RenderOptions& opt) {
  if (opt.zoom <= 0) return "zoom must be a positive percentage";
  if (opt.filter < remark::kNoRemarkers) return "filter must be -2 (no strokes), -1 (all) or a remarker index";
  remark::CRemarkDoc doc(nullptr, platform);
  {
    NativeFileSystem files;
    remark::LoadDocumentFromFile(doc, files, path);
  }
  if (opt.page < 1 || opt.page > doc.page_count()) {
    std::ostringstream s;
    s << "no page " << opt.page << " (the document has " << doc.page_count() << ")";
    return s.str();
  }
  doc.SetCurrentPage(opt.page - 1);
  int pw = 0, ph = 0;
  doc.CurrentPageSize(pw, ph);
  // The zoomed sheet plus the desk around it: 16 pixels before, 20 after.
  const std::int64_t w = static_cast<std::int64_t>(pw) * opt.zoom / 100 + 36;
  const std::int64_t h = static_cast<std::int64_t>(ph) * opt.zoom / 100 + 36;
  if (w > kMaxSide || h > kMaxSide || w * h > kMaxPixels) {
    std::ostringstream s;
    s << "a render of " << w << " x " << h << " pixels is too large; choose a smaller zoom";
    return s.str();
  }
  RenderWindow window(static_cast<int>(w), static_cast<int>(h));
  remark::CRemarkView view(window, window);
  view.SetDocument(&doc);
  view.SetZoom(opt.zoom);
  view.GoToPage(opt.page - 1);
  view.SetFilter(opt.filter);
  view::CairoDC dc(static_cast<int>(w), static_cast<int>(h));
  view.OnPaint(dc);
  if (!dc.WritePng(opt.out)) return "cannot write " + opt.out;
  return "";
}

std::string PrintDocument(const std::string& path, const Platform& platform, const PrintOptions& opt) {
  if (opt.filter < remark::kNoRemarkers) return "filter must be -2 (no strokes), -1 (all) or a remarker index";
  view::Paper paper;
  if (!view::PaperByName(opt.paper, paper)) return "no paper called " + opt.paper + " (A4, A3, A5, Letter, Legal)";
  remark::CRemarkDoc doc(nullptr, platform);
  {
    NativeFileSystem files;
    remark::LoadDocumentFromFile(doc, files, path);
  }
  if (doc.page_count() == 0) return "the document has no pages to print";
  auto job = view::OpenPdfPrinter(opt.out, paper);
  if (!job) return "cannot write " + opt.out;
  if (!remark::PrintRemarkDocument(doc, *job, opt.filter)) return "printing failed; " + opt.out + " not written";
  return "";
}

}  // namespace kit::remark_tool

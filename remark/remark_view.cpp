#include "remark/remark_view.h"

#include <algorithm>
#include <cstdint>

namespace kit::remark {

namespace {

constexpr int kSheetOffset = 16;  // page corner from the scrollable origin
constexpr int kLineStep = 12;
constexpr int kMaxStep = 127;
constexpr ColorRef kDeskGrey = 0x808080;
// Keeps the zoomed size and the margins added to it inside an int.
constexpr std::int64_t kMaxZoomedSize = 0x3FFFFFFF;

// Nested updates (showing a bar resizes the window) return at once; one
// flag for every view of the process.
bool g_updatingScrollBars = false;

bool PtInRect(const RectL& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

RectL Intersect(const RectL& a, const RectL& b) {
  RectL r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

int Scale(std::int64_t v, int zoom) {
  std::int64_t r = v * zoom / 100;
  return static_cast<int>(std::clamp<std::int64_t>(r, -kMaxZoomedSize, kMaxZoomedSize));
}

}  // namespace

CRemarkView::CRemarkView(IViewWindow& window, const IWindowMetrics& metrics, IViewWindow::CursorHandle panCursor)
    : m_window(window), m_metrics(metrics), m_panCursor(panCursor) {}

CRemarkView::~CRemarkView() = default;

bool CRemarkView::HasPages() const { return m_pDocument != nullptr && m_pDocument->page_count() > 0; }

int CRemarkView::ScrollX() const {
  return (m_window.Style() & kWsHScroll) ? m_window.GetScrollInfo(kSbHorz).nPos : 0;
}

int CRemarkView::ScrollY() const {
  return (m_window.Style() & kWsVScroll) ? m_window.GetScrollInfo(kSbVert).nPos : 0;
}

void CRemarkView::RecomputePageSize() {
  int w = 0, h = 0;
  if (m_pDocument) m_pDocument->CurrentPageSize(w, h);
  m_nPageWidth = Scale(w, m_nZoom);
  m_nPageHeight = Scale(h, m_nZoom);
}

void CRemarkView::SetFilter(int filter) {
  m_nFilter = filter;
  m_window.Invalidate(true);
}

void CRemarkView::Repaint() { m_window.Invalidate(true); }

void CRemarkView::GoToPage(int index) {
  if (!m_pDocument) return;
  if (m_pDocument->page_count() > 0 && (index < 0 || index >= m_pDocument->page_count())) return;
  // A stroke never continues onto another page.
  EndDrag(true);
  m_pDocument->SetCurrentPage(index);
  RecomputePageSize();
  UpdateScrollBars();
  m_window.Invalidate(true);
}

void CRemarkView::SetZoom(int zoom) {
  if (zoom <= 0) return;
  m_nZoom = zoom;
  RecomputePageSize();
  UpdateScrollBars();
  m_window.Invalidate(true);
}

void CRemarkView::OnPaint(IDeviceContext& dc) {
  const RectL client = m_window.ClientRect();
  const int cw = client.right - client.left, ch = client.bottom - client.top;
  IDeviceContext::BrushHandle grey = dc.CreateSolidBrush(kDeskGrey);
  IDeviceContext::BrushHandle oldBrush = dc.SelectBrush(grey);
  if (!HasPages()) {
    dc.PatBlt(0, 0, cw, ch, kPatCopy);
  } else {
    const int sx = ScrollX(), sy = ScrollY();
    const int w = m_nPageWidth, h = m_nPageHeight;
    if (sx < kSheetOffset) dc.PatBlt(0, 0, kSheetOffset - sx, ch, kPatCopy);
    if (sy < kSheetOffset) dc.PatBlt(0, 0, cw, kSheetOffset - sy, kPatCopy);
    const int right = w - sx + kSheetOffset, bottom = h - sy + kSheetOffset;
    if (right < cw) dc.PatBlt(right, 0, cw - right, ch, kPatCopy);
    if (bottom < ch) dc.PatBlt(0, bottom, cw, ch - bottom, kPatCopy);

    dc.SetWindowOrg(sx, sy);
    dc.SelectBrush(dc.StockBrush(kWhiteBrush));
    dc.Rectangle(15, 15, w + 17, h + 17);
    dc.PatBlt(w + 17, 19, 4, h + 2, kBlackness);
    dc.PatBlt(19, h + 17, w + 2, 4, kBlackness);

    dc.SetMapMode(kMmAnisotropic);
    dc.SetViewportOrg(kSheetOffset - sx, kSheetOffset - sy);
    dc.SetViewportExt(m_nZoom, m_nZoom);
    dc.SetWindowOrg(0, 0);
    dc.SetWindowExt(100, 100);
    m_pDocument->DrawCurrentPage(dc, m_nFilter);
  }
  dc.SelectBrush(oldBrush);
  dc.DeleteBrush(grey);
}

void CRemarkView::UpdateScrollBars() {
  if (g_updatingScrollBars) return;
  g_updatingScrollBars = true;
  const int W = m_nPageWidth + 36, H = m_nPageHeight + 36;

  const std::uint32_t style = m_window.Style() & ~(kWsHScroll | kWsVScroll);
  const RectL probe{0, 0, 100, 100};
  const RectL framed = m_metrics.AdjustWindowRectEx(probe, style, m_window.ExStyle());
  const RectL wr = m_window.WindowRect();
  const int aw = (wr.right - wr.left) - ((framed.right - framed.left) - 100);
  const int ah = (wr.bottom - wr.top) - ((framed.bottom - framed.top) - 100);

  bool needH = aw < W;
  bool needV = false;
  const int room = ah - (needH ? m_metrics.SystemMetric(kSmCyHScroll) : 0);
  if (room < H) {
    needV = true;
    needH = !(W < aw - m_metrics.SystemMetric(kSmCxVScroll) && ah < H);
  }
  m_window.ShowScrollBar(kSbHorz, needH);
  m_window.ShowScrollBar(kSbVert, needV);

  const RectL client = m_window.ClientRect();
  const int cw = client.right - client.left, ch = client.bottom - client.top;
  auto set = [&](int bar, int total, int page) {
    ScrollInfo si;
    si.nMin = 0;
    si.nMax = total;
    si.nPage = static_cast<unsigned>(std::max(page, 0));
    si.nPos = std::max(0, std::min(m_window.GetScrollInfo(bar).nPos, total - page));
    m_window.SetScrollInfo(bar, si);
  };
  if (needH) set(kSbHorz, W, cw);
  if (needV) set(kSbVert, H, ch);
  g_updatingScrollBars = false;
}

void CRemarkView::OnScroll(int bar, int code) {
  const ScrollInfo si = m_window.GetScrollInfo(bar);
  const int page = si.nPage ? static_cast<int>(si.nPage) : kLineStep;
  const int highest = si.nMax - static_cast<int>(si.nPage);
  int pos = si.nPos;
  switch (code) {
    case kSbLineUp:
      if (pos > si.nMin) pos -= kLineStep;
      break;
    case kSbPageUp:
      if (pos > si.nMin) pos -= page;
      break;
    case kSbLineDown:
      if (pos < highest) pos += kLineStep;
      break;
    case kSbPageDown:
      if (pos < highest) pos += page;
      break;
    case kSbTop:
      pos = si.nMin;
      break;
    case kSbBottom:
      pos = highest;
      break;
    case kSbThumbPosition:
    case kSbThumbTrack:
      pos = si.nTrackPos;
      break;
    default:
      return;
  }
  pos = std::max(si.nMin, std::min(pos, highest));
  m_window.SetScrollPos(bar, pos);
  const int diff = pos - si.nPos;
  if (diff != 0) m_window.ScrollWindow(bar == kSbHorz ? -diff : 0, bar == kSbVert ? -diff : 0);
}

int CRemarkView::ToPage(int client, int scroll) const {
  const std::int64_t v = (static_cast<std::int64_t>(client) + scroll - kSheetOffset) * 100 + m_nZoom / 2;
  return static_cast<int>(std::clamp<std::int64_t>(v / m_nZoom, INT32_MIN / 2, INT32_MAX / 2));
}

void CRemarkView::OnLButtonDown(int px, int py) {
  if (m_bCapturing || m_bReadOnly || !HasPages()) return;
  const int sx = ScrollX(), sy = ScrollY();
  const RectL sheet = Intersect(RectL{kSheetOffset - sx, kSheetOffset - sy, m_nPageWidth - sx + kSheetOffset,
                                      m_nPageHeight - sy + kSheetOffset},
                                m_window.ClientRect());
  if (!PtInRect(sheet, px, py)) return;
  const int x = ToPage(px, sx), y = ToPage(py, sy);
  // Start points are stored in 16 bits; a point they cannot hold is refused
  // rather than recorded somewhere else.
  if (x < 0 || y < 0 || x > 0xFFFF || y > 0xFFFF) return;
  m_nLastX = x;
  m_nLastY = y;
  m_pDocument->BeginStroke(x, y);
  m_nDragMode = kDragDrawing;
  m_bCapturing = true;
  const PointL tl = m_window.ClientToScreen({sheet.left, sheet.top});
  const PointL br = m_window.ClientToScreen({sheet.right, sheet.bottom});
  const RectL screen{tl.x, tl.y, br.x, br.y};
  m_window.ClipCursor(&screen);
  m_window.SetCapture();
}

void CRemarkView::OnMouseMove(int x, int y) {
  if (!m_bCapturing) return;
  if (m_nDragMode == kDragDrawing)
    DrawMove(x, y);
  else
    PanMove(x, y);
}

void CRemarkView::DrawMove(int px, int py) {
  if (m_bReadOnly || !HasPages() || m_pDocument->IsReadOnly()) return;
  const int sx = ScrollX(), sy = ScrollY();
  const int x = ToPage(px, sx), y = ToPage(py, sy);
  if (x == m_nLastX && y == m_nLastY) return;
  std::int64_t dx = static_cast<std::int64_t>(x) - m_nLastX;
  std::int64_t dy = static_cast<std::int64_t>(y) - m_nLastY;
  bool limited = false;
  if (dx > kMaxStep) {
    dy = dy * kMaxStep / dx;
    dx = kMaxStep;
    limited = true;
  } else if (dx < -kMaxStep) {
    dy = dy * -kMaxStep / dx;
    dx = -kMaxStep;
    limited = true;
  }
  if (dy > kMaxStep) {
    dx = dx * kMaxStep / dy;
    dy = kMaxStep;
    limited = true;
  } else if (dy < -kMaxStep) {
    dx = dx * -kMaxStep / dy;
    dy = -kMaxStep;
    limited = true;
  }
  const int nx = m_nLastX + static_cast<int>(dx), ny = m_nLastY + static_cast<int>(dy);
  if (limited) {
    // The pointer follows the pen, so the rest of a fast movement is
    // recorded from where the stroke now ends.
    const PointL c{Scale(nx, m_nZoom) - sx + kSheetOffset, Scale(ny, m_nZoom) - sy + kSheetOffset};
    const PointL s = m_window.ClientToScreen(c);
    m_window.SetCursorPos(s.x, s.y);
  }
  m_pDocument->AddStep(static_cast<int>(dx), static_cast<int>(dy));

  if (auto dc = m_window.GetClientDC()) {
    dc->SetWindowOrg(sx - kSheetOffset, sy - kSheetOffset);
    ICanvas::PenHandle pen = dc->CreatePen(kPsSolid, Scale(m_pDocument->pen_width(), m_nZoom), m_pDocument->pen_color());
    ICanvas::PenHandle old = dc->SelectPen(pen);
    dc->MoveTo(Scale(m_nLastX, m_nZoom), Scale(m_nLastY, m_nZoom));
    dc->LineTo(Scale(nx, m_nZoom), Scale(ny, m_nZoom));
    dc->SelectPen(old);
    dc->DeletePen(pen);
  }
  m_nLastX = nx;
  m_nLastY = ny;
}

void CRemarkView::PanMove(int px, int py) {
  int moved[2] = {0, 0};
  const std::uint32_t style = m_window.Style();
  const int last[2] = {m_nLastX, m_nLastY};
  const int now[2] = {px, py};
  const std::uint32_t has[2] = {kWsHScroll, kWsVScroll};
  for (int bar = kSbHorz; bar <= kSbVert; ++bar) {
    if (!(style & has[bar])) continue;
    const ScrollInfo si = m_window.GetScrollInfo(bar);
    const int highest = si.nMax - static_cast<int>(si.nPage);
    int pos = last[bar] + si.nPos - now[bar];
    pos = std::max(si.nMin, std::min(pos, highest));
    if (pos != si.nPos) {
      m_window.SetScrollPos(bar, pos);
      moved[bar] = pos - si.nPos;
    }
  }
  if (moved[0] != 0 || moved[1] != 0) m_window.ScrollWindow(-moved[0], -moved[1]);
  m_nLastX = px;
  m_nLastY = py;
}

void CRemarkView::OnLButtonUp() {
  if (m_bCapturing && m_nDragMode == kDragDrawing) EndDrag(true);
}

void CRemarkView::OnRButtonDown(int x, int y) {
  if (m_bCapturing) return;
  m_nLastX = x;
  m_nLastY = y;
  m_nDragMode = kDragPanning;
  m_bCapturing = true;
  m_window.SetCursor(m_panCursor);
  m_window.SetCapture();
}

void CRemarkView::OnRButtonUp() {
  if (m_bCapturing && m_nDragMode == kDragPanning) EndDrag(true);
}

void CRemarkView::EndDrag(bool releaseCapture) {
  if (!m_bCapturing) return;
  // Cleared first: releasing the capture reports its loss back to us.
  m_bCapturing = false;
  if (m_nDragMode == kDragDrawing) {
    // Every stroke gets its terminator, whatever ended the drag.
    if (m_pDocument) m_pDocument->EndStroke();
    if (releaseCapture) m_window.ReleaseCapture();
    m_window.ClipCursor(nullptr);
  } else {
    m_window.SetCursor(0);
    if (releaseCapture) m_window.ReleaseCapture();
  }
}

}  // namespace kit::remark

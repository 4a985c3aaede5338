// The scrolling view of the remark window: the current page on a grey desk,
// left-button ink drawing and right-button panning.
#pragma once
#include <cstdint>

#include "ports/canvas.h"
#include "ports/window.h"
#include "remark/notaro_ctrl.h"
#include "remark/remark_doc.h"

namespace kit::remark {

// How the remark window creates the view.
constexpr std::uint32_t kViewStyle = kWsChild | kWsVisible;
constexpr std::uint32_t kViewExStyle = kWsExClientEdge;
constexpr int kViewControlId = 100;

constexpr int kDragDrawing = 0;
constexpr int kDragPanning = 1;

class CRemarkView : public IActiveRemarkView {
 public:
  // `panCursor` is the module's pan cursor, shown while panning.
  CRemarkView(IViewWindow& window, const IWindowMetrics& metrics, IViewWindow::CursorHandle panCursor = 0);
  ~CRemarkView() override;
  CRemarkView(const CRemarkView&) = delete;
  CRemarkView& operator=(const CRemarkView&) = delete;

  void SetDocument(CRemarkDoc* doc) { m_pDocument = doc; }
  CRemarkDoc* document() const { return m_pDocument; }
  void SetReadOnly(bool on) { m_bReadOnly = on; }
  bool read_only() const { return m_bReadOnly; }

  void SetFilter(int filter);
  int filter() const { return m_nFilter; }
  void GoToPage(int index);
  // Zoom in percent; zero and negative values are refused.
  void SetZoom(int zoom);
  int zoom() const { return m_nZoom; }
  int page_width() const { return m_nPageWidth; }
  int page_height() const { return m_nPageHeight; }
  bool capturing() const { return m_bCapturing; }
  int drag_mode() const { return m_nDragMode; }

  // IActiveRemarkView
  void SetRemarkerFilter(int filter) override { SetFilter(filter); }
  void Repaint() override;

  // Window messages.
  void OnPaint(IDeviceContext& dc);
  bool OnEraseBkgnd() { return true; }
  void OnSize() { UpdateScrollBars(); }
  void OnHScroll(int code) { OnScroll(kSbHorz, code); }
  void OnVScroll(int code) { OnScroll(kSbVert, code); }
  void OnLButtonDown(int x, int y);
  void OnMouseMove(int x, int y);
  void OnLButtonUp();
  void OnRButtonDown(int x, int y);
  void OnRButtonUp();
  void OnCancelMode() { EndDrag(true); }
  // Another window took the capture: the drag ends without releasing it.
  void OnCaptureChanged() { EndDrag(false); }
  void OnDestroy() { EndDrag(true); }

  void UpdateScrollBars();

 private:
  int ScrollX() const;
  int ScrollY() const;
  bool HasPages() const;
  void RecomputePageSize();
  int ToPage(int client, int scroll) const;
  void OnScroll(int bar, int code);
  void DrawMove(int x, int y);
  void PanMove(int x, int y);
  void EndDrag(bool releaseCapture);

  CRemarkDoc* m_pDocument = nullptr;
  bool m_bReadOnly = true;
  int m_nPageWidth = 0, m_nPageHeight = 0;
  int m_nFilter = kAllRemarkers;
  bool m_bCapturing = false;
  int m_nLastX = 0, m_nLastY = 0;
  int m_nDragMode = kDragDrawing;
  int m_nZoom = 100;

  IViewWindow& m_window;
  const IWindowMetrics& m_metrics;
  IViewWindow::CursorHandle m_panCursor;
};

}  // namespace kit::remark

#include "remark/remark_frame.h"

#include <cstdio>
#include <exception>
#include <map>

namespace kit::remark {

namespace {

constexpr const char* kProductName = "Notaro";

const std::map<int, std::string>& StringTable() {
  static const std::map<int, std::string> table = {
      {IDS_PEN_WIDTH_FORMAT, "%d 型"},
      {IDS_EVERYONE, "所有人"},
      {IDR_REMARK_FRAME, kProductName},
      {ID_PEN_COLOR, "笔颜色"},
      {ID_PEN_WIDTH, "笔宽度"},
      {ID_DELETE_LAST_STROKE, "删除最后一笔"},
      {ID_DELETE_UNCONFIRMED, "删除未确认的批注"},
      {ID_CONFIRM_REMARK, "确认批注"},
      {ID_SEL_REMARKER, "显示指定用户的批注"},
      {ID_FIRST_PAGE, "第一页"},
      {ID_PREV_PAGE, "上一页"},
      {ID_NEXT_PAGE, "下一页"},
      {ID_LAST_PAGE, "最后一页"},
      {ID_HIDE_REMARKS, "隐藏批注"},
      {ID_ZOOM, "缩放"},
      {ID_FILE_LOADSOURCE, "载入原稿"},
      {ID_FILE_PRINT, "打印"},
  };
  return table;
}

}  // namespace

std::string LoadRemarkString(int id) {
  const auto& table = StringTable();
  auto it = table.find(id);
  return it == table.end() ? std::string() : it->second;
}

std::string CutToolTipText(const std::string& text) {
  std::size_t chars = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if ((c & 0xC0) == 0x80) continue;  // continuation byte
    if (chars == kToolTipBufferChars - 1) return text.substr(0, i);
    ++chars;
  }
  return text;
}

ui::Menu RemarkFrameMenu() {
  using ui::MenuItem;
  return {
      MenuItem::Popup("文件", {MenuItem::Command(ID_FILE_LOADSOURCE, "载入原稿"), MenuItem::Separator(),
                               MenuItem::Command(ID_FILE_PRINT, "打印"), MenuItem::Separator(),
                               MenuItem::Command(ID_FILE_CLOSE, "关闭")}),
      MenuItem::Popup("格式", {MenuItem::Command(ID_PEN_COLOR, "笔颜色"), MenuItem::Command(ID_PEN_WIDTH, "笔宽度")}),
      MenuItem::Popup("工具", {MenuItem::Command(ID_ZOOM, "缩放")}),
      MenuItem::Popup("关于", {MenuItem::Command(ID_APP_ABOUT, std::string("关于") + kProductName)}),
  };
}

std::vector<ui::ToolButton> RemarkToolBarButtons() {
  return {{ID_FILE_LOADSOURCE}, {0},           {ID_PEN_COLOR},   {ID_PEN_WIDTH},  {ID_DELETE_LAST_STROKE},
          {ID_DELETE_UNCONFIRMED}, {ID_CONFIRM_REMARK}, {0}, {ID_HIDE_REMARKS}, {ID_ZOOM},
          {ID_FILE_PRINT},      {0},           {ID_FIRST_PAGE},  {ID_PREV_PAGE},  {ID_NEXT_PAGE},
          {ID_LAST_PAGE},       {0},           {ID_SEL_REMARKER}};
}

std::string AboutText() {
  return std::string(kProductName) + " 1.0\n批注控件：在公文页面上书写、确认和打印手写批注。";
}

// ---------------------------------------------------------------------------
// The view's window messages go to the view, which is made with its window.

class CRemarkWnd::ViewHandler : public ui::IWindowHandler {
 public:
  explicit ViewHandler(ui::IUi& ui) : m_ui(ui) {}
  CRemarkView* view() const { return m_view.get(); }

  void OnCreate(ui::IWindow& self) override {
    m_view = std::make_unique<CRemarkView>(self, m_ui.Metrics(), m_ui.LoadCursor(IDC_PAN));
  }
  void OnSize(int, int) override {
    if (m_view) m_view->OnSize();
  }
  void OnPaint(IDeviceContext& dc) override {
    if (m_view) m_view->OnPaint(dc);
  }
  void OnLButtonDown(int x, int y) override {
    if (m_view) m_view->OnLButtonDown(x, y);
  }
  void OnLButtonUp(int, int) override {
    if (m_view) m_view->OnLButtonUp();
  }
  void OnRButtonDown(int x, int y) override {
    if (m_view) m_view->OnRButtonDown(x, y);
  }
  void OnRButtonUp(int, int) override {
    if (m_view) m_view->OnRButtonUp();
  }
  void OnMouseMove(int x, int y) override {
    if (m_view) m_view->OnMouseMove(x, y);
  }
  void OnHScroll(int code) override {
    if (m_view) m_view->OnHScroll(code);
  }
  void OnVScroll(int code) override {
    if (m_view) m_view->OnVScroll(code);
  }
  void OnCancelMode() override {
    if (m_view) m_view->OnCancelMode();
  }
  void OnCaptureChanged() override {
    if (m_view) m_view->OnCaptureChanged();
  }
  void OnDestroy() override {
    if (m_view) m_view->OnDestroy();
  }
  void FreeView() { m_view.reset(); }

 private:
  ui::IUi& m_ui;
  std::unique_ptr<CRemarkView> m_view;
};

void CRemarkWnd::ActiveView::SetRemarkerFilter(int filter) {
  if (CRemarkView* v = m_wnd.view()) v->SetFilter(filter);
}
void CRemarkWnd::ActiveView::Repaint() {
  if (CRemarkView* v = m_wnd.view()) v->Repaint();
}
void CRemarkWnd::ActiveView::CancelDrag() {
  if (CRemarkView* v = m_wnd.view()) v->OnCancelMode();
}

CRemarkWnd::CRemarkWnd(ui::IUi& ui, CNotaroCtrl& ctrl)
    : m_ui(ui), m_ctrl(ctrl), m_viewHandler(std::make_unique<ViewHandler>(ui)) {}

CRemarkWnd::~CRemarkWnd() {
  // The view goes before the window it draws on.
  m_viewHandler->FreeView();
}

CRemarkView* CRemarkWnd::view() const { return m_viewHandler->view(); }

bool CRemarkWnd::Create(ui::IWindow& parent, const RectL& rect) {
  ui::ChildParams p;
  p.controlId = kRemarkWndId;
  p.style = kWsChild | kWsVisible | ui::kWsClipChildren;
  p.rect = rect;
  m_window = m_ui.CreateChild(parent, p, *this);
  return m_window != nullptr;
}

ui::WindowHandle CRemarkWnd::OwnerHandle() const { return m_self ? m_self->Handle() : 0; }

void CRemarkWnd::OnCreate(ui::IWindow& self) {
  m_self = &self;
  const RectL client = self.ClientRect();
  const int cx = client.right - client.left, cy = client.bottom - client.top;
  if (!m_wndToolBar) {
    ui::ToolBarParams tb;
    tb.controlId = ui::kAfxIdwToolBar;
    tb.style = ui::kTbStyleFlat | kWsChild | kWsVisible | ui::kCbrsAlignTop | ui::kCbrsToolTips | ui::kCbrsFlyBy;
    tb.resource = IDR_REMARK_TOOLBAR;
    tb.buttons = RemarkToolBarButtons();
    m_wndToolBar = m_ui.CreateToolBar(self, tb, *this);
  }
  const int top = m_wndToolBar ? m_wndToolBar->Height() : 0;
  if (m_wndToolBar) m_wndToolBar->MoveWindow({0, 0, cx, top});
  ui::ChildParams vp;
  vp.controlId = kViewControlId;
  vp.style = kViewStyle;
  vp.exStyle = kViewExStyle;
  vp.rect = {0, top, cx, cy > top ? cy : top};
  m_viewWindow = m_ui.CreateChild(self, vp, *m_viewHandler);
}

void CRemarkWnd::OnSize(int cx, int cy) { Layout(cx, cy); }

void CRemarkWnd::Layout(int cx, int cy) {
  const int top = m_wndToolBar ? m_wndToolBar->Height() : 0;
  if (m_wndToolBar) m_wndToolBar->MoveWindow({0, 0, cx, top});
  if (m_viewWindow) m_viewWindow->MoveWindow({0, top, cx, cy > top ? cy : top});
}

std::string CRemarkWnd::OnToolTipText(int id) { return CutToolTipText(LoadRemarkString(id)); }

void CRemarkWnd::SetToolbarState(bool readOnly) {
  if (!m_wndToolBar) return;
  const bool pages = doc().page_count() > 0;
  m_wndToolBar->EnableButton(ID_FILE_LOADSOURCE, !pages);
  for (int id : {ID_SEL_REMARKER, ID_HIDE_REMARKS, ID_ZOOM, ID_FILE_PRINT}) m_wndToolBar->EnableButton(id, pages);
  UpdatePageButtons();
  m_wndToolBar->SetCheckBoxStyle(kHideRemarksButtonIndex);
  for (int id : {ID_PEN_COLOR, ID_PEN_WIDTH, ID_DELETE_LAST_STROKE, ID_DELETE_UNCONFIRMED, ID_CONFIRM_REMARK})
    m_wndToolBar->EnableButton(id, !readOnly);
}

void CRemarkWnd::UpdatePageButtons() {
  if (!m_wndToolBar) return;
  const int current = doc().current_page(), count = doc().page_count();
  m_wndToolBar->EnableButton(ID_FIRST_PAGE, current > 0);
  m_wndToolBar->EnableButton(ID_PREV_PAGE, current > 0);
  m_wndToolBar->EnableButton(ID_NEXT_PAGE, current < count - 1);
  m_wndToolBar->EnableButton(ID_LAST_PAGE, current < count - 1);
}

void CRemarkWnd::GoToPage(int index) {
  if (CRemarkView* v = view()) v->GoToPage(index);
  UpdatePageButtons();
}

void CRemarkWnd::OnCommand(int id) {
  CRemarkDoc& d = doc();
  CRemarkView* v = view();
  switch (id) {
    case ID_FILE_LOADSOURCE:
      OnLoadSource();
      return;
    case ID_PEN_COLOR:
      OnPenColor();
      return;
    case ID_PEN_WIDTH:
      OnPenWidth();
      return;
    case ID_DELETE_LAST_STROKE:
      if (v) v->OnCancelMode();
      if (d.DeleteLastStroke() && v) v->Repaint();
      return;
    case ID_DELETE_UNCONFIRMED:
      if (v) v->OnCancelMode();
      if (d.DeleteUnconfirmedStrokes() && v) v->Repaint();
      return;
    case ID_CONFIRM_REMARK:
      if (v) v->OnCancelMode();
      d.ConfirmAll();
      return;
    case ID_SEL_REMARKER:
      OnSelRemarker();
      return;
    case ID_FIRST_PAGE:
      if (d.page_count() > 0) GoToPage(0);
      return;
    case ID_LAST_PAGE:
      if (d.page_count() > 0) GoToPage(d.page_count() - 1);
      return;
    case ID_PREV_PAGE:
      if (d.current_page() > 0) GoToPage(d.current_page() - 1);
      return;
    case ID_NEXT_PAGE:
      if (d.current_page() < d.page_count() - 1) GoToPage(d.current_page() + 1);
      return;
    case ID_HIDE_REMARKS:
      OnHideRemarks();
      return;
    case ID_ZOOM:
      OnZoom();
      return;
    case ID_FILE_PRINT:
      OnPrint();
      return;
    default:
      return;
  }
}

void CRemarkWnd::OnLoadSource() {
  FileDialogRequest req;
  req.owner = OwnerHandle();
  req.open = true;
  req.filters = {{"Microsoft Word 文档", "*.doc"}, {"WPS 文档", "*.wps"}};
  req.hide_read_only = true;
  req.overwrite_prompt = true;
  const auto chosen = m_ui.Dialogs().FileDialog(req);
  if (!chosen || chosen->empty()) return;
  CRemarkView* v = view();
  if (v) v->OnCancelMode();
  try {
    m_ctrl.LoadDocument(chosen->front());
  } catch (const std::exception& e) {
    // A failed capture leaves the document as it was; the user is told why.
    m_ui.Dialogs().MessageBox(OwnerHandle(), e.what(), LoadRemarkString(IDR_REMARK_FRAME), mb::kOk | mb::kIconError);
    return;
  }
  if (v) v->GoToPage(0);
  SetToolbarState(v ? v->read_only() : true);
  if (v) v->Repaint();
}

void CRemarkWnd::OnPenColor() {
  const auto colour = m_ui.Dialogs().ChooseColor(OwnerHandle(), doc().pen_color());
  if (colour) doc().SetPenColor(*colour);
}

void CRemarkWnd::OnPenWidth() {
  if (!m_self) return;
  const std::string format = LoadRemarkString(IDS_PEN_WIDTH_FORMAT);
  ui::Menu menu;
  for (int w = 1; w <= 6; ++w) {
    char text[64];
    std::snprintf(text, sizeof text, format.c_str(), w);
    menu.push_back(ui::MenuItem::Command(ID_PEN_WIDTH_FIRST + w - 1, text, doc().pen_width() == w));
  }
  const int choice = m_ui.TrackPopupMenu(*m_self, menu, m_ui.GetCursorPos());
  if (choice >= ID_PEN_WIDTH_FIRST && choice <= ID_PEN_WIDTH_LAST) doc().SetPenWidth(choice - 32999);
}

void CRemarkWnd::OnSelRemarker() {
  if (!m_self) return;
  ui::Menu menu;
  menu.push_back(ui::MenuItem::Command(ID_REMARKER_ALL, LoadRemarkString(IDS_EVERYONE)));
  const ICodePage* cp = m_ctrl.platform().codepage;
  int id = ID_REMARKER_ALL + 1;
  for (const std::string& name : doc().RemarkerNames()) {
    // Further names would run into the zoom commands.
    if (id > ID_REMARKER_LAST) break;
    menu.push_back(ui::MenuItem::Command(id++, cp ? cp->ToUtf8(name) : name));
  }
  const int choice = m_ui.TrackPopupMenu(*m_self, menu, m_ui.GetCursorPos());
  if (choice < ID_REMARKER_ALL || choice >= id) return;
  if (CRemarkView* v = view()) {
    v->SetFilter(choice - (ID_REMARKER_ALL + 1));
    v->Repaint();
  }
}

void CRemarkWnd::OnHideRemarks() {
  CRemarkView* v = view();
  if (!v || !m_wndToolBar) return;
  v->SetFilter(m_wndToolBar->IsButtonChecked(ID_HIDE_REMARKS) ? kNoRemarkers : kAllRemarkers);
  v->Repaint();
}

void CRemarkWnd::OnZoom() {
  CRemarkView* v = view();
  if (!m_self || !v) return;
  ui::Menu menu;
  int id = ID_ZOOM_FIRST;
  for (int level : kZoomLevels) {
    char text[32];
    std::snprintf(text, sizeof text, "%d%%", level);
    menu.push_back(ui::MenuItem::Command(id++, text, v->zoom() == level));
  }
  const int choice = m_ui.TrackPopupMenu(*m_self, menu, m_ui.GetCursorPos());
  if (choice >= ID_ZOOM_FIRST && choice <= ID_ZOOM_LAST) v->SetZoom(kZoomLevels[choice - ID_ZOOM_FIRST]);
}

void CRemarkWnd::OnPrint() {
  std::unique_ptr<ui::IPrintJob> job = m_ui.PrintDialog(OwnerHandle(), m_printFlags);
  if (!job) return;
  PrintRemarkDocument(doc(), *job, view() ? view()->filter() : kAllRemarkers);
}

bool PrintRemarkDocument(CRemarkDoc& doc, ui::IPrintJob& job, int filter) {
  if (job.StartDoc("Remark") <= 0) return false;
  IDeviceContext& dc = job.dc();
  for (int i = 0; i < doc.page_count(); ++i) {
    // A sheet that fails ends the job rather than printing half of it.
    if (job.StartPage() <= 0) {
      job.AbortDoc();
      return false;
    }
    dc.SetMapMode(kMmAnisotropic);
    dc.SetWindowOrg(0, 0);
    dc.SetViewportOrg(-job.DeviceCaps(ui::kPhysicalOffsetX), -job.DeviceCaps(ui::kPhysicalOffsetY));
    dc.SetViewportExt(job.DeviceCaps(ui::kLogPixelsX), job.DeviceCaps(ui::kLogPixelsY));
    dc.SetWindowExt(96, 96);
    doc.DrawPage(i, dc, filter);
    if (job.EndPage() <= 0) {
      job.AbortDoc();
      return false;
    }
  }
  return job.EndDoc() > 0;
}

// ---------------------------------------------------------------------------

CRemarkFrame::CRemarkFrame(ui::IUi& ui, CNotaroCtrl& ctrl) : m_ui(ui), m_ctrl(ctrl), m_wndRemark(ui, ctrl) {}

CRemarkFrame::~CRemarkFrame() = default;

bool CRemarkFrame::LoadFrame(const std::string& title, ui::WindowHandle owner) {
  ui::FrameParams p;
  p.title = title;
  // The frame's children paint all of it; no client edge of its own.
  p.style = ui::kWsOverlappedWindow | ui::kWsClipChildren;
  p.exStyle = 0;
  p.owner = owner;
  p.menu = RemarkFrameMenu();
  m_window = m_ui.CreateFrame(p, *this);
  return m_window != nullptr && m_wndRemark.window() != nullptr;
}

void CRemarkFrame::OnCreate(ui::IWindow& self) {
  m_self = &self;
  self.SetIcon(IDR_REMARK_FRAME);
  m_wndRemark.Create(self, self.ClientRect());
}

void CRemarkFrame::OnSize(int cx, int cy) {
  if (ui::IWindow* w = m_wndRemark.window()) w->MoveWindow({0, 0, cx, cy});
}

void CRemarkFrame::OnClose() {
  if (m_self) m_ui.EndModalLoop(*m_self, 0);
}

bool CRemarkFrame::IsCommandEnabled(int id) {
  const bool pages = m_ctrl.document().page_count() > 0;
  switch (id) {
    case ID_FILE_LOADSOURCE:
      return !pages;
    case ID_FILE_PRINT:
    case ID_PEN_COLOR:
    case ID_PEN_WIDTH:
    case ID_ZOOM:
      return pages;
    default:
      return true;
  }
}

void CRemarkFrame::OnCommand(int id) {
  switch (id) {
    case ID_FILE_LOADSOURCE:
    case ID_FILE_PRINT:
    case ID_PEN_COLOR:
    case ID_PEN_WIDTH:
    case ID_ZOOM:
      m_wndRemark.OnCommand(id);
      return;
    case ID_FILE_CLOSE:
      if (m_self) m_self->PostClose();
      return;
    case ID_APP_ABOUT:
      m_ui.AboutBox(m_self ? m_self->Handle() : 0, IDD_ABOUT, std::string("关于") + kProductName, AboutText());
      return;
    default:
      return;
  }
}

// ---------------------------------------------------------------------------

void OpenRemarkWindow(CNotaroCtrl& ctrl, ui::IUi& ui, ui::WindowHandle owner, bool readOnly) {
  // One window at a time: a script running in the modal loop cannot open
  // another over the same document.
  if (ctrl.active_view() != nullptr) return;
  auto frame = std::make_unique<CRemarkFrame>(ui, ctrl);
  if (!frame->LoadFrame(LoadRemarkString(IDR_REMARK_FRAME), owner)) {
    if (frame->window()) frame->window()->Destroy();
    return;
  }
  CRemarkDoc& doc = ctrl.document();
  CRemarkWnd& wnd = frame->remark_wnd();
  CRemarkView* view = wnd.view();
  const bool ro = readOnly || doc.page_count() == 0 || doc.IsReadOnly();
  if (view) {
    view->SetDocument(&doc);
    view->SetReadOnly(ro);
    if (doc.page_count() > 0) view->GoToPage(0);
  }
  ctrl.SetActiveView(&wnd.active_view());
  wnd.SetToolbarState(ro);

  // Whatever ends the loop, the owner comes back and the view is forgotten.
  struct Restore {
    CNotaroCtrl& ctrl;
    ui::IUi& ui;
    ui::WindowHandle owner;
    CRemarkFrame& frame;
    ~Restore() {
      ui.EnableWindow(owner, true);
      ui.SetActiveWindow(owner);
      if (frame.window()) frame.window()->Destroy();
      ctrl.SetActiveView(nullptr);
    }
  };
  ui.EnableWindow(owner, false);
  Restore restore{ctrl, ui, owner, *frame};
  ui.RunModalLoop(*frame->window(), ui::kMlfShowOnIdle);
}

}  // namespace kit::remark

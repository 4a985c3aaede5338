// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
#include "platform/win32/view/win32_ui.h"

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#undef MessageBox
#undef LoadCursor
#undef TrackPopupMenu
#undef GetCursorPos
#undef EnableWindow
#undef IsWindowEnabled
#undef SetActiveWindow
#undef PrintDialog
#undef StartDoc
#undef DeleteBrush
#undef DeletePen

#include <string>
#include <vector>

#include "platform/win32/win32_adapters.h"

namespace kit::win32 {
namespace {

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return std::wstring();
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring w(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &w[0], n);
  return w;
}

HWND Hwnd(ui::WindowHandle h) { return reinterpret_cast<HWND>(h); }

// ---------------------------------------------------------------------------
// GDI device context

class GdiDeviceContext : public IDeviceContext {
 public:
  GdiDeviceContext(HDC dc, HWND release) : dc_(dc), release_(release), saved_(SaveDC(dc)) {}
  ~GdiDeviceContext() override {
    // Our pens and brushes may still be selected: restore first, then free.
    if (saved_ != 0) RestoreDC(dc_, saved_);
    for (HGDIOBJ o : made_) DeleteObject(o);
    if (release_ != nullptr) ReleaseDC(release_, dc_);
  }
  GdiDeviceContext(const GdiDeviceContext&) = delete;
  GdiDeviceContext& operator=(const GdiDeviceContext&) = delete;

  PenHandle CreatePen(int style, int width, ColorRef color) override {
    HPEN pen = ::CreatePen(style, width, color);
    if (pen != nullptr) made_.push_back(pen);
    return reinterpret_cast<PenHandle>(pen);
  }
  PenHandle SelectPen(PenHandle pen) override {
    if (pen == 0) return 0;
    return reinterpret_cast<PenHandle>(SelectObject(dc_, reinterpret_cast<HGDIOBJ>(pen)));
  }
  void DeletePen(PenHandle pen) override { Free(reinterpret_cast<HGDIOBJ>(pen)); }
  void MoveTo(int x, int y) override { MoveToEx(dc_, x, y, nullptr); }
  void LineTo(int x, int y) override { ::LineTo(dc_, x, y); }
  void PlayMetafile(const IEnhMetaFile& emf, const RectL& rect) override {
    auto h = static_cast<HENHMETAFILE>(NativeHandle(emf));
    if (h == nullptr) return;
    const RECT r{rect.left, rect.top, rect.right, rect.bottom};
    PlayEnhMetaFile(dc_, h, &r);
  }

  int SetMapMode(int mode) override { return ::SetMapMode(dc_, mode); }
  void SetWindowOrg(int x, int y) override { SetWindowOrgEx(dc_, x, y, nullptr); }
  void SetWindowExt(int cx, int cy) override { SetWindowExtEx(dc_, cx, cy, nullptr); }
  void SetViewportOrg(int x, int y) override { SetViewportOrgEx(dc_, x, y, nullptr); }
  void SetViewportExt(int cx, int cy) override { SetViewportExtEx(dc_, cx, cy, nullptr); }
  DcMapping Mapping() const override {
    DcMapping m;
    m.mapMode = GetMapMode(dc_);
    POINT p{};
    SIZE s{};
    GetWindowOrgEx(dc_, &p);
    m.windowOrg = {p.x, p.y};
    GetViewportOrgEx(dc_, &p);
    m.viewportOrg = {p.x, p.y};
    GetWindowExtEx(dc_, &s);
    m.windowExt = {s.cx, s.cy};
    GetViewportExtEx(dc_, &s);
    m.viewportExt = {s.cx, s.cy};
    return m;
  }

  BrushHandle CreateSolidBrush(ColorRef color) override {
    HBRUSH b = ::CreateSolidBrush(color);
    if (b != nullptr) made_.push_back(b);
    return reinterpret_cast<BrushHandle>(b);
  }
  BrushHandle StockBrush(int which) override {
    return reinterpret_cast<BrushHandle>(GetStockObject(which == kWhiteBrush ? WHITE_BRUSH : which));
  }
  BrushHandle SelectBrush(BrushHandle brush) override {
    if (brush == 0) return 0;
    return reinterpret_cast<BrushHandle>(SelectObject(dc_, reinterpret_cast<HGDIOBJ>(brush)));
  }
  void DeleteBrush(BrushHandle brush) override { Free(reinterpret_cast<HGDIOBJ>(brush)); }
  void PatBlt(int x, int y, int width, int height, std::uint32_t rop) override {
    ::PatBlt(dc_, x, y, width, height, rop);
  }
  void Rectangle(int left, int top, int right, int bottom) override { ::Rectangle(dc_, left, top, right, bottom); }

 private:
  // Only objects this context made are freed, once; stock objects never.
  void Free(HGDIOBJ o) {
    for (auto it = made_.begin(); it != made_.end(); ++it) {
      if (*it == o) {
        made_.erase(it);
        DeleteObject(o);
        return;
      }
    }
  }

  HDC dc_;
  HWND release_;
  int saved_;
  std::vector<HGDIOBJ> made_;
};

// ---------------------------------------------------------------------------
// Windows

const wchar_t kWindowClass[] = L"KitRemarkWindow";

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

void RegisterWindowClass(HINSTANCE module) {
  WNDCLASSEXW known{};
  known.cbSize = sizeof known;
  if (GetClassInfoExW(module, kWindowClass, &known)) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = module;
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = kWindowClass;
  RegisterClassExW(&wc);
}

// What IViewWindow asks of any window, over its HWND.
template <class Interface>
class WindowBase : public Interface {
 public:
  ~WindowBase() override {
    if (hwnd_ != nullptr && IsWindow(hwnd_)) DestroyWindow(hwnd_);
  }

  HWND hwnd() const { return hwnd_; }

  ui::WindowHandle Handle() const override { return reinterpret_cast<ui::WindowHandle>(hwnd_); }
  int ControlId() const override { return hwnd_ != nullptr ? GetDlgCtrlID(hwnd_) : 0; }
  void MoveWindow(const RectL& r) override {
    if (hwnd_ != nullptr) ::MoveWindow(hwnd_, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
  }
  void Show(bool show) override {
    if (hwnd_ != nullptr) ShowWindow(hwnd_, show ? SW_SHOW : SW_HIDE);
  }
  void Destroy() override {
    if (hwnd_ != nullptr) DestroyWindow(hwnd_);
  }
  void PostClose() override {
    if (hwnd_ != nullptr) PostMessageW(hwnd_, WM_CLOSE, 0, 0);
  }
  void SetIcon(int resource) override {
    if (hwnd_ == nullptr) return;
    auto module = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(hwnd_, GWLP_HINSTANCE));
    for (int big = 0; big < 2; ++big) {
      const int size = GetSystemMetrics(big ? SM_CXICON : SM_CXSMICON);
      HANDLE icon = LoadImageW(module, MAKEINTRESOURCEW(resource), IMAGE_ICON, size, size, LR_SHARED);
      if (icon != nullptr) SendMessageW(hwnd_, WM_SETICON, big ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    }
  }

  std::uint32_t Style() const override { return static_cast<std::uint32_t>(GetWindowLongW(hwnd_, GWL_STYLE)); }
  std::uint32_t ExStyle() const override { return static_cast<std::uint32_t>(GetWindowLongW(hwnd_, GWL_EXSTYLE)); }
  RectL WindowRect() const override {
    RECT r{};
    GetWindowRect(hwnd_, &r);
    return {r.left, r.top, r.right, r.bottom};
  }
  RectL ClientRect() const override {
    RECT r{};
    GetClientRect(hwnd_, &r);
    return {r.left, r.top, r.right, r.bottom};
  }
  PointL ClientToScreen(PointL p) const override {
    POINT q{p.x, p.y};
    ::ClientToScreen(hwnd_, &q);
    return {q.x, q.y};
  }
  void ShowScrollBar(int bar, bool show) override { ::ShowScrollBar(hwnd_, bar, show); }
  ScrollInfo GetScrollInfo(int bar) const override {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    ScrollInfo out;
    if (::GetScrollInfo(hwnd_, bar, &si)) {
      out.nMin = si.nMin;
      out.nMax = si.nMax;
      out.nPage = si.nPage;
      out.nPos = si.nPos;
      out.nTrackPos = si.nTrackPos;
    }
    return out;
  }
  void SetScrollInfo(int bar, const ScrollInfo& info) override {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = info.nMin;
    si.nMax = info.nMax;
    si.nPage = info.nPage;
    si.nPos = info.nPos;
    ::SetScrollInfo(hwnd_, bar, &si, TRUE);
  }
  void SetScrollPos(int bar, int pos) override { ::SetScrollPos(hwnd_, bar, pos, TRUE); }
  void ScrollWindow(int dx, int dy) override { ::ScrollWindow(hwnd_, dx, dy, nullptr, nullptr); }
  void Invalidate(bool erase) override { InvalidateRect(hwnd_, nullptr, erase); }
  std::unique_ptr<IDeviceContext> GetClientDC() override {
    HDC dc = GetDC(hwnd_);
    if (dc == nullptr) return nullptr;
    return std::make_unique<GdiDeviceContext>(dc, hwnd_);
  }
  void SetCapture() override { ::SetCapture(hwnd_); }
  void ReleaseCapture() override {
    if (GetCapture() == hwnd_) ::ReleaseCapture();
  }
  void ClipCursor(const RectL* screen) override {
    if (screen == nullptr) {
      ::ClipCursor(nullptr);
      return;
    }
    const RECT r{screen->left, screen->top, screen->right, screen->bottom};
    ::ClipCursor(&r);
  }
  void SetCursorPos(int x, int y) override { ::SetCursorPos(x, y); }
  void SetCursor(IViewWindow::CursorHandle cursor) override {
    cursor_ = reinterpret_cast<HCURSOR>(cursor);
    ::SetCursor(cursor_ != nullptr ? cursor_ : reinterpret_cast<HCURSOR>(GetClassLongPtrW(hwnd_, GCLP_HCURSOR)));
  }

 protected:
  HWND hwnd_ = nullptr;
  HCURSOR cursor_ = nullptr;
};

class Win32ToolBar;

class Win32Window : public WindowBase<ui::IWindow> {
 public:
  explicit Win32Window(ui::IWindowHandler& handler) : handler_(handler) {}
  ~Win32Window() override {
    if (hwnd_ != nullptr) SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
  }

  bool Create(HINSTANCE module, DWORD exStyle, const std::wstring& title, DWORD style, int x, int y, int cx,
              int cy, HWND parent, HMENU menuOrId) {
    RegisterWindowClass(module);
    return CreateWindowExW(exStyle, kWindowClass, title.c_str(), style, x, y, cx, cy, parent, menuOrId, module,
                           this) != nullptr;
  }

  LRESULT Message(UINT msg, WPARAM wp, LPARAM lp);
  void Attach(HWND hwnd) { hwnd_ = hwnd; }
  void SetToolBar(Win32ToolBar* bar, ui::IWindowHandler* notify) {
    toolbar_ = bar;
    toolbarNotify_ = notify;
  }
  ui::IWindowHandler& handler() { return handler_; }

 private:
  void Command(ui::IWindowHandler& to, int id) {
    if (to.IsCommandEnabled(id)) to.OnCommand(id);
  }

  ui::IWindowHandler& handler_;
  Win32ToolBar* toolbar_ = nullptr;
  ui::IWindowHandler* toolbarNotify_ = nullptr;
};

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<Win32Window*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->Attach(hwnd);
  }
  auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(hwnd, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->Attach(nullptr);
    return DefWindowProcW(hwnd, msg, wp, lp);
  }
  return self->Message(msg, wp, lp);
}

class Win32ToolBar : public WindowBase<ui::IToolBar> {
 public:
  bool Create(HINSTANCE module, Win32Window& parent, const ui::ToolBarParams& params) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    DWORD style = WS_CHILD | CCS_TOP | CCS_NODIVIDER;
    if (params.style & kWsVisible) style |= WS_VISIBLE;
    if (params.style & ui::kTbStyleFlat) style |= TBSTYLE_FLAT;
    if (params.style & ui::kCbrsToolTips) style |= TBSTYLE_TOOLTIPS;
    hwnd_ = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr, style, 0, 0, 0, 0, parent.hwnd(),
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(params.controlId)), module, nullptr);
    if (hwnd_ == nullptr) return false;
    SendMessageW(hwnd_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(hwnd_, TB_SETBITMAPSIZE, 0, MAKELPARAM(16, 15));
    int images = 0;
    for (const ui::ToolButton& b : params.buttons) images += b.separator() ? 0 : 1;
    TBADDBITMAP bitmap{module, static_cast<UINT_PTR>(params.resource)};
    SendMessageW(hwnd_, TB_ADDBITMAP, static_cast<WPARAM>(images), reinterpret_cast<LPARAM>(&bitmap));
    std::vector<TBBUTTON> buttons;
    int image = 0;
    for (const ui::ToolButton& b : params.buttons) {
      TBBUTTON t{};
      if (b.separator()) {
        t.fsStyle = BTNS_SEP;
      } else {
        t.iBitmap = image++;
        t.idCommand = b.id;
        t.fsState = TBSTATE_ENABLED;
        t.fsStyle = BTNS_BUTTON;
      }
      buttons.push_back(t);
    }
    SendMessageW(hwnd_, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
    SendMessageW(hwnd_, TB_AUTOSIZE, 0, 0);
    return true;
  }

  int Height() const override {
    RECT r{};
    GetWindowRect(hwnd_, &r);
    return r.bottom - r.top;
  }
  void EnableButton(int id, bool enable) override { SendMessageW(hwnd_, TB_ENABLEBUTTON, id, MAKELPARAM(enable, 0)); }
  bool IsButtonEnabled(int id) const override { return SendMessageW(hwnd_, TB_ISBUTTONENABLED, id, 0) != 0; }
  void CheckButton(int id, bool check) override { SendMessageW(hwnd_, TB_CHECKBUTTON, id, MAKELPARAM(check, 0)); }
  bool IsButtonChecked(int id) const override { return SendMessageW(hwnd_, TB_ISBUTTONCHECKED, id, 0) != 0; }
  void SetCheckBoxStyle(int index) override {
    TBBUTTONINFOW info{};
    info.cbSize = sizeof info;
    info.dwMask = TBIF_BYINDEX | TBIF_STYLE;
    if (SendMessageW(hwnd_, TB_GETBUTTONINFOW, index, reinterpret_cast<LPARAM>(&info)) < 0) return;
    info.fsStyle = static_cast<BYTE>(info.fsStyle | BTNS_CHECK);
    SendMessageW(hwnd_, TB_SETBUTTONINFOW, index, reinterpret_cast<LPARAM>(&info));
  }
  bool IsCheckBox(int id) const override {
    TBBUTTONINFOW info{};
    info.cbSize = sizeof info;
    info.dwMask = TBIF_STYLE;
    if (SendMessageW(hwnd_, TB_GETBUTTONINFOW, id, reinterpret_cast<LPARAM>(&info)) < 0) return false;
    return (info.fsStyle & BTNS_CHECK) != 0;
  }
};

LRESULT Win32Window::Message(UINT msg, WPARAM wp, LPARAM lp) {
  // Signed: points left of or above the window while the mouse is captured.
  const int x = static_cast<short>(LOWORD(lp)), y = static_cast<short>(HIWORD(lp));
  switch (msg) {
    case WM_CREATE:
      handler_.OnCreate(*this);
      return 0;
    case WM_SIZE:
      handler_.OnSize(LOWORD(lp), HIWORD(lp));
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      if (dc != nullptr) {
        GdiDeviceContext gdi(dc, nullptr);
        handler_.OnPaint(gdi);
      }
      EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wp);
      // A toolbar's buttons speak to whoever the toolbar was made for.
      if (toolbar_ != nullptr && reinterpret_cast<HWND>(lp) == toolbar_->hwnd() && toolbarNotify_ != nullptr) {
        Command(*toolbarNotify_, id);
      } else {
        Command(handler_, id);
      }
      return 0;
    }
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lp);
      if (hdr->code == TTN_NEEDTEXTW && toolbarNotify_ != nullptr) {
        auto* tt = reinterpret_cast<NMTTDISPINFOW*>(lp);
        // Kept until the next request, as the tooltip reads it later.
        static std::wstring text;
        text = Wide(toolbarNotify_->OnToolTipText(static_cast<int>(hdr->idFrom)));
        tt->lpszText = const_cast<wchar_t*>(text.c_str());
        return 0;
      }
      break;
    }
    case WM_INITMENUPOPUP: {
      auto menu = reinterpret_cast<HMENU>(wp);
      const int n = GetMenuItemCount(menu);
      for (int i = 0; i < n; ++i) {
        const UINT id = GetMenuItemID(menu, i);
        if (id == 0 || id == static_cast<UINT>(-1)) continue;
        EnableMenuItem(menu, id, MF_BYCOMMAND | (handler_.IsCommandEnabled(static_cast<int>(id)) ? MF_ENABLED : MF_GRAYED));
      }
      return 0;
    }
    case WM_SETCURSOR:
      if (cursor_ != nullptr && LOWORD(lp) == HTCLIENT) {
        ::SetCursor(cursor_);
        return TRUE;
      }
      break;
    case WM_CLOSE:
      handler_.OnClose();
      return 0;
    case WM_DESTROY:
      handler_.OnDestroy();
      return 0;
    case WM_LBUTTONDOWN:
      handler_.OnLButtonDown(x, y);
      return 0;
    case WM_LBUTTONUP:
      handler_.OnLButtonUp(x, y);
      return 0;
    case WM_RBUTTONDOWN:
      handler_.OnRButtonDown(x, y);
      return 0;
    case WM_RBUTTONUP:
      handler_.OnRButtonUp(x, y);
      return 0;
    case WM_MOUSEMOVE:
      handler_.OnMouseMove(x, y);
      return 0;
    case WM_HSCROLL:
      handler_.OnHScroll(LOWORD(wp));
      return 0;
    case WM_VSCROLL:
      handler_.OnVScroll(LOWORD(wp));
      return 0;
    case WM_CANCELMODE:
      handler_.OnCancelMode();
      break;
    case WM_CAPTURECHANGED:
      handler_.OnCaptureChanged();
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

HMENU BuildMenu(const ui::Menu& items, bool popup) {
  HMENU menu = popup ? CreatePopupMenu() : CreateMenu();
  for (const ui::MenuItem& item : items) {
    if (item.separator) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    } else if (!item.items.empty()) {
      AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(BuildMenu(item.items, true)), Wide(item.text).c_str());
    } else {
      UINT flags = MF_STRING;
      if (!item.enabled) flags |= MF_GRAYED;
      if (item.checked) flags |= MF_CHECKED;
      AppendMenuW(menu, flags, static_cast<UINT_PTR>(item.id), Wide(item.text).c_str());
    }
  }
  return menu;
}

class Win32Metrics : public IWindowMetrics {
 public:
  int SystemMetric(int index) const override { return GetSystemMetrics(index); }
  RectL AdjustWindowRectEx(const RectL& client, std::uint32_t style, std::uint32_t exStyle) const override {
    RECT r{client.left, client.top, client.right, client.bottom};
    ::AdjustWindowRectEx(&r, style, FALSE, exStyle);
    return {r.left, r.top, r.right, r.bottom};
  }
};

class Win32PrintJob : public ui::IPrintJob {
 public:
  explicit Win32PrintJob(HDC dc) : dc_(dc), gdi_(dc, nullptr) {}
  ~Win32PrintJob() override { DeleteDC(dc_); }
  IDeviceContext& dc() override { return gdi_; }
  int DeviceCaps(int index) const override { return GetDeviceCaps(dc_, index); }
  int StartDoc(const std::string& name) override {
    const std::wstring w = Wide(name);
    DOCINFOW info{};
    info.cbSize = sizeof info;
    info.lpszDocName = w.c_str();
    return ::StartDocW(dc_, &info);
  }
  int StartPage() override { return ::StartPage(dc_); }
  int EndPage() override { return ::EndPage(dc_); }
  int EndDoc() override { return ::EndDoc(dc_); }
  int AbortDoc() override { return ::AbortDoc(dc_); }

 private:
  HDC dc_;
  GdiDeviceContext gdi_;
};

}  // namespace

std::unique_ptr<IDeviceContext> WrapDeviceContext(void* hdc, void* release_window) {
  if (hdc == nullptr) return nullptr;
  return std::make_unique<GdiDeviceContext>(static_cast<HDC>(hdc), static_cast<HWND>(release_window));
}

Win32Ui::Win32Ui(void* module, IDialogs& dialogs) : m_module(module), m_dialogs(dialogs) {}

Win32Ui::~Win32Ui() = default;

std::unique_ptr<ui::IWindow> Win32Ui::CreateFrame(const ui::FrameParams& params, ui::IWindowHandler& handler) {
  auto w = std::make_unique<Win32Window>(handler);
  const bool fixed = params.rect.left != ui::kCwUseDefault;
  const int x = fixed ? params.rect.left : CW_USEDEFAULT, y = fixed ? params.rect.top : CW_USEDEFAULT;
  const int cx = fixed ? params.rect.right - params.rect.left : CW_USEDEFAULT;
  const int cy = fixed ? params.rect.bottom - params.rect.top : CW_USEDEFAULT;
  HMENU menu = params.menu.empty() ? nullptr : BuildMenu(params.menu, false);
  if (!w->Create(static_cast<HINSTANCE>(m_module), params.exStyle, Wide(params.title), params.style, x, y, cx, cy,
                 Hwnd(params.owner), menu)) {
    if (menu != nullptr) DestroyMenu(menu);
    return nullptr;
  }
  return w;
}

std::unique_ptr<ui::IWindow> Win32Ui::CreateChild(ui::IWindow& parent, const ui::ChildParams& params,
                                                  ui::IWindowHandler& handler) {
  auto w = std::make_unique<Win32Window>(handler);
  const RectL& r = params.rect;
  if (!w->Create(static_cast<HINSTANCE>(m_module), params.exStyle, std::wstring(), params.style | WS_CHILD, r.left,
                 r.top, r.right - r.left, r.bottom - r.top, Hwnd(parent.Handle()),
                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(params.controlId)))) {
    return nullptr;
  }
  return w;
}

std::unique_ptr<ui::IToolBar> Win32Ui::CreateToolBar(ui::IWindow& parent, const ui::ToolBarParams& params,
                                                     ui::IWindowHandler& notify) {
  // Our own windows are all Win32Window; the parent's messages carry the
  // toolbar's commands and tooltip requests.
  auto* owner = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(Hwnd(parent.Handle()), GWLP_USERDATA));
  if (owner == nullptr) return nullptr;
  auto bar = std::make_unique<Win32ToolBar>();
  if (!bar->Create(static_cast<HINSTANCE>(m_module), *owner, params)) return nullptr;
  owner->SetToolBar(bar.get(), &notify);
  return bar;
}

const IWindowMetrics& Win32Ui::Metrics() const {
  static const Win32Metrics metrics;
  return metrics;
}

IViewWindow::CursorHandle Win32Ui::LoadCursor(int resource) {
  // Shared by the system; never destroyed. Without the module's own cursor,
  // the system's four-way arrow.
  HCURSOR c = LoadCursorW(static_cast<HINSTANCE>(m_module), MAKEINTRESOURCEW(resource));
  if (c == nullptr) c = LoadCursorW(nullptr, MAKEINTRESOURCEW(32646));
  return reinterpret_cast<IViewWindow::CursorHandle>(c);
}

int Win32Ui::TrackPopupMenu(ui::IWindow& owner, const ui::Menu& items, PointL screen) {
  HMENU menu = BuildMenu(items, true);
  const BOOL chosen = ::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_RIGHTBUTTON, screen.x, screen.y, 0,
                                       Hwnd(owner.Handle()), nullptr);
  DestroyMenu(menu);
  return static_cast<int>(chosen);
}

PointL Win32Ui::GetCursorPos() const {
  POINT p{};
  ::GetCursorPos(&p);
  return {p.x, p.y};
}

int Win32Ui::RunModalLoop(ui::IWindow& window, std::uint32_t flags) {
  const ui::WindowHandle h = window.Handle();
  m_modal.push_back({h, false, 0});
  const std::size_t mine = m_modal.size() - 1;
  bool shown = (flags & ui::kMlfShowOnIdle) == 0;
  int code = -1;
  for (;;) {
    if (m_modal[mine].ended) {
      code = m_modal[mine].code;
      break;
    }
    // The window goes away with its loop: nothing could end it any more.
    if (!IsWindow(Hwnd(h))) break;
    MSG msg;
    if (!shown && !PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      ShowWindow(Hwnd(h), SW_SHOWNORMAL);
      UpdateWindow(Hwnd(h));
      shown = true;
      continue;
    }
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      // WM_QUIT belongs to the loop outside ours.
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (got < 0) break;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  m_modal.erase(m_modal.begin() + static_cast<std::ptrdiff_t>(mine), m_modal.end());
  return code;
}

void Win32Ui::EndModalLoop(ui::IWindow& window, int code) {
  for (Modal& m : m_modal) {
    if (m.window == window.Handle() && !m.ended) {
      m.ended = true;
      m.code = code;
    }
  }
  // Wakes GetMessage so the loop sees its end.
  PostMessageW(Hwnd(window.Handle()), WM_NULL, 0, 0);
}

void Win32Ui::EnableWindow(ui::WindowHandle window, bool enable) {
  if (window != 0) ::EnableWindow(Hwnd(window), enable);
}

bool Win32Ui::IsWindowEnabled(ui::WindowHandle window) const {
  return window != 0 && ::IsWindowEnabled(Hwnd(window));
}

void Win32Ui::SetActiveWindow(ui::WindowHandle window) {
  if (window != 0) ::SetActiveWindow(Hwnd(window));
}

std::unique_ptr<ui::IPrintJob> Win32Ui::PrintDialog(ui::WindowHandle owner, std::uint32_t flags) {
  PRINTDLGW pd{};
  pd.lStructSize = sizeof pd;
  pd.hwndOwner = Hwnd(owner);
  pd.Flags = flags | PD_RETURNDC;
  pd.nCopies = 1;
  const BOOL ok = PrintDlgW(&pd);
  if (pd.hDevMode != nullptr) GlobalFree(pd.hDevMode);
  if (pd.hDevNames != nullptr) GlobalFree(pd.hDevNames);
  if (!ok || pd.hDC == nullptr) return nullptr;
  return std::make_unique<Win32PrintJob>(pd.hDC);
}

namespace {

struct AboutTexts {
  std::wstring title, text;
};

constexpr int kAboutText = 1000;

INT_PTR CALLBACK AboutProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG: {
      const auto* texts = reinterpret_cast<const AboutTexts*>(lp);
      SetWindowTextW(dialog, texts->title.c_str());
      SetDlgItemTextW(dialog, kAboutText, texts->text.c_str());
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
        EndDialog(dialog, LOWORD(wp));
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

// The module's dialog with the texts put in; a message box when the module
// has no such dialog.
void Win32Ui::AboutBox(ui::WindowHandle owner, int dialog, const std::string& title, const std::string& text) {
  auto module = static_cast<HINSTANCE>(m_module);
  if (FindResourceW(module, MAKEINTRESOURCEW(dialog), MAKEINTRESOURCEW(5)) != nullptr) {  // RT_DIALOG
    const AboutTexts texts{Wide(title), Wide(text)};
    if (DialogBoxParamW(module, MAKEINTRESOURCEW(dialog), Hwnd(owner), AboutProc,
                        reinterpret_cast<LPARAM>(&texts)) != -1) {
      return;
    }
  }
  m_dialogs.MessageBox(owner, text, title, 0);
}

}  // namespace kit::win32

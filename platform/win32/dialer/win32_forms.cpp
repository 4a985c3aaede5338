// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
#include "platform/win32/dialer/win32_forms.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstring>
#include <map>
#include <vector>

#include "platform/win32/win32_adapters.h"

namespace kit::win32 {
namespace {

constexpr char kFormClass[] = "KitDialerForm";
constexpr UINT kFirstControlId = 1000;
constexpr UINT kFirstMenuId = 3000;
constexpr UINT_PTR kFirstTimerId = 1;

int TwipsToPixels(int twips, int dpi) { return MulDiv(twips, dpi, 1440); }

class Win32Form : public forms::IForm {
 public:
  Win32Form(const ICodePage& cp, HINSTANCE instance, const forms::FormLayout& layout, forms::IFormEvents* events)
      : cp_(cp), layout_(layout), model_(layout), events_(events) {
    HDC screen = GetDC(nullptr);
    dpi_ = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    BuildMenus();
    // Not WS_CLIPCHILDREN: the frames are group boxes, which draw only their
    // border and caption, so the window's own background must show inside.
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT r{0, 0, TwipsToPixels(layout.client_width, dpi_), TwipsToPixels(layout.client_height, dpi_)};
    AdjustWindowRectEx(&r, style, menu_bar_ != nullptr, 0);
    hwnd_ = CreateWindowExA(0, kFormClass, Ansi(layout.caption).c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                            r.right - r.left, r.bottom - r.top, nullptr, menu_bar_, instance, this);
    if (hwnd_ == nullptr) return;
    CreateControls(instance);
    if (!layout.panels.empty()) CreateStatusBar(instance);
    for (const auto& t : layout.timers) {
      if (t.enabled) SetTimer(t.name, true, t.interval_ms);
    }
    // Shown by Show(), after the load handler, as forms are.
  }

  ~Win32Form() override {
    Unload();
    for (HFONT f : fonts_) DeleteObject(f);
    for (auto& b : brushes_) DeleteObject(b.second);
    if (tray_popup_root_) DestroyMenu(tray_popup_root_);
  }

  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
      auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<Win32Form*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self != nullptr && self->hwnd_ == hwnd) {
      LRESULT result = 0;
      if (self->Handle(msg, wp, lp, &result)) return result;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
  }

  std::uintptr_t Handle() override { return reinterpret_cast<std::uintptr_t>(hwnd_); }

  void SetCaption(const std::string& name, const std::string& text) override {
    if (name.empty()) {
      model_.caption = text;
      if (hwnd_) SetWindowTextA(hwnd_, Ansi(text).c_str());
      return;
    }
    if (!model_.Has(name)) return;
    model_.at(name).caption = text;
    if (HWND h = Child(name)) {
      SetWindowTextA(h, Ansi(text).c_str());
    } else if (auto m = menu_ids_.find(name); m != menu_ids_.end()) {
      ModifyMenuA(MenuOf(name), m->second, MF_BYCOMMAND | MF_STRING, m->second, Ansi(text).c_str());
    }
  }

  std::string Caption(const std::string& name) override {
    if (name.empty()) return model_.caption;
    if (!model_.Has(name)) return std::string();
    if (HWND h = Child(name); h != nullptr && model_.at(name).kind == forms::Kind::kText) {
      int n = GetWindowTextLengthA(h);
      std::string s(static_cast<std::size_t>(n) + 1, '\0');
      GetWindowTextA(h, &s[0], n + 1);
      s.resize(static_cast<std::size_t>(n));
      return cp_.ToUtf8(s);
    }
    return model_.at(name).caption;
  }

  void SetVisible(const std::string& name, bool visible) override {
    if (!model_.Has(name)) return;
    model_.at(name).visible = visible;
    ApplyVisibility();
  }
  bool Visible(const std::string& name) override { return model_.Has(name) && model_.at(name).visible; }

  void SetEnabled(const std::string& name, bool enabled) override {
    if (!model_.Has(name)) return;
    model_.at(name).enabled = enabled;
    if (HWND h = Child(name)) {
      EnableWindow(h, enabled);
    } else if (auto m = menu_ids_.find(name); m != menu_ids_.end()) {
      EnableMenuItem(MenuOf(name), m->second, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    }
  }
  bool Enabled(const std::string& name) override { return model_.Has(name) && model_.at(name).enabled; }

  void SetValue(const std::string& name, int value) override {
    if (!model_.Has(name)) return;
    if (model_.at(name).kind == forms::Kind::kOption && value == 1) {
      model_.Select(layout_, name);
    } else {
      model_.at(name).value = value;
    }
    for (const auto& c : layout_.controls) {
      if (c.kind == forms::Kind::kOption || c.kind == forms::Kind::kCheck) {
        if (HWND h = Child(c.name)) SendMessageA(h, BM_SETCHECK, model_.at(c.name).value ? BST_CHECKED : BST_UNCHECKED, 0);
      }
    }
  }
  int Value(const std::string& name) override { return model_.Has(name) ? model_.at(name).value : 0; }

  void SetFocus(const std::string& name) override {
    if (HWND h = Child(name)) ::SetFocus(h);
  }

  void SetPanelText(int panel, const std::string& text) override {
    if (panel < 1 || static_cast<std::size_t>(panel) > model_.panels.size()) return;
    model_.panels[static_cast<std::size_t>(panel - 1)] = text;
    if (status_) SendMessageA(status_, SB_SETTEXTA, static_cast<WPARAM>(panel - 1), reinterpret_cast<LPARAM>(Ansi(text).c_str()));
  }
  std::string PanelText(int panel) override {
    if (panel < 1 || static_cast<std::size_t>(panel) > model_.panels.size()) return std::string();
    return model_.panels[static_cast<std::size_t>(panel - 1)];
  }

  void SetTimer(const std::string& name, bool enabled, unsigned interval_ms) override {
    model_.timers[name] = forms::Timer{name, interval_ms, enabled};
    UINT_PTR id = TimerId(name);
    if (!hwnd_) return;
    KillTimer(hwnd_, id);
    if (enabled && interval_ms > 0) ::SetTimer(hwnd_, id, interval_ms, nullptr);
  }

  forms::WindowState State() override {
    if (hwnd_ && IsIconic(hwnd_)) return forms::WindowState::kMinimized;
    if (hwnd_ && IsZoomed(hwnd_)) return forms::WindowState::kMaximized;
    return forms::WindowState::kNormal;
  }
  void SetState(forms::WindowState state) override {
    if (!hwnd_) return;
    ShowWindow(hwnd_, state == forms::WindowState::kMinimized   ? SW_MINIMIZE
                      : state == forms::WindowState::kMaximized ? SW_MAXIMIZE
                                                                : SW_RESTORE);
  }
  void Show() override {
    if (!hwnd_) return;
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
  }
  void Hide() override {
    if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
  }
  bool Shown() override { return hwnd_ && IsWindowVisible(hwnd_); }
  void SendSysCommand(unsigned code) override {
    if (hwnd_) SendMessageA(hwnd_, WM_SYSCOMMAND, code, 0);
  }
  void MakeTopmost() override {
    if (hwnd_) SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  }
  void PopupMenu(const std::string& name) override {
    auto it = popups_.find(name);
    if (it == popups_.end() || !hwnd_) return;
    POINT p{};
    GetCursorPos(&p);
    // The menu closes when the user clicks elsewhere only if this window is
    // in the foreground; the null message makes the switch take.
    SetForegroundWindow(hwnd_);
    TrackPopupMenu(it->second, TPM_RIGHTBUTTON, p.x, p.y, 0, hwnd_, nullptr);
    PostMessageA(hwnd_, WM_NULL, 0, 0);
  }

  bool AddTrayIcon(unsigned callback_message) override {
    if (!hwnd_) return false;
    tray_message_ = callback_message;
    NOTIFYICONDATAA d = TrayRecord();
    d.uFlags = NIF_MESSAGE | NIF_ICON;
    d.uCallbackMessage = callback_message;
    d.hIcon = reinterpret_cast<HICON>(GetClassLongPtrA(hwnd_, GCLP_HICON));
    tray_ = Shell_NotifyIconA(NIM_ADD, &d) != FALSE;
    return tray_;
  }
  void SetTrayTip(const std::string& tip_field) override {
    if (!tray_) return;
    NOTIFYICONDATAA d = TrayRecord();
    d.uFlags = NIF_TIP;
    // The 88-byte record has a 64-byte tip; the field arrives terminated.
    std::memcpy(d.szTip, tip_field.data(), tip_field.size() < forms::kTrayTipBytes ? tip_field.size() : forms::kTrayTipBytes);
    d.szTip[forms::kTrayTipBytes - 1] = '\0';
    Shell_NotifyIconA(NIM_MODIFY, &d);
  }
  void RemoveTrayIcon() override {
    if (!tray_) return;
    NOTIFYICONDATAA d = TrayRecord();
    d.uFlags = 0;
    Shell_NotifyIconA(NIM_DELETE, &d);
    tray_ = false;
  }

  void Unload() override {
    if (!hwnd_) return;
    RemoveTrayIcon();
    HWND h = hwnd_;
    hwnd_ = nullptr;
    SetWindowLongPtrA(h, GWLP_USERDATA, 0);
    DestroyWindow(h);
  }

 private:
  std::string Ansi(const std::string& utf8) const { return cp_.FromUtf8(utf8); }

  NOTIFYICONDATAA TrayRecord() const {
    NOTIFYICONDATAA d;
    std::memset(&d, 0, sizeof d);
    d.cbSize = NOTIFYICONDATAA_V1_SIZE;  // 88 bytes on 32-bit desktops
    d.hWnd = hwnd_;
    d.uID = 0;
    return d;
  }

  HWND Child(const std::string& name) const {
    auto it = children_.find(name);
    return it == children_.end() ? nullptr : it->second;
  }
  HMENU MenuOf(const std::string& name) const {
    auto it = menu_owner_.find(name);
    return it == menu_owner_.end() ? nullptr : it->second;
  }
  UINT_PTR TimerId(const std::string& name) {
    auto it = timer_ids_.find(name);
    if (it != timer_ids_.end()) return it->second;
    UINT_PTR id = kFirstTimerId + timer_ids_.size();
    timer_ids_[name] = id;
    timer_names_[id] = name;
    return id;
  }

  void BuildMenus() {
    std::map<std::string, HMENU> submenus;
    // Items with children become popups; a hidden top-level item is the
    // root of a popup of its own (the tray menu).
    std::map<std::string, bool> has_children;
    for (const auto& m : layout_.menus) {
      if (!m.parent.empty()) has_children[m.parent] = true;
    }
    for (const auto& m : layout_.menus) {
      if (has_children[m.name]) submenus[m.name] = CreatePopupMenu();
    }
    for (const auto& m : layout_.menus) {
      HMENU parent = nullptr;
      if (m.parent.empty()) {
        if (!m.visible) {
          popups_[m.name] = submenus[m.name];
          if (!tray_popup_root_) tray_popup_root_ = submenus[m.name];
          continue;
        }
        if (!menu_bar_) menu_bar_ = CreateMenu();
        parent = menu_bar_;
      } else {
        parent = submenus[m.parent];
      }
      if (m.caption == "-") {
        AppendMenuA(parent, MF_SEPARATOR, 0, nullptr);
      } else if (submenus.count(m.name)) {
        AppendMenuA(parent, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(submenus[m.name]), Ansi(m.caption).c_str());
      } else {
        UINT id = kFirstMenuId + static_cast<UINT>(menu_names_.size());
        menu_names_[id] = m.name;
        menu_ids_[m.name] = id;
        menu_owner_[m.name] = parent;
        AppendMenuA(parent, MF_STRING | (m.enabled ? MF_ENABLED : MF_GRAYED), id, Ansi(m.caption).c_str());
      }
    }
  }

  HFONT FontFor(const forms::Font& f) {
    auto key = f.face + "|" + std::to_string(f.tenth_points) + (f.bold ? "b" : "");
    auto it = font_cache_.find(key);
    if (it != font_cache_.end()) return it->second;
    HFONT font = CreateFontA(-MulDiv(f.tenth_points, dpi_, 720), 0, 0, 0, f.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE,
                             FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH, Ansi(f.face).c_str());
    fonts_.push_back(font);
    font_cache_[key] = font;
    return font;
  }

  void CreateControls(HINSTANCE instance) {
    std::map<std::string, forms::Twips> origin;
    UINT id = kFirstControlId;
    for (const auto& c : layout_.controls) {
      forms::Twips at = c.place;
      if (!c.container.empty()) {
        const forms::Twips& o = origin[c.container];
        at.left += o.left;
        at.top += o.top;
      }
      origin[c.name] = at;
      const char* cls = "STATIC";
      DWORD style = WS_CHILD;
      DWORD ex = 0;
      switch (c.kind) {
        case forms::Kind::kFrame: cls = "BUTTON"; style |= BS_GROUPBOX; break;
        case forms::Kind::kButton: cls = "BUTTON"; style |= BS_PUSHBUTTON | WS_TABSTOP; break;
        // Long captions wrap inside the control rather than being cut off.
        case forms::Kind::kOption: cls = "BUTTON"; style |= BS_RADIOBUTTON | BS_MULTILINE | WS_TABSTOP; break;
        case forms::Kind::kCheck: cls = "BUTTON"; style |= BS_CHECKBOX | BS_MULTILINE | WS_TABSTOP; break;
        case forms::Kind::kText:
          cls = "EDIT";
          style |= WS_TABSTOP | ES_AUTOHSCROLL | (c.password ? ES_PASSWORD : 0);
          ex = WS_EX_CLIENTEDGE;
          break;
        case forms::Kind::kLabel: style |= SS_NOTIFY; break;
        case forms::Kind::kImage: style |= SS_NOTIFY; break;
        case forms::Kind::kLine: style |= SS_ETCHEDHORZ; break;
      }
      const std::string text = c.kind == forms::Kind::kImage || c.kind == forms::Kind::kLine ? "" : Ansi(c.caption);
      int w = TwipsToPixels(at.width, dpi_), h = TwipsToPixels(at.height, dpi_);
      if (c.kind == forms::Kind::kImage) w = h = 20;  // the status icons are 20 x 20
      HWND child = CreateWindowExA(ex, cls, text.c_str(), style, TwipsToPixels(at.left, dpi_),
                                   TwipsToPixels(at.top, dpi_), w, h, hwnd_,
                                   reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), instance, nullptr);
      if (child == nullptr) continue;
      if (c.kind == forms::Kind::kText && c.password) SendMessageA(child, EM_SETPASSWORDCHAR, '*', 0);
      SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(c.font)), FALSE);
      if (c.kind == forms::Kind::kOption || c.kind == forms::Kind::kCheck) {
        SendMessageA(child, BM_SETCHECK, c.value ? BST_CHECKED : BST_UNCHECKED, 0);
      }
      EnableWindow(child, c.enabled);
      children_[c.name] = child;
      names_[id] = c.name;
      if (c.kind == forms::Kind::kImage) {
        brushes_[child] = CreateSolidBrush(c.caption == "green" ? RGB(0, 160, 0) : RGB(220, 0, 0));
      }
      if (c.fore_color != forms::kDefaultColor) fore_[child] = c.fore_color;
      ++id;
    }
    ApplyVisibility();
  }

  void CreateStatusBar(HINSTANCE instance) {
    status_ = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_TOOLTIPS, 0, 0, 0, 0, hwnd_,
                              nullptr, instance, nullptr);
    if (!status_) return;
    RECT r{};
    GetClientRect(hwnd_, &r);
    std::vector<int> edges;
    const int n = static_cast<int>(layout_.panels.size());
    for (int i = 1; i <= n; ++i) edges.push_back(i == n ? -1 : r.right * i / n);
    SendMessageA(status_, SB_SETPARTS, static_cast<WPARAM>(n), reinterpret_cast<LPARAM>(edges.data()));
    for (int i = 0; i < n; ++i) {
      const auto& p = layout_.panels[static_cast<std::size_t>(i)];
      SendMessageA(status_, SB_SETTEXTA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(Ansi(p.text).c_str()));
      SendMessageA(status_, SB_SETTIPTEXTA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(Ansi(p.tooltip).c_str()));
    }
  }

  // A control shows when it and every frame around it are visible.
  void ApplyVisibility() {
    std::map<std::string, std::string> container;
    for (const auto& c : layout_.controls) container[c.name] = c.container;
    for (const auto& [name, h] : children_) {
      bool shown = model_.at(name).visible;
      for (std::string p = container[name]; shown && !p.empty(); p = container[p]) shown = model_.at(p).visible;
      ShowWindow(h, shown ? SW_SHOWNA : SW_HIDE);
    }
  }

  bool Handle(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
    if (tray_message_ != 0 && msg == tray_message_) {
      if (events_->OnTrayMessage(msg, static_cast<long>(lp))) {
        *result = 0;
        return true;
      }
      return false;
    }
    switch (msg) {
      case WM_COMMAND: {
        const UINT id = LOWORD(wp);
        const UINT code = HIWORD(wp);
        if (lp == 0) {
          auto m = menu_names_.find(id);
          if (m != menu_names_.end()) events_->OnClick(m->second);
          return true;
        }
        auto c = names_.find(id);
        if (c != names_.end() && (code == BN_CLICKED || code == STN_CLICKED)) {
          const std::string name = c->second;
          events_->OnClick(name);
        }
        return true;
      }
      case WM_TIMER: {
        auto t = timer_names_.find(static_cast<UINT_PTR>(wp));
        if (t != timer_names_.end()) {
          const std::string name = t->second;
          events_->OnTimer(name);
        }
        return true;
      }
      case WM_SIZE:
        if (status_) SendMessageA(status_, WM_SIZE, 0, 0);
        events_->OnResize();
        return false;
      case WM_CLOSE:
        events_->OnClose();
        *result = 0;
        return true;
      case WM_CTLCOLORSTATIC:
      case WM_CTLCOLORBTN: {
        HWND child = reinterpret_cast<HWND>(lp);
        auto b = brushes_.find(child);
        if (b != brushes_.end()) {
          *result = reinterpret_cast<LRESULT>(b->second);
          return true;
        }
        auto f = fore_.find(child);
        if (f != fore_.end()) {
          HDC dc = reinterpret_cast<HDC>(wp);
          SetTextColor(dc, f->second);
          SetBkMode(dc, TRANSPARENT);
          *result = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
          return true;
        }
        return false;
      }
      default:
        return false;
    }
  }

  const ICodePage& cp_;
  forms::FormLayout layout_;
  forms::FormModel model_;
  forms::IFormEvents* events_;
  HWND hwnd_ = nullptr;
  HWND status_ = nullptr;
  HMENU menu_bar_ = nullptr;
  HMENU tray_popup_root_ = nullptr;
  int dpi_ = 96;
  unsigned tray_message_ = 0;
  bool tray_ = false;
  std::map<std::string, HWND> children_;
  std::map<UINT, std::string> names_;
  std::map<UINT, std::string> menu_names_;
  std::map<std::string, UINT> menu_ids_;
  std::map<std::string, HMENU> menu_owner_;
  std::map<std::string, HMENU> popups_;
  std::map<std::string, UINT_PTR> timer_ids_;
  std::map<UINT_PTR, std::string> timer_names_;
  std::map<std::string, HFONT> font_cache_;
  std::vector<HFONT> fonts_;
  std::map<HWND, HBRUSH> brushes_;
  std::map<HWND, COLORREF> fore_;
};

}  // namespace

Win32FormHost::Win32FormHost(const ICodePage& cp, void* instance)
    : cp_(cp), instance_(instance ? instance : GetModuleHandleA(nullptr)) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES};
  InitCommonControlsEx(&icc);
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &Win32Form::Proc;
  wc.hInstance = static_cast<HINSTANCE>(instance_);
  wc.hIcon = LoadIconA(static_cast<HINSTANCE>(instance_), MAKEINTRESOURCEA(1));
  if (wc.hIcon == nullptr) wc.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kFormClass;
  RegisterClassExA(&wc);
}

std::unique_ptr<forms::IForm> Win32FormHost::Create(const forms::FormLayout& layout, forms::IFormEvents* events) {
  return std::make_unique<Win32Form>(cp_, static_cast<HINSTANCE>(instance_), layout, events);
}

std::uintptr_t Win32Mutexes::Create(const std::string& name, bool initially_owned, std::uint32_t* last_error) {
  SetLastError(0);
  HANDLE h = CreateMutexA(nullptr, initially_owned, cp_.FromUtf8(name).c_str());
  *last_error = GetLastError();
  return reinterpret_cast<std::uintptr_t>(h);
}

void Win32Mutexes::Close(std::uintptr_t handle) {
  if (handle != 0) CloseHandle(reinterpret_cast<HANDLE>(handle));
}

std::uintptr_t Win32HelpViewer::Display(std::uintptr_t owner, const std::string& path) {
  using HtmlHelpFn = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);
  if (html_help_ == nullptr) {
    if (module_ == nullptr) module_ = LoadLibraryA("hhctrl.ocx");
    if (module_ == nullptr) return 0;
    html_help_ = reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module_), "HtmlHelpA"));
    if (html_help_ == nullptr) return 0;
  }
  auto fn = reinterpret_cast<HtmlHelpFn>(html_help_);
  return reinterpret_cast<std::uintptr_t>(fn(reinterpret_cast<HWND>(owner), cp_.FromUtf8(path).c_str(), 0, 0));
}

std::string ProgramFolder(const ICodePage& cp) {
  char buf[MAX_PATH + 1] = {};
  DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return ".";
  std::string p(buf, n);
  std::size_t slash = p.rfind('\\');
  return cp.ToUtf8(slash == std::string::npos ? std::string(".") : p.substr(0, slash));
}

std::string LocalTimeText() {
  char buf[64] = {};
  if (GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, buf, sizeof buf) == 0) return std::string();
  return Win32CodePage().ToUtf8(buf);
}

}  // namespace kit::win32

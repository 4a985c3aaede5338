// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
#include "platform/win32/com/property_page.h"

#include <new>

namespace kit::win32::com {

namespace {

INT_PTR CALLBACK PageProc(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG ? TRUE : FALSE; }

// The dialog's size in pixels, from its template in dialog units and the
// base units of the template's font, as the dialog manager converts them.
SIZE TemplateSize(int dialog_id) {
  SIZE size{0, 0};
  HRSRC res = FindResourceW(g_module, MAKEINTRESOURCEW(dialog_id), MAKEINTRESOURCEW(5));  // RT_DIALOG
  HGLOBAL data = res != nullptr ? LoadResource(g_module, res) : nullptr;
  const auto* tmpl = data != nullptr ? static_cast<const DLGTEMPLATE*>(LockResource(data)) : nullptr;
  if (tmpl == nullptr || SizeofResource(g_module, res) < sizeof(DLGTEMPLATE)) return size;
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT font = CreateFontW(-MulDiv(8, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                           DEFAULT_CHARSET, 0, 0, 0, 0, L"MS Sans Serif");
  HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  SIZE ext{};
  GetTextExtentPoint32W(dc, L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &ext);
  SelectObject(dc, old);
  DeleteObject(font);
  DeleteDC(dc);
  int base_x = (ext.cx / 26 + 1) / 2, base_y = tm.tmHeight;
  size.cx = MulDiv(tmpl->cx, base_x, 4);
  size.cy = MulDiv(tmpl->cy, base_y, 8);
  return size;
}

}  // namespace

PropertyPage::~PropertyPage() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
  if (site_ != nullptr) site_->Release();
}

HRESULT PropertyPage::Make(int dialog_id, int caption_string_id, REFIID iid, void** out) {
  auto* page = new PropertyPage(dialog_id, caption_string_id);
  HRESULT h = page->QueryInterface(iid, out);
  page->Release();
  return h;
}

HRESULT PropertyPage::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPropertyPage)) {
    *out = static_cast<IPropertyPage*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG PropertyPage::Release() {
  long n = --refs_;
  if (n == 0) delete this;
  return static_cast<ULONG>(n);
}

HRESULT PropertyPage::SetPageSite(IPropertyPageSite* site) {
  if (site != nullptr) site->AddRef();
  if (site_ != nullptr) site_->Release();
  site_ = site;
  return S_OK;
}

HRESULT PropertyPage::Activate(HWND parent, LPCRECT rect, BOOL) {
  if (hwnd_ != nullptr) return E_UNEXPECTED;
  hwnd_ = CreateDialogParamW(g_module, MAKEINTRESOURCEW(dialog_), parent, &PageProc, 0);
  if (hwnd_ == nullptr) return E_OUTOFMEMORY;
  if (rect != nullptr) Move(rect);
  return S_OK;
}

HRESULT PropertyPage::Deactivate() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
  hwnd_ = nullptr;
  return S_OK;
}

HRESULT PropertyPage::GetPageInfo(PROPPAGEINFO* info) {
  if (info == nullptr) return E_POINTER;
  wchar_t caption[256];
  int n = LoadStringW(g_module, static_cast<UINT>(caption_), caption, 256);
  info->cb = sizeof *info;
  info->pszTitle = static_cast<LPOLESTR>(CoTaskMemAlloc((static_cast<std::size_t>(n) + 1) * sizeof(wchar_t)));
  if (info->pszTitle == nullptr) return E_OUTOFMEMORY;
  lstrcpynW(info->pszTitle, n > 0 ? caption : L"", n + 1);
  info->size = TemplateSize(dialog_);
  info->pszDocString = nullptr;
  info->pszHelpFile = nullptr;
  info->dwHelpContext = 0;
  return S_OK;
}

HRESULT PropertyPage::SetObjects(ULONG, IUnknown**) { return S_OK; }

HRESULT PropertyPage::Show(UINT cmd) {
  if (hwnd_ == nullptr) return E_UNEXPECTED;
  ShowWindow(hwnd_, static_cast<int>(cmd));
  return S_OK;
}

HRESULT PropertyPage::Move(LPCRECT rect) {
  if (rect == nullptr) return E_POINTER;
  if (hwnd_ == nullptr) return E_UNEXPECTED;
  MoveWindow(hwnd_, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, TRUE);
  return S_OK;
}

}  // namespace kit::win32::com

// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
#include "platform/win32/exchange/win32_http.h"

#include <windows.h>
#include <wininet.h>
#include <urlmon.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <string>

#include "platform/common/curl_download.h"
#include "platform/win32/win32_adapters.h"

namespace kit::win32 {
namespace {

struct InternetHandle {
  HINTERNET h = nullptr;
  explicit InternetHandle(HINTERNET handle) : h(handle) {}
  ~InternetHandle() {
    if (h != nullptr) InternetCloseHandle(h);
  }
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;
};

std::string ErrorText(const char* what) { return std::string(what) + " failed (error " + std::to_string(GetLastError()) + ")"; }

bool IsSuccess(long status) { return status >= 200 && status <= 299; }

// What the URL moniker reports of its download: the status of the answer,
// through the HTTP negotiation it asks its caller for, and the bytes so far,
// so that a redirection or a body past the limit can be broken off.
class DownloadWatch : public IBindStatusCallback, public IHttpNegotiate {
 public:
  explicit DownloadWatch(std::uint64_t limit) : limit_(limit) {}
  long status() const { return status_; }
  bool refused() const { return refused_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IBindStatusCallback)) {
      *out = static_cast<IBindStatusCallback*>(this);
    } else if (IsEqualIID(riid, IID_IHttpNegotiate)) {
      *out = static_cast<IHttpNegotiate*>(this);
    } else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  // Lives on the caller's stack for the whole (synchronous) download.
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetPriority(LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG, ULONG code, LPCWSTR) override {
    // A lapsed session is sent on to the login page; that page is no document.
    if (code == BINDSTATUS_REDIRECTING || progress > limit_) {
      refused_ = true;
      return E_ABORT;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT, LPCWSTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD*, BINDINFO*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) override { return S_OK; }

  HRESULT STDMETHODCALLTYPE BeginningTransaction(LPCWSTR, LPCWSTR, DWORD, LPWSTR* additional) override {
    if (additional != nullptr) *additional = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnResponse(DWORD code, LPCWSTR headers, LPCWSTR, LPWSTR* additional) override {
    if (additional != nullptr) *additional = nullptr;
    status_ = static_cast<long>(code);
    // The body as stored is the body as sent unless it was encoded on the way.
    const std::wstring text = headers != nullptr ? headers : L"";
    if (HeaderValue(text, L"content-encoding").empty()) {
      const std::wstring length = HeaderValue(text, L"content-length");
      if (!length.empty() && length.find_first_not_of(L"0123456789") == std::wstring::npos)
        announced_ = std::wcstoull(length.c_str(), nullptr, 10);
    }
    return S_OK;
  }

  // A body shorter or longer than its announced length was cut off or is not
  // the one announced.
  bool Whole(std::uint64_t stored) const { return announced_ < 0 || static_cast<std::uint64_t>(announced_) == stored; }

 private:
  // The value of the first header line of that name (in lower case), trimmed.
  static std::wstring HeaderValue(const std::wstring& headers, const std::wstring& name) {
    std::size_t at = 0;
    while (at < headers.size()) {
      std::size_t end = headers.find(L"\r\n", at);
      if (end == std::wstring::npos) end = headers.size();
      const std::size_t colon = headers.find(L':', at);
      if (colon < end && colon - at == name.size()) {
        bool same = true;
        for (std::size_t i = 0; i < name.size() && same; ++i) same = std::towlower(headers[at + i]) == name[i];
        if (same) {
          std::size_t from = colon + 1, to = end;
          while (from < to && (headers[from] == L' ' || headers[from] == L'\t')) ++from;
          while (to > from && (headers[to - 1] == L' ' || headers[to - 1] == L'\t')) --to;
          return headers.substr(from, to - from);
        }
      }
      at = end + 2;
    }
    return std::wstring();
  }

  std::uint64_t limit_;
  long status_ = 0;
  long long announced_ = -1;
  bool refused_ = false;
};

// Downloads go beside the target and are moved over it only after a whole
// successful answer.
bool Replace(const std::string& part, const std::string& path, bool ok) {
  if (ok && MoveFileExA(part.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != 0) return true;
  DeleteFileA(part.c_str());
  return false;
}

class WinInetRawPost : public IHttpRawPost {
 public:
  WinInetRawPost(HINTERNET session, HINTERNET connection, HINTERNET request, std::uint64_t length)
      : session_(session), connection_(connection), request_(request), remaining_(length) {}

  bool Write(const void* data, std::size_t n) override {
    if (n > remaining_) return false;
    const char* p = static_cast<const char*>(data);
    while (n > 0) {
      const DWORD chunk = n > 0x10000 ? 0x10000 : static_cast<DWORD>(n);
      DWORD written = 0;
      if (!InternetWriteFile(request_.h, p, chunk, &written) || written == 0) return false;
      p += written;
      n -= written;
      remaining_ -= written;
    }
    return true;
  }

  long End() override {
    if (remaining_ != 0) return 0;
    if (!HttpEndRequestA(request_.h, nullptr, 0, 0)) return 0;
    DWORD status = 0, size = sizeof status;
    if (!HttpQueryInfoA(request_.h, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr)) {
      return 0;
    }
    return static_cast<long>(status);
  }

 private:
  // Closed in reverse order of opening.
  InternetHandle session_;
  InternetHandle connection_;
  InternetHandle request_;
  std::uint64_t remaining_;
};

INT_PTR CALLBACK StatusProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG ? TRUE : FALSE; }

// DLGTEMPLATE with one static control, laid out as the resource would be.
std::vector<WORD> StatusTemplate() {
  std::vector<WORD> t;
  auto dword = [&t](DWORD v) {
    t.push_back(LOWORD(v));
    t.push_back(HIWORD(v));
  };
  auto text = [&t](const wchar_t* s) {
    for (; *s != 0; ++s) t.push_back(static_cast<WORD>(*s));
    t.push_back(0);
  };
  dword(DS_MODALFRAME | DS_CENTER | DS_SETFONT | WS_POPUP);
  dword(0);
  t.push_back(1);  // controls
  t.push_back(0);
  t.push_back(0);
  t.push_back(187);
  t.push_back(21);
  t.push_back(0);  // no menu
  t.push_back(0);  // default class
  t.push_back(0);  // no caption
  t.push_back(9);
  text(L"\u5B8B\u4F53");
  if (t.size() % 2 != 0) t.push_back(0);  // DLGITEMTEMPLATE on a DWORD boundary
  dword(SS_CENTER | WS_CHILD | WS_VISIBLE);
  dword(0);
  t.push_back(1);
  t.push_back(5);
  t.push_back(186);
  t.push_back(14);
  t.push_back(210);
  t.push_back(0xFFFF);
  t.push_back(0x0082);  // static
  text(L"TISHIXINXI");
  t.push_back(0);  // no creation data
  return t;
}

class Win32StatusWindow : public IStatusWindow {
 public:
  Win32StatusWindow() {
    const std::vector<WORD> t = StatusTemplate();
    hwnd_ = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(t.data()),
                                       nullptr, StatusProc, 0);
    if (hwnd_ != nullptr) ShowWindow(hwnd_, SW_SHOWNORMAL);
  }
  ~Win32StatusWindow() override {
    if (hwnd_ != nullptr) DestroyWindow(hwnd_);
  }
  void SetText(const std::string& text) override {
    if (hwnd_ == nullptr) return;
    SetDlgItemTextA(hwnd_, 210, Win32CodePage().FromUtf8(text).c_str());
    UpdateWindow(hwnd_);
  }

 private:
  HWND hwnd_ = nullptr;
};

}  // namespace

HttpResponse Win32HttpClient::Get(const HttpGetRequest& request) {
  InternetHandle session(InternetOpenA(nullptr, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (session.h == nullptr) throw HttpError(ErrorText("InternetOpen"));
  // Redirections come back as they are, as libcurl gives them.
  InternetHandle file(InternetOpenUrlA(session.h, request.url.c_str(),
                                       request.headers.empty() ? nullptr : request.headers.c_str(),
                                       static_cast<DWORD>(request.headers.size()),
                                       request.flags | INTERNET_FLAG_NO_AUTO_REDIRECT, 1));
  if (file.h == nullptr) throw HttpError(ErrorText("InternetOpenUrl"));
  HttpResponse response;
  DWORD status = 0, size = sizeof status;
  if (HttpQueryInfoA(file.h, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr)) {
    response.status = static_cast<long>(status);
  }
  char buf[4096];
  for (;;) {
    DWORD got = 0;
    if (!InternetReadFile(file.h, buf, sizeof buf, &got)) throw HttpError(ErrorText("InternetReadFile"));
    if (got == 0) break;
    if (request.max_body != 0 && response.body.size() + got > request.max_body) {
      throw HttpError("the response is longer than " + std::to_string(request.max_body) + " bytes");
    }
    response.body.insert(response.body.end(), buf, buf + got);
  }
  // A body shorter than announced was cut off.
  char length[32] = {};
  DWORD lengthSize = sizeof length;
  if (HttpQueryInfoA(file.h, HTTP_QUERY_CONTENT_LENGTH, length, &lengthSize, nullptr) &&
      std::strtoull(length, nullptr, 10) != response.body.size()) {
    throw HttpError("the response was cut off");
  }
  return response;
}

bool Win32HttpClient::DownloadToFile(const std::string& url, const std::string& cookie, const std::string& path,
                                     std::uint64_t max_bytes) {
  return CurlDownloadToFile(url, cookie, path, max_bytes, CurlLimits{}, Replace);
}

bool Win32HttpClient::UrlDownloadToFile(const std::string& url, const std::string& path, std::uint64_t max_bytes) {
  const std::string part = PartFileName(path);
  DownloadWatch watch(max_bytes);
  const HRESULT hr = URLDownloadToFileA(nullptr, url.c_str(), part.c_str(), 0, &watch);
  bool ok = hr == S_OK && !watch.refused() && IsSuccess(watch.status());
  // The moniker reports its progress by the chunk; the file tells the rest.
  if (ok) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ok = GetFileAttributesExA(part.c_str(), GetFileExInfoStandard, &data) != 0;
    const std::uint64_t stored = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    ok = ok && stored <= max_bytes && watch.Whole(stored);
  }
  return Replace(part, path, ok);
}

std::unique_ptr<IHttpRawPost> Win32HttpClient::OpenRawPost(const HttpRawPostRequest& request) {
  if (request.host.empty() || request.port <= 0 || request.port > 65535 || request.content_length > 0xFFFFFFFFu) {
    return nullptr;
  }
  HINTERNET session = InternetOpenA(request.agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (session == nullptr) return nullptr;
  HINTERNET connection = InternetConnectA(session, request.host.c_str(), static_cast<INTERNET_PORT>(request.port),
                                          nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
  HINTERNET req = connection == nullptr
                      ? nullptr
                      : HttpOpenRequestA(connection, "POST", request.object.empty() ? "/" : request.object.c_str(),
                                         nullptr, nullptr, nullptr, request.flags, 0);
  auto post = std::make_unique<WinInetRawPost>(session, connection, req, request.content_length);
  if (req == nullptr) return nullptr;
  if (!request.cookie.empty()) {
    const std::string header = "Cookie: " + request.cookie + "\r\n";
    HttpAddRequestHeadersA(req, header.c_str(), static_cast<DWORD>(header.size()), HTTP_ADDREQ_FLAG_ADD);
  }
  INTERNET_BUFFERSA buffers{};
  buffers.dwStructSize = sizeof buffers;
  buffers.dwBufferTotal = static_cast<DWORD>(request.content_length);
  if (!HttpSendRequestExA(req, &buffers, nullptr, HSR_INITIATE, 0)) return nullptr;
  return post;
}

std::unique_ptr<IStatusWindow> Win32StatusWindows::Create() { return std::make_unique<Win32StatusWindow>(); }

}  // namespace kit::win32

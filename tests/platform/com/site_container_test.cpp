// A container of the kit's own for the controls behind the site lock (both
// take it from the control base they share), loaded straight from the
// module. The control is hosted as a page's <object>
// tag hosts it (a client site whose moniker names the document) and as a
// control created by script is (IObjectWithSite, the document behind the
// site's services), on pages of every kind: an internet page, or one that
// tells no address, gets "access denied" and nothing is written; intranet,
// trusted and listed pages work, and so do containers with no page behind
// them (no site at all, or a program's own client site).
#include <windows.h>
#include <ole2.h>
#include <objsafe.h>
#include <ocidl.h>
#include <docobj.h>
#include <servprov.h>
#include <urlmon.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/com/com_support.h"
#include "remark/notaro_module.h"
#include "sitelock/site_lock.h"

namespace {

using kit::win32::com::ParseGuid;
using kit::win32::com::Widen;
using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

constexpr wchar_t kZoneMap[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ZoneMap\\Domains\\";

// The hosting document: its URL property is what a browser's document shows.
class Document : public IDispatch {
 public:
  std::wstring url;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    *out = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ? this : nullptr;
    return *out != nullptr ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    *n = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* ids) override {
    *ids = lstrcmpiW(names[0], L"URL") == 0 ? 1 : DISPID_UNKNOWN;
    return *ids == 1 ? S_OK : DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* r, EXCEPINFO*,
                                   UINT*) override {
    if (id != 1 || !(flags & DISPATCH_PROPERTYGET) || r == nullptr) return DISP_E_MEMBERNOTFOUND;
    V_VT(r) = VT_BSTR;
    V_BSTR(r) = SysAllocString(url.c_str());
    return S_OK;
  }
};

// What a browser's <object> tag gives: a client site whose container
// moniker is the document's address.
class ClientSite : public IOleClientSite {
 public:
  std::wstring url;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    *out = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleClientSite) ? this : nullptr;
    return *out != nullptr ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD which, IMoniker** mk) override {
    *mk = nullptr;
    if (which != OLEWHICHMK_CONTAINER || url.empty()) return E_NOTIMPL;
    return CreateURLMoniker(nullptr, url.c_str(), mk);
  }
  HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** c) override {
    *c = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }
};

// What a script engine gives a control it creates: a site with the page's
// services behind it, the document among them.
class ScriptSite : public IServiceProvider {
 public:
  Document document;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    *out = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IServiceProvider) ? this : nullptr;
    return *out != nullptr ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID iid, void** out) override {
    *out = nullptr;
    if (!IsEqualGUID(service, SID_SContainerDispatch)) return E_NOINTERFACE;
    return document.QueryInterface(iid, out);
  }
};

enum class Way { NoSite, ClientSite, ObjectWithSite };

DISPID IdOf(IDispatch* d, const wchar_t* name) {
  LPOLESTR n = const_cast<LPOLESTR>(name);
  DISPID id = DISPID_UNKNOWN;
  EXPECT_EQ(d->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id), S_OK);
  return id;
}

struct CallResult {
  HRESULT hr;
  HRESULT scode;
  std::wstring description;
};

// A method with one string argument.
CallResult Call(IDispatch* d, const wchar_t* name, const wchar_t* arg) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = SysAllocString(arg);
  DISPPARAMS params{&v, nullptr, 1, 0};
  VARIANT result;
  VariantInit(&result);
  EXCEPINFO e{};
  CallResult r{d->Invoke(IdOf(d, name), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, &e, nullptr), S_OK,
               L""};
  r.scode = e.scode;
  if (e.bstrDescription != nullptr) r.description = e.bstrDescription;
  SysFreeString(e.bstrDescription);
  SysFreeString(e.bstrSource);
  SysFreeString(e.bstrHelpFile);
  VariantClear(&v);
  VariantClear(&result);
  return r;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void SetDword(HKEY root, const std::wstring& key, const wchar_t* name, DWORD value) {
  HKEY k = nullptr;
  ASSERT_EQ(RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr), ERROR_SUCCESS);
  RegSetValueExW(k, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  RegCloseKey(k);
}

class SiteContainer : public ::testing::Test {
 protected:
  // The desk as IT sets it up: the office's domains zoned, and the site list.
  static void SetUpTestSuite() {
    SetDword(HKEY_CURRENT_USER, std::wstring(kZoneMap) + L"chenglan.test\\oa", L"http", 1);
    SetDword(HKEY_CURRENT_USER, std::wstring(kZoneMap) + L"partner.test", L"https", 2);
    HKEY k = nullptr;
    const std::wstring key = Widen(kit::sitelock::kSiteListKey, CP_UTF8);
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr),
              ERROR_SUCCESS);
    const std::wstring list = L"http://oa.chenglan.gov.cn; http://203.0.113.9:8080/";
    RegSetValueExW(k, L"SiteList", 0, REG_SZ, reinterpret_cast<const BYTE*>(list.c_str()),
                   static_cast<DWORD>((list.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(k);
  }
  static void TearDownTestSuite() {
    RegDeleteKeyW(HKEY_CURRENT_USER, (std::wstring(kZoneMap) + L"chenglan.test\\oa").c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, (std::wstring(kZoneMap) + L"chenglan.test").c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, (std::wstring(kZoneMap) + L"partner.test").c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, Widen(kit::sitelock::kSiteListKey, CP_UTF8).c_str());
  }
  void SetUp() override {
    OleInitialize(nullptr);
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    folder_ = std::wstring(temp) + L"kit_site_container";
    CreateDirectoryW(folder_.c_str(), nullptr);
  }
  void TearDown() override { OleUninitialize(); }

  // The control, hosted the given way on a page at `url`.
  IDispatch* Host(Way way, const std::wstring& url) {
    HMODULE module = LoadLibraryW(L"" KIT_NOTARO_OCX);
    if (module == nullptr) return nullptr;
    auto get = reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
    IClassFactory* f = nullptr;
    if (get == nullptr || FAILED(get(ParseGuid(kit::remark::kNotaroClsid), IID_IClassFactory, reinterpret_cast<void**>(&f)))) {
      return nullptr;
    }
    IDispatch* d = nullptr;
    f->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&d));
    f->Release();
    if (d == nullptr) return nullptr;
    client_.url = url;
    script_.document.url = url;
    if (way == Way::ClientSite) {
      IOleObject* ole = nullptr;
      d->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&ole));
      EXPECT_EQ(ole->SetClientSite(&client_), S_OK);
      ole->Release();
    } else if (way == Way::ObjectWithSite) {
      IObjectWithSite* with = nullptr;
      EXPECT_EQ(d->QueryInterface(IID_IObjectWithSite, reinterpret_cast<void**>(&with)), S_OK);
      if (with != nullptr) {
        EXPECT_EQ(with->SetSite(&script_), S_OK);
        with->Release();
      }
    }
    return d;
  }

  std::wstring folder_;
  ClientSite client_;
  ScriptSite script_;
};

TEST_F(SiteContainer, OnlyPagesTheLockAnswersGetTheControls) {
  const struct {
    const char* name;
    Way way;
    const wchar_t* url;
    bool answered;
  } pages[] = {
      {"none", Way::NoSite, L"", true},
      {"internet", Way::ClientSite, L"http://203.0.113.7/oa/desk.jsp", false},
      {"internet", Way::ObjectWithSite, L"http://203.0.113.7/oa/desk.jsp", false},
      {"intranet", Way::ClientSite, L"http://oa.chenglan.test/oa/desk.jsp", true},
      {"intranet", Way::ObjectWithSite, L"http://oa.chenglan.test/oa/desk.jsp", true},
      {"trusted", Way::ObjectWithSite, L"https://partner.test/desk", true},
      {"listed", Way::ClientSite, L"http://203.0.113.9:8080/oa/desk.jsp", true},
      {"listed", Way::ObjectWithSite, L"http://203.0.113.9:8080/oa/desk.jsp", true},
      {"unlisted-port", Way::ClientSite, L"http://203.0.113.9/oa/desk.jsp", false},
      {"program", Way::ClientSite, L"", true},           // a client site with no document
      {"addressless", Way::ObjectWithSite, L"", false},  // a document with no address
  };
  int n = 0;
  for (const auto& p : pages) {
    SCOPED_TRACE(std::string(p.name) + " way " + std::to_string(static_cast<int>(p.way)));
    IDispatch* d = Host(p.way, p.url);
    ASSERT_NE(d, nullptr);
    // A member that writes: the remark data.
    const std::wstring written = folder_ + L"\\" + Widen(std::string(p.name) + std::to_string(++n), CP_ACP) + L".dat";
    DeleteFileW(written.c_str());
    const CallResult saved = Call(d, L"SaveToFile", written.c_str());
    IObjectSafety* safety = nullptr;
    ASSERT_EQ(d->QueryInterface(IID_IObjectSafety, reinterpret_cast<void**>(&safety)), S_OK);
    DWORD supported = 0, enabled = 0;
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled), S_OK);
    const DWORD both = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;
    if (p.answered) {
      EXPECT_EQ(saved.hr, S_OK);
      EXPECT_TRUE(Exists(written));
      EXPECT_EQ(supported, both);
      EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, both, both), S_OK);
    } else {
      EXPECT_EQ(saved.hr, DISP_E_EXCEPTION);
      EXPECT_EQ(saved.scode, E_ACCESSDENIED);
      EXPECT_EQ(saved.description, L"access denied");
      EXPECT_FALSE(Exists(written));
      EXPECT_EQ(supported, 0u);
      EXPECT_EQ(enabled, 0u);
      EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, both, both), E_FAIL);
      IPersistStreamInit* persist = nullptr;
      ASSERT_EQ(d->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&persist)), S_OK);
      IStream* empty = nullptr;
      CreateStreamOnHGlobal(nullptr, TRUE, &empty);
      EXPECT_EQ(persist->Load(empty), E_ACCESSDENIED);
      empty->Release();
      persist->Release();
      IOleObject* ole = nullptr;
      ASSERT_EQ(d->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&ole)), S_OK);
      RECT pos{0, 0, 100, 100};
      EXPECT_EQ(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &client_, 0, nullptr, &pos), E_ACCESSDENIED);
      ole->Release();
    }
    safety->Release();
    d->Release();
  }
}

}  // namespace

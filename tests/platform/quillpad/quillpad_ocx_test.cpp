// Quillpad.ocx as an early-bound caller and a container see it, loaded
// straight from the module: the dual interface's vtable, its errors, the
// type information behind its IDispatch, and the extent it reports.
#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "Quillpad_h.h"
#include "platform/win32/com/com_support.h"
#include "sigpad/quillpad_module.h"

namespace {

using kit::win32::com::ParseGuid;
using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

// The least of a container: a site that lets the pad activate in place in a
// window of the test's own.
class Site : public IOleClientSite, public IOleInPlaceSite {
 public:
  explicit Site(HWND parent) : parent_(parent) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleClientSite)) {
      *out = static_cast<IOleClientSite*>(this);
    } else if (IsEqualIID(iid, IID_IOleInPlaceSite) || IsEqualIID(iid, IID_IOleWindow)) {
      *out = static_cast<IOleInPlaceSite*>(this);
    } else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer**) override { return E_NOINTERFACE; }
  HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* w) override {
    *w = parent_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame**, IOleInPlaceUIWindow**, LPRECT, LPRECT,
                                             LPOLEINPLACEFRAMEINFO) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override { return S_OK; }

 private:
  HWND parent_;
};

// The colour (0xRRGGBB) of a pixel of a saved 24-bit bottom-up bitmap file.
inline unsigned long BmpPixel(const wchar_t* path, int x, int y) {
  FILE* f = _wfopen(path, L"rb");
  if (f == nullptr) return 0xFFFFFFFFul;
  unsigned char head[54] = {};
  unsigned long color = 0xFFFFFFFFul;
  if (fread(head, 1, sizeof head, f) == sizeof head) {
    const int width = head[18] | head[19] << 8, height = head[22] | head[23] << 8;
    const long stride = (width * 3L + 3) & ~3L;
    unsigned char bgr[3] = {};
    if (fseek(f, 54 + (height - 1 - y) * stride + x * 3L, SEEK_SET) == 0 && fread(bgr, 1, 3, f) == 3)
      color = static_cast<unsigned long>(bgr[2]) << 16 | bgr[1] << 8 | bgr[0];
  }
  fclose(f);
  return color;
}


class QuillpadOcx : public ::testing::Test {
 protected:
  void SetUp() override {
    OleInitialize(nullptr);
    module_ = LoadLibraryW(L"" KIT_QUILLPAD_OCX);
    ASSERT_NE(module_, nullptr);
    auto get = reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(module_, "DllGetClassObject")));
    ASSERT_NE(get, nullptr);
    IClassFactory* f = nullptr;
    ASSERT_EQ(get(ParseGuid(kit::sigpad::kQuillpadClsid), IID_IClassFactory, reinterpret_cast<void**>(&f)), S_OK);
    ASSERT_EQ(f->CreateInstance(nullptr, ParseGuid(kit::sigpad::kQuillpadDispIid), reinterpret_cast<void**>(&pad_)),
              S_OK);
    f->Release();
  }
  void TearDown() override {
    if (pad_ != nullptr) pad_->Release();
    OleUninitialize();
  }
  static std::wstring LastErrorDescription() {
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) != S_OK || info == nullptr) return L"";
    BSTR d = nullptr;
    info->GetDescription(&d);
    std::wstring text = d != nullptr ? d : L"";
    SysFreeString(d);
    info->Release();
    return text;
  }

  HMODULE module_ = nullptr;
  _UCQuillpad* pad_ = nullptr;
};

TEST_F(QuillpadOcx, TheVtableReadsAndWritesTheMembers) {
  short h = 0, w = 0;
  ASSERT_EQ(pad_->get_Height(&h), S_OK);
  ASSERT_EQ(pad_->get_Width(&w), S_OK);
  EXPECT_EQ(h, 235);
  EXPECT_EQ(w, 396);
  ASSERT_EQ(pad_->put_Width(200), S_OK);
  ASSERT_EQ(pad_->get_Width(&w), S_OK);
  EXPECT_EQ(w, 200);

  BSTR folder = SysAllocString(L"C:\\kit_quillpad_vtable");
  ASSERT_EQ(pad_->put_SavePath(folder), S_OK);
  SysFreeString(folder);
  BSTR back = nullptr;
  ASSERT_EQ(pad_->get_strSavePath(&back), S_OK);
  EXPECT_STREQ(back, L"C:\\kit_quillpad_vtable");
  SysFreeString(back);

  ASSERT_EQ(pad_->Save(), S_OK);
  // A real bitmap file of picMain's 353 x 201 pixels.
  FILE* f = _wfopen(L"C:\\kit_quillpad_vtable\\Quillpad.BMP", L"rb");
  ASSERT_NE(f, nullptr);
  unsigned char head[26] = {};
  ASSERT_EQ(fread(head, 1, sizeof head, f), sizeof head);
  fclose(f);
  EXPECT_EQ(head[0], 'B');
  EXPECT_EQ(head[1], 'M');
  EXPECT_EQ(head[18] | head[19] << 8, 353);
  EXPECT_EQ(head[22] | head[23] << 8, 201);
  ASSERT_EQ(pad_->Clear(), S_OK);
}

TEST_F(QuillpadOcx, ErrorsReachTheCallerWithNumberAndDescription) {
  ISupportErrorInfo* support = nullptr;
  ASSERT_EQ(pad_->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support)), S_OK);
  EXPECT_EQ(support->InterfaceSupportsErrorInfo(ParseGuid(kit::sigpad::kQuillpadDispIid)), S_OK);
  EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IOleObject), S_FALSE);
  support->Release();
  const struct {
    const wchar_t* path;
    HRESULT code;
  } cases[] = {
      {L"relative\\folder", static_cast<HRESULT>(0x800A017C)},  // 380, invalid property value
      {L"C:\\Temp\\*", static_cast<HRESULT>(0x800A017C)},
  };
  for (const auto& c : cases) {
    BSTR v = SysAllocString(c.path);
    EXPECT_EQ(pad_->put_SavePath(v), c.code);
    SysFreeString(v);
    EXPECT_NE(LastErrorDescription().find(L"SavePath"), std::wstring::npos);
  }
  EXPECT_EQ(pad_->put_Height(0), static_cast<HRESULT>(0x800A017C));
  BSTR missing = SysAllocString(L"C:\\kit_no_such_parent\\pad");
  ASSERT_EQ(pad_->put_SavePath(missing), S_OK);
  SysFreeString(missing);
  EXPECT_EQ(pad_->Save(), static_cast<HRESULT>(0x800A004C));  // 76, path not found
  EXPECT_EQ(LastErrorDescription(), L"Path not found");
}

TEST_F(QuillpadOcx, ScriptsFindTheMembersByName) {
  IDispatch* d = nullptr;
  ASSERT_EQ(pad_->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&d)), S_OK);
  const struct {
    const wchar_t* name;
    DISPID id;
  } members[] = {{L"strSavePath", 1}, {L"HEIGHT", 2}, {L"width", 3}, {L"SavePath", 4}, {L"Save", 5}, {L"Clear", 6}};
  for (const auto& m : members) {
    DISPID id = 0;
    LPOLESTR name = const_cast<LPOLESTR>(m.name);
    EXPECT_EQ(d->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK) << m.name;
    EXPECT_EQ(id, m.id) << m.name;
  }
  ITypeInfo* info = nullptr;
  ASSERT_EQ(d->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info), S_OK);
  BSTR name = nullptr;
  ASSERT_EQ(info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr), S_OK);
  EXPECT_STREQ(name, L"_UCQuillpad");
  SysFreeString(name);
  info->Release();
  d->Release();
}

TEST_F(QuillpadOcx, TheContainerMaySizeThePad) {
  IOleObject* ole = nullptr;
  ASSERT_EQ(pad_->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&ole)), S_OK);
  SIZEL natural{};
  ASSERT_EQ(ole->GetExtent(DVASPECT_CONTENT, &natural), S_OK);
  EXPECT_GT(natural.cx, natural.cy);
  SIZEL bigger{natural.cx * 2, natural.cy * 2};
  EXPECT_EQ(ole->SetExtent(DVASPECT_CONTENT, &bigger), S_OK);
  short h = 0;
  ASSERT_EQ(pad_->get_Height(&h), S_OK);
  EXPECT_NEAR(h, 470, 2);  // the pixel scale follows the size
  DWORD misc = 0;
  ASSERT_EQ(ole->GetMiscStatus(DVASPECT_CONTENT, &misc), S_OK);
  EXPECT_EQ(misc, kit::sigpad::kQuillpadMiscStatus);
  ole->Release();
}

TEST_F(QuillpadOcx, TheMouseDrawsInTheActivatedWindowAndTheToolbarUndoes) {
  HWND parent = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 500, 400, nullptr, nullptr,
                                nullptr, nullptr);
  // The test runner's wine has no display; quillpad_ocx_xvfb_test gives it one.
  if (parent == nullptr) GTEST_SKIP() << "no desktop to create windows on";
  Site site(parent);
  IOleObject* ole = nullptr;
  ASSERT_EQ(pad_->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&ole)), S_OK);
  RECT pos{0, 0, 396, 235};
  ASSERT_EQ(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, parent, &pos), S_OK);
  IOleWindow* ow = nullptr;
  ASSERT_EQ(pad_->QueryInterface(IID_IOleWindow, reinterpret_cast<void**>(&ow)), S_OK);
  HWND hwnd = nullptr;
  ASSERT_EQ(ow->GetWindow(&hwnd), S_OK);
  ow->Release();
  ASSERT_NE(hwnd, nullptr);

  const wchar_t* folder = L"C:\\kit_quillpad_inplace";
  CreateDirectoryW(folder, nullptr);
  BSTR path = SysAllocString(folder);
  ASSERT_EQ(pad_->put_SavePath(path), S_OK);
  SysFreeString(path);
  const wchar_t* saved = L"C:\\kit_quillpad_inplace\\Quillpad.BMP";
  auto mouse = [hwnd](UINT msg, int x, int y) {
    SendMessageW(hwnd, msg, msg == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(x, y));
  };
  auto click = [&](int button) {  // toolbar buttons are 52 pixels wide
    mouse(WM_LBUTTONDOWN, (button - 1) * 52 + 10, 10);
    mouse(WM_LBUTTONUP, (button - 1) * 52 + 10, 10);
  };
  // Client points; picMain starts 24 pixels down.
  mouse(WM_LBUTTONDOWN, 40, 80);
  mouse(WM_MOUSEMOVE, 120, 80);
  mouse(WM_LBUTTONUP, 120, 80);
  ASSERT_EQ(pad_->Save(), S_OK);
  EXPECT_EQ(BmpPixel(saved, 80, 56), 0x000000ul) << "the pen stroke";
  EXPECT_EQ(BmpPixel(saved, 80, 80), 0xFFFFFFul) << "beside it";

  click(6);  // eraser
  mouse(WM_LBUTTONDOWN, 78, 80);
  mouse(WM_MOUSEMOVE, 80, 80);
  mouse(WM_MOUSEMOVE, 82, 80);
  mouse(WM_LBUTTONUP, 82, 80);
  ASSERT_EQ(pad_->Save(), S_OK);
  EXPECT_EQ(BmpPixel(saved, 80, 56), 0xFFFFFFul) << "erased";
  EXPECT_EQ(BmpPixel(saved, 110, 56), 0x000000ul) << "not erased";

  click(3);  // undo
  ASSERT_EQ(pad_->Save(), S_OK);
  EXPECT_EQ(BmpPixel(saved, 80, 56), 0x000000ul) << "the stroke is back";

  // A press that leaves the toolbar button before release clicks nothing.
  mouse(WM_LBUTTONDOWN, 5 * 52 + 10, 10);
  mouse(WM_LBUTTONUP, 5 * 52 + 10, 100);
  ASSERT_EQ(pad_->Save(), S_OK);
  EXPECT_EQ(BmpPixel(saved, 80, 56), 0x000000ul) << "no clear";

  ole->Close(OLECLOSE_NOSAVE);
  ole->Release();
  DestroyWindow(parent);
}

}  // namespace

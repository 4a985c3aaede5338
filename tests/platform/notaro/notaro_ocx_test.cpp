// Notaro.ocx as a container sees it, loaded straight from the module (no
// registry needed): class objects, embedding, drawing, persistence.
#include <windows.h>
#include <ole2.h>
#include <objsafe.h>
#include <ocidl.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/win32/com/com_support.h"
#include "remark/notaro_ctrl.h"
#include "remark/notaro_module.h"

namespace {

using kit::win32::com::ParseGuid;
using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadFn = HRESULT(STDAPICALLTYPE*)();

class NotaroOcx : public ::testing::Test {
 protected:
  void SetUp() override {
    // Nobody is at the desktop: the control writes its message boxes down
    // instead of waiting for a button.
    _putenv("KIT_MESSAGE_BOX_LOG=notaro_ocx_test_messages.txt");
    OleInitialize(nullptr);
    module_ = LoadLibraryW(L"" KIT_NOTARO_OCX);
    ASSERT_NE(module_, nullptr);
    get_ = reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(module_, "DllGetClassObject")));
    can_unload_ = reinterpret_cast<CanUnloadFn>(reinterpret_cast<void*>(GetProcAddress(module_, "DllCanUnloadNow")));
    ASSERT_NE(get_, nullptr);
    ASSERT_NE(can_unload_, nullptr);
  }
  void TearDown() override { OleUninitialize(); }

  template <typename T>
  T* Create(const char* clsid, REFIID iid) {
    IClassFactory* f = nullptr;
    if (FAILED(get_(ParseGuid(clsid), IID_IClassFactory, reinterpret_cast<void**>(&f)))) return nullptr;
    T* obj = nullptr;
    f->CreateInstance(nullptr, iid, reinterpret_cast<void**>(&obj));
    f->Release();
    return obj;
  }

  HMODULE module_ = nullptr;
  GetClassObjectFn get_ = nullptr;
  CanUnloadFn can_unload_ = nullptr;
};

std::vector<std::uint8_t> StreamBytes(IStream* s) {
  HGLOBAL g = nullptr;
  GetHGlobalFromStream(s, &g);
  STATSTG st{};
  s->Stat(&st, STATFLAG_NONAME);
  auto* p = static_cast<std::uint8_t*>(GlobalLock(g));
  std::vector<std::uint8_t> bytes(p, p + st.cbSize.QuadPart);
  GlobalUnlock(g);
  return bytes;
}

TEST_F(NotaroOcx, ClassObjectsAndUnloading) {
  IClassFactory* f = nullptr;
  EXPECT_EQ(get_(ParseGuid("{00000000-0000-0000-0000-000000000001}"), IID_IClassFactory,
                 reinterpret_cast<void**>(&f)),
            CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(f, nullptr);

  EXPECT_EQ(can_unload_(), S_OK);
  IOleObject* ole = Create<IOleObject>(kit::remark::kNotaroClsid, IID_IOleObject);
  ASSERT_NE(ole, nullptr);
  EXPECT_EQ(can_unload_(), S_FALSE);
  DWORD misc = 0;
  EXPECT_EQ(ole->GetMiscStatus(DVASPECT_CONTENT, &misc), S_OK);
  EXPECT_EQ(misc, 0x20191u);
  CLSID clsid{};
  ole->GetUserClassID(&clsid);
  EXPECT_TRUE(IsEqualCLSID(clsid, ParseGuid(kit::remark::kNotaroClsid)));

  // The page is the face's size, and stays so.
  SIZEL size{};
  ASSERT_EQ(ole->GetExtent(DVASPECT_CONTENT, &size), S_OK);
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(size.cx, MulDiv(28, 2540, GetDeviceCaps(screen, LOGPIXELSX)));
  ReleaseDC(nullptr, screen);
  SIZEL bigger{size.cx * 3, size.cy * 3};
  EXPECT_EQ(ole->SetExtent(DVASPECT_CONTENT, &bigger), E_FAIL);

  IObjectSafety* safety = nullptr;
  ASSERT_EQ(ole->QueryInterface(IID_IObjectSafety, reinterpret_cast<void**>(&safety)), S_OK);
  DWORD supported = 0, enabled = 0;
  EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled), S_OK);
  EXPECT_EQ(supported, DWORD{INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA});
  EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, INTERFACESAFE_FOR_UNTRUSTED_CALLER,
                                              INTERFACESAFE_FOR_UNTRUSTED_CALLER),
            S_OK);
  safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled);
  EXPECT_EQ(enabled, DWORD{INTERFACESAFE_FOR_UNTRUSTED_CALLER});
  safety->Release();

  IConnectionPointContainer* cpc = nullptr;
  ASSERT_EQ(ole->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&cpc)), S_OK);
  IConnectionPoint* cp = nullptr;
  EXPECT_EQ(cpc->FindConnectionPoint(ParseGuid(kit::remark::kNotaroEventsIid), &cp), S_OK);
  ASSERT_NE(cp, nullptr);
  cp->Release();
  cpc->Release();

  ole->Release();
  EXPECT_EQ(can_unload_(), S_OK);

  IPropertyPage* page = Create<IPropertyPage>(kit::remark::kNotaroPageClsid, IID_IPropertyPage);
  ASSERT_NE(page, nullptr);
  PROPPAGEINFO info{};
  ASSERT_EQ(page->GetPageInfo(&info), S_OK);
  EXPECT_STREQ(info.pszTitle, L"General");
  EXPECT_GT(info.size.cx, 0);
  CoTaskMemFree(info.pszTitle);
  page->Release();
}

TEST_F(NotaroOcx, DrawsTheFaceInTheTopLeftCornerOnly) {
  IViewObject2* view = Create<IViewObject2>(kit::remark::kNotaroClsid, IID_IViewObject2);
  ASSERT_NE(view, nullptr);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, 60, 60);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bmp);
  RECT all{0, 0, 60, 60};
  HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
  FillRect(dc, &all, green);
  DeleteObject(green);
  RECTL bounds{10, 10, 60, 60};
  ASSERT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0), S_OK);
  // The raised edge: white at the face's top-left, black at its bottom-right.
  EXPECT_EQ(GetPixel(dc, 10, 10), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(dc, 37, 37), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(dc, 20, 15), RGB(192, 192, 192));
  // Outside the 28 x 28 face the container's pixels stay.
  EXPECT_EQ(GetPixel(dc, 38, 20), RGB(0, 255, 0));
  EXPECT_EQ(GetPixel(dc, 20, 38), RGB(0, 255, 0));
  EXPECT_EQ(GetPixel(dc, 9, 9), RGB(0, 255, 0));
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
  view->Release();
}

TEST_F(NotaroOcx, PersistsExactlyTheRemarkDataFile) {
  IPersistStreamInit* persist = Create<IPersistStreamInit>(kit::remark::kNotaroClsid, IID_IPersistStreamInit);
  ASSERT_NE(persist, nullptr);
  ASSERT_EQ(persist->InitNew(), S_OK);
  IStream* s = nullptr;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &s), S_OK);
  ASSERT_EQ(persist->Save(s, TRUE), S_OK);
  EXPECT_EQ(StreamBytes(s), (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0, 0, 2}));
  s->Release();

  // A stored document with another pen, loaded back: the pen is what the
  // stream says.
  const std::vector<std::uint8_t> blue{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 4};
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &s), S_OK);
  s->Write(blue.data(), static_cast<ULONG>(blue.size()), nullptr);
  LARGE_INTEGER zero{};
  s->Seek(zero, STREAM_SEEK_SET, nullptr);
  ASSERT_EQ(persist->Load(s), S_OK);
  s->Release();
  EXPECT_EQ(persist->IsDirty(), S_FALSE);

  IDispatch* disp = nullptr;
  ASSERT_EQ(persist->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&disp)), S_OK);
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  VARIANT r;
  VariantInit(&r);
  ASSERT_EQ(disp->Invoke(1, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &r, nullptr, nullptr), S_OK);
  EXPECT_EQ(V_VT(&r), VT_I4);
  EXPECT_EQ(V_I4(&r), 0xFF0000);
  disp->Release();

  // A damaged stream is refused and leaves the document as it was.
  const std::vector<std::uint8_t> short_file{0, 0, 1, 0, 0, 0};
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &s), S_OK);
  s->Write(short_file.data(), static_cast<ULONG>(short_file.size()), nullptr);
  s->Seek(zero, STREAM_SEEK_SET, nullptr);
  EXPECT_EQ(persist->Load(s), static_cast<HRESULT>(0x800A0141u));
  s->Release();

  // A storage carries the same bytes in its "Contents" stream.
  IPersistStorage* ps = nullptr;
  ASSERT_EQ(persist->QueryInterface(IID_IPersistStorage, reinterpret_cast<void**>(&ps)), S_OK);
  ILockBytes* bytes = nullptr;
  ASSERT_EQ(CreateILockBytesOnHGlobal(nullptr, TRUE, &bytes), S_OK);
  IStorage* stg = nullptr;
  ASSERT_EQ(StgCreateDocfileOnILockBytes(bytes, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, &stg), S_OK);
  ASSERT_EQ(ps->Save(stg, FALSE), S_OK);
  IStream* contents = nullptr;
  ASSERT_EQ(stg->OpenStream(L"Contents", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &contents), S_OK);
  std::uint8_t buf[32];
  ULONG got = 0;
  contents->Read(buf, sizeof buf, &got);
  EXPECT_EQ(std::vector<std::uint8_t>(buf, buf + got), blue);
  contents->Release();
  stg->Release();
  bytes->Release();
  ps->Release();
  persist->Release();
}

// What the remark window takes from the module: the toolbar strip, the pan
// cursor, the frame icon and the about box.
TEST_F(NotaroOcx, CarriesTheRemarkWindowsResources) {
  struct {
    int id;
    LPCWSTR type;
  } const resources[] = {
      {201, MAKEINTRESOURCEW(2)},   // RT_BITMAP
      {205, MAKEINTRESOURCEW(12)},  // RT_GROUP_CURSOR
      {207, MAKEINTRESOURCEW(14)},  // RT_GROUP_ICON
      {209, MAKEINTRESOURCEW(5)},   // RT_DIALOG
  };
  for (const auto& r : resources) EXPECT_NE(FindResourceW(module_, MAKEINTRESOURCEW(r.id), r.type), nullptr) << r.id;
  // Fourteen buttons of 16 x 15.
  HBITMAP strip = LoadBitmapW(module_, MAKEINTRESOURCEW(201));
  ASSERT_NE(strip, nullptr);
  BITMAP bm{};
  GetObjectW(strip, sizeof bm, &bm);
  EXPECT_EQ(bm.bmWidth, 14 * 16);
  EXPECT_EQ(bm.bmHeight, 15);
  DeleteObject(strip);
  HCURSOR pan = LoadCursorW(module_, MAKEINTRESOURCEW(205));
  ASSERT_NE(pan, nullptr);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(pan, &info));
  EXPECT_EQ(info.xHotspot, 15u);
  EXPECT_EQ(info.yHotspot, 15u);
  if (info.hbmMask != nullptr) DeleteObject(info.hbmMask);
  if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
}

// An argument of the declared type that leaves nothing behind: the text is
// no address a transfer can reach, no name a file may have and no process's.
VARIANT Harmless(kit::automation::VarType type) {
  VARIANT v;
  VariantInit(&v);
  switch (type) {
    case kit::automation::VarType::Bstr:
      V_VT(&v) = VT_BSTR;
      V_BSTR(&v) = SysAllocString(L"kit-probe:|");
      break;
    case kit::automation::VarType::Bool:
      V_VT(&v) = VT_BOOL;
      V_BOOL(&v) = VARIANT_FALSE;
      break;
    case kit::automation::VarType::Dispatch:
      // No object: the server's dispatch takes no VT_DISPATCH argument yet
      // (DISP_E_TYPEMISMATCH before any member is reached).
      break;
    default:
      V_VT(&v) = VT_I4;
      V_I4(&v) = -1;
      break;
  }
  return v;
}

// Every member of _DNotaro has its handler in Notaro.ocx, reached through
// IDispatch by its name and by its number.
TEST_F(NotaroOcx, EveryMemberAnswersByNameAndByNumber) {
  IDispatch* disp = Create<IDispatch>(kit::remark::kNotaroClsid, IID_IDispatch);
  ASSERT_NE(disp, nullptr);
  for (const kit::automation::MemberInfo& m : kit::remark::CNotaroCtrl::DispatchMap().members()) {
    std::wstring name(m.name.begin(), m.name.end());
    LPOLESTR names[] = {name.data()};
    DISPID named = DISPID_UNKNOWN;
    ASSERT_EQ(disp->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &named), S_OK) << m.name;
    EXPECT_EQ(named, m.dispid) << m.name;
    for (const DISPID id : {named, static_cast<DISPID>(m.dispid)}) {
      SCOPED_TRACE(m.name + (id == named ? " by name" : " by number"));
      std::vector<VARIANT> args;
      WORD flags = DISPATCH_METHOD;
      DISPID put = DISPID_PROPERTYPUT;
      DISPPARAMS params{nullptr, nullptr, 0, 0};
      VARIANT result;
      VariantInit(&result);
      if (m.kind == kit::automation::MemberKind::Property) {
        ASSERT_EQ(disp->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &params, &result, nullptr,
                               nullptr),
                  S_OK);
        args.push_back(result);  // put back what was read
        VariantInit(&result);
        flags = DISPATCH_PROPERTYPUT;
        params.rgdispidNamedArgs = &put;
        params.cNamedArgs = 1;
      } else {
        // Positional arguments go last-first.
        for (auto p = m.params.rbegin(); p != m.params.rend(); ++p) args.push_back(Harmless(p->type));
      }
      params.rgvarg = args.data();
      params.cArgs = static_cast<UINT>(args.size());
      EXCEPINFO failure{};
      const HRESULT answer = disp->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, &result, &failure, nullptr);
      if (answer == DISP_E_EXCEPTION) {
        // The member's own failure is an answer; "not available" is none.
        EXPECT_NE(failure.scode, E_NOTIMPL);
        const std::wstring text = failure.bstrDescription != nullptr ? failure.bstrDescription : L"";
        EXPECT_EQ(text.find(L"not available"), std::wstring::npos);
        SysFreeString(failure.bstrSource);
        SysFreeString(failure.bstrDescription);
      } else {
        EXPECT_EQ(answer, S_OK);
      }
      VariantClear(&result);
      for (VARIANT& a : args) VariantClear(&a);
    }
  }
  disp->Release();
}

}  // namespace

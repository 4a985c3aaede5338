// The type library inside Notaro.ocx against the control's own dispatch
// table: scripts and containers see the members through the library, the
// calls land in the table, so the two must agree member by member.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/win32/com/com_support.h"
#include "remark/notaro_ctrl.h"
#include "remark/notaro_module.h"

namespace {

using kit::automation::MemberKind;
using kit::automation::VarType;
using kit::win32::com::Narrow;
using kit::win32::com::ParseGuid;

struct TypeLib {
  ITypeLib* lib = nullptr;
  TypeLib() {
    OleInitialize(nullptr);
    LoadTypeLibEx(L"" KIT_NOTARO_OCX, REGKIND_NONE, &lib);
  }
  ~TypeLib() {
    if (lib != nullptr) lib->Release();
    OleUninitialize();
  }
};

std::string Str(BSTR b) {
  std::string s = b != nullptr ? Narrow(b, CP_UTF8) : std::string();
  SysFreeString(b);
  return s;
}

VARTYPE VtOf(VarType t) {
  switch (t) {
    case VarType::I4: return VT_I4;
    case VarType::Bool: return VT_BOOL;
    case VarType::Bstr: return VT_BSTR;
    case VarType::Error: return VT_ERROR;
    case VarType::Dispatch: return VT_DISPATCH;
    case VarType::Empty: return VT_VOID;
    default: return VT_ILLEGAL;
  }
}

VARTYPE VtOf(const TYPEDESC& d) {
  if (d.vt == VT_PTR && d.lptdesc->vt == VT_DISPATCH) return VT_DISPATCH;
  return d.vt;
}

struct Func {
  INVOKEKIND kind;
  VARTYPE result;
  std::vector<VARTYPE> params;
  std::vector<std::string> names;  // member name, then parameter names
  std::string help;
};

TEST(NotaroTypeLib, LibraryDescribesEveryMemberOfTheDispatchTable) {
  TypeLib t;
  ASSERT_NE(t.lib, nullptr) << "no type library in " KIT_NOTARO_OCX;

  TLIBATTR* la = nullptr;
  ASSERT_EQ(t.lib->GetLibAttr(&la), S_OK);
  EXPECT_TRUE(IsEqualGUID(la->guid, ParseGuid(kit::remark::kNotaroLibId)));
  EXPECT_EQ(la->wMajorVerNum, 1);
  EXPECT_EQ(la->wMinorVerNum, 0);
  t.lib->ReleaseTLibAttr(la);
  BSTR name = nullptr, help_file = nullptr;
  ASSERT_EQ(t.lib->GetDocumentation(-1, &name, nullptr, nullptr, &help_file), S_OK);
  EXPECT_EQ(Str(name), "NotaroLib");
  EXPECT_EQ(Str(help_file), "Notaro.hlp");

  ITypeInfo* info = nullptr;
  ASSERT_EQ(t.lib->GetTypeInfoOfGuid(ParseGuid(kit::remark::kNotaroDispIid), &info), S_OK);
  TYPEATTR* ta = nullptr;
  ASSERT_EQ(info->GetTypeAttr(&ta), S_OK);
  EXPECT_EQ(ta->typekind, TKIND_DISPATCH);
  std::multimap<MEMBERID, Func> funcs;
  for (UINT i = 0; i < ta->cFuncs; ++i) {
    FUNCDESC* fd = nullptr;
    ASSERT_EQ(info->GetFuncDesc(i, &fd), S_OK);
    Func f{fd->invkind, VtOf(fd->elemdescFunc.tdesc), {}, {}, {}};
    for (SHORT p = 0; p < fd->cParams; ++p) f.params.push_back(VtOf(fd->lprgelemdescParam[p].tdesc));
    BSTR names[16];
    UINT got = 0;
    info->GetNames(fd->memid, names, 16, &got);
    for (UINT n = 0; n < got; ++n) f.names.push_back(Str(names[n]));
    BSTR doc = nullptr;
    info->GetDocumentation(fd->memid, nullptr, &doc, nullptr, nullptr);
    f.help = Str(doc);
    funcs.emplace(fd->memid, f);
    info->ReleaseFuncDesc(fd);
  }
  info->ReleaseTypeAttr(ta);
  info->Release();

  const auto& members = kit::remark::CNotaroCtrl::DispatchMap().members();
  ASSERT_EQ(members.size(), 45u);
  std::size_t expected_funcs = 0;
  for (const auto& m : members) {
    SCOPED_TRACE(m.name);
    auto range = funcs.equal_range(m.dispid);
    std::vector<Func> found;
    for (auto it = range.first; it != range.second; ++it) found.push_back(it->second);
    if (m.kind == MemberKind::Property) {
      expected_funcs += 2;
      ASSERT_EQ(found.size(), 2u);
      for (const Func& f : found) {
        ASSERT_FALSE(f.names.empty());
        EXPECT_EQ(f.names[0], m.name);
        EXPECT_EQ(f.help, m.help);
        if (f.kind == INVOKE_PROPERTYGET) {
          EXPECT_EQ(f.result, VtOf(m.result));
          EXPECT_TRUE(f.params.empty());
        } else {
          EXPECT_EQ(f.kind, INVOKE_PROPERTYPUT);
          ASSERT_EQ(f.params.size(), 1u);
          EXPECT_EQ(f.params[0], VtOf(m.result));
        }
      }
    } else {
      expected_funcs += 1;
      ASSERT_EQ(found.size(), 1u);
      const Func& f = found[0];
      EXPECT_EQ(f.kind, INVOKE_FUNC);
      EXPECT_EQ(f.result, VtOf(m.result));
      EXPECT_EQ(f.help, m.help);
      ASSERT_EQ(f.params.size(), m.params.size());
      ASSERT_EQ(f.names.size(), m.params.size() + 1);
      EXPECT_EQ(f.names[0], m.name);
      for (std::size_t p = 0; p < m.params.size(); ++p) {
        EXPECT_EQ(f.params[p], VtOf(m.params[p].type)) << m.params[p].name;
        EXPECT_EQ(f.names[p + 1], m.params[p].name);
      }
    }
  }
  EXPECT_EQ(funcs.size(), expected_funcs);
}

TEST(NotaroTypeLib, EventsAndCoclass) {
  TypeLib t;
  ASSERT_NE(t.lib, nullptr);
  ITypeInfo* events = nullptr;
  ASSERT_EQ(t.lib->GetTypeInfoOfGuid(ParseGuid(kit::remark::kNotaroEventsIid), &events), S_OK);
  TYPEATTR* ta = nullptr;
  ASSERT_EQ(events->GetTypeAttr(&ta), S_OK);
  ASSERT_EQ(ta->cFuncs, 1);
  events->ReleaseTypeAttr(ta);
  FUNCDESC* fd = nullptr;
  ASSERT_EQ(events->GetFuncDesc(0, &fd), S_OK);
  EXPECT_EQ(fd->memid, DISPID_CLICK);
  BSTR name = nullptr;
  UINT got = 0;
  events->GetNames(fd->memid, &name, 1, &got);
  EXPECT_EQ(Str(name), "Click");
  events->ReleaseFuncDesc(fd);
  events->Release();

  ITypeInfo* coclass = nullptr;
  ASSERT_EQ(t.lib->GetTypeInfoOfGuid(ParseGuid(kit::remark::kNotaroClsid), &coclass), S_OK);
  ASSERT_EQ(coclass->GetTypeAttr(&ta), S_OK);
  EXPECT_EQ(ta->typekind, TKIND_COCLASS);
  EXPECT_TRUE(ta->wTypeFlags & TYPEFLAG_FCANCREATE);
  ASSERT_EQ(ta->cImplTypes, 2);
  coclass->ReleaseTypeAttr(ta);
  std::map<int, std::string> defaults;  // flags -> interface name
  for (UINT i = 0; i < 2; ++i) {
    INT flags = 0;
    coclass->GetImplTypeFlags(i, &flags);
    HREFTYPE ref = 0;
    coclass->GetRefTypeOfImplType(i, &ref);
    ITypeInfo* iface = nullptr;
    coclass->GetRefTypeInfo(ref, &iface);
    BSTR n = nullptr;
    iface->GetDocumentation(MEMBERID_NIL, &n, nullptr, nullptr, nullptr);
    defaults[flags] = Str(n);
    iface->Release();
  }
  EXPECT_EQ(defaults[IMPLTYPEFLAG_FDEFAULT], "_DNotaro");
  EXPECT_EQ(defaults[IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE], "_DNotaroEvents");
  coclass->Release();
}

}  // namespace

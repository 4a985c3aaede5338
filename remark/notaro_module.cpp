#include "remark/notaro_module.h"

#include "remark/notaro_ctrl.h"

namespace kit::remark {

std::string CutCategoryText(const std::string& text) {
  std::size_t chars = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    // Count lead bytes only, so the cut falls between characters.
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && chars++ == kCategoryTextMax) {
      return text.substr(0, i);
    }
  }
  return text;
}

namespace {

// Category trouble never fails the registration: the control still works
// in a container that asks before scripting it.
void RegisterCategoryOf(IComRegistrar& r, const char* catid, const char* text) {
  if (r.RegisterCategory(catid, kCategoryLocale, CutCategoryText(text)) == hr::Ok) {
    r.MarkClassImplements(kNotaroClsid, catid);
  }
}

}  // namespace

HResult RegisterNotaroServer(IComRegistrar& r) {
  if (!r.RegisterTypeLib()) return hr::SelfRegTypeLib;
  ControlClassInfo control;
  control.clsid = kNotaroClsid;
  control.progid = kNotaroProgId;
  control.type_name = kNotaroTypeName;
  control.toolbox_bitmap = 1;
  control.apartment_threading = true;
  control.misc_status = kNotaroMiscStatus;
  control.libid = kNotaroLibId;
  control.lib_major = kNotaroLibMajor;
  control.lib_minor = kNotaroLibMinor;
  if (!r.RegisterControlClass(control)) return hr::SelfRegClass;
  RegisterCategoryOf(r, kCatIdSafeForScripting, kSafeForScriptingText);
  RegisterCategoryOf(r, kCatIdSafeForInitializing, kSafeForInitializingText);
  if (!r.RegisterPageClass({kNotaroPageClsid, kNotaroPageProgId, kNotaroPageTypeName})) {
    return hr::SelfRegClass;
  }
  return hr::Ok;
}

HResult UnregisterNotaroServer(IComRegistrar& r) {
  if (!r.UnregisterTypeLib(kNotaroLibId, kNotaroLibMajor, kNotaroLibMinor)) return hr::SelfRegTypeLib;
  bool ok = r.UnregisterClass(kNotaroClsid, kNotaroProgId);
  ok = r.UnregisterClass(kNotaroPageClsid, kNotaroPageProgId) && ok;
  return ok ? hr::Ok : hr::SelfRegClass;
}

}  // namespace kit::remark

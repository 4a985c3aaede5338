#include "sigpad/quillpad_module.h"

#include "sigpad/quillpad_ctrl.h"

namespace kit::sigpad {

HResult RegisterQuillpadServer(IComRegistrar& r) {
  if (!r.RegisterTypeLib()) return hr::SelfRegTypeLib;
  ControlClassInfo control;
  control.clsid = kQuillpadClsid;
  control.progid = kQuillpadProgId;
  control.type_name = kQuillpadTypeName;
  control.toolbox_bitmap = kQuillpadToolboxBitmap;
  control.apartment_threading = true;
  control.misc_status = kQuillpadMiscStatus;
  control.libid = kQuillpadLibId;
  control.lib_major = kQuillpadLibMajor;
  control.lib_minor = kQuillpadLibMinor;
  if (!r.RegisterControlClass(control)) return hr::SelfRegClass;
  return hr::Ok;
}

HResult UnregisterQuillpadServer(IComRegistrar& r) {
  if (!r.UnregisterTypeLib(kQuillpadLibId, kQuillpadLibMajor, kQuillpadLibMinor)) return hr::SelfRegTypeLib;
  return r.UnregisterClass(kQuillpadClsid, kQuillpadProgId) ? hr::Ok : hr::SelfRegClass;
}

}  // namespace kit::sigpad

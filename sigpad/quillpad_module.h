// The module side of the signature pad: the identifiers Quillpad.ocx
// registers and the order of its self-registration.
#pragma once
#include "ports/com_registrar.h"
#include "ports/hresult.h"

namespace kit::sigpad {

// Fixed for good: pages and existing registrations refer to them.
constexpr const char* kQuillpadClsid = "{CEE0B06F-A3A3-44F4-8A92-3D2F1F9E900E}";
constexpr const char* kQuillpadLibId = "{F687429B-FDDE-483D-8041-2C2F15C7C8A4}";
constexpr const char* kQuillpadDispIid = "{7401C56C-AE81-492B-89FD-3FA6CF86939F}";
constexpr const char* kQuillpadEventsIid = "{F5E50CD9-15DF-4137-9629-E8F13EF51E7F}";
constexpr int kQuillpadLibMajor = 1, kQuillpadLibMinor = 0;
constexpr const char* kQuillpadTypeName = "UCQuillpad";
// Activate when visible, set client site first, inside-out, can't link
// inside, recompose on resize: a composite control of its own window.
constexpr std::uint32_t kQuillpadMiscStatus = 0x20191;
constexpr int kQuillpadToolboxBitmap = 1;

// DllRegisterServer / DllUnregisterServer.
HResult RegisterQuillpadServer(IComRegistrar& registrar);
HResult UnregisterQuillpadServer(IComRegistrar& registrar);

}  // namespace kit::sigpad

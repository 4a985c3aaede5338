// The module side of the remark control: the identifiers it registers and
// the order of its self-registration.
#pragma once
#include <cstdint>
#include <string>

#include "ports/com_registrar.h"
#include "ports/hresult.h"

namespace kit::remark {

// Fixed for good: office pages and existing registrations refer to them.
constexpr const char* kNotaroClsid = "{A34FC7E7-0E07-483C-8B1C-B865BE32BAD7}";
constexpr const char* kNotaroLibId = "{69DE1606-B816-4CAA-824B-FF8513409B7D}";
constexpr const char* kNotaroDispIid = "{237C7C5E-CC3B-4321-AAB6-ED348E952528}";
constexpr const char* kNotaroEventsIid = "{EFAB65FA-2557-48FF-BD2D-21AC4BD652C3}";
constexpr const char* kNotaroPageClsid = "{598512FF-C711-4894-9B51-829EDAF70E4F}";
constexpr const char* kNotaroPageProgId = "REMARK.RemarkPropPage.1";
constexpr int kNotaroLibMajor = 1, kNotaroLibMinor = 0;

// Activate when visible, set client site first, inside-out, can't link
// inside, recompose on resize.
constexpr std::uint32_t kNotaroMiscStatus = 0x20191;

// String resources 1, 2 and 200.
constexpr const char* kNotaroTypeName = "Notaro Control";
constexpr const char* kNotaroPageTypeName = "Notaro Property Page";
constexpr const char* kNotaroPageCaption = "General";

constexpr const char* kCatIdSafeForScripting = "{7DD95801-9882-11CF-9FA9-00AA006C42C4}";
constexpr const char* kCatIdSafeForInitializing = "{7DD95802-9882-11CF-9FA9-00AA006C42C4}";
constexpr const char* kSafeForScriptingText = "Controls that are safely scriptable";
constexpr const char* kSafeForInitializingText = "Controls safely initializable from persistent data";
constexpr std::uint32_t kCategoryLocale = 1033;
constexpr std::size_t kCategoryTextMax = 127;

// At most 127 characters (code points, never a split UTF-8 sequence).
std::string CutCategoryText(const std::string& text);

// DllRegisterServer / DllUnregisterServer.
HResult RegisterNotaroServer(IComRegistrar& registrar);
HResult UnregisterNotaroServer(IComRegistrar& registrar);

}  // namespace kit::remark

// Result codes as the automation layer reports them; spelled apart from the
// Windows macros so that adapters can include windows.h next to this header.
#pragma once
#include <cstdint>

namespace kit {

using HResult = std::int32_t;

namespace hr {
constexpr HResult Ok = 0;
constexpr HResult False = 1;
constexpr HResult NotImpl = static_cast<HResult>(0x80004001u);
constexpr HResult Fail = static_cast<HResult>(0x80004005u);
constexpr HResult OutOfMemory = static_cast<HResult>(0x8007000Eu);
constexpr HResult InvalidArg = static_cast<HResult>(0x80070057u);
constexpr HResult Unexpected = static_cast<HResult>(0x8000FFFFu);
constexpr HResult MemberNotFound = static_cast<HResult>(0x80020003u);
constexpr HResult ParamNotFound = static_cast<HResult>(0x80020004u);
constexpr HResult TypeMismatch = static_cast<HResult>(0x80020005u);
constexpr HResult UnknownName = static_cast<HResult>(0x80020006u);
constexpr HResult Exception = static_cast<HResult>(0x80020009u);
constexpr HResult BadParamCount = static_cast<HResult>(0x8002000Eu);
constexpr HResult SelfRegTypeLib = static_cast<HResult>(0x80040200u);
constexpr HResult SelfRegClass = static_cast<HResult>(0x80040201u);
constexpr HResult ClassNotRegistered = static_cast<HResult>(0x80040154u);
constexpr HResult InvalidClassString = static_cast<HResult>(0x800401F3u);
// Control errors (FACILITY_CONTROL) for file failures reaching a script.
constexpr HResult CtlFileNotFound = static_cast<HResult>(0x800A0035u);
constexpr HResult CtlPathFileAccess = static_cast<HResult>(0x800A004Bu);
constexpr HResult CtlDiskFull = static_cast<HResult>(0x800A003Du);
constexpr HResult CtlBadFileFormat = static_cast<HResult>(0x800A0141u);
constexpr HResult CtlInvalidPropertyValue = static_cast<HResult>(0x800A017Cu);
}  // namespace hr

}  // namespace kit

// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
// The exports every in-process server of the kit has in common; each module
// adds its own DllGetClassObject and registration.
#include <windows.h>

#include "platform/win32/com/com_support.h"

using kit::win32::com::g_liveCount;
using kit::win32::com::g_module;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return g_liveCount == 0 ? S_OK : S_FALSE; }

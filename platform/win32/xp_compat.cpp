// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
// The static mingw thread library imports GetTickCount64, which Windows XP's
// kernel32 does not have: a deliverable importing it would not load there.
// Supplying the import slot ourselves keeps the loader from looking for it;
// where the system has the function it is used, otherwise GetTickCount is
// widened by counting its wraps.
#include <windows.h>

namespace {

ULONGLONG WINAPI KitGetTickCount64() {
  using Fn = ULONGLONG(WINAPI*)();
  static Fn system = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetTickCount64")));
  if (system != nullptr) return system();
  // High half: wraps seen; low half: the last reading. Updated as one value
  // so that two threads never count the same wrap twice.
  static volatile LONGLONG state = 0;
  for (;;) {
    const LONGLONG seen = InterlockedCompareExchange64(&state, 0, 0);
    const DWORD now = GetTickCount();
    const DWORD last = static_cast<DWORD>(seen);
    ULONGLONG wraps = static_cast<ULONGLONG>(seen) >> 32;
    if (now < last) ++wraps;
    const LONGLONG next = static_cast<LONGLONG>((wraps << 32) | now);
    if (InterlockedCompareExchange64(&state, next, seen) == seen) return (wraps << 32) | now;
  }
}

}  // namespace

#if defined(__i386__)
extern "C" void* kit_imp_GetTickCount64 __asm__("__imp__GetTickCount64@0");
#else
extern "C" void* kit_imp_GetTickCount64 __asm__("__imp_GetTickCount64");
#endif
void* kit_imp_GetTickCount64 = reinterpret_cast<void*>(&KitGetTickCount64);

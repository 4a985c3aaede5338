// Tunnelgate.exe / Tunnelpost.exe: the main window on the desktop, its
// message loop until the window has unloaded. KIT_DIALER_TUNNELPOST picks
// the second build of the same source.
#include <windows.h>

#include "dialer/dialer_platform.h"
#include "dialer/form1.h"
#include "platform/win32/dialer/win32_forms.h"
#include "platform/win32/exchange/win32_exchange.h"
#include "platform/win32/win32_adapters.h"

namespace {
#ifdef KIT_DIALER_TUNNELPOST
constexpr kit::dialer::Build kBuild = kit::dialer::Build::kTunnelpost;
#else
constexpr kit::dialer::Build kBuild = kit::dialer::Build::kTunnelgate;
#endif
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  using namespace kit;
  win32::Win32CodePage cp;
  win32::Win32Dialogs dialogs;
  win32::Win32Shell shell;
  win32::Win32FileSystem files;
  dialer::DialerPorts ports = dialer::DefaultDialerPorts(&dialogs, &shell);
  win32::Win32FormHost host(cp, instance);
  win32::Win32Mutexes mutexes(cp);
  win32::Win32HelpViewer help(cp);
  dialer::FormPorts form_ports{&host, &mutexes, &help, &files, win32::ProgramFolder(cp), &win32::LocalTimeText};
  dialer::Form1 form(ports, form_ports, dialer::DialerConfig(), dialer::ProfileFor(kBuild));
  if (!form.Form_Load()) return 0;
  form.window().Show();
  MSG msg;
  while (!form.Ended() && GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}

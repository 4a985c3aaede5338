// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
#include "dialer/dialer_platform.h"
#include "platform/win32/dialer/win32_dialer.h"
#include "platform/win32/win32_adapters.h"

namespace kit::dialer {

DialerPorts DefaultDialerPorts(IDialogs* dialogs, IShell* shell) {
  static win32::Win32CodePage codepage;
  static win32::Win32Registry registry;
  static win32::Win32Icmp icmp;
  static win32::Win32Wmi wmi;
  static win32::Win32InterfaceTable iftable;
  static win32::Win32Ras ras;
  static win32::Win32ProcessStarter processes(codepage);
  static win32::Win32WindowFinder windows(codepage);
  static win32::Win32WaitHost wait;
  static win32::Win32Power power;
  return DialerPorts{&registry, &icmp,  &wmi,  &iftable, &ras,   &processes,
                     &windows,  &wait,  &power, dialogs,  shell, &codepage};
}

}  // namespace kit::dialer

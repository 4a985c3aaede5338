// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
#include "dialer/dialer_platform.h"
#include "platform/win32/dialer/win32_dialer.h"
#include "platform/win32/win32_adapters.h"

namespace kit::dialer {

DialerPorts DefaultDialerPorts(IDialogs* dialogs, IShell* shell) {
  static win32::Win32CodePage codepage;
  static win32::Win32Registry settings(codepage);
  static win32::Win32Phonebook phonebook(codepage);
  static win32::Win32Echo echo;
  static win32::Win32Wmi wmi;
  static win32::Win32LinkCounters links;
  static win32::Win32ProcessStarter processes(codepage);
  static win32::Win32WindowFinder windows(codepage);
  static win32::Win32WaitHost wait;
  static win32::Win32Restart restart;
  DialerPorts p{};
  p.settings = &settings;
  p.phonebook = &phonebook;
  p.echo = &echo;
  p.adapters = &wmi;
  p.os = &wmi;
  p.links = &links;
  p.processes = &processes;
  p.windows = &windows;
  p.wait = &wait;
  p.restart = &restart;
  p.dialogs = dialogs;
  p.shell = shell;
  p.codepage = &codepage;
  return p;
}

}  // namespace kit::dialer

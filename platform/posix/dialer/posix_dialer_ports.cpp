#include <iostream>

#include "dialer/dialer_platform.h"
#include "platform/posix/dialer/posix_dialer.h"
#include "platform/posix/iconv_codepage.h"

namespace kit::dialer {

DialerPorts DefaultDialerPorts(IDialogs* dialogs, IShell* shell) {
  static posix::FileRegistry registry;
  static posix::SocketIcmp icmp;
  static posix::ProcWmi wmi;
  static posix::ProcInterfaceTable iftable;
  static posix::RecordingRas ras;
  static posix::DryRunStarter processes(std::cout);
  static posix::NoWindows windows;
  static posix::ClockWait wait;
  static posix::DryRunPower power(std::cout);
  return DialerPorts{&registry, &icmp,  &wmi,  &iftable, &ras,   &processes,
                     &windows,  &wait,  &power, dialogs,  shell, &posix::SystemCodePage()};
}

}  // namespace kit::dialer

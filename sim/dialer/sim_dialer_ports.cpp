// sim: stand-ins for Windows and its programs, for the POSIX hosts, the demo and the tests; ships nowhere.
#include <iostream>

#include "dialer/dialer_platform.h"
#include "platform/posix/dialer/posix_dialer.h"
#include "platform/posix/iconv_codepage.h"
#include "sim/dialer/recorders.h"
#include "sim/dialer/registry_store.h"

namespace kit::dialer {

DialerPorts DefaultDialerPorts(IDialogs* dialogs, IShell* shell) {
  static sim::FileRegistry registry;
  static posix::SocketIcmp icmp;
  static posix::ProcWmi wmi;
  static posix::ProcInterfaceTable iftable;
  static sim::RecordingRas ras;
  static sim::DryRunStarter processes(std::cout);
  static sim::NoWindows windows;
  static posix::ClockWait wait;
  static sim::DryRunPower power(std::cout);
  return DialerPorts{&registry, &icmp,  &wmi,  &iftable, &ras,   &processes,
                     &windows,  &wait,  &power, dialogs,  shell, &posix::SystemCodePage()};
}

}  // namespace kit::dialer

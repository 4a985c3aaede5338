// sim: stand-ins for Windows and its programs, for the POSIX hosts, the demo and the tests; ships nowhere.
#include <iostream>

#include "dialer/dialer_platform.h"
#include "platform/posix/dialer/posix_dialer.h"
#include "platform/posix/iconv_codepage.h"
#include "sim/dialer/recorders.h"
#include "sim/dialer/registry_store.h"

namespace kit::dialer {

DialerPorts DefaultDialerPorts(IDialogs* dialogs, IShell* shell) {
  static sim::FileRegistry settings;
  static sim::RecordingPhonebook phonebook;
  static posix::SocketEcho echo;
  static posix::ProcNetworkAdapters adapters;
  static sim::SimulatedOsVersion os;
  static posix::ProcLinkCounters links;
  static sim::DryRunStarter processes(std::cout);
  static sim::NoWindows windows;
  static posix::ClockWait wait;
  static sim::DryRunRestart restart(std::cout);
  DialerPorts p{};
  p.settings = &settings;
  p.phonebook = &phonebook;
  p.echo = &echo;
  p.adapters = &adapters;
  p.os = &os;
  p.links = &links;
  p.processes = &processes;
  p.windows = &windows;
  p.wait = &wait;
  p.restart = &restart;
  p.dialogs = dialogs;
  p.shell = shell;
  p.codepage = &posix::SystemCodePage();
  return p;
}

}  // namespace kit::dialer

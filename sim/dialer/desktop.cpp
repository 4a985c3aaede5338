// sim: stand-ins for Windows and its programs, for the POSIX hosts, the demo and the tests; ships nowhere.
#include "sim/dialer/desktop.h"

#include "platform/posix/iconv_codepage.h"
#include "ports/platform.h"

namespace kit::sim {

SimulatedDesktop::SimulatedDesktop(std::ostream& out, const dialer::DialerConfig& config,
                                   const DesktopOptions& options)
    : out(out),
      network(out, config.intranet_host, config.internet_probe_host),
      starter(out, config.server_network),
      windows(out),
      wait(out, options.skip_waits),
      restart(out),
      dialogs(out, options.terminal),
      shell(out),
      forms(out, posix::SystemCodePage()),
      help(out) {
  starter.started = [this](const std::string& line) { network.Started(line); };
  // The optimize step writes into this key and never creates it.
  if (options.remote_access) registry.CreateKey(RegRoot::kLocalMachine, dialer::kRasManParametersKey);
}

dialer::DialerPorts SimulatedDesktop::Ports() {
  dialer::DialerPorts p{};
  p.settings = &registry;
  p.phonebook = &phonebook;
  p.echo = &network;
  p.adapters = &network;
  p.os = &network;
  p.links = &network;
  p.processes = &starter;
  p.windows = &windows;
  p.wait = &wait;
  p.restart = &restart;
  p.dialogs = &dialogs;
  p.shell = &shell;
  p.codepage = &posix::SystemCodePage();
  return p;
}

dialer::FormPorts SimulatedDesktop::FormPorts(std::string program_folder, std::string (*time_text)()) {
  return dialer::FormPorts{&forms, &mutexes, &help, DefaultPlatform().files, std::move(program_folder), time_text};
}

}  // namespace kit::sim

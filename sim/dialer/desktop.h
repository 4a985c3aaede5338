// sim: stand-ins for Windows and its programs, for the POSIX hosts, the demo and the tests; ships nowhere.
// A desktop of its own for the dialer on a POSIX host: the registry, the
// phonebook and the named mutexes as files under KIT_ROOT, the network as
// it is told, and commands, waits, windows, boxes, pages, help, the restart
// and the forms on one transcript. tunnelgate and tunnelpost run on one, and
// so do the dialer's tests.
#pragma once
#include <istream>
#include <ostream>
#include <string>

#include "dialer/build_profile.h"
#include "dialer/dialer.h"
#include "dialer/form1.h"
#include "platform/posix/dialer/posix_dialer.h"
#include "sim/dialer/headless_forms.h"
#include "sim/dialer/network.h"
#include "sim/dialer/recorders.h"
#include "sim/registry/registry_store.h"

namespace kit::sim {

struct DesktopOptions {
  bool skip_waits = false;           // the clock jumps over every wait
  std::istream* terminal = nullptr;  // where questions are answered, when interactive
  bool remote_access = true;         // the remote-access service's key is there, as on every desktop
};

class SimulatedDesktop {
 public:
  SimulatedDesktop(std::ostream& out, const dialer::DialerConfig& config, const DesktopOptions& options = {});
  SimulatedDesktop(const SimulatedDesktop&) = delete;
  SimulatedDesktop& operator=(const SimulatedDesktop&) = delete;

  dialer::DialerPorts Ports();
  dialer::FormPorts FormPorts(std::string program_folder, std::string (*time_text)());

  std::ostream& out;
  FileRegistry registry;
  RecordingPhonebook phonebook;
  SimulatedNetwork network;
  TranscriptStarter starter;
  SimWindows windows;
  TranscriptWait wait;
  TranscriptRestart restart;
  TranscriptDialogs dialogs;
  PrintingShell shell;
  HeadlessFormHost forms;
  posix::LockFileMutexes mutexes;
  PrintingHelpViewer help;
};

}  // namespace kit::sim

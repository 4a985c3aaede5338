// sim: stand-ins for Windows and its programs, for the POSIX hosts, the demo and the tests; ships nowhere.
// What the dialer would change on the desktop, recorded instead: the
// phonebook, commands and the restart. Nothing here changes the host.
#pragma once
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "ports/codepage.h"
#include "ports/desktop.h"
#include "ports/phonebook.h"
#include "ports/process.h"
#include "ports/restart.h"
#include "ports/system_queries.h"

namespace kit::sim {

// Writes what the phonebook would hold to KIT_ROOT/phonebook/ (the file
// names are the entry name's bytes in code page 936, in hex, so no name
// leaves the folder): the server of the entry and the user of its
// credentials.
class RecordingPhonebook : public IPhonebook {
 public:
  explicit RecordingPhonebook(std::string folder = "", const ICodePage* cp = nullptr);
  bool CreateVpnEntry(const std::string& name, const std::string& server, const std::string& user,
                      const std::string& password) override;
  std::string FileFor(const std::string& entry, const char* kind) const;

 private:
  std::string folder_;
  const ICodePage& cp_;
};

// The version of the desktops these hosts stand in for: $KIT_WINDOWS_VERSION,
// else 5.1.2600.
class SimulatedOsVersion : public IOsVersion {
 public:
  std::string Version() override;
};

// Runs nothing: writes "[dry-run] hidden: <line>" (or "normal") to `out`
// and keeps the lines.
class DryRunStarter : public IProcessStarter {
 public:
  explicit DryRunStarter(std::ostream& out) : out_(out) {}
  bool Start(const std::string& command_line, int show_flag) override;
  struct Started {
    std::string command_line;
    int show;
  };
  std::vector<Started> started;

 private:
  std::ostream& out_;
};

// No other program's windows exist here.
class NoWindows : public IWindowFinder {
 public:
  WindowHandle FindTopLevel(const std::string&, const std::string&) override { return 0; }
  WindowHandle FindChild(WindowHandle, WindowHandle, const std::string&) override { return 0; }
  std::string GetText(WindowHandle, int) override { return std::string(); }
  void Click(WindowHandle) override {}
};

// Writes what a restart would do and does nothing.
class DryRunRestart : public IRestart {
 public:
  explicit DryRunRestart(std::ostream& out) : out_(out) {}
  bool Restart(bool force) override;

 private:
  std::ostream& out_;
};

}  // namespace kit::sim

// sim: stand-ins for Windows and its programs, for the POSIX hosts, the demo and the tests; ships nowhere.
// What the dialer would change on the desktop, recorded instead: the
// phonebook, commands and the restart. Nothing here changes the host.
#pragma once
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "ports/desktop.h"
#include "ports/process.h"
#include "ports/ras.h"
#include "ports/shutdown.h"

namespace kit::sim {

// Keeps the records it is given and writes them to KIT_ROOT/phonebook/ (the
// file names are the entry name's bytes in hex, so no name leaves it).
class RecordingRas : public IRas {
 public:
  explicit RecordingRas(std::string folder = "");
  std::uint32_t SetEntryProperties(const std::string& phonebook, const std::string& entry,
                                   const std::vector<std::uint8_t>& record) override;
  std::uint32_t SetCredentials(const std::string& phonebook, const std::string& entry,
                               const std::vector<std::uint8_t>& record, bool clear) override;
  std::string FileFor(const std::string& entry, const char* kind) const;

 private:
  std::string folder_;
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

// Writes what a reboot would do and does nothing.
class DryRunPower : public ISystemPower {
 public:
  explicit DryRunPower(std::ostream& out) : out_(out) {}
  std::uint32_t PlatformId() override { return 2; }
  bool EnablePrivilege(const char* name) override;
  bool ExitSession(unsigned flags, std::uint32_t reason) override;

 private:
  std::ostream& out_;
};

}  // namespace kit::sim

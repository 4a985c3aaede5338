// platform/posix: adapters that do the work on Linux itself; stand-ins for Windows go in sim/.
// The process table from /proc; termination by signal.
#pragma once
#include "ports/processes.h"

namespace kit::posix {

class PosixProcesses : public IProcesses {
 public:
  std::optional<std::vector<ProcessEntry>> Snapshot() override;
  bool Terminate(std::uint32_t pid, std::uint32_t exitCode) override;
  std::uint32_t CurrentProcessId() override;
};

}  // namespace kit::posix

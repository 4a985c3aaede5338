// The system's process table: a snapshot to walk and termination.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kit {

struct ProcessEntry {
  std::uint32_t pid = 0;
  std::string exe;  // executable file name without folder, as the table gives it
};

class IProcesses {
 public:
  virtual ~IProcesses() = default;
  // In the table's order; the first entry is the system's idle process.
  // nullopt when no snapshot can be taken.
  virtual std::optional<std::vector<ProcessEntry>> Snapshot() = 0;
  // Opens the process asking only for the right to terminate and ends it
  // with the exit code; false when it cannot be opened or ended.
  virtual bool Terminate(std::uint32_t pid, std::uint32_t exitCode) = 0;
  virtual std::uint32_t CurrentProcessId() = 0;
};

}  // namespace kit

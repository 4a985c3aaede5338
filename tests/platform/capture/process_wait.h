// Process-table helpers shared by the adapter tests of both platforms.
#pragma once
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "ports/processes.h"

namespace kit::testing {

// Pids of the entries after the idle one whose executable is exactly name.
inline std::vector<std::uint32_t> PidsNamed(IProcesses& p, const std::string& name) {
  std::vector<std::uint32_t> out;
  auto snap = p.Snapshot();
  if (!snap) return out;
  for (std::size_t i = 1; i < snap->size(); ++i)
    if ((*snap)[i].exe == name) out.push_back((*snap)[i].pid);
  return out;
}

// Processes start and end asynchronously: polls for up to ten seconds.
inline bool WaitFor(const std::function<bool()>& cond) {
  for (int i = 0; i < 200; ++i) {
    if (cond()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return cond();
}

}  // namespace kit::testing

// Process-table helpers shared by the adapter tests of both platforms.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "ports/processes.h"
#include "tests/common/wait_for.h"

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

}  // namespace kit::testing

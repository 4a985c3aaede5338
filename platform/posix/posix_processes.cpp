// platform/posix: adapters that do the work on Linux itself; stand-ins for Windows go in sim/.
#include "platform/posix/posix_processes.h"

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

namespace kit::posix {
namespace {

struct DirCloser {
  void operator()(DIR* d) const { closedir(d); }
};

// The executable's file name: the target of /proc/PID/exe when it can be
// read, else the kernel's (possibly shortened) command name.
std::string ExeName(const std::string& pid) {
  const std::string base = "/proc/" + pid;
  char buf[4096];
  const ssize_t n = readlink((base + "/exe").c_str(), buf, sizeof buf - 1);
  if (n > 0) {
    std::string target(buf, static_cast<std::size_t>(n));
    const std::string deleted = " (deleted)";
    if (target.size() > deleted.size() && target.compare(target.size() - deleted.size(), deleted.size(), deleted) == 0)
      target.resize(target.size() - deleted.size());
    const std::size_t slash = target.find_last_of('/');
    return slash == std::string::npos ? target : target.substr(slash + 1);
  }
  std::ifstream comm(base + "/comm");
  std::string name;
  std::getline(comm, name);
  return name;
}

// A zombie has ended already; only its parent's wait is missing.
bool HasEnded(const std::string& pid) {
  std::ifstream stat("/proc/" + pid + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return true;
  const std::size_t paren = line.rfind(')');
  if (paren == std::string::npos || paren + 2 >= line.size()) return true;
  const char state = line[paren + 2];
  return state == 'Z' || state == 'X';
}

}  // namespace

std::optional<std::vector<ProcessEntry>> PosixProcesses::Snapshot() {
  std::unique_ptr<DIR, DirCloser> dir(opendir("/proc"));
  if (!dir) return std::nullopt;
  std::vector<ProcessEntry> list;
  while (dirent* e = readdir(dir.get())) {
    const std::string name = e->d_name;
    if (name.empty() || !std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; })) continue;
    const unsigned long pid = std::strtoul(name.c_str(), nullptr, 10);
    if (pid == 0 || pid > 0xFFFFFFFFul) continue;
    if (HasEnded(name)) continue;
    std::string exe = ExeName(name);
    if (exe.empty()) continue;  // gone while we looked
    list.push_back({static_cast<std::uint32_t>(pid), std::move(exe)});
  }
  std::sort(list.begin(), list.end(), [](const ProcessEntry& a, const ProcessEntry& b) { return a.pid < b.pid; });
  // The table's first entry stands for the idle process, as on the desktop.
  list.insert(list.begin(), ProcessEntry{0, "[System Process]"});
  return list;
}

bool PosixProcesses::Terminate(std::uint32_t pid, std::uint32_t) {
  if (pid == 0 || pid > static_cast<std::uint32_t>(0x7FFFFFFF)) return false;
  return kill(static_cast<pid_t>(pid), SIGKILL) == 0;
}

std::uint32_t PosixProcesses::CurrentProcessId() { return static_cast<std::uint32_t>(getpid()); }

}  // namespace kit::posix

// platform/posix: adapters that do the work on Linux itself; stand-ins for Windows go in sim/.
// The clock and named mutexes of a POSIX program without a window.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/dialer/posix_dialer.h"
#include "platform/posix/posix_paths.h"
#include "ports/text.h"

namespace kit::posix {

std::int64_t ClockWait::NowSeconds() { return static_cast<std::int64_t>(::time(nullptr)); }

void ClockWait::PumpMessages() { SleepMs(10); }

std::int64_t ClockWait::MonotonicMs() {
  timespec t{};
  ::clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<std::int64_t>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

void ClockWait::SleepMs(unsigned ms) {
  timespec t{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
  while (::nanosleep(&t, &t) != 0 && errno == EINTR) {
  }
}

// ---- mutexes ----

LockFileMutexes::LockFileMutexes(std::string folder) : folder_(std::move(folder)) {
  if (folder_.empty()) folder_ = KitRoot() + "/mutex";
}

std::uintptr_t LockFileMutexes::Create(const std::string& name, bool, std::uint32_t* last_error) {
  *last_error = 0;
  for (std::size_t i = 1; i <= folder_.size(); ++i) {
    if (i == folder_.size() || folder_[i] == '/') ::mkdir(folder_.substr(0, i).c_str(), 0700);
  }
  const std::string path = folder_ + "/" + LowerHex(name) + ".lock";
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    *last_error = 5;
    return 0;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) *last_error = forms::kErrorAlreadyExists;
  return static_cast<std::uintptr_t>(fd) + 1;
}

void LockFileMutexes::Close(std::uintptr_t handle) {
  if (handle != 0) ::close(static_cast<int>(handle - 1));
}

}  // namespace kit::posix

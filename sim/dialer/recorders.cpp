// sim: stand-ins for Windows and its programs, for the POSIX hosts, the demo and the tests; ships nowhere.
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "sim/dialer/recorders.h"
#include "platform/posix/posix_paths.h"

namespace kit::sim {
namespace {

std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}

// Whole file or nothing: a new file renamed over the old.
bool WriteFileAtomically(const std::string& folder, const std::string& path,
                         const std::vector<std::uint8_t>& bytes) {
  for (std::size_t i = 1; i <= folder.size(); ++i) {
    if (i == folder.size() || folder[i] == '/') ::mkdir(folder.substr(0, i).c_str(), 0700);
  }
  std::string temp = path + ".new";
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  const std::uint8_t* p = bytes.data();
  std::size_t n = bytes.size();
  bool ok = true;
  while (ok && n > 0) {
    ssize_t w = ::write(fd, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) ok = false; else { p += w; n -= static_cast<std::size_t>(w); }
  }
  ok = ::fsync(fd) == 0 && ok;
  ok = ::close(fd) == 0 && ok;
  if (!ok || ::rename(temp.c_str(), path.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

constexpr std::uint32_t kRasCannotOpenPhonebook = 600 + 21;

}  // namespace

RecordingRas::RecordingRas(std::string folder) : folder_(std::move(folder)) {
  if (folder_.empty()) folder_ = posix::KitRoot() + "/phonebook";
}

std::string RecordingRas::FileFor(const std::string& entry, const char* kind) const {
  return folder_ + "/" + Hex(entry) + "." + kind;
}

std::uint32_t RecordingRas::SetEntryProperties(const std::string& phonebook, const std::string& entry,
                                               const std::vector<std::uint8_t>& record) {
  // Only the default phonebook exists here.
  if (!phonebook.empty() || entry.empty()) return kRasCannotOpenPhonebook;
  return WriteFileAtomically(folder_, FileFor(entry, "entry"), record) ? 0 : kRasCannotOpenPhonebook;
}

std::uint32_t RecordingRas::SetCredentials(const std::string& phonebook, const std::string& entry,
                                           const std::vector<std::uint8_t>& record, bool clear) {
  if (!phonebook.empty() || entry.empty()) return kRasCannotOpenPhonebook;
  std::vector<std::uint8_t> bytes = record;
  if (clear) bytes.clear();
  return WriteFileAtomically(folder_, FileFor(entry, "credentials"), bytes) ? 0 : kRasCannotOpenPhonebook;
}

bool DryRunStarter::Start(const std::string& command_line, int show_flag) {
  started.push_back(Started{command_line, show_flag});
  out_ << "[dry-run] " << (show_flag == show::kHide ? "hidden" : "normal") << ": " << command_line << "\n";
  out_.flush();
  return true;
}

bool DryRunPower::EnablePrivilege(const char* name) {
  out_ << "[dry-run] privilege: " << name << "\n";
  return true;
}

bool DryRunPower::ExitSession(unsigned flags, std::uint32_t reason) {
  out_ << "[dry-run] restart: flags " << flags << " reason " << reason << "\n";
  out_.flush();
  return true;
}

}  // namespace kit::sim

// sim: stand-ins for Windows and its programs, for the POSIX hosts, the demo and the tests; ships nowhere.
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "sim/dialer/recorders.h"

#include "platform/posix/iconv_codepage.h"
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

std::vector<std::uint8_t> Lines(const std::string& text) { return {text.begin(), text.end()}; }

}  // namespace

RecordingPhonebook::RecordingPhonebook(std::string folder, const ICodePage* cp)
    : folder_(std::move(folder)), cp_(cp != nullptr ? *cp : posix::SystemCodePage()) {
  if (folder_.empty()) folder_ = posix::KitRoot() + "/phonebook";
}

std::string RecordingPhonebook::FileFor(const std::string& entry, const char* kind) const {
  return folder_ + "/" + Hex(cp_.FromUtf8(entry)) + "." + kind;
}

bool RecordingPhonebook::CreateVpnEntry(const std::string& name, const std::string& server,
                                        const std::string& user, const std::string&) {
  if (name.empty()) return false;
  // The password stays with the dialer; the system would keep it hidden too.
  return WriteFileAtomically(folder_, FileFor(name, "entry"), Lines("L2TP to " + server + "\n")) &&
         WriteFileAtomically(folder_, FileFor(name, "credentials"), Lines("user " + user + "\n"));
}

bool DryRunStarter::Start(const std::string& command_line, int show_flag) {
  started.push_back(Started{command_line, show_flag});
  out_ << "[dry-run] " << (show_flag == show::kHide ? "hidden" : "normal") << ": " << command_line << "\n";
  out_.flush();
  return true;
}

std::string SimulatedOsVersion::Version() {
  const char* v = std::getenv("KIT_WINDOWS_VERSION");
  return v != nullptr && *v != '\0' ? v : "5.1.2600";
}

bool DryRunRestart::Restart(bool force) {
  out_ << "[dry-run] privilege: SeShutdownPrivilege\n";
  out_ << "[dry-run] restart: flags " << (force ? 6 : 2) << " reason 0\n";
  out_.flush();
  return true;
}

}  // namespace kit::sim

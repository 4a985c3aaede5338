// sim: stand-ins for Windows and its programs, for the POSIX hosts, the demo and the tests; ships nowhere.
#include "sim/dialer/recorders.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "dialer/commands.h"
#include "dialer/dialer.h"
#include "platform/posix/iconv_codepage.h"
#include "platform/posix/posix_paths.h"
#include "ports/text.h"

namespace kit::sim {
namespace {

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
  return folder_ + "/" + LowerHex(cp_.FromUtf8(entry)) + "." + kind;
}

bool RecordingPhonebook::CreateVpnEntry(const std::string& name, const std::string& server,
                                        const std::string& user, const std::string& password) {
  if (name.empty() || refuse) return false;
  entries.push_back(Entry{name, server, user, password});
  // The password stays out of the file; the system would keep it hidden too.
  return WriteFileAtomically(folder_, FileFor(name, "entry"), Lines("L2TP to " + server + "\n")) &&
         WriteFileAtomically(folder_, FileFor(name, "credentials"), Lines("user " + user + "\n"));
}

// ---- commands ----

std::string ExplainCommand(const std::string& c, const std::string& server_network) {
  using namespace dialer;
  if (c == kHangUpCommand) return "hang up the tunnel";
  if (StartsWith(c, "cmd /c rasdial ")) return "dial the tunnel with the user name and password of the boxes";
  if (c == kRasphoneCommand) return "open the system dial dialog of the entry, which dials with its stored credentials";
  if (c == kRouteDeleteDefault) return "drop every default route, so that only the local gateway gets one back";
  if (c == kRouteDeleteIntranet) return "remove the intranet route through the tunnel";
  if (c == RouteDeleteServerNetwork(server_network)) return "remove the route to the VPN servers' network";
  if (StartsWith(c, RouteAddServerNetwork(server_network, ""))) {
    return "the VPN servers' network through the local gateway, outside the tunnel";
  }
  if (StartsWith(c, RouteAddDefault(""))) return "everything but the intranet through the local gateway";
  if (StartsWith(c, RouteAddIntranet(""))) return "the office intranet through the tunnel gateway";
  if (c == kOptimizeCommand1 || c == kOptimizeCommand2) return "stop the IPsec policy agent, started on demand only";
  if (c == kOptimizeCommand3 || c == kOptimizeCommand4) return "stop and disable the connection sharing service";
  if (StartsWith(c, "\"")) return "the system information tool";
  return "a command of the dialer";
}

bool TranscriptStarter::Start(const std::string& command_line, int show_flag) {
  out_ << "why: " << ExplainCommand(command_line, server_network_) << "\n";
  out_ << "run: " << command_line << "\n";
  out_.flush();
  lines.push_back(Started{command_line, show_flag});
  if (started) started(command_line);
  return true;
}

// ---- waits ----

std::int64_t TranscriptWait::NowSeconds() { return static_cast<std::int64_t>(::time(nullptr)) + skipped_ms_ / 1000; }

std::int64_t TranscriptWait::MonotonicMs() { return clock_.MonotonicMs() + skipped_ms_; }

void TranscriptWait::Deliver() {
  if (!during_wait) return;
  std::function<void()> f = std::move(during_wait);
  during_wait = nullptr;
  f();
}

void TranscriptWait::PumpMessages() { Deliver(); }

void TranscriptWait::WaitForMessages(unsigned timeout_ms) {
  Deliver();
  // No window here sends messages: the wait is the whole timeout.
  if (skip_) {
    skipped_ms_ += timeout_ms;
  } else {
    clock_.SleepMs(timeout_ms);
  }
}

void TranscriptWait::WaitStarting(int seconds) {
  out_ << "wait: " << seconds << " s\n";
  out_.flush();
}

void TranscriptWait::SleepMs(unsigned ms) {
  if (ms % 1000 == 0) {
    out_ << "wait: " << ms / 1000 << " s\n";
  } else {
    out_ << "wait: " << ms << " ms\n";
  }
  out_.flush();
  if (skip_) {
    skipped_ms_ += ms;
  } else {
    clock_.SleepMs(ms);
  }
}

// ---- other programs' windows ----

// A window's handle is its place times 1000; its buttons follow it.
WindowHandle SimWindows::FindTopLevel(const std::string& class_name, const std::string& caption) {
  for (std::size_t i = 0; i < windows.size(); ++i) {
    if (windows[i].class_name == class_name && windows[i].caption == caption) return (i + 1) * 1000;
  }
  return 0;
}

WindowHandle SimWindows::FindChild(WindowHandle parent, WindowHandle after, const std::string& class_name) {
  if (parent == 0 || parent % 1000 != 0 || parent / 1000 > windows.size() || class_name != "Button") return 0;
  const std::size_t next = after == 0 ? 0 : after - parent;
  return next < windows[parent / 1000 - 1].buttons.size() ? parent + next + 1 : 0;
}

std::string SimWindows::GetText(WindowHandle window, int max_chars) {
  const std::size_t w = window / 1000, b = window % 1000;
  if (w == 0 || w > windows.size() || max_chars <= 0) return std::string();
  const std::string& text = b == 0 ? windows[w - 1].caption : windows[w - 1].buttons.at(b - 1);
  return text.substr(0, static_cast<std::size_t>(max_chars));
}

void SimWindows::Click(WindowHandle button) {
  out_ << "click: " << GetText(button, 255) << "\n";
  out_.flush();
}

// ---- boxes, pages, help ----

int TranscriptDialogs::MessageBox(std::uintptr_t, const std::string& text, const std::string& caption,
                                  unsigned style) {
  out_ << "box: [" << caption << "] " << text << " (style " << style << ")\n";
  auto name = [](int a) { return a == id::kYes ? "yes" : a == id::kNo ? "no" : a == id::kCancel ? "cancel" : "ok"; };
  const unsigned buttons = style & 0xF;
  int answer = DefaultAnswer(style);
  // Queued answers are for questions only.
  if (buttons != mb::kOk && !answers.empty()) {
    answer = answers.front();
    answers.pop_front();
  } else if (buttons != mb::kOk && terminal_ != nullptr) {
    const bool ok_cancel = buttons == mb::kOkCancel;
    out_ << (ok_cancel ? "answer ok or cancel? " : "answer yes or no? ");
    out_.flush();
    std::string line;
    if (std::getline(*terminal_, line)) {
      if (ok_cancel) {
        answer = (line == "c" || line == "cancel") ? id::kCancel : id::kOk;
      } else {
        answer = (line == "n" || line == "no") ? id::kNo : id::kYes;
      }
    }
  }
  out_ << "answer: " << name(answer) << "\n";
  out_.flush();
  return answer;
}

std::intptr_t PrintingShell::Execute(const ShellRequest& r) {
  out_ << "open: " << r.file;
  if (!r.verb.empty()) out_ << " (verb " << r.verb << ")";
  if (!r.parameters.empty()) out_ << " (parameters " << r.parameters << ")";
  if (!r.directory.empty()) out_ << " (in " << r.directory << ")";
  if (r.show != kSwShowNormal) out_ << " (show " << r.show << ")";
  out_ << "\n";
  out_.flush();
  return 42;
}

std::uintptr_t PrintingHelpViewer::Display(std::uintptr_t, const std::string& path) {
  out_ << "help: " << path << "\n";
  out_.flush();
  return 0;
}

// ---- restart ----

bool TranscriptRestart::Restart(bool force) {
  constexpr unsigned kReboot = 2, kForce = 4;  // EWX_REBOOT, EWX_FORCE
  out_ << "privilege: SeShutdownPrivilege\n";
  if (refuse) {
    out_ << "restart: refused\n";
    out_.flush();
    return false;
  }
  out_ << "restart: the machine would restart now (flags " << (kReboot | (force ? kForce : 0u)) << ", reason 0)\n";
  out_.flush();
  return true;
}

}  // namespace kit::sim

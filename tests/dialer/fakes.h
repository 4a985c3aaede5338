// Recording doubles of the dialer's ports. Everything they see goes into one
// journal, in order, so tests can compare whole transcripts.
#pragma once
#include <algorithm>
#include <cctype>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "dialer/dialer.h"
#include "ports/platform.h"

namespace kit::testing {

class Journal {
 public:
  void Add(const std::string& line) { lines.push_back(line); }
  // Consecutive seconds of waiting collapse into one "wait N" line.
  void Waited() {
    if (!lines.empty() && lines.back().rfind("wait ", 0) == 0) {
      int n = std::stoi(lines.back().substr(5));
      lines.back() = "wait " + std::to_string(n + 1);
    } else {
      lines.push_back("wait 1");
    }
  }
  // Only the lines that start with `prefix`.
  std::vector<std::string> With(const std::string& prefix) const {
    std::vector<std::string> r;
    for (const auto& l : lines) {
      if (l.rfind(prefix, 0) == 0) r.push_back(l);
    }
    return r;
  }
  std::vector<std::string> lines;
};

inline std::string LowerAscii(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

// Keys by lower-cased path; values keep their type and bytes.
class FakeRegistry : public ISettingsStore {
 public:
  using Value = RegValue;
  std::map<std::string, std::map<std::string, Value>> keys;  // "<root>|path"
  bool fail_create = false, fail_set = false;

  static std::string Id(RegRoot root, const std::string& path) {
    return std::to_string(static_cast<std::uint32_t>(root)) + "|" + LowerAscii(path);
  }
  void AddKey(RegRoot root, const std::string& path) { keys[Id(root, path)]; }
  void Put(RegRoot root, const std::string& path, const std::string& name, std::uint32_t type,
           std::vector<std::uint8_t> data) {
    keys[Id(root, path)][LowerAscii(name)] = Value{type, std::move(data)};
  }
  const Value* Get(RegRoot root, const std::string& path, const std::string& name) const {
    auto k = keys.find(Id(root, path));
    if (k == keys.end()) return nullptr;
    auto v = k->second.find(LowerAscii(name));
    return v == k->second.end() ? nullptr : &v->second;
  }

  bool KeyExists(RegRoot root, const std::string& path) override { return keys.count(Id(root, path)) != 0; }
  KeyCreation CreateKey(RegRoot root, const std::string& path) override {
    if (fail_create) return KeyCreation::kFailed;
    const bool existed = keys.count(Id(root, path)) != 0;
    // Every key on the path, as the system creates them.
    for (std::size_t i = 0; i <= path.size(); ++i) {
      if (i == path.size() || path[i] == '\\') keys[Id(root, path.substr(0, i))];
    }
    return existed ? KeyCreation::kExisted : KeyCreation::kCreated;
  }
  std::optional<RegValue> ReadValue(RegRoot root, const std::string& path, const std::string& name) override {
    const Value* v = Get(root, path, name);
    if (v == nullptr) return std::nullopt;
    return *v;
  }
  bool WriteValue(RegRoot root, const std::string& path, const std::string& name, const RegValue& value) override {
    auto k = keys.find(Id(root, path));
    if (k == keys.end() || fail_set) return false;
    k->second[LowerAscii(name)] = value;
    return true;
  }
};

class FakeEcho : public IEcho {
 public:
  explicit FakeEcho(Journal& j) : j_(j) {}
  // Addresses (dotted) that answer; others time out.
  std::set<std::string> answering;
  bool unavailable = false;

  EchoResult Echo(std::uint32_t address, std::uint32_t timeout_ms) override {
    if (unavailable) return EchoResult::kUnavailable;
    std::string dotted = std::to_string(address & 0xFF) + "." + std::to_string((address >> 8) & 0xFF) + "." +
                         std::to_string((address >> 16) & 0xFF) + "." + std::to_string(address >> 24);
    j_.Add("echo " + dotted + " timeout " + std::to_string(timeout_ms));
    return answering.count(dotted) != 0 ? EchoResult::kReply : EchoResult::kNoReply;
  }
  std::string why() const override { return "no handle"; }

 private:
  Journal& j_;
};

// The OS version and the adapters; gateways can change call by call.
class FakeWmi : public IOsVersion, public INetworkAdapters {
 public:
  std::string version = "5.1.2600";
  // Each GetIpGateway query pops the front (the last stays).
  std::deque<std::vector<NetworkAdapter>> adapters{{}};
  bool unreachable = false;
  int adapter_queries = 0;

  static NetworkAdapter Adapter(std::vector<std::string> gateways, bool has_addresses = true) {
    NetworkAdapter a;
    a.has_addresses = has_addresses;
    a.gateways = std::move(gateways);
    return a;
  }
  void SetGateway(const std::string& gw) { adapters = {{Adapter({gw})}}; }
  void SetGateways(const std::vector<std::string>& seq) {
    adapters.clear();
    for (const auto& g : seq) adapters.push_back({Adapter({g})});
  }

  std::string Version() override {
    if (unreachable) throw SystemQueryError("cannot reach the management service");
    return version;
  }
  std::vector<NetworkAdapter> Adapters() override {
    if (unreachable) throw SystemQueryError("cannot reach the management service");
    ++adapter_queries;
    std::vector<NetworkAdapter> r = adapters.front();
    if (adapters.size() > 1) adapters.pop_front();
    return r;
  }
};

class FakeLinks : public ILinkCounters {
 public:
  std::vector<InterfaceCounters> rows;
  std::vector<InterfaceCounters> Interfaces() override { return rows; }
};

inline InterfaceCounters Ppp(std::uint32_t speed, std::uint32_t in, std::uint32_t out, std::uint32_t discards) {
  return InterfaceCounters{true, speed, in, out, discards};
}

class FakePhonebook : public IPhonebook {
 public:
  explicit FakePhonebook(Journal& j) : j_(j) {}
  bool result = true;
  std::string name, server, user, password;
  bool CreateVpnEntry(const std::string& n, const std::string& s, const std::string& u,
                      const std::string& p) override {
    j_.Add("phonebook " + s + " " + u);
    name = n;
    server = s;
    user = u;
    password = p;
    return result;
  }

 private:
  Journal& j_;
};

class RecordingStarter : public IProcessStarter {
 public:
  explicit RecordingStarter(Journal& j) : j_(j) {}
  bool Start(const std::string& command_line, int show) override {
    j_.Add("start " + std::to_string(show) + " " + command_line);
    return true;
  }

 private:
  Journal& j_;
};

// A dial dialog with buttons, when `shown`.
class FakeWindows : public IWindowFinder {
 public:
  explicit FakeWindows(Journal& j) : j_(j) {}
  bool shown = true;
  std::vector<std::string> buttons{"属性(&O)", "连接(&C)", "取消"};
  WindowHandle FindTopLevel(const std::string& cls, const std::string& caption) override {
    j_.Add("find " + cls + " " + caption);
    return shown ? 1 : 0;
  }
  WindowHandle FindChild(WindowHandle parent, WindowHandle after, const std::string& cls) override {
    if (parent != 1 || cls != "Button") return 0;
    WindowHandle next = after == 0 ? 10 : after + 1;
    return next - 10 < buttons.size() ? next : 0;
  }
  std::string GetText(WindowHandle w, int max_chars) override {
    return max_chars == 255 ? buttons.at(w - 10) : std::string();
  }
  void Click(WindowHandle w) override { j_.Add("click " + buttons.at(w - 10)); }

 private:
  Journal& j_;
};

// Every pump lets one second pass, then runs `on_pump` once, as a real
// message loop would deliver an event.
class FakeWait : public IWaitHost {
 public:
  explicit FakeWait(Journal& j) : j_(j) {}
  std::int64_t now = 1000;
  std::function<void()> on_pump;
  std::int64_t NowSeconds() override { return now; }
  void PumpMessages() override {
    ++now;
    j_.Waited();
    if (on_pump) {
      auto f = std::move(on_pump);
      on_pump = nullptr;
      f();
    }
  }
  void SleepMs(unsigned ms) override { j_.Add("sleep " + std::to_string(ms)); }

 private:
  Journal& j_;
};

class FakeRestart : public IRestart {
 public:
  explicit FakeRestart(Journal& j) : j_(j) {}
  bool ok = true;
  bool Restart(bool force) override {
    j_.Add(std::string("restart") + (force ? " force" : ""));
    return ok;
  }

 private:
  Journal& j_;
};

class FakeDialogs : public IDialogs {
 public:
  explicit FakeDialogs(Journal& j) : j_(j) {}
  std::deque<int> answers;  // then id::kOk
  int MessageBox(std::uintptr_t, const std::string& text, const std::string& caption,
                 unsigned style) override {
    j_.Add("box " + caption + "|" + text + "|" + std::to_string(style));
    if (answers.empty()) return id::kOk;
    int a = answers.front();
    answers.pop_front();
    return a;
  }
  std::optional<std::vector<std::string>> FileDialog(const FileDialogRequest&) override { return std::nullopt; }
  std::optional<std::string> BrowseForFolder(std::uintptr_t, const std::string&) override { return std::nullopt; }
  std::optional<ColorRef> ChooseColor(std::uintptr_t, ColorRef) override { return std::nullopt; }

 private:
  Journal& j_;
};

class FakeShell : public IShell {
 public:
  explicit FakeShell(Journal& j) : j_(j) {}
  std::intptr_t Execute(const ShellRequest& r) override {
    j_.Add("shell [" + r.verb + "] " + r.file + " [" + r.directory + "] " + std::to_string(r.show));
    return 42;
  }

 private:
  Journal& j_;
};

class FakeView : public dialer::IDialerView {
 public:
  explicit FakeView(Journal& j) : j_(j) {}
  std::string user, password;
  bool option1 = true, option2 = false, check1 = true;
  std::uintptr_t Owner() override { return 77; }
  std::string UserText() override { return user; }
  std::string PasswordText() override { return password; }
  bool Option1() override { return option1; }
  bool Option2() override { return option2; }
  bool RouteOptionChecked() override { return check1; }
  void FocusUser() override { j_.Add("focus Text1"); }
  void FocusPassword() override { j_.Add("focus Text2"); }
  void SetLabel(dialer::DialerLabel l, const std::string& t) override {
    const char* n = l == dialer::DialerLabel::kLabel6 ? "Label6" : l == dialer::DialerLabel::kLabel7 ? "Label7" : "Label8";
    j_.Add(std::string(n) + " " + t);
  }
  void SetPanel(int p, const std::string& t) override { j_.Add("panel" + std::to_string(p) + " " + t); }
  void RefreshNetworkStatus() override { j_.Add("refresh"); }
  void ResetDuration() override { j_.Add("counters 0"); }
  void SetDurationTimer(bool on, unsigned ms) override {
    j_.Add(std::string("Timer3 ") + (on ? "on " + std::to_string(ms) : "off"));
  }

 private:
  Journal& j_;
};

// Every port's fake, all writing to one journal.
struct PortFakes {
  Journal j;
  FakeRegistry registry;
  FakeEcho icmp{j};
  FakeWmi wmi;
  FakeLinks iftable;
  FakePhonebook ras{j};
  RecordingStarter starter{j};
  FakeWindows windows{j};
  FakeWait wait{j};
  FakeRestart power{j};
  FakeDialogs dialogs{j};
  FakeShell shell{j};
  dialer::DialerPorts ports{&registry, &ras,     &icmp,  &wmi,     &wmi,   &iftable, &starter,
                            &windows,  &wait,    &power, &dialogs, &shell, DefaultPlatform().codepage};
};

// The whole set wired to a dialer of one build.
struct Rig : PortFakes {
  explicit Rig(dialer::Build build = dialer::Build::kTunnelgate)
      : dialer(ports, dialer::DialerConfig(), dialer::ProfileFor(build), view) {}
  FakeView view{j};
  dialer::CDialer dialer;
};

}  // namespace kit::testing

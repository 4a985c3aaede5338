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
class FakeRegistry : public IRegistry {
 public:
  struct Value {
    std::uint32_t type;
    std::vector<std::uint8_t> data;
  };
  std::map<std::string, std::map<std::string, Value>> keys;  // "<root>|path"
  std::map<RegKey, std::string> open;
  RegKey next = 100;
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

  long OpenKey(RegRoot root, const std::string& path, std::uint32_t, RegKey* key) override {
    if (keys.count(Id(root, path)) == 0) return reg::kFileNotFound;
    *key = ++next;
    open[*key] = Id(root, path);
    return reg::kSuccess;
  }
  long CreateKey(RegRoot root, const std::string& path, RegKey* key, bool* existed) override {
    if (fail_create) return reg::kAccessDenied;
    *existed = keys.count(Id(root, path)) != 0;
    // Every key on the path, as the system creates them.
    for (std::size_t i = 0; i <= path.size(); ++i) {
      if (i == path.size() || path[i] == '\\') keys[Id(root, path.substr(0, i))];
    }
    *key = ++next;
    open[*key] = Id(root, path);
    return reg::kSuccess;
  }
  long QueryValue(RegKey key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                  std::uint32_t* size) override {
    auto k = open.find(key);
    if (k == open.end()) return reg::kInvalidParameter;
    auto& values = keys[k->second];
    auto v = values.find(LowerAscii(name));
    if (v == values.end()) return reg::kFileNotFound;
    *type = v->second.type;
    auto n = static_cast<std::uint32_t>(v->second.data.size());
    if (data != nullptr && n > *size) {
      *size = n;
      return reg::kMoreData;
    }
    if (data != nullptr && n > 0) std::memcpy(data, v->second.data.data(), n);
    *size = n;
    return reg::kSuccess;
  }
  long SetValue(RegKey key, const std::string& name, std::uint32_t type, const std::uint8_t* data,
                std::uint32_t size) override {
    auto k = open.find(key);
    if (k == open.end()) return reg::kInvalidParameter;
    if (fail_set) return reg::kAccessDenied;
    keys[k->second][LowerAscii(name)] = Value{type, std::vector<std::uint8_t>(data, data + size)};
    return reg::kSuccess;
  }
  long CloseKey(RegKey key) override { return open.erase(key) ? reg::kSuccess : reg::kInvalidParameter; }
};

class FakeIcmp : public IIcmp {
 public:
  explicit FakeIcmp(Journal& j) : j_(j) {}
  // Addresses (dotted) that answer; others time out.
  std::set<std::string> answering;
  bool fail_create = false;
  bool write_reply_without_count = false;  // a handle that reports 0 yet writes status 0
  int created = 0, closed = 0;

  class Handle : public IIcmpHandle {
   public:
    explicit Handle(FakeIcmp& f) : f_(f) {}
    ~Handle() override { ++f_.closed; }
    std::uint32_t SendEcho(std::uint32_t address, std::uint16_t request_size, std::uint8_t* reply,
                           std::uint32_t reply_size, std::uint32_t timeout_ms) override {
      std::string dotted = std::to_string(address & 0xFF) + "." + std::to_string((address >> 8) & 0xFF) +
                           "." + std::to_string((address >> 16) & 0xFF) + "." +
                           std::to_string(address >> 24);
      f_.j_.Add("echo " + dotted + " size " + std::to_string(request_size) + " buffer " +
                std::to_string(reply_size) + " timeout " + std::to_string(timeout_ms));
      bool ok = f_.answering.count(dotted) != 0;
      std::uint32_t status = ok ? kIpSuccess : kIpReqTimedOut;
      if (f_.write_reply_without_count) return 0;
      if (!ok) return 0;
      std::memcpy(reply, &address, 4);
      std::memcpy(reply + 4, &status, 4);
      return 1;
    }

   private:
    FakeIcmp& f_;
  };

  std::unique_ptr<IIcmpHandle> Create() override {
    if (fail_create) return nullptr;
    ++created;
    return std::make_unique<Handle>(*this);
  }
  std::string why() const override { return "no handle"; }

 private:
  Journal& j_;
};

// The OS version and the adapters; gateways can change call by call.
class FakeWmi : public IWmi {
 public:
  std::string version = "5.1.2600";
  // Each GetIpGateway query pops the front (the last stays).
  std::deque<std::vector<WmiObject>> adapters{{}};
  bool unreachable = false;
  int adapter_queries = 0;

  static WmiObject Adapter(std::vector<std::string> ips, std::vector<std::string> gateways) {
    WmiObject o;
    o["IPAddress"] = std::move(ips);
    o["DefaultIPGateway"] = std::move(gateways);
    return o;
  }
  void SetGateway(const std::string& gw) {
    adapters = {{Adapter({"192.0.2.5"}, {gw})}};
  }
  void SetGateways(const std::vector<std::string>& seq) {
    adapters.clear();
    for (const auto& g : seq) adapters.push_back({Adapter({"192.0.2.5"}, {g})});
  }

  std::vector<WmiObject> ExecQuery(const std::string& wql, const std::vector<std::string>&) override {
    if (unreachable) throw WmiError("cannot reach the management service");
    if (wql == "Select * from Win32_OperatingSystem") {
      WmiObject o;
      o["Version"] = version;
      return {o};
    }
    if (wql == "Select * from Win32_NetworkAdapterConfiguration") {
      ++adapter_queries;
      std::vector<WmiObject> r = adapters.front();
      if (adapters.size() > 1) adapters.pop_front();
      return r;
    }
    throw WmiError("unexpected query " + wql);
  }
};

struct IfRow {
  std::uint32_t type, speed, in, out, discards, errors;
};

inline void Put32(std::vector<std::uint8_t>& v, std::size_t at, std::uint32_t x) {
  for (int i = 0; i < 4; ++i) v[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(x >> (8 * i));
}

inline std::vector<std::uint8_t> TableBytes(const std::vector<IfRow>& rows) {
  std::vector<std::uint8_t> t(4 + rows.size() * iftable::kRowSize, 0);
  Put32(t, 0, static_cast<std::uint32_t>(rows.size()));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    std::size_t b = 4 + i * iftable::kRowSize;
    Put32(t, b + iftable::kTypeOffset, rows[i].type);
    Put32(t, b + iftable::kSpeedOffset, rows[i].speed);
    Put32(t, b + iftable::kInOctetsOffset, rows[i].in);
    Put32(t, b + iftable::kOutOctetsOffset, rows[i].out);
    Put32(t, b + iftable::kInDiscardsOffset, rows[i].discards);
    Put32(t, b + iftable::kInErrorsOffset, rows[i].errors);
  }
  return t;
}

class FakeIfTable : public IInterfaceTable {
 public:
  std::vector<IfRow> rows;
  std::uint32_t GetIfTable(std::uint8_t* table, std::uint32_t* size, bool) override {
    std::vector<std::uint8_t> t = TableBytes(rows);
    if (table == nullptr || *size < t.size()) {
      *size = static_cast<std::uint32_t>(t.size());
      return iftable::kInsufficientBuffer;
    }
    std::memcpy(table, t.data(), t.size());
    return iftable::kSuccess;
  }
};

class FakeRas : public IRas {
 public:
  explicit FakeRas(Journal& j) : j_(j) {}
  std::uint32_t entry_result = 0, cred_result = 0;
  std::vector<std::uint8_t> entry, credentials;
  std::string entry_name, cred_name;
  std::uint32_t SetEntryProperties(const std::string& phonebook, const std::string& name,
                                   const std::vector<std::uint8_t>& record) override {
    j_.Add("ras entry [" + phonebook + "] " + std::to_string(record.size()));
    entry_name = name;
    entry = record;
    return entry_result;
  }
  std::uint32_t SetCredentials(const std::string& phonebook, const std::string& name,
                               const std::vector<std::uint8_t>& record, bool clear) override {
    j_.Add("ras credentials [" + phonebook + "] " + std::to_string(record.size()) + (clear ? " clear" : ""));
    cred_name = name;
    credentials = record;
    return cred_result;
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

class FakePower : public ISystemPower {
 public:
  explicit FakePower(Journal& j) : j_(j) {}
  bool exit_ok = true;
  std::uint32_t PlatformId() override { return 2; }
  bool EnablePrivilege(const char* name) override {
    j_.Add(std::string("privilege ") + name);
    return true;
  }
  bool ExitSession(unsigned flags, std::uint32_t reason) override {
    j_.Add("exitwindows " + std::to_string(flags) + " " + std::to_string(reason));
    return exit_ok;
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
  FakeIcmp icmp{j};
  FakeWmi wmi;
  FakeIfTable iftable;
  FakeRas ras{j};
  RecordingStarter starter{j};
  FakeWindows windows{j};
  FakeWait wait{j};
  FakePower power{j};
  FakeDialogs dialogs{j};
  FakeShell shell{j};
  dialer::DialerPorts ports{&registry, &icmp,   &wmi,    &iftable, &ras,   &starter,
                            &windows,  &wait,   &power,  &dialogs, &shell, DefaultPlatform().codepage};
};

// The whole set wired to a dialer of one build.
struct Rig : PortFakes {
  explicit Rig(dialer::Build build = dialer::Build::kTunnelgate)
      : dialer(ports, dialer::DialerConfig(), dialer::ProfileFor(build), view) {}
  FakeView view{j};
  dialer::CDialer dialer;
};

}  // namespace kit::testing

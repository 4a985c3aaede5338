// tunnelgate / tunnelpost on POSIX: the dialer's main window without a
// screen. Start-up runs as on the desktop; then the window is driven by the
// options in order (or from the terminal), and the program leaves through
// its exit path. Nothing is changed on this machine: every command is
// printed ("run: ...") with why it would run, every wait as "wait: N s".
// The same source builds both programs; KIT_DIALER_TUNNELPOST picks the
// second build.
#include <limits.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "dialer/commands.h"
#include "dialer/form1.h"
#include "platform/posix/dialer/posix_dialer.h"
#include "ports/text.h"
#include "sim/dialer/desktop.h"

namespace {

using namespace kit;

#ifdef KIT_DIALER_TUNNELPOST
constexpr dialer::Build kBuild = dialer::Build::kTunnelpost;
constexpr char kProgram[] = "tunnelpost";
#else
constexpr dialer::Build kBuild = dialer::Build::kTunnelgate;
constexpr char kProgram[] = "tunnelgate";
#endif

struct Event {
  enum Kind { kSet, kAnswer, kPress } kind;
  std::string a, b;
};

struct Options {
  bool intranet = false, internet = true, real_probes = false, no_wait = false;
  std::string os = "5.1.2600";
  std::string gateway, tunnel_gateway;
  bool gateway_given = false;
  std::vector<Event> events;
};

void Usage(std::ostream& o) {
  o << "usage: " << kProgram
    << " [--intranet up|down] [--internet up|down] [--real-probes] [--no-wait]\n"
       "       [--os VERSION] [--gateway ADDR] [--tunnel-gateway ADDR]\n"
       "       [--set NAME=VALUE] [--answer yes|no] [--press NAME] [--script FILE] ...\n"
       "  --set, --answer and --press apply in order after start-up; then the program\n"
       "  exits through its exit path. NAME is a control or menu item of a loaded form,\n"
       "  or close, tray-left, tray-right. A script holds one event a line: set NAME=VALUE,\n"
       "  answer yes|no, press NAME. Without events on a terminal, a menu asks.\n"
       "  --real-probes: real ICMP echoes and the real interface table.\n";
}

bool UpDown(const std::string& v, bool* out) {
  if (v == "up") *out = true;
  else if (v == "down") *out = false;
  else return false;
  return true;
}

std::string TimeText() {
  char buf[16];
  time_t now = ::time(nullptr);
  tm local{};
  ::localtime_r(&now, &local);
  std::strftime(buf, sizeof buf, "%H:%M:%S", &local);
  return buf;
}

std::string ProgramFolder() {
  char buf[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  std::string p(buf, static_cast<std::size_t>(n));
  std::size_t slash = p.rfind('/');
  return slash == std::string::npos ? "." : p.substr(0, slash);
}

// A UI event script: one event a line, "set NAME=VALUE", "answer yes|no" or
// "press NAME"; blank lines and lines starting with '#' are skipped.
bool ReadScript(const std::string& path, Options* o) {
  std::ifstream in(path);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    std::size_t blank = line.find(' ');
    if (blank == std::string::npos) return false;
    const std::string verb = line.substr(0, blank), arg = line.substr(blank + 1);
    if (verb == "set" && arg.find('=') != std::string::npos) {
      o->events.push_back({Event::kSet, arg.substr(0, arg.find('=')), arg.substr(arg.find('=') + 1)});
    } else if (verb == "answer" && (arg == "yes" || arg == "no")) {
      o->events.push_back({Event::kAnswer, arg, ""});
    } else if (verb == "press") {
      o->events.push_back({Event::kPress, arg, ""});
    } else {
      return false;
    }
  }
  return true;
}

bool Parse(int argc, char** argv, Options* o) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](std::string* v) {
      if (i + 1 >= argc) return false;
      *v = argv[++i];
      return true;
    };
    std::string v;
    if (a == "--real-probes") {
      o->real_probes = true;
    } else if (a == "--no-wait") {
      o->no_wait = true;
    } else if (a == "--intranet") {
      if (!value(&v) || !UpDown(v, &o->intranet)) return false;
    } else if (a == "--internet") {
      if (!value(&v) || !UpDown(v, &o->internet)) return false;
    } else if (a == "--os") {
      if (!value(&o->os)) return false;
    } else if (a == "--gateway") {
      if (!value(&o->gateway)) return false;
      o->gateway_given = true;
    } else if (a == "--tunnel-gateway") {
      if (!value(&o->tunnel_gateway)) return false;
    } else if (a == "--set") {
      if (!value(&v) || v.find('=') == std::string::npos) return false;
      o->events.push_back({Event::kSet, v.substr(0, v.find('=')), v.substr(v.find('=') + 1)});
    } else if (a == "--answer") {
      if (!value(&v) || (v != "yes" && v != "no")) return false;
      o->events.push_back({Event::kAnswer, v, ""});
    } else if (a == "--press") {
      if (!value(&v)) return false;
      o->events.push_back({Event::kPress, v, ""});
    } else if (a == "--script") {
      if (!value(&v) || !ReadScript(v, o)) return false;
    } else {
      return false;
    }
  }
  return true;
}

class Driver {
 public:
  Driver(sim::HeadlessFormHost& host, dialer::Form1& form, std::ostream& out)
      : host_(host), form_(form), out_(out) {}

  // False for a name no loaded form has.
  bool Press(const std::string& name) {
    out_ << "press: " << name << "\n";
    if (name == "close") {
      form_.OnClose();
      return true;
    }
    if (name == "tray-left" || name == "tray-right") {
      form_.OnTrayMessage(dialer::kTrayCallbackMessage, name == "tray-left" ? forms::kWmLButtonUp : forms::kWmRButtonUp);
      return true;
    }
    sim::HeadlessForm* f = host_.FormWith(name);
    if (f == nullptr || f->events() == nullptr) {
      out_ << "error: no control " << name << " on a loaded form\n";
      return false;
    }
    const forms::FormModel::Item& item = f->model().items.at(name);
    if (!item.enabled || !item.visible) {
      out_ << "press: " << name << " is " << (item.enabled ? "hidden" : "disabled") << ", nothing happens\n";
      return true;
    }
    const std::string before = form_.dialer().last_route_decision().reason;
    const auto choice = form_.dialer().last_route_decision().choice;
    f->events()->OnClick(name);
    const dialer::RouteDecision& d = form_.dialer().last_route_decision();
    if ((name == "Command4" || name == "mm_file_dial") && form_.dialer().profile().manages_routes &&
        !(d.choice == choice && d.reason == before && choice == dialer::RouteChoice::kNone)) {
      ExplainRoute(d);
    }
    return true;
  }

  bool Set(const std::string& name, const std::string& value) {
    out_ << "set: " << name << "=" << (name == "Text2" ? std::string("***") : value) << "\n";
    sim::HeadlessForm* f = host_.FormWith(name);
    if (f == nullptr) {
      out_ << "error: no control " << name << " on a loaded form\n";
      return false;
    }
    forms::Kind kind = f->model().items.at(name).kind;
    if (kind == forms::Kind::kText) {
      f->SetCaption(name, value);
    } else if (kind == forms::Kind::kOption || kind == forms::Kind::kCheck) {
      f->SetValue(name, value == "1" ? 1 : 0);
    } else {
      out_ << "error: " << name << " takes no value\n";
      return false;
    }
    return true;
  }

  void ExplainRoute(const dialer::RouteDecision& d) {
    const auto& dl = form_.dialer();
    out_ << "route: local gateway " << (dl.oldgateway().empty() ? "(none)" : dl.oldgateway()) << ", tunnel gateway "
         << (dl.newgateway().empty() ? "(none)" : dl.newgateway()) << ": ";
    switch (d.choice) {
      case dialer::RouteChoice::kNone:
        out_ << "the route option is off, all traffic stays in the tunnel\n";
        break;
      case dialer::RouteChoice::kServerNetwork:
        out_ << "a LAN gateway on one side, only the servers' network goes outside the tunnel\n";
        break;
      case dialer::RouteChoice::kSplit:
        out_ << "split routes: the intranet through the tunnel, the rest through the local gateway\n";
        break;
      case dialer::RouteChoice::kRefused:
        out_ << "the routing table is left alone: " << d.reason << "\n";
        break;
    }
  }

  void Interactive(std::istream& in) {
    for (;;) {
      if (form_.Ended()) return;
      out_ << "\n" << form_.window().Caption("") << "\n";
      std::vector<std::string> names;
      sim::HeadlessForm* main = host_.Form("Form1");
      for (const forms::Control& c : main->layout().controls) {
        const auto& item = main->model().items.at(c.name);
        if (c.kind != forms::Kind::kButton || !item.enabled || !item.visible) continue;
        names.push_back(c.name);
        out_ << "  " << names.size() << ") " << item.caption << " (" << c.name << ")\n";
      }
      out_ << "  set NAME=VALUE, press NAME, q to exit> ";
      out_.flush();
      std::string line;
      if (!std::getline(in, line) || line == "q") return;
      if (kit::StartsWith(line, "set ") && line.find('=') != std::string::npos) {
        Set(line.substr(4, line.find('=') - 4), line.substr(line.find('=') + 1));
      } else if (kit::StartsWith(line, "press ")) {
        Press(line.substr(6));
      } else {
        char* end = nullptr;
        unsigned long n = std::strtoul(line.c_str(), &end, 10);
        if (end != line.c_str() && *end == '\0' && n >= 1 && n <= names.size()) Press(names[n - 1]);
      }
    }
  }

 private:
  sim::HeadlessFormHost& host_;
  dialer::Form1& form_;
  std::ostream& out_;
};

}  // namespace

int main(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    // Asked for, the usage is the answer; an option's value is not a request.
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      Usage(std::cout);
      return 0;
    }
    if (std::strcmp(argv[i], "--real-probes") != 0 && std::strcmp(argv[i], "--no-wait") != 0) ++i;
  }
  if (!Parse(argc, argv, &o)) {
    Usage(std::cerr);
    return 2;
  }
  std::ostream& out = std::cout;
  const bool interactive = o.events.empty() && ::isatty(0);
  if (!o.gateway_given) {
    // The machine's own default gateway stands in for the local one.
    std::ifstream route("/proc/net/route");
    std::stringstream text;
    text << route.rdbuf();
    auto gateways = posix::DefaultGateways(text.str());
    if (!gateways.empty()) o.gateway = gateways.front().second;
  }

  const dialer::BuildProfile& profile = dialer::ProfileFor(kBuild);
  dialer::DialerConfig config;
  sim::DesktopOptions options;
  options.skip_waits = o.no_wait;
  options.terminal = interactive ? &std::cin : nullptr;
  sim::SimulatedDesktop desktop(out, config, options);
  sim::SimulatedNetwork& network = desktop.network;
  network.intranet = o.intranet;
  network.internet = o.internet;
  network.os = o.os;
  network.gateway = o.gateway;
  network.tunnel_gateway = o.tunnel_gateway;
  network.real_probes = o.real_probes;
  static std::string (*time_text)() = TimeText;

  out << "program: " << kProgram << " (" << profile.app_title << "), Windows " << o.os << "\n";
  dialer::Form1 form(desktop.Ports(), desktop.FormPorts(ProgramFolder(), time_text), config, profile);
  if (!form.Form_Load()) {
    out << "end: another copy is running\n";
    return 0;
  }
  Driver driver(desktop.forms, form, out);
  int rc = 0;
  for (const Event& e : o.events) {
    if (form.Ended()) break;
    switch (e.kind) {
      case Event::kSet:
        if (!driver.Set(e.a, e.b)) rc = 1;
        break;
      case Event::kAnswer:
        desktop.dialogs.answers.push_back(e.a == "yes" ? id::kYes : id::kNo);
        break;
      case Event::kPress:
        if (!driver.Press(e.a)) rc = 1;
        break;
    }
  }
  if (interactive) driver.Interactive(std::cin);
  if (!form.Ended()) {
    out << "exit: through the exit path\n";
    form.OnClick("Command3");
  }
  out << "end\n";
  return rc;
}

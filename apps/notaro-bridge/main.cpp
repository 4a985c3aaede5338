// notaro-bridge [--port N] [--site-list LIST] [--idle SECONDS] [--transfer-ready]
//               [--ui EVENTS] [--ui-log FILE]
// Hosts the controls for pages in browsers without ActiveX: pages load
// http://127.0.0.1:PORT/notaro.js and drive Notaro and Quillpad through it.
// The port and the office's site list come from the kit's settings (see
// bridge.h); --port and --site-list stand in for them, --port 0 takes any
// free port. Every line the bridge prints goes to standard output: the port
// it listens on, the controls' message boxes and transfer windows; refused
// requests are told on standard error.
// The controls' windows are headless, as under notaro-host: the remark
// window of OpenRemark and the signature pads that pages show are worked by
// the user of the UI event script EVENTS (each window takes the events while
// it is in front; "wait MS" pauses the user, the bridge answering meanwhile),
// --ui-log writes down what they showed and did, and "snapshot FILE.png"
// events write the window in front as it looks.
#include <sys/random.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "apps/notaro-bridge/bridge.h"
#include "apps/notaro-bridge/bridge_server.h"
#include "apps/notaro-bridge/notaro_js.h"
#include "apps/notaro-host/console_dialogs.h"
#include "apps/notaro-host/host_controls.h"
#include "platform/posix/posix_loopback_peer.h"
#include "platform/posix/posix_page_site.h"
#include "ports/class_registry.h"
#include "ports/platform.h"
#include "ports/text.h"
#ifdef KIT_HAVE_OFFICE_PAGES
#include "platform/posix/posix_processes.h"
#include "sim/capture/office_pages.h"
#endif
#include "sim/registry/registry_store.h"
#include "sim/sigpad/quillpad_host.h"
#include "sim/ui/cairo_screen.h"
#include "sim/ui/headless_ui.h"

namespace {

std::atomic<bool> g_stop{false};
void OnSignal(int) { g_stop = true; }

std::string NewToken() {
  unsigned char bytes[16];
  std::size_t got = 0;
  while (got < sizeof bytes) {
    const ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
    if (n < 0) throw std::runtime_error("no random numbers for a session token");
    got += static_cast<std::size_t>(n);
  }
  return kit::LowerHex(bytes, sizeof bytes);
}

constexpr const char kUsage[] =
    "usage: notaro-bridge [--port N] [--site-list LIST] [--idle SECONDS] [--transfer-ready]\n"
    "                     [--ui EVENTS] [--ui-log FILE]";

bool ReadWhole(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream text;
  text << in.rdbuf();
  out = text.str();
  return true;
}

// A page's signature pad as a window of its own.
class PadControlWindow : public kit::bridge::IControlWindow {
 public:
  explicit PadControlWindow(std::unique_ptr<kit::sim::PadWindow> window) : window_(std::move(window)) {}
  void Place(const kit::bridge::WindowPlace& place) override {
    window_->Place(RectOf(place));
    window_->Show();
  }
  static kit::RectL RectOf(const kit::bridge::WindowPlace& p) {
    return {p.left, p.top, p.left + p.width, p.top + p.height};
  }

 private:
  std::unique_ptr<kit::sim::PadWindow> window_;
};

}  // namespace

int main(int argc, char** argv) {
  const kit::Platform& platform = kit::DefaultPlatform();
  kit::sim::FileRegistry settingsStore;
  kit::bridge::Settings settings = kit::bridge::ReadSettings(settingsStore, *platform.codepage);
  bool transferReady = false;
  std::string uiEvents, uiLog;
  const std::vector<std::string> args(argv + 1, argv + argc);
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage << std::endl;
      return 0;
    } else if (kit::bridge::TakeSettingsOption(args, i, settings)) {
    } else if (arg == "--transfer-ready") {
      transferReady = true;
    } else if (arg == "--ui" && i + 1 < args.size()) {
      if (!ReadWhole(args[++i], uiEvents)) {
        std::cerr << "notaro-bridge: cannot read the UI events " << args[i] << std::endl;
        return 2;
      }
    } else if (arg == "--ui-log" && i + 1 < args.size()) {
      uiLog = args[++i];
    } else {
      std::cerr << kUsage << std::endl;
      return 2;
    }
  }
  std::ofstream uiLogFile;
  if (!uiLog.empty()) {
    uiLogFile.open(uiLog, std::ios::binary | std::ios::trunc);
    if (!uiLogFile) {
      std::cerr << "notaro-bridge: cannot write " << uiLog << std::endl;
      return 2;
    }
  }
  try {
    kit::sim::HeadlessUi ui(kit::sim::ParseUiScript(uiEvents), uiLog.empty() ? nullptr : &uiLogFile);
    kit::sim::CairoScreen screen(ui);
    kit::script::ConsoleDialogs messages(std::cout);
    kit::hosting::HostControlPorts ports;
    ports.ui = &ui;
    ports.messages = &messages;
    // Nobody sits at the bridge's terminal: the choosers cancel.
    ports.choosers = &messages;
    ports.status_out = stdout;
    ports.transfer_ready = transferReady;
    ports.pad_user_present = [] { return false; };
    kit::hosting::HostControls controls(ports);
    kit::ClassRegistry registry;
    controls.Register(registry);
#ifdef KIT_HAVE_OFFICE_PAGES
    kit::sim::RegisterOfficeRenderer(kit::sim::ProcessAutomation(), kit::sim::ProcessClipboard());
#endif
    kit::bridge::Bridge::Ports bridgePorts;
    bridgePorts.registry = &registry;
    bridgePorts.codepage = platform.codepage;
    bridgePorts.zone_of = kit::posix::ZoneOfAddress;
    bridgePorts.new_token = NewToken;
    bridgePorts.same_user = [](int peer, int local) {
      const std::optional<unsigned> user = kit::posix::LoopbackPeerUser(peer, local);
      return user && *user == ::getuid();
    };
    bridgePorts.refused = [](const kit::bridge::Request& request, const kit::bridge::Response& response) {
      std::cerr << "notaro-bridge: refused " << request.method << " " << request.path << " from "
                << request.origin.value_or("no origin") << ": " << response.status << " " << response.body
                << std::endl;
    };
    bridgePorts.open_window = [&ui](kit::automation::IDispatchObject& control, const kit::bridge::WindowPlace& place)
        -> std::unique_ptr<kit::bridge::IControlWindow> {
      auto pad = kit::sim::ShowPadWindow(ui, control, PadControlWindow::RectOf(place));
      if (pad == nullptr) return nullptr;
      return std::make_unique<PadControlWindow>(std::move(pad));
    };
    kit::bridge::Bridge bridge(bridgePorts, settings, std::string(kit::bridge::kNotaroJs));
    kit::bridge::BridgeServer server(bridge);
    // The windows' loops and the serving share the thread: a modal window
    // lets the server answer what need not wait for it, and modeless pads
    // take their input between requests.
    ui.SetIdleWork([&server](std::chrono::milliseconds wait) { server.AnswerMeanwhile(wait); });
    server.SetIdleWork([&ui] { ui.DispatchPending(); });
    const int port = server.Bind(settings.port);
    if (port < 0) {
      std::cerr << "notaro-bridge: 127.0.0.1:" << settings.port
                << " is held by another program, perhaps another user's bridge on this computer; give this "
                   "user another port (BridgePort in the settings)"
                << std::endl;
      return 3;
    }
    std::cout << "notaro-bridge listening on http://127.0.0.1:" << port << std::endl;
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    server.Serve(&g_stop);
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "notaro-bridge: " << e.what() << std::endl;
    return 1;
  }
}

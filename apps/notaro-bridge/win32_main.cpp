// NotaroBridge.exe [--port N] [--site-list LIST] [--idle SECONDS] [--any-local-user] [--stop]
// The controls for pages in browsers without ActiveX on a Windows 10 or later
// desktop: each user's own bridge, started at logon, on 127.0.0.1. It shows
// nothing until a page needs a window: the remark window, the message boxes,
// the transfer window and the pad are the ActiveX controls' own, in front of
// the browser. The port and the site list are the kit's settings (bridge.h),
// read where the package writes them; --port and --site-list stand in for
// them, --port 0 takes any free port. --any-local-user answers the programs
// of every user of this computer (where the owner of a connection cannot be
// told, as for Linux programs reaching a bridge under wine). --stop ends the
// bridges started from this program file (the package's uninstall does).
// When standard output or error is open, the port is told on the one and
// refused requests on the other.
#include <winsock2.h>
#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <cstdlib>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "apps/notaro-bridge/bridge.h"
#include "apps/notaro-bridge/bridge_server.h"
#include "apps/notaro-bridge/notaro_js.h"
#include "gdi_dib_canvas.h"
#include "libjpeg_writer.h"
#include "platform/win32/bridge/pad_frame.h"
#include "platform/win32/bridge/win32_bridge.h"
#include "platform/win32/com/com_support.h"
#include "platform/win32/com/page_site.h"
#include "platform/win32/exchange/win32_exchange.h"
#include "platform/win32/notaro/notaro_extensions.h"
#include "ports/class_registry.h"
#include "ports/platform.h"
#include "remark/notaro_ctrl.h"
#include "sigpad/quillpad_ctrl.h"
#include "win32_file_stamps.h"

namespace {

namespace wb = kit::win32::bridge;

constexpr const char kUsage[] =
    "usage: NotaroBridge [--port N] [--site-list LIST] [--idle SECONDS] [--any-local-user] [--stop]";

// A line on standard output or error, when the program has one.
bool Say(DWORD which, const std::string& line) {
  const HANDLE h = GetStdHandle(which);
  if (h == nullptr || h == INVALID_HANDLE_VALUE) return false;
  const std::string text = line + "\r\n";
  DWORD written = 0;
  return WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) != FALSE;
}

// The command line's arguments in UTF-8, whatever the system's code page.
std::vector<std::string> Arguments() {
  std::vector<std::string> args;
  int n = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &n);
  if (wide == nullptr) return args;
  for (int i = 1; i < n; ++i) {
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
    std::string arg(bytes > 0 ? static_cast<std::size_t>(bytes) - 1 : 0, '\0');
    if (bytes > 1) WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, arg.data(), bytes, nullptr, nullptr);
    args.push_back(std::move(arg));
  }
  LocalFree(wide);
  return args;
}

std::wstring ProgramFile() {
  std::wstring path(32768, L'\0');
  const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  path.resize(n);
  return path;
}

kit::bridge::BridgeServer* g_server = nullptr;

// The bridge's own window, never shown: closing it (logging off, the
// package, --stop) ends the bridge.
LRESULT CALLBACK BridgeWindow(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  switch (msg) {
    case WM_CLOSE:
      if (g_server != nullptr) g_server->Stop();
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      if (w && g_server != nullptr) g_server->Stop();
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, w, l);
  }
}

HWND MakeBridgeWindow(HINSTANCE module) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = BridgeWindow;
  wc.hInstance = module;
  wc.lpszClassName = wb::kWindowClass;
  RegisterClassW(&wc);
  return CreateWindowExW(0, wb::kWindowClass, L"NotaroBridge", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr, module,
                         nullptr);
}

// The pad of the ActiveX control over the same Win32 adapters, and its
// message box as the remark control's are shown (or logged). A page has no
// window for the pad to sit in: the page shows it in a frame of its own.
struct PadAdapters {
  kit::win32::Win32FileLookup lookup;
  kit::win32::Win32Dialogs desktop;
  kit::win32::notaro::ControlDialogs dialogs{desktop, LogOfThisRun()};
  kit::GdiDibCanvasFactory canvas;
  kit::LibjpegWriter jpeg;
  kit::Win32FileStamps stamps;

  static std::string LogOfThisRun() {
    const char* log = std::getenv(kit::win32::notaro::kMessageBoxLogVariable);
    return log != nullptr ? log : "";
  }
};

void RegisterQuillpad(kit::ClassRegistry& registry, PadAdapters& a) {
  kit::sigpad::RegisterQuillpadControl(registry, [&a] {
    kit::sigpad::QuillpadPorts ports;
    ports.files = kit::DefaultPlatform().files;
    ports.codepage = kit::DefaultPlatform().codepage;
    ports.lookup = &a.lookup;
    ports.dialogs = &a.dialogs;
    ports.canvas = &a.canvas;
    ports.jpeg = &a.jpeg;
    ports.stamps = &a.stamps;
    // Pop-ups open on the frame whose toolbar was clicked.
    ports.popup = [](const std::vector<kit::sigpad::MenuItem>& items) -> std::optional<std::string> {
      wb::PadFrame* frame = wb::PadFrame::Handling();
      if (frame == nullptr) return std::nullopt;
      return frame->Popup(items);
    };
    return ports;
  });
}

// A page's pad in its frame; the frame goes with this object, before the pad.
class PadWindow : public kit::bridge::IControlWindow {
 public:
  PadWindow(kit::sigpad::UCQuillpad& pad, HINSTANCE module) : frame_(pad, module) {}
  void Place(const kit::bridge::WindowPlace& p) override {
    frame_.Place(RECT{p.left, p.top, p.left + p.width, p.top + p.height});
  }

 private:
  wb::PadFrame frame_;
};

int Run(const std::vector<std::string>& argv) {
  const kit::Platform& platform = kit::DefaultPlatform();
  wb::SettingsRegistry settingsStore;
  kit::bridge::Settings settings = kit::bridge::ReadSettings(settingsStore, *platform.codepage);
  bool anyUser = false;
  const std::size_t argc = argv.size();
  for (std::size_t i = 0; i < argc; ++i) {
    const std::string& arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      if (!Say(STD_OUTPUT_HANDLE, kUsage)) MessageBoxA(nullptr, kUsage, "NotaroBridge", MB_OK);
      return 0;
    } else if (kit::bridge::TakeSettingsOption(argv, i, settings)) {
    } else if (arg == "--any-local-user") {
      anyUser = true;
    } else if (arg == "--stop") {
      return wb::StopBridges(ProgramFile()) == 0 ? 0 : 1;
    } else {
      if (!Say(STD_ERROR_HANDLE, kUsage)) MessageBoxA(nullptr, kUsage, "NotaroBridge", MB_OK | MB_ICONERROR);
      return 2;
    }
  }

  // One bridge a port on a desktop: the logon's and one started by hand
  // are the same bridge, and the second ends quietly.
  HANDLE single = nullptr;
  if (settings.port != 0) {
    const std::wstring name = L"Local\\NotaroBridge." + std::to_wstring(settings.port);
    single = CreateMutexW(nullptr, FALSE, name.c_str());
    if (single != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
      Say(STD_ERROR_HANDLE, "NotaroBridge: a bridge on port " + std::to_string(settings.port) +
                                " already runs on this desktop");
      return 0;
    }
  }

  const HINSTANCE module = GetModuleHandleW(nullptr);
  kit::win32::com::g_module = module;
  // Word and the security manager are COM; the controls live on this thread.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const HWND window = MakeBridgeWindow(module);
  int status = 0;
  {
    wb::ForegroundWindows foreground;
    kit::ClassRegistry registry;
    kit::remark::RegisterNotaroControl(registry, [module](kit::remark::CNotaroCtrl& ctrl) {
      kit::win32::notaro::InstallWin32Extensions(ctrl, module, 0);
    });
    PadAdapters pad;
    RegisterQuillpad(registry, pad);

    kit::bridge::Bridge::Ports ports;
    ports.registry = &registry;
    ports.codepage = platform.codepage;
    ports.zone_of = kit::win32::com::ZoneOfAddress;
    ports.new_token = wb::NewSessionToken;
    if (!anyUser) {
      ports.same_user = [](int peer, int local) {
        const std::optional<std::uint32_t> process = wb::LoopbackPeerProcess(peer, local);
        return process && wb::RunsAsThisUser(*process);
      };
    }
    ports.refused = [](const kit::bridge::Request& request, const kit::bridge::Response& response) {
      const std::string line = "NotaroBridge: refused " + request.method + " " + request.path + " from " +
                               request.origin.value_or("no origin") + ": " + std::to_string(response.status) +
                               " " + response.body;
      if (!Say(STD_ERROR_HANDLE, line)) OutputDebugStringA((line + "\n").c_str());
    };
    ports.open_window = [module](kit::automation::IDispatchObject& control, const kit::bridge::WindowPlace& place)
        -> std::unique_ptr<kit::bridge::IControlWindow> {
      auto* quillpad = dynamic_cast<kit::sigpad::UCQuillpad*>(&control);
      if (quillpad == nullptr) return nullptr;
      auto window = std::make_unique<PadWindow>(*quillpad, module);
      window->Place(place);
      return window;
    };
    kit::bridge::Bridge bridge(ports, settings, std::string(kit::bridge::kNotaroJs));
    kit::bridge::BridgeServer server(bridge);
    int port = server.Bind(settings.port);
    // A port this program held a moment ago stays barred while the system
    // still keeps the closed connections of that time (a restart after
    // --stop): the bridge waits for it, unless someone listens there.
    for (int waited = 0; port < 0 && settings.port != 0 && waited < 240 && !wb::SomeoneListensOn(settings.port);
         waited += 2) {
      if (waited == 0) {
        Say(STD_ERROR_HANDLE, "NotaroBridge: 127.0.0.1:" + std::to_string(settings.port) +
                                  " is not free yet; waiting for it");
      }
      Sleep(2000);
      port = server.Bind(settings.port);
    }
    if (port < 0) {
      Say(STD_ERROR_HANDLE, "NotaroBridge: 127.0.0.1:" + std::to_string(settings.port) +
                                " is held by another program, perhaps another user's bridge on this computer; "
                                "give this user another port (BridgePort in the settings)");
      status = 3;
    } else {
      Say(STD_OUTPUT_HANDLE, "NotaroBridge listening on http://127.0.0.1:" + std::to_string(port));
      // The controls' windows and the serving share this thread: a call's
      // modal loop (the remark window, a message box) answers meanwhile what
      // need not wait for the call, and modeless pads take their input while
      // the bridge waits for requests.
      wb::MessageLoopWaiting waiting([&server] {
        // Not from a pad's own pop-up or message box: a page's release
        // there would take the pad from under its window's code. The
        // requests wait the moment until it closes.
        if (wb::PadFrame::Handling() != nullptr) return;
        server.AnswerMeanwhile(std::chrono::milliseconds(0));
      });
      kit::bridge::BridgeServer::Waiting hooks;
      hooks.wait = [&waiting, &server](std::chrono::milliseconds timeout, const std::function<bool()>& ready) {
        waiting.Wait(timeout, ready);
        if (waiting.QuitSeen()) server.Stop();
      };
      hooks.wake = [&waiting] { waiting.Wake(); };
      server.SetWaiting(std::move(hooks));
      g_server = &server;
      server.Serve();
      g_server = nullptr;
    }
  }
  if (window != nullptr) DestroyWindow(window);
  if (SUCCEEDED(com)) CoUninitialize();
  if (single != nullptr) CloseHandle(single);
  return status;
}

}  // namespace

int main() {
  try {
    return Run(Arguments());
  } catch (const std::exception& e) {
    Say(STD_ERROR_HANDLE, std::string("NotaroBridge: ") + e.what());
    return 1;
  }
}

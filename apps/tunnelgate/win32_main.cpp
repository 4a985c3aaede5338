// Tunnelgate.exe / Tunnelpost.exe: the main window on the desktop, its
// message loop until the window has unloaded. KIT_DIALER_TUNNELPOST picks
// the second build of the same source.
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "dialer/dialer_platform.h"
#include "dialer/form1.h"
#include "platform/win32/dialer/win32_forms.h"
#include "platform/win32/exchange/win32_exchange.h"
#include "platform/win32/win32_adapters.h"

namespace {
#ifdef KIT_DIALER_TUNNELPOST
constexpr kit::dialer::Build kBuild = kit::dialer::Build::kTunnelpost;
#else
constexpr kit::dialer::Build kBuild = kit::dialer::Build::kTunnelgate;
#endif
#ifdef KIT_DIALER_RECORDING
// The test build only: commands, phonebook calls, message boxes, pages and
// the restart go to the file named by KIT_DIALER_RECORD instead of the
// system; KIT_DIALER_PRESS names controls to press after start-up, then the
// program leaves through its exit path. With KIT_DIALER_SHOT_READY and
// KIT_DIALER_SHOT_GO it first announces the drawn window and holds it until
// the screenshot has been taken.
class Recorder : public kit::IProcessStarter,
                 public kit::IPhonebook,
                 public kit::IDialogs,
                 public kit::IShell,
                 public kit::IRestart {
 public:
  explicit Recorder(const char* path) : out_(path, std::ios::binary | std::ios::app) {}
  std::ofstream& out() { return out_; }
  bool Start(const std::string& line, int show) override {
    out_ << "run " << show << ": " << line << "\n";
    return true;
  }
  bool CreateVpnEntry(const std::string&, const std::string& server, const std::string& user,
                      const std::string&) override {
    out_ << "phonebook entry to " << server << " for " << user << "\n";
    return true;
  }
  int MessageBox(std::uintptr_t, const std::string& text, const std::string& caption, unsigned style) override {
    out_ << "box [" << caption << "] " << text << " (" << style << ")\n";
    return kit::DefaultAnswer(style);
  }
  std::optional<std::vector<std::string>> FileDialog(const kit::FileDialogRequest&) override { return std::nullopt; }
  std::optional<std::string> BrowseForFolder(std::uintptr_t, const std::string&) override { return std::nullopt; }
  std::optional<kit::ColorRef> ChooseColor(std::uintptr_t, kit::ColorRef) override { return std::nullopt; }
  std::intptr_t Execute(const kit::ShellRequest& r) override {
    out_ << "open: " << r.file << "\n";
    return 42;
  }
  bool Restart(bool force) override {
    out_ << "restart" << (force ? " forced" : "") << "\n";
    return true;
  }

 private:
  std::ofstream out_;
};

bool FileExists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

void PumpPending() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

// Bounded, so a helper that never answers cannot hang the test.
void HoldForScreenshot(HWND window) {
  const char* ready = std::getenv("KIT_DIALER_SHOT_READY");
  const char* go = std::getenv("KIT_DIALER_SHOT_GO");
  if (ready == nullptr || go == nullptr) return;
  UpdateWindow(window);
  PumpPending();
  std::ofstream(ready, std::ios::binary) << "shown\n";
  const DWORD start = GetTickCount();
  while (!FileExists(go) && GetTickCount() - start < 30000) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    PumpPending();
  }
}
#endif

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  using namespace kit;
  win32::Win32CodePage cp;
  win32::Win32Dialogs dialogs;
  win32::Win32Shell shell;
  win32::Win32FileSystem files;
  dialer::DialerPorts ports = dialer::DefaultDialerPorts(&dialogs, &shell);
#ifdef KIT_DIALER_RECORDING
  const char* record = std::getenv("KIT_DIALER_RECORD");
  if (record == nullptr) return 3;
  Recorder recorder(record);
  ports.processes = &recorder;
  ports.phonebook = &recorder;
  ports.dialogs = &recorder;
  ports.shell = &recorder;
  ports.restart = &recorder;
#endif
  win32::Win32FormHost host(cp, instance);
  win32::Win32Mutexes mutexes(cp);
  win32::Win32HelpViewer help(cp);
  dialer::FormPorts form_ports{&host, &mutexes, &help, &files, win32::ProgramFolder(cp), &win32::LocalTimeText};
  dialer::Form1 form(ports, form_ports, dialer::DialerConfig(), dialer::ProfileFor(kBuild));
  if (!form.Form_Load()) return 0;
  form.window().Show();
#ifdef KIT_DIALER_RECORDING
  HoldForScreenshot(reinterpret_cast<HWND>(form.window().Handle()));
  if (const char* press = std::getenv("KIT_DIALER_PRESS")) {
    std::stringstream names(press);
    for (std::string name; std::getline(names, name, ',');) {
      if (!form.Ended()) form.OnClick(name);
    }
  }
  if (!form.Ended()) form.OnClick("Command3");
  // Read back from the system's registry what start-up stored.
  recorder.out() << "registry LocalGateway=[" << form.dialer().settings().Get("LocalGateway") << "] IsOK key "
                 << (form.dialer().registry().KeyExists(RegRoot::kCurrentUser, dialer::kNeedCreatKey) ? "yes" : "no")
                 << "\n";
#endif
  MSG msg;
  while (!form.Ended() && GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}

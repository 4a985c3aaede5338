// The dialer's main window: set-up, dial and status controls, the status
// bar, three timers, menus and the tray icon. Both builds use this one form;
// the build profile decides the few places they differ.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "dialer/about.h"
#include "dialer/dialer.h"
#include "ports/files.h"
#include "ports/forms.h"

namespace kit::dialer {

struct FormPorts {
  forms::IFormHost* host;
  forms::IMutexes* mutexes;
  forms::IHelpViewer* help;
  IFileSystem* files;
  std::string program_folder;  // the folder of the running program, no trailing separator
  // The current time in the system's time format.
  std::string (*time_text)();
};

constexpr unsigned kTrayCallbackMessage = 2025;

// Everything the window shows at start, for this build.
forms::FormLayout Form1Spec(const BuildProfile& profile);

// help.chm beside the program, with the folder's own separator.
std::string HelpFilePath(const std::string& program_folder);

// "0时1分5秒"
std::string DurationText(int hour, int minute, int second);

// The tray tip field: the text padded with blanks, cut at a whole character
// of code page 936 and NUL-terminated within the 64 bytes.
std::string TrayTipField(const ICodePage& cp, const std::string& text);

class Form1 : public IDialerView, public forms::IFormEvents {
 public:
  Form1(const DialerPorts& ports, const FormPorts& form_ports, const DialerConfig& config,
        const BuildProfile& profile);
  ~Form1() override;
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;

  // The load handler. False when this copy ended at once (another runs).
  bool Form_Load();
  // The unload handler: tray icon, mutex, saved credentials, the end.
  void Form_Unload();
  bool Ended() const { return ended_; }

  bool IsAlreadyRunning();
  void RefreshNetworkStatus() override;
  void AddTrayIcon();
  void SetTrayTip(const std::string& text);
  void RemoveTrayIcon();
  bool TrayWndProc(unsigned message, long lparam);

  forms::IForm& window() { return *window_; }
  CDialer& dialer() { return dialer_; }
  frmAbout& about() { return about_; }
  Aboutme& author() { return author_; }
  forms::WindowState LastState() const { return last_state_; }
  bool Busy() const { return busy_ > 0; }

  // IFormEvents
  void OnClick(const std::string& name) override;
  void OnTimer(const std::string& name) override;
  void OnResize() override;
  bool OnTrayMessage(unsigned message, long lparam) override;
  void OnClose() override;

  // IDialerView
  std::uintptr_t Owner() override;
  std::string UserText() override;
  std::string PasswordText() override;
  bool Option1() override;
  bool Option2() override;
  bool RouteOptionChecked() override;
  void FocusUser() override;
  void FocusPassword() override;
  void SetLabel(DialerLabel label, const std::string& text) override;
  void SetPanel(int panel, const std::string& text) override;
  void ResetDuration() override;
  void SetDurationTimer(bool enabled, unsigned interval_ms) override;
  bool Closing() override { return closing_; }

 private:
  // Runs one handler; dial, hang-up, set-up and exit stay disabled while it
  // waits, and a close asked for meanwhile happens when it has returned.
  template <typename F>
  void Step(F&& body);
  void Enable(const std::string& name, bool enabled);
  void ApplyGuards();
  void RuntimeError(const std::string& number, const std::string& text);
  void ShowSetUp(bool entry_recorded, bool create_allowed);
  void ForcedMode();
  void ToTray();
  void DurationTick();
  void Quit();

  DialerPorts ports_;
  FormPorts form_ports_;
  const BuildProfile& profile_;
  forms::FormLayout layout_;
  std::unique_ptr<forms::IForm> window_;
  CDialer dialer_;
  frmAbout about_;
  Aboutme author_;

  std::uint16_t DingShiHour = 0, DingShiMinute = 0, DingShiSecond = 0;
  forms::WindowState last_state_ = forms::WindowState::kNormal;
  std::uintptr_t mutex_ = 0;
  bool tray_ = false;
  std::map<std::string, bool> wanted_enabled_;  // guarded controls as the logic wants them
  int busy_ = 0;
  bool closing_ = false;
  bool ended_ = false;
};

}  // namespace kit::dialer

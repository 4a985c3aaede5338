// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
// The member table of every new control of Notaro.ocx, its handlers over the
// Win32 adapters. Free of <windows.h>.
#pragma once
#include <cstdint>
#include <string>

#include "ports/dialogs.h"
#include "ports/http.h"
#include "remark/notaro_ctrl.h"

namespace kit::win32::notaro {

// When this environment variable names a file, message boxes are not shown:
// each is appended to that file as "[message box] TEXT" (UTF-8) and answered
// with its default button, as the kit's command-line host does; status
// window texts go there as "[status] TEXT". That is how pages run against
// the control with nobody at the desktop.
constexpr const char* kMessageBoxLogVariable = "KIT_MESSAGE_BOX_LOG";

// MessageBoxA and the common dialogs, or the log above.
class ControlDialogs : public IDialogs {
 public:
  explicit ControlDialogs(IDialogs& desktop, std::string log = std::string())
      : m_desktop(desktop), m_log(std::move(log)) {}
  int MessageBox(std::uintptr_t owner, const std::string& text, const std::string& caption,
                 unsigned style) override;
  std::optional<std::vector<std::string>> FileDialog(const FileDialogRequest& request) override;
  std::optional<std::string> BrowseForFolder(std::uintptr_t owner, const std::string& title) override;
  std::optional<ColorRef> ChooseColor(std::uintptr_t owner, ColorRef initial) override;

 private:
  IDialogs& m_desktop;
  std::string m_log;
};

// The status dialog, or the log above.
class ControlStatusWindows : public IStatusWindows {
 public:
  explicit ControlStatusWindows(IStatusWindows& desktop, std::string log = std::string())
      : m_desktop(desktop), m_log(std::move(log)) {}
  std::unique_ptr<IStatusWindow> Create() override;

 private:
  IStatusWindows& m_desktop;
  std::string m_log;
};

// Sets the control's whole member table: its own members, the local files,
// the transfers (files through the server's upload page), the Word process
// and document members and the Word upload, each over the Win32 adapters
// (COM automation for Word); the remark window opens on the desktop with
// `owner` disabled while it runs, its resources taken from `module` (an
// HINSTANCE). The adapters live as long as the module.
void InstallWin32Extensions(remark::CNotaroCtrl& ctrl, void* module, ui::WindowHandle owner);

}  // namespace kit::win32::notaro

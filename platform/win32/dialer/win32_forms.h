// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
// The dialer's forms over USER and the common controls: a fixed window laid
// out from twips at the screen's resolution, real menus, a status bar with
// tooltips, timers and a tray icon. Also the named mutex and HTML Help,
// loaded by name. Kept free of <windows.h>.
#pragma once
#include <memory>
#include <string>

#include "ports/codepage.h"
#include "ports/forms.h"

namespace kit::win32 {

class Win32FormHost : public forms::IFormHost {
 public:
  Win32FormHost(const ICodePage& cp, void* instance);
  std::unique_ptr<forms::IForm> Create(const forms::FormLayout& layout, forms::IFormEvents* events) override;

 private:
  const ICodePage& cp_;
  void* instance_;
};

// CreateMutexA; the last error is read right after the call.
class Win32Mutexes : public forms::IMutexes {
 public:
  explicit Win32Mutexes(const ICodePage& cp) : cp_(cp) {}
  std::uintptr_t Create(const std::string& name, bool initially_owned, std::uint32_t* last_error) override;
  void Close(std::uintptr_t handle) override;

 private:
  const ICodePage& cp_;
};

// HtmlHelpA from hhctrl.ocx, loaded on first use.
class Win32HelpViewer : public forms::IHelpViewer {
 public:
  explicit Win32HelpViewer(const ICodePage& cp) : cp_(cp) {}
  std::uintptr_t Display(std::uintptr_t owner, const std::string& path) override;

 private:
  const ICodePage& cp_;
  void* module_ = nullptr;
  void* html_help_ = nullptr;
};

// The folder of the running program (GetModuleFileNameA), UTF-8.
std::string ProgramFolder(const ICodePage& cp);
// The time in the user's format (GetTimeFormatA), UTF-8.
std::string LocalTimeText();

}  // namespace kit::win32

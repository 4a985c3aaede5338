// The two small forms of the help menu: about the program (with the system
// information button) and about its author. Both are modeless and keep their
// form object for the whole program; only the window comes and goes.
#pragma once
#include <memory>
#include <string>

#include "dialer/build_profile.h"
#include "dialer/registry_api.h"
#include "ports/files.h"
#include "ports/forms.h"
#include "ports/dialogs.h"
#include "ports/process.h"
#include "ports/shell.h"

namespace kit::dialer {

// The program's version, as the about box shows it.
constexpr int kVersionMajor = 1, kVersionMinor = 1, kVersionRevision = 5;
std::string VersionText();  // "版本 1.1.5 Build 20100610"

inline constexpr char kAboutCaption[] = "关于澄岚市电子政务办公网VPN拨号工具";
inline constexpr char kProductTitle[] = "澄岚市电子政务办公网VPN拨号工具";
inline constexpr char kSysInfoUnavailable[] = "此时系统信息不可用";
inline constexpr char kMsinfoKey[] = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
inline constexpr char kMsinfoLocationKey[] = "SOFTWARE\\Microsoft\\Shared Tools Location";

struct AboutPorts {
  forms::IFormHost* host;
  RegistryAPI* registry;
  IDialogs* dialogs;
  IProcessStarter* processes;
  IShell* shell;
  IFileSystem* files;
  const ICodePage* codepage;
};

class frmAbout : public forms::IFormEvents {
 public:
  frmAbout(const AboutPorts& ports, const BuildProfile& profile) : p_(ports), profile_(profile) {}
  static forms::FormLayout Layout();

  void Show();    // loads the window when it is not loaded
  void Unload();
  forms::IForm* window() { return window_.get(); }

  bool GetKeyValue(RegRoot KeyRoot, const std::string& KeyName, const std::string& SubKeyRef,
                   std::string& KeyVal);
  void StartSysInfo();

  void OnClick(const std::string& name) override;
  void OnTimer(const std::string&) override {}
  void OnResize() override {}
  bool OnTrayMessage(unsigned, long) override { return false; }
  void OnClose() override { Unload(); }

 private:
  AboutPorts p_;
  const BuildProfile& profile_;
  std::unique_ptr<forms::IForm> window_;
  bool loaded_once_ = false;
};

class Aboutme : public forms::IFormEvents {
 public:
  Aboutme(const AboutPorts& ports, const DialerConfig& config) : p_(ports), config_(config) {}
  static forms::FormLayout Layout(const DialerConfig& config);

  void Show();
  void Unload();
  forms::IForm* window() { return window_.get(); }

  void OnClick(const std::string& name) override;
  void OnTimer(const std::string&) override {}
  void OnResize() override {}
  bool OnTrayMessage(unsigned, long) override { return false; }
  void OnClose() override { Unload(); }

 private:
  void Open(const std::string& url);

  AboutPorts p_;
  const DialerConfig& config_;
  std::unique_ptr<forms::IForm> window_;
  bool loaded_once_ = false;
};

}  // namespace kit::dialer

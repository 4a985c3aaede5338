// The dialer's actions behind its buttons and menus: setting up the
// phonebook entry, dialling, hanging up, routing and exiting. The main
// window implements IDialerView and calls these from its handlers.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "dialer/build_profile.h"
#include "dialer/probes.h"
#include "dialer/registry_api.h"
#include "ports/codepage.h"
#include "ports/desktop.h"
#include "ports/dialogs.h"
#include "ports/echo.h"
#include "ports/link_counters.h"
#include "ports/phonebook.h"
#include "ports/process.h"
#include "ports/restart.h"
#include "ports/settings.h"
#include "ports/shell.h"
#include "ports/system_queries.h"

namespace kit::dialer {

// What the dialer needs of the system.
struct DialerPorts {
  ISettingsStore* settings;     // the registry
  IPhonebook* phonebook;        // the VPN entry and its credentials
  IEcho* echo;                  // ping
  INetworkAdapters* adapters;   // the default gateways
  IOsVersion* os;               // the operating system's version
  ILinkCounters* links;         // the link statistics
  IProcessStarter* processes;   // running a command
  IWindowFinder* windows;       // the system's dial dialog
  IWaitHost* wait;              // waiting with the window responsive
  IRestart* restart;            // restarting the machine
  IDialogs* dialogs;
  IShell* shell;
  const ICodePage* codepage;
};

enum class DialerLabel { kLabel6, kLabel7, kLabel8 };

// What the core reads from and shows in the main window.
class IDialerView {
 public:
  virtual ~IDialerView() = default;
  virtual std::uintptr_t Owner() = 0;
  virtual std::string UserText() = 0;      // Text1
  virtual std::string PasswordText() = 0;  // Text2
  virtual bool Option1() = 0;
  virtual bool Option2() = 0;
  virtual bool RouteOptionChecked() = 0;   // Check1; false in a build without it
  virtual void FocusUser() = 0;
  virtual void FocusPassword() = 0;
  virtual void SetLabel(DialerLabel label, const std::string& text) = 0;
  virtual void SetPanel(int panel, const std::string& text) = 0;  // 1-6
  virtual void RefreshNetworkStatus() = 0;
  virtual void ResetDuration() = 0;                          // the three counters = 0
  virtual void SetDurationTimer(bool enabled, unsigned interval_ms) = 0;  // Timer3
  // The program is closing: waits end at once.
  virtual bool Closing() { return false; }
};

// What the routing step chose after a dial, and why.
enum class RouteChoice {
  kNone,            // route option off: everything stays in the tunnel
  kServerNetwork,   // a LAN on one side: only the servers' network via the local gateway
  kSplit,           // default and servers via the local gateway, intranet via the tunnel
  kRefused,         // the gateways do not allow a safe change
};

struct RouteDecision {
  RouteChoice choice;
  std::string reason;  // empty unless refused
};

// Decides from the gateways before and after the dial.
RouteDecision DecideRoutes(const std::string& oldgateway, const std::string& newgateway,
                           bool route_option, bool gateway_timed_out);

// Message texts the core shows.
namespace text {
inline constexpr char kEnterUser[] = "请输入用户名！";
inline constexpr char kEnterPassword[] = "请输入密码！";
inline constexpr char kCreated[] = "VPN连接建立成功！连接名称不可更改";
inline constexpr char kCreateFailed[] =
    "VPN连接建立失败！请重新建立或检查您的操作系统，本程序不支持Windows 2000及以下版本。";
inline constexpr char kSuccessCaption[] = "成功";
inline constexpr char kFailureCaption[] = "失败";
inline constexpr char kOptimizeQuestion[] =
    "本次操作将会重新启动您的计算机，请关闭或保存您所有应用程序后在继续，是否继续本次操作？";
inline constexpr char kOptimizeQuestionCaption[] = "优化完毕重启计算机";
inline constexpr char kOptimizeDone[] = "VPN补丁优化完毕,确定后将重新启动计算机后生效！";
inline constexpr char kOptimizeDoneCaption[] = "关闭程序后为VPN优化";
inline constexpr char kOptimizeWriteFailed[] =
    "无法写入VPN优化设置（RasMan\\Parameters 的 ProhibitIPSec），优化没有完成，计算机不会重新启动。";
inline constexpr char kOptimizeFailedCaption[] = "优化失败";
inline constexpr char kRebootFailed[] = "无法重新启动计算机，请手动重新启动后VPN优化才能生效。";
inline constexpr char kGatewayTimeout[] =
    "拨号后网络设置失败，无法正常访问办公网，请退出拨号并重新运行";
inline constexpr char kGatewayTimeoutCaption[] = "警告，设置失败";
inline constexpr char kRoutesRefused[] = "无法确认本机网关和VPN网关，路由表没有修改。";
inline constexpr char kUnsafeCredentials[] =
    "用户名或密码中含有不能放进拨号命令的字符（%、\"或控制字符），请修改后再拨号。";
inline constexpr char kSlowLink[] = "VPN连接速度太慢了，会影响使用的效果。";
inline constexpr char kExitCaption[] = "断开后退出？";
inline constexpr char kLanGatewayWarning[] = "10.1.X.X网段的局域网用户拨号后将不正常";
}  // namespace text

class CDialer {
 public:
  CDialer(const DialerPorts& ports, const DialerConfig& config, const BuildProfile& profile,
          IDialerView& view);

  const BuildProfile& profile() const { return profile_; }
  const DialerConfig& config() const { return config_; }
  CProbes& probes() { return probes_; }
  RegistryAPI& registry() { return registry_; }
  Settings& settings() { return settings_; }

  // Waits HowLong seconds of a monotonic clock while the window keeps
  // handling messages; returns at once when the program is closing.
  void Delay(int HowLong);

  // Set-up (the create and optimize buttons).
  void CreateEntryStep();
  void OptimizeStep();
  bool RebootSystem(bool force);

  // Dial, hang up, refresh, exit. ExitStep returns when the window may unload.
  void DialWithPhonebookDialog();
  void DialStep();
  void HangUpStep();
  void RefreshStep();
  void ExitStep();

  void ShowLinkStatistics();
  void UpdateLinkStatistics();

  // Start-up pieces for the main window.
  bool IsOptimized();       // "ProhibitIPSec" = 1
  bool IsEntryRecorded();   // "IsOK" = 1
  // oldgateway = the gateway now, saved as "LocalGateway"; warns on a 10.x LAN.
  void ReadLocalGateway();
  // On Vista / 7 the stored user name and password; nullopt elsewhere.
  std::optional<std::pair<std::string, std::string>> StoredCredentials();
  // On Vista / 7 when both boxes hold text (exit and unload).
  void SaveCredentialsIfComplete();
  // A page in the default browser (no verb, SW_SHOWNORMAL).
  void OpenWebPage(const std::string& url);

  const std::string& oldgateway() const { return oldgateway_; }
  const std::string& newgateway() const { return newgateway_; }
  std::int32_t interopti() const { return interopti_; }
  const RouteDecision& last_route_decision() const { return last_route_; }

 private:
  int Message(const std::string& message, const std::string& caption, unsigned style);
  void Start(const std::string& command_line, int show);
  bool WaitForTunnelGateway();  // false when the 60 rounds ran out
  void RouteAfterDial(bool timed_out);
  void DeleteSplitRoutes();
  bool ShouldDeleteRoutes();

  DialerPorts ports_;
  DialerConfig config_;
  const BuildProfile& profile_;
  IDialerView& view_;
  CProbes probes_;
  RegistryAPI registry_;
  Settings settings_;

  std::string oldgateway_, newgateway_;
  std::int32_t interopti_ = 0;
  RouteDecision last_route_{RouteChoice::kNone, ""};
};

// True only when the entry and its credentials were both written.
bool Create_VPN_Connection(IPhonebook& phonebook, const std::string& sEntryName, const std::string& sServer,
                           const std::string& sUsername, const std::string& sPassword);

}  // namespace kit::dialer

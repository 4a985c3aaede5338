#include "dialer/dialer.h"


#include "dialer/commands.h"
#include "ports/text.h"

namespace kit::dialer {
namespace {

constexpr int kGatewayRounds = 60;
constexpr int kMaxDialogButtons = 256;

}  // namespace

bool Create_VPN_Connection(IPhonebook& phonebook, const std::string& sEntryName, const std::string& sServer,
                           const std::string& sUsername, const std::string& sPassword) {
  return phonebook.CreateVpnEntry(sEntryName, sServer, sUsername, sPassword);
}

RouteDecision DecideRoutes(const std::string& oldgateway, const std::string& newgateway,
                           bool route_option, bool gateway_timed_out) {
  const bool lan = StartsWith(newgateway, "192") || StartsWith(oldgateway, "192") ||
                   StartsWith(newgateway, "10");
  if (lan) {
    if (!IsDottedIPv4(oldgateway)) {
      return {RouteChoice::kRefused, "the local gateway is not an address"};
    }
    return {RouteChoice::kServerNetwork, ""};
  }
  if (!route_option) return {RouteChoice::kNone, ""};
  // The default route goes only when one can be put back, and the intranet
  // only through the tunnel's own gateway.
  if (gateway_timed_out) return {RouteChoice::kRefused, "the tunnel gateway did not appear"};
  if (!IsDottedIPv4(oldgateway)) return {RouteChoice::kRefused, "the local gateway is not an address"};
  if (!IsDottedIPv4(newgateway) || !StartsWith(newgateway, "172.")) {
    return {RouteChoice::kRefused, "the tunnel gateway is not the expected one"};
  }
  if (oldgateway == newgateway) return {RouteChoice::kRefused, "both gateways are the same"};
  return {RouteChoice::kSplit, ""};
}

CDialer::CDialer(const DialerPorts& ports, const DialerConfig& config, const BuildProfile& profile,
                 IDialerView& view)
    : ports_(ports),
      config_(config),
      profile_(profile),
      view_(view),
      probes_(*ports.echo, *ports.os, *ports.adapters, *ports.links),
      registry_(*ports.settings, *ports.codepage),
      settings_(registry_, profile) {}

int CDialer::Message(const std::string& message, const std::string& caption, unsigned style) {
  return ports_.dialogs->MessageBox(view_.Owner(), message, caption, style);
}

void CDialer::Start(const std::string& command_line, int show) {
  // Fire and forget: success is judged later by probing.
  ports_.processes->Start(command_line, show);
}

void CDialer::Delay(int HowLong) {
  ports_.wait->WaitStarting(HowLong);
  const std::int64_t target = ports_.wait->MonotonicMs() + std::int64_t{HowLong} * 1000;
  for (;;) {
    if (view_.Closing()) return;
    const std::int64_t now = ports_.wait->MonotonicMs();
    if (now >= target) return;
    // Sleeps until a message or the end of the wait, not in a spin.
    ports_.wait->WaitForMessages(static_cast<unsigned>(target - now));
  }
}

// ---- set-up ----

void CDialer::CreateEntryStep() {
  if (view_.UserText().empty()) {
    Message(text::kEnterUser, profile_.app_title, mb::kOk);
    view_.FocusUser();
    return;
  }
  if (view_.PasswordText().empty()) {
    Message(text::kEnterPassword, profile_.app_title, mb::kOk);
    view_.FocusPassword();
    return;
  }
  std::string server;
  if (view_.Option1()) server = config_.line1_server;
  if (view_.Option2()) server = config_.line2_server;
  const std::string user = view_.UserText();
  const std::string password = view_.PasswordText();

  const std::string os = probes_.GetOsversion();
  if (!IsXpOr2003(os) && !IsVistaOr7(os)) return;
  // On Vista and 7 these credentials go on the rasdial command line: what the
  // dial step would refuse is refused here, before anything is stored.
  if (IsVistaOr7(os) && !DialCommand(user, password)) {
    Message(text::kUnsafeCredentials, profile_.app_title, mb::kOk | mb::kIconWarning);
    if (ClassifyArgument(user) == ArgumentSafety::kRefused) {
      view_.FocusUser();
    } else {
      view_.FocusPassword();
    }
    return;
  }
  const bool ok = Create_VPN_Connection(*ports_.phonebook, kEntryName, server, user, password);
  if (!ok) {
    // The entry is not there on any version; no mark claims it is.
    Message(text::kCreateFailed, text::kFailureCaption, 112);
    return;
  }
  if (IsXpOr2003(os)) {
    if (!registry_.KeyExists(RegRoot::kCurrentUser, kNeedCreatKey)) {
      registry_.CreateRegKey(RegRoot::kCurrentUser, kNeedCreatKey);
    }
    registry_.WriteRegValue(RegRoot::kCurrentUser, kNeedCreatKey, "IsOK", reg::kDword, 1);
  }
  Message(text::kCreated, text::kSuccessCaption, mb::kIconInfo);
}

void CDialer::OptimizeStep() {
  if (Message(text::kOptimizeQuestion, text::kOptimizeQuestionCaption, mb::kYesNo | mb::kIconInfo) !=
      id::kYes) {
    return;
  }
  if (!registry_.WriteRegValue(RegRoot::kLocalMachine, kRasManParametersKey, "ProhibitIPSec",
                               reg::kDword, 1)) {
    // Without the value the reboot would not help L2TP; say so and stop.
    Message(text::kOptimizeWriteFailed, text::kOptimizeFailedCaption, mb::kOk | mb::kIconError);
    return;
  }
  Start(kOptimizeCommand1, show::kHide);
  Start(kOptimizeCommand2, show::kHide);
  Start(kOptimizeCommand3, show::kHide);
  Delay(2);
  Start(kOptimizeCommand4, show::kHide);
  Delay(2);
  if (Message(text::kOptimizeDone, text::kOptimizeDoneCaption, mb::kOk | mb::kIconInfo) == id::kOk) {
    if (!RebootSystem(true)) {
      Message(text::kRebootFailed, text::kOptimizeFailedCaption, mb::kOk | mb::kIconWarning);
    }
  }
}

bool CDialer::RebootSystem(bool force) { return ports_.restart->Restart(force); }

// ---- dial and hang up ----

void CDialer::DialWithPhonebookDialog() {
  Start(kRasphoneCommand, show::kNormalFocus);
  ports_.wait->PumpMessages();
  ports_.wait->SleepMs(1000);
  WindowHandle dialog = ports_.windows->FindTopLevel(kDialDialogClass, kDialDialogCaption);
  if (dialog == 0) return;
  WindowHandle button = ports_.windows->FindChild(dialog, 0, "Button");
  for (int i = 0; button != 0 && i < kMaxDialogButtons; ++i) {
    if (ports_.windows->GetText(button, 255).find("连接") != std::string::npos) {
      ports_.windows->Click(button);
      return;
    }
    button = ports_.windows->FindChild(dialog, button, "Button");
  }
}

bool CDialer::WaitForTunnelGateway() {
  for (int counter = 0; !StartsWith(newgateway_, "172"); ++counter) {
    if (counter == kGatewayRounds || view_.Closing()) return false;
    Delay(1);
    newgateway_ = probes_.GetIpGateway();
  }
  return true;
}

void CDialer::RouteAfterDial(bool timed_out) {
  last_route_ = DecideRoutes(oldgateway_, newgateway_, view_.RouteOptionChecked(), timed_out);
  switch (last_route_.choice) {
    case RouteChoice::kNone:
      return;
    case RouteChoice::kServerNetwork:
      Start(RouteAddServerNetwork(config_.server_network, oldgateway_), show::kHide);
      return;
    case RouteChoice::kSplit:
      Start(kRouteDeleteDefault, show::kHide);
      ports_.wait->SleepMs(1000);
      Delay(1);
      Start(RouteAddDefault(oldgateway_), show::kHide);
      ports_.wait->SleepMs(1000);
      Delay(1);
      Start(RouteAddIntranet(newgateway_), show::kHide);
      Delay(1);
      Start(RouteAddServerNetwork(config_.server_network, oldgateway_), show::kHide);
      interopti_ = 1;
      return;
    case RouteChoice::kRefused:
      // The time-out has had its own warning already.
      if (!timed_out) Message(text::kRoutesRefused, text::kGatewayTimeoutCaption, mb::kOk | mb::kIconWarning);
      return;
  }
}

void CDialer::DialStep() {
  const bool vista = IsVistaOr7(probes_.GetOsversion());
  if (vista) {
    // Refuse before anything changes on screen or in the network.
    std::optional<std::string> command = DialCommand(view_.UserText(), view_.PasswordText());
    if (!command) {
      Message(text::kUnsafeCredentials, profile_.app_title, mb::kOk | mb::kIconWarning);
      return;
    }
    view_.SetLabel(DialerLabel::kLabel8, "正在拨号");
    view_.SetPanel(1, "正在拨号,请稍候……");
    Start(*command, show::kHide);
    Delay(5);
    if (profile_.manages_routes) {
      if (IsDottedIPv4(oldgateway_)) {
        Start(RouteAddServerNetwork(config_.server_network, oldgateway_), show::kHide);
      }
      Delay(2);
    }
  } else {
    view_.SetLabel(DialerLabel::kLabel8, "正在拨号");
    view_.SetPanel(1, "正在拨号,请稍候…");
    DialWithPhonebookDialog();
    if (profile_.manages_routes) {
      view_.SetPanel(1, "设置路由表,请稍候……");
      Delay(1);
      newgateway_ = probes_.GetIpGateway();
      const bool found = WaitForTunnelGateway();
      if (!found && !view_.Closing()) Message(text::kGatewayTimeout, text::kGatewayTimeoutCaption, mb::kOk | mb::kIconWarning);
      settings_.Save("RomteGateway", newgateway_);
      RouteAfterDial(!found);
    }
  }
  if (profile_.manages_routes) {
    Delay(3);
  } else if (!WaitForTunnelGateway()) {
    view_.SetLabel(DialerLabel::kLabel6, text::kSlowLink);
  }
  view_.RefreshNetworkStatus();
  ShowLinkStatistics();
  view_.ResetDuration();
  view_.SetDurationTimer(true, 1000);
}

bool CDialer::ShouldDeleteRoutes() {
  return profile_.manages_routes && (interopti_ == 1 || view_.RouteOptionChecked());
}

void CDialer::DeleteSplitRoutes() {
  Start(kRouteDeleteIntranet, show::kHide);
  Start(RouteDeleteServerNetwork(config_.server_network), show::kHide);
}

void CDialer::HangUpStep() {
  view_.SetDurationTimer(false, 1000);
  if (ShouldDeleteRoutes()) {
    DeleteSplitRoutes();
    Delay(1);
  }
  Start(kHangUpCommand, show::kHide);
  view_.SetLabel(DialerLabel::kLabel7, "正在断开");
  view_.SetPanel(1, "正在断开,请稍候……");
  Delay(8);
  view_.RefreshNetworkStatus();
  ShowLinkStatistics();
}

void CDialer::RefreshStep() {
  view_.RefreshNetworkStatus();
  ShowLinkStatistics();
}

void CDialer::ExitStep() {
  if (probes_.ping(config_.intranet_host)) {
    if (Message(profile_.exit_question, text::kExitCaption, mb::kYesNo | mb::kIconInfo) == id::kYes) {
      if (ShouldDeleteRoutes()) {
        DeleteSplitRoutes();
        Delay(2);
      }
      Start(kHangUpCommand, show::kHide);
      view_.SetLabel(DialerLabel::kLabel7, "正在断开");
      view_.SetPanel(1, "正在断开VPN…");
      Delay(profile_.exit_hangup_delay);
    }
  } else {
    Start(kHangUpCommand, show::kHide);
  }
  SaveCredentialsIfComplete();
}

void CDialer::ShowLinkStatistics() {
  LinkPanels p = probes_.ShowLinkStatistics();
  for (int i = 0; i < 4; ++i) view_.SetPanel(i + 1, p[static_cast<std::size_t>(i)]);
}

void CDialer::UpdateLinkStatistics() {
  if (std::optional<LinkPanels> p = probes_.UpdateLinkStatistics()) {
    for (int i = 0; i < 4; ++i) view_.SetPanel(i + 1, (*p)[static_cast<std::size_t>(i)]);
  }
}

// ---- start-up pieces ----

bool CDialer::IsOptimized() {
  RegVariant v = registry_.ReadRegValue(RegRoot::kLocalMachine, kRasManParametersKey, "ProhibitIPSec",
                                        reg::kDword, std::int32_t{0});
  return std::get<std::int32_t>(v) == 1;
}

bool CDialer::IsEntryRecorded() {
  RegVariant v =
      registry_.ReadRegValue(RegRoot::kCurrentUser, kNeedCreatKey, "IsOK", reg::kDword, std::int32_t{0});
  return std::get<std::int32_t>(v) == 1;
}

void CDialer::ReadLocalGateway() {
  oldgateway_ = probes_.GetIpGateway();
  settings_.Save("LocalGateway", oldgateway_);
  if (StartsWith(oldgateway_, "10")) Message(text::kLanGatewayWarning, profile_.app_title, mb::kOk);
}

std::optional<std::pair<std::string, std::string>> CDialer::StoredCredentials() {
  if (!IsVistaOr7(probes_.GetOsversion())) return std::nullopt;
  return settings_.LoadCredentials();
}

void CDialer::SaveCredentialsIfComplete() {
  if (!IsVistaOr7(probes_.GetOsversion())) return;
  const std::string user = view_.UserText(), password = view_.PasswordText();
  if (user.empty() || password.empty()) return;
  settings_.SaveCredentials(user, password);
}

void CDialer::OpenWebPage(const std::string& url) {
  ShellRequest r;
  r.owner = view_.Owner();
  r.file = url;
  r.show = kSwShowNormal;
  ports_.shell->Execute(r);
}

}  // namespace kit::dialer

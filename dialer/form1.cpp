#include "dialer/form1.h"

#include <set>
#include <utility>
#include <vector>


namespace kit::dialer {
namespace {

using forms::Kind;

namespace msg {
constexpr char kAlreadyRunning[] = "澄岚VPN拨号工具，已经运行了。桌面上没有，请到系统托盘处看看";
constexpr char kAlreadyRunningCaption[] = "警告，程序已运行";
constexpr char kFirstRun[] =
    "第一次运行请先建立连接，如【优化】按钮可用，请先进行VPN优化后再建立连接，否则拨号将不正常！";
constexpr char kFirstRunCaption[] = "警告！";
constexpr char kNotice[] = "您已经建立了“澄岚市电子政务内网VPN连接”,不要重复建立，请直接拨号";
constexpr char kGateFooter[] = "澄岚市电子政务办公室 2010.07.07";
}  // namespace msg

// Controls whose handlers wait; none of them may start inside another's wait.
const std::set<std::string>& Guarded() {
  static const std::set<std::string> k{"Command1", "Command2",   "Command3",       "Command4",
                                       "Command5", "Command6",   "mm_file_dial",   "mm_file_undial",
                                       "mm_file_exit", "mm_file_force", "mnuTrayClose"};
  return k;
}

forms::Control C(const char* name, Kind kind, const char* container, const std::string& caption,
                 forms::Twips place) {
  forms::Control c;
  c.name = name;
  c.kind = kind;
  c.container = container;
  c.caption = caption;
  c.place = place;
  return c;
}

forms::Font Bold(int tenth_points, const char* face = "宋体") {
  forms::Font f;
  f.face = face;
  f.tenth_points = tenth_points;
  f.bold = true;
  return f;
}

forms::MenuItem M(const char* name, const char* caption, const char* parent, bool visible = true) {
  return forms::MenuItem{name, caption, parent, visible, true};
}

}  // namespace

std::string DurationText(int hour, int minute, int second) {
  return std::to_string(hour) + "时" + std::to_string(minute) + "分" + std::to_string(second) + "秒";
}

std::string HelpFilePath(const std::string& program_folder) {
  const char sep = program_folder.find('\\') == std::string::npos && program_folder.find('/') != std::string::npos
                       ? '/'
                       : '\\';
  return program_folder + sep + "help.chm";
}

std::string TrayTipField(const ICodePage& cp, const std::string& text) {
  std::string ansi = cp.FromUtf8(text);
  if (ansi.size() < forms::kTrayTipBytes) ansi.append(forms::kTrayTipBytes - ansi.size(), ' ');
  // NUL-terminated within the field, cut at a whole character.
  std::string field = ansi.substr(0, WholeCharacters(ansi, forms::kTrayTipBytes - 1));
  field.resize(forms::kTrayTipBytes, '\0');
  return field;
}

forms::FormLayout Form1Spec(const BuildProfile& profile) {
  forms::FormLayout s;
  s.name = "Form1";
  s.caption = profile.caption;
  s.client_width = 6645;
  s.client_height = 5520;
  s.icon = "Form1";

  std::vector<forms::Control>& c = s.controls;
  c.push_back(C("Frame1", Kind::kFrame, "", "请选择您合适的网络线路", {120, 120, 3495, 1215}));
  c.back().font = Bold(105);
  c.push_back(C("Option1", Kind::kOption, "Frame1", "线路1(适用于移动、铁通线路)", {240, 360, 3255, 300}));
  c.back().value = 1;
  c.push_back(C("Option2", Kind::kOption, "Frame1", "线路2(适用于联通、电信线路)", {240, 780, 3255, 300}));

  c.push_back(C("Frame2", Kind::kFrame, "", "对系统VPN设置进行优化", {3720, 120, 2805, 1215}));
  c.push_back(C("Option3", Kind::kOption, "Frame2", "Windows 2003/XP系统", {120, 270, 1815, 390}));
  c.back().value = 1;
  c.push_back(C("Option4", Kind::kOption, "Frame2", "Windows 7系统", {120, 720, 1815, 390}));
  c.push_back(C("Command2", Kind::kButton, "Frame2", "优  化", {1980, 360, 735, 615}));

  c.push_back(C("Frame6", Kind::kFrame, "", "输入VPN账号和密码", {120, 1320, 3495, 1335}));
  c.back().font = Bold(105);
  c.push_back(C("Label1", Kind::kLabel, "Frame6", "用户名：", {240, 420, 855, 255}));
  c.push_back(C("Text1", Kind::kText, "Frame6", "", {1140, 360, 2175, 315}));
  c.push_back(C("Label2", Kind::kLabel, "Frame6", "密  码：", {240, 870, 855, 255}));
  c.push_back(C("Text2", Kind::kText, "Frame6", "", {1140, 810, 2175, 315}));
  c.back().password = true;

  c.push_back(C("Frame5", Kind::kFrame, "", "", {120, 1320, 3495, 1335}));
  c.back().visible = false;
  c.push_back(C("Label5", Kind::kLabel, "Frame5", msg::kNotice, {180, 300, 3135, 855}));
  c.back().font = Bold(105, "楷体_GB2312");
  c.back().fore_color = forms::kRed;

  c.push_back(C("Frame9", Kind::kFrame, "", "", {3720, 1320, 2805, 1335}));
  c.push_back(C("Command1", Kind::kButton, "Frame9", "建立连接", {120, 240, 1215, 435}));
  c.push_back(C("Command6", Kind::kButton, "Frame9", "强制模式", {1440, 240, 1215, 435}));
  c.push_back(C("Command4", Kind::kButton, "Frame9", "拨   号", {120, 780, 1215, 435}));
  c.push_back(C("Command5", Kind::kButton, "Frame9", "断   开", {1440, 780, 1215, 435}));

  c.push_back(C("Frame4", Kind::kFrame, "", "互联网状态", {120, 2760, 4455, 855}));
  c.push_back(C("Image4", Kind::kImage, "Frame4", "red", {120, 330, 300, 300}));
  c.push_back(C("Image2", Kind::kImage, "Frame4", "green", {120, 330, 300, 300}));
  c.back().visible = false;
  c.push_back(C("Label8", Kind::kLabel, "Frame4", "互联网通", {480, 375, 855, 255}));
  c.back().font = Bold(90);
  c.push_back(C("Command8", Kind::kButton, "Frame4", "澄岚网", {1380, 300, 915, 375}));
  c.push_back(C("Command10", Kind::kButton, "Frame4", "公务邮箱", {2370, 300, 915, 375}));
  c.push_back(C("Command11", Kind::kButton, "Frame4", "导  航", {3360, 300, 915, 375}));

  c.push_back(C("Frame3", Kind::kFrame, "", "办公网状态", {120, 3720, 4455, 855}));
  c.push_back(C("Image1", Kind::kImage, "Frame3", "red", {120, 330, 300, 300}));
  c.push_back(C("Image3", Kind::kImage, "Frame3", "green", {120, 330, 300, 300}));
  c.back().visible = false;
  c.push_back(C("Label7", Kind::kLabel, "Frame3", "未拨号", {480, 375, 855, 255}));
  c.back().font = Bold(90);
  c.push_back(C("Command7", Kind::kButton, "Frame3", "澄岚办公网", {1380, 300, 1215, 375}));
  if (profile.build == Build::kTunnelpost) {
    c.push_back(C("Label6", Kind::kLabel, "Frame3", "", {2640, 240, 1695, 495}));
  }

  c.push_back(C("Frame7", Kind::kFrame, "", "", {4680, 2760, 1815, 1815}));
  if (profile.route_option) {
    c.push_back(C("Check1", Kind::kCheck, "Frame7", "拨号后提高访问澄岚政府网速度", {120, 180, 1575, 435}));
    c.back().value = 1;
  }
  c.push_back(C("Command9", Kind::kButton, "Frame7", "刷新网络状态", {120, 660, 1575, 315}));
  c.push_back(C("Command13", Kind::kButton, "Frame7", "至托盘", {120, 1020, 1575, 315}));
  c.push_back(C("Command3", Kind::kButton, "Frame7", "退  出", {120, 1380, 1575, 315}));

  c.push_back(C("Label3", Kind::kLabel, "", profile.footer.empty() ? msg::kGateFooter : profile.footer,
                {1680, 4680, 3615, 255}));

  s.panels = {{"VPN连接状态", ""}, {"收到数据包", ""}, {"发送数据包", ""},
              {"错误数据包", ""},  {"拨号持续时间", ""}, {"当前时间", ""}};
  s.timers = {{"Timer1", 1000, true}, {"Timer2", 3000, true}, {"Timer3", 1000, false}};
  s.menus = {
      M("mainmenu_file", "操作(&O)", ""),
      M("mm_file_dial", "拨号(&D）", "mainmenu_file"),
      M("mm_file_undial", "断开(&U)", "mainmenu_file"),
      M("mm_file_Refurbish", "刷新(&R)", "mainmenu_file"),
      M("mm_file_force", "强制模式", "mainmenu_file"),
      M("mm_file_exit", "退出(&E)", "mainmenu_file"),
      M("mm_help", "帮助(&H)", ""),
      M("mm_help_main", "帮助目录           F1", "mm_help"),
      M("mm_help_mustread", "局域网用户必读", "mm_help"),
      M("mm_help_vpnerror", "VPN常见故障", "mm_help"),
      M("mm_help_inteneterr", "互联网常见故障", "mm_help"),
      M("mm_help_intlan", "局域网共享上网", "mm_help_inteneterr"),
      M("mm_help_intadsl", "ADSL拨号用户", "mm_help_inteneterr"),
      M("mm_help_intother", "其他上网用户", "mm_help_inteneterr"),
      M("mm_help_nexdeskerror", "澄岚办公网常见故障", "mm_help"),
      M("mnuSep1", "-", "mm_help"),
      M("mm_help_sam", "联系作者", "mm_help"),
      M("mm_help_aboutme", "关于本软件", "mm_help"),
      M("mnuTray", "Popup", "", false),
      M("mnuTrayRestore", "恢复", "mnuTray"),
      M("mnuTrayMinimize", "最小化", "mnuTray"),
      M("popsep", "-", "mnuTray"),
      M("mnuTrayClose", "退出", "mnuTray"),
  };
  return s;
}

Form1::Form1(const DialerPorts& ports, const FormPorts& form_ports, const DialerConfig& config,
             const BuildProfile& profile)
    : ports_(ports),
      form_ports_(form_ports),
      profile_(profile),
      layout_(Form1Spec(profile)),
      window_(form_ports.host->Create(layout_, this)),
      dialer_(ports, config, profile, *this),
      about_(AboutPorts{form_ports.host, &dialer_.registry(), ports.dialogs, ports.processes, ports.shell,
                        form_ports.files, ports.codepage},
             profile),
      author_(AboutPorts{form_ports.host, &dialer_.registry(), ports.dialogs, ports.processes, ports.shell,
                         form_ports.files, ports.codepage},
              dialer_.config()) {
  for (const std::string& name : Guarded()) {
    if (window_) wanted_enabled_[name] = window_->Enabled(name);
  }
}

Form1::~Form1() = default;

// ---- guards ----

template <typename F>
void Form1::Step(F&& body) {
  if (ended_) return;
  ++busy_;
  if (busy_ == 1) ApplyGuards();
  try {
    body();
  } catch (const RegistryError& e) {
    --busy_;
    RuntimeError(std::to_string(e.number()), e.what());
    return;
  } catch (const SystemQueryError& e) {
    --busy_;
    RuntimeError("-2147217405", e.what());
    return;
  }
  --busy_;
  if (busy_ == 0 && !ended_) {
    ApplyGuards();
    if (closing_) Form_Unload();
  }
}

void Form1::Enable(const std::string& name, bool enabled) {
  auto it = wanted_enabled_.find(name);
  if (it == wanted_enabled_.end()) {
    window_->SetEnabled(name, enabled);
    return;
  }
  it->second = enabled;
  window_->SetEnabled(name, enabled && busy_ == 0);
}

void Form1::ApplyGuards() {
  for (const auto& [name, wanted] : wanted_enabled_) window_->SetEnabled(name, wanted && busy_ == 0);
}

void Form1::RuntimeError(const std::string& number, const std::string& text) {
  // An error no handler expects ends the program, as the runtime does; the
  // tray icon and the mutex go with it, the credentials are not saved.
  ports_.dialogs->MessageBox(Owner(), "实时错误“" + number + "”：\n\n" + text, profile_.app_title,
                             mb::kOk | mb::kIconError);
  Quit();
}

void Form1::Quit() {
  if (ended_) return;
  RemoveTrayIcon();
  if (mutex_ != 0) form_ports_.mutexes->Close(mutex_);
  mutex_ = 0;
  about_.Unload();
  author_.Unload();
  window_->Unload();
  ended_ = true;
}

// ---- start-up and unload ----

bool Form1::IsAlreadyRunning() {
  std::uint32_t last_error = 0;
  mutex_ = form_ports_.mutexes->Create(kMutexName, true, &last_error);
  return last_error == forms::kErrorAlreadyExists;
}

void Form1::ShowSetUp(bool entry_recorded, bool create_allowed) {
  for (const char* n : {"Text1", "Text2", "Label1", "Label2"}) window_->SetVisible(n, !entry_recorded);
  window_->SetVisible("Label5", entry_recorded);
  Enable("Command1", !entry_recorded && create_allowed);
  Enable("Command6", entry_recorded);
  window_->SetVisible("Frame5", entry_recorded);
  window_->SetVisible("Frame6", !entry_recorded);
}

bool Form1::Form_Load() {
  bool running = false;
  Step([&] {
    DingShiHour = DingShiMinute = DingShiSecond = 0;
    window_->SetTimer("Timer1", true, 1000);
    window_->SetTimer("Timer2", true, 3000);
    dialer_.ShowLinkStatistics();
    const bool optimized = dialer_.IsOptimized();
    Enable("Command1", optimized);
    Enable("Command2", !optimized);
    Enable("Option3", !optimized);
    Enable("Option4", !optimized);
    if (IsAlreadyRunning()) {
      ports_.dialogs->MessageBox(Owner(), msg::kAlreadyRunning, msg::kAlreadyRunningCaption,
                                 mb::kOk | mb::kIconWarning);
      running = true;
      Quit();
      return;
    }
    dialer_.ReadLocalGateway();
    const bool recorded = dialer_.IsEntryRecorded();
    if (!recorded) {
      ports_.dialogs->MessageBox(Owner(), msg::kFirstRun, msg::kFirstRunCaption, mb::kOk | mb::kIconInfo);
    }
    // Creating waits for the optimization on an unoptimized machine.
    ShowSetUp(recorded, optimized);
    RefreshNetworkStatus();
    window_->SetCaption("", profile_.caption);
    if (auto stored = dialer_.StoredCredentials()) {
      window_->SetCaption("Text1", stored->first);
      window_->SetCaption("Text2", stored->second);
    }
    const forms::WindowState state = window_->State();
    last_state_ = state == forms::WindowState::kMinimized ? forms::WindowState::kNormal : state;
    AddTrayIcon();
    SetTrayTip(window_->Caption(""));
    RefreshNetworkStatus();
  });
  return !running && !ended_;
}

void Form1::Form_Unload() {
  if (ended_) return;
  if (busy_ > 0) {
    // The window stays until the running handler has returned.
    closing_ = true;
    return;
  }
  closing_ = true;
  try {
    dialer_.SaveCredentialsIfComplete();
  } catch (const SystemQueryError&) {
    // Ending anyway; nothing else is left to do with the version.
  }
  Quit();
}

// ---- status ----

void Form1::RefreshNetworkStatus() {
  const bool intranet = dialer_.probes().ping(dialer_.config().intranet_host);
  window_->SetVisible("Image3", intranet);
  window_->SetVisible("Image1", !intranet);
  window_->SetEnabled("Command7", intranet);
  Enable("Command4", !intranet);
  Enable("mm_file_dial", !intranet);
  Enable("Command5", intranet);
  Enable("mm_file_undial", intranet);
  window_->SetCaption("Label7", intranet ? "已拨号" : "未拨号");

  const bool internet = dialer_.probes().ping(dialer_.config().internet_probe_host);
  window_->SetVisible("Image4", !internet);
  window_->SetVisible("Image2", internet);
  for (const char* n : {"Command8", "Command10", "Command11"}) window_->SetEnabled(n, internet);
  window_->SetCaption("Label8", internet ? "互联网通" : "互联网断");
}

void Form1::DurationTick() {
  if (++DingShiSecond == 60) {
    DingShiSecond = 0;
    if (++DingShiMinute == 60) {
      DingShiMinute = 0;
      if (DingShiHour < 32767) ++DingShiHour;
    }
  }
  SetPanel(5, DurationText(DingShiHour, DingShiMinute, DingShiSecond));
}

// ---- tray ----

void Form1::AddTrayIcon() { tray_ = window_->AddTrayIcon(kTrayCallbackMessage); }

void Form1::SetTrayTip(const std::string& text) {
  if (tray_) window_->SetTrayTip(TrayTipField(*ports_.codepage, text));
}

void Form1::RemoveTrayIcon() {
  if (tray_) window_->RemoveTrayIcon();
  tray_ = false;
}

bool Form1::TrayWndProc(unsigned message, long lparam) {
  if (message != kTrayCallbackMessage) return false;
  if (lparam == forms::kWmLButtonUp) {
    if (window_->State() == forms::WindowState::kMinimized) window_->SetState(last_state_);
    window_->Show();
    return true;
  }
  if (lparam == forms::kWmRButtonUp) {
    window_->PopupMenu("mnuTray");
    return true;
  }
  return false;
}

void Form1::ToTray() {
  window_->SetState(forms::WindowState::kMinimized);
  window_->Hide();
}

void Form1::ForcedMode() {
  ShowSetUp(false, true);
  Enable("Command2", true);
  Enable("Option3", true);
  Enable("Option4", true);
}

// ---- events ----

void Form1::OnClick(const std::string& name) {
  if (ended_) return;
  if (busy_ > 0 && Guarded().count(name) != 0) return;  // disabled while a wait runs
  const DialerConfig& cfg = dialer_.config();
  if (name == "Command1") {
    Step([&] { dialer_.CreateEntryStep(); });
  } else if (name == "Command2") {
    Step([&] { dialer_.OptimizeStep(); });
  } else if (name == "Command4" || name == "mm_file_dial") {
    Step([&] { dialer_.DialStep(); });
  } else if (name == "Command5" || name == "mm_file_undial") {
    Step([&] { dialer_.HangUpStep(); });
  } else if (name == "Command9" || name == "mm_file_Refurbish") {
    Step([&] { dialer_.RefreshStep(); });
  } else if (name == "Command6" || name == "mm_file_force") {
    ForcedMode();
  } else if (name == "Command3" || name == "mm_file_exit" || name == "mnuTrayClose") {
    Step([&] {
      dialer_.ExitStep();
      closing_ = true;
    });
  } else if (name == "Command7") {
    dialer_.OpenWebPage("http://" + cfg.intranet_host + "/");
  } else if (name == "Command8") {
    dialer_.OpenWebPage(cfg.portal_home_url);
  } else if (name == "Command10") {
    dialer_.OpenWebPage(cfg.mail_url);
  } else if (name == "Command11") {
    dialer_.OpenWebPage("http://" + cfg.portal_server + "/nexcms/jsp/daohang.jsp");
  } else if (name == "Command13" || name == "mnuTrayMinimize") {
    ToTray();
  } else if (name == "mnuTrayRestore") {
    window_->SendSysCommand(forms::kScRestore);
  } else if (name == "mm_help_main") {
    // Beside the program, whatever the current folder is.
    form_ports_.help->Display(Owner(), HelpFilePath(form_ports_.program_folder));
  } else if (name == "mm_help_mustread") {
    dialer_.OpenWebPage(cfg.lan_help_url);
  } else if (name == "mm_help_sam") {
    author_.Show();
  } else if (name == "mm_help_aboutme") {
    about_.Show();
  } else if (name == "Option1" || name == "Option2" || name == "Option3" || name == "Option4") {
    window_->SetValue(name, 1);
  } else if (name == "Check1") {
    window_->SetValue(name, window_->Value(name) ? 0 : 1);
  }
}

void Form1::OnTimer(const std::string& name) {
  if (ended_) return;
  if (name == "Timer1") {
    SetPanel(6, form_ports_.time_text ? form_ports_.time_text() : std::string());
  } else if (name == "Timer2") {
    dialer_.UpdateLinkStatistics();
  } else if (name == "Timer3") {
    DurationTick();
  }
}

void Form1::OnResize() {
  if (ended_) return;
  const forms::WindowState state = window_->State();
  if (state == forms::WindowState::kMinimized) {
    window_->SetEnabled("mnuTrayMinimize", false);
    window_->SetEnabled("mnuTrayRestore", true);
  } else if (state == forms::WindowState::kNormal) {
    window_->SetEnabled("mnuTrayMinimize", true);
    window_->SetEnabled("mnuTrayRestore", false);
  }
  if (state != forms::WindowState::kMinimized) last_state_ = state;
}

bool Form1::OnTrayMessage(unsigned message, long lparam) { return !ended_ && TrayWndProc(message, lparam); }

void Form1::OnClose() { Form_Unload(); }

// ---- the view the dialer core sees ----

std::uintptr_t Form1::Owner() { return window_->Handle(); }
std::string Form1::UserText() { return window_->Caption("Text1"); }
std::string Form1::PasswordText() { return window_->Caption("Text2"); }
bool Form1::Option1() { return window_->Value("Option1") == 1; }
bool Form1::Option2() { return window_->Value("Option2") == 1; }
bool Form1::RouteOptionChecked() { return profile_.route_option && window_->Value("Check1") == 1; }
void Form1::FocusUser() { window_->SetFocus("Text1"); }
void Form1::FocusPassword() { window_->SetFocus("Text2"); }

void Form1::SetLabel(DialerLabel label, const std::string& text) {
  switch (label) {
    case DialerLabel::kLabel6:
      if (profile_.build == Build::kTunnelpost) window_->SetCaption("Label6", text);
      return;
    case DialerLabel::kLabel7:
      window_->SetCaption("Label7", text);
      return;
    case DialerLabel::kLabel8:
      window_->SetCaption("Label8", text);
      return;
  }
}

void Form1::SetPanel(int panel, const std::string& text) { window_->SetPanelText(panel, text); }

void Form1::ResetDuration() { DingShiHour = DingShiMinute = DingShiSecond = 0; }

void Form1::SetDurationTimer(bool enabled, unsigned interval_ms) {
  window_->SetTimer("Timer3", enabled, interval_ms);
}

}  // namespace kit::dialer

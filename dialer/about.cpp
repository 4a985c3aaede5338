#include "dialer/about.h"

namespace kit::dialer {
namespace {

forms::Control Item(const char* name, forms::Kind kind, const std::string& caption, forms::Twips place) {
  forms::Control c;
  c.name = name;
  c.kind = kind;
  c.caption = caption;
  c.place = place;
  return c;
}

}  // namespace

std::string VersionText() {
  return "版本 " + std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) + "." +
         std::to_string(kVersionRevision) + " Build 20100610";
}

// ---- frmAbout ----

forms::FormLayout frmAbout::Layout() {
  using forms::Kind;
  forms::FormLayout s;
  s.name = "frmAbout";
  s.caption = kAboutCaption;
  s.client_width = 5730;
  s.client_height = 3750;
  s.icon = "about";
  s.controls = {
      Item("lblTitle", Kind::kLabel, "", {1050, 240, 4560, 480}),
      Item("lblVersion", Kind::kLabel, "", {1050, 780, 4560, 225}),
      Item("lblDescription", Kind::kLabel,
           "为方便澄岚市电子政务办公网用户通过互联网安全接入办公网而编写。"
           "本工具已在Windows XP SP2/SP3、Windows 7家庭版和旗舰版上测试通过。",
           {1050, 1125, 4560, 1170}),
      Item("Label2", Kind::kLabel, "", {1050, 2340, 4560, 225}),
      Item("Label3", Kind::kLabel, "", {1050, 2580, 4560, 225}),
      Item("Line1", Kind::kLine, "", {84, 2880, 5562, 15}),
      Item("lblDisclaimer", Kind::kLabel,
           "警告：本软件仅供澄岚市电子政务办公网用户使用，未经许可不得复制或传播。",
           {255, 3000, 3870, 625}),
      Item("cmdOK", Kind::kButton, "确定", {4245, 2985, 1260, 345}),
      Item("cmdSysInfo", Kind::kButton, "系统信息(&S)...", {4260, 3375, 1245, 345}),
  };
  return s;
}

void frmAbout::Show() {
  if (!window_) {
    window_ = p_.host->Create(Layout(), this);
    // The owner strings are set up outside the program; absent reads empty.
    auto owner = [&](const char* name) {
      RegVariant v = p_.registry->ReadRegValue(RegRoot::kLocalMachine, kOwnerKey, name, reg::kSz,
                                               std::string());
      return std::get<std::string>(v);
    };
    window_->SetCaption("Label2", owner("UserName"));
    window_->SetCaption("Label3", owner("CompanyName"));
    window_->SetCaption("", kAboutCaption);
    window_->SetCaption("lblVersion", VersionText());
    window_->SetCaption("lblTitle", kProductTitle);
    if (!loaded_once_) window_->MakeTopmost();
    loaded_once_ = true;
  }
  window_->Show();
}

void frmAbout::Unload() {
  if (!window_) return;
  std::unique_ptr<forms::IForm> w = std::move(window_);
  w->Unload();
}

bool frmAbout::GetKeyValue(RegRoot KeyRoot, const std::string& KeyName, const std::string& SubKeyRef,
                           std::string& KeyVal) {
  // Reading needs no more than read access; asking for all access would
  // fail where reading is allowed.
  std::optional<std::string> bytes = p_.registry->ReadStringBytes(KeyRoot, KeyName, SubKeyRef);
  if (!bytes) {
    KeyVal.clear();
    return false;
  }
  KeyVal = p_.codepage->ToUtf8(*bytes);
  return true;
}

void frmAbout::StartSysInfo() {
  std::string path;
  if (!GetKeyValue(RegRoot::kLocalMachine, kMsinfoKey, "PATH", path)) {
    std::string folder;
    if (GetKeyValue(RegRoot::kLocalMachine, kMsinfoLocationKey, "MSINFO", folder)) {
      std::string candidate = folder + "\\MSINFO32.EXE";
      if (p_.files->Exists(p_.codepage->FromUtf8(candidate))) path = candidate;
    }
  }
  // Quoted: the usual folder has blanks in its name, and unquoted the
  // system would try its leading words as programs first.
  if (path.empty() || path.find('"') != std::string::npos ||
      !p_.processes->Start("\"" + path + "\"", show::kNormalFocus)) {
    p_.dialogs->MessageBox(window_ ? window_->Handle() : 0, kSysInfoUnavailable, profile_.app_title, mb::kOk);
  }
}

void frmAbout::OnClick(const std::string& name) {
  if (name == "cmdOK") {
    Unload();
  } else if (name == "cmdSysInfo") {
    StartSysInfo();
  }
}

// ---- Aboutme ----

forms::FormLayout Aboutme::Layout(const DialerConfig& config) {
  using forms::Kind;
  forms::FormLayout s;
  s.name = "Aboutme";
  s.caption = "关于作者";
  s.client_width = 4680;
  s.client_height = 2760;
  s.controls = {
      Item("Label1", Kind::kLabel, config.author_owner, {240, 240, 4200, 255}),
      Item("Line1", Kind::kLine, "", {240, 600, 4200, 15}),
      Item("Label2", Kind::kLabel, config.author_designer, {240, 720, 4200, 255}),
      Item("Label3", Kind::kLabel, config.author_address, {240, 1080, 4200, 255}),
      Item("Label4", Kind::kLabel, config.author_web_url, {240, 1440, 4200, 255}),
      Item("Label5", Kind::kLabel, config.author_mail, {240, 1800, 4200, 255}),
      Item("Line2", Kind::kLine, "", {240, 2160, 4200, 15}),
      Item("cmdOK", Kind::kButton, "确定", {3360, 2280, 1080, 375}),
  };
  return s;
}

void Aboutme::Show() {
  if (!window_) {
    window_ = p_.host->Create(Layout(config_), this);
    if (!loaded_once_) window_->MakeTopmost();
    loaded_once_ = true;
  }
  window_->Show();
}

void Aboutme::Unload() {
  if (!window_) return;
  std::unique_ptr<forms::IForm> w = std::move(window_);
  w->Unload();
}

void Aboutme::Open(const std::string& url) {
  ShellRequest r;
  r.owner = window_ ? window_->Handle() : 0;
  r.file = url;
  r.show = kSwShowNormal;
  p_.shell->Execute(r);
}

void Aboutme::OnClick(const std::string& name) {
  if (name == "Label4") {
    Open(config_.author_web_url);
  } else if (name == "Label5") {
    Open("mailto:" + config_.author_mail);
  } else if (name == "cmdOK") {
    Unload();
  }
}

}  // namespace kit::dialer

// A recording form host and the rig that puts Form1 on the dialer's fakes.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "dialer/form1.h"
#include "ports/stream.h"
#include "tests/dialer/fakes.h"

namespace kit::testing {

class FakeForm : public forms::IForm {
 public:
  FakeForm(Journal& j, const forms::FormLayout& layout, forms::IFormEvents* events, std::uintptr_t handle)
      : layout(layout), model(layout), events(events), j_(j), handle_(handle) {}
  std::uintptr_t Handle() override { return handle_; }
  void SetCaption(const std::string& n, const std::string& t) override {
    if (n.empty()) model.caption = t;
    else if (model.Has(n)) model.at(n).caption = t;
  }
  std::string Caption(const std::string& n) override {
    return n.empty() ? model.caption : model.Has(n) ? model.at(n).caption : std::string();
  }
  void SetVisible(const std::string& n, bool v) override { if (model.Has(n)) model.at(n).visible = v; }
  bool Visible(const std::string& n) override { return model.Has(n) && model.at(n).visible; }
  void SetEnabled(const std::string& n, bool e) override { if (model.Has(n)) model.at(n).enabled = e; }
  bool Enabled(const std::string& n) override { return model.Has(n) && model.at(n).enabled; }
  void SetValue(const std::string& n, int v) override {
    if (!model.Has(n)) return;
    if (model.at(n).kind == forms::Kind::kOption && v == 1) model.Select(layout, n);
    else model.at(n).value = v;
  }
  int Value(const std::string& n) override { return model.Has(n) ? model.at(n).value : 0; }
  void SetFocus(const std::string& n) override { j_.Add("focus " + n); }
  void SetPanelText(int p, const std::string& t) override { model.panels.at(static_cast<std::size_t>(p - 1)) = t; }
  std::string PanelText(int p) override { return model.panels.at(static_cast<std::size_t>(p - 1)); }
  void SetTimer(const std::string& n, bool e, unsigned ms) override { model.timers[n] = forms::Timer{n, ms, e}; }
  forms::WindowState State() override { return model.state; }
  void SetState(forms::WindowState s) override {
    if (model.state == s) return;
    model.state = s;
    events->OnResize();
  }
  void Show() override { model.shown = true; }
  void Hide() override { model.shown = false; }
  bool Shown() override { return model.shown; }
  void SendSysCommand(unsigned code) override {
    j_.Add("syscommand " + std::to_string(code));
    if (code == forms::kScRestore) {
      SetState(forms::WindowState::kNormal);
      Show();
    }
  }
  void MakeTopmost() override { j_.Add("topmost " + layout.name); }
  void PopupMenu(const std::string& n) override { j_.Add("popup " + n); }
  bool AddTrayIcon(unsigned message) override {
    j_.Add("tray add " + std::to_string(message));
    model.tray = true;
    return true;
  }
  void SetTrayTip(const std::string& tip) override {
    model.tray_tip = tip;
    j_.Add("tray tip");
  }
  void RemoveTrayIcon() override {
    model.tray = false;
    j_.Add("tray remove");
  }
  void Unload() override {
    unloaded = true;
    j_.Add("unload " + layout.name);
  }

  ~FakeForm() override {
    if (registry) registry->erase(std::remove(registry->begin(), registry->end(), this), registry->end());
  }

  forms::FormLayout layout;
  forms::FormModel model;
  forms::IFormEvents* events;
  bool unloaded = false;
  std::vector<FakeForm*>* registry = nullptr;  // the host's list, left when freed

 private:
  Journal& j_;
  std::uintptr_t handle_;
};

class FakeFormHost : public forms::IFormHost {
 public:
  explicit FakeFormHost(Journal& j) : j_(j) {}
  std::unique_ptr<forms::IForm> Create(const forms::FormLayout& layout, forms::IFormEvents* events) override {
    auto f = std::make_unique<FakeForm>(j_, layout, events, 500 + forms.size());
    f->registry = &forms;
    forms.push_back(f.get());
    return f;
  }
  // The newest live form of that name.
  FakeForm* Last(const std::string& name) {
    for (auto it = forms.rbegin(); it != forms.rend(); ++it) {
      if ((*it)->layout.name == name) return *it;
    }
    return nullptr;
  }
  std::vector<FakeForm*> forms;

 private:
  Journal& j_;
};

class FakeMutexes : public forms::IMutexes {
 public:
  explicit FakeMutexes(Journal& j) : j_(j) {}
  bool exists = false;
  std::uintptr_t Create(const std::string& name, bool owned, std::uint32_t* last_error) override {
    j_.Add("mutex " + name + (owned ? " owned" : ""));
    *last_error = exists ? forms::kErrorAlreadyExists : 0;
    return 9;
  }
  void Close(std::uintptr_t h) override { j_.Add("mutex close " + std::to_string(h)); }

 private:
  Journal& j_;
};

class FakeHelp : public forms::IHelpViewer {
 public:
  explicit FakeHelp(Journal& j) : j_(j) {}
  std::uintptr_t Display(std::uintptr_t owner, const std::string& path) override {
    j_.Add("help " + std::to_string(owner) + " " + path);
    return 0;
  }

 private:
  Journal& j_;
};

// Only existence is asked of the file layer here.
class FakeFiles : public IFileSystem {
 public:
  std::set<std::string> existing;  // system code page paths
  std::unique_ptr<IByteStream> OpenRead(const std::string&) override { return nullptr; }
  std::unique_ptr<IByteStream> CreateWrite(const std::string&) override { return nullptr; }
  void Rename(const std::string&, const std::string&) override {}
  bool Remove(const std::string&) override { return false; }
  bool Exists(const std::string& path) override { return existing.count(path) != 0; }
  std::uint64_t Size(const std::string&) override { return 0; }
};

inline std::string NoTime() { return "12:00:00"; }

struct FormRig : PortFakes {
  explicit FormRig(dialer::Build build = dialer::Build::kTunnelgate) : profile(dialer::ProfileFor(build)) {}

  void Optimized() { registry.Put(RegRoot::kLocalMachine, dialer::kRasManParametersKey, "ProhibitIPSec", reg::kDword, {1, 0, 0, 0}); }
  void Created() {
    registry.Put(RegRoot::kCurrentUser, dialer::kNeedCreatKey, "IsOK", reg::kDword, {1, 0, 0, 0});
  }
  std::string LocalKey(const char* utf8) { return DefaultPlatform().codepage->FromUtf8(utf8); }

  bool Load() {
    form = std::make_unique<dialer::Form1>(ports, form_ports, dialer::DialerConfig(), profile);
    return form->Form_Load();
  }
  FakeForm& win() { return *host.Last("Form1"); }

  FakeFormHost host{j};
  FakeMutexes mutexes{j};
  FakeHelp help{j};
  FakeFiles files;
  dialer::FormPorts form_ports{&host, &mutexes, &help, &files, "C:\\Program Files\\Tunnelgate", &NoTime};
  const dialer::BuildProfile& profile;
  std::unique_ptr<dialer::Form1> form;
};

}  // namespace kit::testing

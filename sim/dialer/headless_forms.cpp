// sim: stand-ins for Windows and its programs, for the POSIX hosts, the demo and the tests; ships nowhere.
#include "sim/dialer/headless_forms.h"

#include <algorithm>

namespace kit::sim {

// ---- forms ----

HeadlessForm::HeadlessForm(HeadlessFormHost& host, const forms::FormLayout& layout, forms::IFormEvents* events)
    : host_(host), layout_(layout), model_(layout), events_(events), handle_(host.NextHandle()) {
  host_.Register(this);
  Note("form: " + layout_.name + " loaded");
}

HeadlessForm::~HeadlessForm() {
  if (loaded_) Unload();
}

void HeadlessForm::Note(const std::string& line) {
  host_.out() << line << "\n";
  host_.out().flush();
}

forms::FormModel::Item* HeadlessForm::Find(const std::string& name) {
  auto it = model_.items.find(name);
  return it == model_.items.end() ? nullptr : &it->second;
}

void HeadlessForm::SetCaption(const std::string& name, const std::string& text) {
  if (name.empty()) {
    if (model_.caption != text) Note("form: " + layout_.name + " caption " + text);
    model_.caption = text;
    return;
  }
  forms::FormModel::Item* item = Find(name);
  if (item == nullptr) return;
  // What the user sees change: labels and text boxes other than the password.
  if (item->caption != text && !item->menu) {
    if (item->kind == forms::Kind::kLabel) Note("label: " + name + " = " + text);
    if (item->kind == forms::Kind::kText) {
      bool password = false;
      for (const auto& c : layout_.controls) password = password || (c.name == name && c.password);
      Note("text: " + name + " = " + (password ? std::string(text.size() ? "***" : "") : text));
    }
  }
  item->caption = text;
}

std::string HeadlessForm::Caption(const std::string& name) {
  if (name.empty()) return model_.caption;
  forms::FormModel::Item* item = Find(name);
  return item ? item->caption : std::string();
}

void HeadlessForm::SetVisible(const std::string& name, bool visible) {
  if (forms::FormModel::Item* item = Find(name)) item->visible = visible;
}

bool HeadlessForm::Visible(const std::string& name) {
  forms::FormModel::Item* item = Find(name);
  return item != nullptr && item->visible;
}

void HeadlessForm::SetEnabled(const std::string& name, bool enabled) {
  if (forms::FormModel::Item* item = Find(name)) item->enabled = enabled;
}

bool HeadlessForm::Enabled(const std::string& name) {
  forms::FormModel::Item* item = Find(name);
  return item != nullptr && item->enabled;
}

void HeadlessForm::SetValue(const std::string& name, int value) {
  forms::FormModel::Item* item = Find(name);
  if (item == nullptr) return;
  if (item->kind == forms::Kind::kOption && value == 1) {
    model_.Select(layout_, name);
  } else {
    item->value = value;
  }
}

int HeadlessForm::Value(const std::string& name) {
  forms::FormModel::Item* item = Find(name);
  return item ? item->value : 0;
}

void HeadlessForm::SetFocus(const std::string& name) {
  model_.focus = name;
  Note("form: focus " + name);
}

void HeadlessForm::SetPanelText(int panel, const std::string& text) {
  if (panel < 1 || static_cast<std::size_t>(panel) > model_.panels.size()) return;
  std::string& slot = model_.panels[static_cast<std::size_t>(panel - 1)];
  // The clock panel changes every second and says nothing about the dialer.
  if (slot != text && panel != 6) Note("panel " + std::to_string(panel) + ": " + text);
  slot = text;
}

std::string HeadlessForm::PanelText(int panel) {
  if (panel < 1 || static_cast<std::size_t>(panel) > model_.panels.size()) return std::string();
  return model_.panels[static_cast<std::size_t>(panel - 1)];
}

void HeadlessForm::SetTimer(const std::string& name, bool enabled, unsigned interval_ms) {
  forms::Timer& t = model_.timers[name];
  if (t.enabled != enabled) Note("form: " + name + (enabled ? " on" : " off"));
  t.name = name;
  t.enabled = enabled;
  t.interval_ms = interval_ms;
}

void HeadlessForm::SetState(forms::WindowState state) {
  if (model_.state == state) return;
  model_.state = state;
  if (events_ && loaded_) events_->OnResize();
}

void HeadlessForm::Show() {
  if (!model_.shown) Note("form: " + layout_.name + " shown");
  model_.shown = true;
}

void HeadlessForm::Hide() {
  if (model_.shown) Note("form: " + layout_.name + " hidden");
  model_.shown = false;
}

void HeadlessForm::SendSysCommand(unsigned code) {
  if (code == forms::kScRestore) {
    SetState(forms::WindowState::kNormal);
    Show();
  }
}

void HeadlessForm::MakeTopmost() {
  model_.topmost = true;
  Note("form: " + layout_.name + " topmost");
}

void HeadlessForm::PopupMenu(const std::string& name) {
  std::string items;
  for (const auto& m : layout_.menus) {
    if (m.parent == name && m.caption != "-") items += " " + m.name;
  }
  Note("form: popup " + name + ":" + items);
}

bool HeadlessForm::AddTrayIcon(unsigned callback_message) {
  tray_message_ = callback_message;
  model_.tray = true;
  Note("tray: added, callback message " + std::to_string(callback_message));
  return true;
}

void HeadlessForm::SetTrayTip(const std::string& tip_field) {
  // The field is NUL-terminated; the text is what comes before.
  std::string tip = tip_field.substr(0, std::min(tip_field.find('\0'), forms::kTrayTipBytes));
  model_.tray_tip = tip;
  std::string shown = host_.codepage().ToUtf8(tip);
  while (!shown.empty() && shown.back() == ' ') shown.pop_back();
  Note("tray: tip " + shown);
}

void HeadlessForm::RemoveTrayIcon() {
  if (model_.tray) Note("tray: removed");
  model_.tray = false;
}

void HeadlessForm::Unload() {
  if (!loaded_) return;
  loaded_ = false;
  host_.Forget(this);
  Note("form: " + layout_.name + " unloaded");
}

std::unique_ptr<forms::IForm> HeadlessFormHost::Create(const forms::FormLayout& layout, forms::IFormEvents* events) {
  return std::make_unique<HeadlessForm>(*this, layout, events);
}

HeadlessForm* HeadlessFormHost::FormWith(const std::string& name) {
  for (auto it = forms_.rbegin(); it != forms_.rend(); ++it) {
    if ((*it)->Has(name)) return *it;
  }
  return nullptr;
}

HeadlessForm* HeadlessFormHost::Form(const std::string& form_name) {
  for (auto it = forms_.rbegin(); it != forms_.rend(); ++it) {
    if ((*it)->layout().name == form_name) return *it;
  }
  return nullptr;
}

void HeadlessFormHost::Forget(HeadlessForm* form) {
  forms_.erase(std::remove(forms_.begin(), forms_.end(), form), forms_.end());
}

}  // namespace kit::sim

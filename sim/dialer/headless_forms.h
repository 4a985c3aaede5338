// sim: stand-ins for Windows and its programs, for the POSIX hosts, the demo and the tests; ships nowhere.
// The dialer's forms without a screen: every form keeps its controls' state
// and reports what a user would see change on a transcript stream; the
// program drives it by control names.
#pragma once
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "ports/codepage.h"
#include "ports/forms.h"

namespace kit::sim {

class HeadlessFormHost;

class HeadlessForm : public forms::IForm {
 public:
  HeadlessForm(HeadlessFormHost& host, const forms::FormLayout& layout, forms::IFormEvents* events);
  ~HeadlessForm() override;

  std::uintptr_t Handle() override { return handle_; }
  void SetCaption(const std::string& name, const std::string& text) override;
  std::string Caption(const std::string& name) override;
  void SetVisible(const std::string& name, bool visible) override;
  bool Visible(const std::string& name) override;
  void SetEnabled(const std::string& name, bool enabled) override;
  bool Enabled(const std::string& name) override;
  void SetValue(const std::string& name, int value) override;
  int Value(const std::string& name) override;
  void SetFocus(const std::string& name) override;
  void SetPanelText(int panel, const std::string& text) override;
  std::string PanelText(int panel) override;
  void SetTimer(const std::string& name, bool enabled, unsigned interval_ms) override;
  forms::WindowState State() override { return model_.state; }
  void SetState(forms::WindowState state) override;
  void Show() override;
  void Hide() override;
  bool Shown() override { return model_.shown; }
  void SendSysCommand(unsigned code) override;
  void MakeTopmost() override;
  void PopupMenu(const std::string& name) override;
  bool AddTrayIcon(unsigned callback_message) override;
  void SetTrayTip(const std::string& tip_field) override;
  void RemoveTrayIcon() override;
  void Unload() override;

  const forms::FormLayout& layout() const { return layout_; }
  const forms::FormModel& model() const { return model_; }
  forms::IFormEvents* events() { return loaded_ ? events_ : nullptr; }
  bool Has(const std::string& name) const { return model_.Has(name); }
  bool loaded() const { return loaded_; }
  unsigned tray_message() const { return tray_message_; }

 private:
  forms::FormModel::Item* Find(const std::string& name);
  void Note(const std::string& line);

  HeadlessFormHost& host_;
  forms::FormLayout layout_;
  forms::FormModel model_;
  forms::IFormEvents* events_;
  std::uintptr_t handle_;
  bool loaded_ = true;
  unsigned tray_message_ = 0;
};

// Keeps every loaded form, newest last, so that a name can be pressed on
// whichever form shows it.
class HeadlessFormHost : public forms::IFormHost {
 public:
  // Lines go to `out` prefixed "form: ", "label: ", "panel N: ", "tray: ".
  explicit HeadlessFormHost(std::ostream& out, const ICodePage& cp) : out_(out), cp_(cp) {}
  std::unique_ptr<forms::IForm> Create(const forms::FormLayout& layout, forms::IFormEvents* events) override;

  // The newest loaded form that has a control or menu item of that name.
  HeadlessForm* FormWith(const std::string& name);
  HeadlessForm* Form(const std::string& form_name);

  std::ostream& out() { return out_; }
  const ICodePage& codepage() const { return cp_; }
  void Forget(HeadlessForm* form);
  void Register(HeadlessForm* form) { forms_.push_back(form); }
  std::uintptr_t NextHandle() { return next_handle_ += 4; }

 private:
  std::ostream& out_;
  const ICodePage& cp_;
  std::vector<HeadlessForm*> forms_;
  std::uintptr_t next_handle_ = 0x10000;
};

}  // namespace kit::sim

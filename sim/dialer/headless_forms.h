// sim: stand-ins for Windows and its programs, for the POSIX hosts, the demo and the tests; ships nowhere.
// The dialer's forms without a screen: every form keeps its controls' state
// and reports what a user would see change on a transcript stream; the
// program drives it by control names. Also the help viewer, message boxes,
// shell and waits of the dialer programs.
#pragma once
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/posix/dialer/posix_dialer.h"
#include "ports/codepage.h"
#include "ports/desktop.h"
#include "ports/dialogs.h"
#include "ports/forms.h"
#include "ports/process.h"
#include "ports/restart.h"
#include "ports/shell.h"
#include "sim/dialer/recorders.h"

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

class PrintingHelpViewer : public forms::IHelpViewer {
 public:
  explicit PrintingHelpViewer(std::ostream& out) : out_(out) {}
  std::uintptr_t Display(std::uintptr_t owner, const std::string& path) override;

 private:
  std::ostream& out_;
};

// Message boxes on the transcript; answers come from a queue, else the
// box's default button, else (interactive) from the terminal.
class TranscriptDialogs : public IDialogs {
 public:
  TranscriptDialogs(std::ostream& out, std::istream* terminal) : out_(out), terminal_(terminal) {}
  std::deque<int> answers;
  int MessageBox(std::uintptr_t owner, const std::string& text, const std::string& caption,
                 unsigned style) override;
  std::optional<std::vector<std::string>> FileDialog(const FileDialogRequest&) override { return std::nullopt; }
  std::optional<std::string> BrowseForFolder(std::uintptr_t, const std::string&) override { return std::nullopt; }
  std::optional<ColorRef> ChooseColor(std::uintptr_t, ColorRef) override { return std::nullopt; }

 private:
  std::ostream& out_;
  std::istream* terminal_;
};

class PrintingShell : public IShell {
 public:
  explicit PrintingShell(std::ostream& out) : out_(out) {}
  std::intptr_t Execute(const ShellRequest& request) override;

 private:
  std::ostream& out_;
};

// Why a command line of the dialer is started, in a few words.
std::string ExplainCommand(const std::string& command_line, const std::string& server_network);

// "why: ..." and "run: <command line>"; runs nothing. `started` is told of
// every line (the simulated network follows dial and hang-up).
class TranscriptStarter : public IProcessStarter {
 public:
  TranscriptStarter(std::ostream& out, std::string server_network)
      : out_(out), server_network_(std::move(server_network)) {}
  bool Start(const std::string& command_line, int show_flag) override;
  void (*started)(void* context, const std::string& command_line) = nullptr;
  void* context = nullptr;
  std::vector<std::string> lines;

 private:
  std::ostream& out_;
  std::string server_network_;
};

// "wait: N s" for every wait; with skip the clock jumps instead of waiting.
class TranscriptWait : public IWaitHost {
 public:
  TranscriptWait(std::ostream& out, bool skip) : out_(out), skip_(skip) {}
  std::int64_t NowSeconds() override;
  void PumpMessages() override {}
  void SleepMs(unsigned ms) override;
  std::int64_t MonotonicMs() override;
  void WaitForMessages(unsigned timeout_ms) override;
  void WaitStarting(int seconds) override;

 private:
  std::ostream& out_;
  bool skip_;
  std::int64_t skipped_ms_ = 0;
  posix::ClockWait clock_;  // the real waits, when they are not skipped
};

// What a restart of the simulated desktop (of the NT family) would do: the
// shutdown privilege, then the reboot's flags and reason.
class TranscriptRestart : public IRestart {
 public:
  explicit TranscriptRestart(std::ostream& out) : out_(out) {}
  bool Restart(bool force) override;

 private:
  std::ostream& out_;
};

}  // namespace kit::sim

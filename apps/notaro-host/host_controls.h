// The two controls as the kit's POSIX hosts offer them: Notaro with its
// document exchange, form upload and Word members, and Quillpad, both on the
// headless screen. notaro-host runs page scripts against them and
// notaro-bridge answers pages in a browser with them.
#pragma once
#include <cstdio>
#include <functional>
#include <memory>

#include "ports/class_registry.h"
#include "ports/dialogs.h"

namespace kit::sim {
class HeadlessUi;
}

namespace kit::hosting {

struct HostControlPorts {
  sim::HeadlessUi* ui = nullptr;
  // Message boxes of both controls.
  IDialogs* messages = nullptr;
  // File and folder choosers of the local file helpers.
  IDialogs* choosers = nullptr;
  // Where the transfer status window writes its lines.
  std::FILE* status_out = stdout;
  // Opens the transfer gate of every new Notaro, for pages tried without a server.
  bool transfer_ready = false;
  // Whether a user is at the screen to sign on a new pad.
  std::function<bool()> pad_user_present;
};

class HostControls {
 public:
  explicit HostControls(const HostControlPorts& ports);
  ~HostControls();
  HostControls(const HostControls&) = delete;
  HostControls& operator=(const HostControls&) = delete;
  // Puts both classes in `registry`; this object must outlive what the
  // registry makes.
  void Register(ClassRegistry& registry);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace kit::hosting

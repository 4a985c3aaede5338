// sim: stand-ins for Windows and its programs, for the POSIX hosts, the demo and the tests; ships nowhere.
// What the dialer would change on the desktop, recorded instead, and what
// it would show there, written down: the phonebook, commands, waits, other
// programs' windows, message boxes, pages, help and the restart. Nothing
// here changes the host; everything said goes to one transcript stream.
#pragma once
#include <cstdint>
#include <deque>
#include <functional>
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
#include "ports/phonebook.h"
#include "ports/process.h"
#include "ports/restart.h"
#include "ports/shell.h"

namespace kit::sim {

// Writes what the phonebook would hold to KIT_ROOT/phonebook/ (the file
// names are the entry name's bytes in code page 936, in hex, so no name
// leaves the folder): the server of the entry and the user of its
// credentials. With `refuse` it writes nothing and fails, as a desktop
// without the L2TP device does.
class RecordingPhonebook : public IPhonebook {
 public:
  explicit RecordingPhonebook(std::string folder = "", const ICodePage* cp = nullptr);
  bool CreateVpnEntry(const std::string& name, const std::string& server, const std::string& user,
                      const std::string& password) override;
  std::string FileFor(const std::string& entry, const char* kind) const;
  bool refuse = false;
  // Every entry written, as the dialer gave it.
  struct Entry {
    std::string name, server, user, password;
  };
  std::vector<Entry> entries;

 private:
  std::string folder_;
  const ICodePage& cp_;
};

// Why a command line of the dialer is started, in a few words.
std::string ExplainCommand(const std::string& command_line, const std::string& server_network);

// "why: ..." and "run: <command line>"; runs nothing. `started` hears of
// every line (the simulated network follows dial and hang-up).
class TranscriptStarter : public IProcessStarter {
 public:
  TranscriptStarter(std::ostream& out, std::string server_network)
      : out_(out), server_network_(std::move(server_network)) {}
  bool Start(const std::string& command_line, int show_flag) override;
  std::function<void(const std::string& command_line)> started;
  struct Started {
    std::string command_line;
    int show;
  };
  std::vector<Started> lines;

 private:
  std::ostream& out_;
  std::string server_network_;
};

// "wait: N s" for every wait; with skip the clock jumps instead of waiting.
class TranscriptWait : public IWaitHost {
 public:
  TranscriptWait(std::ostream& out, bool skip) : out_(out), skip_(skip) {}
  std::int64_t NowSeconds() override;
  void PumpMessages() override;
  void SleepMs(unsigned ms) override;
  std::int64_t MonotonicMs() override;
  void WaitForMessages(unsigned timeout_ms) override;
  void WaitStarting(int seconds) override;
  // What the user does while the program waits (a click, the close box):
  // run once, at the next wait's messages.
  std::function<void()> during_wait;

 private:
  void Deliver();
  std::ostream& out_;
  bool skip_;
  std::int64_t skipped_ms_ = 0;
  posix::ClockWait clock_;  // the real waits, when they are not skipped
};

// Other programs' top-level windows with their buttons; none unless placed
// here (the system's dial dialog). A press is written down as "click: ...".
class SimWindows : public IWindowFinder {
 public:
  explicit SimWindows(std::ostream& out) : out_(out) {}
  struct Window {
    std::string class_name, caption;  // UTF-8
    std::vector<std::string> buttons;
  };
  std::vector<Window> windows;
  WindowHandle FindTopLevel(const std::string& class_name, const std::string& caption) override;
  WindowHandle FindChild(WindowHandle parent, WindowHandle after, const std::string& class_name) override;
  std::string GetText(WindowHandle window, int max_chars) override;
  void Click(WindowHandle button) override;

 private:
  std::ostream& out_;
};

// Message boxes on the transcript. A question takes the first queued
// answer, else (interactive) one from the terminal, else its default
// button; a box with only OK is answered OK.
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

// "open: <file>", with the verb, parameters, folder and window state when
// they are not the plain ones.
class PrintingShell : public IShell {
 public:
  explicit PrintingShell(std::ostream& out) : out_(out) {}
  std::intptr_t Execute(const ShellRequest& request) override;

 private:
  std::ostream& out_;
};

class PrintingHelpViewer : public forms::IHelpViewer {
 public:
  explicit PrintingHelpViewer(std::ostream& out) : out_(out) {}
  std::uintptr_t Display(std::uintptr_t owner, const std::string& path) override;

 private:
  std::ostream& out_;
};

// What a restart of the simulated desktop (of the NT family) would do: the
// shutdown privilege, then the reboot's flags and reason. With `refuse` the
// system says no.
class TranscriptRestart : public IRestart {
 public:
  explicit TranscriptRestart(std::ostream& out) : out_(out) {}
  bool Restart(bool force) override;
  bool refuse = false;

 private:
  std::ostream& out_;
};

}  // namespace kit::sim

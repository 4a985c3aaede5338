// Other programs' windows: finding them, reading captions, pressing buttons;
// and the waits that keep this program's own window responsive.
#pragma once
#include <cstdint>
#include <string>

namespace kit {

using WindowHandle = std::uintptr_t;

class IWindowFinder {
 public:
  virtual ~IWindowFinder() = default;
  // Text is UTF-8. 0 when there is none.
  virtual WindowHandle FindTopLevel(const std::string& class_name, const std::string& caption) = 0;
  // The child of `parent` of the class that follows `after` (0: the first).
  virtual WindowHandle FindChild(WindowHandle parent, WindowHandle after,
                                 const std::string& class_name) = 0;
  virtual std::string GetText(WindowHandle window, int max_chars) = 0;
  virtual void Click(WindowHandle button) = 0;
};

class IWaitHost {
 public:
  virtual ~IWaitHost() = default;
  // Local date-time in whole seconds.
  virtual std::int64_t NowSeconds() = 0;
  // Handles the window messages that are waiting, then returns.
  virtual void PumpMessages() = 0;
  virtual void SleepMs(unsigned ms) = 0;
  // Milliseconds of a clock that never goes back (the date-time does when
  // it is set). Default: the date-time.
  virtual std::int64_t MonotonicMs() { return NowSeconds() * 1000; }
  // Sleeps until a message arrives or timeout_ms pass, then handles the
  // waiting messages. Default: PumpMessages.
  virtual void WaitForMessages(unsigned timeout_ms) {
    (void)timeout_ms;
    PumpMessages();
  }
  // A wait of whole seconds begins; hosts that keep a transcript note it.
  virtual void WaitStarting(int seconds) { (void)seconds; }
};

}  // namespace kit

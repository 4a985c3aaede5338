// The mouse cursor shown while a long step blocks the window.
#pragma once
#include <cstdint>

namespace kit {

class ICursor {
 public:
  virtual ~ICursor() = default;
  // SetCursor(LoadCursor(NULL, IDC_WAIT)); returns the cursor it replaced.
  virtual std::uintptr_t ShowWait() = 0;
  virtual void Restore(std::uintptr_t previous) = 0;
};

class WaitCursor {
 public:
  explicit WaitCursor(ICursor* c) : c_(c), prev_(c ? c->ShowWait() : 0) {}
  ~WaitCursor() {
    if (c_) c_->Restore(prev_);
  }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  ICursor* c_;
  std::uintptr_t prev_;
};

}  // namespace kit

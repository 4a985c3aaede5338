// Restarting the machine, for settings that take effect only then.
#pragma once

namespace kit {

class IRestart {
 public:
  virtual ~IRestart() = default;
  // Restarts the machine, closing programs without asking when `force`.
  // False when the system refused.
  virtual bool Restart(bool force) = 0;
};

}  // namespace kit

// Restarting the machine.
#pragma once
#include <cstdint>

namespace kit {

namespace ewx {
constexpr unsigned kLogoff = 0, kShutdown = 1, kReboot = 2, kForce = 4;
}

class ISystemPower {
 public:
  virtual ~ISystemPower() = default;
  // The platform id the version call reports (2: the NT family).
  virtual std::uint32_t PlatformId() = 0;
  // Enables the named privilege in this process's token; false on failure.
  virtual bool EnablePrivilege(const char* name) = 0;
  virtual bool ExitSession(unsigned flags, std::uint32_t reason) = 0;
};

}  // namespace kit

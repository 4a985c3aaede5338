// What the dialer asks the system about itself: the operating system's
// version and the default gateways the network adapters report. Text is
// UTF-8.
#pragma once
#include <stdexcept>
#include <string>
#include <vector>

namespace kit {

// The system could not be asked (its management service is not reachable,
// or the question failed).
class SystemQueryError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class IOsVersion {
 public:
  virtual ~IOsVersion() = default;
  // The whole version, e.g. "5.1.2600". Throws SystemQueryError.
  virtual std::string Version() = 0;
};

struct NetworkAdapter {
  bool has_addresses = false;         // the adapter reports a list of IPv4 addresses
  std::vector<std::string> gateways;  // its default gateways, as reported; may be empty
};

class INetworkAdapters {
 public:
  virtual ~INetworkAdapters() = default;
  // Every adapter the system knows, enabled or not, in its order. Throws
  // SystemQueryError.
  virtual std::vector<NetworkAdapter> Adapters() = 0;
};

}  // namespace kit

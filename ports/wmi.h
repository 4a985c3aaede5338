// Management queries against the local machine's root\cimv2 namespace.
#pragma once
#include <map>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace kit {

// Null, a string, or an array of strings (text is UTF-8).
using WmiValue = std::variant<std::monostate, std::string, std::vector<std::string>>;
using WmiObject = std::map<std::string, WmiValue>;

class WmiError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class IWmi {
 public:
  virtual ~IWmi() = default;
  // The objects a query returns, in order, with the named properties.
  // Throws WmiError when the service can not be reached or the query fails.
  virtual std::vector<WmiObject> ExecQuery(const std::string& wql,
                                           const std::vector<std::string>& properties) = 0;
};

}  // namespace kit

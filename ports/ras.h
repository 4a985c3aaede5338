// The remote-access phonebook calls. Records are passed as the bytes of the
// system's ANSI structures; names are in the system code page.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace kit {

class IRas {
 public:
  virtual ~IRas() = default;
  // Empty phonebook: the system's default one. Results: 0 or a RAS error.
  virtual std::uint32_t SetEntryProperties(const std::string& phonebook, const std::string& entry,
                                           const std::vector<std::uint8_t>& record) = 0;
  virtual std::uint32_t SetCredentials(const std::string& phonebook, const std::string& entry,
                                       const std::vector<std::uint8_t>& record,
                                       bool clear_credentials) = 0;
};

}  // namespace kit

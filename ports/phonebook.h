// The system's phonebook of remote-access entries, as the dialer uses it:
// one L2TP VPN entry to a server, with the user's credentials stored with
// the entry. Text is UTF-8; the adapter writes it in the system code page.
#pragma once
#include <string>

namespace kit {

class IPhonebook {
 public:
  virtual ~IPhonebook() = default;
  // Writes the entry `name` of the system's default phonebook, replacing
  // one of that name: an L2TP tunnel to `server` (a dotted IPv4 address).
  // Then stores `user` and `password` with it and clears its domain. True
  // only when both were written; a failed entry gets no credentials.
  virtual bool CreateVpnEntry(const std::string& name, const std::string& server, const std::string& user,
                              const std::string& password) = 0;
};

}  // namespace kit

#include "dialer/commands.h"

namespace kit::dialer {

std::string RouteAddServerNetwork(const std::string& server_network, const std::string& gateway) {
  return "cmd /c route add " + server_network + " mask 255.255.0.0 " + gateway;
}

std::string RouteAddDefault(const std::string& gateway) {
  return "cmd /c route add 0.0.0.0 mask 0.0.0.0 " + gateway;
}

std::string RouteAddIntranet(const std::string& gateway) {
  return "cmd /c route add 10.1.0.0 mask 255.255.0.0 " + gateway;
}

std::string RouteDeleteServerNetwork(const std::string& server_network) {
  return "cmd /c route delete " + server_network + " mask 255.255.0.0 ";
}

ArgumentSafety ClassifyArgument(const std::string& text) {
  ArgumentSafety s = ArgumentSafety::kPlain;
  for (char ch : text) {
    auto c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F || c == '%' || c == '"') return ArgumentSafety::kRefused;
    if (c == ' ' || c == '&' || c == '|' || c == '<' || c == '>' || c == '^') s = ArgumentSafety::kQuoted;
  }
  return s;
}

std::optional<std::string> DialCommand(const std::string& user, const std::string& password) {
  auto field = [](const std::string& t) -> std::optional<std::string> {
    switch (ClassifyArgument(t)) {
      case ArgumentSafety::kPlain:
        return t;
      case ArgumentSafety::kQuoted: {
        // Backslashes before the closing quote would escape it for the
        // program's own argument parser.
        std::size_t n = 0;
        while (n < t.size() && t[t.size() - 1 - n] == '\\') ++n;
        return "\"" + t + std::string(n, '\\') + "\"";
      }
      case ArgumentSafety::kRefused:
        break;
    }
    return std::nullopt;
  };
  std::optional<std::string> u = field(user), p = field(password);
  if (!u || !p) return std::nullopt;
  return "cmd /c rasdial 澄岚市电子政务内网VPN连接  " + *u + " " + *p;
}

}  // namespace kit::dialer

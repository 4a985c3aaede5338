// The console command lines the dialer starts. Installed machines and the
// other build rely on every byte of them.
#pragma once
#include <optional>
#include <string>

namespace kit::dialer {

inline constexpr char kHangUpCommand[] = "cmd /c rasdial 澄岚市电子政务内网VPN连接 /DISCONNECT";
inline constexpr char kRouteDeleteDefault[] = "cmd /c route delete 0.0.0.0 ";
inline constexpr char kRouteDeleteIntranet[] = "cmd /c route delete 10.1.0.0 ";
inline constexpr char kRasphoneCommand[] = "rasphone  -d 澄岚市电子政务内网VPN连接";
inline constexpr char kDialDialogClass[] = "#32770";
inline constexpr char kDialDialogCaption[] = "连接 澄岚市电子政务内网VPN连接";

inline constexpr char kOptimizeCommand1[] = "cmd /c NET STOP PolicyAgent";
inline constexpr char kOptimizeCommand2[] = "sc.exe config PolicyAgent start= demand";
inline constexpr char kOptimizeCommand3[] = "cmd /c NET STOP sharedaccess";
inline constexpr char kOptimizeCommand4[] = "sc.exe config sharedaccess start= disabled";

std::string RouteAddServerNetwork(const std::string& server_network, const std::string& gateway);
std::string RouteAddDefault(const std::string& gateway);
std::string RouteAddIntranet(const std::string& gateway);
std::string RouteDeleteServerNetwork(const std::string& server_network);

// How a user name or password may go onto a cmd line.
enum class ArgumentSafety {
  kPlain,        // as typed
  kQuoted,       // blanks or & | < > ^: inside double quotes cmd takes them literally
  kRefused,      // % " or control characters: no quoting keeps them literal
};
ArgumentSafety ClassifyArgument(const std::string& text);

// The Vista / 7 dial line: the exact literal for plain credentials, the
// unsafe field quoted where quoting suffices, nullopt where it does not.
std::optional<std::string> DialCommand(const std::string& user, const std::string& password);

}  // namespace kit::dialer

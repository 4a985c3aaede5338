#include "dialer/build_profile.h"

namespace kit::dialer {

const BuildProfile& ProfileFor(Build build) {
  static const BuildProfile kGate{
      Build::kTunnelgate,
      "Tunnelgate",
      "澄岚市电子政务办公网VPN拨号工具V1.1Build 20100707",
      "",
      true,
      true,
      "您的VPN拨号仍处在连接状态中，这对办公网的安全和您的计算机路由有严重危害，是否断开后退出？",
      8,
  };
  static const BuildProfile kPost{
      Build::kTunnelpost,
      "Tunnelpost",
      "澄岚市协同办公网VPN拨号工具纯净版V1.1Build 20100718",
      "澄岚市电子政务办公室 2010.07.18纯净版",
      false,
      false,
      "您的VPN拨号仍处在连接状态中，是否断开后退出？",
      5,
  };
  return build == Build::kTunnelpost ? kPost : kGate;
}

}  // namespace kit::dialer

// The two builds of the dialer differ only in what this file holds: a few
// texts and whether the routing table is touched. Everything else is shared.
#pragma once
#include <string>

namespace kit::dialer {

enum class Build { kTunnelgate, kTunnelpost };

struct BuildProfile {
  Build build;
  std::string app_title;  // names the settings section
  std::string caption;    // main window
  std::string footer;     // Label3; empty: the form's own
  bool route_option;      // Check1 exists
  bool manages_routes;    // route add/delete after dialling and before hang-up
  std::string exit_question;
  int exit_hangup_delay;  // seconds after the hang-up on exit
};

const BuildProfile& ProfileFor(Build build);

// Endpoints the dialer talks to; one set for both builds.
struct DialerConfig {
  std::string line1_server = "198.18.10.1";
  std::string line2_server = "198.18.20.1";
  std::string server_network = "198.18.0.0";  // always with mask 255.255.0.0
  std::string intranet_host = "10.1.1.8";
  std::string internet_probe_host = "114.114.114.114";
  std::string portal_server = "www.chenglan.gov.cn";
  std::string portal_home_url = "http://www.chenglan.gov.cn/";
  std::string mail_url = "http://mail.chenglan.gov.cn/";
  std::string lan_help_url = "http://www.chenglan.gov.cn/vpnhelp/vpnlan.htm";
  // The author's form.
  std::string author_owner = "本软件版权归澄岚市电子政务办公室所有";
  std::string author_designer = "设计：澄岚市电子政务办公室技术科  电话：0000-00000000";
  std::string author_address = "地址：澄岚市政务中心";
  std::string author_web_url = "http://www.chenglan.gov.cn/";
  std::string author_mail = "vpn@chenglan.gov.cn";
};

// Names shared by both builds and by every machine they were installed on.
inline constexpr char kEntryName[] = "澄岚市电子政务内网VPN连接";
inline constexpr char kMutexName[] = "Test";
inline constexpr char kNeedCreatKey[] = "Software\\澄岚电政办\\NeedCreat";
inline constexpr char kRasManParametersKey[] = "SYSTEM\\CurrentControlSet\\Services\\RasMan\\Parameters";
inline constexpr char kOwnerKey[] = "SOFTWARE\\澄岚市电政办\\澄岚市电子政务办公网VPN拨号工具";

}  // namespace kit::dialer

// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
#include "platform/win32/dialer/win32_dialer_records.h"

#include <cstring>

#include "dialer/registry_api.h"

namespace kit::win32 {
namespace {

static_assert(sizeof(RASENTRYA) == 2884, "the XP-sized phonebook entry");
static_assert(sizeof(RASCREDENTIALSA) == 540, "the credentials record");
static_assert(sizeof(MIB_IFROW) == 860, "the interface row");

constexpr DWORD kEntryOptions = RASEO_RemoteDefaultGateway | RASEO_ModemLights | RASEO_SwCompression |
                                RASEO_SecureLocalFiles | RASEO_RequirePAP | RASEO_RequireSPAP |
                                RASEO_PreviewUserPw | RASEO_ShowDialingProgress | RASEO_RequireCHAP |
                                RASEO_RequireMsCHAP | RASEO_RequireMsCHAP2;
static_assert(kEntryOptions == 0x3D0D0310, "entry options");
// Not RASEO2_UsePreSharedKey: the tunnel is plain L2TP.
constexpr DWORD kEntryOptions2 = RASEO2_SecureFileAndPrint | RASEO2_SecureClientForMSNet |
                                 RASEO2_DontNegotiateMultilink | RASEO2_DontUseRasCredentials | RASEO2_Internet |
                                 RASEO2_DisableNbtOverIP | RASEO2_ReconnectIfDropped;
static_assert(kEntryOptions2 == 0x16F, "entry options 2");
static_assert((RASCM_UserName | RASCM_Password | RASCM_DefaultCreds) == 0xB, "credentials mask");

}  // namespace

void PutField(char* field, std::size_t width, const std::string& ansi) {
  std::size_t n = dialer::WholeCharacters(ansi, width - 1);
  std::memcpy(field, ansi.data(), n);
  std::memset(field + n, 0, width - n);
}

RASENTRYA VpnEntryRecord(const ICodePage& cp, const std::string& server) {
  RASENTRYA e;
  std::memset(&e, 0, sizeof e);
  e.dwSize = sizeof e;
  e.dwfOptions = kEntryOptions;
  e.dwCountryID = 86;
  e.dwCountryCode = 86;
  PutField(e.szLocalPhoneNumber, sizeof e.szLocalPhoneNumber, cp.FromUtf8(server));
  e.dwfNetProtocols = RASNP_Ip;
  e.dwFramingProtocol = RASFP_Ppp;
  PutField(e.szDeviceType, sizeof e.szDeviceType, RASDT_Vpn);
  PutField(e.szDeviceName, sizeof e.szDeviceName, cp.FromUtf8(kL2tpDeviceName));
  e.dwDialMode = RASEDM_DialAll;
  e.dwDialExtraPercent = 75;
  e.dwDialExtraSampleSeconds = 120;
  e.dwHangUpExtraPercent = 10;
  e.dwHangUpExtraSampleSeconds = 120;
  e.dwType = RASET_Vpn;
  e.dwEncryptionType = ET_Optional;
  e.dwVpnStrategy = VS_L2tpOnly;
  e.dwfOptions2 = kEntryOptions2;
  e.dwRedialCount = 3;
  e.dwRedialPause = 60;
  return e;
}

RASCREDENTIALSA VpnCredentialsRecord(const ICodePage& cp, const std::string& user, const std::string& password) {
  RASCREDENTIALSA c;
  std::memset(&c, 0, sizeof c);
  c.dwSize = sizeof c;
  // 0xB, the mask the entry's credentials have always been written with:
  // the bit after RASCM_Domain (4) is RASCM_DefaultCreds.
  c.dwMask = RASCM_UserName | RASCM_Password | RASCM_DefaultCreds;
  std::string ansi = cp.FromUtf8(user);
  PutField(c.szUserName, sizeof c.szUserName, ansi);
  ansi = cp.FromUtf8(password);
  PutField(c.szPassword, sizeof c.szPassword, ansi);
  // The password need not linger in freed memory.
  SecureZeroMemory(&ansi[0], ansi.size());
  PutField(c.szDomain, sizeof c.szDomain, "");
  return c;
}

std::vector<InterfaceCounters> ReadInterfaceTable(const std::uint8_t* table, std::size_t size) {
  std::vector<InterfaceCounters> out;
  constexpr std::size_t kRows = offsetof(MIB_IFTABLE, table);
  if (table == nullptr || size < kRows) return out;
  MIB_IFTABLE head;
  std::memcpy(&head, table, kRows);
  std::size_t count = head.dwNumEntries;
  const std::size_t room = (size - kRows) / sizeof(MIB_IFROW);
  if (count > room) count = room;
  for (std::size_t i = 0; i < count; ++i) {
    MIB_IFROW row;
    std::memcpy(&row, table + kRows + i * sizeof row, sizeof row);
    InterfaceCounters c;
    c.ppp = row.dwType == IF_TYPE_PPP;
    c.speed = row.dwSpeed;
    c.received = row.dwInOctets;
    c.sent = row.dwOutOctets;
    c.discards = row.dwInDiscards;
    out.push_back(c);
  }
  return out;
}

EchoResult ReadEchoReply(DWORD replies, const std::uint8_t* buffer, std::size_t size) {
  if (replies == 0 || buffer == nullptr || size < sizeof(ICMP_ECHO_REPLY)) return EchoResult::kNoReply;
  ICMP_ECHO_REPLY reply;
  std::memcpy(&reply, buffer, sizeof reply);
  return reply.Status == IP_SUCCESS ? EchoResult::kReply : EchoResult::kNoReply;
}

}  // namespace kit::win32

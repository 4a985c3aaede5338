#include "dialer/vpn_entry.h"

#include <cstring>

namespace kit::dialer {
namespace {

void Put32(std::vector<std::uint8_t>& r, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) r[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

// The length of the longest prefix of whole code page 936 characters that
// is at most `limit` bytes.
std::size_t WholeCharacters(const std::string& s, std::size_t limit) {
  std::size_t i = 0;
  while (i < s.size()) {
    auto b = static_cast<unsigned char>(s[i]);
    std::size_t n = (b >= 0x81 && b <= 0xFE && i + 1 < s.size()) ? 2 : 1;
    if (i + n > limit) break;
    i += n;
  }
  return i;
}

}  // namespace

void PutField(std::vector<std::uint8_t>& record, std::size_t offset, std::size_t width,
              const std::string& ansi) {
  std::size_t n = WholeCharacters(ansi, width - 1);
  std::memcpy(record.data() + offset, ansi.data(), n);
  std::memset(record.data() + offset + n, 0, width - n);
}

std::vector<std::uint8_t> BuildRasEntry(const ICodePage& cp, const std::string& server) {
  using namespace rasentry;
  std::vector<std::uint8_t> r(kSize, 0);
  Put32(r, 0, static_cast<std::uint32_t>(kSize));
  Put32(r, kOptions, kOptionsValue);
  Put32(r, kCountryId, 86);
  Put32(r, kCountryCode, 86);
  PutField(r, kLocalPhoneNumber, kLocalPhoneNumberWidth, cp.FromUtf8(server));
  Put32(r, kNetProtocols, 4);
  Put32(r, kFramingProtocol, 1);
  PutField(r, kDeviceType, kDeviceTypeWidth, "vpn");
  PutField(r, kDeviceName, kDeviceNameWidth, cp.FromUtf8(kL2tpDeviceName));
  Put32(r, kDialMode, 1);
  Put32(r, kDialExtraPercent, 75);
  Put32(r, kDialExtraSampleSeconds, 120);
  Put32(r, kHangUpExtraPercent, 10);
  Put32(r, kHangUpExtraSampleSeconds, 120);
  Put32(r, kType, 2);
  Put32(r, kEncryptionType, 3);
  Put32(r, kVpnStrategy, 3);
  Put32(r, kOptions2, kOptions2Value);
  Put32(r, kRedialCount, 3);
  Put32(r, kRedialPause, 60);
  return r;
}

std::vector<std::uint8_t> BuildRasCredentials(const ICodePage& cp, const std::string& user,
                                              const std::string& password) {
  using namespace rascred;
  std::vector<std::uint8_t> r(kSize, 0);
  Put32(r, 0, static_cast<std::uint32_t>(kSize));
  Put32(r, kMask, kMaskValue);
  PutField(r, kUserName, kUserNameWidth, cp.FromUtf8(user));
  PutField(r, kPassword, kPasswordWidth, cp.FromUtf8(password));
  PutField(r, kDomain, kDomainWidth, "");
  return r;
}

bool Create_VPN_Connection(IRas& ras, const ICodePage& cp, const std::string& sEntryName,
                           const std::string& sServer, const std::string& sUsername,
                           const std::string& sPassword) {
  const std::string entry = cp.FromUtf8(sEntryName);
  std::vector<std::uint8_t> record = BuildRasEntry(cp, sServer);
  if (ras.SetEntryProperties("", entry, record) != 0) return false;
  std::vector<std::uint8_t> cred = BuildRasCredentials(cp, sUsername, sPassword);
  bool ok = ras.SetCredentials("", entry, cred, false) == 0;
  // The password need not linger in freed memory.
  std::memset(cred.data(), 0, cred.size());
  return ok;
}

}  // namespace kit::dialer

// The phonebook entry record and the credentials record, as the bytes of the
// system's ANSI structures in their Windows XP layout.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ports/codepage.h"
#include "ports/ras.h"

namespace kit::dialer {

namespace rasentry {
constexpr std::size_t kSize = 2884;
constexpr std::size_t kOptions = 4, kCountryId = 8, kCountryCode = 12;
constexpr std::size_t kAreaCode = 16, kAreaCodeWidth = 11;
constexpr std::size_t kLocalPhoneNumber = 27, kLocalPhoneNumberWidth = 129;
constexpr std::size_t kNetProtocols = 184, kFramingProtocol = 188;
constexpr std::size_t kDeviceType = 972, kDeviceTypeWidth = 17;
constexpr std::size_t kDeviceName = 989, kDeviceNameWidth = 129;
constexpr std::size_t kDialMode = 1772, kDialExtraPercent = 1776, kDialExtraSampleSeconds = 1780;
constexpr std::size_t kHangUpExtraPercent = 1784, kHangUpExtraSampleSeconds = 1788;
constexpr std::size_t kType = 1796, kEncryptionType = 1800;
constexpr std::size_t kVpnStrategy = 2084, kOptions2 = 2088;
constexpr std::size_t kRedialCount = 2876, kRedialPause = 2880;

constexpr std::uint32_t kOptionsValue = 0x3D0D0310;
constexpr std::uint32_t kOptions2Value = 0x16F;
}  // namespace rasentry

namespace rascred {
constexpr std::size_t kSize = 540;
constexpr std::size_t kMask = 4;
constexpr std::size_t kUserName = 8, kUserNameWidth = 257;
constexpr std::size_t kPassword = 265, kPasswordWidth = 257;
constexpr std::size_t kDomain = 522, kDomainWidth = 16;
constexpr std::uint32_t kMaskValue = 0xB;  // user name, password, domain
}  // namespace rascred

inline constexpr char kL2tpDeviceName[] = "WAN 微型端口 (L2TP)";

// Copies the text into a field of `width` bytes with its NUL; a text too
// long is cut at the last whole character that fits.
void PutField(std::vector<std::uint8_t>& record, std::size_t offset, std::size_t width,
              const std::string& ansi);

std::vector<std::uint8_t> BuildRasEntry(const ICodePage& cp, const std::string& server);
std::vector<std::uint8_t> BuildRasCredentials(const ICodePage& cp, const std::string& user,
                                              const std::string& password);

// True only when both calls returned 0.
bool Create_VPN_Connection(IRas& ras, const ICodePage& cp, const std::string& sEntryName,
                           const std::string& sServer, const std::string& sUsername,
                           const std::string& sPassword);

}  // namespace kit::dialer

// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
// The records the dialer's adapters fill and read, in the system's own
// types: the phonebook entry and its credentials, the interface table and
// the echo reply. Apart from the calls, so that what they hold can be
// checked without the system doing anything.
#pragma once
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <icmpapi.h>
#include <ras.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ports/codepage.h"
#include "ports/echo.h"
#include "ports/link_counters.h"

namespace kit::win32 {

// The L2TP miniport as Chinese-language Windows names it.
inline constexpr char kL2tpDeviceName[] = "WAN 微型端口 (L2TP)";
// Room for the echo's reply records.
constexpr DWORD kEchoReplyBufferSize = 270;

// Copies `ansi` into a field of `width` bytes with its NUL; a text too long
// is cut at the last whole character of code page 936 that fits.
void PutField(char* field, std::size_t width, const std::string& ansi);

// The Windows XP layout (2884 bytes), also used on Vista and 7: an L2TP
// entry to `server`, every field not set by the dialer zero.
RASENTRYA VpnEntryRecord(const ICodePage& cp, const std::string& server);
// User name and password set, the domain empty (540 bytes).
RASCREDENTIALSA VpnCredentialsRecord(const ICodePage& cp, const std::string& user, const std::string& password);

// The rows of a MIB_IFTABLE that the bytes really hold, whatever its count
// says.
std::vector<InterfaceCounters> ReadInterfaceTable(const std::uint8_t* table, std::size_t size);

// What IcmpSendEcho's result and its reply buffer say: only a reply that was
// really written counts, as the zeroed buffer would read as success.
EchoResult ReadEchoReply(DWORD replies, const std::uint8_t* buffer, std::size_t size);

}  // namespace kit::win32

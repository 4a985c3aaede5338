// The IP helper's interface table: a 32-bit row count followed by rows of
// the 860-byte interface record, little-endian as on the desktops.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kit {

namespace iftable {
constexpr std::size_t kRowSize = 860;
constexpr std::size_t kNameOffset = 0;     // 256 UTF-16 units
constexpr std::size_t kIndexOffset = 512;
constexpr std::size_t kTypeOffset = 516;
constexpr std::size_t kMtuOffset = 520;
constexpr std::size_t kSpeedOffset = 524;
constexpr std::size_t kPhysAddrLenOffset = 528;
constexpr std::size_t kPhysAddrOffset = 532;
constexpr std::size_t kAdminStatusOffset = 540;
constexpr std::size_t kOperStatusOffset = 544;
constexpr std::size_t kInOctetsOffset = 552;
constexpr std::size_t kInUcastOffset = 556;
constexpr std::size_t kInDiscardsOffset = 564;
constexpr std::size_t kInErrorsOffset = 568;
constexpr std::size_t kOutOctetsOffset = 576;
constexpr std::size_t kOutUcastOffset = 580;
constexpr std::size_t kOutDiscardsOffset = 588;
constexpr std::size_t kOutErrorsOffset = 592;
constexpr std::size_t kDescrLenOffset = 600;
constexpr std::size_t kDescrOffset = 604;  // 256 bytes
constexpr std::uint32_t kTypeEthernet = 6, kTypePpp = 23, kTypeLoopback = 24;
constexpr std::uint32_t kSuccess = 0, kInsufficientBuffer = 122;
}  // namespace iftable

class IInterfaceTable {
 public:
  virtual ~IInterfaceTable() = default;
  // As the table call: *size is the room on entry; kInsufficientBuffer with
  // the size needed in *size when the table does not fit (or table is null).
  virtual std::uint32_t GetIfTable(std::uint8_t* table, std::uint32_t* size, bool sorted) = 0;
};

}  // namespace kit

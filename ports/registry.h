// The system registry, in the shape of its ANSI calls: key paths, value
// names and string data are bytes in the system code page (936 on the
// target desktops). Results are the system's error codes.
#pragma once
#include <cstdint>
#include <string>

namespace kit {

enum class RegRoot : std::uint32_t {
  kClassesRoot = 0x80000000u,
  kCurrentUser = 0x80000001u,
  kLocalMachine = 0x80000002u,
  kUsers = 0x80000003u,
};

using RegKey = std::uintptr_t;

namespace reg {
constexpr std::uint32_t kSz = 1, kExpandSz = 2, kBinary = 3, kDword = 4;
constexpr std::uint32_t kKeyRead = 0x20019, kKeyWrite = 0x20006, kKeyAllAccess = 0xF003F;
constexpr long kSuccess = 0, kFileNotFound = 2, kAccessDenied = 5, kInvalidParameter = 87,
               kMoreData = 234;
}  // namespace reg

class IRegistry {
 public:
  virtual ~IRegistry() = default;
  virtual long OpenKey(RegRoot root, const std::string& path, std::uint32_t access, RegKey* key) = 0;
  // Creates every missing key on the path; *existed tells whether the last
  // one was there already.
  virtual long CreateKey(RegRoot root, const std::string& path, RegKey* key, bool* existed) = 0;
  // As the query call: *size is the buffer's room on entry and the value's
  // length on return; a value longer than the room gives kMoreData and
  // leaves the buffer's contents undefined. data may be null to ask the size.
  virtual long QueryValue(RegKey key, const std::string& name, std::uint32_t* type,
                          std::uint8_t* data, std::uint32_t* size) = 0;
  virtual long SetValue(RegKey key, const std::string& name, std::uint32_t type,
                        const std::uint8_t* data, std::uint32_t size) = 0;
  virtual long CloseKey(RegKey key) = 0;
};

}  // namespace kit

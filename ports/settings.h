// The registry as the dialer keeps its settings in it: named values in keys
// under the usual roots. Key paths and value names are UTF-8 (the adapter
// gives them to the system in its code page); a value is what the system
// holds, its type and its bytes, text in the system code page with its NUL.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kit {

enum class RegRoot : std::uint32_t {
  kClassesRoot = 0x80000000u,
  kCurrentUser = 0x80000001u,
  kLocalMachine = 0x80000002u,
  kUsers = 0x80000003u,
};

namespace reg {
constexpr std::uint32_t kSz = 1, kExpandSz = 2, kBinary = 3, kDword = 4;
}  // namespace reg

struct RegValue {
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  friend bool operator==(const RegValue& a, const RegValue& b) { return a.type == b.type && a.data == b.data; }
};

enum class KeyCreation { kCreated, kExisted, kFailed };

class ISettingsStore {
 public:
  virtual ~ISettingsStore() = default;
  // The key opens for reading.
  virtual bool KeyExists(RegRoot root, const std::string& key) = 0;
  // Creates the key and every missing one on its path.
  virtual KeyCreation CreateKey(RegRoot root, const std::string& key) = 0;
  // The whole value; nullopt when the key or the value can not be read.
  virtual std::optional<RegValue> ReadValue(RegRoot root, const std::string& key, const std::string& name) = 0;
  // Into an existing key only; false when nothing was written.
  virtual bool WriteValue(RegRoot root, const std::string& key, const std::string& name,
                          const RegValue& value) = 0;
};

}  // namespace kit

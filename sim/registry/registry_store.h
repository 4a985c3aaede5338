// sim: stand-ins for Windows and its programs, for the POSIX hosts, the demo and the tests; ships nowhere.
// The registry of a POSIX host: a file per root under KIT_ROOT/registry, where
// the dialer and notaro-bridge keep their settings.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "ports/codepage.h"
#include "ports/settings.h"

namespace kit::sim {

struct StoredValue {
  std::string name;  // code page 936, as written
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
};
struct StoredKey {
  std::string path;  // code page 936, as first created
  std::vector<StoredValue> values;
};
// One root's keys, in the order created.
using RegistryImage = std::vector<StoredKey>;

// The file format: "KITREG1\n", then per key 'K' len path, per value
// 'V' len name type len data (lengths and type 32-bit little-endian).
std::vector<std::uint8_t> EncodeRegistryImage(const RegistryImage& image);
// False for anything that is not a whole, well-formed image.
bool DecodeRegistryImage(const std::uint8_t* bytes, std::size_t size, RegistryImage* image);

// Names compare with ASCII letters folded, and only outside double-byte
// characters (whose second byte may look like a letter).
std::string FoldName(const std::string& ansi);

// Each root is a file in `folder` (default KIT_ROOT/registry), keys and
// names kept in code page 936 as the desktop's ANSI calls see them. A write
// goes to a new file that replaces the old one only when it is complete and
// flushed, so a crash leaves either the old or the new contents.
class FileRegistry : public ISettingsStore {
 public:
  explicit FileRegistry(std::string folder = "", const ICodePage* cp = nullptr);
  bool KeyExists(RegRoot root, const std::string& key) override;
  KeyCreation CreateKey(RegRoot root, const std::string& key) override;
  std::optional<RegValue> ReadValue(RegRoot root, const std::string& key, const std::string& name) override;
  bool WriteValue(RegRoot root, const std::string& key, const std::string& name, const RegValue& value) override;

  std::string FileFor(RegRoot root) const;
  // As a registry this user may not write to: nothing is created or set.
  bool read_only = false;

 private:
  bool Load(RegRoot root, RegistryImage* image) const;
  bool Save(RegRoot root, const RegistryImage& image) const;

  std::string folder_;
  const ICodePage& cp_;
};

}  // namespace kit::sim

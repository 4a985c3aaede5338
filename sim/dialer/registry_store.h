// sim: stand-ins for Windows and its programs, for the POSIX hosts, the demo and the tests; ships nowhere.
// The registry of a POSIX host: a file per root under KIT_ROOT/registry.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "ports/registry.h"

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

// Each root is a file in `folder` (default KIT_ROOT/registry). A write goes
// to a new file that replaces the old one only when it is complete and
// flushed, so a crash leaves either the old or the new contents.
class FileRegistry : public IRegistry {
 public:
  explicit FileRegistry(std::string folder = "");
  long OpenKey(RegRoot root, const std::string& path, std::uint32_t access, RegKey* key) override;
  long CreateKey(RegRoot root, const std::string& path, RegKey* key, bool* existed) override;
  long QueryValue(RegKey key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                  std::uint32_t* size) override;
  long SetValue(RegKey key, const std::string& name, std::uint32_t type, const std::uint8_t* data,
                std::uint32_t size) override;
  long CloseKey(RegKey key) override;

  std::string FileFor(RegRoot root) const;
  std::size_t open_keys() const { return open_.size(); }

 private:
  struct Open {
    RegRoot root;
    std::string path;
  };
  bool Load(RegRoot root, RegistryImage* image) const;
  bool Save(RegRoot root, const RegistryImage& image) const;

  std::string folder_;
  std::map<RegKey, Open> open_;
  RegKey next_ = 0x1000;
};

}  // namespace kit::sim

// The registry procedures the dialer uses, its "settings" section and the
// character shift that hides the stored VPN credentials from a casual look.
// Key paths, value names and text are UTF-8 here and code page 936 in the
// registry; the store converts names, these procedures the text.
#pragma once
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "dialer/build_profile.h"
#include "ports/codepage.h"
#include "ports/settings.h"

namespace kit::dialer {

// A text (type 1), a byte array (type 3) or a 32-bit number (type 4).
using RegVariant = std::variant<std::string, std::vector<std::uint8_t>, std::int32_t>;

// The runtime error the procedures raise; number() is 1001 for all of them.
class RegistryError : public std::runtime_error {
 public:
  RegistryError(int number, const std::string& text) : std::runtime_error(text), number_(number) {}
  int number() const { return number_; }

 private:
  int number_;
};

constexpr int kRegistryErrorNumber = 1001;
constexpr std::uint32_t kStringBufferSize = 1024;
constexpr std::uint32_t kBinaryBufferSize = 4096;

class RegistryAPI {
 public:
  RegistryAPI(ISettingsStore& store, const ICodePage& codepage) : store_(store), cp_(codepage) {}

  bool KeyExists(RegRoot root, const std::string& key);
  // True when the key was there already; throws RegistryError when it can
  // not be created.
  bool CreateRegKey(RegRoot root, const std::string& key);
  // The default when the key or value can not be read; throws RegistryError
  // for a type other than 1, 3 and 4.
  RegVariant ReadRegValue(RegRoot root, const std::string& key, const std::string& name,
                          std::uint32_t type, const RegVariant& default_value);
  // Into an existing key only; false when nothing was written.
  bool WriteRegValue(RegRoot root, const std::string& key, const std::string& name,
                     std::uint32_t type, const RegVariant& value);

  // A REG_SZ value's bytes as stored (code page 936, up to the NUL);
  // nullopt when absent.
  std::optional<std::string> ReadStringBytes(RegRoot root, const std::string& key,
                                             const std::string& name);
  // Creates the key path as needed, then writes the bytes as REG_SZ.
  bool WriteStringBytesCreating(RegRoot root, const std::string& key, const std::string& name,
                                const std::string& bytes);

  const ICodePage& codepage() const { return cp_; }

 private:
  ISettingsStore& store_;
  const ICodePage& cp_;
};

// What a REG_SZ read returns: the bytes up to the first NUL within the
// length the query reported (never past it).
std::string CutAtNul(const std::uint8_t* data, std::size_t length);

// The length of the longest prefix of whole code page 936 characters that
// is at most `limit` bytes: where a text is cut to fit a field.
std::size_t WholeCharacters(const std::string& ansi, std::size_t limit);

// The shift of the stored credentials. One is the only shift under which
// every code page 936 character stays a non-NUL code with its lead byte
// kept, so that the stored text can always be split back into characters.
constexpr int EncCode = 1;
constexpr int deEncCode = EncCode;

// Adds `delta` to the code of every character of code page 936 text (a
// double-byte character as one 16-bit code). A result byte that would be
// NUL becomes '?', so the text stays storable.
std::string ShiftCodes(const std::string& ansi, int delta);
// Scrambles UTF-8 text into the code page 936 bytes that are stored.
std::string Enc(const ICodePage& cp, const std::string& text, int code);
// Restores UTF-8 text from stored bytes; any bytes at all give some text.
std::string deEnc(const ICodePage& cp, const std::string& stored, int code);

// One named REG_SZ value of the running build's "settings" section.
class Settings {
 public:
  Settings(RegistryAPI& api, const BuildProfile& profile);

  const std::string& SectionKey() const { return key_; }
  std::string Get(const std::string& name);  // "" when absent
  bool Save(const std::string& name, const std::string& value);

  // "VpnUser" and "VpnPassword", scrambled.
  bool SaveCredentials(const std::string& user, const std::string& password);
  std::pair<std::string, std::string> LoadCredentials();

 private:
  RegistryAPI& api_;
  std::string key_;
};

}  // namespace kit::dialer

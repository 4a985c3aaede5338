#include "dialer/registry_api.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace kit::dialer {
namespace {

// Closes the key on every way out of a procedure.
class KeyCloser {
 public:
  KeyCloser(IRegistry& reg, RegKey key) : reg_(reg), key_(key) {}
  ~KeyCloser() { reg_.CloseKey(key_); }
  KeyCloser(const KeyCloser&) = delete;
  KeyCloser& operator=(const KeyCloser&) = delete;

 private:
  IRegistry& reg_;
  RegKey key_;
};

std::optional<std::int32_t> ToInt32(const RegVariant& v) {
  if (const auto* n = std::get_if<std::int32_t>(&v)) return *n;
  if (const auto* s = std::get_if<std::string>(&v)) {
    if (s->empty()) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    long long x = std::strtoll(s->c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || x < INT32_MIN || x > UINT32_MAX) return std::nullopt;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(x));
  }
  return std::nullopt;
}

bool IsLeadByte(unsigned char b) { return b >= 0x81 && b <= 0xFE; }

char Storable(unsigned v) { return v == 0 ? '?' : static_cast<char>(v); }

}  // namespace

std::string CutAtNul(const std::uint8_t* data, std::size_t length) {
  const void* nul = std::memchr(data, 0, length);
  std::size_t n = nul ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - data) : length;
  return std::string(reinterpret_cast<const char*>(data), n);
}

bool RegistryAPI::KeyExists(RegRoot root, const std::string& key) {
  RegKey h = 0;
  if (reg_.OpenKey(root, Ansi(key), reg::kKeyRead, &h) != reg::kSuccess) return false;
  reg_.CloseKey(h);
  return true;
}

bool RegistryAPI::CreateRegKey(RegRoot root, const std::string& key) {
  RegKey h = 0;
  bool existed = false;
  if (reg_.CreateKey(root, Ansi(key), &h, &existed) != reg::kSuccess) {
    throw RegistryError(kRegistryErrorNumber, "Unable to create the registry key");
  }
  reg_.CloseKey(h);
  return existed;
}

RegVariant RegistryAPI::ReadRegValue(RegRoot root, const std::string& key, const std::string& name,
                                     std::uint32_t type, const RegVariant& default_value) {
  RegKey h = 0;
  if (reg_.OpenKey(root, Ansi(key), reg::kKeyRead, &h) != reg::kSuccess) return default_value;
  KeyCloser closer(reg_, h);
  std::uint32_t got_type = 0;
  switch (type) {
    case reg::kSz: {
      std::vector<std::uint8_t> buf(kStringBufferSize, 0);
      std::uint32_t size = kStringBufferSize;
      if (reg_.QueryValue(h, Ansi(name), &got_type, buf.data(), &size) != reg::kSuccess) {
        return default_value;
      }
      if (size > kStringBufferSize) return default_value;
      return cp_.ToUtf8(CutAtNul(buf.data(), size));
    }
    case reg::kBinary: {
      std::vector<std::uint8_t> buf(kBinaryBufferSize, 0);
      std::uint32_t size = kBinaryBufferSize;
      if (reg_.QueryValue(h, Ansi(name), &got_type, buf.data(), &size) != reg::kSuccess) {
        return default_value;
      }
      if (size > kBinaryBufferSize) return default_value;
      buf.resize(size);
      return buf;
    }
    case reg::kDword: {
      std::uint8_t buf[4] = {0, 0, 0, 0};
      std::uint32_t size = sizeof buf;
      if (reg_.QueryValue(h, Ansi(name), &got_type, buf, &size) != reg::kSuccess) {
        return default_value;
      }
      // A shorter value would leave part of the number unread.
      if (size != sizeof buf) return default_value;
      return static_cast<std::int32_t>(static_cast<std::uint32_t>(buf[0]) | buf[1] << 8 |
                                       buf[2] << 16 | static_cast<std::uint32_t>(buf[3]) << 24);
    }
    default:
      throw RegistryError(kRegistryErrorNumber, "Unsupported value type");
  }
}

bool RegistryAPI::WriteRegValue(RegRoot root, const std::string& key, const std::string& name,
                                std::uint32_t type, const RegVariant& value) {
  std::vector<std::uint8_t> data;
  switch (type) {
    case reg::kSz: {
      std::string text;
      if (const auto* s = std::get_if<std::string>(&value)) {
        text = Ansi(*s);
      } else if (const auto* n = std::get_if<std::int32_t>(&value)) {
        text = std::to_string(*n);
      } else {
        return false;
      }
      data.assign(text.begin(), text.end());
      data.push_back(0);
      break;
    }
    case reg::kBinary: {
      const auto* b = std::get_if<std::vector<std::uint8_t>>(&value);
      if (b == nullptr) return false;
      data = *b;
      break;
    }
    case reg::kDword: {
      std::optional<std::int32_t> n = ToInt32(value);
      if (!n) return false;
      auto u = static_cast<std::uint32_t>(*n);
      data = {static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8),
              static_cast<std::uint8_t>(u >> 16), static_cast<std::uint8_t>(u >> 24)};
      break;
    }
    default:
      return false;
  }
  RegKey h = 0;
  if (reg_.OpenKey(root, Ansi(key), reg::kKeyWrite, &h) != reg::kSuccess) return false;
  KeyCloser closer(reg_, h);
  return reg_.SetValue(h, Ansi(name), type, data.data(), static_cast<std::uint32_t>(data.size())) ==
         reg::kSuccess;
}

std::optional<std::string> RegistryAPI::ReadStringBytes(RegRoot root, const std::string& key,
                                                        const std::string& name) {
  RegKey h = 0;
  if (reg_.OpenKey(root, Ansi(key), reg::kKeyRead, &h) != reg::kSuccess) return std::nullopt;
  KeyCloser closer(reg_, h);
  std::vector<std::uint8_t> buf(kStringBufferSize, 0);
  std::uint32_t size = kStringBufferSize;
  std::uint32_t type = 0;
  if (reg_.QueryValue(h, Ansi(name), &type, buf.data(), &size) != reg::kSuccess) return std::nullopt;
  if (size > kStringBufferSize) return std::nullopt;
  return CutAtNul(buf.data(), size);
}

bool RegistryAPI::WriteStringBytesCreating(RegRoot root, const std::string& key,
                                           const std::string& name, const std::string& bytes) {
  RegKey h = 0;
  bool existed = false;
  if (reg_.CreateKey(root, Ansi(key), &h, &existed) != reg::kSuccess) return false;
  KeyCloser closer(reg_, h);
  std::vector<std::uint8_t> data(bytes.begin(), bytes.end());
  data.push_back(0);
  return reg_.SetValue(h, Ansi(name), reg::kSz, data.data(), static_cast<std::uint32_t>(data.size())) ==
         reg::kSuccess;
}

std::string ShiftCodes(const std::string& ansi, int delta) {
  std::string out;
  out.reserve(ansi.size());
  for (std::size_t i = 0; i < ansi.size();) {
    auto b = static_cast<unsigned char>(ansi[i]);
    if (IsLeadByte(b) && i + 1 < ansi.size()) {
      unsigned code = (static_cast<unsigned>(b) << 8) | static_cast<unsigned char>(ansi[i + 1]);
      unsigned v = static_cast<unsigned>(static_cast<int>(code) + delta) & 0xFFFFu;
      out += Storable(v >> 8);
      out += Storable(v & 0xFFu);
      i += 2;
    } else {
      unsigned v = static_cast<unsigned>(static_cast<int>(b) + delta) & 0xFFu;
      out += Storable(v);
      i += 1;
    }
  }
  return out;
}

std::string Enc(const ICodePage& cp, const std::string& text, int code) {
  return ShiftCodes(cp.FromUtf8(text), code);
}

std::string deEnc(const ICodePage& cp, const std::string& stored, int code) {
  return cp.ToUtf8(ShiftCodes(stored, -code));
}

Settings::Settings(RegistryAPI& api, const BuildProfile& profile)
    : api_(api), key_("Software\\VB and VBA Program Settings\\" + profile.app_title + "\\settings") {}

std::string Settings::Get(const std::string& name) {
  RegVariant v = api_.ReadRegValue(RegRoot::kCurrentUser, key_, name, reg::kSz, std::string());
  return std::get<std::string>(v);
}

bool Settings::Save(const std::string& name, const std::string& value) {
  return api_.WriteStringBytesCreating(RegRoot::kCurrentUser, key_, name,
                                       api_.codepage().FromUtf8(value));
}

bool Settings::SaveCredentials(const std::string& user, const std::string& password) {
  const ICodePage& cp = api_.codepage();
  bool ok = api_.WriteStringBytesCreating(RegRoot::kCurrentUser, key_, "VpnUser", Enc(cp, user, EncCode));
  return api_.WriteStringBytesCreating(RegRoot::kCurrentUser, key_, "VpnPassword",
                                       Enc(cp, password, EncCode)) &&
         ok;
}

std::pair<std::string, std::string> Settings::LoadCredentials() {
  const ICodePage& cp = api_.codepage();
  std::string user = api_.ReadStringBytes(RegRoot::kCurrentUser, key_, "VpnUser").value_or("");
  std::string password = api_.ReadStringBytes(RegRoot::kCurrentUser, key_, "VpnPassword").value_or("");
  return {deEnc(cp, user, deEncCode), deEnc(cp, password, deEncCode)};
}

}  // namespace kit::dialer

#include "dialer/registry_api.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "ports/codepage.h"
#include "ports/le_bytes.h"

namespace kit::dialer {
namespace {

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

char Storable(unsigned v) { return v == 0 ? '?' : static_cast<char>(v); }

}  // namespace

std::string CutAtNul(const std::uint8_t* data, std::size_t length) {
  if (length == 0) return std::string();
  const void* nul = std::memchr(data, 0, length);
  std::size_t n = nul ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - data) : length;
  return std::string(reinterpret_cast<const char*>(data), n);
}

bool RegistryAPI::KeyExists(RegRoot root, const std::string& key) { return store_.KeyExists(root, key); }

bool RegistryAPI::CreateRegKey(RegRoot root, const std::string& key) {
  const KeyCreation c = store_.CreateKey(root, key);
  if (c == KeyCreation::kFailed) throw RegistryError(kRegistryErrorNumber, "Unable to create the registry key");
  return c == KeyCreation::kExisted;
}

RegVariant RegistryAPI::ReadRegValue(RegRoot root, const std::string& key, const std::string& name,
                                     std::uint32_t type, const RegVariant& default_value) {
  if (type != reg::kSz && type != reg::kBinary && type != reg::kDword) {
    // Only a key that opens gets as far as the type.
    if (!store_.KeyExists(root, key)) return default_value;
    throw RegistryError(kRegistryErrorNumber, "Unsupported value type");
  }
  const std::optional<RegValue> v = store_.ReadValue(root, key, name);
  if (!v) return default_value;
  const std::vector<std::uint8_t>& data = v->data;
  switch (type) {
    case reg::kSz:
      // Read into a buffer of kStringBufferSize: a longer value is not read.
      if (data.size() > kStringBufferSize) return default_value;
      return cp_.ToUtf8(CutAtNul(data.data(), data.size()));
    case reg::kBinary:
      if (data.size() > kBinaryBufferSize) return default_value;
      return data;
    default:
      // A value of another length would leave part of the number unread.
      if (data.size() != 4) return default_value;
      return static_cast<std::int32_t>(static_cast<std::uint32_t>(data[0]) | data[1] << 8 | data[2] << 16 |
                                       static_cast<std::uint32_t>(data[3]) << 24);
  }
}

bool RegistryAPI::WriteRegValue(RegRoot root, const std::string& key, const std::string& name,
                                std::uint32_t type, const RegVariant& value) {
  std::vector<std::uint8_t> data;
  switch (type) {
    case reg::kSz: {
      std::string text;
      if (const auto* s = std::get_if<std::string>(&value)) {
        text = cp_.FromUtf8(*s);
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
      Put32(data, static_cast<std::uint32_t>(*n));
      break;
    }
    default:
      return false;
  }
  return store_.WriteValue(root, key, name, RegValue{type, std::move(data)});
}

std::optional<std::string> RegistryAPI::ReadStringBytes(RegRoot root, const std::string& key,
                                                        const std::string& name) {
  const std::optional<RegValue> v = store_.ReadValue(root, key, name);
  if (!v || v->data.size() > kStringBufferSize) return std::nullopt;
  return CutAtNul(v->data.data(), v->data.size());
}

bool RegistryAPI::WriteStringBytesCreating(RegRoot root, const std::string& key, const std::string& name,
                                           const std::string& bytes) {
  if (store_.CreateKey(root, key) == KeyCreation::kFailed) return false;
  std::vector<std::uint8_t> data(bytes.begin(), bytes.end());
  data.push_back(0);
  return store_.WriteValue(root, key, name, RegValue{reg::kSz, std::move(data)});
}

std::size_t WholeCharacters(const std::string& ansi, std::size_t limit) {
  std::size_t i = 0;
  while (i < ansi.size()) {
    std::size_t n = IsLeadByte(static_cast<unsigned char>(ansi[i])) && i + 1 < ansi.size() ? 2 : 1;
    if (i + n > limit) break;
    i += n;
  }
  return i;
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

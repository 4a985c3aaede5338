// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
#include <windows.h>

#include "platform/win32/dialer/win32_dialer.h"

namespace kit::win32 {
namespace {

HKEY RootHandle(RegRoot root) {
  switch (root) {
    case RegRoot::kClassesRoot:
      return HKEY_CLASSES_ROOT;
    case RegRoot::kCurrentUser:
      return HKEY_CURRENT_USER;
    case RegRoot::kLocalMachine:
      return HKEY_LOCAL_MACHINE;
    case RegRoot::kUsers:
      return HKEY_USERS;
  }
  return nullptr;
}

// Closes the key on every way out.
class OpenKey {
 public:
  OpenKey() = default;
  ~OpenKey() {
    if (h != nullptr) RegCloseKey(h);
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  HKEY h = nullptr;
};

}  // namespace

bool Win32Registry::KeyExists(RegRoot root, const std::string& key) {
  HKEY r = RootHandle(root);
  OpenKey k;
  return r != nullptr && RegOpenKeyExA(r, cp_.FromUtf8(key).c_str(), 0, KEY_READ, &k.h) == ERROR_SUCCESS;
}

KeyCreation Win32Registry::CreateKey(RegRoot root, const std::string& key) {
  HKEY r = RootHandle(root);
  if (r == nullptr) return KeyCreation::kFailed;
  OpenKey k;
  DWORD disposition = 0;
  if (RegCreateKeyExA(r, cp_.FromUtf8(key).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                      nullptr, &k.h, &disposition) != ERROR_SUCCESS) {
    return KeyCreation::kFailed;
  }
  return disposition == REG_OPENED_EXISTING_KEY ? KeyCreation::kExisted : KeyCreation::kCreated;
}

std::optional<RegValue> Win32Registry::ReadValue(RegRoot root, const std::string& key, const std::string& name) {
  HKEY r = RootHandle(root);
  OpenKey k;
  if (r == nullptr || RegOpenKeyExA(r, cp_.FromUtf8(key).c_str(), 0, KEY_READ, &k.h) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  const std::string n = cp_.FromUtf8(name);
  // The value may grow between asking its size and reading it.
  for (int attempt = 0; attempt < 3; ++attempt) {
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(k.h, n.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    RegValue v;
    v.data.resize(size);
    LONG rc = RegQueryValueExA(k.h, n.c_str(), nullptr, &type, size ? v.data.data() : nullptr, &size);
    if (rc == ERROR_MORE_DATA) continue;
    if (rc != ERROR_SUCCESS) return std::nullopt;
    v.type = type;
    v.data.resize(size);
    return v;
  }
  return std::nullopt;
}

bool Win32Registry::WriteValue(RegRoot root, const std::string& key, const std::string& name, const RegValue& value) {
  HKEY r = RootHandle(root);
  OpenKey k;
  if (r == nullptr || RegOpenKeyExA(r, cp_.FromUtf8(key).c_str(), 0, KEY_WRITE, &k.h) != ERROR_SUCCESS) {
    return false;
  }
  return RegSetValueExA(k.h, cp_.FromUtf8(name).c_str(), 0, value.type, value.data.data(),
                        static_cast<DWORD>(value.data.size())) == ERROR_SUCCESS;
}

}  // namespace kit::win32

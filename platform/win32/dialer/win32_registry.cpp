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

HKEY Handle(RegKey key) { return reinterpret_cast<HKEY>(key); }

}  // namespace

long Win32Registry::OpenKey(RegRoot root, const std::string& path, std::uint32_t access, RegKey* key) {
  HKEY r = RootHandle(root);
  if (r == nullptr) return ERROR_INVALID_PARAMETER;
  HKEY h = nullptr;
  LONG rc = RegOpenKeyExA(r, path.c_str(), 0, access, &h);
  if (rc == ERROR_SUCCESS) *key = reinterpret_cast<RegKey>(h);
  return rc;
}

long Win32Registry::CreateKey(RegRoot root, const std::string& path, RegKey* key, bool* existed) {
  HKEY r = RootHandle(root);
  if (r == nullptr) return ERROR_INVALID_PARAMETER;
  HKEY h = nullptr;
  DWORD disposition = 0;
  LONG rc = RegCreateKeyExA(r, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                            nullptr, &h, &disposition);
  if (rc == ERROR_SUCCESS) {
    *key = reinterpret_cast<RegKey>(h);
    *existed = disposition == REG_OPENED_EXISTING_KEY;
  }
  return rc;
}

long Win32Registry::QueryValue(RegKey key, const std::string& name, std::uint32_t* type,
                               std::uint8_t* data, std::uint32_t* size) {
  DWORD t = 0;
  DWORD n = *size;
  LONG rc = RegQueryValueExA(Handle(key), name.c_str(), nullptr, &t, data, &n);
  if (type) *type = t;
  *size = n;
  return rc;
}

long Win32Registry::SetValue(RegKey key, const std::string& name, std::uint32_t type,
                             const std::uint8_t* data, std::uint32_t size) {
  return RegSetValueExA(Handle(key), name.c_str(), 0, type, data, size);
}

long Win32Registry::CloseKey(RegKey key) { return RegCloseKey(Handle(key)); }

}  // namespace kit::win32

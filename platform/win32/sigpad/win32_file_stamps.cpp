// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
#include "win32_file_stamps.h"

#include <windows.h>

namespace kit {
namespace {

std::uint64_t FromFt(const FILETIME& ft) {
  return (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}
FILETIME ToFt(std::uint64_t v) {
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(v & 0xFFFFFFFFu);
  ft.dwHighDateTime = static_cast<DWORD>(v >> 32);
  return ft;
}

}  // namespace

std::optional<FileStamp> Win32FileStamps::Get(const std::string& path) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA(path.c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  FindClose(h);
  FileStamp s;
  s.creation = FromFt(fd.ftCreationTime);
  s.last_access = FromFt(fd.ftLastAccessTime);
  s.last_write = FromFt(fd.ftLastWriteTime);
  s.attributes = fd.dwFileAttributes;
  return s;
}

void Win32FileStamps::Set(const std::string& path, const FileStamp& stamp) {
  // Others may read meanwhile, not write.
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    const FILETIME c = ToFt(stamp.creation), a = ToFt(stamp.last_access), w = ToFt(stamp.last_write);
    SetFileTime(h, &c, &a, &w);
    CloseHandle(h);
  }
  SetFileAttributesA(path.c_str(), stamp.attributes);
}

}  // namespace kit

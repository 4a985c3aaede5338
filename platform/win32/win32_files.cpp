// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
#include <windows.h>

#include <algorithm>
#include <string>
#include <utility>

#include "platform/win32/win32_adapters.h"

namespace kit::win32 {

FileError::Cause CauseOfError(std::uint32_t error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return FileError::Cause::NotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return FileError::Cause::AccessDenied;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return FileError::Cause::DiskFull;
    default:
      return FileError::Cause::Generic;
  }
}

namespace {

[[noreturn]] void Fail(DWORD error, const char* operation, const std::string& path) {
  throw FileError(CauseOfError(error), path,
                  std::string(operation) + " '" + path + "' failed (error " +
                      std::to_string(error) + ")");
}

[[noreturn]] void FailLast(const char* operation, const std::string& path) {
  Fail(GetLastError(), operation, path);
}

// ReadFile and WriteFile take a DWORD count; larger requests go in pieces.
constexpr std::size_t kMaxChunk = 1u << 30;

class HandleStream : public IByteStream {
 public:
  HandleStream(HANDLE handle, std::string path) : handle_(handle), path_(std::move(path)) {}
  ~HandleStream() override { CloseHandle(handle_); }
  HandleStream(const HandleStream&) = delete;
  HandleStream& operator=(const HandleStream&) = delete;

  std::size_t Read(void* buf, std::size_t n) override {
    auto* out = static_cast<char*>(buf);
    std::size_t done = 0;
    while (done < n) {
      DWORD want = static_cast<DWORD>(std::min(n - done, kMaxChunk));
      DWORD got = 0;
      if (!ReadFile(handle_, out + done, want, &got, nullptr)) FailLast("Reading", path_);
      if (got == 0) break;
      done += got;
    }
    return done;
  }

  void Write(const void* buf, std::size_t n) override {
    const auto* in = static_cast<const char*>(buf);
    std::size_t done = 0;
    while (done < n) {
      DWORD want = static_cast<DWORD>(std::min(n - done, kMaxChunk));
      DWORD put = 0;
      if (!WriteFile(handle_, in + done, want, &put, nullptr)) FailLast("Writing", path_);
      // A short write without an error is the volume filling up.
      if (put == 0) Fail(ERROR_DISK_FULL, "Writing", path_);
      done += put;
    }
  }

 private:
  HANDLE handle_;
  std::string path_;
};

}  // namespace

std::unique_ptr<IByteStream> Win32FileSystem::OpenRead(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) FailLast("Opening", path);
  return std::make_unique<HandleStream>(h, path);
}

std::unique_ptr<IByteStream> Win32FileSystem::CreateWrite(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) FailLast("Creating", path);
  return std::make_unique<HandleStream>(h, path);
}

void Win32FileSystem::Rename(const std::string& from, const std::string& to) {
  if (!MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    DWORD error = GetLastError();
    throw FileError(CauseOfError(error), from,
                    "Renaming '" + from + "' to '" + to + "' failed (error " +
                        std::to_string(error) + ")");
  }
}

bool Win32FileSystem::Remove(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

bool Win32FileSystem::Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::uint64_t Win32FileSystem::Size(const std::string& path) {
  // Attribute access only, shared every way, so that a file open elsewhere
  // (even for writing) can still be measured.
  HANDLE h = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) FailLast("Measuring", path);
  LARGE_INTEGER size{};
  BOOL ok = GetFileSizeEx(h, &size);
  DWORD error = GetLastError();
  CloseHandle(h);
  if (!ok) Fail(error, "Measuring", path);
  return static_cast<std::uint64_t>(size.QuadPart);
}

}  // namespace kit::win32

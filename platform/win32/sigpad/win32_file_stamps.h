// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
// IFileStamps over FindFirstFileA, SetFileTime and SetFileAttributesA.
// Kept free of <windows.h>.
#pragma once
#include "ports/jpeg.h"

namespace kit {

class Win32FileStamps : public IFileStamps {
 public:
  std::optional<FileStamp> Get(const std::string& path) override;
  void Set(const std::string& path, const FileStamp& stamp) override;
};

}  // namespace kit

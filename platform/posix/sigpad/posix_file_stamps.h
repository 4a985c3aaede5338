// platform/posix: adapters that do the work on Linux itself; stand-ins for Windows go in sim/.
// IFileStamps over stat/utimensat/chmod. POSIX keeps no settable creation
// time: it reads as the last-write time and is not set back.
#pragma once
#include "ports/jpeg.h"

namespace kit {

constexpr std::uint32_t kFileAttributeReadOnly = 0x01;
constexpr std::uint32_t kFileAttributeArchive = 0x20;

class PosixFileStamps : public IFileStamps {
 public:
  std::optional<FileStamp> Get(const std::string& path) override;
  void Set(const std::string& path, const FileStamp& stamp) override;
};

}  // namespace kit

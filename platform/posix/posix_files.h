// platform/posix: adapters that do the work on Linux itself; stand-ins for Windows go in sim/.
// IFileSystem over POSIX descriptors; paths go through NativePath().
#pragma once
#include "ports/files.h"

namespace kit::posix {

class PosixFileSystem : public IFileSystem {
 public:
  std::unique_ptr<IByteStream> OpenRead(const std::string& path) override;
  // Like CreateFile(CREATE_ALWAYS): missing parent folders are an error.
  // The stream holds a shared flock(2) lock on the file while it is open.
  std::unique_ptr<IByteStream> CreateWrite(const std::string& path) override;
  void Rename(const std::string& from, const std::string& to) override;
  bool Remove(const std::string& path) override;
  bool Exists(const std::string& path) override;
  std::uint64_t Size(const std::string& path) override;
};

// The FileError::Cause an errno value reports as.
FileError::Cause CauseOfErrno(int err);

}  // namespace kit::posix

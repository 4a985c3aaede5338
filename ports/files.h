// Files, addressed by Windows paths in the system code page ("c:\temp\qzdesk\a.doc").
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "ports/stream.h"

namespace kit {

class FileError : public std::runtime_error {
 public:
  enum class Cause { NotFound, AccessDenied, DiskFull, Generic };
  FileError(Cause cause, const std::string& path, const std::string& what)
      : std::runtime_error(what), cause_(cause), path_(path) {}
  Cause cause() const { return cause_; }
  const std::string& path() const { return path_; }

 private:
  Cause cause_;
  std::string path_;
};

// A name the desktop's file layer takes for a device whatever the folder or
// extension: CON, NUL, COM1, ... in any case, with trailing blanks or an
// extension after it.
bool IsDeviceName(const std::string& name);

class IFileSystem {
 public:
  virtual ~IFileSystem() = default;
  virtual std::unique_ptr<IByteStream> OpenRead(const std::string& path) = 0;
  // Creates or truncates.
  virtual std::unique_ptr<IByteStream> CreateWrite(const std::string& path) = 0;
  // Replaces `to` if it exists.
  virtual void Rename(const std::string& from, const std::string& to) = 0;
  virtual bool Remove(const std::string& path) = 0;
  virtual bool Exists(const std::string& path) = 0;
  virtual std::uint64_t Size(const std::string& path) = 0;  // throws FileError
};

// What the desktop's find-first-file call reports of its first match.
struct FoundFile {
  std::uint64_t size = 0;
  bool folder = false;
};

// Lookups that follow the desktop's own rules (wildcards, sharing modes),
// for the control's local file helpers.
class IFileLookup {
 public:
  virtual ~IFileLookup() = default;
  // The first match of a path whose last component may hold '?' and '*';
  // nullopt when nothing matches.
  virtual std::optional<FoundFile> FindFirst(const std::string& pattern) = 0;
  // Opens an existing file for reading while letting others only read it,
  // and closes it again. False for a file someone holds open for writing,
  // a folder or a missing file.
  virtual bool OpenSharedRead(const std::string& path) = 0;
  // Makes one folder level with default security; false when it failed.
  virtual bool CreateFolder(const std::string& path) = 0;
};

// Find-first/find-next over a folder: the names of every entry matching a
// pattern such as "c:\temp\a.files\*.*", in the order the desktop lists
// them ("." and ".." included where it lists them); nullopt when the search
// cannot start.
class IFolderListing {
 public:
  virtual ~IFolderListing() = default;
  virtual std::optional<std::vector<std::string>> List(const std::string& pattern) = 0;
};

}  // namespace kit

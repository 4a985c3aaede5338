// platform/posix: adapters that do the work on Linux itself; stand-ins for Windows go in sim/.
#include "posix_file_stamps.h"

#include <fcntl.h>
#include <sys/stat.h>

#include "platform/posix/posix_paths.h"
#include "ports/files.h"

namespace kit {
namespace {

// Seconds from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kEpochGap = 11644473600LL;

std::uint64_t ToFileTime(const timespec& ts) {
  return static_cast<std::uint64_t>((ts.tv_sec + kEpochGap) * 10000000LL + ts.tv_nsec / 100);
}

timespec FromFileTime(std::uint64_t ft) {
  timespec ts;
  ts.tv_sec = static_cast<time_t>(static_cast<std::int64_t>(ft / 10000000ULL) - kEpochGap);
  ts.tv_nsec = static_cast<long>((ft % 10000000ULL) * 100);
  return ts;
}

}  // namespace

std::optional<FileStamp> PosixFileStamps::Get(const std::string& path) {
  std::string native;
  try {
    native = posix::NativePath(path);
  } catch (const FileError&) {
    return std::nullopt;
  }
  struct stat st;
  if (stat(native.c_str(), &st) != 0) return std::nullopt;
  FileStamp s;
  s.last_access = ToFileTime(st.st_atim);
  s.last_write = ToFileTime(st.st_mtim);
  s.creation = s.last_write;
  s.attributes = (st.st_mode & S_IWUSR) ? kFileAttributeArchive : (kFileAttributeArchive | kFileAttributeReadOnly);
  return s;
}

void PosixFileStamps::Set(const std::string& path, const FileStamp& stamp) {
  std::string native;
  try {
    native = posix::NativePath(path);
  } catch (const FileError&) {
    return;
  }
  const timespec times[2] = {FromFileTime(stamp.last_access), FromFileTime(stamp.last_write)};
  (void)utimensat(AT_FDCWD, native.c_str(), times, 0);
  struct stat st;
  if (stat(native.c_str(), &st) != 0) return;
  mode_t mode = st.st_mode & 07777;
  if (stamp.attributes & kFileAttributeReadOnly) {
    mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
  } else {
    mode |= S_IWUSR;
  }
  // A mode that is already right is left alone.
  if (mode != (st.st_mode & 07777)) (void)chmod(native.c_str(), mode);
}

}  // namespace kit

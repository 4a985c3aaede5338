// platform/posix: adapters that do the work on Linux itself; stand-ins for Windows go in sim/.
#include "platform/posix/posix_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "platform/posix/posix_paths.h"

namespace kit::posix {
namespace {

[[noreturn]] void Fail(int err, const char* op, const std::string& path) {
  throw FileError(CauseOfErrno(err), path,
                  std::string(op) + " " + path + ": " + std::generic_category().message(err));
}

class FdStream : public IByteStream {
 public:
  FdStream(int fd, bool writable, std::string path) : fd_(fd), writable_(writable), path_(std::move(path)) {}
  ~FdStream() override { close(fd_); }
  FdStream(const FdStream&) = delete;
  FdStream& operator=(const FdStream&) = delete;

  std::size_t Read(void* buf, std::size_t n) override {
    if (writable_) Fail(EBADF, "read", path_);
    char* p = static_cast<char*>(buf);
    std::size_t done = 0;
    // Keep reading so that a short count means the end of the file.
    while (done < n) {
      ssize_t r = read(fd_, p + done, n - done);
      if (r < 0) {
        if (errno == EINTR) continue;
        Fail(errno, "read", path_);
      }
      if (r == 0) break;
      done += static_cast<std::size_t>(r);
    }
    return done;
  }

  void Write(const void* buf, std::size_t n) override {
    if (!writable_) Fail(EBADF, "write", path_);
    const char* p = static_cast<const char*>(buf);
    while (n > 0) {
      ssize_t w = write(fd_, p, n);
      if (w < 0) {
        if (errno == EINTR) continue;
        Fail(errno, "write", path_);
      }
      // No progress without an error means the device is out of room.
      if (w == 0) Fail(ENOSPC, "write", path_);
      p += w;
      n -= static_cast<std::size_t>(w);
    }
  }

 private:
  int fd_;
  bool writable_;
  std::string path_;
};

int OpenRetrying(const std::string& native, int flags) {
  int fd;
  do {
    fd = open(native.c_str(), flags | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

}  // namespace

FileError::Cause CauseOfErrno(int err) {
  switch (err) {
    case ENOENT:
    case ENOTDIR:
      return FileError::Cause::NotFound;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
    case EBADF:
      return FileError::Cause::AccessDenied;
    case ENOSPC:
    case EDQUOT:
      return FileError::Cause::DiskFull;
    default:
      return FileError::Cause::Generic;
  }
}

std::unique_ptr<IByteStream> PosixFileSystem::OpenRead(const std::string& path) {
  std::string native = NativePath(path);
  int fd = OpenRetrying(native, O_RDONLY);
  if (fd < 0) Fail(errno, "open", path);
  struct stat st {};
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    // A folder opens here but not on Windows, where it is access denied.
    int err = S_ISDIR(st.st_mode) ? EISDIR : errno;
    close(fd);
    Fail(err, "open", path);
  }
  return std::make_unique<FdStream>(fd, false, path);
}

std::unique_ptr<IByteStream> PosixFileSystem::CreateWrite(const std::string& path) {
  std::string native = NativePath(path);
  int fd = OpenRetrying(native, O_WRONLY | O_CREAT | O_TRUNC);
  if (fd < 0) Fail(errno, "create", path);
  // A writer holds a shared lock while the file is open, so that a reader
  // that admits other readers only (an exclusive try) sees it, as the
  // desktop's sharing modes would. Writers do not exclude each other.
  while (flock(fd, LOCK_SH) != 0 && errno == EINTR) {
  }
  return std::make_unique<FdStream>(fd, true, path);
}

void PosixFileSystem::Rename(const std::string& from, const std::string& to) {
  std::string src = NativePath(from);
  std::string dst = NativePath(to);
  if (rename(src.c_str(), dst.c_str()) != 0) Fail(errno, "rename", from);
}

bool PosixFileSystem::Remove(const std::string& path) {
  try {
    return unlink(NativePath(path).c_str()) == 0;
  } catch (const FileError&) {
    return false;
  }
}

bool PosixFileSystem::Exists(const std::string& path) {
  try {
    struct stat st {};
    return stat(NativePath(path).c_str(), &st) == 0;
  } catch (const FileError&) {
    return false;
  }
}

std::uint64_t PosixFileSystem::Size(const std::string& path) {
  std::string native = NativePath(path);
  struct stat st {};
  if (stat(native.c_str(), &st) != 0) Fail(errno, "stat", path);
  if (S_ISDIR(st.st_mode)) Fail(EISDIR, "stat", path);
  return static_cast<std::uint64_t>(st.st_size);
}

}  // namespace kit::posix

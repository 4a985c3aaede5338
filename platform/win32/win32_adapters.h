// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
// The Win32 adapters behind DefaultPlatform(). Kept free of <windows.h> so
// that code outside platform/ can name them.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "ports/codepage.h"
#include "ports/emf.h"
#include "ports/files.h"
#include "ports/screen.h"

namespace kit::win32 {

// The code page the target desktops run; fixed rather than taken from the
// system so that conversions do not depend on the machine's locale.
constexpr unsigned kSystemCodePage = 936;

// CreateFileA and friends; paths go to the A functions unchanged.
class Win32FileSystem : public IFileSystem {
 public:
  std::unique_ptr<IByteStream> OpenRead(const std::string& path) override;
  std::unique_ptr<IByteStream> CreateWrite(const std::string& path) override;
  void Rename(const std::string& from, const std::string& to) override;
  bool Remove(const std::string& path) override;
  bool Exists(const std::string& path) override;
  std::uint64_t Size(const std::string& path) override;
};

// FileError's cause for a GetLastError() value.
FileError::Cause CauseOfError(std::uint32_t error);

// MultiByteToWideChar / WideCharToMultiByte between `code_page` and UTF-8.
class Win32CodePage : public ICodePage {
 public:
  explicit Win32CodePage(unsigned code_page = kSystemCodePage) : code_page_(code_page) {}
  std::string ToUtf8(const std::string& ansi) const override;
  std::string FromUtf8(const std::string& utf8) const override;

 private:
  unsigned code_page_;
};

// GetDeviceCaps of the screen DC, asked on every call; 96 without a DC.
class Win32ScreenMetrics : public IScreenMetrics {
 public:
  int LogPixelsX() const override;
  int LogPixelsY() const override;
};

// SetEnhMetaFileBits after the portable header check.
class Win32MetafileFactory : public IMetafileFactory {
 public:
  EnhMetaFilePtr FromBits(const std::uint8_t* bits, std::size_t size) override;
};

// The HENHMETAFILE of a metafile this factory made (for PlayEnhMetaFile),
// as void* to keep this header free of <windows.h>; null for other objects.
void* NativeHandle(const IEnhMetaFile& emf);

}  // namespace kit::win32

// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
// The Win32 capture adapters; free of <windows.h> so tests can name them.
#pragma once
#include "ports/automation_client.h"
#include "ports/clipboard.h"
#include "ports/cursor.h"
#include "ports/processes.h"

namespace kit::win32 {

// COM: CLSIDFromProgID, CoCreateInstance, GetActiveObject, GetClassFile,
// ProgIDFromCLSID and a file moniker; the caller's thread has COM started.
// Strings in variants are code page 936 bytes, BSTRs on the COM side.
class ComAutomation : public automation::IAutomationClient {
 public:
  bool IsRegistered(const std::string& progId) override;
  automation::Obtained Create(const std::string& progId) override;
  automation::Obtained GetRunning(const std::string& progId) override;
  std::optional<std::string> ProgIdOfFile(const std::u16string& path) override;
  automation::Obtained OpenFile(const std::u16string& path) override;
};

// An IDispatch* (passed as void*) behind the dispatch port; takes over the
// reference it is given.
automation::DispatchPtr WrapDispatch(void* dispatch);

// COM started on this thread for the life of the object (apartment-threaded,
// as the controls' hosts run); stopped again only if this object started it.
class ComApartment {
 public:
  ComApartment();
  ~ComApartment();
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  bool ok() const { return ok_; }

 private:
  bool ok_ = false;
};

class Win32Clipboard : public IClipboard {
 public:
  // SetClipboardData between Open and Close (after Empty): a copy of the
  // metafile, or the bitmap as a device-dependent bitmap of the screen.
  bool SetMetafile(const std::vector<std::uint8_t>& bits);
  bool SetBitmap(const ClipboardBitmap& bitmap);
  bool Open() override;
  void Close() override;
  bool Empty() override;
  bool HasFormat(unsigned format) override;
  EnhMetaFilePtr GetEnhMetaFile(IMetafileFactory& factory) override;
  std::optional<ClipboardBitmap> GetBitmap() override;
};

class Win32Cursor : public ICursor {
 public:
  std::uintptr_t ShowWait() override;
  void Restore(std::uintptr_t previous) override;
};

class Win32Processes : public IProcesses {
 public:
  std::optional<std::vector<ProcessEntry>> Snapshot() override;
  bool Terminate(std::uint32_t pid, std::uint32_t exitCode) override;
  std::uint32_t CurrentProcessId() override;
};

}  // namespace kit::win32
